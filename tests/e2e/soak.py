"""The soak: the tour build driven by weighted random operations from a
printed seed (DDE with new, open and junk addresses, clicks on tabs and close
glyphs, F10, the tray icon, the menu and its message boxes, resizing,
minimising, maximise/restore, a second login, close and "否"). After every
step the process must live, its window answer within 2 s and a disabled game
window have its dialog in front; every CHECK_EVERY steps the tabs are brought
to CHECK_TABS and handles, memory and window count must stay as they were at
the first such check after the start, and a screenshot goes to the output
folder. At the end "是" must end the client with
exit code 0. Used by `make soak` (SOAK_OPS, SOAK_SEED) and by test_soak.py."""
import collections
import os
import random
import select
import subprocess
import time

import tour as T
from e2e_support import BUILD, find_windows, geometry, screen_size, screenshot, wine

PROBE = os.path.join(BUILD, "tests", "win", "tour", "soak_probe.exe")
CHECK_EVERY = 100
CHECK_TABS = 3
MAX_TABS = 12
# Growth allowed between checkpoints at the same tab count.
HANDLE_SLACK = 10
MEMORY_SLACK_KB = 16 * 1024
JUNK = ["javascript:alert(1)", "file:///c:/windows/win.ini", "ftp://example.com/", "not an address"]
FIELDS = ["alive", "answers", "visible", "iconic", "enabled", "x", "y", "w", "h", "tabs", "handles", "memory",
          "windows"]


class SoakFailure(Exception):
    pass


class Probe:
    """soak_probe.exe in a process of its own: one line about the client per request."""

    def __init__(self):
        self.process = subprocess.Popen([wine(), PROBE], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)

    def state(self, timeout=15.0):
        self.process.stdin.write("state\n")
        self.process.stdin.flush()
        ready, _, _ = select.select([self.process.stdout], [], [], timeout)
        if not ready:
            raise SoakFailure("the probe did not answer")
        words = self.process.stdout.readline().split()
        if not words or words[0] == "gone":
            return None
        state = dict(zip(FIELDS, (int(w) for w in words[:-1])))
        state["dialog"] = words[-1]
        return state

    def close(self):
        if self.process.poll() is None:
            self.process.stdin.close()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()


def xdo(*args):
    subprocess.run(["xdotool", *map(str, args)], check=False)


