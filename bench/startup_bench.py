"""Start-up time to the tray icon, and memory, of ZolvanBackup.exe (with the simulated enclosure:
a bridge disk and a front-port disk) against the minimal dialog program with a tray icon, built
and run the same way under Wine. The two alternate which starts first; each figure is the median
of the per-round ratios, with their min and max.

Run: bench/startup.sh   (the 32-bit release build where the machine runs 32-bit programs natively,
else the 64-bit build; ZOLVAN_BUILD and ZOLVAN_WINE pick the build and its Wine loader)"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402
from backup_bench import ratio_line  # noqa: E402

ROUNDS = int(os.environ.get("ZOLVAN_BENCH_ROUNDS", "6"))
WM_COMMAND, ID_TRAY_EXIT = 0x0111, 32775


def status(pid):
    """The process's memory figures from /proc, in KiB."""
    figures = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            key, _, value = line.partition(":")
            if key in ("VmHWM", "VmRSS", "RssAnon", "RssFile"):
                figures[key] = int(value.split()[0])
    return figures


class Side:
    def __init__(self, prefix, name, exe, extra=()):
        self.prefix, self.name = prefix, name
        self.folder = os.path.join(prefix.drive_c, name)
        os.makedirs(self.folder)
        for path in (exe, *extra):
            harness.shutil.copy(path, self.folder)
        self.exe = os.path.basename(exe)

    def run(self):
        """(seconds to the tray icon, memory figures once settled)"""
        windows = harness.windows_path(self.prefix.prefix, os.path.join(self.folder, self.exe))
        start = time.monotonic()
        process = subprocess.Popen(harness.wine("explorer", "/desktop=%s,1024x768" % harness.DESKTOP, windows),
                                   env=self.prefix.env, stdout=self.prefix.log, stderr=self.prefix.log)
        there = self.prefix.run_tool("zprobe.exe", "--desktop", harness.DESKTOP, "waittray", "30000")
        seconds = time.monotonic() - start
        if there != ["1"]:
            raise AssertionError("%s: no tray icon" % self.name)
        self.prefix.run_tool("zprobe.exe", "--desktop", harness.DESKTOP, "sleep", "1000")  # settles, hides
        # The program's own process, not the explorer that started it with its name in its arguments.
        program = r"^C:\\%s\\%s" % (self.name, self.exe)
        pid = int(subprocess.run(["pgrep", "-f", program], capture_output=True, text=True).stdout.split()[0])
        memory = status(pid)
        self.prefix.run_tool("zprobe.exe", "--desktop", harness.DESKTOP, "post", hex(WM_COMMAND), str(ID_TRAY_EXIT), "0")
        while subprocess.run(["pgrep", "-f", program], capture_output=True).returncode == 0:
            time.sleep(0.05)
        process.wait()
        return seconds, memory


def main():
    if not os.path.isdir(harness.BASE_PREFIX):
        harness.prepare_base_prefix()
    prefix = harness.Prefix("startup-bench")
    try:
        ours = Side(prefix, "Zolvan", os.path.join(harness.BUILD, "ZolvanBackup.exe"),
                    [os.path.join(harness.BUILD, "sim", "full", "JMUsbDll.dll")])
        with open(os.path.join(ours.folder, "enclosure.txt"), "w") as f:
            f.write(harness.bridge_disk("E") + harness.front_port_disk("G"))
        minimal = Side(prefix, "Minimal", os.path.join(harness.BUILD, "bench", "minimal_tray.exe"))
        minimal.run()  # the first start of a prefix boots Wine: not counted
        ratios = {"start-up time to the tray icon": [], "peak resident memory (VmHWM)": [],
                  "private memory (RssAnon)": []}
        for round in range(ROUNDS):
            order = (ours, minimal) if round % 2 == 0 else (minimal, ours)
            results = {side.name: side.run() for side in order}
            (t_ours, m_ours), (t_min, m_min) = results["Zolvan"], results["Minimal"]
            ratios["start-up time to the tray icon"].append(t_ours / t_min)
            ratios["peak resident memory (VmHWM)"].append(m_ours["VmHWM"] / m_min["VmHWM"])
            ratios["private memory (RssAnon)"].append(m_ours["RssAnon"] / m_min["RssAnon"])
            print("round %d: ZolvanBackup %.2f s, %d KiB peak, %d KiB private; minimal %.2f s, %d KiB peak, %d KiB private"
                  % (round + 1, t_ours, m_ours["VmHWM"], m_ours["RssAnon"], t_min, m_min["VmHWM"], m_min["RssAnon"]))
            sys.stdout.flush()
        for name, values in ratios.items():
            print(ratio_line("%s, ZolvanBackup / minimal" % name, values))
        size = os.path.getsize(os.path.join(harness.BUILD, "ZolvanBackup.exe"))
        minimal_size = os.path.getsize(os.path.join(harness.BUILD, "bench", "minimal_tray.exe"))
        print("file size: ZolvanBackup.exe %d bytes, minimal %d bytes, ratio %.2f" % (size, minimal_size, size / minimal_size))
    finally:
        prefix.stop()


if __name__ == "__main__":
    main()
