"""Backup benchmark under Wine on 5,000 files of 4 KiB and one of 200 MiB, as ratios from one run
that alternates the two sides of each (each side first equally often):
  - the program's backup (shell copy and check) over one bare shell copy of the same tree;
  - the same with the shell copy of the root made to fail, so that the listing-driven fallback copies;
  - the check of a complete backup over the shell copy that made it;
  - a repeat press over the first backup it follows: on the unchanged tree, and after 10 of its
    files changed (which of the two comes first alternates).
A timed copy counts only if it reported success and its tree equals the source.

Run: scripts/bench.sh   (ZOLVAN_BENCH_ROUNDS rounds, 4 by default)"""
import os
import shutil
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402

SMALL_FILES, SMALL_SIZE, BIG_SIZE = 5000, 4096, 200 * 1024 * 1024
ROUNDS = int(os.environ.get("ZOLVAN_BENCH_ROUNDS", "4"))
COMPLETED, NOTHING_CHANGED = 0, 5


def make_tree(root):
    block = os.urandom(SMALL_SIZE)
    for i in range(SMALL_FILES):
        folder = os.path.join(root, "folder %02d" % (i // 100))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "file %04d.bin" % i), "wb") as f:
            f.write(block)
    with open(os.path.join(root, "big.bin"), "wb") as f:
        chunk = os.urandom(1024 * 1024)
        for _ in range(BIG_SIZE // len(chunk)):
            f.write(chunk)


class Bench:
    def __init__(self, prefix, host):
        self.prefix, self.host = prefix, host
        self.source = harness.snapshot(os.path.join(host, "E"))

    def step(self, *args):
        lines = self.prefix.run_tool("backup_bench.exe", *args, timeout=3600)
        return {key: float(value) for key, value in (line.split() for line in lines)}

    def complete(self, letter):
        """The backup on `letter` equals the source; it is then removed."""
        folder = os.path.join(self.host, letter, "USB_Backup")
        equal = harness.snapshot(folder) == self.source
        shutil.rmtree(folder, ignore_errors=True)
        return equal

    def bare(self):
        """(seconds of a bare shell copy into F:, seconds of the check of it) or None."""
        copy = self.step("bare", "F:\\USB_Backup")
        check = self.step("check", "F")
        if copy["result"] != 0 or check["missing"] != 0 or not self.complete("F"):
            return None
        return copy["seconds"], check["seconds"]

    def engine(self, *options, keep=False):
        run = self.step("engine", "G", *options)
        ok = run["notcopied"] == 0 and (run["outcome"] == NOTHING_CHANGED or
                                        (run["outcome"] == COMPLETED and run["checked"] == 1))
        equal = harness.snapshot(os.path.join(self.host, "G", "USB_Backup")) == self.source if keep else self.complete("G")
        return run["seconds"] if equal and ok else None

    def change_files(self, round):
        """Gives 10 of the small files new content."""
        for i in range(10):
            path = os.path.join(self.host, "E", "folder %02d" % i, "file %04d.bin" % (i * 100 + round))
            with open(path, "wb") as f:
                f.write(os.urandom(SMALL_SIZE))
        self.source = harness.snapshot(os.path.join(self.host, "E"))

    def repeats(self, round):
        """(first backup, repeat on the unchanged tree, repeat after 10 changed) in seconds, or
        None where a step did not count."""
        first = self.engine(keep=True)
        if round % 2 == 0:
            unchanged = self.engine(keep=True)
            self.change_files(round)
            changed = self.engine(keep=True)
        else:
            self.change_files(round)
            changed = self.engine(keep=True)
            unchanged = self.engine(keep=True)
        self.complete("G")
        return first, unchanged, changed


def ratio_line(name, ratios):
    if not ratios:
        return "%s: no round counted" % name
    return "%s: median %.4f, min %.4f, max %.4f (%d rounds)" % (
        name, statistics.median(ratios), min(ratios), max(ratios), len(ratios))


def main():
    if not os.path.isdir(harness.BASE_PREFIX):
        harness.prepare_base_prefix()
    host = tempfile.mkdtemp(prefix="zolvan-bench-")
    prefix = harness.Prefix("bench")
    try:
        for letter in "EFG":
            os.makedirs(os.path.join(host, letter))
            prefix.map_drive(letter, os.path.join(host, letter))
        make_tree(os.path.join(host, "E"))
        shutil.copy(os.path.join(harness.BUILD, "bench", "backup_bench.exe"), prefix.tools)
        bench = Bench(prefix, host)
        ratios = {"backup / bare shell copy": [], "backup by the fallback / bare shell copy": [],
                  "check / copy": []}
        for round in range(ROUNDS):
            for name, options in (("backup / bare shell copy", ()),
                                  ("backup by the fallback / bare shell copy", ("--fallback",))):
                if round % 2 == 0:
                    bare, engine = bench.bare(), bench.engine(*options)
                else:
                    engine, bare = bench.engine(*options), bench.bare()
                if bare and engine:
                    ratios[name].append(engine / bare[0])
                    ratios["check / copy"].append(bare[1] / bare[0])
                print("round %d, %s: bare %s, program %s" % (
                    round + 1, name, "%.2f s (check %.3f s)" % bare if bare else "NOT COUNTED",
                    "%.2f s" % engine if engine else "NOT COUNTED"))
                sys.stdout.flush()
        repeat = {"repeat press, nothing changed / first backup": [],
                  "repeat press after 10 files changed / first backup": []}
        for round in range(ROUNDS):
            first, unchanged, changed = bench.repeats(round)
            if first and unchanged:
                repeat["repeat press, nothing changed / first backup"].append(unchanged / first)
            if first and changed:
                repeat["repeat press after 10 files changed / first backup"].append(changed / first)
            print("round %d, repeat presses: first %s, unchanged %s, after 10 changed %s" % (
                round + 1, *("%.3f s" % t if t else "NOT COUNTED" for t in (first, unchanged, changed))))
            sys.stdout.flush()
        ratios.update(repeat)
        for name, values in ratios.items():
            print(ratio_line(name, values))
    finally:
        prefix.stop()
        shutil.rmtree(host)


if __name__ == "__main__":
    main()
