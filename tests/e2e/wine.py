"""Wine prefixes for the end-to-end tests: one base prefix made once, a copy
of it per test, kits laid out in it, and the launcher started in it through
starter.exe, which gives it an exact command line and working folder."""

import contextlib
import os
import select
import shutil
import subprocess
import time
from dataclasses import dataclass, field
from pathlib import Path

WINE = "/usr/lib/wine/wine64"
# The 32-bit loader, which WINE hands a 32-bit program to.
WINE32 = "/usr/lib/wine/wine"
WINESERVER = "/usr/lib/wine/wineserver"
# Says whether this machine's kernel runs 32-bit programs at all.
RUNS_32_BIT = Path(__file__).resolve().parents[2] / "tools" / "runs-32-bit"

# A Western Windows links a Japanese font to its dialog font, so a Japanese
# message box text shows there; a Wine prefix knows no such link for the
# IPA font until it is told.
FONT_LINK_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink"
FONT_LINK = "ipag.ttf,IPAGothic"

# "C" and "C.UTF-8" both give code page 1252; only the latter has Wine read
# Unix file names and arguments as UTF-8, as a kit folder outside the code
# page needs.
LOCALES = {"C": "C", "C.UTF-8": "C.UTF-8", "ja": "ja_JP.UTF-8"}
# The code page that Wine's console tools write in, by locale.
CONSOLE_CODE_PAGES = {"C": "cp437", "C.UTF-8": "cp437", "ja": "cp932"}


# The lines after which starter.exe writes nothing more.
FINAL_WORDS = ("end", "timeout", "not-started", "usage:")
# How long starter.exe may take to end after its final line, and to finish
# its report after the program's exit code: what is left is one look at the
# process list.
STARTER_EXIT_S = 30


class WineError(Exception):
    pass


@dataclass
class Started:
    """What starter.exe saw of one run of a program."""

    exit_code: int | None = None
    elapsed_ms: int | None = None
    timed_out: bool = False  # the program did not end within the time limit
    stalled: bool = False  # the program's end was reported, the rest of the report never came
    stuck: bool = False  # the report came, but starter.exe's process did not end
    not_started: int | None = None  # the error of a program that could not be started
    left: list[str] = field(default_factory=list)
    windows: list[str] = field(default_factory=list)
    controls: list[tuple[str, str]] = field(default_factory=list)
    output: str = ""


def parse_starter_line(result: Started, line: str) -> None:
    word, _, rest = line.rstrip("\r\n").partition(" ")
    if word == "exit":
        result.exit_code = int(rest)
    elif word == "elapsed":
        result.elapsed_ms = int(rest)
    elif word == "left":
        result.left.append(rest)
    elif word == "window":
        result.windows.append(rest)
    elif word == "control":
        kind, _, text = rest.partition(" ")
        result.controls.append((kind, text))
    elif word == "timeout":
        result.timed_out = True
    elif word == "not-started":
        result.not_started = int(rest)


def read_lines(fd: int, deadline):
    """The lines written to a pipe until its end or `deadline()`, whichever
    comes first; a line cut by the end is given as it is."""
    pending = b""
    while True:
        left = deadline() - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            return
        chunk = os.read(fd, 4096)
        if not chunk:
            if pending:
                yield pending.decode("utf-8", errors="replace")
            return
        pending += chunk
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            yield (line + b"\n").decode("utf-8", errors="replace")


def windows_path(unix_path: Path) -> str:
    """The path of a file outside any prefix's drive_c, through Wine's Z: drive."""
    return "Z:" + str(Path(unix_path).resolve()).replace("/", "\\")


