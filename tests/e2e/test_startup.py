"""The demo client from the outside: the splash, and the /web switch."""
import os
import time
import unittest

from e2e_support import (BUILD, CLIENT, find_windows, geometry, pixel, screen_size, screenshot, start_client,
                         start_devserver, stop, visible_window_names)


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


if __name__ == "__main__":
    unittest.main()
