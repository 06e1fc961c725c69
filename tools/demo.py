#!/usr/bin/python3
"""Installs a kit with the built launcher in a fresh Wine prefix, as a user
would start it, and reports what the kit did to the machine: the exit code,
the files created or changed under C:\\, the registry values added or changed
(both by comparing the prefix before and after) and the components regsvr32
loaded.

  demo.py ROOT [KIT-FOLDER] [--inf NAME]

Without a kit folder it installs the sample kit of examples/ with the test
component as its QuenlowSample.dll. The launcher is the shipped i686 image,
run under WoW64 as 64-bit Windows runs it; where 32-bit programs cannot run
here, the x86_64 build of the same sources, and the report says so."""

import argparse
import re
import shutil
import sys
import time
from pathlib import Path

# The Wine harness of the end-to-end tests: prefixes, kits, starter.exe.
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))

from kit import IMAGES, lay_out_sample_kit, register_files  # noqa: E402
from wine import (Prefix, cannot_run_32_bit, copy_prefix, make_base_prefix,  # noqa: E402
                  remove_prefix)

# Registry files of a prefix, and the root each one holds.
HIVES = {"system.reg": "HKLM", "user.reg": "HKCU"}
STRING = re.compile(r'^(?:"((?:[^"\\]|\\.)*)"|@)=(.*)$')
TYPES = {"str(2)": "REG_EXPAND_SZ", "dword": "REG_DWORD", "hex": "REG_BINARY",
         "hex(7)": "REG_MULTI_SZ", "hex(b)": "REG_QWORD"}


def read_hives(prefix: Prefix) -> dict:
    """{(key, value name): (type, data)} of the registry files as saved."""
    values = {}
    for file_name, root in HIVES.items():
        key = None
        text = (prefix.path / file_name).read_text("utf-8", errors="replace")
        for line in text.replace("\\\n", "").splitlines():
            if line.startswith("["):
                key = root + "\\" + line[1:line.rindex("]")].replace("\\\\", "\\")
                continue
            match = STRING.match(line)
            if key is None or match is None:
                continue
            name = "(default)" if match.group(1) is None else unescape(match.group(1))
            values[(key, name)] = typed(match.group(2))
    return values


def unescape(text: str) -> str:
    return re.sub(r"\\(.)", r"\1", text)


def typed(data: str) -> tuple[str, str]:
    if data.startswith('"'):
        return "REG_SZ", unescape(data[1:-1])
    kind, _, rest = data.partition(":")
    if kind == "str(2)":
        return TYPES[kind], unescape(rest[1:-1])
    if kind == "dword":
        return TYPES[kind], f"{int(rest, 16)} (0x{rest})"
    return TYPES.get(kind, kind), rest


def read_files(prefix: Prefix) -> dict:
    """{C: path: (size, modification time)} of every file of drive C."""
    drive = prefix.path / "drive_c"
    found = {}
    for path in drive.rglob("*"):
        if path.is_file() and not path.is_symlink():
            status = path.stat()
            found["C:\\" + str(path.relative_to(drive)).replace("/", "\\")] = (
                status.st_size, status.st_mtime_ns)
    return found


def components(trace: Path) -> list[tuple[str, str]]:
    """(regsvr32, DLL) for each regsvr32 run, from Wine's load trace, in the
    order the runs started: which regsvr32 it was, and the first DLL it
    loaded that is not Wine's own."""
    loads = {}  # process id: [(module, "native" or "builtin")]
    for line in trace.read_text("utf-8", errors="replace").splitlines():
        match = re.match(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:\w+ Loaded L"(.*)" at \S+: (\w+)',
                         line)
        if match:
            module = match.group(2).replace("\\\\", "\\")
            loads.setdefault(match.group(1), []).append((module, match.group(3)))
    runs = []
    for modules in loads.values():
        tool = [module for module, _ in modules if module.lower().endswith("\\regsvr32.exe")]
        if tool:
            kit_dlls = [module for module, kind in modules if kind == "native"]
            runs.append((tool[0], kit_dlls[0] if kit_dlls else "no DLL loaded (not found)"))
    return runs


def look(prefix: Prefix) -> tuple[dict, dict]:
    """The prefix's files and registry values, once its server has ended."""
    prefix.wait()
    return read_files(prefix), read_hives(prefix)


def differences(before: dict, after: dict, ignored: set) -> list:
    return sorted(k for k in after if before.get(k) != after[k] and k not in ignored)


