"""Where the setup engine finds each file that a copy list copies, and where
it puts it.

Sources ("INF SourceDisksNames Section", "INF SourceDisksFiles Section"):
the installation root is the INF's own folder (InstallHinfSection's mode
128); a disk's path is relative to it, and a file's subfolder to the disk's.
A file that [SourceDisksFiles] does not list is taken from the root itself
(Wine's setupapi install tests, which pass on Windows). A disk's second
field is its tag file, or, ending in .cab, its cabinet: Windows copies the
loose file and opens the cabinet only for a file that is not there, then
asks for what it found in neither. On removable media it first looks for
the tag file and asks for the disk when it is missing; on a fixed disk only
when neither the tag file nor the first file is there. With flags 0x10 the
second field is only the cabinet, the sixth the tag file, and files come
from the cabinet alone."""

from __future__ import annotations

import re
from dataclasses import dataclass
from pathlib import Path

from .cabinet import CabinetError, names as cabinet_names
from .inf import PLATFORMS, number


# The cabinets listed so far: one kit may name one cabinet for many files.
LISTED: dict[tuple[Path, int], set[str]] = {}


class KitError(Exception):
    """The kit cannot be read: a one-line reason."""


@dataclass
class Source:
    found: Path | None  # the loose file, or the cabinet that holds it; None: neither
    disk: str  # the disk's description, '' for the installation root
    tag: str  # the disk's tag file (or cabinet) as named, '' when none
    tag_found: bool  # whether the disk's folder holds the tag file


# Each folder's listing, read once in a check: {folder: {name in lower case: path}}.
LISTINGS: dict[Path, dict[str, Path]] = {}


def listing(folder: Path) -> dict[str, Path]:
    if folder not in LISTINGS:
        LISTINGS[folder] = {}
        for child in sorted(folder.iterdir()) if folder.is_dir() else ():
            LISTINGS[folder].setdefault(child.name.lower(), child)
    return LISTINGS[folder]


def forget() -> None:
    """A new check reads the kit afresh."""
    LISTINGS.clear()
    LISTED.clear()


def find(folder: Path, relative: str) -> Path | None:
    """The file at a Windows relative path under `folder`, matched without
    regard to case as Windows matches it."""
    path = folder
    for part in (p for p in relative.replace("\\", "/").split("/") if p not in ("", ".")):
        path = listing(path).get(part.lower())
        if path is None:
            return None
    return path


def cabinet_files(cabinet: Path, code_page: int) -> set[str]:
    """The names a cabinet (and the rest of its set) holds, in lower case."""
    if (cabinet, code_page) not in LISTED:
        try:
            LISTED[cabinet, code_page] = cabinet_names(cabinet, code_page,
                                                       lambda name: find(cabinet.parent, name))
        except CabinetError as error:
            raise KitError(str(error)) from None
    return LISTED[cabinet, code_page]


def decorated_values(inf, section: str, key: str, bits: int) -> list:
    """The lines of SECTION.x86 (SECTION.amd64 for a 64-bit engine) with the
    key, or else of SECTION: where the engine looks for a source file and
    its disk."""
    return inf.values(section + PLATFORMS[bits], key) or inf.values(section, key)


def disk_folder(root: Path, path: str) -> Path | None:
    """A disk's folder under the root. Its path is read as any string, with
    %dirid% replaced ("Using Dirids"); id -1 stands for nothing, so the root
    stays, and any other id gives a full path, which under the root names
    no folder (Wine's setupapi joins the two the same way)."""
    for token in re.findall(r"%(-?\d+)%", path):
        if number(token) not in (-1, 65535):
            return None
        path = path.replace(f"%{token}%", "")
    return find(root, path) if path.strip("\\/ ") else root


def locate(inf, root: Path, name: str, bits: int = 32) -> Source:
    """Where the setup engine finds the source file `name`; a compressed
    copy (its last letter an underscore) counts."""
    listed = decorated_values(inf, "SourceDisksFiles", name, bits)
    if not listed:
        return Source(loose(root, name), "", "", True)
    fields = listed[0][1] + [""]
    described = decorated_values(inf, "SourceDisksNames", fields[0], bits)
    disk = (described[0][1] if described else []) + [""] * 6
    folder = disk_folder(root, disk[3])
    flags = number(disk[4]) or 0
    cabinet = disk[1] if flags & 0x10 or disk[1].lower().endswith(".cab") else ""
    tag = disk[5] if flags & 0x10 else disk[1]
    if folder is None:
        return Source(None, disk[0] or fields[0], tag, False)
    found = None if flags & 0x10 else loose(folder, f"{fields[1]}\\{name}")
    held = find(folder, cabinet) if cabinet else None
    if found is None and held is not None and held.is_file() and \
            name.lower() in cabinet_files(held, inf.code_page):
        found = held
    return Source(found, disk[0] or fields[0], tag, not tag or find(folder, tag) is not None)


def loose(folder: Path, relative: str) -> Path | None:
    return find(folder, relative) or find(folder, relative[:-1] + "_")


def destination(inf, copy_list: str) -> tuple[int | None, str, bool]:
    """(dirid, subfolder, whether [DestinationDirs] says) for a copy list:
    its own entry, else DefaultDestDir, else the system folder, the old
    SetupAPI reference's default ("the default directory is set to
    drid_system"), as Wine's setupapi also does."""
    for key in (copy_list, "DefaultDestDir"):
        for _, fields in inf.values("DestinationDirs", key):
            if fields:
                return number(fields[0]), fields[1] if len(fields) > 1 else "", True
    return 11, "", False
