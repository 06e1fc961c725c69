"""A note of the kit check, and the report that lists them."""

import textwrap
from dataclasses import dataclass


@dataclass(frozen=True)
class Note:
    kind: str  # what it is about, one word: "missing-file", "restart", ...
    line: int  # the INF's line it is about, from 1; 0: the kit as a whole
    stops: bool  # the install stops at a dialog or fails on Windows
    title: str
    said: str  # what will happen on Windows
    change: str  # what to change in the kit


def report(notes: list[Note], inf_name: str, heading: str, room: tuple = ()) -> str:
    """The heading, the kit's room within the launcher's limits, and the
    notes, each under its file and line, the ones that stop the install
    first."""
    stopping = sum(note.stops for note in notes)
    counted = f"{len(notes)} note{'s' * (len(notes) != 1)}"
    lines = [f"{heading}: no note" if not notes else
             f"{heading}: {counted}, {stopping} that stop the install or make it fail"
             if stopping else f"{heading}: {counted}, warnings only"]
    lines += [f"  {line}" for line in room]
    for note in sorted(notes, key=lambda n: (not n.stops, n.line)):
        where = f"{inf_name}:{note.line}" if note.line else inf_name
        effect = "stops" if note.stops else "warning"
        lines.append(f"  {where}: {effect}: {note.title} ({note.kind})")
        lines += textwrap.wrap(note.said, 96, initial_indent="      ",
                               subsequent_indent="      ")
        lines += textwrap.wrap("Change: " + note.change, 96, initial_indent="      ",
                               subsequent_indent="        ")
    return "\n".join(lines)
