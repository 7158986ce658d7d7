#!/usr/bin/env python3
"""Writes the four window bitmaps (uncompressed 24-bit BMP) next to this file.

Deterministic: running it again gives the same bytes.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Colours as (R, G, B).
GREEN = (0x20, 0x98, 0x00)       # $009820
DARK_GREEN = (0x00, 0x40, 0x00)  # $004000
LIGHT_GREY = (0xD4, 0xD0, 0xC8)  # $C8D0D4
GREY = (0x80, 0x80, 0x80)
DARK_GREY = (0x40, 0x40, 0x40)
WHITE = (0xFF, 0xFF, 0xFF)
BLUE = (0x00, 0x00, 0xFF)        # $FF0000
RED = (0xFF, 0x00, 0x00)         # $0000FF


def write_bmp(name, pixels):
    """pixels: list of rows, top row first, each a list of (R, G, B)."""
    height = len(pixels)
    width = len(pixels[0])
    row_size = (width * 3 + 3) // 4 * 4
    image_size = row_size * height
    offset = 14 + 40
    data = bytearray()
    data += struct.pack('<2sIHHI', b'BM', offset + image_size, 0, 0, offset)
    data += struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0,
                        image_size, 2835, 2835, 0, 0)
    for row in reversed(pixels):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b'\0' * (row_size - len(line))
        data += line
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def crown(width, height, lobes):
    """A rounded crown with a bumpy edge, centred, almost as big as the picture."""
    cx = (width - 1) / 2
    cy = (height - 1) / 2
    rx = width / 2 - 1
    ry = height / 2 - 1
    pixels = []
    for y in range(height):
        row = []
        for x in range(width):
            dx = (x - cx) / rx
            dy = (y - cy) / ry
            dist = math.hypot(dx, dy)
            angle = math.atan2(dy, dx)
            edge = 0.90 + sum(a * math.sin(n * angle + p) for a, n, p in lobes)
            row.append(DARK_GREEN if dist <= edge else GREEN)
        pixels.append(row)
    return pixels


def arrow(pointing_down):
    pixels = [[LIGHT_GREY] * 20 for _ in range(21)]
    pixels[9] = [GREY] * 20
    pixels[10] = [DARK_GREY] * 20
    pixels[11] = [WHITE] * 20
    for i in range(6):  # i = half width of the triangle's row
        if pointing_down:
            row, colour = 19 - i, BLUE
        else:
            row, colour = 2 + i, RED
        for col in range(9 - i, 10 + i):
            pixels[row][col] = colour
    return pixels


def main():
    write_bmp('tree.bmp', crown(106, 54, [(0.06, 5, 0.3), (0.04, 9, 1.7), (0.03, 13, 4.1)]))
    write_bmp('shrub.bmp', crown(49, 28, [(0.07, 4, 2.2), (0.04, 7, 0.5)]))
    write_bmp('arrow_down.bmp', arrow(True))
    write_bmp('arrow_up.bmp', arrow(False))


if __name__ == '__main__':
    main()
