#!/usr/bin/env python3
"""Writes the four tray icons: a white emblem (a disk with a downward arrow) on a rounded square
of the state's colour, at 16, 20, 24, 32 and 48 pixels in 32-bit colour with alpha, each drawn for
its own size, and at 16 and 32 pixels in 256 colours for old systems.

Run from anywhere: python3 src/res/make_icons.py  (writes src/res/icons/*.ico)
"""
import os
import struct

COLOURS = {  # (r, g, b)
    "slate_blue": (0x4A, 0x5F, 0x9E),
    "green": (0x2E, 0x9E, 0x4F),
    "red": (0xC8, 0x32, 0x32),
}
ICONS = [("app_128.ico", "slate_blue"), ("green_141.ico", "green"),
         ("blue_142.ico", "slate_blue"), ("red_143.ico", "red")]
TRUE_COLOUR_SIZES = [16, 20, 24, 32, 48]
PALETTE_SIZES = [16, 32]
SAMPLES = 4  # per pixel and axis, for the edges' coverage


class Picture:
    """The emblem drawn for one size: the shapes are laid out on a 16-unit grid and their edges
    snapped to this size's pixels, so strokes stay whole pixels wide at every size."""

    def __init__(self, size):
        self.size = size
        k = size / 16
        snap = lambda v: round(v * k)  # noqa: E731
        self.radius = max(2.0, size * 0.19)
        stroke = max(1, round(k))
        # The disk: an outline with a light on its right.
        self.disk = (snap(3), snap(9), snap(13), snap(13))
        self.hole = (self.disk[0] + stroke, self.disk[1] + stroke, self.disk[2] - stroke, self.disk[3] - stroke)
        self.light = (snap(10), self.hole[3] - stroke, snap(12), self.hole[3])
        # The arrow: a shaft and a head pointing down at the disk.
        self.shaft = (snap(7), snap(2), snap(9), snap(5.5))
        self.head = ((4.5 * k, 5 * k), (11.5 * k, 5 * k), (8 * k, 8.5 * k))

    def square(self, x, y):
        """Whether the point lies in the rounded square."""
        s, r = self.size, self.radius
        cx = min(max(x, r), s - r)
        cy = min(max(y, r), s - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    def emblem(self, x, y):
        def inside(rect):
            return rect[0] <= x < rect[2] and rect[1] <= y < rect[3]
        if inside(self.disk) and not inside(self.hole) or inside(self.light) or inside(self.shaft):
            return True
        (ax, ay), (bx, by), (px, py) = self.head
        if y < ay or y > py:
            return False
        half = (bx - ax) / 2 * (py - y) / (py - ay)
        return abs(x - (ax + bx) / 2) <= half

    def coverage(self, px, py):
        """(of the square, of the emblem) over the pixel, from SAMPLES x SAMPLES points."""
        square = emblem = 0
        for i in range(SAMPLES):
            for j in range(SAMPLES):
                x, y = px + (i + 0.5) / SAMPLES, py + (j + 0.5) / SAMPLES
                if self.square(x, y):
                    square += 1
                    emblem += self.emblem(x, y)
        n = SAMPLES * SAMPLES
        return square / n, emblem / max(square, 1)


def true_colour_image(size, rgb):
    """BITMAPINFOHEADER, BGRA rows bottom-up, and the AND mask."""
    picture = Picture(size)
    rows, mask_rows = [], []
    mask_stride = (size + 31) // 32 * 4
    for y in reversed(range(size)):
        row, mask = bytearray(), bytearray(mask_stride)
        for x in range(size):
            alpha, white = picture.coverage(x, y)
            colour = [round(c + (255 - c) * white) for c in rgb]
            row += bytes((colour[2], colour[1], colour[0], round(alpha * 255)))
            if alpha == 0:
                mask[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
        mask_rows.append(bytes(mask))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"".join(mask_rows), 32


def palette_image(size, rgb):
    """The same picture in three palette colours: transparent, the square's, white."""
    picture = Picture(size)
    palette = [(0, 0, 0), rgb, (0xFF, 0xFF, 0xFF)] + [(0, 0, 0)] * 253
    rows, mask_rows = [], []
    stride = (size + 3) // 4 * 4
    mask_stride = (size + 31) // 32 * 4
    for y in reversed(range(size)):
        row, mask = bytearray(stride), bytearray(mask_stride)
        for x in range(size):
            alpha, white = picture.coverage(x, y)
            if alpha < 0.5:
                mask[x // 8] |= 0x80 >> (x % 8)
            else:
                row[x] = 2 if white >= 0.5 else 1
        rows.append(bytes(row))
        mask_rows.append(bytes(mask))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + pal + b"".join(rows) + b"".join(mask_rows), 8


def ico_bytes(rgb):
    images = [(size,) + true_colour_image(size, rgb) for size in TRUE_COLOUR_SIZES]
    images += [(size,) + palette_image(size, rgb) for size in PALETTE_SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image, bits in images:
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bits, len(image), offset)
        offset += len(image)
    return directory + b"".join(image for _, image, _ in images)


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")
    os.makedirs(out, exist_ok=True)
    for name, colour in ICONS:
        with open(os.path.join(out, name), "wb") as f:
            f.write(ico_bytes(COLOURS[colour]))


if __name__ == "__main__":
    main()
