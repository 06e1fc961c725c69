"""Readers of the resource formats the image checks look into: icon
images (device-independent bitmaps with a mask) and version blocks."""

import struct


def ico_images(path):
    """The images of an .ico file, in its order."""
    with open(path, "rb") as f:
        data = f.read()
    count = struct.unpack_from("<H", data, 4)[0]
    images = []
    for i in range(count):
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        images.append(data[offset:offset + size])
    return images


def pixels(bitmap):
    """(width, height, rows top first of (palette index, BGR bytes or None
    where the mask makes the pixel transparent))."""
    _, width, height, _, bpp = struct.unpack_from("<IiiHH", bitmap, 0)
    height //= 2
    palette = [bitmap[40 + 4 * i:43 + 4 * i] for i in range(1 << bpp)]
    colour_row = (width * bpp + 31) // 32 * 4
    mask_row = (width + 31) // 32 * 4
    colours = 40 + 4 * len(palette)
    mask = colours + colour_row * height
    rows = []
    for y in reversed(range(height)):
        row = []
        for x in range(width):
            byte = bitmap[colours + y * colour_row + x * bpp // 8]
            index = (byte >> (8 - bpp - x * bpp % 8)) & ((1 << bpp) - 1)
            transparent = bitmap[mask + y * mask_row + x // 8] >> (7 - x % 8) & 1
            row.append((index, None if transparent else palette[index]))
        rows.append(row)
    return width, height, rows


def read_node(data, offset):
    """One VS_VERSIONINFO node: (key, length, value length, type, value, children)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    position = align(key_end + 2)
    value_bytes = 2 * value_length if kind == 1 else value_length
    value = data[position:position + value_bytes] if value_length else b""
    if value_length:
        position += value_bytes
    else:
        position = key_end + 2
    children = []
    while align(position) < end:
        child = read_node(data, align(position))
        children.append(child)
        position = align(position) + child[1]
    if position != end:
        raise AssertionError(f"{key}: length {length}, but its parts end at {position - offset}")
    return key, length, value_length, kind, value, children


def align(n):
    return (n + 3) & ~3
