"""What a file of the kit is to Windows' loader: an image for x86 or x64,
one for another processor, or no image at all ("PE Format": the "MZ"
header, then the COFF header's Machine)."""

from __future__ import annotations

from pathlib import Path

import pefile

from .sources import KitError

I386, AMD64 = 0x14C, 0x8664
BITS = {I386: 32, AMD64: 64}
MACHINES = {I386: "32-bit (x86)", AMD64: "64-bit (x64)", 0xAA64: "64-bit ARM",
            0x200: "64-bit Itanium", 0x1C4: "32-bit ARM"}


def image_kind(path: Path) -> tuple[int, bool] | None:
    """(machine, whether a DLL) of a PE image, None for a file that is none."""
    with open(path, "rb") as file:
        if file.read(2) != b"MZ":
            return None
    try:
        image = pefile.PE(str(path), fast_load=True)
    except Exception as error:  # pefile raises more than PEFormatError on a cut file
        raise KitError(f"{path.name} is not a valid image: {error}") from None
    header = image.FILE_HEADER
    image.close()
    return header.Machine, bool(header.Characteristics & 0x2000)


def image_bits(path: Path) -> int:
    """32 or 64 for an x86 or x64 image, 0 for a file that is no image, the
    machine's number for another processor."""
    kind = image_kind(path)
    if kind is None:
        return 0
    return BITS.get(kind[0], kind[0])


def described(bits: int | None) -> str:
    if bits is None:
        return "of a kind not read (compressed or in a cabinet)"
    if bits == 0:
        return "no image"
    return {32: "a 32-bit (x86) image", 64: "a 64-bit (x64) image"}.get(
        bits, f"an image for {MACHINES.get(bits, f'machine 0x{bits:04X}')}")
