#!/usr/bin/env python3
"""Draws the language packs' images and writes them beside this script.

    python3 langpack/images/draw_images.py

Every image is drawn here from simple shapes, with the standard library only, so the
output is the same on every machine and run; the files are committed and the build uses
them as they are. Icons are PNG files (RGBA, anti-aliased); bitmaps are BMP files in the
bit depths the packs promise: the toolbar strip in 16 colours, drawn crisp on the button
face RGB(192, 192, 192), the PIN dialogs' key in true colour on the same face, the check
boxes in 256 colours on pure magenta.
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# Colours (red, green, blue).
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
FACE = (192, 192, 192)
GREY = (128, 128, 128)
MAGENTA = (255, 0, 255)


class Canvas:
    """An RGBA picture drawn at `scale` samples per pixel and averaged down on output.

    Shapes take coordinates in output pixels. With scale 1 nothing is blended at edges: a
    pixel is painted when its centre lies inside the shape, so a picture drawn with opaque
    palette colours keeps exactly those colours.
    """

    def __init__(self, width, height, scale=6, background=None):
        self.width, self.height, self.scale = width, height, scale
        self.w, self.h = width * scale, height * scale
        r, g, b, a = (0.0, 0.0, 0.0, 0.0) if background is None else (*background, 255)
        self.px = [[r / 255 * a / 255, g / 255 * a / 255, b / 255 * a / 255, a / 255]
                   for _ in range(self.w * self.h)]

    # -- painting spans ------------------------------------------------------------------

    def _blend(self, index, colour):
        r, g, b = colour[0] / 255, colour[1] / 255, colour[2] / 255
        alpha = colour[3] / 255 if len(colour) > 3 else 1.0
        p = self.px[index]
        keep = 1 - alpha
        p[0] = r * alpha + p[0] * keep
        p[1] = g * alpha + p[1] * keep
        p[2] = b * alpha + p[2] * keep
        p[3] = alpha + p[3] * keep

    def _span(self, row, x0, x1, paint):
        """Paints the samples of one row whose centres lie in [x0, x1) (sample units)."""
        if row < 0 or row >= self.h:
            return
        start = max(0, math.ceil(x0 - 0.5))
        end = min(self.w, math.ceil(x1 - 0.5))
        base = row * self.w
        s = self.scale
        for x in range(start, end):
            colour = paint if not callable(paint) else paint((x + 0.5) / s, (row + 0.5) / s)
            self._blend(base + x, colour)

    # -- shapes --------------------------------------------------------------------------

    def polygon(self, points, paint):
        """Fills a polygon (even-odd rule)."""
        s = self.scale
        pts = [(x * s, y * s) for x, y in points]
        ys = [p[1] for p in pts]
        for row in range(max(0, math.floor(min(ys))), min(self.h, math.ceil(max(ys)) + 1)):
            cy = row + 0.5
            crossings = []
            for i in range(len(pts)):
                (xa, ya), (xb, yb) = pts[i], pts[(i + 1) % len(pts)]
                if (ya <= cy < yb) or (yb <= cy < ya):
                    crossings.append(xa + (cy - ya) * (xb - xa) / (yb - ya))
            crossings.sort()
            for i in range(0, len(crossings) - 1, 2):
                self._span(row, crossings[i], crossings[i + 1], paint)

    def rect(self, x0, y0, x1, y1, paint):
        self.polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], paint)

    def ellipse(self, cx, cy, rx, ry, paint):
        s = self.scale
        cx, cy, rx, ry = cx * s, cy * s, rx * s, ry * s
        for row in range(max(0, math.floor(cy - ry)), min(self.h, math.ceil(cy + ry) + 1)):
            dy = (row + 0.5 - cy) / ry
            if abs(dy) < 1:
                dx = rx * math.sqrt(1 - dy * dy)
                self._span(row, cx - dx, cx + dx, paint)

    def circle(self, cx, cy, r, paint):
        self.ellipse(cx, cy, r, r, paint)

    def ring(self, cx, cy, outer, inner, paint):
        """A circle with a round hole (the hole shows what lies below)."""
        s = self.scale
        cxs, cys, ro, ri = cx * s, cy * s, outer * s, inner * s
        for row in range(max(0, math.floor(cys - ro)), min(self.h, math.ceil(cys + ro) + 1)):
            dy = row + 0.5 - cys
            if abs(dy) >= ro:
                continue
            do = math.sqrt(ro * ro - dy * dy)
            if abs(dy) < ri:
                di = math.sqrt(ri * ri - dy * dy)
                self._span(row, cxs - do, cxs - di, paint)
                self._span(row, cxs + di, cxs + do, paint)
            else:
                self._span(row, cxs - do, cxs + do, paint)

    def round_rect(self, x0, y0, x1, y1, radius, paint):
        s = self.scale
        x0, y0, x1, y1, r = x0 * s, y0 * s, x1 * s, y1 * s, radius * s
        for row in range(max(0, math.floor(y0)), min(self.h, math.ceil(y1) + 1)):
            cy = row + 0.5
            if not y0 <= cy < y1:
                continue
            inset = 0.0
            if cy < y0 + r:
                d = y0 + r - cy
                inset = r - math.sqrt(max(0.0, r * r - d * d))
            elif cy > y1 - r:
                d = cy - (y1 - r)
                inset = r - math.sqrt(max(0.0, r * r - d * d))
            self._span(row, x0 + inset, x1 - inset, paint)

    def line(self, x0, y0, x1, y1, width, paint, caps=True):
        """A straight stroke of the given width, with round ends unless caps is False."""
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy)
        if length == 0:
            if caps:
                self.circle(x0, y0, width / 2, paint)
            return
        nx, ny = -dy / length * width / 2, dx / length * width / 2
        self.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny),
                      (x0 - nx, y0 - ny)], paint)
        if caps:
            self.circle(x0, y0, width / 2, paint)
            self.circle(x1, y1, width / 2, paint)

    def polyline(self, points, width, paint, closed=False):
        """Strokes a path; joints are round, drawn once so that alpha does not pile up."""
        segments = list(zip(points, points[1:] + (points[:1] if closed else [])))
        for (xa, ya), (xb, yb) in segments:
            self.line(xa, ya, xb, yb, width, paint, caps=False)
        for x, y in points:
            self.circle(x, y, width / 2, paint)

    def outlined(self, points, fill, outline, width=1.0):
        self.polygon(points, fill)
        self.polyline(points, width, outline, closed=True)

    # -- output --------------------------------------------------------------------------

    def pixels(self):
        """The picture as rows of (r, g, b, a) with 0-255 channels, averaged down."""
        s = self.scale
        rows = []
        for y in range(self.height):
            row = []
            for x in range(self.width):
                r = g = b = a = 0.0
                for sy in range(y * s, y * s + s):
                    base = sy * self.w + x * s
                    for p in self.px[base : base + s]:
                        r += p[0]
                        g += p[1]
                        b += p[2]
                        a += p[3]
                n = s * s
                r, g, b, a = r / n, g / n, b / n, a / n
                if a > 0:
                    r, g, b = r / a, g / a, b / a
                row.append(tuple(max(0, min(255, round(v * 255))) for v in (r, g, b, a)))
            rows.append(row)
        return rows


def vertical(top, bottom, y0, y1):
    """A paint that runs from colour top at y0 to colour bottom at y1."""

    def paint(x, y):
        t = min(1.0, max(0.0, (y - y0) / (y1 - y0)))
        return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))

    return paint


# -- file writers ------------------------------------------------------------------------


def write_png(name, rows):
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body)))

    data = (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def write_bmp(name, rows, bits, palette=None):
    """An uncompressed bottom-up BMP; rows of (r, g, b[, a]) are matched to the palette."""
    height, width = len(rows), len(rows[0])
    stride = (width * bits + 31) // 32 * 4
    table = b""
    if bits <= 8:
        entries = list(palette) + [BLACK] * ((1 << bits) - len(palette))
        table = b"".join(bytes((b, g, r, 0)) for r, g, b in entries)
    body = bytearray()
    for row in reversed(rows):
        line = bytearray()
        if bits == 24:
            for r, g, b, *_ in row:
                line += bytes((b, g, r))
        else:
            indices = [nearest(palette, p[:3]) for p in row]
            per_byte = 8 // bits
            for i in range(0, width, per_byte):
                value = 0
                for j in range(per_byte):
                    index = indices[i + j] if i + j < width else 0
                    value = (value << bits) | index
                line.append(value)
        line += bytes(stride - len(line))
        body += line
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(body), 2835, 2835,
                       len(palette) if palette else 0, 0)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + info + table + bytes(body))


def nearest(palette, colour):
    best, best_distance = 0, None
    for i, p in enumerate(palette):
        d = sum((a - b) ** 2 for a, b in zip(p, colour))
        if best_distance is None or d < best_distance:
            best, best_distance = i, d
    return best


# -- shared motifs -----------------------------------------------------------------------

GOLD = (226, 178, 42)
GOLD_DARK = (150, 104, 16)
GOLD_LIGHT = (250, 222, 120)
KEY_YELLOW = (247, 204, 40)
KEY_DARK = (150, 104, 10)
RED = (214, 32, 32)
RED_DARK = (128, 12, 12)
BLUE = (40, 108, 214)
BLUE_DARK = (18, 52, 128)
GREEN = (40, 160, 48)
GREEN_DARK = (18, 92, 24)
PAPER = (252, 252, 246)
PAPER_EDGE = (112, 112, 112)
ROW = (150, 170, 200)
CARD_BLUE = (46, 96, 180)
CARD_BLUE_LIGHT = (96, 150, 226)


def sim_card(c, x, y, w, h, body=None, edge=(30, 50, 100), chip=True):
    """A SIM card standing upright, its top right corner cut, a gold contact chip on it."""
    cut = w * 0.28
    outline = [(x, y), (x + w - cut, y), (x + w, y + cut), (x + w, y + h), (x, y + h)]
    c.outlined(outline, body or vertical(CARD_BLUE_LIGHT, CARD_BLUE, y, y + h), edge,
               max(0.8, w / 22))
    if chip:
        cw, ch = w * 0.56, h * 0.36
        cx, cy = x + (w - cw) / 2, y + h * 0.48
        c.round_rect(cx, cy, cx + cw, cy + ch, min(cw, ch) * 0.18, GOLD_DARK)
        inset = max(0.6, w / 30)
        c.round_rect(cx + inset, cy + inset, cx + cw - inset, cy + ch - inset,
                     min(cw, ch) * 0.14, vertical(GOLD_LIGHT, GOLD, cy, cy + ch))
        line = max(0.5, w / 40)
        c.line(cx + cw / 2, cy + inset, cx + cw / 2, cy + ch - inset, line, GOLD_DARK, False)
        for f in (1 / 3, 2 / 3):
            c.line(cx + inset, cy + ch * f, cx + cw * 0.38, cy + ch * f, line, GOLD_DARK, False)
            c.line(cx + cw * 0.62, cy + ch * f, cx + cw - inset, cy + ch * f, line, GOLD_DARK,
                   False)


def key(c, x, y, length, thickness, fill=KEY_YELLOW, edge=KEY_DARK, angle=0.0):
    """A key lying along a direction from its bow at (x, y): bow, shaft and two teeth."""
    ca, sa = math.cos(angle), math.sin(angle)

    def at(u, v):
        return (x + u * ca - v * sa, y + u * sa + v * ca)

    r = thickness * 1.55
    shaft_half = thickness * 0.42
    shaft = [at(r * 0.8, -shaft_half), at(length, -shaft_half), at(length, shaft_half),
             at(r * 0.8, shaft_half)]
    tooth1 = [at(length - thickness * 1.9, shaft_half), at(length - thickness * 0.9, shaft_half),
              at(length - thickness * 0.9, shaft_half + thickness * 1.2),
              at(length - thickness * 1.9, shaft_half + thickness * 1.2)]
    tooth2 = [at(length - thickness * 3.6, shaft_half), at(length - thickness * 2.6, shaft_half),
              at(length - thickness * 2.6, shaft_half + thickness * 0.9),
              at(length - thickness * 3.6, shaft_half + thickness * 0.9)]
    width = max(0.8, thickness * 0.28)
    for part in (shaft, tooth1, tooth2):
        c.polyline(part, width * 2, edge, closed=True)
    hole = r * 0.42
    c.ring(*at(0, 0), r + width, hole, edge)
    for part in (shaft, tooth1, tooth2):
        c.polygon(part, fill)
    c.ring(*at(0, 0), r, hole + width, fill)
    # A glint along the top of the bow.
    c.ring(*at(-r * 0.15, -r * 0.15), r * 0.78, r * 0.6, (255, 244, 190, 150))


def list_sheet(c, x0, y0, x1, y1, rows=5, highlight=None):
    """A list: a white sheet with ruled rows; row `highlight` is marked as the new one."""
    c.rect(x0 - 1, y0 - 1, x1 + 1, y1 + 1, PAPER_EDGE)
    c.rect(x0, y0, x1, y1, PAPER)
    step = (y1 - y0) / rows
    for i in range(rows):
        top = y0 + i * step
        if i == highlight:
            c.rect(x0 + 1, top + 0.8, x1 - 1, top + step - 0.8, (255, 236, 140))
        c.line(x0 + 2.5, top + step / 2, x1 - 2.5, top + step / 2, 1.4,
               GREEN_DARK if i == highlight else ROW)


def plus(c, cx, cy, size, fill=GREEN, edge=GREEN_DARK):
    t = size / 3
    points = [(cx - t / 2, cy - size / 2), (cx + t / 2, cy - size / 2), (cx + t / 2, cy - t / 2),
              (cx + size / 2, cy - t / 2), (cx + size / 2, cy + t / 2), (cx + t / 2, cy + t / 2),
              (cx + t / 2, cy + size / 2), (cx - t / 2, cy + size / 2), (cx - t / 2, cy + t / 2),
              (cx - size / 2, cy + t / 2), (cx - size / 2, cy - t / 2), (cx - t / 2, cy - t / 2)]
    c.polyline(points, 1.6, edge, closed=True)
    c.polygon(points, fill)


def minus(c, cx, cy, size, fill=RED, edge=RED_DARK):
    t = size / 3
    points = [(cx - size / 2, cy - t / 2), (cx + size / 2, cy - t / 2), (cx + size / 2, cy + t / 2),
              (cx - size / 2, cy + t / 2)]
    c.polyline(points, 1.6, edge, closed=True)
    c.polygon(points, fill)


def arrow(c, tip, tail, shaft, head_width, head_length, fill, edge, outline=1.4):
    """A flat arrow from tail to tip."""
    (tx, ty), (bx, by) = tip, tail
    length = math.hypot(tx - bx, ty - by)
    ux, uy = (tx - bx) / length, (ty - by) / length
    nx, ny = -uy, ux
    hx, hy = tx - ux * head_length, ty - uy * head_length
    points = [(bx + nx * shaft / 2, by + ny * shaft / 2), (hx + nx * shaft / 2, hy + ny * shaft / 2),
              (hx + nx * head_width / 2, hy + ny * head_width / 2), (tx, ty),
              (hx - nx * head_width / 2, hy - ny * head_width / 2),
              (hx - nx * shaft / 2, hy - ny * shaft / 2), (bx - nx * shaft / 2, by - ny * shaft / 2)]
    if outline:
        c.polyline(points, outline * 2, edge, closed=True)
    c.polygon(points, fill)
    return points


def envelope(c, x0, y0, x1, y1, width=1.0, body=(255, 250, 232), edge=(110, 90, 60)):
    c.rect(x0, y0, x1, y1, edge)
    c.rect(x0 + width, y0 + width, x1 - width, y1 - width, body)
    mx, my = (x0 + x1) / 2, y0 + (y1 - y0) * 0.58
    c.polyline([(x0 + width, y0 + width), (mx, my), (x1 - width, y0 + width)], width, edge)
    c.line(x0 + width, y1 - width, mx - (x1 - x0) * 0.12, my - (y1 - y0) * 0.05, width * 0.8,
           (180, 160, 120))
    c.line(x1 - width, y1 - width, mx + (x1 - x0) * 0.12, my - (y1 - y0) * 0.05, width * 0.8,
           (180, 160, 120))


def pencil(c, x0, y0, x1, y1, width):
    """A yellow pencil from its sharpened tip (x0, y0) to its end (x1, y1)."""
    length = math.hypot(x1 - x0, y1 - y0)
    ux, uy = (x1 - x0) / length, (y1 - y0) / length
    nx, ny = -uy * width / 2, ux * width / 2
    cone = width * 1.3
    bx, by = x0 + ux * cone, y0 + uy * cone
    ex, ey = x1 - ux * width * 0.9, y1 - uy * width * 0.9
    edge = (70, 50, 20)
    body = [(bx + nx, by + ny), (ex + nx, ey + ny), (ex - nx, ey - ny), (bx - nx, by - ny)]
    c.polyline(body + [(x0, y0)], max(0.8, width * 0.22), edge, closed=False)
    c.polyline([(bx + nx, by + ny), (x0, y0), (bx - nx, by - ny)], max(0.8, width * 0.22), edge)
    c.polygon([(bx + nx, by + ny), (x0, y0), (bx - nx, by - ny)], (236, 200, 150))
    tipx, tipy = x0 + ux * cone * 0.4, y0 + uy * cone * 0.4
    c.polygon([(tipx + nx * 0.4, tipy + ny * 0.4), (x0, y0), (tipx - nx * 0.4, tipy - ny * 0.4)],
              (50, 50, 50))
    c.polygon(body, (244, 190, 30))
    c.polygon([(bx, by), (ex, ey), (ex - nx, ey - ny), (bx - nx, by - ny)], (214, 150, 20))
    c.polygon([(ex + nx, ey + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (ex - nx, ey - ny)],
              (236, 130, 140))
    c.polyline([(ex + nx, ey + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (ex - nx, ey - ny)],
               max(0.8, width * 0.22), edge, closed=True)


# -- the icons ---------------------------------------------------------------------------


def icon_sim_card():
    c = Canvas(32, 32)
    sim_card(c, 6, 2.5, 20, 27)
    return c


def icon_add_to_end():
    c = Canvas(32, 32)
    list_sheet(c, 2, 3, 19, 29, rows=5, highlight=4)
    arrow(c, (19.5, 26.4), (30, 17), 3.2, 8, 5.5, GREEN, GREEN_DARK)
    plus(c, 25, 7, 10)
    return c


def icon_insert():
    c = Canvas(32, 32)
    list_sheet(c, 2, 3, 19, 29, rows=5, highlight=2)
    arrow(c, (19.5, 16), (31, 16), 3.2, 8, 5.5, GREEN, GREEN_DARK)
    plus(c, 25, 6.5, 10)
    return c


def icon_edit():
    c = Canvas(32, 32)
    # The sheet, with the lines already written on it.
    c.polygon([(3, 2), (20, 2), (25, 7), (25, 30), (3, 30)], PAPER_EDGE)
    c.polygon([(4, 3), (19.5, 3), (24, 7.5), (24, 29), (4, 29)], PAPER)
    c.polygon([(19.5, 3), (19.5, 7.5), (24, 7.5)], (210, 210, 200))
    for i, end in enumerate((20, 21, 21, 17, 12)):
        c.line(7, 9 + i * 4, end, 9 + i * 4, 1.2, (60, 80, 150))
    # The hand holding a pen, writing at the end of the last line.
    pen_tip = (13.2, 25.5)
    c.line(pen_tip[0], pen_tip[1], 27, 9, 2.2, (30, 30, 40))
    c.circle(*pen_tip, 0.9, (30, 30, 40))
    skin, skin_edge = (246, 200, 160), (160, 100, 60)
    hand = [(17.5, 19.5), (20, 16), (24.5, 14.5), (29, 16), (31, 20.5), (29.5, 25.5),
            (25, 28.5), (20.5, 27.5), (18.5, 24.5)]
    c.polyline(hand, 1.6, skin_edge, closed=True)
    c.polygon(hand, skin)
    # Finger and thumb round the pen.
    finger = [(15.5, 22.5), (18.5, 19.2), (22, 19.5), (19, 23.5)]
    c.polyline(finger, 1.4, skin_edge, closed=True)
    c.polygon(finger, skin)
    c.line(21.5, 22.5, 26, 21.2, 0.9, skin_edge)
    c.line(22.5, 25.5, 27, 24.5, 0.9, skin_edge)
    return c


def icon_remove():
    c = Canvas(32, 32)
    list_sheet(c, 2, 3, 19, 29, rows=5, highlight=2)
    arrow(c, (31, 16), (12, 16), 3.2, 8, 5.5, (90, 150, 230), BLUE_DARK)
    minus(c, 25.5, 25, 10)
    return c


def icon_arrow(direction, fill, edge):
    c = Canvas(32, 32)
    tips = {"up": ((16, 2.5), (16, 29.5)), "down": ((16, 29.5), (16, 2.5)),
            "left": ((2.5, 16), (29.5, 16)), "right": ((29.5, 16), (2.5, 16))}
    tip, tail = tips[direction]
    arrow(c, tip, tail, 10, 24, 12, fill, edge, outline=1.2)
    # A light edge along one side of the shaft gives the arrow some depth.
    return c


def icon_red_arrow(direction):
    return icon_arrow(direction, vertical((240, 80, 70), (190, 20, 20), 2, 30), RED_DARK)


def icon_blue_arrow(direction):
    return icon_arrow(direction, vertical((110, 170, 240), (30, 90, 200), 2, 30), BLUE_DARK)


def icon_key():
    c = Canvas(39, 22)
    key(c, 7.5, 11, 29.5, 3.6)
    return c


def letter(c):
    envelope(c, 2, 8, 26, 26, width=1.2)


def icon_letter_reply():
    c = Canvas(32, 32)
    letter(c)
    # A curved arrow turning back to the left.
    path = [(30, 14)]
    for i in range(0, 13):
        a = math.pi * (0.0 - i / 12 * 0.9)
        path.append((22 + 8 * math.cos(a), 14 + 8 * math.sin(a)))
    c.polyline(path, 5.2, BLUE_DARK)
    c.polyline(path, 3.0, (90, 150, 230))
    end = path[-1]
    arrow(c, (end[0] - 7, end[1] + 2.5), (end[0] + 0.5, end[1] - 0.2), 0.1, 8.5, 7,
          (90, 150, 230), BLUE_DARK)
    return c


def icon_letter_forward():
    c = Canvas(32, 32)
    letter(c)
    arrow(c, (31, 8), (15, 8), 3.4, 9, 6.5, (90, 150, 230), BLUE_DARK)
    return c


def icon_floppy_disk():
    c = Canvas(32, 32)
    body = [(3, 3), (26, 3), (29, 6), (29, 29), (3, 29)]
    c.outlined(body, vertical((70, 80, 110), (36, 42, 64), 3, 29), (20, 22, 34), 1.2)
    # The metal shutter with its window.
    c.rect(9, 3.6, 23, 12, vertical((226, 228, 232), (160, 164, 172), 3, 12))
    c.rect(9, 3.6, 23, 12, (90, 94, 100, 60))
    c.rect(17.5, 5, 21, 10.5, (40, 44, 60))
    # The label.
    c.rect(7, 16, 25, 28.2, (250, 250, 246))
    for y in (19.5, 22.5, 25.5):
        c.line(9, y, 23, y, 0.9, (150, 150, 200))
    return c


def icon_tick():
    c = Canvas(16, 16)
    points = [(2, 9), (6, 13.5), (14.5, 3.5)]
    c.polyline(points, 4.4, GREEN_DARK)
    c.polyline(points, 2.6, (70, 200, 70))
    return c


def icon_envelope():
    c = Canvas(16, 16)
    envelope(c, 0.5, 3, 15.5, 13, width=1.0)
    return c


def icon_address_card():
    c = Canvas(16, 16)
    c.round_rect(0.5, 2.5, 15.5, 13.5, 1.5, (90, 80, 60))
    c.round_rect(1.5, 3.5, 14.5, 12.5, 1.0, (255, 248, 220))
    c.rect(1.5, 3.5, 14.5, 5, (200, 80, 60))
    # The person: head and shoulders.
    c.circle(5, 7.6, 1.9, (70, 90, 150))
    c.round_rect(2.4, 9.9, 7.6, 13.5, 2.2, (70, 90, 150))
    c.rect(1.5, 12.5, 14.5, 13.5, (90, 80, 60))
    for y in (7, 9, 11):
        c.line(9, y, 13, y, 0.9, (120, 110, 100))
    return c


# -- the bitmaps -------------------------------------------------------------------------

# The 16 colours of the toolbar strip: the classic Windows palette.
PALETTE_16 = [BLACK, (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
              (0, 128, 128), FACE, GREY, (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
              MAGENTA, (0, 255, 255), WHITE]
P_MAROON, P_GREEN, P_OLIVE, P_NAVY = PALETTE_16[1], PALETTE_16[2], PALETTE_16[3], PALETTE_16[4]
P_TEAL, P_RED, P_YELLOW, P_BLUE = PALETTE_16[6], PALETTE_16[9], PALETTE_16[11], PALETTE_16[12]
P_LIME, P_AQUA = PALETTE_16[10], PALETTE_16[14]


def toolbar_card(c, x, y, dark=False):
    """The SIM card of the toolbar: 13 x 18 pixels, crisp, in the 16 colours."""
    body, edge = (GREY, BLACK) if dark else (P_AQUA, P_NAVY)
    outline = [(x, y), (x + 9, y), (x + 13, y + 4), (x + 13, y + 18), (x, y + 18)]
    c.polygon(outline, edge)
    c.polygon([(x + 1, y + 1), (x + 8.6, y + 1), (x + 12, y + 4.4), (x + 12, y + 17),
               (x + 1, y + 17)], body)
    chip = (GREY, BLACK) if dark else (P_YELLOW, P_OLIVE)
    c.rect(x + 3, y + 8, x + 10, y + 14, chip[1])
    c.rect(x + 4, y + 9, x + 9, y + 13, chip[0])
    c.rect(x + 6, y + 9, x + 7, y + 13, chip[1])
    c.rect(x + 4, y + 11, x + 9, y + 12, chip[1])


def toolbar_plug(c, x, y, colour=GREY):
    """A plug pointing right, its prongs ending at x + 12, its cable leaving to the left."""
    c.rect(x - 6, y + 4, x + 1, y + 6, BLACK)
    c.rect(x, y, x + 8, y + 10, BLACK)
    c.rect(x + 1, y + 1, x + 7, y + 9, colour)
    c.rect(x + 1, y + 1, x + 7, y + 2, WHITE)
    c.rect(x + 8, y + 2, x + 12, y + 4, BLACK)
    c.rect(x + 8, y + 6, x + 12, y + 8, BLACK)


def toolbar_stroke(c, x):
    c.rect(x + 19, 6, x + 20, 24, GREY)
    c.rect(x + 20, 6, x + 21, 24, WHITE)


def toolbar_key(c, x, y, colour, edge):
    c.rect(x, y, x + 7, y + 7, edge)
    c.rect(x + 1, y + 1, x + 6, y + 6, colour)
    c.rect(x + 2, y + 2, x + 5, y + 5, FACE)
    c.rect(x + 2, y + 2, x + 5, y + 5, edge)
    c.rect(x + 3, y + 3, x + 4, y + 4, FACE)
    c.rect(x + 7, y + 2, x + 17, y + 5, edge)
    c.rect(x + 7, y + 3, x + 16, y + 4, colour)
    c.rect(x + 12, y + 5, x + 14, y + 8, edge)
    c.rect(x + 15, y + 5, x + 17, y + 9, edge)


def bitmap_toolbar():
    c = Canvas(440, 30, scale=1, background=FACE)
    # 0: blank.
    # 1: connect, a plug in the SIM card.
    x = 40
    toolbar_plug(c, x + 6, 11)
    toolbar_card(c, x + 19, 6)
    c.rect(x + 19, 12, x + 20, 14, P_GREEN)
    c.rect(x + 19, 15, x + 20, 17, P_GREEN)
    # 2: disconnect, the plug pulled out of a dark SIM card.
    x = 80
    toolbar_plug(c, x + 4, 11)
    toolbar_card(c, x + 21, 6, dark=True)
    c.rect(x + 18, 9, x + 19, 11, P_RED)
    c.rect(x + 18, 18, x + 19, 20, P_RED)
    # 3: a short stroke.
    toolbar_stroke(c, 120)
    # 4: read SIM, a red arrow out of the card.
    x = 160
    toolbar_card(c, x + 8, 8)
    c.rect(x + 17, 4, x + 28, 7, P_MAROON)
    c.rect(x + 17, 5, x + 27, 6, P_RED)
    c.polygon([(x + 27, 1), (x + 33, 5.5), (x + 27, 10)], P_MAROON)
    c.polygon([(x + 27.8, 2.6), (x + 31.6, 5.5), (x + 27.8, 8.4)], P_RED)
    c.rect(x + 14, 5, x + 17, 13, P_MAROON)
    c.rect(x + 15, 5, x + 16, 13, P_RED)
    # 5: write SIM, a pen over the card.
    x = 200
    toolbar_card(c, x + 7, 7)
    for i in range(12):
        px, py = x + 29 - i, 4 + i
        c.rect(px - 1, py - 1, px + 2, py + 2, BLACK)
    for i in range(11):
        px, py = x + 29 - i, 4 + i
        c.rect(px, py, px + 1, py + 1, P_YELLOW)
        c.rect(px + 1, py - 1, px + 2, py, P_OLIVE)
    c.rect(x + 29, 2, x + 32, 5, P_RED)
    c.rect(x + 17, 15, x + 19, 17, BLACK)
    c.rect(x + 16, 17, x + 17, 18, BLACK)
    # 6: a stroke.
    toolbar_stroke(c, 240)
    # 7: PIN, two keys.
    x = 280
    toolbar_key(c, x + 6, 6, P_YELLOW, P_OLIVE)
    toolbar_key(c, x + 12, 15, WHITE, GREY)
    # 8: a stroke.
    toolbar_stroke(c, 320)
    # 9: file, a folder.
    x = 360
    c.polygon([(x + 7, 7), (x + 15, 7), (x + 17, 9), (x + 32, 9), (x + 32, 24), (x + 7, 24)],
              BLACK)
    c.polygon([(x + 8, 8), (x + 14.6, 8), (x + 16.6, 10), (x + 31, 10), (x + 31, 23), (x + 8, 23)],
              P_OLIVE)
    c.polygon([(x + 7, 24), (x + 11, 13), (x + 35, 13), (x + 31, 24)], BLACK)
    c.polygon([(x + 8.4, 23), (x + 11.8, 14), (x + 33.6, 14), (x + 30.2, 23)], P_YELLOW)
    # 10: a stroke.
    toolbar_stroke(c, 400)
    return c


def bitmap_key():
    c = Canvas(41, 24, background=FACE)
    key(c, 8, 12, 31, 3.9)
    return c


# The colour table of the check boxes: magenta first (the mask), then what they use.
PALETTE_CHECKS = [MAGENTA, BLACK, WHITE, FACE, GREY, (64, 64, 64), (223, 223, 223)]


def bitmap_check_boxes():
    c = Canvas(48, 16, scale=1, background=MAGENTA)
    for index in (1, 2):
        x = index * 16 + 1
        # A classic sunken check box, 13 x 13.
        c.rect(x + 1, 2, x + 13, 3, GREY)
        c.rect(x + 1, 2, x + 2, 14, GREY)
        c.rect(x + 2, 3, x + 12, 4, (64, 64, 64))
        c.rect(x + 2, 3, x + 3, 13, (64, 64, 64))
        c.rect(x + 1, 14, x + 14, 15, WHITE)
        c.rect(x + 13, 2, x + 14, 15, WHITE)
        c.rect(x + 2, 13, x + 13, 14, (223, 223, 223))
        c.rect(x + 12, 3, x + 13, 14, (223, 223, 223))
        c.rect(x + 3, 4, x + 12, 13, WHITE)
        if index == 2:
            for i, (dx, dy) in enumerate([(4, 8), (5, 9), (6, 10), (7, 9), (8, 8), (9, 7),
                                          (10, 6)]):
                c.rect(x + dx, dy, x + dx + 1, dy + 3, BLACK)
    return c


def main():
    icons = {
        "sim-card-128.png": icon_sim_card,
        "add-to-end-129.png": icon_add_to_end,
        "insert-142.png": icon_insert,
        "edit-143.png": icon_edit,
        "remove-144.png": icon_remove,
        "arrow-up-145.png": lambda: icon_red_arrow("up"),
        "arrow-down-146.png": lambda: icon_red_arrow("down"),
        "key-154.png": icon_key,
        "letter-reply-159.png": icon_letter_reply,
        "letter-forward-160.png": icon_letter_forward,
        "floppy-disk-162.png": icon_floppy_disk,
        "tick-163.png": icon_tick,
        "envelope-170.png": icon_envelope,
        "address-card-172.png": icon_address_card,
        "arrow-left-173.png": lambda: icon_blue_arrow("left"),
        "arrow-right-176.png": lambda: icon_blue_arrow("right"),
    }
    for name, draw in icons.items():
        write_png(name, draw().pixels())
    write_bmp("toolbar-137.bmp", bitmap_toolbar().pixels(), 4, PALETTE_16)
    write_bmp("key-152.bmp", bitmap_key().pixels(), 24)
    write_bmp("check-boxes-173.bmp", bitmap_check_boxes().pixels(), 8, PALETTE_CHECKS)


if __name__ == "__main__":
    main()
