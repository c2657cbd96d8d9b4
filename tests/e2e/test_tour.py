"""The whole run with the tour build (stand-in pages from the devserver): every
stage's windows, sizes and positions, and the exit codes; a second login with
the same game page, the menu's update check, and a DDE execute while the exit
dialog is open."""
import os
import time
import unittest

from e2e_support import geometry, port_free, screen_size, screenshot, start_devserver
from tour import (BASE, DDE_CLIENT, EXIT_QUESTION, GAME_URL, LOGIN_URL, MAIN_TITLE, TOUR, Tour, twips)

LOGS = os.path.join(os.path.dirname(TOUR), "e2e")


@unittest.skipUnless(os.path.exists(TOUR) and os.path.exists(DDE_CLIENT) and os.environ.get("DISPLAY"),
                     "needs the tour build and a display")
class WholeRun(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not port_free(18080):
            raise unittest.SkipTest("port 18080 is taken: the tour build talks to the devserver there")
        cls.devserver = start_devserver()
        os.makedirs(LOGS, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        cls.devserver.terminate()
        cls.devserver.wait(timeout=10)

    def start(self, name, **kwargs):
        tour = Tour(os.path.join(LOGS, name + ".log"), **kwargs)
        self.addCleanup(tour.stop)
        return tour

    def fail_with_shot(self, name, message):
        screenshot(os.path.join(LOGS, name + "-failure.png"))
        self.fail(message)

    def test_splash_login_main_window_dde_f10_tray_and_the_exit_dialogs_yes(self):
        tour = self.start("stages", first_page_ms=2000, click_ms=1000)
        sw, sh = screen_size()
        splash = tour.window("^Form1$")
        x, y, w, h = geometry(splash)
        self.assertEqual((w, h), (356, 122))
        self.assertLessEqual(abs(x - (sw - w) // 2), 1)

        tour.wait_log("complete " + LOGIN_URL)
        self.assertTrue(tour.gone("^Form1$"), "the splash went with the login pair's arrival")
        backgrounds = [b for b in tour.window_ids(MAIN_TITLE) if (geometry(b) or ())[2:] == (1237, 696)]
        self.assertTrue(backgrounds, "the login background, 1237 x 696")
        bx, by, _, _ = geometry(backgrounds[0])
        self.assertLessEqual(abs(bx - (sw - 1237) // 2), 1)

        tour.wait_log("shown " + GAME_URL)
        main = tour.main_window()
        self.assertEqual(geometry(main), (0, 0, sw, sh), "maximised into the work area (the whole screen here)")
        self.assertTrue(tour.gone("^Form1$") and not [b for b in tour.window_ids(MAIN_TITLE)
                                                       if (geometry(b) or ())[2:] == (1237, 696)],
                        "the login pair is gone")

        news = BASE + "/game/news.php?id=2"
        self.assertEqual(tour.dde(news), 0)
        tour.wait_log("shown " + news)
        self.assertEqual(tour.dde("javascript:alert(1)"), 1, "not a web address: refused")
        self.assertEqual(tour.dde(GAME_URL), 0)
        tour.wait_log("shown " + GAME_URL, after=len(tour.log()) - 1)
        self.assertEqual(tour.log().count("navigate " + GAME_URL), 1, "the open page is selected, not loaded again")

        tour.key("F10", window=main)
        self.assertTrue(tour.gone(MAIN_TITLE), "F10 hides the main window")
        tour.key("shift+F10")
        time.sleep(0.5)
        self.assertFalse(tour.window_ids(MAIN_TITLE), "Shift+F10 is not the hot key")
        tx, ty = tour.tray_icon()
        tour.click(tx, ty, button=1)
        main = tour.main_window()  # a left click on the tray icon shows it
        tour.key("F10", window=main)
        self.assertTrue(tour.gone(MAIN_TITLE))
        # The tray icon's menu while the window is hidden: 隐藏/恢复(F10) brings it back.
        tx, ty = tour.tray_icon()
        tour.click(tx, ty, button=3)
        time.sleep(0.5)
        tour.click_menu_item(tx, ty, 1)
        main = tour.main_window()
        # The tray menu closes as the window comes back: a click before then
        # goes to the menu, not to the close button.
        time.sleep(0.5)

        tour.click_close(main)
        dialog = tour.window("^" + EXIT_QUESTION + "$")
        dx, dy, dw, dh = geometry(dialog)
        self.assertEqual((dw, dh), (242, 140))
        self.assertLessEqual(abs(dx - (sw - dw) // 2), 1)
        tour.answer_exit_dialog(yes=True)
        code = tour.wait_exit()
        if code is None:
            self.fail_with_shot("stages", "the client did not end after 是")
        self.assertEqual(code, 0)

    def test_second_login_update_check_and_dde_while_the_exit_dialog_is_open(self):
        tour = self.start("commands", click_ms=600)
        tour.wait_log("shown " + GAME_URL)
        main = tour.main_window()
        self.assertEqual(tour.dde(BASE + "/game/news.php?id=1"), 0)
        tour.wait_log("shown " + BASE + "/game/news.php?id=1")

        # "登录其他帐号": the login pair again; its login with the same game page selects that tab.
        mark = len(tour.log())
        tour.click_other_user(main)
        tour.wait_log("complete " + LOGIN_URL, after=mark)
        tour.wait_log("shown " + GAME_URL, after=mark)
        self.assertEqual(tour.log().count("navigate about:blank"), 2, "no third page window")
        main = tour.main_window()

        # The menu's update check with the published version equal to ours.
        x, y, w, h = geometry(main)
        tour.click_tool(main)
        mx, my = x + w - twips(1825) + twips(360) // 2, y + twips(15) + twips(270) // 2
        tour.click_menu_item(mx, my, 3)  # 更新, the fourth item (the separator comes after 清除缓存)
        box = tour.window("^提示$")
        tour.key("Return", window=box)
        self.assertTrue(tour.gone("^提示$"))

        # While the exit dialog is open, a DDE execute opens its tab at once;
        # the dialog still answers afterwards.
        tour.click_close(main)
        tour.window("^" + EXIT_QUESTION + "$")
        third = BASE + "/guanwang.php?gn=vorn2"
        self.assertEqual(tour.dde(third), 0)
        tour.wait_log("complete " + third)
        tour.answer_exit_dialog(yes=False)
        self.assertTrue(tour.gone("^" + EXIT_QUESTION + "$"))
        self.assertIsNone(tour.process.poll(), "否 keeps the client running")
        tour.click_close(tour.main_window())
        tour.answer_exit_dialog(yes=True)
        self.assertEqual(tour.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
