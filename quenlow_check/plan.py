"""What the setup engine will do with the kit's INF: each operation of the
install section it picks, resolved as the engine resolves it, in the order it
carries them out. One function per directive, as the engine has one handler
per directive; the judging is left to the end state and the notes.

The engine's order ("INF DDInstall Section"; Wine's setupapi, whose install
tests pass on Windows): the files (its queue commits deletes, then renames,
then copies: SetupCommitFileQueue), then the registry (DelReg before
AddReg), then the services of <section>.Services, which InstallHinfSection
installs after the section itself.

Copy list lines are "destination[,source[,unused[,flags]]]" ("INF CopyFiles
Directive"); delete and rename lines "file[,,,flags]" and "new,old" ("INF
DelFiles Directive", "INF RenFiles Directive"); registry lines "root,
subkey[,value[,flags[,data...]]]" ("INF AddReg Directive", "INF DelReg
Directive"). In a string, %dirid% becomes the folder of that id as the
engine's process names it ("Using Dirids": "can be used anywhere a string is
expected")."""

from __future__ import annotations

import re
from dataclasses import dataclass, field
from pathlib import Path

from .inf import DECORATIONS, Inf, Line, number
from .sources import Source, destination, find, locate
from .windows import folder as dirid_folder, redirected, registry_key

SECTION = "DefaultInstall"
# The directives of an install section whose values name sections of the
# INF ("INF DefaultInstall Section"); CopyFiles=@name names a file.
LISTS = ("CopyFiles", "DelFiles", "RenFiles", "AddReg", "DelReg", "BitReg", "UpdateInis",
         "UpdateIniFields", "Ini2Reg", "ProfileItems", "RegisterDlls", "UnregisterDlls")
COPYFLG_NO_OVERWRITE = 0x10  # "Do not replace an existing file"
COPYFLG_REPLACEONLY = 0x400  # "only if the file is already present in the destination"
# "INF AddReg Directive": the flags that pick the view, and the value types.
FLG_ADDREG_64BITKEY, FLG_ADDREG_32BITKEY = 0x1000, 0x4000
FLG_ADDREG_NOCLOBBER, FLG_ADDREG_DELVAL, FLG_ADDREG_APPEND = 0x2, 0x4, 0x8
FLG_ADDREG_KEYONLY, FLG_ADDREG_OVERWRITEONLY = 0x10, 0x20
TYPES = {0: "REG_SZ", 1: "REG_BINARY", 0x10000: "REG_MULTI_SZ", 0x20000: "REG_EXPAND_SZ",
         0x10001: "REG_DWORD", 0x20001: "REG_NONE"}


@dataclass(frozen=True)
class FileStep:
    """One file the engine copies, deletes or renames."""

    action: str  # "copy", "delete" or "rename"
    line: Line
    section: str  # the list's name, or the install section's for CopyFiles=@file
    name: str  # the file's name in the destination (a rename's new name)
    other: str  # a copy's source file, a rename's old name, else ''
    dirid: int | None
    subfolder: str
    written: str | None  # the full path as the engine writes it; None: no such folder
    path: str | None  # where that lands, after the file system redirector
    flags: int = 0
    at: Source | None = None  # a copy's source in the kit

    @property
    def found(self) -> Path | None:
        return self.at.found if self.at else None


@dataclass(frozen=True)
class RegistryStep:
    """One registry value or key the engine writes or deletes."""

    action: str  # "add" or "delete"
    line: Line
    section: str
    root: str
    key: str  # as the line names it, tokens replaced
    name: str | None  # the value's name; None: the key alone ('' the default value)
    flags: int
    kind: str  # REG_SZ, ...
    data: str  # as the registry editor shows it
    landed: str | None  # the key it lands in, by view; None: a root the engine cannot use


@dataclass(frozen=True)
class ServiceStep:
    line: Line
    name: str
    binary: str  # the full path the service control manager starts
    kind: int | None  # ServiceType
    refused: bool  # a 32-bit engine on 64-bit Windows cannot install it


@dataclass(frozen=True)
class IniStep:
    """One line an UpdateInis section writes into an .ini file."""

    line: Line
    path: str  # the file, a name alone in the Windows folder
    section: str
    old: str
    new: str


@dataclass
class Plan:
    bits: int
    kit_folder: str = ""  # the kit's folder as Windows names it: %1%
    picked: object = None  # the install section, None when the INF has none
    sections: list = field(default_factory=list)
    files: list[FileStep] = field(default_factory=list)
    registry: list[RegistryStep] = field(default_factory=list)
    services: list[ServiceStep] = field(default_factory=list)
    inis: list[IniStep] = field(default_factory=list)
    unread: list = field(default_factory=list)  # (line, name): INFs Include names, not in the kit
    missing_needs: list = field(default_factory=list)  # (line, name)
    no_destination: list = field(default_factory=list)  # (line, copy list)


