"""%strkey% tokens where Windows does not replace them.

"INF Strings Section": Windows chooses one Strings section for the
computer's language and translates every token with it alone, so a key that
only another Strings section defines is undefined there; the engine leaves an
undefined token as written, percent signs and all (Wine's setupapi parser
tests, which pass on Windows). "INF CopyFiles Directive": "You cannot use a
%strkey% token to specify the file name"; Microsoft's own driver samples do,
and install, so that is a warning."""

from __future__ import annotations

from .inf import Inf, Line, tokens
from .notes import Note


def token_notes(inf: Inf, sections: list, copies: list) -> list[Note]:
    notes = []
    named = [c.line for c in copies
             if c.line.file == "" and tokens(" ".join(c.line.fields[:2]))]
    if named:
        lines = ", ".join(str(line.number) for line in named[:6])
        notes.append(Note(
            "string-file-name", named[0].number, False, "a copy list names a file by a %token%",
            f"Line{'s' * (len(named) > 1)} {lines} name{'s' * (len(named) == 1)} a file with a"
            f" %strkey% token. The CopyFiles documentation rules this out (\"You cannot use a"
            f" %strkey% token to specify the file name\"), though Windows' own driver samples"
            f" do it and install.",
            "Write the file's name itself."))
    where: dict[str, tuple[int, set[str]]] = {}

    def seen(line: Line, text: str, what: str) -> None:
        for name in inf.undefined(text):
            first = where.setdefault(name.lower(), (line.number, set()))
            first[1].add(what)

    lists = {c.section.lower() for c in copies}
    for line in inf.lines("DestinationDirs"):
        if line.key and inf.expand(line.key).lower() in lists | {"defaultdestdir"}:
            seen(line, " ".join(line.fields[1:]), "a folder")
    for name in ("SourceDisksNames", "SourceDisksNames.x86"):
        for line in inf.lines(name):
            seen(line, " ".join(line.fields[3:4]), "a folder")
    for section in sections:
        for _, registry in inf.values(section.name, "AddReg"):
            for line in (ln for r in registry for ln in inf.lines(r.strip())):
                seen(line, " ".join(line.fields), "a registry entry")
    chosen = inf.sections[inf.strings_section].name if inf.strings_section else "Strings"
    wine = " Wine reads only [Strings], so the demo does not show it." \
        if chosen.lower() != "strings" else ""
    for name, (number, what) in sorted(where.items(), key=lambda item: item[1][0]):
        notes.append(Note(
            "undefined-string", number, False, f"%{name}% is not defined in [{chosen}]",
            f"On Windows of language {inf.language:04X} the setup engine reads every token from"
            f" [{chosen}] alone, which does not define {name}: it writes %{name}% as it stands"
            f" into {' and '.join(sorted(what))}.{wine}",
            f"Define {name} in [{chosen}]: each Strings section needs every key."))
    return notes
