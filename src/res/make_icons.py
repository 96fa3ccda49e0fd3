#!/usr/bin/env python3
"""Writes the four tray icons: 16 x 16, 256 colours, a white emblem on a rounded square.

Run from anywhere: python3 src/res/make_icons.py  (writes src/res/icons/*.ico)
"""
import os
import struct

# A disk with a downward arrow: "copied to this disk". '#' is the white emblem.
EMBLEM = [
    "................",
    "................",
    ".......##.......",
    ".......##.......",
    ".......##.......",
    ".....######.....",
    "......####......",
    ".......##.......",
    "................",
    "...##########...",
    "...#........#...",
    "...#.....##.#...",
    "...##########...",
    "................",
    "................",
    "................",
]

COLOURS = {  # (r, g, b)
    "slate_blue": (0x4A, 0x5F, 0x9E),
    "green": (0x2E, 0x9E, 0x4F),
    "red": (0xC8, 0x32, 0x32),
}
ICONS = [("app_128.ico", "slate_blue"), ("green_141.ico", "green"),
         ("blue_142.ico", "slate_blue"), ("red_143.ico", "red")]
SIZE = 16


def inside_rounded_square(x, y):
    # Corners cut so the square reads as rounded at 16 px.
    corner = {(0, 0), (1, 0), (0, 1)}
    for cx, cy in corner:
        for fx, fy in ((cx, cy), (SIZE - 1 - cx, cy), (cx, SIZE - 1 - cy), (SIZE - 1 - cx, SIZE - 1 - cy)):
            if (x, y) == (fx, fy):
                return False
    return True


def ico_bytes(rgb):
    palette = [(0, 0, 0), rgb, (0xFF, 0xFF, 0xFF)] + [(0, 0, 0)] * 253
    pixels, mask_rows = [], []
    for y in reversed(range(SIZE)):  # DIB rows run bottom-up
        row, mask = bytearray(), 0
        for x in range(SIZE):
            if not inside_rounded_square(x, y):
                row.append(0)
                mask |= 1 << (31 - x)
            else:
                row.append(2 if EMBLEM[y][x] == "#" else 1)
        pixels.append(bytes(row))
        mask_rows.append(struct.pack(">I", mask))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    image = header + pal + b"".join(pixels) + b"".join(mask_rows)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + image


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")
    os.makedirs(out, exist_ok=True)
    for name, colour in ICONS:
        with open(os.path.join(out, name), "wb") as f:
            f.write(ico_bytes(COLOURS[colour]))


if __name__ == "__main__":
    main()
