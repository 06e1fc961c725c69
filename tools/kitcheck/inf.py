"""Reads an INF file the way the setup engine reads it: sections and keys
without regard to case, a section named twice read as one, comments after
an unquoted ';', values in quotes ('""' in them a quote), a backslash at a
line's end joining the next line, %name% replaced from [Strings] when a
value is read ('%%' a percent sign). A file that starts with a UTF-16
byte-order mark (or is UTF-16 without one, as the engine guesses) is read
as UTF-16, one with a UTF-8 mark as UTF-8, any other in the code page of the
Windows it is meant for.

Install sections are picked as a 32-bit install picks them, 64-bit Windows
included: NAME.NTx86, then NAME.NT, then NAME."""

import codecs
from dataclasses import dataclass, field
from pathlib import Path

# The section decorations a 32-bit install tries, in order.
X86_DECORATIONS = (".ntx86", ".nt", "")
SIGNATURES = ("$windows nt$", "$chicago$", "$windows 95$")
# The language of each code page's Windows, for [Strings.LANGID].
LANGUAGES = {932: 0x0411, 936: 0x0804, 949: 0x0412, 950: 0x0404, 1250: 0x0405, 1251: 0x0419,
             1252: 0x0409, 1253: 0x0408, 1254: 0x041F, 1255: 0x040D, 1256: 0x0401}


@dataclass
class Line:
    number: int  # where the line starts in the file, from 1
    key: str | None  # as written, before any %name% is replaced
    fields: list[str]


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
    """(text, what it was read as)."""
    if data[:2] in (codecs.BOM_UTF16_LE, codecs.BOM_UTF16_BE):
        return data.decode("utf-16", errors="replace"), "UTF-16"
    if data[:3] == codecs.BOM_UTF8:
        return data[3:].decode("utf-8", errors="replace"), "UTF-8"
    # Without a mark: UTF-16 when most bytes of the high halves are zero.
    high = data[1:256:2]
    if len(high) >= 2 and high.count(0) * 2 > len(high):
        return data.decode("utf-16-le", errors="replace"), "UTF-16"
    return data.decode(f"cp{code_page}", errors="replace"), f"code page {code_page}"


class Inf:
    def __init__(self, path: Path, code_page: int = 932):
        self.path = Path(path)
        self.code_page = code_page
        self.text, self.encoding = decode(self.path.read_bytes(), code_page)
        self.sections: dict[str, Section] = {}
        self.error: InfError | None = None
        try:
            self._parse(self.text.split("\x1a", 1)[0].replace("\0", " ").split("\n"))
        except InfError as error:
            self.error = error
        self.strings = self._strings()

    def _parse(self, physical: list[str]) -> None:
        current = None
        index = 0
        while index < len(physical):
            number, stripped = index + 1, physical[index].strip()
            if stripped.startswith("["):
                end = stripped.find("]")
                if end < 0:
                    raise InfError(number, "a section name without its closing ']'")
                name = stripped[1:end]
                current = self.sections.setdefault(name.lower(), Section(name, number))
                index += 1
                continue
            key, fields, index = split_line(physical, index)
            if key is None and not fields:
                continue
            if current is None:
                raise InfError(number, "a line before the first section")
            current.lines.append(Line(number, key, fields))

    def _strings(self) -> dict[str, str]:
        found = {}
        language = LANGUAGES.get(self.code_page)
        names = ["strings"] + ([f"strings.{language:04x}"] if language else [])
        for name in names:
            for line in self.lines(name):
                if line.key is not None and line.fields:
                    found[line.key.lower()] = line.fields[0]
        return found

    def lines(self, section: str) -> list[Line]:
        found = self.sections.get(section.lower())
        return found.lines if found else []

    def expand(self, text: str) -> str:
        """%name% replaced from [Strings]; an unknown name and a directory id
        stay as written."""
        out, start = [], 0
        while True:
            first = text.find("%", start)
            second = text.find("%", first + 1) if first >= 0 else -1
            if second < 0:
                return "".join(out) + text[start:]
            out.append(text[start:first])
            name = text[first + 1:second]
            out.append("%" if not name else self.strings.get(name.lower(), f"%{name}%"))
            start = second + 1

    def values(self, section: str, key: str) -> list[tuple[Line, list[str]]]:
        """Each line of `section` with this key, and its fields read."""
        return [(line, [self.expand(f) for f in line.fields]) for line in self.lines(section)
                if line.key is not None and self.expand(line.key).lower() == key.lower()]

    def signed(self) -> bool:
        found = self.values("Version", "Signature")
        return bool(found) and bool(found[0][1]) and found[0][1][0].lower() in SIGNATURES

    def pick(self, section: str) -> Section | None:
        """The section a 32-bit install carries out for `section`."""
        for decoration in X86_DECORATIONS:
            found = self.sections.get((section + decoration).lower())
            if found:
                return found
        return None


def split_line(physical: list[str], index: int) -> tuple[str | None, list[str], int]:
    """The key and fields of the line that starts at physical[index], and the
    index of the line after it. A key is what comes before an unquoted '='
    in the first field; a line of one field and no '=' has that field as its
    key too, as the engine finds it."""
    fields, key = [], None
    token, pending, started, quoted = "", "", False, False
    text, p = physical[index].rstrip("\r"), 0
    while True:
        if p >= len(text):
            break
        c = text[p]
        if quoted:
            if c == '"' and text[p + 1:p + 2] == '"':
                token, p = token + '"', p + 2
            elif c == '"':
                quoted, p = False, p + 1
            else:
                token, p = token + c, p + 1
            continue
        if c == ";":
            break
        if c == "\\" and continues(text, p + 1):
            index += 1
            if index >= len(physical):
                break
            text, p, pending = physical[index].rstrip("\r"), 0, ""
            p = len(text) - len(text.lstrip())
            continue
        if c in ",=" and not (c == "=" and (key is not None or fields)):
            if c == "=":
                key = token
            else:
                fields.append(token)
            token, pending, started, p = "", "", False, p + 1
            continue
        if c == '"':
            token, pending, started, quoted = token + pending, "", True, True
        elif c.isspace():
            pending += c if started else ""
        else:
            token, pending, started = token + pending + c, "", True
        p += 1
    if started or fields or key is not None:
        fields.append(token)
    if key is None and len(fields) == 1:
        key = fields[0]
    return key, fields, index + 1


def continues(text: str, after: int) -> bool:
    """Whether a backslash before `after` ends its line: only blanks and
    further backslashes follow it, up to the line's end or a comment."""
    rest = text[after:].split(";", 1)[0]
    return rest.strip(" \t\\") == ""
