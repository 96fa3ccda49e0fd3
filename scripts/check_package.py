"""Checks the release package: a zip holding the 32-bit ZolvanBackup.exe, with its version
resource and manifest, and the read-me for Windows users; nothing else, the simulator least of
all. Prints its listing."""
import struct
import sys
import zipfile

EXPECTED = {"ReadMe.txt", "ZolvanBackup.exe"}


def fail(text):
    print("package: " + text, file=sys.stderr)
    sys.exit(1)


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
    if b"<assembly" not in exe:
        fail("ZolvanBackup.exe has no manifest")
    print("package: a 32-bit ZolvanBackup.exe %s with its manifest, and ReadMe.txt" % version)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
