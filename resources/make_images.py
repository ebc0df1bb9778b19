#!/usr/bin/env python3
"""Writes the control's small images into this folder:

  CR.bmp         16 x 16, 8 bits per pixel with a two-colour palette: the
                 line-end glyph, a maroon return arrow on white.
  RevCursor.png  32 x 32 RGBA: the reversed (right-pointing) arrow cursor,
                 black with a white outline, tip at the top-right corner.

Only the standard library is used; run it from anywhere.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# --- CR.bmp ---------------------------------------------------------------

CR_SIZE = 16
WHITE = (255, 255, 255)
MAROON = (128, 0, 0)

# Two strokes that touch only diagonally at (10, 9)/(9, 10), so a flood fill
# started in one never spills into the other.
CR_DOWN = [(10, y) for y in range(3, 10)]
CR_LEFT = [(x, 10) for x in range(3, 10)] + [(5, 8), (4, 9), (5, 9), (4, 11), (5, 11), (5, 12)]


def write_cr(path):
    ink = set(CR_DOWN) | set(CR_LEFT)
    stride = (CR_SIZE + 3) & ~3
    rows = []
    for y in reversed(range(CR_SIZE)):  # BMP rows run bottom-up
        row = bytes(1 if (x, y) in ink else 0 for x in range(CR_SIZE))
        rows.append(row + b"\0" * (stride - CR_SIZE))
    pixels = b"".join(rows)
    palette = b"".join(bytes((b, g, r, 0)) for (r, g, b) in (WHITE, MAROON))
    header_size = 14 + 40
    offset = header_size + len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, CR_SIZE, CR_SIZE, 1, 8, 0, len(pixels),
                              2835, 2835, 2, 2)
    with open(path, "wb") as f:
        f.write(file_header + info_header + palette + pixels)


# --- RevCursor.png ----------------------------------------------------------

# The usual arrow pointer drawn with its tip at the top-left: 'O' outline,
# 'X' body.  It is mirrored so that the tip sits at the top-right corner.
ARROW = [
    "O",
    "OO",
    "OXO",
    "OXXO",
    "OXXXO",
    "OXXXXO",
    "OXXXXXO",
    "OXXXXXXO",
    "OXXXXXXXO",
    "OXXXXXXXXO",
    "OXXXXXXXXXO",
    "OXXXXXXOOOOO",
    "OXXXOXXO",
    "OXXO OXXO",
    "OXO  OXXO",
    "OO    OXXO",
    "O     OXXO",
    "       OXXO",
    "       OXXO",
    "        OO",
]
CURSOR_SIZE = 32
CURSOR_HOT_SPOT = (CURSOR_SIZE - 1, 0)  # LoadRevCursor uses the same point


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_cursor(path):
    colours = {"O": (255, 255, 255, 255), "X": (0, 0, 0, 255)}
    clear = (0, 0, 0, 0)
    raw = bytearray()
    for y in range(CURSOR_SIZE):
        raw.append(0)  # filter: none
        line = ARROW[y] if y < len(ARROW) else ""
        for x in range(CURSOR_SIZE):
            col = CURSOR_SIZE - 1 - x  # mirrored
            ch = line[col] if col < len(line) else " "
            raw.extend(colours.get(ch, clear))
    header = struct.pack(">IIBBBBB", CURSOR_SIZE, CURSOR_SIZE, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(png_chunk(b"IHDR", header))
        f.write(png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(png_chunk(b"IEND", b""))


if __name__ == "__main__":
    write_cr(os.path.join(HERE, "CR.bmp"))
    write_cursor(os.path.join(HERE, "RevCursor.png"))
