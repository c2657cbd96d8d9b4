"""The demo client from the outside: the splash, the /web switch, and what
`make run` shows and `make open` adds where Wine has no HTML engine."""
import os
import re
import subprocess
import time
import unittest

from e2e_support import (BUILD, CLIENT, ROOT, find_windows, geometry, pixel, screen_size, screenshot, start_client,
                         start_devserver, stop, visible_window_names)

STANDIN = os.path.join(BUILD, "src", "app", "vorn2-standin.exe")
MAIN_TITLE = "^Vornhold 2客户端$"


@unittest.skipUnless(os.path.exists(CLIENT) and os.environ.get("DISPLAY"), "needs the windows build and a display")
class Splash(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.devserver = start_devserver()

    @classmethod
    def tearDownClass(cls):
        if cls.devserver:
            cls.devserver.terminate()
            cls.devserver.wait(timeout=10)

    def test_splash_appears_centred_at_the_pictures_size_with_see_through_corners(self):
        client = start_client()
        try:
            windows = find_windows("^Form1$")
            if not windows:
                screenshot(os.path.join(BUILD, "e2e-failure.png"))
            self.assertTrue(windows, f"the splash window never appeared; windows shown: {visible_window_names()}, "
                                     f"client exit code {client.poll()}")
            time.sleep(0.5)
            x, y, w, h = geometry(windows[0])
            self.assertEqual((w, h), (356, 122))
            sw, sh = screen_size()
            self.assertLessEqual(abs(x - (sw - w) // 2), 1)
            self.assertLessEqual(abs(y - (sh - h) // 2), 1)
            shot = screenshot(os.path.join(BUILD, "e2e-splash.png"))
            # Corners are fully transparent: the empty (black) root shows through.
            self.assertEqual(pixel(shot, x + 1, y + 1), (0, 0, 0))
            # The middle is the picture.
            self.assertNotEqual(pixel(shot, x + w // 2, y + h // 2), (0, 0, 0))
            self.assertIsNone(client.poll(), "the client is still running while the login page loads")
        finally:
            stop(client)

    def test_web_switch_ends_without_a_splash(self):
        client = start_client("/web")
        try:
            client.wait(timeout=30)
        except Exception:
            stop(client)
            self.fail("vorn2.exe /web did not end")
        self.assertEqual(client.returncode, 0)
        self.assertEqual(find_windows("^Form1$", timeout=0.5), [])

    def test_switch_in_capitals_starts_normally(self):
        client = start_client("/WEB")
        try:
            self.assertTrue(find_windows("^Form1$"), "no splash for /WEB")
            self.assertIsNone(client.poll())
        finally:
            stop(client)


def changed_pixels(a, b, box):
    """Pixels that differ between two screenshots inside box (x, y, w, h)."""
    geometry_ = "%dx%d+%d+%d" % (box[2], box[3], box[0], box[1])
    out = subprocess.run(["compare", "-metric", "AE", "(", a, "-crop", geometry_, ")", "(", b, "-crop", geometry_, ")",
                          "null:"], capture_output=True, text=True).stderr
    return int(float(out.split()[0]))


@unittest.skipUnless(os.path.exists(STANDIN), "needs the windows build")
class MakeRun(unittest.TestCase):
    """`make run` without a display: the stand-in build on its own Xvfb and
    Wine prefix, the game window after the one automatic click, its picture in
    build/run.png; `make open` meanwhile adds a tab by DDE."""

    def test_without_a_display_the_game_window_is_saved_and_make_open_adds_a_tab(self):
        state = os.path.join(BUILD, "run.env")
        shot = os.path.join(ROOT, "build", "run.png")
        for path in (state, shot):
            if os.path.exists(path):
                os.remove(path)
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WINEPREFIX", "WINE")}
        env.update(RUN_SECONDS="30", VORN2_WINE_ENV="e2e-run", VORN2_RUN_PAGES="standin")
        run = subprocess.Popen(["scripts/run.sh"], cwd=ROOT, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True)
        # SIGTERM: make run's own clean-up stops its Xvfb, devserver and client.
        self.addCleanup(lambda: run.poll() is None and (run.terminate(), run.communicate(timeout=60)))
        end = time.time() + 180
        while time.time() < end and not os.path.exists(state) and run.poll() is None:
            time.sleep(0.2)
        self.assertTrue(os.path.exists(state), "make run never started the client")
        with open(state) as f:
            display = re.search(r"^DISPLAY=(\S+)$", f.read(), re.M).group(1)
        saved = os.environ.get("DISPLAY")
        os.environ["DISPLAY"] = display  # the helpers below look at the run's own screen
        try:
            mains, end = [], time.time() + 30
            while not mains and time.time() < end:  # the login pair first, then the game window
                # A login window may close between the search and the look at it.
                mains = [w for w in find_windows(MAIN_TITLE, timeout=1) if (geometry(w) or (0, 0, 1237))[2] != 1237]
                time.sleep(0.3)
            self.assertTrue(mains, f"no game window; windows shown: {visible_window_names()}")
            self.assertEqual(geometry(mains[0]), (0, 0) + screen_size(), "maximised, in the window list")
            before = screenshot()
            news = "http://127.0.0.1:18080/game/news.php?id=1"
            opened = subprocess.run(["make", "-s", "open", "URL=" + news], cwd=ROOT, capture_output=True, text=True,
                                    timeout=60)
            self.assertEqual(opened.returncode, 0, opened.stdout + opened.stderr)
            self.assertIn("took " + news, opened.stdout)
            time.sleep(2)
            after = screenshot()
            # Right of the first tab the strip was bare title bar; now a second tab is drawn there.
            self.assertGreater(changed_pixels(before, after, (430, 4, 170, 22)), 500)
        finally:
            if saved is None:
                del os.environ["DISPLAY"]
            else:
                os.environ["DISPLAY"] = saved
        output, _ = run.communicate(timeout=120)
        self.assertEqual(run.returncode, 0, output)
        self.assertIn("pages: drawn by a plain stand-in, because no HTML engine is installed", output)
        self.assertIn("the login page's start link is followed once", output)
        self.assertTrue(os.path.exists(shot), output)
        self.assertFalse(os.path.exists(state), "make run cleans up after itself")
        # The title bar's skin, as the artwork has it: row 10 is one colour across.
        skin = pixel(os.path.join(ROOT, "resources", "title_skin.bmp"), 47, 10)
        self.assertEqual(pixel(shot, 800, 10), skin)


if __name__ == "__main__":
    unittest.main()
