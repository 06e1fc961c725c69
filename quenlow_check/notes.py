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


# Each kind of note: a short and a full description, and whether it stops
# the install as a rule.
KINDS = {
    "cannot-open": ("The setup engine does not open the INF.",
                    "Windows' setup engine cannot open the INF (its syntax, signature, encoding"
                    " or a section name), so the Install command installs nothing.", True),
    "encoding": ("The INF's encoding is read otherwise on Windows.",
                 "Windows' setup engine or the launcher's profile reader reads the INF's"
                 " encoding otherwise than Wine, or otherwise than each other.", True),
    "not-text": ("The INF is not text in the code page.",
                 "The INF holds bytes that the code page of the Windows it is meant for does not"
                 " read, so the names it gives are not the kit's.", True),
    "no-install-section": ("No install section for a 32-bit install.",
                           "The INF has no DefaultInstall section that the 32-bit install"
                           " carries out; Windows says so in a dialog.", True),
    "missing-file": ("A copied file is not in the kit.",
                     "A file that the install copies is neither loose in the kit nor in its"
                     " cabinet; Windows asks for the disk.", True),
    "tag-file": ("A disk's tag file is not in the kit.",
                 "The kit lacks a disk's tag file; from removable media Windows asks for the"
                 " disk.", False),
    "no-section": ("A directive names no section.",
                   "A directive of the install names a section the INF does not have; the"
                   " install does nothing for it.", False),
    "no-destination": ("A copy list has no destination.",
                       "[DestinationDirs] has neither an entry for a copy list nor a"
                       " DefaultDestDir; its files go to the system folder.", False),
    "not-checked": ("An included INF is not checked.",
                    "An INF that Include names is not in the kit, so what it brings in is not"
                    " checked.", False),
    "driver-package": ("Windows installs the INF as a driver package.",
                       "The INF is shaped as a primitive driver package, which Windows hands to"
                       " DiInstallDriver, and that refuses a 32-bit caller.", True),
    "services-not-run": ("A Services section is never carried out.",
                         "The undecorated DefaultInstall.Services section does not go with the"
                         " decorated install section that the 32-bit install picks.", True),
    "service": ("The install adds a service from a 32-bit program.",
                "A service or driver is installed by the 32-bit install program; a driver, or"
                " a binary in the system folder, does not work from there.", True),
    "string-file-name": ("A file is named by a %strkey% token.",
                         "A copy list names a file with a %strkey% token, which the CopyFiles"
                         " documentation rules out.", False),
    "undefined-string": ("A %strkey% token is not defined.",
                         "A token is not defined in the one Strings section Windows chooses for"
                         " the language, so it stays as written.", True),
    "argument-too-long": ("The argument is too long for the launcher.",
                          "The launcher refuses an argument over 130 bytes.", True),
    "deep-folder": ("The kit's room for the folder it lies in.",
                    "The launcher's buffers limit how deep a folder the kit works from.", True),
    "unspellable-name": ("A name the code page cannot spell.",
                         "A name that the system's code page cannot spell names no file.", True),
    "section-cut": ("[RegisterFiles] is longer than the launcher reads.",
                    "The launcher reads 1,024 bytes of [RegisterFiles]; later entries are not"
                    " registered.", True),
    "entry-too-long": ("An entry is too long to register.",
                       "An entry's registration command does not fit in the launcher's 260"
                       " bytes, and it is skipped.", True),
    "folder-dropped": ("An entry's folder part is dropped.",
                       "The launcher hands regsvr32 an entry's file name alone.", False),
    "not-found": ("regsvr32 will not find a component.",
                  "A component is neither in the kit's folder nor installed where regsvr32"
                  " looks for it.", True),
    "kit-copy-registered": ("The kit's copy is registered, not the installed one.",
                            "The install puts a component where regsvr32 does not look, so it"
                            " registers the kit's own copy.", True),
    "not-32-bit": ("A component is not 32-bit.",
                   "A component that is registered, or copied to the system folder, is not a"
                   " 32-bit x86 image.", True),
}