def plan(inf: Inf, kit: Path, bits: int, kit_folder: str) -> Plan:
    """The install's steps, for a setup engine of this bitness on 64-bit
    Windows; `kit_folder` is the kit's folder as Windows names it."""
    result = Plan(bits, kit_folder)
    result.picked = inf.pick(SECTION, bits)
    if result.picked is None:
        return result
    run_sections(inf, result, kit)
    for directive, handler in DIRECTIVES.items():
        for section in result.sections:
            for line, lists in inf.values(section.name, directive):
                for name in (n.strip() for n in lists if n.strip()):
                    handler(inf, result, section, line, name)
    add_services(inf, result)
    return result


def run_sections(inf: Inf, result: Plan, kit: Path) -> None:
    """The install section and those its Needs names, with the INFs its
    Include names appended: InstallHinfSection follows both, one level deep
    ("INF DDInstall Section"; Wine's setupapi tests of both pass on
    Windows). A bare INF name is looked for in the Windows INF folder, a
    path from the working folder, the kit's (SetupOpenInfFile)."""
    picked = result.picked
    for line, names in inf.values(picked.name, "Include"):
        for name in filter(None, (n.strip() for n in names)):
            path = find(kit, name) if re.search(r"[\\/]", name) else None
            included = Inf(path, inf.code_page, inf.language) \
                if path is not None and path.is_file() else None
            if included is None or included.error is not None:
                result.unread.append((line, name))
                continue
            inf.append(included, line.number)
    result.sections = [picked]
    for line, names in inf.values(picked.name, "Needs"):
        for name in filter(None, (n.strip() for n in names)):
            if name.lower() in inf.sections:
                result.sections.append(inf.sections[name.lower()])
            elif not result.unread:
                result.missing_needs.append((line, name))


def folder(result: Plan, dirid: int | None) -> str | None:
    """A directory id's folder as the engine's process names it; 1 is the
    kit's own."""
    return result.kit_folder if dirid == 1 else dirid_folder(dirid, result.bits)


def substitute(inf: Inf, result: Plan, text: str) -> str:
    """A string with its %strkey% tokens and %dirid%s replaced; an id
    Windows does not define stays as written."""
    def folder_of(match: re.Match) -> str:
        found = folder(result, number(match[1]))
        return found if found is not None else match[0]
    return re.sub(r"%(\d+)%", folder_of, inf.expand(text))


def fields_of(inf: Inf, result: Plan, line: Line, more: int = 3) -> list[str]:
    """A line's fields with their strings replaced, and `more` empty ones
    after them for the fields it leaves out."""
    return [substitute(inf, result, f) for f in line.fields] + [""] * more


def target(inf: Inf, result: Plan, dirid: int | None, subfolder: str,
           name: str) -> tuple[str | None, str | None]:
    """(as written, where it lands) for a file of a copy list."""
    base = folder(result, dirid)
    if base is None:
        return None, None
    sub = substitute(inf, result, subfolder).strip("\\")
    written = "\\".join(p for p in (base, sub, name) if p)
    return written, redirected(written, result.bits)


def copy_files(inf: Inf, result: Plan, section, line: Line, name: str) -> None:
    """CopyFiles: each file of the list, from where the engine finds it."""
    root = inf.path.parent
    if name.startswith("@"):
        dirid, subfolder, _ = destination(inf, "DefaultDestDir")
        written, path = target(inf, result, dirid, subfolder, name[1:])
        result.files.append(FileStep("copy", line, section.name, name[1:], name[1:], dirid,
                                     subfolder, written, path, 0,
                                     locate(inf, root, name[1:], result.bits)))
        return
    if name.lower() not in inf.sections:
        return
    dirid, subfolder, said = destination(inf, name)
    if not said:
        result.no_destination.append((line, name))
    listed = inf.sections[name.lower()].name
    for entry in inf.lines(name):
        fields = [inf.expand(f) for f in entry.fields] + ["", "", ""]
        if not fields[0]:
            continue
        source = fields[1] or fields[0]
        written, path = target(inf, result, dirid, subfolder, fields[0])
        result.files.append(FileStep("copy", entry, listed, fields[0], source, dirid, subfolder,
                                     written, path, number(fields[3]) or 0,
                                     locate(inf, root, source, result.bits)))


def del_files(inf: Inf, result: Plan, section, line: Line, name: str) -> None:
    """DelFiles: each "file[,,,flags]" of the list, from the list's destination."""
    listed_files(inf, result, name, "delete")


def ren_files(inf: Inf, result: Plan, section, line: Line, name: str) -> None:
    """RenFiles: each "new,old" of the list, in the list's destination."""
    listed_files(inf, result, name, "rename")


