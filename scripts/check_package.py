"""Checks the release packages. The zip: the 32-bit ZolvanBackup.exe, with its version resource,
its icons at every tray size and a manifest that declares DPI awareness and the Windows versions
it supports, and the read-me for Windows users; nothing else, the simulator least of all. The
Windows Installer package, from its tables as msiinfo (msitools) reads them: the same program and
read-me and nothing else, installed per user into %LOCALAPPDATA%\\Programs\\Zolvan Backup Utility,
with the Run value, the Start-menu shortcut, the upgrade code every version keeps, the older
version removed first and a newer one refusing it, the program started at the end, and the
program's icon for Apps & features. Prints both listings.

    check_package.py ZIP MSI VERSION
"""
import os
import subprocess
import struct
import sys
import tempfile
import zipfile

EXPECTED = {"ReadMe.txt", "ZolvanBackup.exe"}
RT_GROUP_ICON, RT_MANIFEST = 14, 24
ICON_GROUPS = {128, 141, 142, 143}
TRUE_COLOUR_SIZES = {16, 20, 24, 32, 48}
MANIFEST_HOLDS = [
    '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>',
    '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>',
    '<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>',  # Windows 7
    '<supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>',  # 8
    '<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>',  # 8.1
    '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>',  # 10 and 11
    'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"',
    'level="asInvoker"',
]


def fail(text):
    print("package: " + text, file=sys.stderr)
    sys.exit(1)


def resources(exe):
    """{(type, id): data} of a PE file's resources (first language of each)."""
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    sections = struct.unpack_from("<H", exe, pe + 6)[0]
    optional = pe + 24
    directories = optional + (96 if struct.unpack_from("<H", exe, optional)[0] == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", exe, directories + 2 * 8)[0]
    table = optional + struct.unpack_from("<H", exe, pe + 20)[0]
    spans = [struct.unpack_from("<IIII", exe, table + 40 * i + 8) for i in range(sections)]

    def offset(rva):
        for size, address, _, raw in spans:
            if address <= rva < address + size:
                return raw + rva - address
        fail("resource address %x lies in no section" % rva)

    root = offset(rsrc_rva)

    def entries(at):
        named, numbered = struct.unpack_from("<HH", exe, at + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", exe, at + 16 + 8 * i)
            yield name, root + (target & 0x7FFFFFFF), bool(target & 0x80000000)

    found = {}
    for kind, types, _ in entries(root):
        for ident, names, _ in entries(types):
            _, leaf, _ = next(entries(names))
            rva, size = struct.unpack_from("<II", exe, leaf)
            found[(kind, ident)] = exe[offset(rva):offset(rva) + size]
    return found


def check_icons_and_manifest(exe):
    found = resources(exe)
    for group in sorted(ICON_GROUPS):
        data = found.get((RT_GROUP_ICON, group))
        if data is None:
            fail("ZolvanBackup.exe has no icon %d" % group)
        count = struct.unpack_from("<H", data, 4)[0]
        images = [struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i) for i in range(count)]
        true_colour = {width or 256 for width, _, _, _, _, bits, _, _ in images if bits == 32}
        if not TRUE_COLOUR_SIZES <= true_colour:
            fail("icon %d holds 32-bit pictures of %s, not of every size in %s"
                 % (group, sorted(true_colour), sorted(TRUE_COLOUR_SIZES)))
    manifest = next((data for (kind, _), data in found.items() if kind == RT_MANIFEST), b"").decode("utf-8")
    for text in MANIFEST_HOLDS:
        if text not in manifest:
            fail("the manifest lacks %s" % text)


def check_zip(path, version):
    """The zip's program, read-me and listing; returns the program's and read-me's bytes."""
    with zipfile.ZipFile(path) as package:
        infos = package.infolist()
        print("%s holds:" % path)
        for info in infos:
            print("  %9d  %s" % (info.file_size, info.filename))
        names = {info.filename.split("/")[-1] for info in infos if not info.is_dir()}
        if names != EXPECTED:
            fail("holds %s, not %s" % (sorted(names), sorted(EXPECTED)))
        exe = package.read(next(i.filename for i in infos if i.filename.endswith("ZolvanBackup.exe")))
        readme = package.read(next(i.filename for i in infos if i.filename.endswith("ReadMe.txt")))
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    if exe[pe:pe + 4] != b"PE\0\0" or struct.unpack_from("<H", exe, pe + 4)[0] != 0x14C:
        fail("ZolvanBackup.exe is not a 32-bit PE executable")
    if ("ProductVersion\0" + version + "\0").encode("utf-16-le") not in exe:
        fail("ZolvanBackup.exe has no version resource %s" % version)
    check_icons_and_manifest(exe)
    return exe, readme


# Every version keeps it: Windows Installer tells an upgrade of the same product by it.
UPGRADE_CODE = "{894575AB-68DE-4C78-8759-C4DE6C4D1B9F}"
PRODUCT = "Zolvan Backup Utility"
RUN_KEY = r"Software\Microsoft\Windows\CurrentVersion\Run"
DOWNGRADE_MESSAGE = "A newer version of Zolvan Backup Utility is already installed."
INSTALL_FOLDER = ["LocalAppDataFolder", "Programs", PRODUCT]
APP_ICON = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "res", "icons", "app_128.ico")
# Custom action types: a program from an installed file, started without waiting for it.
TYPE_EXE_FROM_FILE, ASYNC_NO_WAIT, IN_SCRIPT = 18, 0x40 | 0x80, 0x400
WORD_COUNT_NO_ELEVATION = 8
HKCU = "1"
REGISTRY_KEY_PATH = 4
VERSION_MIN_INCLUSIVE, ONLY_DETECT = 0x100, 0x2
START_CONDITION = "NOT Installed AND NOT ReplacedInUseFiles"


