#!/usr/bin/python3
"""Checks a kit before it ships: what Windows will do with it that Wine does
not show, and the launcher's limits for this kit. Needs no Wine.

  check.py KIT_FOLDER [--inf NAME] [--code-page N] [--launcher NAME]

Prints a note for each finding, naming the INF's line, what will happen on
Windows and what to change, or "no note". Ends with 1 when a note says that
the install would stop at a dialog or fail, so that a kit's own build can
use it; 2 when the kit cannot be read. The code page is that of the Windows
the kit is meant for: 932, Japanese, unless told."""

import argparse
import sys
from pathlib import Path

import pefile

from inf import Inf
from launcher_limits import (argument_notes, bare_name, depth_notes, entry_notes, name_notes,
                             register_entries, room, section_notes)
from notes import Note, report
from setup_engine import SEARCHED_DIRIDS, Copy, find, install_notes

I386 = 0x14C
MACHINES = {0x8664: "64-bit (x86-64)", 0xAA64: "64-bit ARM", 0x200: "64-bit Itanium",
            0x1C4: "32-bit ARM"}


def opening_notes(inf: Inf) -> list[Note]:
    """Why the setup engine would not open the INF at all."""
    if inf.error is not None:
        why, line = str(inf.error), inf.error.line
    elif not inf.signed():
        version = inf.sections.get("version")
        why, line = "no Signature of $Windows NT$ or $Chicago$ in [Version]", \
            version.number if version else 0
    else:
        return []
    return [Note("cannot-open", line, True, "the setup engine does not open the INF",
                 f"It finds {why}. The Install command installs nothing; the launcher still"
                 f" registers [RegisterFiles].",
                 'Begin the INF with [Version] and Signature="$Windows NT$".')]


def image_kind(path: Path) -> tuple[int, bool] | None:
    """(machine, whether a DLL) of a PE image, None for any other file."""
    with open(path, "rb") as file:
        if file.read(2) != b"MZ":
            return None
    try:
        image = pefile.PE(str(path), fast_load=True)
    except pefile.PEFormatError:
        return None
    header = image.FILE_HEADER
    image.close()
    return header.Machine, bool(header.Characteristics & 0x2000)


def component_notes(candidates: list[tuple[int, Path | None]]) -> list[Note]:
    """A note for each image that is not 32-bit x86, at its first line."""
    notes, seen = [], set()
    for number, path in candidates:
        if path is None or not path.is_file() or path.resolve() in seen:
            continue
        seen.add(path.resolve())
        kind = image_kind(path)
        if kind is None or kind[0] == I386:
            continue
        machine = MACHINES.get(kind[0], f"machine 0x{kind[0]:04X}")
        if kind[1]:
            said = (f"{path.name} is a {machine} DLL. The shipped launcher is 32-bit, and so"
                    f" are the install program and the regsvr32 it starts on 64-bit Windows: a"
                    f" copy to the system folder lands in SysWOW64, where no 64-bit program"
                    f" loads it, and the 32-bit regsvr32 hands it on to the 64-bit one, which"
                    f" registers the kit's own copy, if it finds one, and not the installed one.")
        else:
            said = (f"{path.name} is a {machine} program: it runs on 64-bit Windows only, and"
                    f" the 32-bit install puts it where the INF's system folder and Program"
                    f" Files are for 32-bit programs (SysWOW64, Program Files (x86)).")
        notes.append(Note("not-32-bit", number, kind[1], f"{path.name} is not 32-bit", said,
                          f"Ship the 32-bit (i386) build of {path.name}."))
    return notes


def check_kit(folder: Path, inf_name: str = "setup.inf", code_page: int = 932,
              launcher: str = "Quenlow.exe", kit_name: str | None = None) -> list[Note]:
    """Every note on the kit in `folder`, started as `launcher`
    "%EXEPATH%`inf_name`" from a folder named `kit_name` (the folder's own
    name unless told)."""
    return examine(folder, inf_name, code_page, launcher, kit_name)[0]


def examine(folder: Path, inf_name: str, code_page: int, launcher: str,
            kit_name: str | None) -> tuple[list[Note], list[str]]:
    """The notes on a kit, and its room within the launcher's limits."""
    folder = Path(folder)
    kit_name = kit_name or folder.resolve().name
    notes = argument_notes(inf_name, code_page) + name_notes(kit_name, inf_name, code_page) + \
        depth_notes(kit_name, inf_name, launcher, code_page)
    path = find(folder, inf_name)
    if path is None or not path.is_file():
        return notes + [Note("cannot-open", 0, True, f"the kit holds no {inf_name}",
                             "Nothing is installed and nothing registered.",
                             f"Put {inf_name} in the kit's folder.")], []
    inf = Inf(path, code_page)
    copies: list[Copy] = []
    unopened = opening_notes(inf)
    notes += unopened
    if not unopened:
        found, copies = install_notes(inf, folder)
        notes += found
    entries = register_entries(inf.text)
    copied = {c.target.lower() for c in copies if c.dirid in SEARCHED_DIRIDS}
    notes += section_notes(entries, code_page)
    kit_files = {p.name.lower() for p in folder.iterdir() if p.is_file()}
    notes += entry_notes(entries, kit_files, copied, code_page, inf.encoding.startswith("UTF"))
    notes += component_notes([(c.line.number, c.found) for c in copies] +
                             [(n, find(folder, bare_name(e))) for n, e in entries])
    return notes, room(kit_name, inf_name, launcher, code_page, entries)


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("kit", type=Path)
    parser.add_argument("--inf", default="setup.inf")
    parser.add_argument("--code-page", type=int, default=932)
    parser.add_argument("--launcher", default="Quenlow.exe")
    args = parser.parse_args()
    if not args.kit.is_dir():
        print(f"check: {args.kit} is not a folder", file=sys.stderr)
        return 2
    notes, kit_room = examine(args.kit, args.inf, args.code_page, args.launcher, None)
    print(report(notes, args.inf, f"Kit check of {args.kit / args.inf} (code page"
                                  f" {args.code_page})", kit_room))
    return 1 if any(note.stops for note in notes) else 0


if __name__ == "__main__":
    sys.exit(main())
