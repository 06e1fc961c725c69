"""Reads an INF file the way the setup engine reads it: sections and keys
without regard to case, a section named twice read as one, comments after
an unquoted ';', values in quotes ('""' in them a quote), a backslash at a
line's end joining the next line, %name% replaced from the one Strings
section chosen for the language ('%%' a percent sign). A file that starts
with a UTF-16 byte-order mark (or is UTF-16 without one, as the engine
guesses) is read as UTF-16, one with a UTF-8 mark as UTF-8, any other in the
code page of the Windows it is meant for.

Install sections are picked as the setup engine of each bitness picks them
on 64-bit Windows: a 32-bit one NAME.NTx86, then NAME.NT, then NAME ("INF
File Platform Extensions and x86-Based Systems"); a 64-bit one NAME.NTamd64,
then NAME.NT, then NAME ("... and x64-Based Systems")."""

from __future__ import annotations

import codecs
import re
from dataclasses import dataclass, field
from pathlib import Path

# The section decorations an engine of each bitness tries, in order, and the
# one of its [SourceDisksNames] and [SourceDisksFiles].
DECORATIONS = {32: (".NTx86", ".NT", ""), 64: (".NTamd64", ".NT", "")}
PLATFORMS = {32: ".x86", 64: ".amd64"}
SIGNATURES = ("$windows nt$", "$chicago$", "$windows 95$")
# "General Syntax Rules for INF Files": "A section name has a maximum length
# of 255 characters"; SetupOpenInfFile fails on a longer one
# (ERROR_SECTION_NAME_TOO_LONG).
MAX_SECTION_NAME = 255
# The language of each code page's Windows, for [Strings.LANGID]. Windows
# documents only the other way, each locale's ANSI code page; where a code
# page serves many languages this is the one its Windows edition ships for
# (1252 English, 1251 Russian), and for 1250 and 1257 our own pick, Czech and
# Estonian: --language names another.
LANGUAGES = {874: 0x041E, 932: 0x0411, 936: 0x0804, 949: 0x0412, 950: 0x0404, 1250: 0x0405,
             1251: 0x0419, 1252: 0x0409, 1253: 0x0408, 1254: 0x041F, 1255: 0x040D,
             1256: 0x0401, 1257: 0x0425, 1258: 0x042A}
# Undecodable bytes of the code page, kept as these so they can be found.
ESCAPED = re.compile("[\udc80-\udcff]")


@dataclass
class Line:
    number: int  # where the line starts in the file, from 1
    key: str | None  # as written, before any %name% is replaced
    fields: list[str]
    file: str = ""  # the INF it comes from when Include brought it in; number is that line


@dataclass
class Section:
    name: str  # as first written
    number: int  # the line of its first header
    lines: list[Line] = field(default_factory=list)


class InfError(Exception):
    """Why the setup engine would not open the file; `line` tells where."""

    def __init__(self, line: int, why: str):
        super().__init__(why)
        self.line = line


def decode(data: bytes, code_page: int) -> tuple[str, str]:
    """(text, what it was read as): "UTF-16", "UTF-16BE", "UTF-16 without a
    mark", "UTF-8" or "code page N"; bytes that code page cannot read are
    kept as lone surrogates."""
    if data[:2] == codecs.BOM_UTF16_LE:
        return data[2:].decode("utf-16-le", errors="replace"), "UTF-16"
    if data[:2] == codecs.BOM_UTF16_BE:
        return data[2:].decode("utf-16-be", errors="replace"), "UTF-16BE"
    if data[:3] == codecs.BOM_UTF8:
        return data[3:].decode("utf-8", errors="replace"), "UTF-8"
    high = data[1:256:2]
    if len(high) >= 2 and high.count(0) * 2 > len(high):
        return data.decode("utf-16-le", errors="replace"), "UTF-16 without a mark"
    return data.decode(f"cp{code_page}", errors="surrogateescape"), f"code page {code_page}"


def profile_text(data: bytes, code_page: int) -> str:
    """The text the launcher's profile reader gets on Windows: only the
    UTF-16 little-endian mark makes a file Unicode there; any other file,
    UTF-8 and UTF-16 big-endian or without a mark among them, is read in the
    code page. Microsoft documents only that the profile functions keep a
    Unicode file Unicode (WritePrivateProfileString); which marks count is
    from tests on Windows 10 and 11. Wine's reader also takes a UTF-8 and a
    big-endian mark."""
    if data[:2] == codecs.BOM_UTF16_LE:
        return data[2:].decode("utf-16-le", errors="replace")
    return data.decode(f"cp{code_page}", errors="replace")


