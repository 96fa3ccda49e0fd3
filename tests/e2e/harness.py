"""End-to-end harness: the real ZolvanBackup.exe under Wine, on a virtual desktop inside Xvfb.

Every test gets its own Wine prefix (hard-linked from the run's fresh base prefix), its own app
folder holding the program, a simulated JMUsbDll.dll and its enclosure.txt, and drive letters
mapped to temporary folders. Controls are read from outside with zprobe.exe.
"""
import glob
import hashlib
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

# os.walk and shutil.rmtree recurse once a folder level; the deepest test tree has 1,400.
sys.setrecursionlimit(10_000)

BUILD = os.environ.get("ZOLVAN_BUILD", os.path.join(os.path.dirname(__file__), "../../build/win64"))
BUILD = os.path.abspath(BUILD)
WORK = os.path.join(BUILD, "e2e")
BASE_PREFIX = os.path.join(WORK, "base-prefix")
ARTIFACTS = os.path.join(WORK, "artifacts")
DISPLAYS = os.path.join(WORK, "displays.txt")  # the X servers this run's tests ran on
DESKTOP = "shell"  # the desktop name for which Wine shows a taskbar with its tray
# The display's DPI the tests run at (Wine's LogPixels), when not Wine's own 96.
DPI = int(os.environ.get("ZOLVAN_DPI", "96"))

# Message and control numbers the tests use.
IDC_LOG, IDC_STATUS, IDC_LONG_COUNT, IDC_COUNT = 1000, 1005, 1003, 1004
DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE = 0x8000, 0x8004

# The tray icons' square colours (src/res/make_icons.py).
ICON_COLOURS = {"blue": (0x4A, 0x5F, 0x9E), "green": (0x2E, 0x9E, 0x4F), "red": (0xC8, 0x32, 0x32)}

# A JM20336 bridge as the simulator plays it, and the hub its disks and the front port hang on.
RECOGNISED_CHIP = "F4 E7 0E 9C 00 A3 01 00 02 05 00 07"
USB_ID = r"USB\VID_0E9C&PID_00A3\JM20336_0001"
HUB = r"USB\VID_05E3&PID_0610\5&2A1B3C4D&0&1"


def bridge_disk(letter="E", marker="j336", buttons=""):
    """enclosure.txt lines of a disk behind the bridge, on port 1 of HUB; `buttons` are the
    levels its button reads, one per poll tick (0 held, 1 released)."""
    text = "drive %s\n  bridge 1\n  usbid %s\n  marker %s\n  chip %s\n  hub %s\n  port 1\n" % (
        letter, USB_ID, marker, RECOGNISED_CHIP, HUB)
    return text + ("  buttons %s\n" % buttons if buttons else "")


def front_port_disk(letter="G"):
    """enclosure.txt lines of a disk in the enclosure's front port: port 2 of HUB."""
    return "drive %s\n  hub %s\n  port 2\n" % (letter, HUB)


# Debian's Wine runs without its preloader: the loader is a program at a fixed address, and the
# kernel starts its heap anywhere up to 1 GB above it. Now and then the heap covers 0x7ffe0000,
# where every Wine process must map the shared user data, and that process dies at its start
# ("failed to map the shared user data"): the program, or a Wine service everything then waits
# for. Without address randomisation the heap starts right after the loader, far below.
NO_ASLR = ["setarch", "-R"] if subprocess.run(["setarch", "-R", "true"], stderr=subprocess.DEVNULL).returncode == 0 else []


# The loader of the build's own width, chosen explicitly: Debian's `wine` wrapper (and wineboot,
# winecfg, ... through it) takes the 32-bit loader whenever it is installed, also where the kernel
# cannot run 32-bit programs. WINELOADER makes Wine's own helpers follow the same choice.
LOADER = os.environ.get("ZOLVAN_WINE", "/usr/lib/wine/wine64")
# The probe of the build's own width; where the 32-bit release is tested in a WoW64 prefix, the
# 64-bit one, which runs beside Wine's 64-bit desktop (tests/e2e/CMakeLists.txt says when and why).
PROBE = os.environ.get("ZOLVAN_PROBE", os.path.join(BUILD, "sim", "zprobe.exe"))


