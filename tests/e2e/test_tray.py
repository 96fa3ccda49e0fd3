"""The tray icon, its menu, the About box and Exit of the real program under Wine."""
import unittest

from harness import AppTestCase, build_version

WM_CLOSE, WM_TRAYNOTIFY, WM_COMMAND, WM_SYSCOMMAND = 0x0010, 0x0401, 0x0111, 0x0112
WM_RBUTTONDOWN, WM_CONTEXTMENU = 0x0204, 0x007B
ID_TRAY_ABOUT, ID_TRAY_EXIT, IDOK = 32774, 32775, 1
VK_DOWN, VK_UP, VK_RETURN = 0x28, 0x26, 0x0D
ABOUT = "About Zolvan Backup Utility"


class TrayTest(AppTestCase):
    def post(self, app, message, wparam, lparam=0):
        self.assertEqual(app.probe("post", hex(message), str(wparam), hex(lparam)), ["1"])

    def about_box(self, app):
        """The About box's children as (id, class, text), or None when it is not open."""
        out = app.probe("select", ABOUT, "children")
        if out[0] != "1":
            return None
        rows = [line.split(" ") for line in out[1:-1]]
        return [(int(r[0]), r[1], bytes.fromhex(r[2]) if len(r) > 2 else b"") for r in rows]

    def close_about_box(self, app):
        self.assertEqual(app.probe("select", ABOUT, "post", hex(WM_COMMAND), str(IDOK), "0"), ["1", "1"])
        app.wait_until(lambda: self.about_box(app) is None, what="the About box to close")

    def open_menu(self, app, x, y, mouse=WM_RBUTTONDOWN):
        app.probe("cursor", str(x), str(y))
        self.post(app, WM_TRAYNOTIFY, 1, mouse)
        app.wait_until(lambda: app.probe("menu")[0].startswith("1"), what="the tray menu")
        return [int(v) for v in app.probe("menu")[0].split()[1:]]

    def test_icon_is_in_the_tray_after_start(self):
        app = self.launch()
        app.wait_until(lambda: app.probe("tray") == ["1"], what="the tray icon")
        app.screenshot("tray-icon")

    def test_right_button_opens_menu_at_cursor_with_about_then_exit(self):
        app = self.launch()
        left, top, right, bottom = self.open_menu(app, 300, 500)
        self.assertEqual((left, bottom), (300, 500), "left edge at the cursor's x, bottom edge at its y")
        app.screenshot("tray-menu")
        # First item: About.
        app.probe("menukey", hex(VK_DOWN), "menukey", hex(VK_RETURN))
        app.wait_until(lambda: self.about_box(app) is not None, what="the About box")
        self.close_about_box(app)
        # Last item (after the separator): Exit.
        self.open_menu(app, 400, 600, mouse=WM_CONTEXTMENU)
        app.probe("menukey", hex(VK_UP), "menukey", hex(VK_RETURN))
        app.wait_until(app.ended, what="the program to end")

    def test_left_clicks_and_other_icons_open_nothing(self):
        app = self.launch()
        for wparam, mouse in ((1, 0x0201), (1, 0x0202), (1, 0x0203), (1, 0x0205), (2, WM_RBUTTONDOWN)):
            self.post(app, WM_TRAYNOTIFY, wparam, mouse)
        app.probe("sleep", "700")
        self.assertEqual(app.probe("menu"), ["0"])
        self.assertIsNone(self.about_box(app))
        self.assertTrue(app.alive())

    def test_about_command_and_system_command_open_the_about_box(self):
        app = self.launch()
        for message, wparam in ((WM_COMMAND, ID_TRAY_ABOUT), (WM_SYSCOMMAND, 0x0010), (WM_SYSCOMMAND, 0x0013)):
            with self.subTest(message=hex(message), wparam=hex(wparam)):
                self.post(app, message, wparam)
                app.wait_until(lambda: self.about_box(app) is not None, what="the About box")
                children = self.about_box(app)
                texts = [text for _, _, text in children]
                self.assertIn(b"Zolvan Backup Utility v" + build_version().encode(), texts)
                self.assertIn((IDOK, "Button", b"OK"), children)
                if wparam == ID_TRAY_ABOUT:
                    app.screenshot("about-box")
                self.close_about_box(app)
        self.assertTrue(app.alive())

    def test_exit_removes_icon_and_ends_process(self):
        app = self.launch(trace_tray=True)
        app.wait_until(lambda: app.probe("tray") == ["1"], what="the tray icon")
        self.post(app, WM_COMMAND, ID_TRAY_EXIT)
        app.wait_until(app.ended, what="the program to end")
        self.assertEqual(app.probe("exists"), ["0"])
        self.assertTrue(app.tray_icon_deleted(), "the program ended without removing its tray icon")
        app.screenshot("after-exit")

    def test_close_message_is_exit_and_leaves_no_icon_behind(self):
        # What an installer or taskkill without /f sends.
        app = self.launch(trace_tray=True)
        app.wait_until(lambda: app.probe("tray") == ["1"], what="the tray icon")
        self.post(app, WM_CLOSE, 0)
        app.wait_until(app.ended, what="the program to end")
        self.assertTrue(app.tray_icon_deleted(), "the program ended without removing its tray icon")

    def test_taskbar_created_adds_the_icon_again(self):
        app = self.launch()
        app.wait_until(lambda: app.probe("tray") == ["1"], what="the tray icon")
        self.assertEqual(app.probe("traydelete", "tray"), ["1", "0"])
        app.probe("taskbarcreated")
        self.assertEqual(app.probe("tray"), ["1"])


if __name__ == "__main__":
    unittest.main()
