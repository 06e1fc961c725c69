#!/usr/bin/python3
"""Checks that the committed generated resources are what their generators
make now: res/quenlow.ico from tools/icon, res/version.rc2 from tools/version.

Usage: check_generated.py SOURCE_DIR
"""

import filecmp
import os
import subprocess
import sys
import tempfile

GENERATED = [
    ("tools/icon/make_icon.py", "res/quenlow.ico"),
    ("tools/version/make_version.py", "res/version.rc2"),
]


def main():
    source = sys.argv[1]
    stale = []
    with tempfile.TemporaryDirectory() as scratch:
        for generator, committed in GENERATED:
            fresh = os.path.join(scratch, os.path.basename(committed))
            subprocess.run([sys.executable, os.path.join(source, generator), fresh], check=True)
            if not filecmp.cmp(fresh, os.path.join(source, committed), shallow=False):
                stale.append(f"{committed} differs from what {generator} makes: run it")
    for line in stale:
        print(line, file=sys.stderr)
    sys.exit(1 if stale else 0)


if __name__ == "__main__":
    main()
