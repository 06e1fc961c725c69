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

from __future__ import annotations

import argparse
import os
import sys
from pathlib import Path

from .inf import Inf
from .judge import (file_notes, loaded_line, plan_notes, registration_notes, registry_notes,
                    service_notes)
from .launcher_limits import argument_notes, depth_notes, name_notes, room, section_notes
from .notes import Note, order, report
from .plan import Plan, plan as make_plan
from .reading import CODE_PAGES, encoding_notes, opening_notes, text_notes
from .registration import register_entries, entry_notes
from .sarif import sarif
from .sources import KitError, find, forget
from .state import end_state
from .tokens import token_notes
from .version import VERSION
from .view import plan_lines

KIT_FOLDER = "<kit folder>"  # where the user starts the kit, as Windows names it


def check_kit(folder: Path, inf_name: str = "setup.inf", code_page: int = 932,
              launcher: str = "Quenlow.exe", kit_name: str | None = None,
              language: int | None = None, bits: int = 32) -> list[Note]:
    """Every note on the kit in `folder`, started as `launcher`
    "%EXEPATH%`inf_name`" from a folder named `kit_name` (the folder's own
    name unless told)."""
    return examine(folder, inf_name, code_page, launcher, kit_name, language, bits)[0]


def examine(folder: Path, inf_name: str, code_page: int, launcher: str,
            kit_name: str | None, language: int | None = None, bits: int = 32,
            kit_folder: str = KIT_FOLDER) -> tuple:
    """The notes on a kit, in the order the install meets them, its room
    within the launcher's limits, and the predicted end state as lines and as
    itself. Raises KitError for a kit that cannot be read."""
    forget()
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
    entries = register_entries(inf.profile_text)
    notes += section_notes(entries, code_page)
    skipped = entry_notes(entries, code_page, inf.encoding == "UTF-16")
    notes += skipped
    plan = make_plan(inf, folder, bits, kit_folder) if not unopened else Plan(bits)
    # Names the code page misreads are missing files for a reason told once.
    found = plan_notes(inf, plan) if not unopened else []
    notes += [n for n in found if not (unreadable and n.kind == "missing-file")]
    if plan.picked is not None:
        notes += token_notes(inf, plan.sections, [s for s in plan.files if s.action == "copy"])
    # The entries the launcher skips or never reads are not registered.
    cut = min((n.line for n in notes if n.kind == "section-cut"), default=None)
    ended = end_state(plan, folder, kit_folder,
                      [e for e in entries if e[0] not in {n.line for n in skipped}
                       and (cut is None or e[0] < cut)])
    notes += file_notes(ended, plan) + registry_notes(plan, ended) + service_notes(plan, ended)
    notes += registration_notes(ended)
    lines = room(kit_name, inf_name, launcher, code_page, entries)
    lines += [f"[RegisterFiles] line {r.number}: {loaded_line(ended, r)}"
              for r in ended.registrations]
    return order(notes), lines, plan_lines(plan, ended), ended


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
    parser.add_argument("--engine", type=int, choices=(32, 64), default=32,
                        help="the setup engine's bitness: 32, the launcher's install (the"
                             " default), or 64, Explorer's Install")
    parser.add_argument("--plan", action="store_true",
                        help="also print the predicted end state")
    args = parser.parse_args(argv)
    if args.code_page not in CODE_PAGES:
        parser.error(f"code page {args.code_page} is no ANSI code page of Windows"
                     f" ({', '.join(map(str, sorted(CODE_PAGES)))})")
    if not args.kit.is_dir():
        parser.error(f"{args.kit} is not a folder")
    return args


def main(argv: list[str] | None = None) -> int:
    args = options(argv)
    try:
        notes, lines, planned, _ = examine(args.kit, args.inf, args.code_page, args.launcher,
                                           None, args.language, args.engine)
    except (KitError, OSError) as error:
        print(f"check: {error}", file=sys.stderr)
        return 2
    if args.format == "sarif":
        text = sarif(notes, args.kit, args.inf, ".".join(map(str, VERSION)))
    else:
        text = report(notes, args.inf, f"Kit check of {args.kit / args.inf} (code page"
                                       f" {args.code_page}, {args.engine}-bit setup engine)",
                      lines) + ("\n" + "\n".join(planned) if args.plan else "")
    try:
        print(text, flush=True)
    except BrokenPipeError:
        # The reader stopped reading (| head): the check's answer stands.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
    return 1 if any(note.stops for note in notes) else 0
