#!/usr/bin/python3
"""Runs the end-to-end cases against the real Quenlow.exe under Wine.

  run.py --build DIR --image IMAGE --list        the case names, one a line
  run.py --build DIR --image IMAGE --base        makes the base prefix that every case copies
  run.py --build DIR --image IMAGE --case NAME   runs one case in its own copy of it
  run.py --build DIR --image IMAGE --check       the kit check on the sample kit, no Wine
  run.py --build DIR --image IMAGE --compare     the demo's install of the sample kit with
                                                 this image, against the kit check's plan

DIR is a Windows build folder, IMAGE the processor it builds for (x86_64, or
i686 for the shipped image, run under WoW64). Where this machine cannot run a
32-bit program, --base and --case on i686 say why and end with 77 (skipped).
Set QUENLOW_E2E_KEEP=1 to keep a case's prefix."""

import argparse
import contextlib
import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from cases import CASES, COMMAND_KEY, MESSAGES, Case  # noqa: E402
from kit import (EXAMPLES, IMAGES, WINE_TEMPLATE, Image, e2e_binaries, inf_text,  # noqa: E402
                 lay_out_kit, lay_out_sample_kit, shipped_build)
from screen import Xvfb  # noqa: E402
from wine import (Prefix, Started, cannot_run_32_bit, copy_prefix,  # noqa: E402
                  make_base_prefix, read_journal, remove_prefix)

# Wine's caption for a message box that has none of its own.
DEFAULT_CAPTIONS = {"C": "Error", "C.UTF-8": "Error", "ja": "エラー"}
ENCODINGS = {"C": "cp1252", "C.UTF-8": "cp1252", "ja": "cp932"}
# A refusal without a display neither waits nor shows anything that blocks.
REFUSAL_BOUND_MS = 5000
# Written by --base when the i686 image cannot run here, with the reason.
NO_32_BIT = "no-32-bit.txt"
SKIPPED = 77  # ctest's SKIP_RETURN_CODE
ROOT = Path(__file__).resolve().parents[2]


def command_line(case: Case) -> str:
    program = f'"{case.folder}\\Quenlow.exe"'
    return program + (" " + case.argument if case.argument.strip() else case.argument)


def apply_registry(prefix: Prefix, actions: list[tuple]) -> None:
    for action in actions:
        if action[0] == "delete":
            prefix.reg_delete(action[1])
        else:
            prefix.reg_add(*action[1:])


def look_at_box(prefix: Prefix, case: Case, starter: Path, shots: Path, screen: Xvfb,
                problems: list[str], trace: Path) -> Started:
    """Starts the launcher on the display; when its box shows, reads it,
    photographs it and presses Enter."""
    caption = DEFAULT_CAPTIONS[case.locale]
    seen = []

    def on_line(line: str) -> None:
        if not line.startswith("control Static ") or seen or not line[15:]:
            return
        seen.append(line)
        window = screen.find_window(caption)
        if window is None:
            problems.append(f"no X window titled {caption!r}")
            return
        time.sleep(1)  # let it paint
        shot = shots / (case.name.replace("/", "-") + ".png")
        if screen.screenshot(shot) is None:
            problems.append(f"screenshot {shot} shows nothing")
        screen.press_key(window, "Return")

    result = prefix.start(case.folder, command_line(case), starter, timeout_ms=60000,
                          watch=True, on_line=on_line, trace=trace)
    if not seen:
        problems.append("no message box appeared")
    if result.windows != [caption]:
        problems.append(f"windows {result.windows}, expected one titled {caption!r}")
    texts = [text for kind, text in result.controls if kind == "Static" and text]
    if texts != [MESSAGES[case.message]]:
        problems.append(f"box text {texts}, expected {[MESSAGES[case.message]]}")
    buttons = [text for kind, text in result.controls if kind == "Button"]
    if buttons != ["OK"]:
        problems.append(f"buttons {buttons}, expected ['OK']")
    return result


def check_install(prefix: Prefix, case: Case, image: Image, readme: str,
                  problems: list[str]) -> None:
    copied = prefix.drive_c(image.install_dir + "\\readme.txt")
    source = prefix.reg_value(image.install_key, "Source")
    if case.installed:
        if not copied.exists() or copied.read_text().strip() != readme:
            problems.append(f"{image.install_dir}\\readme.txt was not copied from the kit")
        folder = case.source or case.folder
        if source != ("REG_SZ", folder + "\\"):
            problems.append(f"{image.install_key} Source is {source}, expected {folder}\\")
    else:
        if copied.exists():
            problems.append(f"{image.install_dir}\\readme.txt was copied")
        if source is not None:
            problems.append(f"{image.install_key} Source was written: {source}")


