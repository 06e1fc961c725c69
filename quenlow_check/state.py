"""The end state: the plan laid onto a fresh 64-bit Windows, then what
regsvr32 loads for each [RegisterFiles] entry once the install has ended.

A fresh Windows holds the components it ships (windows.SHIPPED) and no key
or value of the kit's; the kit's folder, holding the kit's files, is the
working folder. Copies follow their flags ("INF CopyFiles Directive"):
COPYFLG_REPLACEONLY copies only onto a file already there, and
COPYFLG_NO_OVERWRITE never onto one. A file Windows ships is kept by Windows
Resource Protection ("About Windows Resource Protection": only the trusted
installer replaces or deletes it). Registry lines follow theirs ("INF
AddReg Directive": FLG_ADDREG_NOCLOBBER, FLG_ADDREG_OVERWRITEONLY,
FLG_ADDREG_DELVAL, FLG_ADDREG_APPEND).

regsvr32 is the launcher's: 32-bit with the 32-bit engine, 64-bit with the
64-bit one. It loads a bare name by the DLL search (windows.search_order);
where the first file it finds is an image for the other processor, it hands
the name on to the regsvr32 of the other bitness, which searches again from
the same working folder ("regsvr32": the 32-bit one lives in SysWOW64)."""

from __future__ import annotations

from dataclasses import dataclass, field
from pathlib import Path

from .images import image_bits
from .plan import (COPYFLG_NO_OVERWRITE, COPYFLG_REPLACEONLY, FLG_ADDREG_APPEND,
                   FLG_ADDREG_DELVAL, FLG_ADDREG_KEYONLY, FLG_ADDREG_NOCLOBBER,
                   FLG_ADDREG_OVERWRITEONLY, FileStep, Plan)
from .registration import bare_name
from .windows import (SHIPPED, load_name, normal, search_order, shipped, system_folder)


# Why a copy, delete or rename of the plan leaves the end state as it was.
KEPT = {"protected": "Windows' own, kept by Windows Resource Protection",
        "no-source": "not renamed: no {step.other} there",
        "replace-only": "not copied: COPYFLG_REPLACEONLY, and a fresh Windows has no file there"
                        " to replace",
        "no-overwrite": "not copied: COPYFLG_NO_OVERWRITE, and the file is there",
        "windows-own": "not copied: Windows' own, kept by Windows Resource Protection"}
# Where the file regsvr32 loads comes from, in words.
ORIGINS = {"installed": "installed", "windows": "Windows' own", "kit": "the kit's own copy"}


@dataclass(frozen=True)
class File:
    path: str  # the full Windows path
    origin: str  # "installed", "windows" or "kit"
    step: FileStep | None = None  # the copy that put it there
    local: Path | None = None  # the kit's file it holds, where it can be read
    bits: int | None = None  # 32 or 64 for an image of x86 or x64, 0 for none, None: unknown


@dataclass(frozen=True)
class Value:
    key: str
    name: str | None  # None: the key alone
    kind: str
    data: str
    step: object


@dataclass(frozen=True)
class Lookup:
    """One regsvr32's search for a name."""

    tool: str  # the regsvr32 that searched
    bits: int  # that regsvr32's
    name: str  # the file name LoadLibrary looks for
    found: File | None


@dataclass(frozen=True)
class Registration:
    number: int  # the [RegisterFiles] line
    entry: str
    lookups: tuple  # the searches, the last one's file is registered
    meant: tuple  # the copies of the install that give a file this name

    @property
    def loaded(self) -> File | None:
        return self.lookups[-1].found


@dataclass
class EndState:
    bits: int
    kit_folder: str
    kit: Path  # the kit's folder here
    files: dict = field(default_factory=dict)  # normal path: File
    kept: list = field(default_factory=list)  # (step, a key of KEPT): the steps not carried out
    values: dict = field(default_factory=dict)  # (normal key, name or None): Value
    deleted: list = field(default_factory=list)  # installed files that a delete took away
    changed: list = field(default_factory=list)  # the .ini files that UpdateInis writes
    services: list = field(default_factory=list)  # the plan's, each created or refused
    registrations: list = field(default_factory=list)

    def file(self, path: str) -> File | None:
        return self.files.get(normal(path))


def fresh(bits: int, kit: Path, kit_folder: str) -> EndState:
    """A fresh 64-bit Windows with the kit's folder as working folder."""
    state = EndState(bits, kit_folder, kit)
    for name, kinds in SHIPPED.items():
        for kind in kinds:
            path = f"{system_folder(kind)}\\{name}"
            state.files[normal(path)] = File(path, "windows", bits=kind if name.endswith(
                ".dll") else 0)
    for child in kit.iterdir() if kit.is_dir() else ():
        if child.is_file():
            path = f"{kit_folder}\\{child.name}"
            state.files.setdefault(normal(path), File(path, "kit", local=child))
    return state


