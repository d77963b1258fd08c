#!/usr/bin/env python3
"""Draws the dialog artwork and writes it next to this script.

  logo.bmp          the product logo: 70 x 40 pixels, 24 bits per pixel.
  hand_point.cur    pointing hand, index finger raised, hot spot (12, 2).
  hand_closed.cur   closed grabbing hand, hot spot (12, 2).
  hand_open.cur     open hand, hot spot (13, 4).

The cursors are 32 x 32 colour cursors: a 32-bit image with alpha and the
matching 1-bit AND mask, so that systems without alpha cursors show the same
shape. Everything is drawn from geometry here, so the output is the same on
every run; the generated files are committed beside the script.

Usage: python3 make_art.py [output folder]
"""

import math
import os
import struct
import sys

SIZE = 32

# Cursor palette (red, green, blue).
OUTLINE = (0, 0, 0)
SKIN = (255, 255, 255)
SHADE = (200, 200, 200)
CUFF = (150, 150, 150)


class Canvas:
    """A 32 x 32 cursor image; None marks a transparent pixel."""

    def __init__(self):
        self.pixels = [[None] * SIZE for _ in range(SIZE)]

    def inside(self, x, y):
        return 0 <= x < SIZE and 0 <= y < SIZE

    def paint(self, shape, fill, outline_below=SIZE):
        """Fills the cells of `shape` and draws the ring of cells around it in
        black, over whatever is there. Ring cells at or below `outline_below`
        are left alone, so that a finger merges into the palm it rests on."""
        for (x, y) in shape:
            if self.inside(x, y):
                self.pixels[y][x] = fill
        for (x, y) in Ring(shape):
            if self.inside(x, y) and y < outline_below:
                self.pixels[y][x] = OUTLINE


def Ring(shape):
    """Cells outside `shape` that touch it, including diagonally."""
    ring = set()
    for (x, y) in shape:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                cell = (x + dx, y + dy)
                if cell not in shape:
                    ring.add(cell)
    return ring


def RoundedBox(left, top, right, bottom, corner=1):
    """Cells of the box [left, right] x [top, bottom] with its top corners
    cut by `corner` cells (a finger tip)."""
    cells = set()
    for y in range(top, bottom + 1):
        cut = max(0, corner - (y - top))
        for x in range(left + cut, right - cut + 1):
            cells.add((x, y))
    return cells


def Ellipse(cx, cy, rx, ry):
    cells = set()
    for y in range(int(cy - ry) - 1, int(cy + ry) + 2):
        for x in range(int(cx - rx) - 1, int(cx + rx) + 2):
            if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0:
                cells.add((x, y))
    return cells


def Palm(left, top, right, bottom):
    """A palm with rounded lower corners."""
    cells = set()
    for y in range(top, bottom + 1):
        cut = max(0, 2 - (bottom - y))
        for x in range(left + cut, right - cut + 1):
            cells.add((x, y))
    return cells


def Cuff(canvas, left, top, right, bottom):
    canvas.paint(RoundedBox(left, top, right, bottom, corner=0), CUFF)


def PointingHand():
    canvas = Canvas()
    canvas.paint(Palm(8, 14, 24, 24), SKIN)
    # Thumb lying across the left of the palm.
    canvas.paint(Ellipse(7.5, 17.5, 3.6, 2.4), SKIN, outline_below=SIZE)
    # Three folded fingers: their knuckles make the bumps along the top.
    canvas.paint(RoundedBox(14, 9, 17, 17, corner=1), SKIN, outline_below=17)
    canvas.paint(RoundedBox(18, 10, 21, 17, corner=1), SKIN, outline_below=17)
    canvas.paint(RoundedBox(22, 12, 24, 17, corner=1), SKIN, outline_below=17)
    # The raised index finger; its tip cell is the hot spot (12, 2).
    canvas.paint(RoundedBox(11, 2, 13, 16, corner=1), SKIN, outline_below=16)
    for y in range(20, 24):
        canvas.pixels[y][22] = SHADE
    Cuff(canvas, 10, 26, 23, 29)
    return canvas, (12, 2)


def ClosedHand():
    canvas = Canvas()
    canvas.paint(Palm(7, 8, 23, 21), SKIN)
    # Four curled fingers seen from the back; the second knuckle's top
    # outline cell is the hot spot (12, 2).
    canvas.paint(RoundedBox(7, 4, 10, 10, corner=1), SKIN, outline_below=10)
    canvas.paint(RoundedBox(11, 3, 14, 10, corner=1), SKIN, outline_below=10)
    canvas.paint(RoundedBox(15, 3, 18, 10, corner=1), SKIN, outline_below=10)
    canvas.paint(RoundedBox(19, 5, 22, 10, corner=1), SKIN, outline_below=10)
    # Thumb folded over the side.
    canvas.paint(Ellipse(6.5, 13.5, 3.0, 2.2), SKIN)
    for x in range(10, 21):
        canvas.pixels[12][x] = SHADE
    Cuff(canvas, 9, 23, 22, 26)
    return canvas, (12, 2)


