"""Start-up, hiding, library binding and device changes of the real program under Wine."""
import os
import shutil
import tempfile
import unittest

from harness import (BUILD, DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE, IDC_COUNT, IDC_LOG, IDC_LONG_COUNT,
                     IDC_STATUS, AppTestCase)

GROUP_MESSAGES = {
    1: b"\r\n JM33x DLL APIs function pointers get fail! \r\n",
    2: b"\r\n Get Hub Instance ID DLL APIs function pointers get fail! \r\n",
    3: b"\r\n JM33x  DLL APIs Safe Remove function pointers get fail! \r\n",
    4: b"\r\n JM336 DLL APIs function pointers get fail! \r\n",
    5: b"\r\n JM335 Ver. C DLL APIs function pointers get fail!\r\n ",
}


class StartupTest(AppTestCase):
    def test_hides_after_first_paint_and_keeps_running(self):
        app = self.launch()
        app.wait_until(lambda: not app.visible(), what="the main window to hide")
        self.assertTrue(app.alive())
        # The template's "Static" gave way to discovery's status; both counters read 0.
        self.assertEqual(app.text(IDC_STATUS), b"Zolvan Backup Utility -- Device not found!")
        self.assertEqual(app.text(IDC_COUNT), b"0")
        self.assertEqual(app.text(IDC_LONG_COUNT), b"0")
        app.screenshot("hidden")

    def test_complete_library_shows_nothing(self):
        app = self.launch(library="full")
        self.assertEqual(app.text(IDC_LOG), b"")

    def test_no_library_reports_load_failure(self):
        app = self.launch(library=None)
        self.assertEqual(app.text(IDC_LOG), b"DLL file loading fail!")
        self.assertTrue(app.alive())

    def test_library_lacking_a_group_reports_that_group(self):
        for group, message in GROUP_MESSAGES.items():
            with self.subTest(group=group):
                app = self.launch(library="lacking-group-%d" % group)
                self.assertEqual(app.text(IDC_LOG), message)
                app.stop()

    def test_library_in_working_folder_is_never_loaded(self):
        planted = tempfile.mkdtemp(prefix="zolvan-cwd-")
        self.addCleanup(shutil.rmtree, planted)
        shutil.copy(os.path.join(BUILD, "sim", "full", "JMUsbDll.dll"), planted)
        app = self.launch(library=None, cwd=planted)
        self.assertEqual(app.text(IDC_LOG), b"DLL file loading fail!")

    def test_arrival_and_removal_rerun_discovery_and_other_codes_do_not(self):
        app = self.launch()
        for code, rediscovers in ((DBT_DEVICEARRIVAL, True), (DBT_DEVICEREMOVECOMPLETE, True), (0x8001, False),
                                  (0x8003, False), (0x0007, False), (0x0018, False)):
            with self.subTest(code=hex(code)):
                before = app.library_calls().count("GetDriveList")
                app.device_change(code)
                self.assertEqual(app.library_calls().count("GetDriveList"), before + rediscovers)
                self.assertTrue(app.alive())
        self.assertFalse(app.visible())


if __name__ == "__main__":
    unittest.main()
