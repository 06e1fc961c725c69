"""What the system's Install command does with a kit's INF on Windows, where
its setup engine shows a dialog or fails where Wine's says nothing: the
section it carries out, the sections that one names, the files it copies
and where from and to, its services. The command is InstallHinfSection
DefaultInstall 132 PATH, run by a 32-bit program: the shipped launcher is
32-bit, and so is the install program it starts, on 64-bit Windows too.

A Reboot or Restart line in the section asks for no restart: "INF Reboot
Directive" says Reboot "is only processed when specified directly in the
[DDInstall] section", and "INF DefaultInstall Section" lists neither (both
are Windows 95 setup's). Mode 132 asks only when the engine finds a restart
needed, for a file that was in use."""

import re
from dataclasses import dataclass
from pathlib import Path

from .drivers import driver_notes
from .folders import place
from .inf import Inf, Line, X86_DECORATIONS
from .notes import Note
from .sources import Source, destination, find, locate
from .tokens import token_notes

SECTION = "DefaultInstall"
# The directives of an install section whose values name sections of the
# INF ("INF DefaultInstall Section"); CopyFiles=@name names a file.
LISTS = ("CopyFiles", "DelFiles", "RenFiles", "AddReg", "DelReg", "BitReg", "UpdateInis",
         "UpdateIniFields", "Ini2Reg", "ProfileItems", "RegisterDlls", "UnregisterDlls")


@dataclass
class Copy:
    """One file that a copy list of the install copies."""

    line: Line
    section: str  # the copy list's name, or the install section's for CopyFiles=@file
    source: str  # the file name in the kit
    target: str  # the file name it is given
    dirid: int | None  # the destination folder's id
    subfolder: str  # under that folder
    at: Source  # where the setup engine finds it

    @property
    def found(self) -> Path | None:
        return self.at.found


def run_sections(inf: Inf, picked, kit: Path) -> tuple[list, list[Note]]:
    """The install section and those its Needs names, with the INFs its
    Include names appended: InstallHinfSection follows both, one level deep
    ("INF DDInstall Section"; Wine's setupapi tests of both pass on
    Windows). A bare INF name is looked for in the Windows INF folder, a
    path from the working folder, the kit's (SetupOpenInfFile)."""
    notes, unread = [], []
    for line, names in inf.values(picked.name, "Include"):
        for name in filter(None, (n.strip() for n in names)):
            path = find(kit, name) if re.search(r"[\\/]", name) else None
            included = Inf(path, inf.code_page, inf.language) \
                if path is not None and path.is_file() else None
            if included is None or included.error is not None:
                unread.append((line, name))
                continue
            inf.append(included, line.number)
    if unread:
        names = ", ".join(f"{n} (line {line.number})" for line, n in unread)
        notes.append(Note(
            "not-checked", unread[0][0].number, False, "an INF that Include names is not checked",
            f"[{picked.name}] includes {names}, which the kit does not hold where Windows looks:"
            f" a bare name in C:\\Windows\\INF and then the system folder, a path from the kit's"
            f" folder. The sections it brings in (Needs) are not checked here.",
            "Nothing, if it is an INF of Windows; else ship it and name it by a path such as"
            " .\\part.inf."))
    sections = [picked]
    for line, names in inf.values(picked.name, "Needs"):
        for name in filter(None, (n.strip() for n in names)):
            if name.lower() in inf.sections:
                sections.append(inf.sections[name.lower()])
            elif not unread:
                notes.append(no_section(line, "Needs", name))
    return sections, notes


def no_section(line: Line, directive: str, name: str) -> Note:
    """A directive that names a section the INF lacks: InstallHinfSection
    does nothing for it and goes on. No page says so outright; "INF
    Validation Errors and Warnings" puts "Section not found" (1203) among the
    errors for which "Windows does not fail driver installation", and
    Wine's setupapi passes over it too."""
    file = name.endswith((".dll", ".sys", ".exe", ".ocx", ".txt", ".inf", ".cat"))
    return Note(
        "no-section", line.number, False, f"{directive}={name} names no section",
        f"The INF has no [{name}], so the install does nothing for it and goes on without a"
        f" word." + (f" A file is named with an @: CopyFiles=@{name}." if file else ""),
        f"Add [{name}], name the section the INF has, or take {name} out.")


