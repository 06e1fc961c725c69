"""The notes on a kit's install, each read off the plan or the end state, in
the order the install meets them: the section it picks, the files it copies,
the registry it writes, the services it adds, then the launcher's
registrations. A note stops the kit's build only where Windows does: the
install fails or asks the user, or a registration fails or registers the
kit's own copy. What a rule no document settles gives is a warning."""

from __future__ import annotations

import re

from .drivers import driver_notes
from .images import described
from .notes import Note
from .plan import LISTS, SECTION, Plan, picked_name
from .registration import bare_name, command
from .state import KEPT, ORIGINS, EndState, Registration
from .windows import SYSTEM32, redirected, same, system_folder

ENGINES = {32: "the 32-bit setup engine (the launcher's install)",
           64: "the 64-bit setup engine (Explorer's Install)"}


def plan_notes(inf, plan: Plan) -> list[Note]:
    if plan.picked is None:
        return [no_install_section(inf, plan.bits)]
    notes = []
    if plan.unread:
        names = ", ".join(f"{n} (line {line.number})" for line, n in plan.unread)
        notes.append(Note(
            "not-checked", plan.unread[0][0].number, False,
            "an INF that Include names is not checked",
            f"[{plan.picked.name}] includes {names}, which the kit does not hold where Windows"
            f" looks: a bare name in C:\\Windows\\INF and then the system folder, a path from the"
            f" kit's folder. The sections it brings in (Needs) are not checked here.",
            "Nothing, if it is an INF of Windows; else ship it and name it by a path such as"
            " .\\part.inf."))
    notes += [no_section(line, "Needs", name) for line, name in plan.missing_needs]
    for section in plan.sections:
        for directive in LISTS:
            for line, names in inf.values(section.name, directive):
                notes += [no_section(line, directive, n) for n in (n.strip() for n in names)
                          if n and not n.startswith("@") and n.lower() not in inf.sections]
    notes += [no_destination(line, name, plan.bits) for line, name in plan.no_destination]
    lost: dict[str, list] = {}
    for step in plan.files:
        if step.action == "copy" and step.found is None:
            lost.setdefault(step.section, []).append(step)
    notes += [missing(group, inf.path.name) for group in lost.values()]
    notes += tag_notes(plan) + unknown_folders(plan)
    return notes + driver_notes(inf, plan.picked, plan.bits)


def no_section(line, directive: str, name: str) -> Note:
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


def no_destination(line, copy_list: str, bits: int) -> Note:
    """The old SetupAPI reference: with no entry "the default directory is
    set to drid_system", as Wine's setupapi also does."""
    return Note(
        "no-destination", line.number, False,
        f"[DestinationDirs] does not say where [{copy_list}] goes",
        f"With no entry for [{copy_list}] and no DefaultDestDir, the setup engine copies its files"
        f" to the system folder, which {ENGINES[bits]} reaches as {redirected(SYSTEM32, bits)}.",
        f"Add {copy_list}=DIRID[,subfolder] to [DestinationDirs].")


def no_install_section(inf, bits: int) -> Note:
    """"INF DefaultInstall Section": the engine takes the decorated section
    of its own platform first; an INF without one is refused in a dialog."""
    decorated = [s for key, s in inf.sections.items()
                 if key.startswith(SECTION.lower() + ".") and key.count(".") == 1]
    seen = "; it has only " + ", ".join(f"[{s.name}] (line {s.number})" for s in decorated) \
        if decorated else ""
    return Note(
        "no-install-section", decorated[0].number if decorated else 0, True,
        f"no [{SECTION}] section that {ENGINES[bits]} carries out",
        f"It looks for {picked_name(bits)}{seen}. On Windows it shows \"The INF file you"
        f" selected does not support this method of installation\" and waits until the user"
        f" closes it; nothing is installed. Wine says nothing.",
        f"Add an undecorated [{SECTION}] with the lines the kit needs installed (in an INF with"
        f" a Class and ClassGuid, a decorated one goes to the driver store instead).")


