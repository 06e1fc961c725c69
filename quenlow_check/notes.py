"""A note of the kit check, and the report that lists them."""

from __future__ import annotations

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


def order(notes: list[Note]) -> list[Note]:
    """The notes in the order the user meets what they say: the launcher's
    start, the install section, its files, registry and services, then the
    registrations; by line within each."""
    return sorted(notes, key=lambda n: (KINDS[n.kind][3] if n.kind != "unspellable-name"
                                        or n.line else 0, n.line))


def report(notes: list[Note], inf_name: str, heading: str, room: tuple = ()) -> str:
    """The heading, the kit's room within the launcher's limits and what
    regsvr32 loads, and the notes, each under its file and line, in order."""
    stopping = sum(note.stops for note in notes)
    counted = f"{len(notes)} note{'s' * (len(notes) != 1)}"
    lines = [f"{heading}: no note" if not notes else
             f"{heading}: {counted}, {stopping} that stop the install or make it fail"
             if stopping else f"{heading}: {counted}, warnings only"]
    lines += [f"  {line}" for line in room]
    for note in notes:
        where = f"{inf_name}:{note.line}" if note.line else inf_name
        effect = "stops" if note.stops else "warning"
        lines.append(f"  {where}: {effect}: {note.title} ({note.kind})")
        lines += textwrap.wrap(note.said, 96, initial_indent="      ",
                               subsequent_indent="      ")
        lines += textwrap.wrap("Change: " + note.change, 96, initial_indent="      ",
                               subsequent_indent="        ")
    return "\n".join(lines)


# Each kind of note: a short and a full description, whether it stops the
# install as a rule, and when the user meets what it says: 0 the launcher's
# start and the INF's opening, 1 the install section, 2 its files, 3 its
# registry, 4 its services, 5 the registrations.
KINDS = {
    "cannot-open": ("The setup engine does not open the INF.",
                    "Windows' setup engine cannot open the INF (its syntax, signature, encoding"
                    " or a section name), so the Install command installs nothing.", True, 0),
    "encoding": ("The INF's encoding is read otherwise on Windows.",
                 "Windows' setup engine or the launcher's profile reader reads the INF's"
                 " encoding otherwise than Wine, or otherwise than each other.", True, 0),
    "not-text": ("The INF is not text in the code page.",
                 "The INF holds bytes that the code page of the Windows it is meant for does not"
                 " read, so the names it gives are not the kit's.", True, 0),
    "no-install-section": ("No install section for a 32-bit install.",
                           "The INF has no DefaultInstall section that the 32-bit install"
                           " carries out; Windows says so in a dialog.", True, 1),
    "missing-file": ("A copied file is not in the kit.",
                     "A file that the install copies is neither loose in the kit nor in its"
                     " cabinet; Windows asks for the disk.", True, 2),
    "tag-file": ("A disk's tag file is not in the kit.",
                 "The kit lacks a disk's tag file; from removable media Windows asks for the"
                 " disk.", False, 2),
    "no-section": ("A directive names no section.",
                   "A directive of the install names a section the INF does not have; the"
                   " install does nothing for it.", False, 1),
    "no-destination": ("A copy list has no destination.",
                       "[DestinationDirs] has neither an entry for a copy list nor a"
                       " DefaultDestDir; its files go to the system folder.", False, 2),
    "not-checked": ("An included INF is not checked.",
                    "An INF that Include names is not in the kit, so what it brings in is not"
                    " checked.", False, 1),
    "driver-package": ("Windows installs the INF as a driver package.",
                       "The INF is shaped as a primitive driver package, which Windows hands to"
                       " DiInstallDriver, and that refuses a 32-bit caller.", True, 1),
    "services-not-run": ("A Services section is never carried out.",
                         "The undecorated DefaultInstall.Services section does not go with the"
                         " decorated install section that the 32-bit install picks.", True, 4),
    "service": ("A 32-bit install adds a service.",
                "The 32-bit setup engine on 64-bit Windows refuses to add a service (\"Operation"
                " not allowed in WOW64\"); none is created.", True, 4),
    "string-file-name": ("A file is named by a %strkey% token.",
                         "A copy list names a file with a %strkey% token, which the CopyFiles"
                         " documentation rules out.", False, 2),
    "undefined-string": ("A %strkey% token is not defined.",
                         "A token is not defined in the one Strings section Windows chooses for"
                         " the language, so it stays as written.", False, 2),
    "argument-too-long": ("The argument is too long for the launcher.",
                          "The launcher refuses an argument over 130 bytes.", True, 0),
    "deep-folder": ("The kit's room for the folder it lies in.",
                    "The launcher's buffers limit how deep a folder the kit works from.", True, 0),
    "unspellable-name": ("A name the code page cannot spell.",
                         "A name that the system's code page cannot spell names no file.", True, 5),
    "section-cut": ("[RegisterFiles] is longer than the launcher reads.",
                    "The launcher reads 1,024 bytes of [RegisterFiles]; later entries are not"
                    " registered.", True, 5),
    "entry-too-long": ("An entry is too long to register.",
                       "An entry's registration command does not fit in the launcher's 260"
                       " bytes, and it is skipped.", True, 5),
    "folder-dropped": ("An entry's folder part is dropped.",
                       "The launcher hands regsvr32 an entry's file name alone.", False, 5),
    "not-found": ("regsvr32 will not find a component.",
                  "A component is neither in the kit's folder nor installed where regsvr32"
                  " looks for it.", True, 5),
    "kit-copy-registered": ("The kit's copy is registered, not the installed one.",
                            "The install puts a component where regsvr32 does not look, so it"
                            " registers the kit's own copy.", True, 5),
    "not-copied": ("A copy is not made on a fresh Windows.",
                   "A copy list line's flags keep the file from being copied onto a fresh"
                   " Windows.", False, 2),
    "unknown-folder": ("A destination names no folder.",
                       "[DestinationDirs] names a directory id that Windows does not define.",
                       False, 2),
    "wrong-system-folder": ("An image lands in the other processor's system folder.",
                            "An image is installed in the system folder of the other"
                            " processor's programs, where none of its own kind loads it.",
                            False, 2),
    "unusable-root": ("A registry line names a root the install cannot use.",
                      "A registry line names a root that an install section run by"
                      " InstallHinfSection cannot write.", False, 3),
    "com-view": ("A COM server is registered in the other view.",
                 "An in-process server is registered in the registry view of clients that"
                 " cannot load it.", False, 3),
    "service-binary": ("A service's binary is not installed.",
                       "A service starts a file the install does not put where it names.",
                       False, 4),
    "handed-on": ("A registration relies on the other regsvr32.",
                  "regsvr32 finds an image for the other processor first and registers only by"
                  " handing the name to the other regsvr32, which no document describes.",
                  False, 5),
    "rename-error": ("A rename finds no file.",
                     "A RenFiles line names a file that is not there when the engine renames;"
                     " Windows asks the user what to do.", True, 2),
    "not-registered": ("regsvr32 cannot load what it finds.",
                       "The file regsvr32 finds for an entry is not an image it can load.",
                       True, 5),
}
