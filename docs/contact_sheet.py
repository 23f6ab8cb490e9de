#!/usr/bin/env python3
"""Renders a contact sheet of every image a language pack carries.

    python3 docs/contact_sheet.py [PACK]     (default: Zhvalo; writes docs/pack-images.png)

Each image is shown enlarged, on a checkerboard where it is transparent, with its real-size
copy beside it and the line of the pack's images.txt that names it. The toolbar strip is
shown whole and cut into its eleven buttons. Standard library only.
"""

import os
import struct
import sys
import zlib

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# A 5 x 7 font for the labels (capitals, digits and a little punctuation).
FONT = {
    "A": "01110 10001 10001 11111 10001 10001 10001", "B": "11110 10001 10001 11110 10001 10001 11110",
    "C": "01110 10001 10000 10000 10000 10001 01110", "D": "11110 10001 10001 10001 10001 10001 11110",
    "E": "11111 10000 10000 11110 10000 10000 11111", "F": "11111 10000 10000 11110 10000 10000 10000",
    "G": "01110 10001 10000 10111 10001 10001 01111", "H": "10001 10001 10001 11111 10001 10001 10001",
    "I": "01110 00100 00100 00100 00100 00100 01110", "J": "00111 00010 00010 00010 00010 10010 01100",
    "K": "10001 10010 10100 11000 10100 10010 10001", "L": "10000 10000 10000 10000 10000 10000 11111",
    "M": "10001 11011 10101 10101 10001 10001 10001", "N": "10001 10001 11001 10101 10011 10001 10001",
    "O": "01110 10001 10001 10001 10001 10001 01110", "P": "11110 10001 10001 11110 10000 10000 10000",
    "Q": "01110 10001 10001 10001 10101 10010 01101", "R": "11110 10001 10001 11110 10100 10010 10001",
    "S": "01111 10000 10000 01110 00001 00001 11110", "T": "11111 00100 00100 00100 00100 00100 00100",
    "U": "10001 10001 10001 10001 10001 10001 01110", "V": "10001 10001 10001 10001 10001 01010 00100",
    "W": "10001 10001 10001 10101 10101 10101 01010", "X": "10001 10001 01010 00100 01010 10001 10001",
    "Y": "10001 10001 01010 00100 00100 00100 00100", "Z": "11111 00001 00010 00100 01000 10000 11111",
    "0": "01110 10001 10011 10101 11001 10001 01110", "1": "00100 01100 00100 00100 00100 00100 01110",
    "2": "01110 10001 00001 00010 00100 01000 11111", "3": "11111 00010 00100 00010 00001 10001 01110",
    "4": "00010 00110 01010 10010 11111 00010 00010", "5": "11111 10000 11110 00001 00001 10001 01110",
    "6": "00110 01000 10000 11110 10001 10001 01110", "7": "11111 00001 00010 00100 01000 01000 01000",
    "8": "01110 10001 10001 01110 10001 10001 01110", "9": "01110 10001 10001 01111 00001 00010 01100",
    " ": "00000 00000 00000 00000 00000 00000 00000", ":": "00000 01100 01100 00000 01100 01100 00000",
    ",": "00000 00000 00000 00000 01100 00100 01000", ".": "00000 00000 00000 00000 00000 01100 01100",
    "-": "00000 00000 00000 11111 00000 00000 00000", "(": "00010 00100 01000 01000 01000 00100 00010",
    ")": "01000 00100 00010 00010 00010 00100 01000", "/": "00000 00001 00010 00100 01000 10000 00000",
    "'": "01100 00100 01000 00000 00000 00000 00000", "+": "00000 00100 00100 11111 00100 00100 00000",
}


def read_png(data):
    """RGBA rows of an 8-bit RGBA, non-interlaced PNG (the form the packs' icons take)."""
    position, idat, header = 8, b"", None
    while position < len(data):
        (length,) = struct.unpack_from(">I", data, position)
        kind = data[position + 4 : position + 8]
        body = data[position + 8 : position + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        position += 12 + length
    width, height = header[0], header[1]
    raw = zlib.decompress(idat)
    stride, rows, previous = width * 4, [], bytearray(width * 4)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1 : (y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up = previous[i]
            up_left = previous[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - up_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - up_left)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc
                                      else up_left)) & 255
        rows.append([tuple(line[x * 4 : x * 4 + 4]) for x in range(width)])
        previous = line
    return rows