def file_version(exe):
    """The file version of a PE file's version resource, as "1.10.0.0"."""
    at = exe.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        fail("the program has no version resource")
    high, low = struct.unpack_from("<II", exe, at + 8)
    return "%d.%d.%d.%d" % (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)


def next_version(version):
    """The version just above this one, as Windows Installer compares three numbers."""
    numbers = [int(n) for n in version.split(".")] + [0]
    return "%d.%d.%d" % (numbers[0], numbers[1], numbers[2] + 1)


def msi_table(path, table, folder):
    """The rows of an MSI table, each {column: text}; msiinfo writes binary columns as files
    below folder."""
    out = subprocess.run(["msiinfo", "export", path, table], cwd=folder, capture_output=True, text=True,
                         check=True).stdout.split("\n")
    columns = out[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in out[3:] if line]


def check_msi(path, version, exe, readme):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.abspath(path)
        table = lambda name: msi_table(path, name, folder)  # noqa: E731
        summary = dict(line.split(": ", 1) for line in subprocess.run(
            ["msiinfo", "suminfo", path], capture_output=True, text=True, check=True).stdout.splitlines()
            if ": " in line)
        files = table("File")
        print("%s holds:" % path)
        for row in files:
            print("  %9s  %s" % (row["FileSize"], row["FileName"]))

        if summary.get("Template") != "Intel;1033":
            fail("the package is for %s, not for 32-bit Windows (Intel;1033)" % summary.get("Template"))
        properties = {row["Property"]: row["Value"] for row in table("Property")}
        if not int(summary.get("Source", "0").split()[0]) & WORD_COUNT_NO_ELEVATION or "ALLUSERS" in properties:
            fail("the package is not a per-user one that needs no administrator")
        wanted = {"ProductName": PRODUCT, "ProductVersion": version, "Manufacturer": "Zolvan",
                  "UpgradeCode": UPGRADE_CODE}
        if {name: properties.get(name) for name in wanted} != wanted:
            fail("its product is %s, not %s" % ({name: properties.get(name) for name in wanted}, wanted))

        if sorted(row["FileName"] for row in files) != sorted(EXPECTED):
            fail("holds %s, not %s" % (sorted(row["FileName"] for row in files), sorted(EXPECTED)))
        keys = {row["FileName"]: row["File"] for row in files}
        components = {row["Component"]: row for row in table("Component")}
        directories = {row["Directory"]: row for row in table("Directory")}

        def folder_of(directory):
            chain = []
            while directories[directory]["Directory_Parent"] not in ("", "TARGETDIR"):
                chain.insert(0, directories[directory]["DefaultDir"].split("|")[-1])
                directory = directories[directory]["Directory_Parent"]
            return [directory] + chain

        for row in files:
            if folder_of(components[row["Component_"]]["Directory_"]) != INSTALL_FOLDER:
                fail("%s goes into %s, not %s" % (row["FileName"], folder_of(components[row["Component_"]]["Directory_"]),
                                                  INSTALL_FOLDER))
        subprocess.run(["msiextract", "-C", folder, path], check=True, stdout=subprocess.DEVNULL)
        extracted = {name: os.path.join(root, name) for root, _, names in os.walk(folder) for name in names}
        for name, data in (("ZolvanBackup.exe", exe), ("ReadMe.txt", readme)):
            with open(extracted[name], "rb") as f:
                if f.read() != data:
                    fail("its %s is not the zip's" % name)

        exe_key = "[#%s]" % keys["ZolvanBackup.exe"]
        run = [row for row in table("Registry") if row["Root"] == HKCU and row["Key"] == RUN_KEY]
        if [(row["Name"], row["Value"]) for row in run] != [(PRODUCT, '"%s"' % exe_key)]:
            fail("its Run values are %s, not one named %s starting the program" % (run, PRODUCT))
        program = components[next(row["Component_"] for row in files if row["FileName"] == "ZolvanBackup.exe")]
        if program["KeyPath"] != run[0]["Registry"]:
            fail("the program's component has %s for its key path, not the Run value" % program["KeyPath"])
        shortcuts = [(row["Directory_"], row["Name"].split("|")[-1], row["Target"]) for row in table("Shortcut")]
        if shortcuts != [("ProgramMenuFolder", PRODUCT, exe_key)]:
            fail("its shortcuts are %s, not one to the program in the Start menu" % shortcuts)

        icon = properties.get("ARPPRODUCTICON")
        icons = {row["Name"]: row["Data"] for row in table("Icon")}
        if icon not in icons:
            fail("Apps & features gets no icon (ARPPRODUCTICON %s)" % icon)
        with open(os.path.join(folder, "Icon", icons[icon]), "rb") as f, open(APP_ICON, "rb") as g:
            if f.read() != g.read():
                fail("the icon for Apps & features is not the program's")

        # A versioned file of its version: Windows Installer's rules for replacing it hold.
        versions = {row["FileName"]: row["Version"] for row in files}
        if versions["ZolvanBackup.exe"] != file_version(exe) or versions["ReadMe.txt"]:
            fail("its files' versions are %s, not the program's %s" % (versions, file_version(exe)))
        if keys["ZolvanBackup.exe"] in {row["File_"] for row in table("MsiFileHash")}:
            fail("the program, a versioned file, has a hash")
        if properties.get("REINSTALLMODE") != "amus":
            fail("an upgrade may leave out a file the older version held (REINSTALLMODE %s)"
                 % properties.get("REINSTALLMODE"))
        if {row["Root"] for row in table("Registry")} != {HKCU} or not int(program["Attributes"]) & REGISTRY_KEY_PATH:
            fail("it writes outside HKCU, or the Run value is not its component's key path")
        removed = {row["DirProperty"]: int(row["InstallMode"]) for row in table("RemoveFile")}
        if removed != {"INSTALLFOLDER": 2, "UserProgramsFolder": 2}:
            fail("an uninstall removes the folders %s, not the install folder and Programs when empty" % removed)

        # Every version up to this one (a rebuild of it too) is older; a higher one is newer.
        upgrades = sorted((row["UpgradeCode"], row["VersionMin"], row["VersionMax"], int(row["Attributes"]),
                           row["ActionProperty"]) for row in table("Upgrade"))
        wanted = sorted([(UPGRADE_CODE, "0.0.0", next_version(version), VERSION_MIN_INCLUSIVE, "OLDER_VERSION_FOUND"),
                         (UPGRADE_CODE, version, "", ONLY_DETECT, "NEWER_VERSION_FOUND")])
        if upgrades != wanted:
            fail("its Upgrade table is %s, not %s" % (upgrades, wanted))
        if set(properties.get("SecureCustomProperties", "").split(";")) != {"OLDER_VERSION_FOUND", "NEWER_VERSION_FOUND"}:
            fail("the upgrade's properties do not reach the installing service (SecureCustomProperties)")
        conditions = {row["Description"]: row["Condition"] for row in table("LaunchCondition")}
        if conditions.get(DOWNGRADE_MESSAGE) != "NOT NEWER_VERSION_FOUND":
            fail("a newer version installed does not refuse this one with \"%s\"" % DOWNGRADE_MESSAGE)
        sequence = {row["Action"]: (int(row["Sequence"]), row["Condition"]) for row in table("InstallExecuteSequence")}
        for name in ("InstallUISequence", "InstallExecuteSequence"):
            order = {row["Action"]: int(row["Sequence"]) for row in table(name)}
            if not order.get("FindRelatedProducts", 1 << 30) < order.get("LaunchConditions", 0):
                fail("%s looks for a newer version only after it has decided whether to install" % name)
        if not sequence["InstallValidate"][0] < sequence.get("RemoveExistingProducts", (0, ""))[0] < \
                sequence["InstallInitialize"][0] or sequence["RemoveExistingProducts"][1]:
            fail("the older version is not removed before the newer is installed")
        starts = [row for row in table("CustomAction") if int(row["Type"]) & 0x3F == TYPE_EXE_FROM_FILE
                  and int(row["Type"]) & ASYNC_NO_WAIT == ASYNC_NO_WAIT and not int(row["Type"]) & IN_SCRIPT
                  and row["Source"] == keys["ZolvanBackup.exe"]]
        if not any(sequence.get(row["Action"], (0,))[0] > sequence["InstallFinalize"][0] and
                   sequence[row["Action"]][1] == START_CONDITION for row in starts):
            fail("nothing starts the program after an install or upgrade (%s), without waiting for it"
                 % START_CONDITION)
    print("package: the MSI installs per user the same program and ReadMe.txt into %s, with the Run value,"
          " the Start-menu shortcut, the upgrade code %s and the program's icon" % ("\\".join(INSTALL_FOLDER),
                                                                                   UPGRADE_CODE))


def main(zip_path, msi_path, version):
    exe, readme = check_zip(zip_path, version)
    print("package: a 32-bit ZolvanBackup.exe %s, its icons at %s pixels, its manifest with DPI awareness and"
          " supported Windows versions, and ReadMe.txt" % (version, "/".join(map(str, sorted(TRUE_COLOUR_SIZES)))))
    check_msi(msi_path, version, exe, readme)


if __name__ == "__main__":
    main(*sys.argv[1:4])
