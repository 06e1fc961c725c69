"""What the system's Install command does with a kit's INF on Windows, where
its setup engine shows a dialog that Wine's never does: the section it
carries out, the files that section copies and where from, and its restart
request. The command is the 32-bit rundll32's "InstallHinfSection
DefaultInstall 132 PATH": the shipped launcher is 32-bit, and so is the
install program it starts, on 64-bit Windows too."""

from dataclasses import dataclass
from pathlib import Path

from inf import Inf, Line, X86_DECORATIONS
from notes import Note

SECTION = "DefaultInstall"
# The folders a component copied there is found in by its bare name: the
# system folder (for a 32-bit program on 64-bit Windows, SysWOW64) and the
# Windows folder.
SEARCHED_DIRIDS = {10, 11, 16425}


@dataclass
class Copy:
    """One file that a copy list of the install section copies."""

    line: Line
    section: str  # the copy list's name, or the install section's for CopyFiles=@file
    source: str  # the file name in the kit
    target: str  # the file name it is given
    dirid: int | None  # the destination folder's id, from [DestinationDirs]
    found: Path | None  # the kit's file (or the cabinet holding it); None: not in the kit


def find(folder: Path, relative: str) -> Path | None:
    """The file at a Windows relative path under `folder`, matched without
    regard to case as Windows matches it."""
    path = folder
    for part in (p for p in relative.replace("\\", "/").split("/") if p not in ("", ".")):
        if not path.is_dir():
            return None
        matches = [child for child in path.iterdir() if child.name.lower() == part.lower()]
        if not matches:
            return None
        path = matches[0]
    return path


def decorated_values(inf: Inf, section: str, key: str) -> list:
    """The lines of SECTION.x86 with the key, or else of SECTION: where a
    32-bit install looks for a source file and its disk."""
    return inf.values(section + ".x86", key) or inf.values(section, key)


def locate(inf: Inf, folder: Path, name: str) -> Path | None:
    """Where the kit holds the source file `name`: under the INF's folder,
    in the disk's path and the file's subfolder that the INF gives. A
    compressed copy (its last letter an underscore) counts, as does the
    cabinet that a disk's tag file names."""
    disk, subfolder, disk_path, tag = "", "", "", ""
    listed = decorated_values(inf, "SourceDisksFiles", name)
    if listed:
        fields = listed[0][1] + ["", ""]
        disk, subfolder = fields[0], fields[1]
        described = decorated_values(inf, "SourceDisksNames", disk)
        if described:
            fields = described[0][1] + ["", "", "", ""]
            tag, disk_path = fields[1], fields[3]
    where = f"{disk_path}\\{subfolder}"
    if tag.lower().endswith(".cab"):
        return find(folder, f"{disk_path}\\{tag}")
    return find(folder, f"{where}\\{name}") or find(folder, f"{where}\\{name[:-1]}_")


def destination(inf: Inf, copy_list: str) -> int | None:
    for _, fields in inf.values("DestinationDirs", copy_list) or \
            inf.values("DestinationDirs", "DefaultDestDir"):
        if fields and fields[0].strip().isdigit():
            return int(fields[0])
    return None


def copies(inf: Inf, section: str, folder: Path) -> list[Copy]:
    """Every file that the CopyFiles lines of `section` copy, in order."""
    found = []
    for line, lists in inf.values(section, "CopyFiles"):
        for copy_list in (name.strip() for name in lists if name.strip()):
            if copy_list.startswith("@"):
                name = copy_list[1:]
                found.append(Copy(line, section, name, name, destination(inf, "DefaultDestDir"),
                                  locate(inf, folder, name)))
                continue
            for entry in inf.lines(copy_list):
                fields = [inf.expand(f) for f in entry.fields]
                if not fields or not fields[0]:
                    continue
                source = fields[1] if len(fields) > 1 and fields[1] else fields[0]
                found.append(Copy(entry, inf.sections[copy_list.lower()].name, source,
                                  fields[0], destination(inf, copy_list),
                                  locate(inf, folder, source)))
    return found


def install_notes(inf: Inf, folder: Path) -> tuple[list[Note], list[Copy]]:
    """The notes on what the install does, and the files it copies."""
    picked = inf.pick(SECTION)
    if picked is None:
        return [no_install_section(inf)], []
    found = copies(inf, picked.name, folder)
    lost: dict[str, list[Copy]] = {}
    for copy in (c for c in found if c.found is None):
        lost.setdefault(copy.section, []).append(copy)
    notes = [missing(group, inf.path.name) for group in lost.values()]
    for line in picked.lines:
        if line.key is not None and line.key.lower() in ("reboot", "restart"):
            notes.append(restart(line, picked.name))
    return notes, found


def no_install_section(inf: Inf) -> Note:
    # Sections for other processors: SECTION.NTAMD64 and the like, not the
    # SECTION.NTAMD64.Services that go with them.
    others = [s for key, s in inf.sections.items()
              if key.startswith(SECTION.lower() + ".") and key.count(".") == 1 and
              key[len(SECTION):] not in X86_DECORATIONS]
    seen = "; it has only " + ", ".join(f"[{s.name}] (line {s.number})" for s in others) \
        if others else ""
    return Note(
        "no-install-section", others[0].number if others else 0, True,
        f"no [{SECTION}] section that a 32-bit install carries out",
        f"The 32-bit install looks for [{SECTION}.NTx86], then [{SECTION}.NT], then"
        f" [{SECTION}]{seen}. On Windows it shows \"The INF file you selected does not support"
        f" this method of installation\" and waits until the user closes it; nothing is"
        f" installed. Wine says nothing.",
        f"Add [{SECTION}] (or [{SECTION}.NTx86]) with the lines the kit needs installed.")


def missing(group: list[Copy], inf_name: str) -> Note:
    """One note for the files of one copy list that the kit lacks."""
    first, section = group[0], group[0].section
    names = ", ".join(f"{c.source} (line {c.line.number})" for c in group[:6])
    names += f" and {len(group) - 6} more" if len(group) > 6 else ""
    them = "it" if len(group) == 1 else "them"
    return Note(
        "missing-file", first.line.number, True,
        f"{first.source} is not in the kit" if len(group) == 1 else
        f"{len(group)} files of [{section}] are not in the kit",
        f"[{section}] copies {names}, which the kit does not hold where [SourceDisksNames]"
        f" and [SourceDisksFiles] say. On Windows the setup engine asks for the disk that"
        f" holds {them} (Browse, Skip, Cancel) and the install waits for the user; Wine's"
        f" engine skips a missing file without a word.",
        f"Put {them} beside {inf_name} (or where [SourceDisksFiles] says), or take {them}"
        f" out of [{section}].")


def restart(line: Line, section: str) -> Note:
    return Note(
        "restart", line.number, True, f"[{section}] asks for a restart",
        f"\"{line.key}\" asks Windows to restart once the install has ended. With mode 132 it"
        f" asks the user first, and the launcher waits for the answer; Yes restarts Windows"
        f" while the launcher still has [RegisterFiles] to register. Wine only notes the"
        f" request in its trace.",
        f"Take the {line.key} line out; if the components need a restart, say so once the"
        f" kit has installed them.")