def lay_out(kit: Path, source: Path | None, build: Path) -> str:
    """Fills the kit folder; says where its launcher came from."""
    if source is None:
        lay_out_sample_kit(kit, build)
    else:
        shutil.copytree(source, kit)
    if (kit / "Quenlow.exe").exists():
        return "its own Quenlow.exe"
    shutil.copy(build / "Quenlow.exe", kit / "Quenlow.exe")
    return "the built launcher"


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("root", type=Path)
    parser.add_argument("kit", type=Path, nargs="?")
    parser.add_argument("--inf", default="setup.inf")
    args = parser.parse_args()
    root = args.root.resolve()
    work = root / "build" / "demo"
    stages = []

    def stage(name, started):
        stages.append((name, (time.monotonic() - started) * 1000))

    started = time.monotonic()
    build, image = root / "build" / "win32", "the shipped i686 image, under WoW64"
    refusal = cannot_run_32_bit(work / "wow64-check", build / "tests" / "e2e" / "starter.exe")
    if refusal:
        build = root / "build" / "win64"
        image = "the x86_64 build: the shipped image cannot run here"
    stage("can 32-bit programs run here", started)

    started = time.monotonic()
    base = work / ("base-prefix-" + build.name)
    if not (base / "system.reg").exists():
        make_base_prefix(base)
    prefix = copy_prefix(base, work / "wineprefix")
    folder = r"C:\Kits\My Kit" if args.kit is None else "C:\\Kits\\" + args.kit.resolve().name
    binaries = build / "tests" / "e2e"
    launcher_from = lay_out(prefix.drive_c(folder), args.kit, build)
    # Each start of a prefix writes some files and values of Wine's own:
    # two starts of nothing tell which, and the kit is not blamed for them.
    prefix.wine("cmd", "/c", "exit")
    first = look(prefix)
    prefix.wine("cmd", "/c", "exit")
    before = look(prefix)
    noise = (set(differences(first[0], before[0], set())),
             set(differences(first[1], before[1], set())))
    stage("fresh prefix, kit laid out, two looks", started)

    started = time.monotonic()
    command = f'"{folder}\\Quenlow.exe" "%EXEPATH%{args.inf}"'
    prefix.extra_env = {"WINEDEBUG": "-all,+pid,+loaddll"}
    trace = work / "trace.txt"
    result = prefix.start(folder, command, binaries / "starter.exe", timeout_ms=120000,
                          trace=trace)
    after = look(prefix)
    stage("Quenlow.exe, its install and registrations", started)

    files, values = after
    created = differences(before[0], files, noise[0])
    changed = differences(before[1], values, noise[1])
    runs = components(trace)
    listed = register_files(prefix.drive_c(folder) / args.inf)
    remove_prefix(prefix)

    print(f"Quenlow demo: {build.relative_to(root)}/Quenlow.exe ({image})")
    if refusal:
        print(f"  why         {refusal}")
    print(f"  kit         {args.kit or 'examples/ (the sample kit)'}, laid out in {folder}\\"
          f" with {launcher_from}")
    print(f"  started as  {command}")
    if result.exit_code is None:
        print(f"  exit code   none: it did not end within 120 s\n{result.output}")
        return 1
    signed = result.exit_code - (1 << 32) if result.exit_code >= 1 << 31 else result.exit_code
    print(f"  exit code   {signed}, after {result.elapsed_ms} ms")
    print(f"  files created or changed under C:\\ ({len(created)})")
    width = max((len(p) for p in created), default=0)
    for path in created:
        mark = "+" if path not in before[0] else "~"
        print(f"    {mark} {path:<{width}}  {files[path][0]:>8} bytes")
    print(f"  registry values added or changed ({len(changed)})")
    width = max((len(f"{k}  {n}") for k, n in changed), default=0)
    for key, name in changed:
        mark = "+" if (key, name) not in before[1] else "~"
        kind, data = values[(key, name)]
        print(f"    {mark} {f'{key}  {name}':<{width}}  {kind:<13} {data}")
    print(f"  components registered ({len(runs)} regsvr32 run{'s' * (len(runs) != 1)}, in order)")
    # The runs follow the section's lines, one each, in order, unless a
    # 32-bit regsvr32 handed a 64-bit DLL on to the 64-bit one.
    names = listed if len(listed) == len(runs) else [""] * len(runs)
    width = max((len(name) for name in names), default=0)
    for number, (name, (tool, dll)) in enumerate(zip(names, runs), 1):
        label = f"{name:<{width}}  " if name else ""
        print(f"    {number}. {label}{dll}  (by {tool})")
    print("  stages")
    for name, ms in stages:
        print(f"    {name:<45} {ms:6.0f} ms")
    if args.kit:
        return 0
    # The sample kit must have done what its INF says, where this image's
    # install program puts it.
    where = IMAGES["i686" if build.name == "win32" else "x86_64"]
    expected = ([where.programs + r"\Quenlow Sample\readme.txt"],
                [(where.software + r"\Quenlow Sample").lower()],
                [where.system + r"\QuenlowSample.dll"])
    got = ([p for p in created if p.endswith(r"\readme.txt")],
           sorted({key.lower() for key, name in changed if name == "InstallDir"}),
           [dll for _, dll in runs])
    if result.exit_code != 0 or [[p.lower() for p in g] for g in got] != \
            [[p.lower() for p in e] for e in expected]:
        print(f"demo: FAILED: expected exit code 0 and {expected}")
        return 1
    print("demo: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