class Soak:
    def __init__(self, out_dir, seed, announce=print):
        self.out_dir = out_dir
        self.seed = seed
        self.random = random.Random(seed)
        self.announce = announce
        self.step = 0
        self.next_page = 1
        self.baseline = None
        self.tour = T.Tour(os.path.join(out_dir, "soak.log"), first_page_ms=0, click_ms=300)
        self.probe = Probe()
        self.s = None
        self.history = collections.deque(maxlen=8)  # the steps before a failure, for its report

    # --- the client's state ---------------------------------------------------

    def look(self, settle=0.25):
        time.sleep(settle)
        state = self.probe.state()
        if self.tour.process.poll() is not None:
            raise SoakFailure(f"the client ended (exit code {self.tour.process.returncode})")
        if state is None:
            raise SoakFailure("no game window")
        if not state["alive"] or not state["answers"]:
            raise SoakFailure("the game window did not answer within 2 s")
        if state["dialog"] == "behind":
            raise SoakFailure("the game window is disabled under a dialog that is not in front")
        self.s = state
        return state

    def shown(self):
        return self.s["visible"] and not self.s["iconic"] and self.s["enabled"]

    def maximised(self):
        sw, sh = screen_size()
        return (self.s["x"], self.s["y"], self.s["w"], self.s["h"]) == (0, 0, sw, sh)

    # --- where things are (96 dpi, the design in twips) ----------------------

    def title_button(self, right_px, width_px, height_px=18, top_px=1):
        s = self.s
        return s["x"] + s["w"] - right_px + width_px // 2, s["y"] + top_px + height_px // 2

    def tab_places(self):
        """(body, close glyph) screen points of every tab."""
        s, n = self.s, self.s["tabs"]
        area = s["w"] - 323 - 153 - 10
        width = min(200, round((area - 5 * n) / n)) if n else 0
        y = s["y"] + 3 + 13
        places = []
        for i in range(n):
            left = s["x"] + 153 + 10 + i * (width + 5)
            places.append(((left + max(4, (width - 20) // 2), y), (left + width - 14, y)))
        return places

    def click(self, point, button=1):
        xdo("mousemove", point[0], point[1])
        time.sleep(0.05)
        xdo("click", button)

    # --- operations ----------------------------------------------------------

    def dde(self, url, expected):
        code = self.tour.dde(url)
        if code != expected:
            raise SoakFailure(f"DDE {url!r} gave {code}, not {expected}")

    def op_dde_new(self):
        if self.s["tabs"] >= MAX_TABS:
            return self.op_dde_open()
        self.next_page += 1
        self.dde(f"{T.BASE}/game/news.php?id={self.next_page}", 0)

    def op_dde_open(self):
        self.dde(T.GAME_URL, 0)

    def op_dde_junk(self):
        self.dde(self.random.choice(JUNK), 1)

    def op_click_tab(self):
        if self.s["tabs"]:
            self.click(self.random.choice(self.tab_places())[0])

    def op_close_glyph(self):
        if not self.s["tabs"]:
            return
        last = self.s["tabs"] == 1
        self.click(self.random.choice(self.tab_places())[1])
        if last:
            self.answer_exit(yes=False)

    def op_f10(self):
        s = self.s
        for window in find_windows(T.MAIN_TITLE, timeout=5):
            if geometry(window) == (s["x"], s["y"], s["w"], s["h"]):
                return self.tour.key("F10", window=window)
        raise SoakFailure("the game window is not on the X screen")

    def op_tray_click(self):
        self.click(self.tour.tray_icon())

    def op_tray_menu(self):
        x, y = self.tour.tray_icon()
        self.click((x, y), button=3)
        time.sleep(0.4)
        self.tour.click_menu_item(x, y, 1)  # 隐藏/恢复(F10)

    def op_menu(self):
        point = self.title_button(122, 24)
        self.click(point)
        time.sleep(0.4)
        item = self.random.choice([0, 2, 3, 4])  # refresh, clear cache, update, version
        self.tour.click_menu_item(point[0], point[1], item)
        title = {2: "^缓存清理$", 3: "^提示$"}.get(item)
        if title:
            box = self.tour.window(title)
            self.look()
            if self.s["dialog"] != "front":
                raise SoakFailure(f"the message box {title} is not in front of the game window")
            self.tour.key("Return", window=box)
            if not self.tour.gone(title):
                raise SoakFailure(f"the message box {title} did not close")

    def op_resize(self):
        if self.maximised():
            return self.op_maximise_restore()
        s = self.s
        sw, sh = screen_size()
        w = max(820, min(sw - s["x"], s["w"] + self.random.randint(-160, 160)))
        h = max(620, min(sh - s["y"], s["h"] + self.random.randint(-120, 120)))
        corner = (s["x"] + s["w"] - 2, s["y"] + s["h"] - 2)
        xdo("mousemove", *corner)
        time.sleep(0.1)
        xdo("mousedown", 1)
        time.sleep(0.1)
        xdo("mousemove", s["x"] + (s["w"] + w) // 2, s["y"] + (s["h"] + h) // 2)
        time.sleep(0.1)
        xdo("mousemove", s["x"] + w - 2, s["y"] + h - 2)
        time.sleep(0.1)
        xdo("mouseup", 1)

    def op_minimise(self):
        self.click(self.title_button(98, 24))

    def op_maximise_restore(self):
        self.click(self.title_button(74, 25))

    def op_second_login(self):
        if self.s["tabs"] >= MAX_TABS:
            return
        mark = len(self.tour.log())
        self.click(self.title_button(323, 99, 22, 0))
        # The login page starts the game by itself; its tab may be the one shown already.
        self.tour.wait_log("navigate app://loadgame|" + T.GAME_URL, timeout=30, after=mark)
        time.sleep(0.5)

    def op_close_no(self):
        self.click(self.title_button(49, 43))
        self.answer_exit(yes=False)

    def answer_exit(self, yes):
        question = "^" + T.EXIT_QUESTION + "$"
        self.tour.window(question, timeout=10)
        self.look()
        if self.s["dialog"] != "front":
            raise SoakFailure("the exit dialog is not in front of the game window")
        self.tour.answer_exit_dialog(yes=yes)
        if not yes and not self.tour.gone(question):
            raise SoakFailure("the exit dialog stayed after 否")

    WEIGHTS = {
        "dde_new": 8, "dde_open": 3, "dde_junk": 3, "click_tab": 10, "close_glyph": 8, "f10": 4,
        "tray_click": 4, "tray_menu": 2, "menu": 4, "resize": 3, "minimise": 3, "maximise_restore": 5,
        "second_login": 2, "close_no": 3,
    }
    # What can be done while the window is hidden or minimised.
    HIDDEN_OPS = {"dde_new", "dde_open", "dde_junk", "tray_click", "tray_menu"}
    ICONIC_OPS = {"dde_new", "dde_open", "dde_junk", "tray_click"}

    def choose(self):
        if self.shown():
            allowed = self.WEIGHTS
        elif self.s["iconic"]:
            allowed = {k: v for k, v in self.WEIGHTS.items() if k in self.ICONIC_OPS}
        elif not self.s["visible"]:
            allowed = {k: v for k, v in self.WEIGHTS.items() if k in self.HIDDEN_OPS}
        else:
            raise SoakFailure("the game window is disabled with no dialog asked for")
        names = sorted(allowed)
        return self.random.choices(names, weights=[allowed[n] for n in names])[0]

    # --- checkpoints ---------------------------------------------------------

    def bring_back(self):
        for _ in range(3):
            if self.shown():
                return
            self.op_tray_click()
            self.look(0.5)
        raise SoakFailure("the game window did not come back from the tray")

    def checkpoint(self):
        self.bring_back()
        while self.s["tabs"] > CHECK_TABS:
            self.click(self.tab_places()[-1][1])
            self.look()
        while self.s["tabs"] < CHECK_TABS:
            self.op_dde_new()
            self.look()
        state = self.look(1.0)
        screenshot(os.path.join(self.out_dir, f"step-{self.step:05d}.png"))
        numbers = {k: state[k] for k in ("handles", "memory", "windows")}
        self.announce(f"soak: step {self.step}, {CHECK_TABS} tabs: {numbers['handles']} handles, "
                      f"{numbers['memory']} KB, {numbers['windows']} windows")
        # Windows made on first use (the strip's tooltip, the menu's) exist
        # from the first hundred steps on: the flat line starts there.
        if self.step < CHECK_EVERY:
            return
        if self.baseline is None:
            self.baseline = numbers
            return
        b = self.baseline
        if numbers["windows"] != b["windows"]:
            raise SoakFailure(f"window count {numbers['windows']}, was {b['windows']} at the same tab count")
        if numbers["handles"] > b["handles"] + HANDLE_SLACK:
            raise SoakFailure(f"handles {numbers['handles']}, were {b['handles']}")
        if numbers["memory"] > b["memory"] + MEMORY_SLACK_KB:
            raise SoakFailure(f"memory {numbers['memory']} KB, was {b['memory']} KB")

    # --- the run -------------------------------------------------------------

    def run(self, operations):
        self.tour.wait_log("shown " + T.GAME_URL, timeout=60)
        self.look(0.5)
        self.checkpoint()
        while self.step < operations:
            self.step += 1
            op = self.choose()
            self.last_op = op
            self.history.append(op)
            if os.environ.get("SOAK_TRACE"):
                self.announce(f"soak: step {self.step} {op}")
            getattr(self, "op_" + op)()
            self.look()
            if self.step % CHECK_EVERY == 0:
                self.checkpoint()
        self.last_op = "the end"
        self.bring_back()
        self.op_close_no_answer_yes()
        code = self.tour.wait_exit()
        if code != 0:
            raise SoakFailure(f"the client ended with exit code {code} after 是")
        return code

    def op_close_no_answer_yes(self):
        self.click(self.title_button(49, 43))
        self.answer_exit(yes=True)

    def close(self):
        self.probe.close()
        self.tour.stop()


def soak(out_dir, operations, seed=None, announce=print):
    """Runs the soak; returns None when it passed, else the failure's text (seed included)."""
    os.makedirs(out_dir, exist_ok=True)
    if seed is None:
        seed = random.SystemRandom().randrange(1, 2 ** 31)
    announce(f"soak: seed {seed}, {operations} operations (SOAK_SEED={seed} repeats it)")
    run = Soak(out_dir, seed, announce)
    started = time.time()
    try:
        run.run(operations)
    except (SoakFailure, AssertionError) as failure:
        screenshot(os.path.join(out_dir, "failure.png"))
        text = (f"soak: FAILED at step {run.step} ({getattr(run, 'last_op', 'start')}): {failure}; "
                f"the steps before: {', '.join(list(run.history)[:-1]) or 'none'}; "
                f"seed {seed} (SOAK_SEED={seed} SOAK_OPS={operations} make soak repeats it)")
        with open(os.path.join(out_dir, "failed-seed.txt"), "a", encoding="utf-8") as f:
            f.write(text + "\n")
        announce(text)
        return text
    finally:
        run.close()
    announce(f"soak: {operations} operations passed in {time.time() - started:.0f} s; 是 ended the client with "
             f"exit code 0")
    return None


if __name__ == "__main__":
    import sys
    ops = int(os.environ.get("SOAK_OPS") or 2000)
    seed = int(os.environ["SOAK_SEED"]) if os.environ.get("SOAK_SEED") else None
    sys.exit(0 if soak(sys.argv[1], ops, seed) is None else 1)