def end_state(plan: Plan, kit: Path, kit_folder: str, entries: list) -> EndState:
    state = fresh(plan.bits, kit, kit_folder)
    for step in plan.files:
        if step.path is not None:
            {"delete": delete, "rename": rename, "copy": copy}[step.action](state, step)
    state.services = plan.services
    for step in plan.inis:
        if step.new and step.path not in state.changed:
            state.changed.append(step.path)
    for step in plan.registry:
        if step.landed is not None:
            (add_value if step.action == "add" else delete_value)(state, step)
    copies = [s for s in plan.files if s.action == "copy"]
    for number, entry in entries:
        state.registrations.append(register(state, number, entry, copies))
    return state


def delete(state: EndState, step: FileStep) -> None:
    there = state.file(step.path)
    if there is None:
        return
    if there.origin == "windows" or shipped(step.path):
        state.kept.append((step, "protected"))
        return
    del state.files[normal(step.path)]
    state.deleted.append(there)


def rename(state: EndState, step: FileStep) -> None:
    old = step.path.rsplit("\\", 1)[0] + "\\" + step.other
    there = state.file(old)
    if there is None:
        state.kept.append((step, "no-source"))
        return
    if there.origin == "windows":
        return
    del state.files[normal(old)]
    state.files[normal(step.path)] = File(step.path, there.origin, there.step, there.local,
                                          there.bits)


def copy(state: EndState, step: FileStep) -> None:
    there = state.file(step.path)
    if step.found is None:
        return  # the engine asks for the disk: a note of the plan
    if there is None and step.flags & COPYFLG_REPLACEONLY:
        state.kept.append((step, "replace-only"))
        return
    if there is not None and step.flags & COPYFLG_NO_OVERWRITE:
        state.kept.append((step, "no-overwrite"))
        return
    if there is not None and there.origin == "windows":
        state.kept.append((step, "windows-own"))
        return
    # A file from a cabinet or a compressed one is not read: its kind is unknown.
    local = step.found if step.found.name.lower() == step.other.lower() else None
    state.files[normal(step.path)] = File(step.path, "installed", step, local,
                                          image_bits(local) if local else None)


def add_value(state: EndState, step) -> None:
    slot = (normal(step.landed), None if step.name is None else step.name.lower())
    there = state.values.get(slot)
    if step.name is not None and step.flags & FLG_ADDREG_DELVAL:
        state.values.pop(slot, None)
        return
    if (there is not None and step.flags & FLG_ADDREG_NOCLOBBER) or \
            (there is None and step.flags & FLG_ADDREG_OVERWRITEONLY and step.name is not None):
        return
    state.values.setdefault((normal(step.landed), None), Value(step.landed, None, "", "", step))
    if step.name is None or step.flags & FLG_ADDREG_KEYONLY:
        return
    data = step.data
    if there is not None and step.flags & FLG_ADDREG_APPEND and there.kind == "REG_MULTI_SZ":
        data = there.data + "\\0" + data
    state.values[slot] = Value(step.landed, step.name, step.kind, data, step)


def delete_value(state: EndState, step) -> None:
    key = normal(step.landed)
    for slot in list(state.values):
        if step.name is not None:
            if slot == (key, step.name.lower()):
                del state.values[slot]
        elif slot[0] == key or slot[0].startswith(key + "\\"):
            del state.values[slot]


def register(state: EndState, number: int, entry: str, copies: list) -> Registration:
    """What regsvr32 loads for one entry, searching as the launcher starts it."""
    name = load_name(bare_name(entry))
    meant = tuple(c for c in copies if c.name.lower() == name.lower())
    lookups, bits = [], state.bits
    for _ in range(2):
        there = (state.file(f"{place}\\{name}") for place in search_order(bits, state.kit_folder))
        found = next((file for file in there if file is not None), None)
        if found is not None and found.bits is None and found.local is not None:
            # The kit's own files are read only when regsvr32 comes to them.
            found = File(found.path, found.origin, found.step, found.local,
                         image_bits(found.local))
        lookups.append(Lookup(f"{system_folder(bits)}\\regsvr32.exe", bits, name, found))
        if found is None or found.bits != 96 - bits:
            break
        bits = 96 - bits  # the image is for the other processor: its regsvr32 takes over
    return Registration(number, entry, tuple(lookups), meant)