def listed_files(inf: Inf, result: Plan, name: str, action: str) -> None:
    if name.lower() not in inf.sections:
        return
    dirid, subfolder, _ = destination(inf, name)
    for entry in inf.lines(name):
        fields = [inf.expand(f) for f in entry.fields] + ["", "", ""]
        old = fields[1] if action == "rename" else ""
        if fields[0] and (old or action == "delete"):
            written, path = target(inf, result, dirid, subfolder, fields[0])
            result.files.append(FileStep(action, entry, inf.sections[name.lower()].name,
                                         fields[0], old, dirid, subfolder, written, path,
                                         number(fields[3]) or 0 if action == "delete" else 0))


def view_bits(bits: int, flags: int) -> int:
    """The view a registry line writes: the engine's own, unless a flag
    names the other ("INF AddReg Directive": FLG_ADDREG_64BITKEY,
    FLG_ADDREG_32BITKEY; the same bits in DelReg)."""
    if flags & FLG_ADDREG_64BITKEY:
        return 64
    if flags & FLG_ADDREG_32BITKEY:
        return 32
    return bits


def value_data(kind: str, fields: list[str]) -> str:
    """The data as the registry editor shows it."""
    if kind == "REG_DWORD":
        value = (number(fields[0]) if fields else None) or 0
        return f"{value & 0xFFFFFFFF} (0x{value & 0xFFFFFFFF:08x})"
    if kind in ("REG_MULTI_SZ", "REG_BINARY"):
        return ("\\0" if kind == "REG_MULTI_SZ" else " ").join(f for f in fields if f != "")
    return fields[0] if fields else ""


def add_reg(inf: Inf, result: Plan, section, line: Line, name: str) -> None:
    for entry in inf.lines(name):
        fields = fields_of(inf, result, entry)
        flags = number(fields[3]) or 0
        low, high = flags & 0x1, flags & 0xFFFF0000
        kind = TYPES.get(high | low, f"type 0x{high >> 16:x}" if low else "REG_SZ")
        # "If this value is omitted for a string type, the value-entry-name
        # is the default "unnamed" value entry": a line of root and key alone
        # writes that entry, empty, as Wine's engine does too.
        value = None if flags & FLG_ADDREG_KEYONLY else fields[2]
        landed = registry_key(fields[0].strip(), fields[1], view_bits(result.bits, flags))
        result.registry.append(RegistryStep("add", entry, name, fields[0].strip(), fields[1],
                                            value, flags, kind, value_data(kind, fields[4:-3]),
                                            landed))


def del_reg(inf: Inf, result: Plan, section, line: Line, name: str) -> None:
    for entry in inf.lines(name):
        fields = fields_of(inf, result, entry)
        flags = number(fields[3]) or 0
        value = fields[2] if len(entry.fields) > 2 else None
        landed = registry_key(fields[0].strip(), fields[1], view_bits(result.bits, flags))
        result.registry.append(RegistryStep("delete", entry, name, fields[0].strip(), fields[1],
                                            value, flags, "", "", landed))


def update_inis(inf: Inf, result: Plan, section, line: Line, name: str) -> None:
    """UpdateInis: "ini-file,ini-section[,old-ini-entry][,new-ini-entry]"
    ("INF UpdateInis Directive"); a file named without a path is the one in
    the Windows folder, where system.ini and win.ini are."""
    for entry in inf.lines(name):
        fields = fields_of(inf, result, entry)
        if fields[0]:
            path = fields[0] if "\\" in fields[0] else f"{folder(result, 10)}\\{fields[0]}"
            result.inis.append(IniStep(entry, redirected(path, result.bits), fields[1], fields[2],
                                       fields[3]))


def add_services(inf: Inf, result: Plan) -> None:
    """AddService lines of <section>.Services ("INF AddService Directive").
    From a 32-bit process on 64-bit Windows the engine refuses to install
    services with ERROR_IN_WOW64, "Operation not allowed in WOW64", as
    users of such installers report; no service is created."""
    services = f"{result.picked.name}.Services"
    for line, fields in inf.values(services, "AddService"):
        fields = fields + ["", "", ""]
        install = fields[2]
        binary = next((substitute(inf, result, ln.fields[0]) for ln in inf.lines(install)
                       if ln.key and ln.key.lower() == "servicebinary" and ln.fields), "")
        kind = next((number(f[0]) for _, f in inf.values(install, "ServiceType") if f), None)
        result.services.append(ServiceStep(line, fields[0], binary, kind, result.bits == 32))


# The directives that name lists, in the order the engine carries them out.
DIRECTIVES = {"DelFiles": del_files, "RenFiles": ren_files, "CopyFiles": copy_files,
              "UpdateInis": update_inis, "DelReg": del_reg, "AddReg": add_reg}


def picked_name(bits: int) -> str:
    return " then ".join(f"[{SECTION}{d}]" for d in DECORATIONS[bits])
