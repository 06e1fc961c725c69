"""What the launcher does with each [RegisterFiles] entry once the install
has ended: the name it hands to regsvr32, and the entries it cannot hand on
at all. Where regsvr32 then finds the name is the end state's to say."""

from __future__ import annotations

import re

from .notes import Note

COMMAND_LINE_BYTES = 260  # "regsvr32 /s " and one name, with its NUL
TOOL_COMMAND = "regsvr32 /s "


def size(text: str, code_page: int) -> int:
    return len(text.encode(f"cp{code_page}", errors="replace"))


def spells(text: str, code_page: int) -> bool:
    try:
        text.encode(f"cp{code_page}")
        return True
    except UnicodeEncodeError:
        return False


def register_entries(text: str) -> list[tuple[int, str]]:
    """(line, entry) for each entry of [RegisterFiles] as the launcher reads
    it: the first section of that name through the profile reader (each line
    trimmed, "key = value" as "key=value", a line that starts with ';' left
    out), then a ';' outside quotes ending the entry, and the blanks and tabs
    before it trimmed. No %name% is replaced."""
    entries, inside, seen = [], False, False
    for number, line in enumerate(text.split("\n"), 1):
        line = line.strip()
        if line.startswith("[") and "]" in line:
            name = line[1:line.rindex("]")].strip().lower()
            inside, seen = name == "registerfiles" and not seen, seen or name == "registerfiles"
        elif inside and line and not line.startswith(";"):
            key, equals, value = line.partition("=")
            line = f"{key.strip()}={value.strip()}" if equals else line
            line = re.match(r'(?:[^;"]|"[^"]*"?)*', line)[0].rstrip(" \t")
            if line:
                entries.append((number, line))
    return entries


def bare_name(entry: str) -> str:
    """What the registration command gets of an entry (its comment already
    gone: register_entries): its file name and extension, its quotes, drive
    and folder (and a key before them) dropped; the command quotes it again
    when it holds a blank or a tab."""
    rest = entry.replace('"', "")
    rest = rest[2:] if rest[1:2] == ":" else rest
    return rest.replace("/", "\\").rsplit("\\", 1)[-1]


def command(bare: str) -> str:
    """The registration command for a bare name, as the launcher builds it."""
    return TOOL_COMMAND + (f'"{bare}"' if " " in bare or "\t" in bare else bare)


def entry_notes(entries: list[tuple[int, str]], code_page: int,
                unicode: bool) -> list[Note]:
    """The entries the launcher cannot hand to regsvr32 as written."""
    notes = []
    for number, entry in entries:
        bare = bare_name(entry)
        if unicode and not spells(entry, code_page):
            notes.append(Note(
                "unspellable-name", number, True, f"code page {code_page} cannot spell {bare}",
                "The launcher reads [RegisterFiles] in the system's code page, which turns"
                " what it cannot spell into '?': regsvr32 gets a name of no file, and the"
                " component is not registered.",
                f"Give the component a name that code page {code_page} spells."))
            continue
        length = len(TOOL_COMMAND) + size(bare, code_page) + (2 if " " in bare else 0)
        if length >= COMMAND_LINE_BYTES:
            notes.append(Note(
                "entry-too-long", number, True, f"{bare[:40]}... is too long to register",
                f"Its registration command, \"{TOOL_COMMAND}\" and the name, takes {length}"
                f" bytes; the launcher's holds {COMMAND_LINE_BYTES - 1} and skips the entry"
                f" without a word.",
                f"Shorten the file's name to at most"
                f" {COMMAND_LINE_BYTES - 1 - length + size(bare, code_page)} bytes."))
    return notes
