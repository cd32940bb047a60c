#!/usr/bin/env python3
"""Draws the Quorvane program icon and writes it as a Windows .ico file.

Usage: python3 data/make-icon.py data/quorvane.ico

The mark is the one the Linux program draws (src/ui/qt/QtIcon.cpp), on the same 64 x 64 grid: a blue
globe with light meridian and parallel lines, and a white-edged green disc with a white upward arrow at
the lower right. Each pixel is supersampled; every shape is opaque, so a sample takes the colour of the
last shape that covers it. Sizes 16..48 are stored as 32-bit BGRA bitmaps, 256 as PNG. Standard library
only, and the output is the same on every run.
"""
import math
import struct
import sys
import zlib

GLOBE_BLUE = (31, 111, 178)
GLOBE_LINES = (200, 225, 245)
ARROW_GREEN = (46, 157, 74)
WHITE = (255, 255, 255)
LINE_HALF = 1.25  # lines are 2.5 wide
ARROW = [(48, 38), (57, 48), (51.5, 48), (51.5, 57), (44.5, 57), (44.5, 48), (39, 48)]
# Straight lines as (x0, y0, x1, y1); drawn with square caps (each end extended by half the width).
LINES = [(28, 5, 28, 51), (5, 28, 51, 28), (9, 17, 47, 17), (9, 39, 47, 39)]


def in_disc(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def on_ellipse(x, y, cx, cy, a, b, half):
    """True when (x, y) lies within `half` of the ellipse outline (first-order distance)."""
    dx, dy = x - cx, y - cy
    g = dx * dx / (a * a) + dy * dy / (b * b) - 1.0
    grad = math.hypot(2 * dx / (a * a), 2 * dy / (b * b))
    return grad > 0 and abs(g) / grad <= half


def on_line(x, y, x0, y0, x1, y1, half):
    length = math.hypot(x1 - x0, y1 - y0)
    ux, uy = (x1 - x0) / length, (y1 - y0) / length
    along = (x - x0) * ux + (y - y0) * uy
    across = -(x - x0) * uy + (y - y0) * ux
    return -half <= along <= length + half and abs(across) <= half


def in_polygon(x, y, points):
    inside = False
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            inside = not inside
    return inside


def colour_at(x, y):
    """The colour of the point (x, y) of the 64 x 64 grid, or None where the icon is transparent."""
    if in_disc(x, y, 48, 48, 15.5):  # the arrow disc: white pen 3 wide on its r = 14 outline
        if in_polygon(x, y, ARROW):
            return WHITE
        return ARROW_GREEN if in_disc(x, y, 48, 48, 12.5) else WHITE
    if on_ellipse(x, y, 28, 28, 11, 23, LINE_HALF) or any(on_line(x, y, *l, LINE_HALF) for l in LINES):
        return GLOBE_LINES
    if in_disc(x, y, 28, 28, 24):
        return GLOBE_BLUE
    return None


def render(size, grid):
    """Rows (top first) of (r, g, b, a) pixels, each the average of grid x grid samples."""
    scale = 64.0 / size
    offsets = [(k + 0.5) / grid for k in range(grid)]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = n = 0
            for oy in offsets:
                for ox in offsets:
                    c = colour_at((px + ox) * scale, (py + oy) * scale)
                    if c:
                        r, g, b, n = r + c[0], g + c[1], b + c[2], n + 1
            if n == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / n), round(g / n), round(b / n), round(255 * n / (grid * grid))))
        rows.append(row)
    return rows


def dib_entry(rows):
    """BITMAPINFOHEADER (height doubled for the mask), bottom-up BGRA pixels, then the AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + pixels + bytes(mask)


def png_entry(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-icon.py OUTPUT.ico")
    entries = [(s, dib_entry(render(s, 8))) for s in (16, 24, 32, 48)]
    entries.append((256, png_entry(render(256, 4))))
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = len(out) + 16 * len(entries)
    for size, data in entries:
        dim = size % 256  # 0 stands for 256
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in entries)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
