"""The names a cabinet holds, read from its headers as Windows' cabinet
reader (FDI, which the setup engine extracts with) reads them; nothing is
decompressed.

The layout is "[MS-CAB]: Cabinet File Format" (learn.microsoft.com/openspecs/
windows_protocols/ms-cab): 2.1 CFHEADER, its reserved area and the names of
the previous and next cabinets of a set when its flags say; then cFolders
CFFOLDER entries; then, at coffFiles, cFiles CFFILE entries, each with its
NUL-terminated szName. A name is in the code page of the Windows that made
the cabinet unless its attribs carry _A_NAME_IS_UTF (0x80), which says
UTF-8.

A set: a file whose data goes on in the next cabinet has iFolder
ifoldCONTINUED_TO_NEXT (or ifoldCONTINUED_PREV_AND_NEXT), and the header
names that cabinet. FDICopy started on one cabinet goes on into the next
ones for such a file and lists theirs too, but leaves out the partial files
at the front of the one it was started on, whose start is in an earlier
cabinet (fdintPARTIAL_FILE, "FDICopy function", fdi.h). Where a next
cabinet is missing, the setup engine asks for its disk: the file that goes
on there, and all that cabinet holds, are not in the kit."""

from __future__ import annotations

import struct
from dataclasses import dataclass
from pathlib import Path

SIGNATURE = b"MSCF"
HEADER = struct.Struct("<4sIIIIIBBHHHHH")  # CFHEADER up to iCabinet
FOLDER = 8  # CFFOLDER: coffCabStart, cCFData, typeCompress, then its reserve
FILE = struct.Struct("<IIHHHH")  # CFFILE up to szName
PREV_CABINET, NEXT_CABINET, RESERVE_PRESENT = 0x1, 0x2, 0x4
NAME_IS_UTF = 0x80
CONTINUED_FROM_PREV, CONTINUED_TO_NEXT, CONTINUED_PREV_AND_NEXT = 0xFFFD, 0xFFFE, 0xFFFF
NAME_BYTES = 256  # a name's bytes, its NUL included (CB_MAX_FILENAME, CB_MAX_CABINET_NAME)


class CabinetError(Exception):
    """The file is not a whole cabinet: a one-line reason."""


@dataclass
class Cabinet:
    files: list[tuple[str, int]]  # (szName as Windows reads it, iFolder)
    next: str  # szCabinetNext, '' when the set ends here


def read(path: Path, code_page: int) -> Cabinet:
    """One cabinet's file list. Raises CabinetError for a foreign or cut file."""
    data = path.read_bytes()
    if data[:4] != SIGNATURE:
        raise CabinetError(f"{path.name} is not a cabinet (no MSCF signature)")
    if len(data) < HEADER.size:
        raise CabinetError(f"the cabinet {path.name} is cut: it ends inside its header")
    _, _, size, _, files_at, _, minor, major, folders, count, flags, *_ = HEADER.unpack_from(data)
    if len(data) < size:
        raise CabinetError(f"the cabinet {path.name} is cut: it holds {len(data)} of the"
                           f" {size} bytes its header gives")
    if major != 1:
        raise CabinetError(f"the cabinet {path.name} is of version {major}.{minor}, which"
                           f" Windows does not read")
    at, folder_reserve = HEADER.size, 0
    try:
        if flags & RESERVE_PRESENT:
            header_reserve, folder_reserve, _ = struct.unpack_from("<HBB", data, at)
            at += 4 + header_reserve
        names = []  # szCabinetPrev, szDiskPrev; szCabinetNext, szDiskNext
        for _ in range(2 * bool(flags & PREV_CABINET) + 2 * bool(flags & NEXT_CABINET)):
            text, at = string(data, at, NAME_BYTES)
            names.append(text.decode(f"cp{code_page}", errors="replace"))
        if at + folders * (FOLDER + folder_reserve) > files_at:
            raise ValueError
        entries, at = [], files_at
        for _ in range(count):
            _, _, folder, _, _, attributes = FILE.unpack_from(data, at)
            name, at = string(data, at + FILE.size, NAME_BYTES)
            if folder < CONTINUED_FROM_PREV and folder >= folders:
                raise ValueError
            encoding = "utf-8" if attributes & NAME_IS_UTF else f"cp{code_page}"
            entries.append((name.decode(encoding, errors="replace"), folder))
    except (struct.error, ValueError):
        raise CabinetError(f"the cabinet {path.name} is broken: its header or file list runs"
                           f" past its end or names a folder it lacks") from None
    return Cabinet(entries, names[-2] if flags & NEXT_CABINET else "")


def string(data: bytes, at: int, longest: int) -> tuple[bytes, int]:
    """A NUL-terminated string of at most `longest` bytes with its NUL, and
    the offset after it."""
    end = data.find(b"\0", at, at + longest)
    if end < 0:
        raise ValueError
    return data[at:end], end + 1


def names(path: Path, code_page: int, beside) -> set[str]:
    """The files the setup engine can take from the cabinet at `path`, in
    lower case and without a folder part: those whose every part is in the
    set's cabinets that the kit holds beside it, as `beside(name)` finds
    them (a Path, or None)."""
    found: set[str] = set()
    broken: set[str] = set()
    cabinet, first, seen = read(path, code_page), True, {path.resolve()}
    while True:
        for name, folder in cabinet.files:
            if first and folder in (CONTINUED_FROM_PREV, CONTINUED_PREV_AND_NEXT):
                broken.add(bare(name))  # begun in an earlier cabinet: FDI skips it
            else:
                found.add(bare(name))
        following = beside(cabinet.next) if cabinet.next else None
        if following is None or not following.is_file() or following.resolve() in seen:
            if cabinet.next:  # the engine asks for the disk of the next cabinet
                broken |= {bare(name) for name, folder in cabinet.files
                           if folder in (CONTINUED_TO_NEXT, CONTINUED_PREV_AND_NEXT)}
            return found - broken
        seen.add(following.resolve())
        cabinet, first = read(following, code_page), False


def bare(name: str) -> str:
    """A name in a cabinet as the engine matches a source file's: its last
    part, in lower case."""
    return name.replace("\\", "/").rsplit("/", 1)[-1].lower()
