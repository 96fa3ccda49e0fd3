"""The harness's count of writes, which the button tests trust to tell a file written twice: it
fails, never hangs, where its watcher cannot run, and counts a write made just before it stops."""
import os
import shutil
import tempfile
import time
import unittest

from harness import WriteCounter


class WriteCounterTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="zolvan-writes-")
        self.addCleanup(shutil.rmtree, self.folder)

    def test_counts_every_write_made_just_before_it_stops(self):
        counter = WriteCounter(self.folder)
        os.makedirs(os.path.join(self.folder, "sub"))
        time.sleep(0.2)  # inotifywait watches a new folder once it has seen it made
        # (inotify merges two like events in a row that nobody read between: a.txt is written, then
        # b.txt, then a.txt again, as a backup writes a file and its repair writes it again.)
        for name in ("a.txt", "b.txt", os.path.join("sub", "c.txt"), "a.txt"):
            with open(os.path.join(self.folder, name), "wb") as f:
                f.write(b"x")
        self.assertEqual(counter.stop(), {"a.txt": 2, "b.txt": 1, os.path.join("sub", "c.txt"): 1})
        self.assertEqual(sorted(os.listdir(self.folder)), ["a.txt", "b.txt", "sub"], "the marker was left behind")

    def test_fails_with_the_watchers_own_words_where_it_cannot_start(self):
        started = time.monotonic()
        with self.assertRaisesRegex(AssertionError, "(?s)could not watch .*missing.*No such file or directory"):
            WriteCounter(os.path.join(self.folder, "missing"))
        self.assertLess(time.monotonic() - started, 30)

    def test_fails_where_the_watcher_ended_early(self):
        counter = WriteCounter(self.folder)
        counter.process.kill()
        counter.process.wait()
        with self.assertRaisesRegex(AssertionError, "ended early"):
            counter.stop()


if __name__ == "__main__":
    unittest.main()
