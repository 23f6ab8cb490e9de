#!/usr/bin/env python3
"""Draws logo.bmp, the picture the main window shows under its row buttons: a SIM card
beside the name "TELVANE" on a blue band. Deterministic, standard library only; drawn for
this project. Run it again after a change: python3 draw_logo.py logo.bmp"""
import struct
import sys

WIDTH, HEIGHT = 124, 46

# A 5 x 7 pixel font for the letters of the name.
FONT = {
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "V": ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
}


def draw():
    pixels = [[(0, 0, 0)] * WIDTH for _ in range(HEIGHT)]
    for y in range(HEIGHT):
        for x in range(WIDTH):
            # A band from deep to light blue, left to right.
            t = x / (WIDTH - 1)
            pixels[y][x] = (int(20 + 60 * t), int(60 + 90 * t), int(140 + 100 * t))
    # The SIM card: a white card with its corner cut, a gold chip.
    left, top, w, h = 6, 8, 22, 30
    for y in range(top, top + h):
        for x in range(left, left + w):
            if (x - left) + (y - top) < 6:
                continue  # the cut corner
            pixels[y][x] = (245, 245, 245)
    for y in range(top + 12, top + 24):
        for x in range(left + 5, left + 17):
            edge = y in (top + 12, top + 23) or x in (left + 5, left + 16)
            line = y == top + 18 or x == left + 11
            pixels[y][x] = (150, 110, 20) if edge or line else (230, 190, 60)
    # The name, each font pixel 2 x 2.
    x0, y0 = 34, 16
    for letter in "TELVANE":
        rows = FONT[letter]
        for row, bits in enumerate(rows):
            for col, bit in enumerate(bits):
                if bit == "1":
                    for dy in range(2):
                        for dx in range(2):
                            pixels[y0 + 2 * row + dy][x0 + 2 * col + dx] = (255, 255, 255)
        x0 += 12
    return pixels


def write_bmp(path, pixels):
    row_size = (WIDTH * 3 + 3) & ~3
    data = bytearray()
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up rows
        row = bytearray()
        for r, g, b in pixels[y]:
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + data)


if __name__ == "__main__":
    write_bmp(sys.argv[1] if len(sys.argv) > 1 else "logo.bmp", draw())
