"""The launcher's own limits, which it enforces without a word at run time,
measured for one kit: its argument, the folder depth its buffers allow, the
[RegisterFiles] section it reads with the profile reader, and the names its
code page must spell. Lengths are bytes in the code page of the Windows the
kit is meant for."""

from __future__ import annotations

from .notes import Note
from .registration import bare_name, size, spells

MAX_ARGUMENT = 130  # the command-line tail it accepts
MODULE_PATH_BYTES = 260  # MAX_PATH: the launcher's own path, with its NUL
EXPANDED_BYTES = 270  # the argument with %EXEPATH% replaced, with its NUL
COMMAND_BYTES = 1024  # the install command, with its NUL
SECTION_BYTES = 1024  # [RegisterFiles]: its lines, each with a NUL, and one more NUL
# Windows' own Install command, expanded for C:\Windows, up to "%1", the INF path.
WINDOWS_COMMAND = (r"C:\Windows\System32\rundll32.exe setupapi,InstallHinfSection"
                   r" DefaultInstall 132 ")
# Where a downloaded kit often lies; 20 bytes is the longest user name.
USER_NAME_BYTES = 20
DOWNLOADS = "C:\\Users\\<name>\\Downloads\\"


def argument_notes(inf_name: str, code_page: int) -> list[Note]:
    argument = f'"%EXEPATH%{inf_name}"'
    length = size(argument, code_page)
    if length <= MAX_ARGUMENT:
        return []
    return [Note("argument-too-long", 0, True, "the argument is too long for the launcher",
                 f"A shortcut starts the launcher with {argument}, {length} bytes; it refuses"
                 f" an argument over {MAX_ARGUMENT} bytes with message 101 and exit code -2,"
                 f" and installs nothing.",
                 f"Shorten the INF's name to at most"
                 f" {MAX_ARGUMENT - length + size(inf_name, code_page)} bytes.")]


def deepest_folder(inf_name: str, launcher: str, code_page: int) -> tuple[int, str]:
    """The longest kit folder, drive and closing backslash included, that
    every buffer of the launcher holds with this INF and launcher name, and
    what happens in a deeper one."""
    inf = size(inf_name, code_page)
    refused = "the launcher refuses the kit (message 101, exit code -2) before anything runs"
    return min((MODULE_PATH_BYTES - 1 - size(launcher, code_page),
                f"the launcher's own path passes {MODULE_PATH_BYTES - 1} bytes (MAX_PATH), and"
                f" it cannot read its folder: nothing is installed"),
               (EXPANDED_BYTES - 1 - 2 - inf, refused),  # the argument keeps its quotes
               (COMMAND_BYTES - 1 - len(WINDOWS_COMMAND) - inf, refused))


def downloads(kit_name: str, code_page: int) -> tuple[str, int]:
    """The kit's folder in a downloads folder, and its bytes with a user
    name of the longest."""
    place = f"{DOWNLOADS}{kit_name}\\"
    return place, size(place, code_page) - len("<name>") + USER_NAME_BYTES


def room(kit_name: str, inf_name: str, launcher: str, code_page: int,
         entries: list[tuple[int, str]]) -> list[str]:
    """The kit's room within the launcher's limits, a line each."""
    deepest, _ = deepest_folder(inf_name, launcher, code_page)
    place, used = downloads(kit_name, code_page)
    section = 1 + sum(size(entry, code_page) + 1 for _, entry in entries)
    return [f"this kit works from folders up to {deepest} bytes deep; {place} leaves"
            f" {deepest - used}", f"[RegisterFiles] takes {section} of the {SECTION_BYTES:,}"
            f" bytes the launcher reads"]


def depth_notes(kit_name: str, inf_name: str, launcher: str, code_page: int) -> list[Note]:
    deepest, deeper = deepest_folder(inf_name, launcher, code_page)
    place, used = downloads(kit_name, code_page)
    twice = used + size(kit_name, code_page) + 1
    if twice <= deepest:
        return []
    said = (f"This kit works from folders up to {deepest} bytes deep, drive and closing"
            f" backslash included; {place} leaves {deepest - used} with a user name of"
            f" {USER_NAME_BYTES} bytes, and {place}{kit_name}\\, where Extract All puts a zip"
            f" that holds the kit's folder, leaves {deepest - twice}. From a deeper folder"
            f" {deeper}.")
    return [Note("deep-folder", 0, used > deepest, "the kit's room for the folder it lies in",
                 said, "Shorten the INF's name, the launcher's or the kit folder's.")]


def name_notes(kit_name: str, inf_name: str, code_page: int) -> list[Note]:
    notes = []
    if not spells(inf_name, code_page):
        notes.append(Note(
            "unspellable-name", 0, True, f"code page {code_page} cannot spell {inf_name}",
            f"The launcher reads its argument in the system's code page, where {inf_name}"
            f" names no file: nothing is installed and nothing registered.",
            f"Give the INF a name that code page {code_page} spells (ASCII spells everywhere)."))
    if not spells(kit_name, code_page):
        notes.append(Note(
            "unspellable-name", 0, False, f"code page {code_page} cannot spell {kit_name}",
            "%EXEPATH% then stands for the folder's short name; on a volume that keeps no"
            " short names the launcher refuses the kit (message 101, exit code -2).",
            f"Give the kit folder a name that code page {code_page} spells."))
    return notes


def section_notes(entries: list[tuple[int, str]], code_page: int) -> list[Note]:
    total = 1 + sum(size(e, code_page) + 1 for _, e in entries)
    if total <= SECTION_BYTES:
        return []
    # Cut, the list ends in two NULs: an entry is whole when its own NUL
    # lies before the buffer's last two bytes.
    used = 0
    for index, (number, entry) in enumerate(entries):
        used += size(entry, code_page) + 1
        if used > SECTION_BYTES - 2:
            cut = [bare_name(e) for _, e in entries[index:]]
            return [Note(
                "section-cut", number, True, "[RegisterFiles] is longer than the launcher reads",
                f"[RegisterFiles] takes {total} bytes as the launcher reads it (each line and a"
                f" NUL, and one NUL more); it reads {SECTION_BYTES}. From this line on"
                f" {len(cut)} entr{'ies' if len(cut) != 1 else 'y'} ({', '.join(cut[:4])}"
                f"{', ...' if len(cut) > 4 else ''}) are not registered: the launcher leaves"
                f" out the one that the read cuts, and never sees those after it.",
                "Drop the folder parts of the lines (the launcher drops them anyway), or register"
                " fewer components.")]
    return []
