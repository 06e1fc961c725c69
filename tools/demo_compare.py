"""The kit check's predicted end state set against what an install under
WoW64 Wine did. Wine redirects paths and registry views as Windows does, so
where the two agree its install is an oracle for the plan; where Wine is
known to differ (README, "Where Wine differs"), a difference is marked with
that reason, and any other is unexplained."""

from __future__ import annotations

import getpass
import re

from quenlow_check.windows import PROFILE, normal

# Known differences, each a reason and a test on the path or key it names.
WINE_DIFFERS = [
    ("the test component's DllRegisterServer writes a journal the plan does not model",
     re.compile(r"^C:\\QUENLOW-JOURNAL\.TXT$", re.I)),
]


def wine_path(path: str) -> str:
    """A path of the model as Wine's prefix names it: the user's profile is
    C:\\users\\<the Unix user>."""
    if normal(path).startswith(normal(PROFILE)):
        return f"C:\\users\\{getpass.getuser()}" + path[len(PROFILE):]
    return path


def compare(state, services: list[str], created: list[str], changed: list[tuple[str, str]],
            runs: list[tuple[str, str]]) -> list[str]:
    """Lines for each change Wine made that the plan did not predict, and each
    predicted change that Wine did not make, each with its reason. Wine adds
    the `services` that Windows refuses to a 32-bit engine."""
    refused = [(f"Wine adds the service {name}, which Windows refuses to a 32-bit engine"
                f" (\"Operation not allowed in WOW64\")",
                re.compile(re.escape(f"\\CurrentControlSet\\Services\\{name}") + r"(\\|$)", re.I))
               for name in services]

    def reason(name: str) -> str:
        for why, test in WINE_DIFFERS + refused:
            if test.search(name):
                return why
        return "unexplained"

    files = {normal(wine_path(f.path)): f.path for f in state.files.values()
             if f.origin == "installed"}
    files.update({normal(path): path for path in state.changed})
    values = {(normal(v.key), (v.name or "(default)").lower()): v for v in state.values.values()
              if v.name is not None}
    made = {normal(p): p for p in created}
    wrote = {(normal(k), n.lower()): (k, n) for k, n in changed}
    lines = []
    lines += [f"    Wine made {made[p]}, not predicted: {reason(made[p])}" for p in made
              if p not in files]
    lines += [f"    predicted {files[p]}, Wine did not make it: {reason(files[p])}"
              for p in files if p not in made]
    lines += [f"    Wine wrote {k}  {n}, not predicted: {reason(k)}"
              for slot, (k, n) in wrote.items() if slot not in values]
    lines += [f"    predicted {v.key}  {v.name or '(default)'}, Wine did not write it:"
              f" {reason(v.key)}" for slot, v in values.items() if slot not in wrote]
    # Each regsvr32 run: the one that hands the name on to the other
    # processor's regsvr32 loads nothing; the last loads the file found.
    predicted = [(lookup.tool, r.loaded.path if r.loaded and last else None)
                 for r in state.registrations
                 for last, lookup in ((i == len(r.lookups) - 1, lk)
                                      for i, lk in enumerate(r.lookups))]
    if len(runs) != len(predicted):
        lines.append(f"    {len(runs)} regsvr32 runs under Wine, {len(predicted)} predicted:"
                     f" unexplained")
    for number, ((tool, dll), (want_tool, want)) in enumerate(zip(runs, predicted), 1):
        got = None if dll.startswith("no DLL loaded") else dll
        if normal(tool) != normal(want_tool) or (got is None) != (want is None) or \
                (got and normal(got) != normal(wine_path(want))):
            lines.append(f"    regsvr32 run {number}: Wine's {tool} loaded {got or 'nothing'},"
                         f" the plan's {want_tool} {want or 'nothing'}: {reason(dll)}")
    return lines
