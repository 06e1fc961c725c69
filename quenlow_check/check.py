"""Checks a kit before it ships: what Windows will do with it that Wine does
not show, and the launcher's limits for this kit. Needs no Wine.

  quenlow-check KIT_FOLDER [--inf NAME] [--code-page N] [--language LLLL]
                           [--launcher NAME] [--format text|sarif]

Prints a note for each finding, naming the INF's line, what will happen on
Windows and what to change, or "no note"; with --format sarif, the notes as
a SARIF 2.1.0 log and nothing else. Ends with 1 when a note says that the
install would stop at a dialog or fail, so that a kit's own build can use
it; 2 when the kit cannot be read or an option is wrong. The code page is
that of the Windows the kit is meant for: 932, Japanese, unless told; the
language, which picks the INF's Strings section, follows it unless told."""

import argparse
import codecs
import sys
from pathlib import Path

import pefile

from .folders import SYSTEM
from .inf import Inf
from .launcher_limits import argument_notes, depth_notes, name_notes, room, section_notes
from .notes import Note, report
from .reading import encoding_notes, opening_notes, text_notes
from .registration import bare_name, entry_notes, landing, register_entries, registered
from .sarif import sarif
from .setup_engine import install_notes
from .sources import KitError, find
from .version import VERSION

I386 = 0x14C
MACHINES = {0x8664: "64-bit (x86-64)", 0xAA64: "64-bit ARM", 0x200: "64-bit Itanium",
            0x1C4: "32-bit ARM"}


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
              launcher: str = "Quenlow.exe", kit_name: str | None = None,
              language: int | None = None) -> list[Note]:
    """Every note on the kit in `folder`, started as `launcher`
    "%EXEPATH%`inf_name`" from a folder named `kit_name` (the folder's own
    name unless told)."""
    return examine(folder, inf_name, code_page, launcher, kit_name, language)[0]


def examine(folder: Path, inf_name: str, code_page: int, launcher: str,
            kit_name: str | None, language: int | None = None) -> tuple[list[Note], list[str]]:
    """The notes on a kit, its room within the launcher's limits and where
    each component it registers lands. Raises KitError for a kit that
    cannot be read."""
    folder = Path(folder)
    kit_name = kit_name or folder.resolve().name
    notes = argument_notes(inf_name, code_page) + name_notes(kit_name, inf_name, code_page) + \
        depth_notes(kit_name, inf_name, launcher, code_page)
    path = find(folder, inf_name)
    if path is None or not path.is_file():
        raise KitError(f"the kit holds no {inf_name}")
    inf = Inf(path, code_page, language)
    unopened = opening_notes(inf)
    unreadable = text_notes(inf, path.read_bytes())
    notes += unopened + encoding_notes(inf) + unreadable
    copies = []
    if not unopened:
        found, copies = install_notes(inf, folder)
        # Names the code page misreads are missing files for a reason told once.
        notes += [n for n in found if not (unreadable and n.kind == "missing-file")]
    entries = register_entries(inf.profile_text)
    kit_files = {p.name.lower() for p in folder.iterdir() if p.is_file()}
    notes += section_notes(entries, code_page)
    notes += entry_notes(entries, kit_files, copies, code_page, inf.encoding == "UTF-16")
    # Only what is registered, or what 64-bit programs would look for in the
    # system folder, has to be 32-bit; the rest is only copied.
    registered_images = []
    for number, entry in entries:
        found, _ = landing(copies, bare_name(entry))
        registered_images.append((number, found[0].found if found else
                                  find(folder, bare_name(entry))))
    notes += component_notes([(c.line.number, c.found) for c in copies if c.dirid in SYSTEM] +
                             registered_images)
    lines = room(kit_name, inf_name, launcher, code_page, entries)
    return notes, lines + registered(entries, copies, kit_files)


def language_id(text: str) -> int:
    """A language identifier as [Strings.LLLL] writes it: four hex digits,
    a primary language in the low ten bits."""
    value = int(text, 16)
    if not 0 < value < 0x10000 or not value & 0x3FF:
        raise ValueError(text)
    return value


class Parser(argparse.ArgumentParser):
    def error(self, message: str):
        """A wrong option in one line, not the usage: a kit's build log shows it."""
        self.exit(2, f"check: {message}\n")


def options(argv: list[str] | None) -> argparse.Namespace:
    parser = Parser(prog="check")
    parser.add_argument("kit", type=Path)
    parser.add_argument("--inf", default="setup.inf")
    parser.add_argument("--code-page", type=int, default=932)
    parser.add_argument("--language", type=language_id, default=None,
                        help="the Windows language as four hex digits, 0411 for Japanese")
    parser.add_argument("--launcher", default="Quenlow.exe")
    parser.add_argument("--format", choices=("text", "sarif"), default="text")
    args = parser.parse_args(argv)
    try:
        codecs.lookup(f"cp{args.code_page}")
    except LookupError:
        parser.error(f"code page {args.code_page} is no ANSI code page this check can read")
    if not args.kit.is_dir():
        parser.error(f"{args.kit} is not a folder")
    return args


def main(argv: list[str] | None = None) -> int:
    args = options(argv)
    try:
        notes, lines = examine(args.kit, args.inf, args.code_page, args.launcher, None,
                               args.language)
    except (KitError, OSError) as error:
        print(f"check: {error}", file=sys.stderr)
        return 2
    if args.format == "sarif":
        print(sarif(notes, args.kit, args.inf, ".".join(map(str, VERSION))))
    else:
        print(report(notes, args.inf, f"Kit check of {args.kit / args.inf} (code page"
                                      f" {args.code_page})", lines))
    return 1 if any(note.stops for note in notes) else 0

