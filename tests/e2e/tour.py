"""The whole run of the tour build (vorn2-tour.exe: the product's windows with
stand-in pages that fetch the devserver's pages), driven from outside with
xdotool and a DDE client: splash, login pair, main window, a second tab by
DDE, F10, the tray menu, the exit dialog, the end. Used by `make tour`
(screenshots of every stage) and by the end-to-end tests (assertions)."""
import os
import re
import subprocess
import time

from e2e_support import BUILD, find_windows, geometry, screen_size, screenshot, wine

TOUR = os.path.join(BUILD, "tests", "win", "tour", "vorn2-tour.exe")
DDE_CLIENT = os.path.join(BUILD, "tests", "win", "framework", "dde_test_client.exe")
PORT = 18080
BASE = f"http://127.0.0.1:{PORT}"
LOGIN_URL = BASE + "/download/vorn2/index_vorn2.php"
GAME_URL = BASE + "/game/index.php?server=1"
MAIN_TITLE = "^Vornhold 2客户端$"
EXIT_QUESTION = "窗口即将关闭，确定要退出游戏？"
TWIPS = 15  # per pixel at the 96 dpi the tests run at
# A popup menu as Wine draws it with the harness's font: its top edge, item and
# separator heights (measured on its screenshots).
MENU_BORDER = 6
MENU_ITEM_HEIGHT = 17
MENU_SEPARATOR_HEIGHT = 9
MENU_SEPARATOR_AFTER = 3  # the application menu's separator follows its third item


def twips(value):
    return round(value / TWIPS)