def copies(inf: Inf, sections: list, root: Path) -> tuple[list[Copy], list[Note]]:
    """Every file that the CopyFiles lines of `sections` copy, in order, and
    the notes on lists that [DestinationDirs] sends nowhere."""
    found, notes = [], []
    for section in sections:
        for line, lists in inf.values(section.name, "CopyFiles"):
            for copy_list in (name.strip() for name in lists if name.strip()):
                if copy_list.startswith("@"):
                    name = copy_list[1:]
                    found.append(Copy(line, section.name, name, name,
                                      *destination(inf, "DefaultDestDir")[:2],
                                      locate(inf, root, name)))
                    continue
                if copy_list.lower() not in inf.sections:
                    continue
                dirid, subfolder, said = destination(inf, copy_list)
                if not said:
                    notes.append(no_destination(line, copy_list))
                for entry in inf.lines(copy_list):
                    fields = [inf.expand(f) for f in entry.fields]
                    if not fields or not fields[0]:
                        continue
                    source = fields[1] if len(fields) > 1 and fields[1] else fields[0]
                    found.append(Copy(entry, inf.sections[copy_list.lower()].name, source,
                                      fields[0], dirid, subfolder, locate(inf, root, source)))
    return found, notes


def no_destination(line: Line, copy_list: str) -> Note:
    return Note(
        "no-destination", line.number, False, f"[DestinationDirs] does not say where [{copy_list}]"
        " goes",
        f"With no entry for [{copy_list}] and no DefaultDestDir, the setup engine copies its files"
        f" to the system folder, which a 32-bit install on 64-bit Windows sees as"
        f" {place(11, '')}.",
        f"Add {copy_list}=DIRID[,subfolder] to [DestinationDirs].")


def install_notes(inf: Inf, kit: Path) -> tuple[list[Note], list[Copy]]:
    """The notes on what the install does, and the files it copies. `kit` is
    the working folder; the sources lie beside the INF."""
    picked = inf.pick(SECTION)
    if picked is None:
        return [no_install_section(inf)], []
    sections, notes = run_sections(inf, picked, kit)
    found, listed = copies(inf, sections, inf.path.parent)
    notes += listed
    for section in sections:
        for directive in LISTS:
            for line, names in inf.values(section.name, directive):
                notes += [no_section(line, directive, n) for n in (n.strip() for n in names)
                          if n and not n.startswith("@") and n.lower() not in inf.sections]
    lost: dict[str, list[Copy]] = {}
    for copy in (c for c in found if c.found is None):
        lost.setdefault(copy.section, []).append(copy)
    notes += [missing(group, inf.path.name) for group in lost.values()]
    notes += tag_notes(found) + driver_notes(inf, picked) + token_notes(inf, sections, found)
    return notes, found


def tag_notes(found: list[Copy]) -> list[Note]:
    """A note for each disk whose tag file the kit lacks while it holds the
    disk's files: only removable media ask for it."""
    notes, seen = [], set()
    for copy in found:
        at = copy.at
        if at.found is None or at.tag_found or (at.disk, at.tag) in seen:
            continue
        seen.add((at.disk, at.tag))
        notes.append(Note(
            "tag-file", copy.line.number, False, f"the kit lacks {at.tag}, the tag file of"
            f" disk \"{at.disk}\"",
            f"[SourceDisksNames] names {at.tag} as the disk's tag file (or cabinet). From a fixed"
            f" disk (a download folder, a share) Windows copies the files it finds and never"
            f" asks for {at.tag}. From a CD or a USB stick it looks for {at.tag} first and, not"
            f" finding it, asks for the disk (Browse, Skip, Cancel) and waits.",
            f"Ship {at.tag} in the disk's folder, or clear the second field of the disk's line."))
    return notes


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
        f"Add an undecorated [{SECTION}] with the lines the kit needs installed (in an INF with"
        f" a Class and ClassGuid, a decorated one goes to the driver store instead).")


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
        f"[{section}] copies {names}, which the kit holds neither loose where [SourceDisksNames]"
        f" and [SourceDisksFiles] say nor in the disk's cabinet. On Windows the setup engine"
        f" asks for the disk that holds {them} (Browse, Skip, Cancel), from any medium, and the"
        f" install waits for the user; Wine's engine skips a missing file without a word.",
        f"Put {them} beside {inf_name} (or where [SourceDisksFiles] says), or take {them}"
        f" out of [{section}].")
