"""The Windows Installer package under Wine's own msiexec, each test in a fresh prefix: install,
the program it starts, the Run value at sign-in, upgrade, downgrade and uninstall."""
import hashlib
import os
import shutil
import struct
import tempfile
import unittest

from harness import (BUILD, IDC_STATUS, PRODUCT, AppTestCase, InstalledApp, bridge_disk, host_path, package,
                     windows_path, z_path)

WM_CLOSE, WM_QUERYENDSESSION, WM_ENDSESSION, WM_COMMAND = 0x0010, 0x0011, 0x0016, 0x0111
ENDSESSION_CLOSEAPP, ID_TRAY_EXIT, IDOK = 0x1, 32775, 1
ERROR_INSTALL_FAILURE = 1603
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL_KEY = r"Software\Microsoft\Windows\CurrentVersion\Uninstall"
PRODUCTS_KEY = r"HKCU\Software\Microsoft\Installer\Products"
# The user's own files in the install folder: the maker's library (here the simulated one, with
# the enclosure it plays and the record of its calls) and the removal tool.
USER_FILES = {"JMUsbDll.dll", "RemoveDrive.exe", "enclosure.txt", "calls.txt"}


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def reg_query(app, key, *options):
    """{subkey: {value name: data}} below a registry key; {} when the key is not there."""
    status, lines = app.run_program("reg.exe", "query", key, "/s", *options)
    found, current = {}, None
    for line in lines if status == 0 else []:
        if line.startswith("HKEY_"):
            current = found.setdefault(line.rstrip(), {})
        elif line.startswith("    ") and current is not None:
            name, _, data = (line.strip().split("    ", 2) + ["", ""])[:3]
            current[name] = data
    return found


def uninstall_entries(app):
    """The Apps & features entries of the product, by product code: Wine keeps a per-user
    package's under HKLM, in the registry view of the package's platform; Windows under HKCU."""
    entries = {}
    for key, options in (("HKCU\\" + UNINSTALL_KEY, ()), ("HKLM\\" + UNINSTALL_KEY, ("/reg:32",)),
                         ("HKLM\\" + UNINSTALL_KEY, ("/reg:64",))):
        for subkey, values in reg_query(app, key, *options).items():
            if values.get("DisplayName") == PRODUCT:
                entries[subkey.rsplit("\\", 1)[1]] = values
    return entries


def product_icons(app):
    """The icons Windows Installer published for the product (Apps & features shows them)."""
    return [values["ProductIcon"] for values in reg_query(app, PRODUCTS_KEY).values()
            if values.get("ProductName") == PRODUCT and "ProductIcon" in values]


def run_value(app):
    status, lines = app.run_program("reg.exe", "query", RUN_KEY, "/v", PRODUCT)
    values = [line.strip().split("    ", 2) for line in lines if line.startswith("    ")] if status == 0 else []
    return values[0][2] if values else None


def shell_link(path):
    """Target, working folder and description of a .lnk file (the shell link binary format)."""
    with open(path, "rb") as f:
        data = f.read()
    flags = struct.unpack_from("<I", data, 0x14)[0]
    at = 0x4C
    if flags & 0x1:  # the target as an item list
        at += 2 + struct.unpack_from("<H", data, at)[0]
    target = None
    if flags & 0x2:  # the target as a local path
        size, _, _, _, base = struct.unpack_from("<IIIII", data, at)
        target = data[at + base:data.index(b"\0", at + base)].decode("latin-1")
        at += size
    strings = {}
    for bit, name in ((0x4, "description"), (0x8, "relative"), (0x10, "working"), (0x20, "arguments"),
                      (0x40, "icon")):
        if flags & bit:
            count = struct.unpack_from("<H", data, at)[0]
            width = 2 if flags & 0x80 else 1
            text = data[at + 2:at + 2 + count * width]
            # Wine counts the closing NUL too.
            strings[name] = text.decode("utf-16-le" if width == 2 else "latin-1").rstrip("\0")
            at += 2 + count * width
    return target, strings.get("working"), strings.get("description")


