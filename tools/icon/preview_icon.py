#!/usr/bin/python3
"""Draws the four images of Quenlow's icon side by side into one PNG.

Usage: preview_icon.py INPUT OUTPUT.png

INPUT is an .ico file or an executable; from an executable the images are
taken from its icon group, in the group's order. Each image is shown
enlarged on a checkerboard (so transparency shows) and at its real size on
a light and on a dark background.
"""

import struct
import sys

from PIL import Image, ImageDraw

PANEL = 256
MARGIN = 16
LABEL = 16


def icon_images_from_ico(data):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        sys.exit("not an icon file")
    images = []
    for i in range(count):
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        images.append(data[offset:offset + size])
    return images


def icon_images_from_exe(path):
    import pefile

    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])

    def resource_data(type_id, name):
        for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
            if kind.id != type_id:
                continue
            for entry in kind.directory.entries:
                key = str(entry.name) if entry.name is not None else entry.id
                if key == name:
                    lang = entry.directory.entries[0].data.struct
                    return pe.get_data(lang.OffsetToData, lang.Size)
        sys.exit(f"no resource {name} of type {type_id}")

    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id == 14:  # RT_GROUP_ICON: use the first group
            entry = kind.directory.entries[0]
            name = str(entry.name) if entry.name is not None else entry.id
            group = resource_data(14, name)
            count = struct.unpack_from("<H", group, 4)[0]
            numbers = [struct.unpack_from("<H", group, 6 + 14 * i + 12)[0] for i in range(count)]
            return [resource_data(3, number) for number in numbers]
    sys.exit("no icon group")


def decode(bitmap):
    """Returns (bits per pixel, RGBA image) of one icon image."""
    _, width, height, _, bpp = struct.unpack_from("<IiiHH", bitmap, 0)
    height //= 2
    colours = 1 << bpp
    palette = [struct.unpack_from("<BBB", bitmap, 40 + 4 * i)[::-1] for i in range(colours)]
    colour_row = (width * bpp + 31) // 32 * 4
    mask_row = (width + 31) // 32 * 4
    colour_start = 40 + 4 * colours
    mask_start = colour_start + colour_row * height
    image = Image.new("RGBA", (width, height))
    for y in range(height):
        row = height - 1 - y
        for x in range(width):
            byte = bitmap[colour_start + row * colour_row + x * bpp // 8]
            value = (byte >> (8 - bpp - (x * bpp) % 8)) & (colours - 1)
            masked = bitmap[mask_start + row * mask_row + x // 8] >> (7 - x % 8) & 1
            image.putpixel((x, y), (0, 0, 0, 0) if masked else palette[value] + (255,))
    return bpp, image


def checkerboard(size, cell=8):
    board = Image.new("RGBA", (size, size), (255, 255, 255, 255))
    draw = ImageDraw.Draw(board)
    for y in range(0, size, cell):
        for x in range(0, size, cell):
            if (x // cell + y // cell) % 2:
                draw.rectangle([x, y, x + cell - 1, y + cell - 1], fill=(220, 220, 220, 255))
    return board


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, output = sys.argv[1], sys.argv[2]
    with open(source, "rb") as f:
        data = f.read()
    bitmaps = icon_images_from_exe(source) if data[:2] == b"MZ" else icon_images_from_ico(data)
    decoded = [decode(bitmap) for bitmap in bitmaps]

    width = MARGIN + len(decoded) * (PANEL + MARGIN)
    height = MARGIN + LABEL + PANEL + MARGIN + 32 + MARGIN
    sheet = Image.new("RGBA", (width, height), (250, 250, 250, 255))
    draw = ImageDraw.Draw(sheet)
    for i, (bpp, image) in enumerate(decoded):
        left = MARGIN + i * (PANEL + MARGIN)
        draw.text((left, MARGIN), f"{image.width}x{image.height}, {bpp} bpp", fill=(0, 0, 0, 255))
        top = MARGIN + LABEL
        panel = checkerboard(PANEL)
        enlarged = image.resize((PANEL, PANEL), Image.NEAREST)
        panel.alpha_composite(enlarged)
        sheet.paste(panel, (left, top))
        actual_top = top + PANEL + MARGIN
        for j, background in enumerate([(255, 255, 255, 255), (0, 128, 128, 255)]):
            tile = Image.new("RGBA", (40, 40), background)
            tile.alpha_composite(image, ((40 - image.width) // 2, (40 - image.height) // 2))
            sheet.paste(tile, (left + j * 48, actual_top - 4))
    sheet.convert("RGB").save(output)


if __name__ == "__main__":
    main()