def missing(group: list, inf_name: str) -> Note:
    """"INF SourceDisksNames Section": a file the engine finds neither loose
    nor in the disk's cabinet is asked for with the disk."""
    first, section = group[0], group[0].section
    names = ", ".join(f"{c.other} (line {c.line.number})" for c in group[:6])
    names += f" and {len(group) - 6} more" if len(group) > 6 else ""
    them = "it" if len(group) == 1 else "them"
    return Note(
        "missing-file", first.line.number, True,
        f"{first.other} is not in the kit" if len(group) == 1 else
        f"{len(group)} files of [{section}] are not in the kit",
        f"[{section}] copies {names}, which the kit holds neither loose where [SourceDisksNames]"
        f" and [SourceDisksFiles] say nor in the disk's cabinet. On Windows the setup engine"
        f" asks for the disk that holds {them} (Browse, Skip, Cancel), from any medium, and the"
        f" install waits for the user; Wine's engine skips a missing file without a word.",
        f"Put {them} beside {inf_name} (or where [SourceDisksFiles] says), or take {them}"
        f" out of [{section}].")


def tag_notes(plan: Plan) -> list[Note]:
    """A note for each disk whose tag file the kit lacks while it holds the
    disk's files: only removable media ask for it."""
    notes, seen = [], set()
    for step in plan.files:
        at = step.at
        if at is None or at.found is None or at.tag_found or (at.disk, at.tag) in seen:
            continue
        seen.add((at.disk, at.tag))
        notes.append(Note(
            "tag-file", step.line.number, False, f"the kit lacks {at.tag}, the tag file of"
            f" disk \"{at.disk}\"",
            f"[SourceDisksNames] names {at.tag} as the disk's tag file (or cabinet). From a fixed"
            f" disk (a download folder, a share) Windows copies the files it finds and never"
            f" asks for {at.tag}. From a CD or a USB stick it looks for {at.tag} first and, not"
            f" finding it, asks for the disk (Browse, Skip, Cancel) and waits.",
            f"Ship {at.tag} in the disk's folder, or clear the second field of the disk's line."))
    return notes


def unknown_folders(plan: Plan) -> list[Note]:
    """A destination id that "Using Dirids" does not define. What the engine
    then does no page says: a warning."""
    steps = [s for s in plan.files if s.path is None]
    if not steps:
        return []
    return [Note(
        "unknown-folder", steps[0].line.number, False,
        f"directory id {steps[0].dirid} names no folder",
        f"[DestinationDirs] sends [{steps[0].section}] to directory id {steps[0].dirid}, which"
        f" Windows does not define; where its files go, if anywhere, no document says.",
        "Use a directory id from \"Using Dirids\" (16422 for Program Files, 11 for the system"
        " folder).")]


def file_notes(state: EndState, plan: Plan) -> list[Note]:
    """Copies the end state does not hold, and images in the system folder
    of the other processor, where no program of the kit's kind loads them."""
    notes = []
    for step, reason in state.kept:
        if reason == "no-source":
            old = step.path.rsplit("\\", 1)[0] + "\\" + step.other
            notes.append(Note(
                "rename-error", step.line.number, True, f"{step.other} is not there to rename",
                f"The engine renames before it copies, and on a fresh Windows there is no"
                f" {old}: the rename fails, and"
                f" Windows asks the user what to do (Retry, Skip, Cancel: SPFILENOTIFY_RENAMEERROR"
                f" to the default queue callback); the install waits.",
                f"Take {step.other} out of [{step.section}], or copy it under its new name."))
        if reason == "replace-only":
            notes.append(Note(
                "not-copied", step.line.number, False, f"{step.name} is not copied",
                f"{step.path}: {KEPT[reason]}.", "Clear flag 0x400 to install the file."))
    for file in state.files.values():
        if file.origin != "installed" or file.bits not in (32, 64):
            continue
        folder = file.path.rsplit("\\", 1)[0]
        if same(folder, system_folder(96 - file.bits)):
            notes.append(Note(
                "wrong-system-folder", file.step.line.number, False,
                f"{file.step.name} is {described(file.bits)} in {folder}",
                f"{ENGINES[plan.bits][0].upper()}{ENGINES[plan.bits][1:]} puts it in"
                f" {file.path}, where only"
                f" {96 - file.bits}-bit programs look for system DLLs: none of its own kind loads"
                f" it from there (\"File System Redirector\").",
                f"Ship the {96 - file.bits}-bit build of {file.step.name}, or install"
                f" it where programs of its own kind look."))
    return notes