def check_journal(prefix: Prefix, case: Case, image: Image, problems: list[str]) -> None:
    got = read_journal(prefix)
    expected = [(what, image.resolve(want, case.folder)) for what, want in case.journal]
    ok = len(got) == len(expected)
    for (what, detail, folder), (want_what, want) in zip(got, expected):
        if want_what == "register":
            want_path = want if want[1:3] == ":\\" else case.folder + "\\" + want
            ok = ok and what == "register" and detail.lower() == want_path.lower()
        else:
            ok = ok and what == want_what and detail.endswith(want)
        ok = ok and folder.lower() == case.folder.lower()
    if not ok:
        shown = "\n    ".join("\t".join(entry) for entry in got) or "(empty)"
        problems.append(f"journal:\n    {shown}\n  expected, in the folder {case.folder}:\n    "
                        + "\n    ".join(f"{w}\t{d}" for w, d in expected))


def run_case(build: Path, case: Case, image: Image) -> list[str]:
    work = e2e_binaries(build)
    with contextlib.ExitStack() as stack:
        # The display comes first: a prefix whose desktop started without
        # one never shows a window afterwards.
        screen = stack.enter_context(Xvfb()) if case.message is not None else None
        prefix = copy_prefix(work / "base-prefix",
                             work / "prefixes" / case.name.replace("/", "-"), case.locale,
                             screen.display if screen else None)
        prefix.extra_env = dict(case.env)
        if os.environ.get("QUENLOW_E2E_KEEP"):
            stack.callback(prefix.kill)
        else:
            stack.callback(remove_prefix, prefix)
        prefix.keep_server()
        return check_case(build, case, image, prefix, screen)


def report_failure(result: Started) -> str | None:
    """What kept starter.exe's report from telling how the launcher ended."""
    if result.stuck:
        # The report is in, but the checks would read a prefix whose Wine
        # did not behave: say so rather than trust them.
        return "starter.exe reported, then its Wine process did not end"
    if result.stalled:
        return (f"the launcher ended (exit code {result.exit_code}, after {result.elapsed_ms}"
                f" ms), then starter.exe or Wine hung before the end of the report")
    if result.timed_out:
        return "the launcher did not end in time"
    if result.not_started is not None:
        return f"starter.exe could not start the launcher (error {result.not_started})"
    if result.exit_code is None:
        return "starter.exe's report is incomplete"
    return None


def check_case(build: Path, case: Case, image: Image, prefix: Prefix,
               screen: Xvfb | None) -> list[str]:
    work = e2e_binaries(build)
    problems: list[str] = []
    readme = f"Installed by the case {case.name}"
    inf = (EXAMPLES / case.example).read_text() if case.example else inf_text(case.register)
    lay_out_kit(prefix, build, case.folder, case.inf_name, inf,
                case.components, ENCODINGS[case.locale], readme, case.planted, image)
    apply_registry(prefix, case.registry)
    starter = work / "starter.exe"
    trace = work / "traces" / (case.name.replace("/", "-") + ".txt")
    trace.parent.mkdir(exist_ok=True)
    if screen:
        result = look_at_box(prefix, case, starter, work / "screenshots", screen, problems, trace)
    else:
        result = prefix.start(case.folder, command_line(case), starter, timeout_ms=60000,
                              trace=trace)

    failure = report_failure(result)
    if failure:
        said = trace.read_text(errors="replace").splitlines()[-40:] if trace.exists() else []
        problems.append(f"{failure}:\n{result.output}"
                        + ("Wine's error output ended:\n  " + "\n  ".join(said) if said else ""))
        return problems
    expected_code = case.exit_code & 0xFFFFFFFF
    if result.exit_code != expected_code:
        problems.append(f"exit code {result.exit_code}, expected {expected_code}")
    if result.left:
        problems.append(f"still running after the launcher ended: {result.left}")
    if result.elapsed_ms < case.min_elapsed_ms:
        problems.append(f"ended after {result.elapsed_ms} ms, before {case.min_elapsed_ms}")
    if case.exit_code != 0 and not screen and result.elapsed_ms > REFUSAL_BOUND_MS:
        problems.append(f"a refusal took {result.elapsed_ms} ms")
    check_install(prefix, case, image, readme, problems)
    check_journal(prefix, case, image, problems)
    return problems


