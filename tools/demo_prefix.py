"""The demo's Wine prefixes and what it keeps of them between runs, under
build/demo/: whether 32-bit programs run here under Wine (where the kernel
runs them at all), and a base prefix prepared once with the files and values
that Wine itself changes on each start. Both are kept for the Wine and the
starter image they were made with, and made again only when those change.
Each run's prefix is brought back to the base's state by copying what
differs from it, not copied whole."""

import hashlib
import json
import os
import re
import shutil
import subprocess
from pathlib import Path

from wine import (WINE, WINE32, WINESERVER, Prefix, cannot_run_32_bit, fresh_prefix,
                  kernel_refusal, make_base_prefix)

# Registry files of a prefix, and the root each one holds.
HIVES = {"system.reg": "HKLM", "user.reg": "HKCU"}
STRING = re.compile(r'^(?:"((?:[^"\\]|\\.)*)"|@)=(.*)$')
TYPES = {"str(2)": "REG_EXPAND_SZ", "dword": "REG_DWORD", "hex": "REG_BINARY",
         "hex(7)": "REG_MULTI_SZ", "hex(b)": "REG_QWORD"}
# Made again when the way the base is prepared changes.
RECIPE = 1


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


def look(prefix: Prefix) -> tuple[dict, dict]:
    """The prefix's files and registry values, once its server has ended."""
    prefix.wait()
    return read_files(prefix), read_hives(prefix)


def differences(before: dict, after: dict, ignored: set) -> list:
    return sorted(k for k in after if before.get(k) != after[k] and k not in ignored)


def wine_identity() -> str:
    """Wine's version, and the size and time of its loaders and server."""
    version = subprocess.run([WINE, "--version"], capture_output=True, text=True).stdout
    files = [f"{p}:{os.stat(p).st_size}:{os.stat(p).st_mtime_ns}"
             for p in (WINE, WINE32, WINESERVER) if Path(p).exists()]
    return " ".join([version.strip()] + files)


def kept(record: Path, key: dict) -> dict | None:
    """What was kept under `record` for this key, or None."""
    try:
        saved = json.loads(record.read_text())
    except (OSError, ValueError):
        return None
    return saved if saved.get("key") == key else None


def keep(record: Path, key: dict, **what) -> None:
    record.parent.mkdir(parents=True, exist_ok=True)
    record.with_suffix(".tmp").write_text(json.dumps({"key": key, **what}))
    record.with_suffix(".tmp").replace(record)


def refusal_32_bit(work: Path, starter: Path) -> tuple[str | None, str]:
    """Why 32-bit programs cannot run here, or None, and how that was told:
    the kernel's answer (tools/runs-32-bit keeps it for each kernel), where
    it runs no 32-bit program; else Wine's, asked once for each Wine and
    starter image, "kept" from before or "asked"."""
    refusal = kernel_refusal()
    if refusal:
        return refusal, "the kernel's answer"
    key = {"wine": wine_identity(), "starter": hashlib.sha256(starter.read_bytes()).hexdigest()}
    record = work / "wow64-check.json"
    saved = kept(record, key)
    if saved is not None:
        return saved["refusal"], "kept"
    refusal = cannot_run_32_bit(work / "wow64-check", starter)
    keep(record, key, refusal=refusal)
    return refusal, "asked"


def prepared_base(base: Path) -> tuple[tuple[set, set], bool]:
    """The files and values that a start of nothing changes in the base
    prefix, made when missing or made by another Wine; True when it was
    kept from before."""
    key = {"wine": wine_identity(), "recipe": RECIPE}
    record = base.with_name(base.name + ".json")
    saved = kept(record, key)
    reused = saved is not None and (base / "system.reg").exists()
    if not reused:
        prefix = make_base_prefix(base)
        # Two starts of nothing: what the second changes, Wine changes each
        # time, and the kit is not blamed for it.
        prefix.wine("cmd", "/c", "exit")
        first = look(prefix)
        prefix.wine("cmd", "/c", "exit")
        second = look(prefix)
        saved = {"files": differences(first[0], second[0], set()),
                 "values": differences(first[1], second[1], set())}
        keep(record, key, **saved)
    return (set(saved["files"]), {tuple(value) for value in saved["values"]}), reused


def entries(folder: Path) -> dict:
    """{relative path: what it is} of everything under `folder`: a file by
    its size, time and mode, a link by its target, a folder as such."""
    found = {}
    for top, folders, files in os.walk(folder):
        for name in folders + files:
            path = Path(top) / name
            relative = str(path.relative_to(folder))
            if path.is_symlink():
                found[relative] = ("link", os.readlink(path))
            elif path.is_dir():
                found[relative] = ("folder",)
            else:
                status = path.stat()
                found[relative] = ("file", status.st_size, status.st_mtime_ns, status.st_mode)
    return found


def restored(base: Path, path: Path) -> Prefix:
    """The prefix at `path`, its server ended, made the same as `base` again:
    what the base lacks removed, what differs copied from it."""
    if not path.exists():
        return fresh_prefix(path, lambda target: subprocess.run(
            ["cp", "-a", str(base.resolve()), str(target)], check=True))
    prefix = Prefix(path)
    prefix.kill()
    want, have = entries(base), entries(path)
    for relative in sorted(set(have) - set(want), reverse=True):
        target = path / relative
        if have[relative][0] == "folder":
            shutil.rmtree(target, ignore_errors=True)
        elif target.is_symlink() or target.exists():
            target.unlink()
    for relative in sorted(want):
        if have.get(relative) == want[relative]:
            continue
        source, target = base / relative, path / relative
        if want[relative][0] == "folder":
            target.mkdir(exist_ok=True)
            continue
        if target.is_symlink() or target.exists():
            target.unlink()
        if want[relative][0] == "link":
            target.symlink_to(os.readlink(source))
        else:
            shutil.copy2(source, target)
    return prefix