def registry_notes(plan: Plan, state: EndState) -> list[Note]:
    notes = []
    for step in plan.registry:
        if step.landed is None:
            notes.append(Note(
                "unusable-root", step.line.number, False, f"{step.root} is no root this"
                f" install can write",
                "\"INF AddReg Directive\" names HKCR, HKCU, HKLM, HKU and HKR; HKR is the key of"
                " a device or driver, which an install section run by InstallHinfSection does"
                " not have. The line writes nothing; whether the engine also fails the install"
                " no document says.",
                "Name the root: HKLM, HKCU or HKCR."))
    notes += com_notes(state)
    return notes


def com_notes(state: EndState) -> list[Note]:
    """An in-process server is loaded by clients of its own bitness, which
    read only their own view ("Registry Keys Affected by WOW64": CLSID is
    redirected; a 32-bit process cannot load a 64-bit DLL, "Process
    Interoperability"). The install itself succeeds, and only the clients
    fail: a warning."""
    notes = []
    for (key, name), value in state.values.items():
        if name != "" or not re.search(r"\\CLSID\\[^\\]+\\InprocServer32$", value.key, re.I):
            continue
        view = 32 if "\\WOW6432NODE\\" in key else 64
        path = redirected(re.sub(r"%systemroot%|%windir%", r"C:\\Windows", value.data,
                                 flags=re.I), view)
        file = state.file(path)
        if file is None or file.bits not in (32, 64) or file.bits == view:
            continue
        notes.append(Note(
            "com-view", value.step.line.number, False,
            f"a {file.bits}-bit server is registered for {view}-bit clients",
            f"The install writes {value.key} = {value.data} in the {view}-bit view of the"
            f" registry, where only {view}-bit clients look, and {file.path} is"
            f" {described(file.bits)}, which they cannot load: creating the object fails"
            f" (REGDB_E_CLASSNOTREG or a load error) for every client.",
            "Register the server in its own view: FLG_ADDREG_64BITKEY (0x1000) for a 64-bit"
            " server from a 32-bit engine, FLG_ADDREG_32BITKEY (0x4000) for a 32-bit one from a"
            " 64-bit engine; or let regsvr32 register it."))
    return notes


def service_notes(plan: Plan, state: EndState) -> list[Note]:
    notes = []
    for step in plan.services:
        if step.refused:
            notes.append(Note(
                "service", step.line.number, True, f"the service {step.name} is refused",
                f"The launcher and the install program it starts are 32-bit. On 64-bit Windows"
                f" the setup engine refuses to add a service from a 32-bit process: the install"
                f" ends with \"Operation not allowed in WOW64\" (ERROR_IN_WOW64), after its files"
                f" and registry lines, and no service {step.name} is created.",
                "Install services and drivers from a 64-bit program (Explorer's Install, or a"
                " 64-bit setup); let the launcher install only what a 32-bit program can."))
        elif step.binary and state.file(step.binary) is None:
            notes.append(Note(
                "service-binary", step.line.number, False,
                f"the service {step.name} starts a file the install does not put there",
                f"The service control manager starts {step.binary}, which the end state does not"
                f" hold: the service is created and fails to start.",
                "Copy the binary to the folder ServiceBinary names."))
    return notes


