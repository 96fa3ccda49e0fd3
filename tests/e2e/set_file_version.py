"""Copies a Windows program, the copy of another file and product version (its VS_FIXEDFILEINFO):
the upgrade test's newer program, with nothing compiled again.

    set_file_version.py SOURCE TARGET MAJOR.MINOR[.PATCH]
"""
import struct
import sys

source, target, version = sys.argv[1:4]
numbers = [int(n) for n in version.split(".")] + [0, 0]
with open(source, "rb") as f:
    data = bytearray(f.read())
at = data.find(struct.pack("<I", 0xFEEF04BD))
if at < 0:
    sys.exit("%s has no version resource" % source)
high, low = numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3]
struct.pack_into("<IIII", data, at + 8, high, low, high, low)
with open(target, "wb") as f:
    f.write(data)
