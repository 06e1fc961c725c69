"""What the launcher does with each [RegisterFiles] entry once the install
has ended: the name it hands to regsvr32, and where regsvr32 finds that
name, which is where the 32-bit install put the component only when it put
it in a folder that the DLL search looks in."""

from .folders import place, searched
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
    """(line, entry) for each entry of [RegisterFiles] as the profile reader
    gives it: the first section of that name, each line trimmed, "key = value"
    as "key=value", no quotes taken off and no %name% replaced, a comment only
    where a line starts with ';'."""
    entries, inside, seen = [], False, False
    for number, line in enumerate(text.split("\n"), 1):
        line = line.strip()
        if line.startswith("[") and "]" in line:
            name = line[1:line.rindex("]")].strip().lower()
            inside, seen = name == "registerfiles" and not seen, seen or name == "registerfiles"
        elif inside and line and not line.startswith(";"):
            key, equals, value = line.partition("=")
            entries.append((number, f"{key.strip()}={value.strip()}" if equals else line))
    return entries


def bare_name(entry: str) -> str:
    """What the registration command gets of an entry: its file name and
    extension, its quotes, drive and folder (and a key before them) dropped,
    and a comment from a ';' outside the quotes, with the blanks and tabs
    before it; the command quotes it again when it holds a blank or a tab."""
    kept, quoted = "", False
    for c in entry:
        if c == ";" and not quoted:
            break
        quoted = quoted != (c == '"')
        kept += "" if c == '"' else c
    rest = kept.rstrip(" \t")
    rest = rest[2:] if rest[1:2] == ":" else rest
    return rest.replace("/", "\\").rsplit("\\", 1)[-1]


def command(bare: str) -> str:
    """The registration command for a bare name, as the launcher builds it."""
    return TOOL_COMMAND + (f'"{bare}"' if " " in bare or "\t" in bare else bare)


def landing(copies: list, name: str) -> tuple[list, list]:
    """The copies of the install that are given this name: those regsvr32
    finds by it, and those it does not."""
    given = [c for c in copies if c.target.lower() == name.lower()]
    return ([c for c in given if searched(c.dirid, c.subfolder)],
            [c for c in given if not searched(c.dirid, c.subfolder)])


def registered(entries: list, copies: list, kit_files: set[str]) -> list[str]:
    """A line for each entry: where the install puts its component, as the
    32-bit install on 64-bit Windows places it, and whether regsvr32 finds
    it there."""
    lines = []
    for number, entry in entries:
        bare = bare_name(entry)
        found, missed = landing(copies, bare)
        where = "; ".join(f"{place(c.dirid, c.subfolder)} ([{c.section}] line {c.line.number})"
                          for c in found + missed) or "not installed"
        if found:
            said = "regsvr32 finds it there"
        elif bare.lower() in kit_files:
            said = ("regsvr32 does not look there: it registers the kit's own copy" if missed
                    else "regsvr32 finds the kit's own copy in the working folder")
        else:
            said = "regsvr32 finds it nowhere"
        lines.append(f"[RegisterFiles] line {number}, {bare}: {where}: {said}")
    return lines


def entry_notes(entries: list[tuple[int, str]], kit_files: set[str], copies: list,
                code_page: int, unicode: bool) -> list[Note]:
    """Each entry's registration. `kit_files` holds the names of the files
    in the kit's folder, the launcher's working folder, where regsvr32 looks
    for a bare name, in lower case, as Windows matches names; `copies` what
    the install copies."""
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
            continue
        notes += found_notes(number, entry, bare, kit_files, copies)
    return notes


def found_notes(number: int, entry: str, bare: str, kit_files: set[str],
                copies: list) -> list[Note]:
    found, missed = landing(copies, bare)
    in_kit = bare.lower() in kit_files
    installed = ", ".join(place(c.dirid, c.subfolder) for c in missed)
    if missed and not found and in_kit:
        return [Note(
            "kit-copy-registered", number, True, f"regsvr32 registers the kit's {bare}, not the"
            f" installed one",
            f"The install puts {bare} in {installed}, where the DLL search never looks (it"
            f" enters no subfolder). regsvr32 finds the kit's own copy in the working folder"
            f" and registers that one: the registration points at the CD or the download"
            f" folder, and breaks once it is gone.",
            f"Copy {bare} to the system folder itself (DestinationDirs 11, no subfolder), or"
            f" register it from where it is installed with a RegisterDlls line.")]
    if not found and not in_kit:
        return [Note(
            "not-found", number, True, f"regsvr32 will not find {bare}",
            f"The launcher runs {command(bare)}, by that name alone; regsvr32 looks in"
            f" the system folder, the Windows folder and the kit's folder (the launcher's"
            f" working folder), no subfolder of them."
            + (f" The install puts it in {installed}." if missed else
               f" The install copies no {bare} to the first two.")
            + " The kit holds none in its folder, so nothing is registered, and nothing says"
              " so.",
            f"Put {bare} beside the INF, or copy it to the system folder (DestinationDirs"
            f" 11), and list it by its name alone.")]
    if bare != entry.replace('"', ""):
        where = "the folder the install copies it to" if found else "the kit's folder"
        return [Note(
            "folder-dropped", number, False, f"the folder part of {entry} is dropped",
            f"The launcher runs {command(bare)}, by that name alone, and regsvr32 finds"
            f" it in {where}, not where the line says.",
            f"List it as {bare}.")]
    return []