class Inf:
    def __init__(self, path: Path, code_page: int = 932, language: int | None = None):
        self.path = Path(path)
        self.code_page = code_page
        data = self.path.read_bytes()
        self.text, self.encoding = decode(data, code_page)
        self.profile_text = profile_text(data, code_page)
        self.sections: dict[str, Section] = {}
        self._keyed: dict[str, dict] = {}
        self.error: InfError | None = None
        try:
            self._parse(self.text.split("\x1a", 1)[0].replace("\0", " ").split("\n"))
        except InfError as error:
            self.error = error
        self.language = language if language is not None else LANGUAGES.get(code_page, 0x0409)
        self.strings_section = self._strings_section()
        self.strings = {line.key.lower(): line.fields[0]
                        for line in self.lines(self.strings_section or "")
                        if line.key is not None and line.fields}

    def _parse(self, physical: list[str]) -> None:
        current, stray = None, 0
        index = 0
        while index < len(physical):
            number, stripped = index + 1, physical[index].strip()
            if stripped.startswith("["):
                end = stripped.find("]")
                if end < 0:
                    raise InfError(number, "a section name without its closing ']'")
                name = stripped[1:end]
                if len(name) > MAX_SECTION_NAME:
                    raise InfError(number, f"a section name of {len(name)} characters, over"
                                           f" the {MAX_SECTION_NAME} the engine takes")
                current = self.sections.setdefault(name.lower(), Section(name, number))
                index += 1
                continue
            key, fields, index = split_line(physical, index)
            if key is None and not fields:
                continue
            if current is None:
                stray = stray or number
                continue
            current.lines.append(Line(number, key, fields))
        # Text before the first section is ignored only in an INF that has
        # [Strings]; the open fails otherwise (ERROR_EXPECTED_SECTION_NAME,
        # as Wine's setupapi parser tests show on Windows).
        if stray and "strings" not in self.sections:
            raise InfError(stray, "a line of text before the first section")

    def _strings_section(self) -> str | None:
        """The one Strings section that translates every token ("INF Strings
        Section"): the language's own, then its primary language with the
        neutral sublanguage, then any of its primary language, then
        [Strings]. Keys are never taken from another one."""
        primary = self.language & 0x3FF
        names = [f"strings.{self.language:04x}", f"strings.{primary:04x}"]
        names += sorted(n for n in self.sections if re.fullmatch(r"strings\.[0-9a-f]{4}", n)
                        and int(n[-4:], 16) & 0x3FF == primary)
        return next((n for n in names + ["strings"] if n in self.sections), None)

    def lines(self, section: str) -> list[Line]:
        found = self.sections.get(section.lower())
        return found.lines if found else []

    def expand(self, text: str) -> str:
        """%name% replaced from the chosen Strings section; an unknown name
        and a directory id stay as written, as the engine leaves them."""
        if "%" not in text:
            return text
        return re.sub(r"%([^%]*)%", lambda m: "%" if not m[1] else
                      self.strings.get(m[1].lower(), m[0]), text)

    def undefined(self, text: str) -> list[str]:
        """The %name% tokens of `text` that the chosen Strings section does
        not define."""
        return [name for name in tokens(text) if name.lower() not in self.strings]

    def unreadable(self) -> list[int]:
        """The lines whose sections, keys or values hold bytes that are not
        text in the code page; comments do not count."""
        return sorted({line.number for section in self.sections.values()
                       for line in section.lines
                       if any(ESCAPED.search(t) for t in [line.key or "", *line.fields])} |
                      {s.number for s in self.sections.values() if ESCAPED.search(s.name)})

    def values(self, section: str, key: str) -> list[tuple[Line, list[str]]]:
        """Each line of `section` with this key, and its fields read. Each
        section is read once, however often it is asked."""
        keyed = self._keyed.get(section.lower())
        if keyed is None:
            keyed = self._keyed[section.lower()] = {}
            for line in self.lines(section):
                if line.key is not None:
                    keyed.setdefault(self.expand(line.key).lower(), []).append(
                        (line, [self.expand(f) for f in line.fields]))
        return keyed.get(key.lower(), [])

    def signed(self) -> bool:
        found = self.values("Version", "Signature")
        return bool(found) and bool(found[0][1]) and found[0][1][0].lower() in SIGNATURES

    def pick(self, section: str, bits: int = 32) -> Section | None:
        """The section an engine of this bitness carries out for `section`."""
        for decoration in DECORATIONS[bits]:
            found = self.sections.get((section + decoration).lower())
            if found:
                return found
        return None

    def append(self, other: "Inf", number: int) -> None:
        """The sections of an INF that Include names on line `number`,
        searched as one with this INF's, each line read with its own INF's
        strings and told by that line."""
        for key, section in other.sections.items():
            self._keyed.pop(key, None)
            mine = self.sections.setdefault(key, Section(section.name, number))
            mine.lines += [Line(number, other.expand(line.key) if line.key else None,
                                [other.expand(f) for f in line.fields], other.path.name)
                           for line in section.lines]


