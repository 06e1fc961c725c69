#!/usr/bin/python3
"""Installs a kit with the built launcher in a clean Wine prefix, as a user
would start it, and reports what the kit did to the machine: the exit code,
the files created or changed under C:\\, the registry values added or changed
(both by comparing the prefix before and after) and the components regsvr32
loaded. The notes of the kit check head the report.

  demo.py ROOT [KIT-FOLDER] [--inf NAME] [--code-page N] [--compare]
  demo.py ROOT --check [KIT-FOLDER] [--inf NAME] [--code-page N] [--language LLLL]
                       [--format text|sarif] [--engine 32|64] [--plan]
                                                         the kit check alone, no Wine

With --compare, the report ends with the differences between the end state
the kit check predicts and what Wine's install did.

Without a kit folder it installs the sample kit of examples/ with the test
component as its QuenlowSample.dll. The launcher is the shipped i686 image,
run under WoW64 as 64-bit Windows runs it; where 32-bit programs cannot run
here, the x86_64 build of the same sources, and the report says so."""

import argparse
import os
import re
import shutil
import sys
import time
from pathlib import Path

TOOLS = Path(__file__).resolve().parent
# The Wine harness of the end-to-end tests (prefixes, kits, starter.exe) and
# the kit check.
sys.path[:0] = [str(TOOLS.parent / "tests" / "e2e"), str(TOOLS.parent)]

from demo_compare import compare  # noqa: E402
from quenlow_check.check import examine, main as check_main  # noqa: E402
from demo_prefix import differences, look, prepared_base, refusal_32_bit, restored  # noqa: E402
from kit import IMAGES, lay_out_sample_kit, register_files, shipped_build  # noqa: E402
from quenlow_check.notes import report  # noqa: E402
from quenlow_check.sources import KitError  # noqa: E402

SAMPLE_FOLDER = r"C:\Kits\My Kit"


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


def kit_check(kit: Path, inf: str, code_page: int, bits: int, folder: str):
    """The check's report on a kit folder, and its predicted end state for an
    engine of this bitness, the kit in `folder` (None: not checked)."""
    heading = f"Kit check of {kit.name}\\{inf} ({bits}-bit setup engine)"
    try:
        notes, room, _, state = examine(kit, inf, code_page, "Quenlow.exe", kit.name, None, bits,
                                        folder)
    except KitError as error:
        return f"{heading}: not checked: {error}", None
    return report(notes, inf, heading, room), state


def shipped_sample_kit(root: Path) -> Path:
    """The sample kit laid out as the demo lays it out, in a folder of its
    own, as the shipped image carries it: with the i686 component."""
    kit = root / "build" / "demo" / "check" / "My Kit"
    shutil.rmtree(kit.parent, ignore_errors=True)
    lay_out_sample_kit(kit, shipped_build())
    return kit


def check_only(root: Path, kit: Path | None, options: list[str]) -> int:
    """The kit check alone, as quenlow-check gives it; the sample
    kit as the shipped image carries it. Only the check writes to standard
    output."""
    if kit is None:
        kit = shipped_sample_kit(root)
    return check_main([os.path.relpath(kit), *options])


def prepare(root: Path, work: Path, kit: Path | None, stage, x86_64: bool = False) -> dict:
    """The image to run, and the run's prefix made the same as the base,
    with the kit laid out in it."""
    started = time.monotonic()
    build, image = root / "build" / "win32", "the shipped i686 image, under WoW64"
    refusal, told = refusal_32_bit(work, build / "tests" / "e2e" / "starter.exe")
    if x86_64:
        refusal, told = None, "not asked"
    if refusal or x86_64:
        build, image = root / "build" / "win64", "the x86_64 build"
    stage(f"can 32-bit programs run here ({told})", started)

    started = time.monotonic()
    base = work / ("base-prefix-" + build.name)
    noise, reused = prepared_base(base)
    prefix = restored(base, work / "wineprefix")
    folder = SAMPLE_FOLDER if kit is None else "C:\\Kits\\" + kit.resolve().name
    launcher_from = lay_out(prefix.drive_c(folder), kit, build)
    before = look(prefix)
    stage(f"prefix as the base ({'kept' if reused else 'made'}), kit laid out", started)
    return {"build": build, "image": image, "refusal": refusal, "prefix": prefix,
            "folder": folder, "launcher_from": launcher_from, "before": before, "noise": noise}


def run(setup: dict, inf: str, trace: Path, stage):
    started = time.monotonic()
    folder, prefix = setup["folder"], setup["prefix"]
    command = f'"{folder}\\Quenlow.exe" "%EXEPATH%{inf}"'
    prefix.extra_env = {"WINEDEBUG": "-all,+pid,+loaddll"}
    result = prefix.start(folder, command, setup["build"] / "tests" / "e2e" / "starter.exe",
                          timeout_ms=120000, trace=trace)
    # Once the launcher has ended, nothing of the kit's runs on: what Wine's
    # own programs would still do is not waited for, and the registry is
    # saved as the server ends.
    prefix.kill()
    after = look(prefix)
    stage("Quenlow.exe, its install and registrations", started)
    return command, result, after


def print_changes(before: tuple, after: tuple, created: list, changed: list) -> None:
    files, values = after
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


