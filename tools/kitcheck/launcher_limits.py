"""The launcher's own limits, which it enforces without a word at run time,
measured for one kit: its argument, the folder depth its buffers allow, the
[RegisterFiles] section it reads with the profile reader, the command line
of each registration, and the names its code page must spell. Lengths are
bytes in the code page of the Windows the kit is meant for."""

from notes import Note

MAX_ARGUMENT = 130  # the command-line tail it accepts
MODULE_PATH_BYTES = 260  # MAX_PATH: the launcher's own path, with its NUL
EXPANDED_BYTES = 270  # the argument with %EXEPATH% replaced, with its NUL
COMMAND_BYTES = 1024  # the install command, with its NUL
SECTION_BYTES = 1024  # [RegisterFiles]: its lines, each with a NUL, and one more NUL
COMMAND_LINE_BYTES = 260  # "regsvr32 /s " and one name, with its NUL
TOOL_COMMAND = "regsvr32 /s "
# Windows' own Install command, expanded for C:\Windows, up to "%1", the INF path.
WINDOWS_COMMAND = (r"C:\Windows\System32\rundll32.exe setupapi,InstallHinfSection"
                   r" DefaultInstall 132 ")
# Where a downloaded kit often lies; 20 bytes is the longest user name.
USER_NAME_BYTES = 20
DOWNLOADS = "C:\\Users\\<name>\\Downloads\\"


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
    extension, the drive and folder (and a key before them) dropped."""
    rest = entry[2:] if entry[1:2] == ":" else entry
    return rest.replace("/", "\\").rsplit("\\", 1)[-1]


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


def entry_notes(entries: list[tuple[int, str]], kit_files: set[str], copied: set[str],
                code_page: int, unicode: bool) -> list[Note]:
    """Each entry's registration. `kit_files` holds the names of the files
    in the kit's folder, the launcher's working folder, where regsvr32 looks
    for a bare name; `copied` those that the install copies to a folder
    where it looks too; both in lower case, as Windows matches names."""
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
        # The launcher quotes a name with a blank unless the author did;
        # regsvr32 takes the quotes off.
        quotes = 2 if " " in bare and '"' not in bare else 0
        length = len(TOOL_COMMAND) + size(bare, code_page) + quotes
        if length >= COMMAND_LINE_BYTES:
            notes.append(Note(
                "entry-too-long", number, True, f"{bare[:40]}... is too long to register",
                f"Its registration command, \"{TOOL_COMMAND}\" and the name, takes {length}"
                f" bytes; the launcher's holds {COMMAND_LINE_BYTES - 1} and skips the entry"
                f" without a word.",
                f"Shorten the file's name to at most"
                f" {COMMAND_LINE_BYTES - 1 - length + size(bare, code_page)} bytes."))
            continue
        name = bare.replace('"', "").lower()
        in_kit = name in kit_files
        if not in_kit and name not in copied:
            notes.append(Note(
                "not-found", number, True, f"regsvr32 will not find {bare}",
                f"The launcher runs regsvr32 /s {bare}, by that name alone; regsvr32 looks in"
                f" the system folder, the Windows folder and the kit's folder (the launcher's"
                f" working folder). The install copies no {bare} to the first two and the kit"
                f" holds none in its folder, so nothing is registered, and nothing says so.",
                f"Put {bare} beside the INF, or copy it to the system folder (DestinationDirs"
                f" 11), and list it by its name alone."))
        elif bare != entry:
            where = "the kit's folder" if in_kit else "the folder the install copies it to"
            notes.append(Note(
                "folder-dropped", number, False, f"the folder part of {entry} is dropped",
                f"The launcher runs regsvr32 /s {bare}, by that name alone, and regsvr32 finds"
                f" it in {where}, not where the line says.",
                f"List it as {bare}."))
    return notes
