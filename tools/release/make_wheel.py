#!/usr/bin/python3
"""Builds the kit check's wheel (pyproject.toml) so that its bytes depend
only on the sources and the moment given: it is built from a copy of
pyproject.toml, README.md and quenlow_check/*.py alone (nothing of an
earlier build gets in), under a fixed umask, and setuptools' wheel writer
dates every entry from SOURCE_DATE_EPOCH.

Usage: make_wheel.py EPOCH OUTPUT_FOLDER   (prints the wheel's path)
  EPOCH   seconds since 1970 (UTC); a zip can hold nothing before 1980, so
          an earlier time becomes 1980-01-01
"""

import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
EARLIEST = 315532800  # 1980-01-01 00:00:00 UTC
BUILD = "import sys; from setuptools import build_meta; print(build_meta.build_wheel(sys.argv[1]))"


def main() -> int:
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    epoch, output = max(int(sys.argv[1]), EARLIEST), Path(sys.argv[2]).resolve()
    for module, package in (("setuptools", "python3-setuptools"), ("wheel", "python3-wheel")):
        try:
            __import__(module)
        except ModuleNotFoundError:
            print(f"make_wheel: {sys.executable} lacks {module}: run scripts/bootstrap (it"
                  f" installs Debian's {package})", file=sys.stderr)
            return 2
    # The wheel records each file's permissions, which setuptools makes with
    # the umask.
    os.umask(0o022)
    with tempfile.TemporaryDirectory() as temp:
        source = Path(temp) / "source"
        (source / "quenlow_check").mkdir(parents=True)
        for name in ["pyproject.toml", "README.md", *sorted(
                str(p.relative_to(ROOT)) for p in (ROOT / "quenlow_check").glob("*.py"))]:
            shutil.copyfile(ROOT / name, source / name)
        output.mkdir(parents=True, exist_ok=True)
        done = subprocess.run([sys.executable, "-B", "-c", BUILD, str(output)], cwd=source,
                              env={**os.environ, "SOURCE_DATE_EPOCH": str(epoch)},
                              capture_output=True, text=True)
        if done.returncode != 0:
            print(done.stdout + done.stderr, end="", file=sys.stderr)
            print("make_wheel: setuptools could not build the wheel", file=sys.stderr)
            return 1
    print(output / done.stdout.strip().splitlines()[-1])
    return 0


if __name__ == "__main__":
    sys.exit(main())
