"""The backup engine with the real Win32 platform under Wine: real folders mapped to drive
letters, the real shell copy and the real command interpreter's dir."""
import hashlib
import os
import shutil
import tempfile
import unittest

from harness import Prefix, make_tree, snapshot


class Run:
    def __init__(self, lines):
        self.lines = lines
        self.copies = []  # (source, result)
        for line in lines:
            if line.startswith("copy "):
                source, rest = line[5:].split(" -> ", 1)
                self.copies.append((source, int(rest.rsplit("result=", 1)[1])))
        self.commands = [line[7:] for line in lines if line.startswith("system ")]
        self.deleted = [line[7:].rsplit(" ", 1) for line in lines if line.startswith("delete ")]
        listing = [line[8:] for line in lines if line.startswith("listing ")]
        self.listed = bytes.fromhex(listing[0]).decode("latin-1").split("\r\n")[:-1] if listing else None
        self.outcome = [line[8:] for line in lines if line.startswith("outcome ")][0].rstrip()
        self.not_copied = [line[11:] for line in lines if line.startswith("not copied ")]
        self.same_name = [line[10:] for line in lines if line.startswith("same name ")]


class BackupTest(unittest.TestCase):
    def setUp(self):
        self.host = tempfile.mkdtemp(prefix="zolvan-backup-")
        self.addCleanup(shutil.rmtree, self.host)
        self.source = os.path.join(self.host, "source disk")
        self.target = os.path.join(self.host, "target disk")
        os.makedirs(self.target)
        make_tree(self.source)
        self.before = snapshot(self.source)
        self.prefix = Prefix(self.id().split(".")[-1])
        self.addCleanup(self.prefix.stop)
        self.prefix.map_drive("E", self.source)
        self.prefix.map_drive("F", self.target)
        self.addCleanup(lambda: self.assertEqual(snapshot(self.source), self.before, "the source disk changed"))

    def backup(self, source="E", target="F", *options):
        return Run(self.prefix.run_tool("backup_runner.exe", source, target, *options))

    def backed_up(self):
        return snapshot(os.path.join(self.target, "USB_Backup"))

    def root_copy(self):
        """The first press's one shell copy: every root entry, each to its place in USB_Backup."""
        return sorted("E:\\" + name for name in os.listdir(self.source))

    def test_first_press_copies_the_root_entries_in_one_shell_copy(self):
        run = self.backup()
        self.assertEqual(len(run.copies), 1)
        self.assertEqual(sorted(run.copies[0][0].split("|")), self.root_copy())
        self.assertEqual(run.copies[0][1], 0)
        self.assertEqual(run.commands, [], "no listing without a failure")
        self.assertEqual(self.backed_up(), self.before)
        # No confirmation, no error dialog, no security attributes; one destination each.
        self.assertIn("flags=0xe11 owner=0", run.lines[0])
        self.assertEqual(run.outcome, "completed")

    def test_existing_backup_keeps_other_files_and_overwrites_same_names(self):
        old = os.path.join(self.target, "USB_Backup")
        os.makedirs(os.path.join(old, "Photos"))
        for rel, data in (("only in backup.txt", b"keep me"), ("a.txt", b"stale"), ("Photos/old.bin", b"old")):
            with open(os.path.join(old, rel), "wb") as f:
                f.write(data)
        self.backup()
        expected = dict(self.before)
        expected["only in backup.txt"] = hashlib.sha256(b"keep me").hexdigest()
        expected[os.path.join("Photos", "old.bin")] = hashlib.sha256(b"old").hexdigest()
        self.assertEqual(self.backed_up(), expected)

    def test_disk_is_never_copied_into_itself(self):
        run = self.backup("E", "E")
        self.assertEqual(run.copies, [])
        self.assertEqual(run.outcome, "same-disk")
        self.assertFalse(os.path.exists(os.path.join(self.source, "USB_Backup")))

    def temp_folder(self):
        folder = os.path.join(self.prefix.drive_c, "Temp Folder", "zolvan tmp")
        os.makedirs(folder)
        return folder, "C:\\Temp Folder\\zolvan tmp\\"

    def test_fallback_copies_each_listed_entry_through_the_real_dir(self):
        folder, windows_folder = self.temp_folder()
        run = self.backup("E", "F", "--temp", windows_folder, "--fail-root-copy")
        self.assertEqual(len(run.commands), 1)
        listing_path = run.commands[0].split('> "', 1)[1][:-1]
        self.assertTrue(run.commands[0].startswith('dir E:\\ /b > "C:\\Temp Folder\\zolvan tmp\\'), run.commands[0])
        # The real dir lists every root entry; each is copied on its own, in listing order.
        self.assertEqual(sorted(run.listed), sorted(os.listdir(self.source)))
        self.assertEqual(sorted(run.copies[0][0].split("|")), self.root_copy())
        self.assertEqual(run.copies[1:], [("E:\\" + name, 0) for name in run.listed])
        self.assertEqual(self.backed_up(), self.before)
        self.assertEqual(run.deleted, [[listing_path, "1"]])
        self.assertEqual(run.outcome, "completed")
        self.assertEqual(os.listdir(folder), [], "no listing file is left behind")

    def test_fallback_stops_at_the_first_entry_that_fails_and_the_check_copies_the_rest(self):
        folder, windows_folder = self.temp_folder()
        # The second listed entry is gone by the time it is copied.
        lines = self.prefix.run_tool("backup_runner.exe", "E", "F", "--temp", windows_folder, "--fail-root-copy",
                                     "--vanish-listed", "2")
        run = Run(lines)
        first, second = run.listed[0], run.listed[1]
        self.assertTrue(any(line.startswith("vanished E:\\" + second) for line in lines), lines)
        # The shell's copies stop after the entry that failed.
        self.assertEqual([source for source, _ in run.copies[1:]], ["E:\\" + first, "E:\\" + second])
        self.assertNotEqual(run.copies[-1][1], 0)
        self.assertEqual(run.outcome, "failed " + second)
        self.assertEqual(os.listdir(folder), [])
        # What vanished was the test's doing; the check then copied every file that is left (it
        # looks at files: an empty folder the shell left out stays out).
        self.before = snapshot(self.source)
        files = {path: digest for path, digest in self.before.items() if digest is not None}
        self.assertEqual({path: digest for path, digest in self.backed_up().items() if digest is not None}, files)
        self.assertEqual(run.not_copied, [])

    def test_names_that_differ_only_in_case_keep_the_first_listed_and_name_the_others(self):
        # Written by Linux: one folder holds both names; the backup disk, as Windows, holds one.
        pairs = [("Letters", "a.txt", "A.txt"), (os.path.join("New", "x"), "Plan.doc", "plan.doc")]
        for folder, *names in pairs:
            os.makedirs(os.path.join(self.source, folder), exist_ok=True)
            for name in names:
                with open(os.path.join(self.source, folder, name), "wb") as f:
                    f.write(("the file %s\r\n" % name).encode() * (3 if name.islower() else 1))
        self.before = snapshot(self.source)
        for press in (1, 2):
            with self.subTest(press=press):
                run = self.backup()
                self.assertEqual(run.outcome, "completed")
                self.assertEqual(run.not_copied, [])
                self.assertEqual(len(run.same_name), 2, run.lines)
                backup = self.backed_up()
                for folder, *names in pairs:
                    others = [name for name in names if "E:\\" + os.path.join(folder, name).replace("/", "\\")
                              in run.same_name]
                    self.assertEqual(len(others), 1, run.same_name)
                    first = next(name for name in names if name not in others)
                    # One file in the backup for the two names, holding what the first listed holds.
                    held = [path for path in backup if os.path.dirname(path) == folder]
                    self.assertEqual(len(held), 1, held)
                    self.assertEqual(backup[held[0]], self.before[os.path.join(folder, first)])

    def test_links_are_never_followed_at_the_root_or_deep_in_a_folder_the_shell_would_copy_whole(self):
        elsewhere = os.path.join(self.host, "another disk")
        os.makedirs(elsewhere)
        with open(os.path.join(elsewhere, "not ours.txt"), "wb") as f:
            f.write(b"another disk's file")
        os.makedirs(os.path.join(self.source, "New", "inner"))
        with open(os.path.join(self.source, "New", "inner", "keep.txt"), "wb") as f:
            f.write(b"ours")
        # Wine shows a host's link to a folder as a reparse point of no known kind.
        os.symlink(elsewhere, os.path.join(self.source, "New", "inner", "link"))
        os.symlink(elsewhere, os.path.join(self.source, "link at the root"))
        self.before = snapshot(self.source)
        run = self.backup()
        self.assertEqual(run.outcome, "completed")
        self.assertEqual(run.not_copied, [])
        backup = self.backed_up()
        self.assertEqual([path for path in backup if "not ours" in path], [])
        self.assertIn(os.path.join("New", "inner", "keep.txt"), backup)
        self.assertEqual({path: digest for path, digest in backup.items() if digest},
                         {path: digest for path, digest in self.before.items() if digest and "not ours" not in path})


if __name__ == "__main__":
    unittest.main()