def wine(program, *args):
    """The command line that runs a Windows program (or a Wine tool such as wineboot.exe)."""
    return NO_ASLR + [LOADER, program, *args]


def wine_env(prefix):
    env = dict(os.environ)
    # Wine's errors stay in each test's log; its fixme chatter does not.
    # A shortcut made in the Start menu (the package makes one) would otherwise become a menu
    # entry and icons in the host's own home.
    env.update(WINEPREFIX=prefix, WINELOADER=LOADER, WINEDEBUG="fixme-all",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    # Read only by qemu-i386, where 32-bit programs run through it (scripts/setup.sh): a 64-bit
    # prefix is made with its 32-bit side. qemu 7.2 searches the whole 4 GiB it reserves for a
    # 32-bit guest page by page at every mapping Wine makes; a reserve just above the 2 GiB a
    # 32-bit Windows program gets cuts a process start from about 45 s to 5 s. (At 0x80000000
    # Wine cannot start.)
    env.setdefault("QEMU_RESERVED_VA", "0x84000000")
    return env


def prefix_processes(prefix):
    """`ps` lines of the processes that run in a Wine prefix, wineserver included."""
    marker = ("WINEPREFIX=" + prefix + "\0").encode()
    pids = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                if marker in f.read():
                    pids.append(pid)
        except OSError:
            pass
    if not pids:
        return []
    ps = subprocess.run(["ps", "-o", "pid,ppid,etime,stat,args", "-p", ",".join(pids)],
                        capture_output=True, text=True)
    return ps.stdout.splitlines()[1:]


def make_tree(root):
    """A small disk's worth of files and folders, some empty, some with blanks in their names."""
    rnd = random.Random(7)
    files = {
        "a.txt": b"alpha\r\n",
        "notes with blanks.txt": b"one\r\ntwo\r\n",
        "zero.bin": b"",
        "big.bin": rnd.randbytes(3 * 1024 * 1024),
        "Photos/img 001.bin": rnd.randbytes(300_000),
        "Photos/2024/summer/beach.bin": rnd.randbytes(50_000),
        "docs/deep/x/y.txt": b"y" * 10,
    }
    for rel, data in files.items():
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    os.makedirs(os.path.join(root, "empty folder"))


def add_photos(folder, count=2000):
    """Many small files in a folder: their copy takes a few seconds, long enough to meet it
    underway."""
    os.makedirs(folder, exist_ok=True)
    photo = os.urandom(8192)
    for n in range(count):
        with open(os.path.join(folder, "img_%04d.jpg" % n), "wb") as f:
            f.write(photo)


def snapshot(root):
    """Every path below root: folders as None, regular files by content hash."""
    tree = {}
    for folder, dirs, files in os.walk(root):
        for d in dirs:
            tree[os.path.relpath(os.path.join(folder, d), root)] = None
        for f in files:
            if not os.path.isfile(os.path.join(folder, f)):
                continue  # a socket, say: nothing to read
            with open(os.path.join(folder, f), "rb") as fh:
                tree[os.path.relpath(os.path.join(folder, f), root)] = hashlib.sha256(fh.read()).hexdigest()
    return tree


def prepare_base_prefix():
    """A fresh prefix for this run; each test links its own copy from it."""
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(ARTIFACTS)
    env = wine_env(BASE_PREFIX)
    subprocess.run(wine("wineboot.exe", "-i"), env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, check=True)


def windows_path(prefix, host_path):
    rel = os.path.relpath(host_path, os.path.join(prefix, "drive_c"))
    return "C:\\" + rel.replace("/", "\\")


def host_path(prefix, windows):
    """The host path of a C:\\ path in a prefix."""
    assert windows[:3].upper() == "C:\\", windows
    return os.path.join(prefix, "drive_c", *windows[3:].split("\\"))


def z_path(host):
    """A host path as Windows programs reach it, through the drive Z: that Wine maps to /."""
    return "Z:" + os.path.abspath(host).replace("/", "\\")


class Prefix:
    """A Wine prefix of one test's own, with the test tools in C:\\tools and drive letters mapped
    to host folders. Wine's output of everything run in it goes to ARTIFACTS/NAME.log."""

    def __init__(self, name):
        name += "-%ddpi" % DPI if DPI != 96 else ""
        self.name = name
        self.prefix = os.path.join(WORK, "prefixes", name)
        shutil.rmtree(self.prefix, ignore_errors=True)
        os.makedirs(os.path.dirname(self.prefix), exist_ok=True)
        subprocess.run(["cp", "-al", BASE_PREFIX, self.prefix], check=True)
        for reg in ("system.reg", "user.reg", "userdef.reg"):  # written in place by Wine: own copies
            path = os.path.join(self.prefix, reg)
            shutil.copy(path, path + ".tmp")
            os.replace(path + ".tmp", path)
        self.env = wine_env(self.prefix)
        self.drive_c = os.path.join(self.prefix, "drive_c")
        self.tools = os.path.join(self.drive_c, "tools")
        os.makedirs(self.tools)
        shutil.copy(PROBE, os.path.join(self.tools, "zprobe.exe"))
        shutil.copy(os.path.join(BUILD, "sim", "backup_runner.exe"), self.tools)
        self.log_path = os.path.join(ARTIFACTS, name + ".log")
        self.log = open(self.log_path, "ab")
        note_display()
        if DPI != 96:
            subprocess.run(wine("reg.exe", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                                "/d", str(DPI), "/f"), env=self.env, stdout=self.log, stderr=self.log, check=True)

    def map_drive(self, letter, folder):
        link = os.path.join(self.prefix, "dosdevices", letter.lower() + ":")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(os.path.abspath(folder), link)

    def run_tool(self, tool, *args, timeout=120):
        """Runs a console tool of C:\\tools synchronously and returns its output lines."""
        status, lines = self.run_program(os.path.join(self.tools, tool), *args, timeout=timeout)
        if status != 0:
            raise subprocess.CalledProcessError(status, [tool, *args])
        return lines

    def run_program(self, program, *args, timeout=120):
        """Runs a Windows program synchronously; returns its exit status (the low byte of the
        program's own, as Wine hands it to Linux) and its output lines."""
        # Output goes through a file, not a pipe: a wineserver or Wine service started by this
        # call would inherit the pipe and keep it open long after the tool has ended.
        with tempfile.TemporaryFile() as out:
            process = subprocess.Popen(wine(program, *args), env=self.env, stdout=out, stderr=self.log)
            try:
                process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                error = self.hung("%s %s did not return within %d s" % (program, " ".join(args), timeout))
                process.kill()
                process.wait()
                raise error
            out.seek(0)
            return process.returncode, out.read().decode("latin-1").splitlines()

    def screenshot(self, label):
        path = os.path.join(ARTIFACTS, "%s-%s.png" % (self.name, label))
        subprocess.run(["import", "-window", "root", path], check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def hung(self, what):
        """Keeps what shows why something did not happen in time: the desktop, the prefix's
        processes and Wine's output. Returns the error to raise."""
        shot = self.screenshot("timeout")
        processes = os.path.join(ARTIFACTS, self.name + "-processes.txt")
        with open(processes, "w") as f:
            f.write("\n".join(prefix_processes(self.prefix)) + "\n")
        self.log.flush()
        return AssertionError("%s; kept %s, %s and %s" % (what, self.log_path, shot, processes))

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, check=False, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, check=False, timeout=60)
        # Nothing of a test outlives it, not even a process the wineserver lost track of (or one
        # an emulated process was still starting), and the next test starts with none of them.
        self.log.close()
        deadline = time.monotonic() + 10
        while left := prefix_processes(self.prefix):
            if time.monotonic() > deadline:
                raise AssertionError("still running after the test:\n" + "\n".join(left))
            for line in left:
                try:
                    os.kill(int(line.split()[0]), signal.SIGKILL)
                except ProcessLookupError:
                    pass
            time.sleep(0.1)


class App(Prefix):
    """One run of the program in a prefix of its own."""

    def __init__(self, name, library="full", enclosure="", drives=None, remove_drive=True, trace_tray=False,
                 debug=""):
        super().__init__(name)
        if trace_tray:  # Wine's trace of the program's tray calls, read by tray_icon_deleted
            self.env["WINEDEBUG"] += ",trace+systray"
        if debug:  # more of Wine's messages in the log, read by wine_output
            self.env["WINEDEBUG"] += "," + debug
        self.app_dir = self.program_folder()
        self.place_files(library, enclosure, remove_drive)
        for letter, folder in (drives or {}).items():
            self.map_drive(letter, folder)
        self.process = None

    def program_folder(self):
        return os.path.join(self.drive_c, "Zolvan")

    def place_files(self, library, enclosure, remove_drive, program=True):
        os.makedirs(self.app_dir)
        if program:
            shutil.copy(os.path.join(BUILD, "ZolvanBackup.exe"), self.app_dir)
        if library:
            shutil.copy(os.path.join(BUILD, "sim", library, "JMUsbDll.dll"), self.app_dir)
        if remove_drive:  # the RemoveDrive.exe stand-in beside the program, as users place the tool
            shutil.copy(os.path.join(BUILD, "sim", "RemoveDrive.exe"), self.app_dir)
        self.write_enclosure(enclosure)

    def write_enclosure(self, text):
        with open(os.path.join(self.app_dir, "enclosure.txt"), "w") as f:
            f.write(text)

    def launcher(self, cwd=None):
        """Starts the program on the virtual desktop, as a user would; returns at once."""
        exe = windows_path(self.prefix, os.path.join(self.app_dir, "ZolvanBackup.exe"))
        return subprocess.Popen(
            wine("explorer", "/desktop=%s,1024x768" % DESKTOP, exe), env=self.env, cwd=cwd or self.app_dir,
            stdout=self.log, stderr=self.log, start_new_session=True)

    def start(self, cwd=None):
        self.mark_log()
        self.process = self.launcher(cwd)
        self.wait_for_start("the program")

    def wait_for_start(self, what):
        if self.probe("wait", "20000") != ["1"]:
            raise self.hung(what + ": its main window did not appear and settle")
        self.wait_until(lambda: not self.visible(), what="the main window to hide")

    def mark_log(self):
        """What Wine writes from now on is what `wine_output` gives."""
        self.log.flush()
        self.log_start = os.path.getsize(self.log_path)


    def program_processes(self):
        """How many processes of the program run in this prefix (not counting a launcher)."""
        exe = windows_path(self.prefix, os.path.join(self.app_dir, "ZolvanBackup.exe"))
        return sum(1 for line in prefix_processes(self.prefix) if exe in line and "explorer" not in line)

    def wine_output(self):
        """What Wine wrote since the program started: its errors, and the debug messages asked for."""
        self.log.flush()
        with open(self.log_path, "rb") as f:
            f.seek(self.log_start)
            return f.read()

    def probe(self, *args, timeout=60):
        return self.run_tool("zprobe.exe", "--desktop", DESKTOP, *args, timeout=timeout)

    def text(self, control_id):
        return bytes.fromhex(self.probe("text", str(control_id))[0])

    def visible(self):
        return self.probe("visible") == ["1"]

    def alive(self):
        """The program's process still runs and its main window still exists."""
        return self.program_processes() > 0 and self.probe("exists") == ["1"]

    def ended(self):
        """No process of the program runs any more (its window may be gone while it still runs)."""
        return self.program_processes() == 0

    def device_change(self, code, times=1):
        return self.probe("devchange", hex(code), str(times))

    def removals(self):
        """The command lines the RemoveDrive.exe stand-in beside the program was started with."""
        path = os.path.join(self.app_dir, "removals.txt")
        if not os.path.exists(path):
            return []
        with open(path, encoding="latin-1") as f:
            return f.read().splitlines()

    def balloon(self):
        """The text of the tray balloon on show, or None. (Wine cannot tell a balloon's title.)"""
        out = self.probe("balloon")[0].split(" ")
        return bytes.fromhex(out[1]).decode("utf-8") if out[0] == "1" else None

    def balloons_from_now(self, count, timeout=180):
        """Starts watching the tray for the next `count` balloons to show (Wine shows a balloon some
        2 s after it is asked for, unless another replaces it first). The returned function waits
        for them and gives their texts."""
        out = tempfile.TemporaryFile()
        watcher = subprocess.Popen(wine(os.path.join(self.tools, "zprobe.exe"), "--desktop", DESKTOP, "balloons",
                                        str(count), str(timeout * 1000)),
                                   env=self.env, stdout=out, stderr=self.log)

        def texts():
            try:
                watcher.wait(timeout=timeout + 60)
            except subprocess.TimeoutExpired:
                watcher.kill()
                watcher.wait()
                raise self.hung("the balloon watcher did not end")
            out.seek(0)
            lines = out.read().decode("latin-1").splitlines()
            out.close()
            return [bytes.fromhex(line.split(" ")[1]).decode("utf-8") for line in lines if line.startswith("1 ")]
        return texts

    def library_calls(self):
        """The simulated library's record: one entry point's name per call, in order."""
        path = os.path.join(self.app_dir, "calls.txt")
        if not os.path.exists(path):
            return []
        with open(path) as f:
            return f.read().splitlines()

    def button_reads(self):
        return self.library_calls().count("ATACBExecute")

    def poll_stopped(self, quiet=3.0, timeout=60.0):
        """Whether the button poll has stopped: it was seen reading, and ten of its periods pass
        after the library's last call without another. (A stopped poll cannot be waited for, and a
        fixed window from now could fall between two reads of a slow one.)"""
        before = self.button_reads()
        if before == 0:
            return False
        calls = os.path.join(self.app_dir, "calls.txt")
        deadline = time.monotonic() + timeout
        while time.time() - os.path.getmtime(calls) < quiet:
            if time.monotonic() > deadline:
                return False
            time.sleep(0.2)
        return self.button_reads() == before

    def tray_icon_deleted(self):
        """Whether the program removed its tray icon itself (NIM_DELETE), as Windows needs: Wine
        drops the icon of a window that is gone, Windows leaves a ghost. Needs trace_tray."""
        return b"Shell_NotifyIconW dwMessage = 2," in self.wine_output()

    def wait_until(self, condition, timeout=15.0, what="condition"):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if condition():
                return
            time.sleep(0.2)
        raise self.hung("timed out waiting for " + what)

    def tray_tip(self, leave_shown=False):
        """The tray icon's tip, as it shows when the mouse rests on the icon; None when no icon
        or no tip shows. The mouse then moves away, unless the tip is to stay for a screenshot."""
        path = self.screenshot("tip")
        ppm = subprocess.run(["convert", path, "ppm:-"], check=True, capture_output=True).stdout
        os.remove(path)
        width, pixels = _ppm_pixels(ppm)
        for rgb in ICON_COLOURS.values():
            at = pixels.find(bytes(rgb))
            while at != -1 and at % 3:
                at = pixels.find(bytes(rgb), at + 1)
            if at != -1:
                x, y = (at // 3) % width + 4, (at // 3) // width + 4  # inside the icon's square
                out = self.probe("tip", str(x), str(y))[0].split(" ")
                if not leave_shown:
                    self.probe("cursor", "0", "0")
                return bytes.fromhex(out[1]).decode("utf-8") if out[0] == "1" else None
        return None

    def tray_colours(self, label):
        """Screenshot, and which of the tray icon colours it shows. The icon is the only thing on
        the screen in these colours as long as no window of the program is open."""
        path = self.screenshot(label)
        listing = subprocess.run(["convert", path, "-depth", "8", "-unique-colors", "txt:-"], check=True,
                                 capture_output=True, text=True).stdout
        return {name for name, rgb in ICON_COLOURS.items() if ("#%02X%02X%02X" % rgb) in listing}

    def stop(self):
        super().stop()
        if self.process:
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()


class WriteCounter:
    """How often each file below a folder is written, from the host's inotify (inotifywait)."""

    MARKER = ".write-counter-stop"

    def __init__(self, folder):
        self.folder = folder
        # The watcher appends; what it wrote is read through a file of its own, so that reading
        # never moves where the watcher writes.
        descriptor, self.out_path = tempfile.mkstemp(prefix="zolvan-writes-")
        os.close(descriptor)
        with open(self.out_path, "ab") as out:
            self.process = subprocess.Popen(["inotifywait", "-m", "-r", "-e", "close_write", "--format", "%w%f",
                                             folder], stdout=out, stderr=subprocess.PIPE, text=True)
        said = []
        for line in self.process.stderr:  # ends where inotifywait does
            said.append(line)
            if "Watches established" in line:
                break
        else:
            self.process.wait()
            os.remove(self.out_path)
            raise AssertionError("inotifywait could not watch %s (exit status %d): %s"
                                 % (folder, self.process.returncode, "".join(said).strip()))
        self.counts = None

    def _written(self):
        with open(self.out_path, "rb") as out:
            return out.read().decode().splitlines()

    def stop(self):
        """The counts, by path below the folder. Every write before the call is counted: a marker
        file is written last, and the watcher ends only once it has seen it."""
        if self.counts is not None or not os.path.exists(self.out_path):  # stopped before: it raised then
            return self.counts or {}
        marker = os.path.join(self.folder, self.MARKER)
        try:
            with open(marker, "wb"):
                pass
            deadline = time.monotonic() + 30
            while marker not in self._written():
                if self.process.poll() is not None:
                    raise AssertionError("inotifywait ended early (exit status %d): %s"
                                         % (self.process.returncode, self.process.stderr.read().strip()))
                if time.monotonic() > deadline:
                    raise AssertionError("inotifywait never reported %s" % marker)
                time.sleep(0.05)
            self.counts = {}
            for line in self._written():
                if line != marker:
                    path = os.path.relpath(line, self.folder)
                    self.counts[path] = self.counts.get(path, 0) + 1
        finally:
            if self.process.poll() is None:
                self.process.terminate()
            self.process.wait()
            self.process.stderr.close()
            os.remove(self.out_path)
            if os.path.exists(marker):
                os.remove(marker)
        return self.counts


def _ppm_pixels(ppm):
    """(width, pixel bytes) of a binary PPM: magic, width, height and maxval, each followed by
    one whitespace byte, then the pixels."""
    fields, pos = [], 0
    while len(fields) < 4:
        end = pos
        while ppm[end:end + 1] not in b" \t\r\n":
            end += 1
        if end > pos:
            fields.append(ppm[pos:end])
        pos = end + 1
    return int(fields[1]), ppm[pos:]


PRODUCT = "Zolvan Backup Utility"


def build_version():
    """The program's version as the build was configured with it (project() in CMakeLists.txt)."""
    with open(os.path.join(BUILD, "CMakeCache.txt")) as f:
        return next(line.split("=", 1)[1].strip() for line in f if line.startswith("CMAKE_PROJECT_VERSION:"))


def package(folder=BUILD, version=None):
    """The Windows Installer package of a version built in a folder (installer/CMakeLists.txt),
    the build's own where none is named, and its version."""
    version = version or build_version()
    [path] = glob.glob(os.path.join(folder, "ZolvanBackup-%s-*.msi" % version))
    return path, version


class InstalledApp(App):
    """The program as its Windows Installer package puts it: in the user's own Programs folder,
    started by Windows Installer at the end of an install and from its Run value at sign-in. The
    simulated library, its enclosure and the RemoveDrive.exe stand-in go into that folder before,
    where the read-me tells users to put the maker's library and the tool."""

    def __init__(self, name, library="full", enclosure="", drives=None, remove_drive=True, trace_tray=False):
        super().__init__(name, library, enclosure, drives, remove_drive, trace_tray)
        self.log_start = 0
        # Whatever starts in the prefix opens on the desktop with the tray, as on a user's own:
        # Windows Installer's windows and the program it starts too.
        for key, value, data in ((r"HKCU\Software\Wine\Explorer", "Desktop", DESKTOP),
                                 (r"HKCU\Software\Wine\Explorer\Desktops", DESKTOP, "1024x768")):
            if self.run_program("reg.exe", "add", key, "/v", value, "/d", data, "/f")[0] != 0:
                raise AssertionError("reg add %s %s failed" % (key, value))

    def program_folder(self):
        users = os.path.join(self.drive_c, "users")
        [user] = [name for name in os.listdir(users) if name != "Public"]
        self.profile = os.path.join(users, user)
        return os.path.join(self.profile, "AppData", "Local", "Programs", PRODUCT)

    def place_files(self, library, enclosure, remove_drive, program=False):
        # The package brings the program. Without a library or tool of the user's there is no
        # folder before the install.
        if library or remove_drive:
            super().place_files(library, enclosure, remove_drive, program=False)

    def msiexec(self, *args):
        """Runs msiexec with these arguments; its exit status (the low byte: 1603 reads 67)."""
        self.mark_log()
        return self.run_program("msiexec.exe", *args, timeout=300)[0]

    def start_msiexec(self, *args):
        """Starts msiexec and returns at once: its process."""
        self.log.flush()
        return subprocess.Popen(wine("msiexec.exe", *args), env=self.env, stdout=self.log, stderr=self.log)

    def install(self, msi):
        """Installs a package quietly, as an administrator deploys it. Windows Installer starts
        the program at its end."""
        status = self.msiexec("/i", z_path(msi), "/qn")
        if status != 0:
            raise self.hung("msiexec /i %s ended with %d" % (os.path.basename(msi), status))
        self.wait_for_start("the program Windows Installer starts")

    def sign_in(self):
        """Starts what Windows starts at sign-in, as Wine does it: wineboot without options runs
        the Run keys and the Startup folder."""
        self.mark_log()
        if self.run_program("wineboot.exe")[0] != 0:
            raise AssertionError("wineboot failed")
        self.wait_for_start("the program started at sign-in")


class AppTestCase(unittest.TestCase):
    """Starts nothing by itself; `launch` starts an App that is stopped after the test."""

    def launch(self, library="full", enclosure="", drives=None, cwd=None, remove_drive=True, trace_tray=False,
               debug=""):
        app = App(self.id().split(".")[-1], library, enclosure, drives, remove_drive, trace_tray, debug)
        self.addCleanup(app.stop)
        app.start(cwd=cwd)
        return app

    def make_disks(self, name, photos=False):
        """The front-port disk, holding a small tree (and many photos, for a copy that lasts), and an
        empty enclosure disk, in a host folder removed after the test. The test fails if at its end
        the front-port disk differs from `self.before`, its snapshot now."""
        self.host = tempfile.mkdtemp(prefix="zolvan-%s-" % name)
        self.addCleanup(shutil.rmtree, self.host)
        self.front = os.path.join(self.host, "front port disk")
        self.target = os.path.join(self.host, "enclosure disk")
        os.makedirs(self.target)
        make_tree(self.front)
        if photos:
            add_photos(os.path.join(self.front, "Photos"))
        self.before = snapshot(self.front)
        self.addCleanup(lambda: self.assertEqual(snapshot(self.front), self.before, "the source disk changed"))


def note_display():
    """Records the X server this test runs on (its pid from the server's lock file), so that the
    last check counts the servers this run started and no one else's."""
    number = os.environ.get("DISPLAY", "").partition(":")[2].partition(".")[0]
    try:
        with open("/tmp/.X%s-lock" % number) as f:
            pid = f.read().strip()
    except OSError:
        return
    with open(DISPLAYS, "a") as f:
        f.write(":%s %s\n" % (number, pid))


def _running_x_server(pid, display):
    try:
        with open("/proc/%s/cmdline" % pid, "rb") as f:
            args = f.read().split(b"\0")
    except OSError:
        return False
    return args[0].endswith(b"Xvfb") and display.encode() in args


def leftovers():
    """What this run's tests left running: processes of their Wine prefixes, and the X servers
    they ran on (xvfb-run stops its server as it ends; a server gets a few seconds for that)."""
    found = []
    root = os.path.join(WORK, "prefixes")
    names = sorted(os.listdir(root)) if os.path.isdir(root) else []
    for prefix in [BASE_PREFIX] + [os.path.join(root, name) for name in names]:
        found += prefix_processes(prefix)
    servers = set()
    if os.path.exists(DISPLAYS):
        with open(DISPLAYS) as f:
            servers = {tuple(line.split()) for line in f if line.strip()}
    deadline = time.monotonic() + 10
    while any(_running_x_server(pid, display) for display, pid in servers) and time.monotonic() < deadline:
        time.sleep(0.2)
    found += ["Xvfb %s (pid %s)" % (display, pid) for display, pid in sorted(servers)
              if _running_x_server(pid, display)]
    return found


if __name__ == "__main__" and sys.argv[1:] == ["--prepare"]:
    prepare_base_prefix()
elif __name__ == "__main__" and sys.argv[1:] == ["--leftovers"]:
    left = leftovers()
    print("\n".join(["left running by the tests:"] + left) if left else "nothing left running")
    sys.exit(1 if left else 0)