def registration_notes(state: EndState) -> list[Note]:
    """What regsvr32 does with each entry in the end state."""
    notes = []
    for reg in state.registrations:
        notes += entry_note(state, reg)
    return notes


def entry_note(state: EndState, reg: Registration) -> list[Note]:
    bare, loaded, first = bare_name(reg.entry), reg.loaded, reg.lookups[0]
    installed = [s.path for s in reg.meant if s.path and state.file(s.path) is not None and
                 state.file(s.path).origin == "installed"]
    by = " then ".join(lookup.tool for lookup in reg.lookups)
    if loaded is None:
        where = (f" The install puts it in {', '.join(installed)}, where {by} does not look"
                 f" for it." if installed else
                 f" The copy the install means to make (line {reg.meant[0].line.number}) is not"
                 f" made." if reg.meant else "")
        return [Note(
            "not-found", reg.number, True, f"regsvr32 will not find {bare}",
            f"The launcher runs {command(bare)}, by that name alone. {by} looks for"
            f" {first.name} in its own folder, the system folder, the Windows folder, the kit's"
            f" folder (the working folder) and the folders of PATH, and finds none.{where}"
            f" Nothing is registered, and nothing says so.",
            f"Put {bare} beside the INF, or copy it to the system folder of its own kind, and"
            f" list it by its name alone.")]
    if loaded.bits not in (None, reg.lookups[-1].bits):
        return [Note(
            "not-registered", reg.number, True, f"regsvr32 cannot load {bare}",
            f"{by} loads {loaded.path}, which is {described(loaded.bits)}: regsvr32 shows"
            f" \"The module failed to load\" (with /s, only its exit code says so), and nothing"
            f" is registered.",
            f"Register only DLLs and OCXs built for x86 or x64; take {bare} out of"
            f" [RegisterFiles].")]
    notes = []
    if len(reg.lookups) == 2 and not (loaded.origin == "kit" and reg.meant):
        notes.append(Note(
            "handed-on", reg.number, False, f"{bare} is registered by the other regsvr32",
            f"{reg.lookups[0].tool} first finds an image for the other processor, and registers"
            f" {loaded.path} only by handing the name on to {reg.lookups[1].tool}, as Wine's"
            f" regsvr32 does; no document says that Windows' does, and if it does not, nothing"
            f" is registered.",
            f"Register {bare} where regsvr32 of its own kind finds it first."))
    if loaded.origin == "kit" and reg.meant:
        done = f"puts {bare} in {', '.join(installed)}" if installed else \
            f"means to copy {bare} (line {reg.meant[0].line.number}) but does not"
        notes.append(Note(
            "kit-copy-registered", reg.number, True, f"regsvr32 registers the kit's {bare}, not"
            f" the installed one",
            f"The install {done}; {by}"
            f" finds {loaded.path}, the kit's own copy, first, and registers that one: the"
            f" registration points at the CD or the download folder, and breaks once it is"
            f" gone.",
            f"Copy {bare} to the system folder of its own kind, no subfolder (%11% for a 32-bit"
            f" DLL from the 32-bit engine), or register it from where it is installed with a"
            f" RegisterDlls line."))
    if bare != reg.entry.replace('"', ""):
        notes.append(Note(
            "folder-dropped", reg.number, False, f"the folder part of {reg.entry} is dropped",
            f"The launcher runs {command(bare)}, by that name alone, and regsvr32 finds"
            f" {loaded.path}, not where the line says.",
            f"List it as {bare}."))
    return notes


def loaded_line(state: EndState, reg: Registration) -> str:
    """One line of the plan on what regsvr32 loads for an entry."""
    loaded = reg.loaded
    by = " then ".join(lookup.tool for lookup in reg.lookups)
    if loaded is None:
        return f"{reg.lookups[0].name}  none  (by {by})"
    return f"{reg.lookups[0].name}  {loaded.path}  ({ORIGINS[loaded.origin]}," \
           f" {described(loaded.bits)}; by {by})"

