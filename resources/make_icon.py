#!/usr/bin/env python3
"""Writes the program's icon into this folder:

  hotaru.png  128 x 128 RGBA: a sheet of ruled paper on a night-blue
              rounded square, with the yellow-green glow of a firefly.

Only the standard library is used; run it from anywhere.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SIZE = 128
SAMPLES = 4  # per pixel and axis, for smooth edges


def rounded_rect(x, y, left, top, right, bottom, radius):
    """True when (x, y) lies inside the rectangle with rounded corners."""
    if not (left <= x < right and top <= y < bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def over(dst, src, alpha):
    """src drawn over dst (both RGBA floats 0..1) with extra coverage alpha."""
    a = src[3] * alpha
    out_a = a + dst[3] * (1 - a)
    if out_a == 0:
        return (0.0, 0.0, 0.0, 0.0)
    rgb = [(src[i] * a + dst[i] * dst[3] * (1 - a)) / out_a for i in range(3)]
    return (rgb[0], rgb[1], rgb[2], out_a)


def sample(x, y):
    """The colour at a point of the icon, in 0..128 coordinates."""
    c = (0.0, 0.0, 0.0, 0.0)
    # Night-blue background, lighter at the top.
    if rounded_rect(x, y, 4, 4, 124, 124, 22):
        t = y / SIZE
        c = (0.07 + 0.06 * (1 - t), 0.10 + 0.08 * (1 - t), 0.25 + 0.12 * (1 - t), 1.0)
    # The sheet, with its ruled lines.
    if rounded_rect(x, y, 28, 20, 92, 108, 5):
        c = over(c, (0.97, 0.97, 0.94, 1.0), 1.0)
        for i in range(6):
            line_y = 36 + i * 11
            line_end = 80 if i % 3 != 2 else 62
            if 36 <= x < line_end and line_y <= y < line_y + 3:
                c = over(c, (0.45, 0.50, 0.62, 1.0), 1.0)
    # The firefly's glow and its bright core.
    gx, gy = 90, 90
    d = math.hypot(x - gx, y - gy)
    glow = max(0.0, 1 - d / 40) ** 1.6
    if glow > 0:
        c = over(c, (0.80, 1.0, 0.30, 1.0), glow)
    if d <= 9:
        c = over(c, (1.0, 1.0, 0.80, 1.0), 1.0)
    return c


def render():
    rows = []
    step = 1 / SAMPLES
    for py in range(SIZE):
        row = bytearray()
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    r, g, b, a = sample(px + (sx + 0.5) * step, py + (sy + 0.5) * step)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SAMPLES * SAMPLES
            a = acc[3] / n
            rgb = [acc[i] / acc[3] if acc[3] else 0.0 for i in range(3)]
            row += bytes(round(255 * min(1.0, v)) for v in (*rgb, a))
        rows.append(bytes(row))
    return rows


def write_png(path, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + r for r in rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    write_png(os.path.join(HERE, "hotaru.png"), render())