def number(text: str) -> int | None:
    """A number as an INF writes it, decimal or hexadecimal after 0x (a
    dirid, flags, a service type); None for anything else."""
    text = text.strip()
    try:
        return int(text, 16) if text.lower().startswith("0x") else int(text)
    except ValueError:
        return None


def tokens(text: str) -> list[str]:
    """The names of the %name% tokens in `text`, read as the engine pairs
    percent signs: '%%' is a percent sign, and a directory id no name."""
    return [m[1] for m in re.finditer(r"%([^%]*)%", text)
            if m[1] and not re.fullmatch(r"-?\d+", m[1])]


# A line is read as runs: a quoted string (to its closing quote or the line's
# end, '""' a quote in it), or the text up to the next quote.
SEGMENT = re.compile(r'"((?:[^"]+|"")*)"?|([^"]+)')
SEPARATORS = re.compile(r"([,=])")


class Fields:
    """The key and fields of one line as its runs arrive."""

    def __init__(self):
        self.fields, self.key = [], None
        self.token, self.pending, self.started = [], "", False

    def text(self, part: str) -> None:
        """Text outside quotes: blanks at a field's ends do not count, those
        inside it do."""
        if not self.started:
            part = part.lstrip()
        body = part.rstrip()
        if body:
            self.token.append(self.pending + body)
            self.pending, self.started = part[len(body):], True
        elif part:
            self.pending += part

    def quoted(self, part: str) -> None:
        self.token.append(self.pending + part)
        self.pending, self.started = "", True

    def plain(self, text: str) -> None:
        """Text outside quotes with its separators: ',' ends a field, the
        first '=' before any field ends the key, a later one is text."""
        if text == ",":  # between quoted fields, the common case
            self.fields.append("".join(self.token))
            self.token, self.pending, self.started = [], "", False
            return
        parts = SEPARATORS.split(text)
        self.text(parts[0])
        for index in range(1, len(parts), 2):
            if parts[index] == ",":
                self.fields.append("".join(self.token))
                self.token, self.pending, self.started = [], "", False
            elif self.key is None and not self.fields:
                self.key = "".join(self.token)
                self.token, self.pending, self.started = [], "", False
            else:
                self.text("=")
            self.text(parts[index + 1])

    def done(self) -> tuple[str | None, list[str]]:
        if self.started or self.fields or self.key is not None:
            self.fields.append("".join(self.token))
        if self.key is None and len(self.fields) == 1:
            self.key = self.fields[0]
        return self.key, self.fields


def split_line(physical: list[str], index: int) -> tuple[str | None, list[str], int]:
    """The key and fields of the line that starts at physical[index], and the
    index of the line after it. A key is what comes before an unquoted '='
    in the first field; a line of one field and no '=' has that field as its
    key too, as the engine finds it. Each run of the text is read once."""
    line = Fields()
    text = physical[index].rstrip("\r")
    while True:
        joined = False
        for run in SEGMENT.finditer(text):
            plain = run[2]
            if plain is None:
                line.quoted(run[1].replace('""', '"') if '""' in run[1] else run[1])
                continue
            plain, comment = plain.partition(";")[::2] if ";" in plain else (plain, None)
            last = comment is not None or run.end() == len(text)
            # Where the run of blanks and backslashes that ends the text
            # holds a backslash, the first one joins the next line.
            rest = plain.rstrip(" \t\\") if last else plain
            tail = len(rest) + plain[len(rest):].find("\\") if "\\" in plain[len(rest):] \
                else None
            line.plain(plain[:tail] if tail is not None else plain)
            if comment is not None or tail is not None:
                joined = tail is not None
                break
        if not joined:
            break
        # The next line goes on where the backslash stood, without the
        # blanks before it or those that open the next line.
        index += 1
        if index >= len(physical):
            break
        line.pending = ""
        text = physical[index].rstrip("\r").lstrip()
    key, fields = line.done()
    return key, fields, index + 1
