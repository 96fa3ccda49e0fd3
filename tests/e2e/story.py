"""The road a user lives with the program, as one story on one running process, each step
checked: the demo tells it, and the end-to-end suite walks it."""
import os
import shutil
import tempfile
import time

from harness import (DBT_DEVICEARRIVAL, IDC_COUNT, IDC_LONG_COUNT, IDC_STATUS, InstalledApp, bridge_disk,
                     front_port_disk, package, snapshot, windows_path)

WM_TRAYNOTIFY, WM_COMMAND, WM_RBUTTONDOWN = 0x0401, 0x0111, 0x0204
ID_TRAY_ABOUT, ID_TRAY_EXIT, IDOK, VK_ESCAPE = 32774, 32775, 1, 0x1B
ABOUT = "About Zolvan Backup Utility"
SHORT = "0 1"
LONG = " ".join(["0"] * 10 + ["1"])


class StepFailed(AssertionError):
    pass


class Story:
    """The program as its Windows Installer package installs it, with the simulated enclosure:
    enclosure disk E, front-port disk G holding sample files, the RemoveDrive.exe stand-in beside
    the program. `say` hears every step and check in plain words."""

    def __init__(self, name, say=lambda text: None):
        self.say = say
        self.host = tempfile.mkdtemp(prefix="zolvan-story-")
        self.front = os.path.join(self.host, "front port disk")
        self.enclosure_disk = os.path.join(self.host, "enclosure disk")
        os.makedirs(self.enclosure_disk)
        self.make_samples()
        self.app = InstalledApp(name, enclosure="", drives={"E": self.enclosure_disk, "G": self.front},
                                trace_tray=True)
        self.enclosure = ""
        self.presses = 0
        self.screenshots = []

    def make_samples(self):
        files = {"Documents/letter.txt": b"Dear Ann,\r\nthe photos are safe.\r\n",
                 "Documents/budget 2026.csv": b"month;amount\r\njan;120\r\n",
                 "Videos/holiday.mp4": os.urandom(4_000_000)}
        # Many photos take the copy a few seconds, long enough to watch its tip.
        photo = os.urandom(8192)
        files.update({"Photos/2026/img_%04d.jpg" % n: photo for n in range(2000)})
        for rel, data in files.items():
            path = os.path.join(self.front, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)

    # -- telling and checking

    def step(self, title):
        self.say("\n== " + title)

    def check(self, what, condition, timeout=15.0):
        """Waits until `condition` holds; says what was checked, or fails the story."""
        deadline = time.monotonic() + timeout
        while not condition():
            if time.monotonic() > deadline:
                self.say("  FAILED: " + what)
                raise StepFailed(what)
            time.sleep(0.2)
        self.say("  ok: " + what)

    def screenshot(self, label, what):
        path = self.app.screenshot(label)
        self.screenshots.append(path)
        self.say("  screenshot of %s: %s" % (what, path))

    def enclosure_says(self, text):
        self.enclosure = text
        self.app.write_enclosure(text)

    def polling(self):
        before = self.app.button_reads()
        time.sleep(1.5)  # five poll periods
        return self.app.button_reads() > before

    # -- the story

    def start(self):
        msi, _ = package()
        folder = windows_path(self.app.prefix, self.app.app_dir)
        self.step("The package %s is installed (msiexec /i, quietly); no enclosure is attached yet"
                  % os.path.basename(msi))
        self.say("  the maker's JMUsbDll.dll (here the simulated one) and RemoveDrive.exe are already in %s,"
                 " where ReadMe.txt says to put them" % folder)
        self.app.install(msi)
        self.check("Windows Installer put the program into %s and started it" % folder, self.app.alive)
        self.check("the program runs hidden, its window gone after the first paint", lambda: not self.app.visible())
        self.check("the status says the device was not found",
                   lambda: self.app.text(IDC_STATUS) == b"Zolvan Backup Utility -- Device not found!")
        self.check("the tray icon is red", lambda: self.app.tray_colours("tray-red") == {"red"})
        self.screenshot("tray-red", "the red tray icon")

    def enclosure_arrives(self):
        self.step("The enclosure is plugged in: disk E behind its bridge")
        self.enclosure_says(bridge_disk("E"))
        self.app.device_change(DBT_DEVICEARRIVAL)
        self.check("the status says the device was found", lambda: self.app.text(IDC_STATUS) == b"Device found!")
        self.check("the tray icon is blue", lambda: self.app.tray_colours("tray-blue") == {"blue"})
        self.screenshot("tray-blue", "the blue tray icon")
        self.check("the button is polled", self.polling)

    def front_port_disk_arrives(self):
        self.step("A disk goes into the enclosure's front port: G, holding documents, 2,000 photos and a video")
        self.enclosure_says(bridge_disk("E") + front_port_disk("G"))
        self.app.device_change(DBT_DEVICEARRIVAL)
        self.check("the tray icon is green", lambda: self.app.tray_colours("tray-green") == {"green"})
        self.screenshot("tray-green", "the green tray icon")
        tip = "Zolvan Backup Utility     \nZolvan Disk (E:) , Front Port Disk (G:)"
        self.check("the tip names the enclosure disk and the front-port disk", lambda: self.app.tray_tip() == tip)

    def tray_menu_and_about_box(self):
        self.step("A right click on the tray icon opens its menu; About shows the program's version")
        self.app.probe("cursor", "700", "600")
        self.app.probe("post", hex(WM_TRAYNOTIFY), "1", hex(WM_RBUTTONDOWN))
        self.check("the menu is open", lambda: self.app.probe("menu")[0].startswith("1"))
        self.screenshot("tray-menu", "the tray menu")
        self.app.probe("menukey", hex(VK_ESCAPE))
        self.check("the menu is closed", lambda: self.app.probe("menu") == ["0"])
        self.app.probe("post", hex(WM_COMMAND), str(ID_TRAY_ABOUT), "0")
        self.check("the About box is open", lambda: self.app.probe("select", ABOUT)[0] == "1")
        self.screenshot("about-box", "the About box")
        self.app.probe("select", ABOUT, "post", hex(WM_COMMAND), str(IDOK), "0")
        self.check("the About box is closed", lambda: self.app.probe("select", ABOUT)[0] == "0")

    def short_press(self):
        self.step("A short press of the enclosure's button: G is copied into E:\\USB_Backup")
        backup = os.path.join(self.enclosure_disk, "USB_Backup")
        first = not os.path.isdir(backup)
        self.enclosure_says(bridge_disk("E", buttons=SHORT) + front_port_disk("G"))
        self.presses += 1
        if first:  # Wine's shell copy shows no progress window: the folder tells when it starts
            self.check("the copy has started: E:\\USB_Backup is there", lambda: os.path.isdir(backup), timeout=30)
            self.check("while it copies, the tip says so",
                       lambda: self.app.tray_tip(leave_shown=True) == "Copying (G:) to (E:)...", timeout=30)
            self.screenshot("copying-tip", "the tip while copying")
            self.app.probe("cursor", "0", "0")
        self.check("the copy has ended: the short press is counted",
                   lambda: self.app.text(IDC_COUNT) == str(self.presses).encode(), timeout=120)
        self.check("every file of G is in E:\\USB_Backup, with the same content",
                   lambda: snapshot(backup) == snapshot(self.front))
        self.check("the balloon says the backup finished",
                   lambda: self.app.balloon() == "Backup of (G:) to (E:) finished.")
        self.screenshot("backup-balloon", "the balloon")

    def long_press(self):
        self.step("A long press (about 3 seconds): G is prepared for safe removal")
        self.enclosure_says(bridge_disk("E", buttons=LONG) + front_port_disk("G"))
        self.check("the long press is counted", lambda: self.app.text(IDC_LONG_COUNT) == b"1")
        self.check("RemoveDrive.exe was started for G", lambda: self.app.removals() == ["RemoveDrive.exe G: -l"])
        self.check("once the tool has ended, the balloon says G can be removed",
                   lambda: self.app.balloon() == "(G:) can now be removed.")
        self.screenshot("removal-balloon", "the balloon")
        self.check("the button is no longer polled", self.app.poll_stopped)

    def device_arrival(self):
        self.step("A device arrives: the program looks at the enclosure again")
        self.app.device_change(DBT_DEVICEARRIVAL)
        self.check("the button is polled again", self.polling)

    def exit(self):
        self.step("Exit from the tray menu")
        self.app.probe("post", hex(WM_COMMAND), str(ID_TRAY_EXIT), "0")
        self.check("the program has ended", self.app.ended)
        self.check("the program removed its tray icon", self.app.tray_icon_deleted)

    def close(self):
        self.app.stop()
        shutil.rmtree(self.host, ignore_errors=True)
