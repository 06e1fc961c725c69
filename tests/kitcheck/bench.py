#!/usr/bin/python3
"""The kit check's time on large kits: one that lists 10,000 files (each in
[SourceDisksFiles], beside the INF), and INFs with one 2 MB line of each
shape the reader treats on its own (plain text, fields, quotes, backslashes,
blanks). Prints the best of three runs of each; the check should stay under
a second on each. Not part of the tests.

  bench.py [FILES]"""

import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2]))

from quenlow_check.check import examine  # noqa: E402

HEAD = '[Version]\nSignature="$Windows NT$"\n[DefaultInstall]\nCopyFiles=Kit.Files\n' \
    '[DestinationDirs]\nKit.Files=16422,Kit\n[SourceDisksNames]\n1="Kit"\n'
LINE = 2 * 1024 * 1024
SHAPES = {"plain": "a" * LINE, "fields": "a," * (LINE // 2), "quotes": '"a",' * (LINE // 4),
          "doubled quotes": '"' + '""' * (LINE // 2) + '"', "backslashes": "\\x" * (LINE // 2),
          "backslashes and blanks": "\\ " * (LINE // 2) + "x", "blanks": "a " * (LINE // 2),
          "tokens": "%a%" * (LINE // 3)}


def best(kit: Path) -> float:
    times = []
    for _ in range(3):
        started = time.perf_counter()
        examine(kit, "setup.inf", 932, "Quenlow.exe", "Kit")
        times.append(time.perf_counter() - started)
    return min(times)


def main() -> int:
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 10000
    worst = 0.0
    with tempfile.TemporaryDirectory() as temp:
        kit = Path(temp)
        names = [f"file{n:05}.txt" for n in range(count)]
        for name in names:
            (kit / name).write_bytes(b"")
        (kit / "setup.inf").write_text(HEAD + "[Kit.Files]\n" + "\n".join(names) +
                                       "\n[SourceDisksFiles]\n" +
                                       "".join(f"{n}=1\n" for n in names))
        seconds = best(kit)
        worst = max(worst, seconds)
        print(f"kit check: {count} files listed: {seconds:.3f} s")
    for shape, line in SHAPES.items():
        with tempfile.TemporaryDirectory() as temp:
            kit = Path(temp)
            (kit / "setup.inf").write_text(HEAD + "[Kit.Files]\n" + line + "\n")
            seconds = best(kit)
            worst = max(worst, seconds)
            print(f"kit check: one 2 MB line of {shape}: {seconds:.3f} s")
    print(f"kit check: slowest {worst:.3f} s" + ("" if worst < 1 else " (over a second)"))
    return 0 if worst < 1 else 1


if __name__ == "__main__":
    sys.exit(main())