class InstallTest(AppTestCase):
    def setUp(self):
        self.package, self.version = package()
        major, minor = self.version.split(".")[:2]
        self.newer_package, self.newer_version = package(os.path.join(BUILD, "e2e-newer"),
                                                         "%s.%d" % (major, int(minor) + 1))
        self.enclosure_disk = tempfile.mkdtemp(prefix="zolvan-install-")
        self.addCleanup(shutil.rmtree, self.enclosure_disk)

    def installed_app(self, **files):
        app = InstalledApp(self.id().split(".")[-1], drives={"E": self.enclosure_disk}, trace_tray=True, **files)
        self.addCleanup(app.stop)
        return app

    def shortcut_path(self, app):
        return os.path.join(app.profile, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                            PRODUCT + ".lnk")

    def assert_finds_the_enclosure(self, app, label):
        app.wait_until(lambda: app.text(IDC_STATUS) == b"Device found!", what="the enclosure to be found")
        self.assertEqual(app.tray_colours(label), {"blue"})

    def close_as_restart_manager(self, app):
        """What the Restart Manager sends a program whose files Windows Installer must replace or
        remove (Wine has none): WM_QUERYENDSESSION, then WM_ENDSESSION, both with
        ENDSESSION_CLOSEAPP, then WM_CLOSE to a window still there. Returns the messages that
        reached the window."""
        sent = []
        for message, wparam in ((WM_QUERYENDSESSION, 0), (WM_ENDSESSION, 1), (WM_CLOSE, 0)):
            if app.probe("exists") != ["1"]:
                break
            answer = app.probe("send", hex(message), str(wparam), str(ENDSESSION_CLOSEAPP))
            if message == WM_QUERYENDSESSION:
                self.assertEqual(answer, ["1"], "the program refused to be closed")
            sent.append(message)
        app.wait_until(app.ended, what="the program to end")
        return sent

    def test_install_start_sign_in_and_uninstall_leave_the_users_files(self):
        app = self.installed_app(enclosure=bridge_disk("E"))
        library = sha256(os.path.join(app.app_dir, "JMUsbDll.dll"))
        exe = os.path.join(app.app_dir, "ZolvanBackup.exe")
        exe_windows = windows_path(app.prefix, exe)

        app.install(self.package)
        self.assertEqual(set(os.listdir(app.app_dir)), USER_FILES | {"ZolvanBackup.exe", "ReadMe.txt"})
        self.assertEqual(sha256(exe), sha256(os.path.join(BUILD, "ZolvanBackup.exe")))
        self.assertEqual(sha256(os.path.join(app.app_dir, "ReadMe.txt")), sha256(os.path.join(BUILD, "ReadMe.txt")))
        self.assertEqual(sha256(os.path.join(app.app_dir, "JMUsbDll.dll")), library)
        self.assertEqual(shell_link(self.shortcut_path(app)),
                         (exe_windows, windows_path(app.prefix, app.app_dir) + "\\",
                          "Backs up the disk in the enclosure's front port when its button is pressed"))
        self.assertEqual(run_value(app), '"%s"' % exe_windows)
        [entry] = uninstall_entries(app).values()
        self.assertEqual({name: entry.get(name) for name in ("DisplayName", "DisplayVersion", "Publisher",
                                                              "InstallLocation")},
                         {"DisplayName": PRODUCT, "DisplayVersion": self.version, "Publisher": "Zolvan",
                          "InstallLocation": windows_path(app.prefix, app.app_dir) + "\\"})
        [icon] = product_icons(app)
        self.assertEqual(sha256(host_path(app.prefix, icon)),
                         sha256(os.path.join(os.path.dirname(__file__), "../../src/res/icons/app_128.ico")))

        # Windows Installer started the program at the end of the install.
        self.assert_finds_the_enclosure(app, "after-install")
        # Windows closes it for an upgrade or an uninstall through the Restart Manager. The
        # program ends on WM_ENDSESSION; the WM_CLOSE that follows for a program still running
        # finds no window.
        self.assertEqual(self.close_as_restart_manager(app), [WM_QUERYENDSESSION, WM_ENDSESSION])
        self.assertTrue(app.tray_icon_deleted(), "the program ended without removing its tray icon")

        # The next sign-in starts it from the Run value.
        app.sign_in()
        self.assertEqual(app.program_processes(), 1)
        self.assert_finds_the_enclosure(app, "after-sign-in")
        app.probe("post", hex(WM_COMMAND), str(ID_TRAY_EXIT), "0")
        app.wait_until(app.ended, what="the program to end")

        self.assertEqual(app.msiexec("/x", z_path(self.package), "/qn"), 0)
        self.assertEqual(set(os.listdir(app.app_dir)), USER_FILES)
        self.assertEqual(sha256(os.path.join(app.app_dir, "JMUsbDll.dll")), library)
        self.assert_nothing_of_the_package_left(app)

    def test_newer_version_replaces_the_older_and_the_older_is_refused(self):
        app = self.installed_app(enclosure=bridge_disk("E"))
        installer_folder = os.path.join(app.profile, "AppData", "Roaming", "Microsoft", "Installer")
        app.install(self.package)
        [older_code] = uninstall_entries(app)
        self.close_as_restart_manager(app)
        # (calls.txt grows as any program started calls the simulated library.)
        users = {name: sha256(os.path.join(app.app_dir, name)) for name in os.listdir(app.app_dir)
                 if name in USER_FILES - {"calls.txt"}}

        app.install(self.newer_package)
        entries = uninstall_entries(app)
        self.assertEqual([entry["DisplayVersion"] for entry in entries.values()], [self.newer_version])
        self.assertNotIn(older_code, entries)
        self.assertEqual(sha256(os.path.join(app.app_dir, "ZolvanBackup.exe")),
                         sha256(os.path.join(BUILD, "e2e-newer", "program", "ZolvanBackup.exe")))
        # The read-me the older package held too is there, and the user's files are as they were.
        self.assertEqual(sha256(os.path.join(app.app_dir, "ReadMe.txt")), sha256(os.path.join(BUILD, "ReadMe.txt")))
        self.assertEqual({name: sha256(os.path.join(app.app_dir, name)) for name in users}, users)
        self.assertEqual(set(users), {"JMUsbDll.dll", "RemoveDrive.exe", "enclosure.txt"})
        self.assertFalse(os.path.exists(os.path.join(installer_folder, older_code)), "the older product's icon is left")
        # Started again at the end of the upgrade: the newer program, once.
        self.assertEqual(app.program_processes(), 1)
        self.close_as_restart_manager(app)

        # The older package, with Windows Installer's own window, as a user opens it.
        msiexec = app.start_msiexec("/i", z_path(self.package))
        self.assertEqual(app.probe("--title", "Install Failed", "wait", "60000"), ["1"])  # Wine's caption
        texts = [bytes.fromhex(line.split(" ", 2)[2]) for line in app.probe("--title", "Install Failed", "children")
                 if line.startswith("65535 Static ")]
        self.assertEqual(texts, [b"A newer version of Zolvan Backup Utility is already installed."])
        app.screenshot("older-refused")
        app.probe("--title", "Install Failed", "post", hex(WM_COMMAND), str(IDOK), "0")
        self.assertEqual(msiexec.wait(timeout=120), ERROR_INSTALL_FAILURE & 0xFF)
        self.assertEqual([entry["DisplayVersion"] for entry in uninstall_entries(app).values()], [self.newer_version])
        self.assertEqual(sha256(os.path.join(app.app_dir, "ZolvanBackup.exe")),
                         sha256(os.path.join(BUILD, "e2e-newer", "program", "ZolvanBackup.exe")))
        self.assertTrue(app.ended())

        # Once the user has taken their files away, the folder goes with the package, and the
        # Programs folder the package made.
        for name in USER_FILES & set(os.listdir(app.app_dir)):
            os.remove(os.path.join(app.app_dir, name))
        self.assertEqual(app.msiexec("/x", z_path(self.newer_package), "/qn"), 0)
        self.assertFalse(os.path.exists(os.path.dirname(app.app_dir)))
        self.assert_nothing_of_the_package_left(app)

    def assert_nothing_of_the_package_left(self, app):
        self.assertFalse(os.path.exists(self.shortcut_path(app)))
        self.assertIsNone(run_value(app))
        self.assertEqual(uninstall_entries(app), {})
        self.assertEqual(product_icons(app), [])
        installer_folder = os.path.join(app.profile, "AppData", "Roaming", "Microsoft", "Installer")
        self.assertEqual(os.listdir(installer_folder) if os.path.isdir(installer_folder) else [], [])


if __name__ == "__main__":
    unittest.main()