def print_runs(runs: list, listed: list) -> None:
    print(f"  components registered ({len(runs)} regsvr32 run{'s' * (len(runs) != 1)}, in order)")
    # The runs follow the section's lines, one each, in order, unless a
    # 32-bit regsvr32 handed a 64-bit DLL on to the 64-bit one.
    names = listed if len(listed) == len(runs) else [""] * len(runs)
    width = max((len(name) for name in names), default=0)
    for number, (name, (tool, dll)) in enumerate(zip(names, runs), 1):
        label = f"{name:<{width}}  " if name else ""
        print(f"    {number}. {label}{dll}  (by {tool})")


def print_comparison(state, bits: int, created: list, changed: list, runs: list) -> None:
    if state is None:
        print("  compared with the kit check: not checked")
        return
    refused = [step.name for step in state.services if step.refused]
    lines = compare(state, refused, created, changed, runs)
    print(f"  compared with the kit check's {bits}-bit plan"
          f"{' (the x86_64 build: the 64-bit engine)' if bits == 64 else ''}:"
          f" {len(lines)} difference{'s' * (len(lines) != 1)},"
          f" {sum(line.endswith(': unexplained') for line in lines)} unexplained")
    print("\n".join(lines) if lines else "    none")


def sample_kit_worked(build: Path, code: int, created: list, changed: list, runs: list) -> bool:
    """Whether the sample kit did what its INF says, where this image's
    install program puts it."""
    where = IMAGES["i686" if build.name == "win32" else "x86_64"]
    expected = ([where.programs + r"\Quenlow Sample\readme.txt"],
                [(where.software + r"\Quenlow Sample").lower()],
                [where.system + r"\QuenlowSample.dll"])
    got = ([p for p in created if p.endswith(r"\readme.txt")],
           sorted({key.lower() for key, name in changed if name == "InstallDir"}),
           [dll for _, dll in runs])
    if code == 0 and [[p.lower() for p in g] for g in got] == \
            [[p.lower() for p in e] for e in expected]:
        return True
    print(f"demo: FAILED: expected exit code 0 and {expected}")
    return False


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("root", type=Path)
    parser.add_argument("--check", action="store_true")
    parser.add_argument("kit", type=Path, nargs="?")
    parser.add_argument("--inf", default="setup.inf")
    parser.add_argument("--code-page", type=int, default=932)
    parser.add_argument("--compare", action="store_true")
    parser.add_argument("--x86-64", action="store_true",
                        help="install with the x86_64 build even where the i686 image runs")
    args, rest = parser.parse_known_intermixed_args()
    root, work = args.root.resolve(), args.root.resolve() / "build" / "demo"
    if args.check:
        return check_only(root, args.kit, ["--inf", args.inf, "--code-page",
                                           str(args.code_page), *rest])
    if rest:
        parser.error(f"unknown options: {' '.join(rest)}")
    stages = []

    def stage(name, started):
        stages.append((name, (time.monotonic() - started) * 1000))

    setup = prepare(root, work, args.kit, stage, args.x86_64)
    started = time.monotonic()
    checked = setup["prefix"].drive_c(setup["folder"])
    if (setup["refusal"] or args.x86_64) and args.kit is None:
        # The x86_64 launcher installs the sample kit with an x86_64
        # component; the notes are those of the kit the project ships.
        checked = shipped_sample_kit(root)
    # The notes are the shipped launcher's: a 32-bit engine, whichever build runs here.
    notes, _ = kit_check(checked, args.inf, args.code_page, 32, setup["folder"])
    bits = 64 if setup["build"].name == "win64" else 32
    stage("kit check", started)
    command, result, after = run(setup, args.inf, work / "trace.txt", stage)
    before, noise, folder = setup["before"], setup["noise"], setup["folder"]
    created = differences(before[0], after[0], noise[0])
    changed = differences(before[1], after[1], noise[1])
    runs = components(work / "trace.txt")
    listed = register_files(setup["prefix"].drive_c(folder) / args.inf)

    print(notes)
    if setup["refusal"]:
        built = "the launcher" + (" and the sample component" if args.kit is None else "")
        print(f"The install below used the x86_64 build of {built}, as the shipped i686 image"
              f" cannot run here: {setup['refusal']}.")
    print(f"Quenlow demo: {setup['build'].relative_to(root)}/Quenlow.exe ({setup['image']})")
    print(f"  kit         {args.kit or 'examples/ (the sample kit)'}, laid out in {folder}\\"
          f" with {setup['launcher_from']}")
    print(f"  started as  {command}")
    if result.exit_code is None:
        print(f"  exit code   none: it did not end within 120 s\n{result.output}")
        return 1
    signed = result.exit_code - (1 << 32) if result.exit_code >= 1 << 31 else result.exit_code
    print(f"  exit code   {signed}, after {result.elapsed_ms} ms")
    print_changes(before, after, created, changed)
    print_runs(runs, listed)
    if args.compare:
        # The kit as it was installed: with the x86_64 build, its own component.
        installed = setup["prefix"].drive_c(folder)
        _, state = kit_check(installed, args.inf, args.code_page, bits, folder)
        print_comparison(state, bits, created, changed, runs)
    print("  stages")
    width = max(len(name) for name, _ in stages)
    for name, ms in stages:
        print(f"    {name:<{width}} {ms:6.0f} ms")
    if args.kit:
        return 0
    if not sample_kit_worked(setup["build"], result.exit_code, created, changed, runs):
        return 1
    print("demo: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
