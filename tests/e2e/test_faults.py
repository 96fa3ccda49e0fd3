"""Faults the program meets in use, with the real program under Wine: a target disk it cannot
write, a source disk that goes away during a copy, a library that fails every call, a burst of
device changes, a device change during a copy. In every case the program keeps running, the
source is unchanged, nothing is written on the target but USB_Backup, the user is told how the
backup ended, and once the fault is cleared the next press makes a complete copy."""
import os
import subprocess
import unittest

from harness import (DBT_DEVICEARRIVAL, IDC_COUNT, IDC_STATUS, AppTestCase, bridge_disk,
                     front_port_disk, snapshot)

SHORT = "0 1"
ENCLOSURE = bridge_disk("E") + front_port_disk("G")


class FaultTest(AppTestCase):
    def setUp(self):
        self.make_disks("faults", photos=True)
        self.addCleanup(self.assert_unharmed)

    def assert_unharmed(self):
        self.assertEqual(set(os.listdir(self.target)) - {"USB_Backup"}, set(),
                         "something was written on the target disk beside USB_Backup")

    def start(self, enclosure=ENCLOSURE, trace_tray=False):
        self.app = self.launch(enclosure=enclosure, drives={"E": self.target, "G": self.front}, trace_tray=trace_tray)
        self.presses = 0
        return self.app

    def push(self):
        """A short press of the button; the program reads it on its next ticks."""
        self.app.write_enclosure(bridge_disk("E", buttons=SHORT) + front_port_disk("G"))
        self.presses += 1

    def wait_counted(self):
        """Until the last short press is counted: its copy and pass have ended."""
        self.app.wait_until(lambda: self.app.text(IDC_COUNT) == str(self.presses).encode(), timeout=120,
                            what="short press %d to be counted" % self.presses)

    def press(self):
        self.push()
        self.wait_counted()

    def copy_started(self):
        self.push()
        self.app.wait_until(lambda: os.path.isdir(os.path.join(self.target, "USB_Backup")), what="the copy to start")

    def wait_for_balloon(self, text):
        self.app.wait_until(lambda: self.app.balloon() == text, what="the balloon %r" % text)

    def assert_complete_copy_on_next_press(self):
        self.press()
        self.assertEqual(snapshot(os.path.join(self.target, "USB_Backup")), self.before)
        # Where the copy before was already complete, this press finds nothing to copy.
        done = ("Backup of (G:) to (E:) finished.", "Backup of (G:) to (E:) finished: nothing had changed.")
        self.app.wait_until(lambda: self.app.balloon() in done, what="a balloon of %s" % (done,))
        self.assertTrue(self.app.alive())

    def test_target_disk_that_cannot_be_written(self):
        app = self.start()
        # Not even root may write in an immutable folder.
        subprocess.run(["chattr", "+i", self.target], check=True)
        self.addCleanup(subprocess.run, ["chattr", "-i", self.target], check=False)
        self.press()
        files = sum(1 for digest in self.before.values() if digest is not None)
        # Wine's shell answers a copy into a folder it cannot make with ERROR_CANCELLED, as if the
        # user had cancelled: the program then checks, copies nothing more, and tells.
        self.wait_for_balloon("Backup of (G:) to (E:) was cancelled: %d files were not copied." % files)
        app.screenshot("target-unwritable")
        self.assertTrue(app.alive())
        subprocess.run(["chattr", "-i", self.target], check=True)
        self.assert_complete_copy_on_next_press()

    def test_source_disk_that_goes_away_during_a_copy(self):
        app = self.start()
        self.copy_started()
        os.remove(os.path.join(app.prefix, "dosdevices", "g:"))
        self.wait_counted()
        self.wait_for_balloon("Backup of (G:) to (E:) failed.")
        self.assertTrue(app.alive())
        app.map_drive("G", self.front)
        app.device_change(DBT_DEVICEARRIVAL)
        self.assert_complete_copy_on_next_press()

    def test_target_disk_that_goes_away_during_a_copy(self):
        app = self.start()
        self.copy_started()
        os.remove(os.path.join(app.prefix, "dosdevices", "e:"))
        self.wait_counted()
        app.wait_until(lambda: (app.balloon() or "").startswith("Backup of (G:) to (E:) "),
                       what="a balloon telling how the backup ended")
        self.assertNotEqual(app.balloon(), "Backup of (G:) to (E:) finished.")
        app.screenshot("target-gone-balloon")
        self.assertTrue(app.alive())
        app.map_drive("E", self.target)
        app.device_change(DBT_DEVICEARRIVAL)
        self.assert_complete_copy_on_next_press()

    def test_library_that_fails_every_call(self):
        app = self.start(enclosure="failing\n" + ENCLOSURE)
        self.assertEqual(app.text(IDC_STATUS), b"Zolvan Backup Utility -- Device not found!")
        app.device_change(DBT_DEVICEARRIVAL)
        self.assertTrue(app.alive())
        app.write_enclosure(ENCLOSURE)
        app.device_change(DBT_DEVICEARRIVAL)
        self.assertEqual(app.text(IDC_STATUS), b"Device found!")
        self.assert_complete_copy_on_next_press()

    def test_burst_of_200_device_changes(self):
        app = self.start()
        before = app.library_calls().count("GetDriveList")
        app.device_change(DBT_DEVICEARRIVAL, times=200)
        self.assertEqual(app.library_calls().count("GetDriveList"), before + 200)
        self.assertTrue(app.alive())
        self.assert_complete_copy_on_next_press()

    def test_close_message_during_a_copy_ends_the_program_after_it_with_no_icon_left(self):
        app = self.start(trace_tray=True)
        self.copy_started()
        self.assertEqual(app.probe("post", "0x10", "0", "0"), ["1"])  # WM_CLOSE
        app.wait_until(app.ended, timeout=120, what="the program to end")
        self.assertTrue(app.tray_icon_deleted(), "the program ended without removing its tray icon")

    def test_device_change_during_a_copy(self):
        app = self.start()
        before = app.library_calls().count("GetDriveList")
        self.copy_started()
        # Handled once the copy and its pass have ended.
        app.device_change(DBT_DEVICEARRIVAL)
        self.wait_counted()
        self.assertEqual(app.library_calls().count("GetDriveList"), before + 1)
        self.assertEqual(snapshot(os.path.join(self.target, "USB_Backup")), self.before)
        self.wait_for_balloon("Backup of (G:) to (E:) finished.")
        self.assert_complete_copy_on_next_press()


if __name__ == "__main__":
    unittest.main()