class Tour:
    def __init__(self, log_path, first_page_ms=0, click_ms=800):
        self.log_path = log_path
        if os.path.exists(log_path):
            os.remove(log_path)
        env = dict(os.environ, VORN2_TOUR_LOG=log_path, VORN2_TOUR_FIRST_PAGE_MS=str(first_page_ms),
                   VORN2_TOUR_CLICK_MS=str(click_ms))
        self.process = subprocess.Popen([wine(), TOUR], env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

    # --- observing -----------------------------------------------------------

    def log(self):
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return f.read().splitlines()

    def wait_log(self, line, timeout=20.0, after=0):
        """Index of the first log line equal to `line` at or after `after`."""
        end = time.time() + timeout
        while time.time() < end:
            lines = self.log()
            for i in range(after, len(lines)):
                if lines[i] == line:
                    return i
            time.sleep(0.1)
        raise AssertionError(f"no log line {line!r}; log: {self.log()[-12:]}")

    def shown(self):
        """The page shown last (the selected tab's)."""
        pages = [line[len("shown "):] for line in self.log() if line.startswith("shown ")]
        return pages[-1] if pages else None

    def window(self, name_regex, timeout=20.0):
        found = find_windows(name_regex, timeout)
        if not found:
            raise AssertionError(f"no window {name_regex!r} appeared")
        return found[0]

    def gone(self, name_regex, timeout=10.0):
        end = time.time() + timeout
        while time.time() < end:
            if not find_windows(name_regex, timeout=0.2):
                return True
            time.sleep(0.1)
        return False

    def main_window(self):
        """X id of the main window: the captioned window of screen width or of the design width."""
        for w in find_windows(MAIN_TITLE, timeout=20.0):
            x, y, width, height = geometry(w) or (0, 0, 0, 0)  # gone since the search
            if width >= 1000 and height >= 600 and width != 1237:
                return w
        raise AssertionError("no main window")

    # --- acting --------------------------------------------------------------

    def click(self, x, y, button=1):
        subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)
        time.sleep(0.15)
        subprocess.run(["xdotool", "click", str(button)], check=True)
        time.sleep(0.3)

    def key(self, *keys, window=None):
        if window:
            subprocess.run(["xdotool", "windowfocus", "--sync", window], check=False)
        subprocess.run(["xdotool", "key", *keys], check=True)
        time.sleep(0.4)

    def dde(self, url, mode="ddeml-w"):
        """Exit code of a DDE execute from another program (0 accepted, 1 refused)."""
        return subprocess.run([wine(), DDE_CLIENT, mode, "vorn2-tour", "WebGameDDE", url],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60).returncode

    def click_title_row(self, main, right_twips, top_twips, width_twips, height_twips):
        """Clicks a title-row button of the main window, placed from its right edge."""
        x, y, w, h = geometry(main)
        left = w - twips(right_twips)
        self.click(x + left + twips(width_twips) // 2, y + twips(top_twips) + twips(height_twips) // 2)

    def click_close(self, main):
        self.click_title_row(main, 730, 15, 645, 270)

    def click_tool(self, main):
        self.click_title_row(main, 1825, 15, 360, 270)

    def click_other_user(self, main):
        self.click_title_row(main, 4850, 0, 1485, 330)

    def answer_exit_dialog(self, yes):
        dialog = self.window("^" + EXIT_QUESTION + "$")
        x, y, w, h = geometry(dialog)
        left = twips(840 if yes else 2040)
        self.click(x + left + twips(975) // 2, y + twips(1320) + twips(375) // 2)

    def click_menu_item(self, x, y, index):
        """Clicks item `index` (0-based, separator not counted) of the application menu opened at (x, y)."""
        top = y + MENU_BORDER + index * MENU_ITEM_HEIGHT
        if index >= MENU_SEPARATOR_AFTER:
            top += MENU_SEPARATOR_HEIGHT
        self.click(x + 40, top + MENU_ITEM_HEIGHT // 2)

    def window_ids(self, name_regex):
        """Visible windows whose title matches, now."""
        return find_windows(name_regex, timeout=0.2)

    def tray_icon(self):
        """Where Wine's tray window shows our icon."""
        tray = self.window("^Wine System Tray$")
        # Wine's stand-alone tray window may lie under a maximised window.
        subprocess.run(["xdotool", "windowraise", tray], check=False)
        time.sleep(0.2)
        x, y, w, h = geometry(tray)
        return x + 12, y + h - 12

    def wait_exit(self, timeout=20.0):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=10)


def contact_sheet(shots, out):
    """The stage screenshots side by side, labelled."""
    args = ["montage"]
    for label, path in shots:
        args += ["-label", label, path]
    args += ["-tile", "3x", "-geometry", "426x341+6+6", "-pointsize", "14", "-background", "#202020",
             "-fill", "white", out]
    subprocess.run(args, check=True)


def walk(out_dir, announce=print):
    """make tour: every stage with a screenshot; returns the client's exit code."""
    os.makedirs(out_dir, exist_ok=True)
    shots = []

    def shot(name, label):
        path = screenshot(os.path.join(out_dir, name + ".png"))
        shots.append((label, path))
        announce(f"tour: {label}")

    tour = Tour(os.path.join(out_dir, "tour.log"), first_page_ms=2500, click_ms=2500)
    try:
        tour.window("^Form1$")
        time.sleep(0.5)
        shot("01-splash", "1 splash while the login page loads")
        tour.wait_log("complete " + LOGIN_URL)
        time.sleep(0.8)
        shot("02-login", "2 login pair (stand-in login page)")
        tour.wait_log("shown " + GAME_URL)
        main = tour.main_window()
        time.sleep(0.8)
        shot("03-main", "3 main window with the game page")
        news = BASE + "/game/news.php?id=1"
        if tour.dde(news) != 0:
            raise AssertionError("the DDE execute was not accepted")
        tour.wait_log("shown " + news)
        time.sleep(0.5)
        shot("04-dde", "4 a second tab opened by DDE")
        tour.key("F10", window=main)
        if not tour.gone(MAIN_TITLE):
            raise AssertionError("F10 did not hide the main window")
        shot("05-hidden", "5 F10: hidden (tray icon stays)")
        tx, ty = tour.tray_icon()
        tour.click(tx, ty, button=3)
        time.sleep(0.6)
        shot("06-tray-menu", "6 tray icon's menu")
        tour.click_menu_item(tx, ty, 1)  # 隐藏/恢复(F10)
        main = tour.main_window()
        time.sleep(0.5)
        shot("07-restored", "7 shown again from the tray menu")
        tour.click_close(main)
        tour.window("^" + EXIT_QUESTION + "$")
        time.sleep(0.5)
        shot("08-exit-dialog", "8 close: the exit dialog")
        tour.answer_exit_dialog(yes=True)
        code = tour.wait_exit()
        time.sleep(0.3)
        shot("09-end", f"9 yes: the client ended (exit code {code})")
    finally:
        tour.stop()
    contact_sheet(shots, os.path.join(out_dir, "tour.png"))
    return code
