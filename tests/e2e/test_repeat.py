"""Repeat presses with the real program under Wine: a press into a USB_Backup that already holds
the disk rewrites exactly what changed, a press with nothing changed rewrites nothing, and a
backup that cannot fit on its target is not started."""
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

from harness import IDC_COUNT, AppTestCase, add_photos, bridge_disk, front_port_disk, make_tree, snapshot

SHORT = "0 1"


def identities(root):
    """Each file below root by (inode, change time): a file rewritten in any way gets a new one."""
    found = {}
    for folder, _, files in os.walk(root):
        for name in files:
            st = os.stat(os.path.join(folder, name))
            found[os.path.relpath(os.path.join(folder, name), root)] = (st.st_ino, st.st_ctime_ns)
    return found


class RepeatTest(AppTestCase):
    def setUp(self):
        self.host = tempfile.mkdtemp(prefix="zolvan-repeat-")
        self.addCleanup(shutil.rmtree, self.host)
        self.front = os.path.join(self.host, "front port disk")
        make_tree(self.front)
        self.presses = 0

    def start(self, target):
        self.target = target
        self.backup = os.path.join(target, "USB_Backup")
        self.app = self.launch(enclosure=bridge_disk("E") + front_port_disk("G"), drives={"E": target, "G": self.front})

    def press(self, balloon):
        """A short press; waits until it is counted and the balloon says `balloon` (a pattern)."""
        self.presses += 1
        self.app.write_enclosure(bridge_disk("E", buttons=SHORT) + front_port_disk("G"))
        self.app.wait_until(lambda: self.app.text(IDC_COUNT) == str(self.presses).encode(), timeout=120,
                            what="short press %d to be counted" % self.presses)
        self.app.wait_until(lambda: re.fullmatch(balloon, self.app.balloon() or ""), what="the balloon %r" % balloon)
        self.app.screenshot("press-%d" % self.presses)

    def test_repeat_press_rewrites_only_what_changed(self):
        target = os.path.join(self.host, "enclosure disk")
        os.makedirs(target)
        self.start(target)
        self.press(re.escape("Backup of (G:) to (E:) finished."))
        self.assertEqual(snapshot(self.backup), snapshot(self.front))
        before = identities(self.backup)

        time.sleep(1.1)  # change times to tell apart
        with open(os.path.join(self.front, "notes with blanks.txt"), "ab") as f:
            f.write(b"three\r\n")  # changed
        with open(os.path.join(self.front, "Photos", "added.bin"), "wb") as f:
            f.write(b"new photo")  # added
        touched = os.path.join(self.front, "docs", "deep", "x", "y.txt")
        os.utime(touched, (time.time() - 3600, time.time() - 3600))  # only touched, to an older time
        self.press(re.escape("Backup of (G:) to (E:) finished."))
        self.assertEqual(snapshot(self.backup), snapshot(self.front))
        after = identities(self.backup)
        rewritten = {path for path in after if before.get(path) != after[path]}
        self.assertEqual(rewritten, {"notes with blanks.txt", os.path.join("Photos", "added.bin"),
                                     os.path.join("docs", "deep", "x", "y.txt")})

        self.press(re.escape("Backup of (G:) to (E:) finished: nothing had changed."))
        self.assertEqual(identities(self.backup), after, "a file was rewritten though nothing had changed")

    def test_each_volume_of_the_front_port_disk_keeps_a_backup_of_its_own(self):
        # Two partitions of the disk in the front port, the same path in each with other contents.
        # Wine takes a volume's label and serial number from these files at its root.
        volumes = {"G": ("DATA", "5e6f7081", "DATA (5E6F-7081)"), "H": ("", "0a0b0c0d", "Volume (0A0B-0C0D)")}
        roots = {}
        for letter, (label, serial, _) in volumes.items():
            roots[letter] = os.path.join(self.host, "volume " + letter)
            os.makedirs(os.path.join(roots[letter], "Docs"))
            with open(os.path.join(roots[letter], "Docs", "plan.doc"), "wb") as f:
                f.write(("the plan on %s\r\n" % letter).encode() * (10 if letter == "G" else 20))
            for name, value in ((".windows-label", label), (".windows-serial", serial)):
                if value:
                    with open(os.path.join(roots[letter], name), "w") as f:
                        f.write(value + "\n")
        # Many photos on H: its copy outlasts the 2 s in which Wine would still replace G's balloon
        # by H's before showing it.
        add_photos(os.path.join(roots["H"], "Photos"))
        target = os.path.join(self.host, "enclosure disk")
        os.makedirs(target)
        self.target = target
        enclosure = bridge_disk("E") + front_port_disk("G") + front_port_disk("H")
        self.app = self.launch(enclosure=enclosure, drives={"E": target, "G": roots["G"], "H": roots["H"]})

        def press():
            balloons = self.app.balloons_from_now(2)
            self.presses += 1
            self.app.write_enclosure(bridge_disk("E", buttons=SHORT) + front_port_disk("G") + front_port_disk("H"))
            self.app.wait_until(lambda: self.app.text(IDC_COUNT) == str(self.presses).encode(), timeout=180,
                                what="short press %d to be counted" % self.presses)
            self.app.screenshot("volumes-press-%d" % self.presses)
            return balloons()

        def assert_both_kept():
            backup = os.path.join(target, "USB_Backup")
            self.assertEqual(sorted(os.listdir(backup)), sorted(folder for _, _, folder in volumes.values()))
            for letter, (_, _, folder) in volumes.items():
                self.assertEqual(snapshot(os.path.join(backup, folder)), snapshot(roots[letter]), letter)

        self.assertEqual(press(), ["Backup of (G:) to (E:) finished.", "Backup of (H:) to (E:) finished."])
        assert_both_kept()
        kept = identities(os.path.join(target, "USB_Backup", "DATA (5E6F-7081)"))

        # Pressed again with H's photos touched, so that H's copy again outlasts G's balloon.
        for n in range(2000):
            photo_path = os.path.join(roots["H"], "Photos", "img_%04d.jpg" % n)
            os.utime(photo_path, (time.time() - 600, time.time() - 600))
        self.assertEqual(press(), ["Backup of (G:) to (E:) finished: nothing had changed.",
                                   "Backup of (H:) to (E:) finished."])
        assert_both_kept()
        self.assertEqual(identities(os.path.join(target, "USB_Backup", "DATA (5E6F-7081)")), kept,
                         "G's backup was rewritten")

    def test_backup_that_cannot_fit_is_not_started(self):
        small = os.path.join(self.host, "small disk")
        os.makedirs(small)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", small],
                          stderr=subprocess.DEVNULL).returncode != 0:
            self.skipTest("this machine cannot mount a size-limited disk")
        self.addCleanup(subprocess.run, ["umount", small], check=False)
        self.start(small)
        # The tree holds a 3 MiB file: some 2 MB more than the 1 MiB disk holds.
        self.press(r"Backup of \(G:\) to \(E:\) was not started: \(E:\) needs [23] MB more free space\.")
        self.assertEqual(os.listdir(small), [], "something was written on the disk that is too small")
        self.assertTrue(self.app.alive())


if __name__ == "__main__":
    unittest.main()
