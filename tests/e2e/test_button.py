"""The enclosure's button, read through the simulated JMUsbDll.dll by the real program under
Wine: a short press copies the front-port disk, a long press hands a disk to RemoveDrive.exe."""
import os
import shutil
import socket
import tempfile
import time
import unittest

from harness import (BUILD, DBT_DEVICEARRIVAL, IDC_COUNT, IDC_LOG, IDC_LONG_COUNT, AppTestCase, WriteCounter,
                     bridge_disk, front_port_disk, snapshot)

SHORT = "0 1"
LONG = " ".join(["0"] * 10 + ["1"])
WM_TRAYNOTIFY, WM_COMMAND, NIN_BALLOONUSERCLICK, IDOK = 0x0401, 0x0111, 0x0405, 1
MESSAGE_BOX = "Zolvan Backup Utility"


class ButtonTest(AppTestCase):
    def setUp(self):
        self.make_disks("button")

    def start(self, front_port=True, **kwargs):
        enclosure = bridge_disk("E") + (front_port_disk("G") if front_port else "")
        app = self.launch(enclosure=enclosure, drives={"E": self.target, "G": self.front}, **kwargs)
        app.front_port = front_port
        return app

    def press(self, app, levels):
        """The button reads these levels from the next poll tick on."""
        app.write_enclosure(bridge_disk("E", buttons=levels) + (front_port_disk("G") if app.front_port else ""))

    def wait_for_balloon(self, app, text, label):
        app.wait_until(lambda: app.balloon() == text, what="the balloon %r" % text)
        app.screenshot(label)

    def assert_polling(self, app, going_on):
        if going_on:
            before = app.button_reads()
            app.wait_until(lambda: app.button_reads() > before + 2, what="the button to be read again")
        else:
            self.assertTrue(app.poll_stopped(), "the button is still read")

    def test_short_press_copies_the_front_port_disk_into_the_pressed_disk(self):
        app = self.start()
        self.press(app, SHORT)
        app.wait_until(lambda: app.text(IDC_COUNT) == b"1", timeout=60, what="the short press to be counted")
        self.assertTrue(app.text(IDC_LOG).endswith(b"\r\nRun Copy from <<G>> to <<E>> \r\n"))
        self.assertEqual(snapshot(os.path.join(self.target, "USB_Backup")), self.before)
        self.assertEqual(app.text(IDC_LONG_COUNT), b"0")
        self.wait_for_balloon(app, "Backup of (G:) to (E:) finished.", "backup-finished-balloon")
        self.assert_polling(app, True)

    def test_short_press_copies_what_the_shell_left_behind_and_names_what_cannot_be_copied(self):
        # A file deeper than the shell's copy reaches, and a socket nothing can copy.
        deep = os.path.join(*["folder %02d with a rather long name to go deep" % n for n in range(9)])
        os.makedirs(os.path.join(self.front, deep))
        with open(os.path.join(self.front, deep, "deep.bin"), "wb") as f:
            f.write(os.urandom(70_000))
        self.assertGreater(len("G:\\" + deep + "\\deep.bin"), 260)
        sock = socket.socket(socket.AF_UNIX)
        self.addCleanup(sock.close)
        sock.bind(os.path.join(self.front, "the.socket"))
        self.before = snapshot(self.front)
        app = self.start()
        self.press(app, SHORT)
        app.wait_until(lambda: app.text(IDC_COUNT) == b"1", timeout=60, what="the short press to be counted")
        backup = snapshot(os.path.join(self.target, "USB_Backup"))
        self.assertEqual(set(backup) - set(self.before), set())
        self.assertEqual(set(self.before) - set(backup), set())
        self.assertEqual(backup, self.before)
        self.assertTrue(app.text(IDC_LOG).endswith(b"\r\nRun Copy from <<G>> to <<E>> \r\n"
                                                   b"\r\nNot copied: G:\\the.socket \r\n"))
        self.wait_for_balloon(app, "Backup of (G:) to (E:) finished, but 1 file was not copied.",
                              "backup-incomplete-balloon")
        # A click on the balloon names the file in a message box.
        app.probe("post", hex(WM_TRAYNOTIFY), "1", hex(NIN_BALLOONUSERCLICK))
        app.wait_until(lambda: app.probe("select", MESSAGE_BOX)[0] == "1", what="the message box")
        texts = [bytes.fromhex(line.split(" ")[2]) for line in app.probe("select", MESSAGE_BOX, "children")[1:-1]
                 if len(line.split(" ")) == 3]
        self.assertIn(b"These files of (G:) were not copied to (E:):\n\nG:\\the.socket", texts)
        app.screenshot("not-copied-message-box")
        app.probe("select", MESSAGE_BOX, "post", hex(WM_COMMAND), str(IDOK), "0")
        app.wait_until(lambda: app.probe("select", MESSAGE_BOX)[0] == "0", what="the message box to close")
        self.assertTrue(app.alive())

    def test_short_press_leaves_the_systems_own_folders_out_and_writes_each_file_once(self):
        # Windows keeps both at every root it mounts, hidden and system; on NTFS a user cannot read
        # System Volume Information. Root reads every file here, but nothing copies a socket.
        hidden_system = {}
        for folder, files in (("System Volume Information", ["tracking.log"]),
                              ("$RECYCLE.BIN", ["S-1-5-21/desktop.ini", "S-1-5-21/$RABC123.txt"])):
            for name in files:
                path = os.path.join(self.front, folder, name)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "wb") as f:
                    f.write(b"the system's own")
            os.setxattr(os.path.join(self.front, folder), "user.DOSATTRIB", b"0x6")
            hidden_system[folder] = True
        sock = socket.socket(socket.AF_UNIX)
        self.addCleanup(sock.close)
        sock.bind(os.path.join(self.front, "System Volume Information", "unreadable"))
        self.before = snapshot(self.front)
        backup = os.path.join(self.target, "USB_Backup")
        os.makedirs(backup)
        writes = WriteCounter(backup)
        self.addCleanup(writes.stop)
        app = self.start()
        self.press(app, SHORT)
        app.wait_until(lambda: app.text(IDC_COUNT) == b"1", timeout=60, what="the short press to be counted")
        self.wait_for_balloon(app, "Backup of (G:) to (E:) finished.", "system-folders-balloon")
        written = writes.stop()
        self.assertEqual(snapshot(backup), {path: digest for path, digest in self.before.items()
                                            if path.split(os.sep)[0] not in hidden_system})
        # Files at the root are watched from the start; below, a folder's watch may come after
        # its first file, so those are counted at most.
        self.assertEqual({name: written.get(name, 0) for name in ("a.txt", "big.bin", "zero.bin")},
                         {"a.txt": 1, "big.bin": 1, "zero.bin": 1})
        self.assertEqual({path: n for path, n in written.items() if n > 1}, {}, "files written twice")

    def test_long_press_removes_the_front_port_disk_and_polling_waits_for_a_device_change(self):
        app = self.start()
        self.press(app, LONG)
        app.wait_until(lambda: app.text(IDC_LONG_COUNT) == b"1", what="the long press to be counted")
        app.wait_until(lambda: app.removals() == ["RemoveDrive.exe G: -l"], what="the removal tool to run")
        self.wait_for_balloon(app, "(G:) can now be removed.", "removal-balloon")
        self.assert_polling(app, False)
        self.assertEqual(app.text(IDC_COUNT), b"0")
        self.assertFalse(os.path.exists(os.path.join(self.target, "USB_Backup")))
        app.device_change(DBT_DEVICEARRIVAL)
        self.assert_polling(app, True)

    def test_long_press_without_front_port_disk_removes_the_pressed_disk(self):
        app = self.start(front_port=False)
        self.press(app, LONG)
        app.wait_until(lambda: app.removals() == ["RemoveDrive.exe E: -l"], what="the removal tool to run")
        self.wait_for_balloon(app, "(E:) can now be removed.", "removal-of-pressed-disk-balloon")

    def test_removal_that_fails_says_so_and_polling_goes_on(self):
        app = self.start()
        with open(os.path.join(app.app_dir, "exitcode.txt"), "w") as f:
            f.write("1")
        self.press(app, LONG)
        self.wait_for_balloon(app, "(G:) could not be prepared for removal.", "removal-failed-balloon")
        self.assertEqual(app.removals(), ["RemoveDrive.exe G: -l"])
        self.assert_polling(app, True)

    def test_disk_being_removed_is_neither_copied_nor_handed_to_a_second_tool(self):
        app = self.start()
        with open(os.path.join(app.app_dir, "wait.txt"), "w") as f:
            f.write("25000")  # the tool takes its time
        self.press(app, LONG)
        app.wait_until(lambda: app.removals() == ["RemoveDrive.exe G: -l"], what="the removal tool to run")
        app.device_change(DBT_DEVICEARRIVAL)  # a phone is plugged in meanwhile: G is listed again
        self.press(app, SHORT)
        app.wait_until(lambda: app.text(IDC_COUNT) == b"1", what="the short press to be counted")
        self.wait_for_balloon(app, "Backup of (G:) to (E:) was skipped: (G:) is being removed.", "skip-balloon")
        self.assertFalse(os.path.exists(os.path.join(self.target, "USB_Backup")))
        self.press(app, LONG)
        app.wait_until(lambda: app.text(IDC_LONG_COUNT) == b"2", what="the second long press to be counted")
        app.wait_until(lambda: app.balloon() == "(G:) can now be removed.", timeout=45,
                       what="the removal balloon once the tool has ended")
        # A second tool would have been started with the second press, seconds before the first ended.
        self.assertEqual(app.removals(), ["RemoveDrive.exe G: -l"], "a second tool was started")

    def test_removal_tool_that_never_ends_fails_after_a_minute_and_polling_resumes(self):
        app = self.start()
        with open(os.path.join(app.app_dir, "wait.txt"), "w") as f:
            f.write("-1")
        self.press(app, LONG)
        app.wait_until(lambda: app.removals() == ["RemoveDrive.exe G: -l"], what="the removal tool to run")
        self.assert_polling(app, False)
        app.wait_until(lambda: app.balloon() == "(G:) could not be prepared for removal.", timeout=75,
                       what="the failure balloon after a minute")
        app.screenshot("removal-timed-out-balloon")
        self.assert_polling(app, True)

    def test_source_folder_1400_levels_deep_is_copied(self):
        # About as deep as the host's 4,096-byte path limit lets the target's copy go.
        deep = self.front
        for _ in range(1400):  # os.makedirs would recurse once a level
            deep = os.path.join(deep, "d")
            os.mkdir(deep)
        with open(os.path.join(deep, "bottom.txt"), "wb") as f:
            f.write(b"the bottom\r\n")
        self.before = snapshot(self.front)
        app = self.start()
        self.press(app, SHORT)
        # Under Wine the shell's copy handles no messages while it runs: the program cannot be
        # asked anything until the copy is in place.
        bottom = os.path.join(self.target, "USB_Backup", os.path.relpath(deep, self.front), "bottom.txt")
        deadline = time.monotonic() + 300
        while not os.path.exists(bottom) and time.monotonic() < deadline:
            time.sleep(1)
        app.wait_until(lambda: app.text(IDC_COUNT) == b"1", timeout=120, what="the short press to be counted")
        self.assertEqual(snapshot(os.path.join(self.target, "USB_Backup")), self.before)
        self.wait_for_balloon(app, "Backup of (G:) to (E:) finished.", "deep-tree-balloon")
        self.assertTrue(app.alive())

    def test_removal_tool_in_the_working_folder_is_never_started(self):
        planted = tempfile.mkdtemp(prefix="zolvan-cwd-")
        self.addCleanup(shutil.rmtree, planted)
        shutil.copy(os.path.join(BUILD, "sim", "RemoveDrive.exe"), planted)
        app = self.start(remove_drive=False, cwd=planted)
        self.press(app, LONG)
        self.wait_for_balloon(app, "(G:) could not be prepared for removal.", "removal-tool-missing-balloon")
        self.assertFalse(os.path.exists(os.path.join(planted, "removals.txt")))


if __name__ == "__main__":
    unittest.main()