def OpenHand():
    canvas = Canvas()
    canvas.paint(Palm(8, 14, 22, 25), SKIN)
    # Spread fingers; the middle finger's tip cell is the hot spot (13, 4).
    canvas.paint(RoundedBox(9, 7, 11, 16, corner=1), SKIN, outline_below=16)
    canvas.paint(RoundedBox(12, 4, 14, 16, corner=1), SKIN, outline_below=16)
    canvas.paint(RoundedBox(15, 5, 17, 16, corner=1), SKIN, outline_below=16)
    canvas.paint(RoundedBox(18, 8, 20, 16, corner=1), SKIN, outline_below=16)
    # Thumb spread out to the left.
    canvas.paint(Ellipse(6.0, 17.0, 3.2, 2.2), SKIN)
    for y in range(19, 23):
        canvas.pixels[y][20] = SHADE
    Cuff(canvas, 10, 27, 21, 30)
    return canvas, (13, 4)


def CursorFile(canvas, hot_spot):
    """A .cur file with one 32 x 32 image of 32 bits per pixel."""
    xor_rows = []
    and_rows = []
    for y in reversed(range(SIZE)):  # bitmaps are stored bottom-up
        xor = bytearray()
        mask_bits = 0
        for x in range(SIZE):
            colour = canvas.pixels[y][x]
            if colour is None:
                xor += bytes((0, 0, 0, 0))
                mask_bits |= 1 << (SIZE - 1 - x)
            else:
                red, green, blue = colour
                xor += bytes((blue, green, red, 255))
        xor_rows.append(bytes(xor))
        and_rows.append(struct.pack(">I", mask_bits))
    image_bytes = b"".join(xor_rows) + b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 32, 0, len(image_bytes), 0, 0, 0, 0)
    resource = header + image_bytes
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, hot_spot[0], hot_spot[1], len(resource), 6 + 16)
    return directory + entry + resource


# The logo: a small landscape, faded on the left and restored on the right,
# split by a white diagonal - what the filter does to a photograph.
LOGO_WIDTH = 70
LOGO_HEIGHT = 40


def LogoPixel(x, y):
    sky_top = (40, 90, 200)
    sky_bottom = (150, 200, 250)
    t = y / (LOGO_HEIGHT - 1)
    colour = [sky_top[i] + (sky_bottom[i] - sky_top[i]) * t for i in range(3)]
    # Sun.
    if (x - 50) ** 2 + (y - 11) ** 2 <= 36:
        colour = [255, 210, 60]
    # Two rows of hills.
    far_hill = 24 + 5 * math.sin(x / 9.0)
    near_hill = 30 + 4 * math.sin(x / 6.0 + 2.0)
    if y >= far_hill:
        colour = [60, 140, 70]
    if y >= near_hill:
        colour = [30, 100, 40]
    # The faded half: low contrast with a warm cast, as old prints look.
    divider = 22 + (LOGO_HEIGHT - 1 - y) * 0.6
    if x < divider - 1:
        grey = 0.30 * colour[0] + 0.59 * colour[1] + 0.11 * colour[2]
        sepia = (grey * 1.0 + 60, grey * 0.85 + 45, grey * 0.6 + 30)
        colour = [110 + 0.6 * (c - 110) for c in sepia]
    elif x < divider + 1:
        colour = [255, 255, 255]
    return tuple(max(0, min(255, int(round(c)))) for c in colour)


def LogoFile():
    row_bytes = (LOGO_WIDTH * 3 + 3) & ~3
    pixel_data = bytearray()
    for y in reversed(range(LOGO_HEIGHT)):
        row = bytearray()
        for x in range(LOGO_WIDTH):
            red, green, blue = LogoPixel(x, y)
            row += bytes((blue, green, red))
        row += bytes(row_bytes - len(row))
        pixel_data += row
    info = struct.pack("<IiiHHIIiiII", 40, LOGO_WIDTH, LOGO_HEIGHT, 1, 24, 0, len(pixel_data), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixel_data), 0, 0, offset)
    return file_header + info + bytes(pixel_data)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    outputs = {
        "logo.bmp": LogoFile(),
        "hand_point.cur": CursorFile(*PointingHand()),
        "hand_closed.cur": CursorFile(*ClosedHand()),
        "hand_open.cur": CursorFile(*OpenHand()),
    }
    for name, data in outputs.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