class Prefix:
    def __init__(self, path: Path, locale: str = "C", display: str | None = None):
        self.path = Path(path).resolve()
        self.locale = locale
        self.display = display
        self.extra_env: dict = {}

    def env(self) -> dict:
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY") and not k.startswith("LC_")}
        env.update(WINEPREFIX=str(self.path), WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=",
                   LANG=LOCALES[self.locale], LC_ALL=LOCALES[self.locale])
        if self.display:
            env["DISPLAY"] = self.display
        env.update(self.extra_env)
        return env

    def drive_c(self, windows: str) -> Path:
        """The Unix path of a C: path in this prefix."""
        assert windows[:3].upper() == "C:\\", windows
        return self.path / "drive_c" / windows[3:].replace("\\", "/")

    def wine(self, *args: str, timeout: float = 60, check: bool = True) -> bytes:
        done = subprocess.run([WINE, *args], env=self.env(), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              timeout=timeout)
        if check and done.returncode != 0:
            raise WineError(f"wine {' '.join(args)}: exit {done.returncode}")
        return done.stdout

    def reg_add(self, key: str, name: str | None, kind: str, data: str) -> None:
        value = ["/ve"] if name is None else ["/v", name]
        self.wine("reg", "add", key, *value, "/t", kind, "/d", data, "/f")

    def reg_delete(self, key: str) -> None:
        self.wine("reg", "delete", key, "/f")

    def reg_value(self, key: str, name: str | None) -> tuple[str, str] | None:
        """(type, data) of a value as Wine's reg tool shows it, or None."""
        value = ["/ve"] if name is None else ["/v", name]
        done = subprocess.run([WINE, "reg", "query", key, *value], env=self.env(),
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, timeout=60)
        if done.returncode != 0:
            return None
        text = done.stdout.decode(CONSOLE_CODE_PAGES[self.locale], errors="replace")
        for line in text.splitlines():
            parts = line.strip().split("    ", 2)
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                return parts[1], parts[2] if len(parts) == 3 else ""
        return None

    def start(self, folder: str, command_line: str, starter: Path, timeout_ms: int = 60000,
              watch: bool = False, on_line=None, trace: Path | None = None) -> Started:
        """Starts a program with an exact command line and working folder and
        waits for it; `on_line` sees each line of starter.exe's report as it
        comes. What Wine's programs write to their error output (its debug
        channels) goes to `trace` when one is given.

        Reading stops at the report's final line, not at the end of the
        output: any Wine process that inherited the output keeps it open, and
        what it does after the report is not the program's business. Once the
        program's exit code is in, the rest of the report must follow within
        STARTER_EXIT_S, and then the starter's own process must end within as
        long again."""
        args = [WINE, windows_path(starter), "--timeout", str(timeout_ms)]
        if watch:
            args.append("--watch-windows")
        args += [folder, command_line]
        result = Started()
        # starter.exe bounds the program's run; this bounds Wine's own.
        deadline = [time.monotonic() + timeout_ms / 1000 + 60]
        with contextlib.ExitStack() as stack:
            errors = stack.enter_context(open(trace, "wb")) if trace else subprocess.DEVNULL
            process = stack.enter_context(subprocess.Popen(
                args, env=self.env(), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                stderr=errors))
            final = False
            for line in read_lines(process.stdout.fileno(), lambda: deadline[0]):
                result.output += line
                parse_starter_line(result, line)
                if line.startswith("exit "):
                    deadline[0] = min(deadline[0], time.monotonic() + STARTER_EXIT_S)
                if on_line:
                    on_line(line.rstrip("\r\n"))
                final = line.split(" ", 1)[0].strip() in FINAL_WORDS
                if final:
                    break
            if not final and time.monotonic() >= deadline[0]:
                if result.exit_code is None:
                    result.timed_out = True
                else:
                    result.stalled = True
                process.kill()
            try:
                process.wait(timeout=STARTER_EXIT_S)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                result.stuck = True
        return result

    def wait(self) -> None:
        """Waits until the prefix's server has ended, its registry saved."""
        subprocess.run([WINESERVER, "-w"], env=self.env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)

    def keep_server(self) -> None:
        """Starts the prefix's server to stay until kill(). A server that may
        end once no program of the prefix runs ends Wine's own services
        first and then itself, and a command started meanwhile (the next
        query of the registry, the next start) can fail in the middle of
        that. Kept, it and the services stay up from one command to the
        next."""
        subprocess.run([WINESERVER, "-p"], env=self.env(), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def kill(self) -> None:
        """Ends every process of the prefix and its server, and waits for the server."""
        subprocess.run([WINESERVER, "-k"], env=self.env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        self.wait()


def fresh_prefix(path: Path, make=Path.mkdir, locale: str = "C",
                 display: str | None = None) -> Prefix:
    """A prefix made afresh at `path`: what was there is ended and removed,
    then `make(path)` makes the folder (empty by default).

    Wine finds a prefix's server by the device and inode of the prefix's
    folder. A folder made afresh can have the inode of a deleted prefix whose
    server still runs (a persistent one, left by an interrupted run): the new
    prefix's programs would then talk to that orphan, with another prefix's
    registry, and starter.exe never ends. Any server that answers for a new
    folder is such an orphan, so it is shut down before the first use."""
    prefix = Prefix(path, locale, display)
    if path.exists():
        remove_prefix(prefix)
    path.parent.mkdir(parents=True, exist_ok=True)
    make(path)
    prefix.kill()
    return prefix


def make_base_prefix(path: Path) -> Prefix:
    """A fresh prefix, booted, with the font link, its registry saved to disk."""
    prefix = fresh_prefix(path)
    prefix.wine("wineboot", "--init", timeout=300)
    prefix.reg_add(FONT_LINK_KEY, "Tahoma", "REG_MULTI_SZ", FONT_LINK)
    prefix.kill()
    return prefix


def copy_prefix(base: Path, path: Path, locale: str = "C", display: str | None = None) -> Prefix:
    def copy(target: Path) -> None:
        subprocess.run(["cp", "-a", str(base.resolve()), str(target)], check=True)

    return fresh_prefix(path, copy, locale, display)


def remove_prefix(prefix: Prefix) -> None:
    prefix.kill()
    shutil.rmtree(prefix.path, ignore_errors=True)


def kernel_refusal() -> str | None:
    """Why this machine's kernel runs no 32-bit program, or None when it does."""
    done = subprocess.run([str(RUNS_32_BIT)], stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, timeout=60)
    return (done.stdout.strip() or done.stderr.strip()) if done.returncode else None


def cannot_run_32_bit(scratch_path: Path, starter: Path) -> str | None:
    """Why this machine cannot run a 32-bit Windows program, or None when it
    can: first the kernel, then Wine, by starting an i686 starter.exe without
    arguments in a scratch prefix made for the purpose, where it prints its
    usage."""
    refusal = kernel_refusal()
    if refusal:
        return refusal
    if not Path(WINE32).exists():
        return f"32-bit Wine is not installed ({WINE32} is missing)"
    scratch = fresh_prefix(scratch_path)
    try:
        done = subprocess.run([WINE, windows_path(starter)], env=scratch.env(),
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=300)
    finally:
        remove_prefix(scratch)
    if done.stdout.startswith(b"usage:"):
        return None
    said = [line for line in done.stderr.decode(errors="replace").splitlines()
            if line.strip() and "has been updated" not in line]
    return (f"a 32-bit program did not run under Wine (exit {done.returncode},"
            f" {said[0] if said else 'no word from Wine'})")


def read_journal(prefix: Prefix) -> list[tuple[str, str, str]]:
    """(what, detail, folder) for each line of the journal, in sequence order."""
    path = prefix.drive_c("C:\\quenlow-journal.txt")
    if not path.exists():
        return []
    entries = []
    for number, line in enumerate(path.read_text("utf-8").splitlines(), 1):
        sequence, what, detail, folder = line.split("\t")
        if int(sequence) != number:
            raise WineError(f"journal line {number} has sequence number {sequence}")
        entries.append((what, detail, folder))
    return entries
