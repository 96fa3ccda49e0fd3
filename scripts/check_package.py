"""Checks the release package: a zip holding the 32-bit ZolvanBackup.exe, with its version
resource, its icons at every tray size and a manifest that declares DPI awareness and the
Windows versions it supports, and the read-me for Windows users; nothing else, the simulator
least of all. Prints its listing."""
import struct
import sys
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


def main(path, version):
    with zipfile.ZipFile(path) as package:
        infos = package.infolist()
        print("%s holds:" % path)
        for info in infos:
            print("  %9d  %s" % (info.file_size, info.filename))
        names = {info.filename.split("/")[-1] for info in infos if not info.is_dir()}
        if names != EXPECTED:
            fail("holds %s, not %s" % (sorted(names), sorted(EXPECTED)))
        exe = package.read(next(i.filename for i in infos if i.filename.endswith("ZolvanBackup.exe")))
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    if exe[pe:pe + 4] != b"PE\0\0" or struct.unpack_from("<H", exe, pe + 4)[0] != 0x14C:
        fail("ZolvanBackup.exe is not a 32-bit PE executable")
    if ("ProductVersion\0" + version + "\0").encode("utf-16-le") not in exe:
        fail("ZolvanBackup.exe has no version resource %s" % version)
    check_icons_and_manifest(exe)
    print("package: a 32-bit ZolvanBackup.exe %s, its icons at %s pixels, its manifest with DPI awareness and"
          " supported Windows versions, and ReadMe.txt" % (version, "/".join(map(str, sorted(TRUE_COLOUR_SIZES)))))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
