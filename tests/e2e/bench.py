#!/usr/bin/python3
"""Times the sample install through Quenlow.exe against the same work done by
hand with Wine's own tools: the install command, then "regsvr32 /s" per
component, each started by this script when the one before has ended. Each
run installs into a fresh copy of one booted prefix; both ways are timed by
the same clock inside Wine (starter.exe), and from outside as wall time.

  bench.py BUILD-DIR IMAGE [RUNS]

IMAGE is the processor BUILD-DIR builds for: x86_64, or i686 (the shipped
image, run under WoW64 with the 32-bit install program)."""

import shutil
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from kit import IMAGES, lay_out_sample_kit, register_files  # noqa: E402
from wine import (Prefix, cannot_run_32_bit, copy_prefix, make_base_prefix,  # noqa: E402
                  read_journal, remove_prefix)
from wine import windows_path  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
COMMAND_KEY = r"HKCR\inffile\shell\Install\command"


def lay_out_kit(build: Path, kit: Path) -> list[str]:
    """The demo's kit; returns the components that its INF registers."""
    shutil.rmtree(kit, ignore_errors=True)
    lay_out_sample_kit(kit, build)
    shutil.copy(build / "Quenlow.exe", kit)
    return register_files(kit / "setup.inf")


def timed(prefix: Prefix, starter: Path, folder: str, command: str) -> tuple[int, float]:
    """(ms inside Wine, ms of wall time) for one program, run to its end."""
    started = time.monotonic()
    result = prefix.start(folder, command, starter, timeout_ms=120000)
    wall = (time.monotonic() - started) * 1000
    if result.exit_code is None:
        raise RuntimeError(f"{command}: did not end\n{result.output}")
    return result.elapsed_ms, wall


def one_run(build: Path, work: Path, kit: Path, components: list[str], image: str,
            by_hand: bool) -> dict:
    prefix = copy_prefix(work / "base-prefix", work / "prefix")
    try:
        prefix.wine("cmd", "/c", "exit")  # the prefix's server and services are up
        starter = build / "tests" / "e2e" / "starter.exe"
        folder = windows_path(kit)
        inf = folder + "\\setup.inf"
        if by_hand:
            template = prefix.reg_value(COMMAND_KEY, None)[1]
            steps = [template.replace("%1", inf)]
            steps += [f"regsvr32 /s {name}" for name in components]
            times = [timed(prefix, starter, folder, step) for step in steps]
            result = {"inside": sum(t[0] for t in times), "wall": sum(t[1] for t in times),
                      "install": times[0][0], "registrations": sum(t[0] for t in times[1:])}
        else:
            inside, wall = timed(prefix, starter, folder,
                                 f'"{folder}\\Quenlow.exe" "%EXEPATH%setup.inf"')
            # Its own start and end: without an argument it is refused at
            # once, and without a display its message box returns at once.
            alone, _ = timed(prefix, starter, folder, f'"{folder}\\Quenlow.exe"')
            result = {"inside": inside, "wall": wall, "alone": alone}
        registered = [entry for entry in read_journal(prefix) if entry[0] == "register"]
        copied = prefix.drive_c(IMAGES[image].programs + r"\Quenlow Sample\readme.txt").exists()
        if len(registered) != len(components) or not copied:
            raise RuntimeError(f"the install did not take effect: {registered}, copied={copied}")
        return result
    finally:
        remove_prefix(prefix)


def main() -> int:
    build = Path(sys.argv[1]).resolve()
    image = sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    work = ROOT / "build" / "bench"
    refusal = image == "i686" and cannot_run_32_bit(work / "wow64-check",
                                                    build / "tests" / "e2e" / "starter.exe")
    if refusal:
        print(f"the shipped i686 image was not timed: {refusal}")
        return 0
    if not (work / "base-prefix" / "system.reg").exists():
        make_base_prefix(work / "base-prefix")
    kit = work / "My Kit"
    components = lay_out_kit(build, kit)
    launcher, by_hand = [], []
    for run in range(runs):
        # Alternate which goes first, so that drift does not favour either.
        for hand in ((False, True) if run % 2 == 0 else (True, False)):
            rows = by_hand if hand else launcher
            rows.append(one_run(build, work, kit, components, image, hand))
        print(f"run {run + 1}/{runs}: Quenlow.exe {launcher[-1]['inside']} ms,"
              f" by hand {by_hand[-1]['inside']} ms", flush=True)

    def median(rows, key):
        return statistics.median(row[key] for row in rows)

    print(f"\nSample install with {build.name}/Quenlow.exe ({image}), {len(components)}"
          f" component(s), medians of {runs} runs, each in a fresh copy of one booted prefix:")
    print("                                  inside Wine    wall time")
    print(f"  Quenlow.exe                     {median(launcher, 'inside'):8.0f} ms"
          f"  {median(launcher, 'wall'):8.0f} ms")
    print(f"  by hand (install + regsvr32)    {median(by_hand, 'inside'):8.0f} ms"
          f"  {median(by_hand, 'wall'):8.0f} ms")
    print(f"    the install command           {median(by_hand, 'install'):8.0f} ms")
    print(f"    regsvr32 /s, all components   {median(by_hand, 'registrations'):8.0f} ms")
    overhead = median(launcher, "inside") - median(by_hand, "inside")
    # The wait ends 1000 ms after the first poll that finds the install
    # ended; the first poll comes at once, so an install of t ms is waited
    # for (t // 1000 + 2) * 1000 ms.
    install = median(by_hand, "install")
    wait = (int(install) // 1000 + 2) * 1000 - install
    print(f"  launcher overhead               {overhead:8.0f} ms")
    print(f"    its once-a-second wait        {wait:8.0f} ms"
          f"  ({int(install) // 1000 + 2} polls of 1000 ms for a {install:.0f} ms install)")
    print(f"    the rest                      {overhead - wait:8.0f} ms")
    print(f"  Quenlow.exe refused at once     {median(launcher, 'alone'):8.0f} ms"
          "  (its own start and end, for comparison with the rest)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