def read_bmp(data):
    """RGBA rows of an uncompressed, bottom-up BMP of 1, 4, 8 or 24 bits."""
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    colours = struct.unpack_from("<I", data, 46)[0] or (1 << bits if bits <= 8 else 0)
    table = [(data[54 + i * 4 + 2], data[54 + i * 4 + 1], data[54 + i * 4], 255)
             for i in range(colours)]
    stride = (width * bits + 31) // 32 * 4
    rows = []
    for y in range(height):
        line = data[offset + (height - 1 - y) * stride :]
        row = []
        for x in range(width):
            if bits == 24:
                b, g, r = line[x * 3 : x * 3 + 3]
                row.append((r, g, b, 255))
            else:
                per_byte = 8 // bits
                byte = line[x // per_byte]
                shift = 8 - bits * (x % per_byte + 1)
                row.append(table[(byte >> shift) & ((1 << bits) - 1)])
        rows.append(row)
    return rows


class Sheet:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.px = [[(255, 255, 255)] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def image(self, rows, x0, y0, zoom, checker=True):
        for y, row in enumerate(rows):
            for x, (r, g, b, a) in enumerate(row):
                for dy in range(zoom):
                    for dx in range(zoom):
                        px, py = x * zoom + dx, y * zoom + dy
                        light = ((px // 4 + py // 4) % 2 == 0) if checker else True
                        back = (236, 236, 236) if light else (204, 204, 204)
                        colour = tuple((c * a + k * (255 - a)) // 255 for c, k in zip((r, g, b), back))
                        self.put(x0 + px, y0 + py, colour)

    def frame(self, x0, y0, x1, y1, colour=(150, 150, 150)):
        for x in range(x0, x1 + 1):
            self.put(x, y0, colour)
            self.put(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colour)
            self.put(x1, y, colour)

    def text(self, x, y, text, colour=(40, 40, 40)):
        for ch in text.upper():
            glyph = FONT.get(ch, FONT[" "]).split()
            for gy, bits in enumerate(glyph):
                for gx, bit in enumerate(bits):
                    if bit == "1":
                        self.put(x + gx, y + gy, colour)
            x += 6
        return x

    def png(self):
        raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in self.px)

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(
                ">I", zlib.crc32(kind + body))

        return (b"\x89PNG\r\n\x1a\n"
                + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def images_of(pack):
    """(type, number, file path, note) for every line of the pack's images.txt."""
    pack_dir = os.path.join(TOP, "langpack", pack)
    entries = []
    with open(os.path.join(pack_dir, "images.txt"), encoding="utf-8") as f:
        for line in f:
            body, _, note = line.partition("#")
            words = body.split()
            if len(words) != 3:
                continue
            path = os.path.join(pack_dir, words[2])
            if not os.path.isfile(path):
                path = os.path.join(TOP, "langpack", "images", words[2])
            entries.append((words[0], int(words[1]), path, note.strip()))
    return entries


def main(argv):
    pack = argv[1] if len(argv) > 1 else "Zhvalo"
    entries = images_of(pack)
    pictures = []
    for kind, number, path, note in entries:
        with open(path, "rb") as f:
            data = f.read()
        pictures.append((kind, number, read_bmp(data) if kind == "bitmap" else read_png(data), note))

    margin, width = 16, 1380
    toolbar = [p for p in pictures if p[0] == "bitmap" and len(p[2][0]) == 440]
    others = [p for p in pictures if p not in toolbar]
    cell_width, zoom = 340, 5
    columns = (width - margin) // cell_width
    grid = [others[i : i + columns] for i in range(0, len(others), columns)]
    row_heights = [max(len(p[2]) * zoom for p in row) + 36 for row in grid]
    height = margin + 24 + (30 * 3 + 20 + 12 + 30 + 28 + 12 if toolbar else 0) + sum(
        h + 12 for h in row_heights) + margin
    sheet = Sheet(width, height)
    sheet.text(margin, margin, f"LANGUAGE PACK {pack}: EVERY IMAGE, ENLARGED AND AT REAL SIZE")
    y = margin + 24
    for kind, number, rows, note in toolbar:
        sheet.text(margin, y, f"{kind} {number}: {note}")
        y += 12
        sheet.image(rows, margin, y, 3, checker=False)
        sheet.frame(margin - 1, y - 1, margin + 440 * 3, y + 30 * 3)
        for i in range(11):
            sheet.text(margin + i * 120 + 56, y + 30 * 3 + 4, str(i))
        y += 30 * 3 + 20
        sheet.text(margin, y, "THE ELEVEN BUTTONS, 40 X 30 EACH, AT REAL SIZE AND SPACED:")
        y += 12
        for i in range(11):
            part = [row[i * 40 : (i + 1) * 40] for row in rows]
            sheet.image(part, margin + i * 56, y, 1, checker=False)
            sheet.frame(margin + i * 56 - 1, y - 1, margin + i * 56 + 40, y + 30)
        sheet.image(rows, margin + 11 * 56 + 40, y, 1, checker=False)
        y += 30 + 28
    for row_pictures, row_height in zip(grid, row_heights):
        for column, (kind, number, rows, note) in enumerate(row_pictures):
            x0 = margin + column * cell_width
            h, w = len(rows), len(rows[0])
            sheet.image(rows, x0, y, zoom)
            sheet.frame(x0 - 1, y - 1, x0 + w * zoom, y + h * zoom)
            sheet.image(rows, x0 + w * zoom + 12, y, 1, checker=False)
            label_y = y + h * zoom + 6
            sheet.text(x0, label_y, f"{kind} {number}")
            line, line_y = "", label_y + 10
            for word in note.split():
                if len(line) + len(word) + 1 > (cell_width - 20) // 6:
                    sheet.text(x0, line_y, line)
                    line, line_y = word, line_y + 10
                else:
                    line = f"{line} {word}".strip()
            sheet.text(x0, line_y, line)
        y += row_height + 12
    with open(os.path.join(TOP, "docs", "pack-images.png"), "wb") as f:
        f.write(sheet.png())


if __name__ == "__main__":
    main(sys.argv)
