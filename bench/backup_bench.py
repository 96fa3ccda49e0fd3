"""Backup benchmark under Wine: 5,000 files of 4 KiB and one file of 200 MiB, copied by the
program's engine and by one bare shell copy call in the same run; prints the engine/bare ratio.

Run: scripts/bench.sh   (builds the win64 preset first)"""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402

SMALL_FILES, SMALL_SIZE, BIG_SIZE = 5000, 4096, 200 * 1024 * 1024
ROUNDS = int(os.environ.get("ZOLVAN_BENCH_ROUNDS", "3"))


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
        for line in prefix.run_tool("backup_bench.exe", str(ROUNDS), timeout=3600):
            print(line)
    finally:
        prefix.stop()
        shutil.rmtree(host)


if __name__ == "__main__":
    main()