def make_base(work: Path, image: str) -> int:
    """The base prefix; the cases that use Wine's own association rely on it
    being the one below. For the i686 image, first whether it can run here."""
    refusal = work / NO_32_BIT
    refusal.unlink(missing_ok=True)
    if image == "i686":
        reason = cannot_run_32_bit(work / "wow64-check", work / "starter.exe")
        if reason:
            refusal.write_text(reason + "\n")
            print(f"the shipped i686 image cannot run on this machine: {reason}")
            return SKIPPED
    prefix = make_base_prefix(work / "base-prefix")
    association = (prefix.reg_value(r"HKCR\.inf", None), prefix.reg_value(COMMAND_KEY, None))
    prefix.kill()
    if association != (("REG_SZ", "inffile"), ("REG_SZ", WINE_TEMPLATE)):
        print(f"the fresh prefix's .inf association is {association}")
        return 1
    return 0


def compare_sample_kit(build: Path, image: str) -> int:
    """The sample kit installed by the demo with this build, the i686 image by
    the 32-bit engine, the x86_64 one by the 64-bit engine, against the kit
    check's predicted end state: every difference has its known reason."""
    refusal = e2e_binaries(build) / NO_32_BIT
    if image == "i686" and refusal.exists():
        print(f"the shipped i686 image cannot run on this machine: {refusal.read_text().strip()}")
        return SKIPPED
    done = subprocess.run(["/usr/bin/python3", "-B", ROOT / "tools" / "demo.py", ROOT,
                           "--compare", *(["--x86-64"] if image == "x86_64" else [])],
                          capture_output=True, text=True, timeout=900)
    print(done.stdout + done.stderr, end="")
    compared = re.search(r"^  compared with the kit check's (\d+)-bit plan.*, (\d+) unexplained$",
                         done.stdout, re.M)
    bits = "32" if image == "i686" else "64"
    if done.returncode or not compared or compared.groups() != (bits, "0"):
        print(f"compare: FAILED: expected the demo to pass with the {bits}-bit plan and no"
              f" unexplained difference")
        return 1
    print("compare: passed")
    return 0


def check_sample_kit(build: Path, image: str) -> int:
    """The kit check on the sample kit, laid out as the demo lays it out,
    as the shipped image carries it: with the i686 component, which the
    x86_64 build takes from the win32 preset. It gives no note."""
    kit = e2e_binaries(build) / "kit-check" / "My Kit"
    shutil.rmtree(kit.parent, ignore_errors=True)
    lay_out_sample_kit(kit, build if image == "i686" else shipped_build())
    done = subprocess.run(["/usr/bin/python3", "-B", "-m", "quenlow_check", str(kit)],
                          capture_output=True, text=True, timeout=60,
                          env={**os.environ, "PYTHONPATH": str(ROOT)})
    notes = re.findall(r"^  setup\.inf:\d+: \w+: .* \(([\w-]+)\)$", done.stdout, re.M)
    print(done.stdout + done.stderr, end="")
    if (notes, done.returncode) != ([], 0):
        print(f"kit check: FAILED: notes {notes}, exit {done.returncode}, expected none, exit 0")
        return 1
    print("kit check: passed")
    return 0


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--image", choices=sorted(IMAGES), required=True)
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument("--list", action="store_true")
    group.add_argument("--base", action="store_true")
    group.add_argument("--case")
    group.add_argument("--check", action="store_true")
    group.add_argument("--compare", action="store_true")
    args = parser.parse_args()
    build = args.build.resolve()
    work = e2e_binaries(build)
    if args.list:
        print("\n".join(case.name for case in CASES))
        return 0
    if args.base:
        return make_base(work, args.image)
    if args.check:
        return check_sample_kit(build, args.image)
    if args.compare:
        return compare_sample_kit(build, args.image)
    case = next((c for c in CASES if c.name == args.case), None)
    if case is None:
        print(f"no case {args.case}")
        return 1
    if (work / NO_32_BIT).exists():
        print(f"case {case.name}: not run: {(work / NO_32_BIT).read_text().strip()}")
        return SKIPPED
    started = time.monotonic()
    problems = run_case(build, case, IMAGES[args.image])
    took = time.monotonic() - started
    for problem in problems:
        print(f"case {case.name}: {problem}")
    print(f"case {case.name}: {'FAILED' if problems else 'passed'} in {took:.1f} s")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
