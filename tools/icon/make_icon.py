#!/usr/bin/python3
"""Writes res/quenlow.ico from the pixel rows in quenlow_icon.txt.

The icon holds four device-independent bitmaps, in this order: 16x16 and
32x32 with 16 colours, then 16x16 and 32x32 with 256 colours. Each is a
BITMAPINFOHEADER with twice the icon's height (colour image and mask), a
full palette, the colour rows bottom first, then the one-bit mask in which a
set bit marks a transparent pixel. Rows are padded to 32 bits.

Usage: make_icon.py [OUTPUT]   (default: res/quenlow.ico in the repository)
"""

import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ARTWORK = os.path.join(HERE, "quenlow_icon.txt")
DEFAULT_OUTPUT = os.path.join(HERE, "..", "..", "res", "quenlow.ico")

# The standard 16-colour palette.
VGA = [
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
]

# The 256-colour palette: the 16 above, a 6x6x6 colour cube, 24 greys.
LEVELS = [0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF]
FULL = (VGA
        + [(r << 16) | (g << 8) | b for r in LEVELS for g in LEVELS for b in LEVELS]
        + [0x080808 + 0x0A0A0A * i for i in range(24)])

TRANSPARENT = "."

# The images in the file's order: (size, bits per pixel).
FORMATS = [(16, 4), (32, 4), (16, 8), (32, 8)]


def read_artwork(path):
    """Returns ({char: (vga index, rgb)}, {size: [rows]})."""
    colours = {}
    images = {}
    current = None
    with open(path, encoding="utf-8") as artwork:
        for number, line in enumerate(artwork, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            words = line.split()
            if words[0] == "colour":
                colours[words[1]] = (int(words[2]), int(words[3], 16))
            elif words[0] == "image":
                current = images.setdefault(int(words[1]), [])
            elif current is not None:
                current.append(line)
            else:
                sys.exit(f"{path}:{number}: pixels before an image line")
    for size, rows in images.items():
        if len(rows) != size or any(len(row) != size for row in rows):
            sys.exit(f"{path}: image {size} is not {size} rows of {size} pixels")
        unknown = {c for row in rows for c in row} - set(colours) - {TRANSPARENT}
        if unknown:
            sys.exit(f"{path}: image {size} uses undeclared colours {sorted(unknown)}")
    return colours, images


def row_bytes(bits):
    """Bytes in a row of `bits` bits, padded to 32 bits."""
    return (bits + 31) // 32 * 4


def pack_row(values, bpp):
    """Packs pixel values of `bpp` bits, leftmost pixel in the high bits."""
    row = bytearray(row_bytes(len(values) * bpp))
    per_byte = 8 // bpp
    for x, value in enumerate(values):
        row[x // per_byte] |= value << (8 - bpp * (x % per_byte + 1))
    return bytes(row)


def make_image(rows, bpp, colours):
    size = len(rows)
    palette = VGA if bpp == 4 else FULL
    index = {}
    for char, (vga, rgb) in colours.items():
        index[char] = vga if bpp == 4 else palette.index(rgb)
    index[TRANSPARENT] = 0
    colour_rows = b"".join(pack_row([index[c] for c in row], bpp) for row in reversed(rows))
    mask_rows = b"".join(pack_row([int(c == TRANSPARENT) for c in row], 1)
                         for row in reversed(rows))
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bpp, 0,
                         len(colour_rows) + len(mask_rows), 0, 0, 0, 0)
    entries = b"".join(struct.pack("<BBBB", rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16, 0)
                       for rgb in palette)
    return header + entries + colour_rows + mask_rows


def make_icon(colours, images):
    bitmaps = [make_image(images[size], bpp, colours) for size, bpp in FORMATS]
    directory = struct.pack("<HHH", 0, 1, len(bitmaps))
    offset = len(directory) + 16 * len(bitmaps)
    for (size, bpp), bitmap in zip(FORMATS, bitmaps):
        colour_count = 1 << bpp if bpp < 8 else 0
        directory += struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, bpp,
                                 len(bitmap), offset)
        offset += len(bitmap)
    return directory + b"".join(bitmaps)


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_OUTPUT
    icon = make_icon(*read_artwork(ARTWORK))
    with open(output, "wb") as out:
        out.write(icon)


if __name__ == "__main__":
    main()
