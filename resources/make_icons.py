#!/usr/bin/env python3
"""Writes the program's two embedded icons (plus.ico, minus.ico) beside this script.

Each is a single 24 x 24 image, 32 bits per pixel with alpha, in the .ico
layout: ICONDIR, one ICONDIRENTRY, a BITMAPINFOHEADER whose height counts the
colour rows and the mask rows, the BGRA rows bottom-up, then the AND mask.
Run it again only to change the pictures; the .ico files are kept in the tree.
"""

import os
import struct

SIZE = 24
GREY = (0xD3, 0xD3, 0xD3)  # light grey, as R, G, B
BAR_FROM, BAR_TO = 10, 14  # the bars are 4 pixels thick, centred
ARM_FROM, ARM_TO = 4, 20   # and 16 pixels long


def plus(x, y):
    return minus(x, y) or (BAR_FROM <= x < BAR_TO and ARM_FROM <= y < ARM_TO)


def minus(x, y):
    return BAR_FROM <= y < BAR_TO and ARM_FROM <= x < ARM_TO


def ico_bytes(shape):
    pixels = bytearray()
    mask = bytearray()
    mask_row_bytes = ((SIZE + 31) // 32) * 4
    for y in reversed(range(SIZE)):  # bottom-up
        bits = 0
        for x in range(SIZE):
            if shape(x, y):
                r, g, b = GREY
                pixels += bytes((b, g, r, 0xFF))
            else:
                pixels += bytes((0, 0, 0, 0))
                bits |= 1 << (mask_row_bytes * 8 - 1 - x)  # 1 marks a transparent pixel
        mask += bits.to_bytes(mask_row_bytes, "big")
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return icondir + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, shape in (("plus.ico", plus), ("minus.ico", minus)):
        with open(os.path.join(here, name), "wb") as out:
            out.write(ico_bytes(shape))


if __name__ == "__main__":
    main()
