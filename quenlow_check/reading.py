"""Whether Windows reads the INF at all, and as what: its setup engine and the
launcher's profile reader each judge the file's encoding their own way.

"General guidelines for INF files": an INF "must be saved with an ANSI or
Unicode (UTF-16 LE) file encoding". A UTF-16 big-endian INF is reported not
to work on Windows (and Wine's engine reads it as ANSI, so it opens
nothing); a UTF-8 one is not among the documented encodings, though Wine
reads it. The profile reader makes only a file with the UTF-16
little-endian mark Unicode (see inf.profile_text)."""

from __future__ import annotations

import codecs

from .inf import Inf
from .notes import Note
from .registration import register_entries

# The ANSI code pages of Windows, double-byte ones first.
CODE_PAGES = (932, 936, 949, 950, 874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258)
DOUBLE_BYTE = {932, 936, 949, 950}


def opening_notes(inf: Inf) -> list[Note]:
    """Why the setup engine would not open the INF at all."""
    if inf.encoding == "UTF-16BE":
        why, line = "UTF-16 big-endian text, which it does not read", 1
    elif inf.error is not None:
        why, line = str(inf.error), inf.error.line
    elif not inf.signed():
        version = inf.sections.get("version")
        why, line = "no Signature of $Windows NT$ or $Chicago$ in [Version]", \
            version.number if version else 0
    else:
        return []
    return [Note("cannot-open", line, True, "the setup engine does not open the INF",
                 f"It finds {why}. The Install command installs nothing; the launcher still"
                 f" registers [RegisterFiles].",
                 'Begin the INF with [Version] and Signature="$Windows NT$"; save it as ANSI'
                 ' or as UTF-16 LE with its byte-order mark.')]


# The encodings Windows reads otherwise: what its setup engine does with one,
# whether that alone stops the install, and whether Wine's profile reader,
# which also takes the UTF-8 and big-endian marks, reads it.
ENCODINGS = {
    "UTF-16BE": ("", True, True),  # the engine's side is the note that it does not open it
    "UTF-8": ("Windows' setup engine is documented to read ANSI and UTF-16 LE INFs only; Wine's"
              " also reads UTF-8, so the demo does not show it.", True, True),
    "UTF-16 without a mark": ("Wine's setup engine guesses it is UTF-16; Windows documents"
                              " UTF-16 LE without saying whether the mark may be left out.",
                              False, False),
}


def encoding_notes(inf: Inf) -> list[Note]:
    """The encodings that Windows reads otherwise than Wine, or that the
    launcher's profile reader reads otherwise than the setup engine."""
    if inf.encoding not in ENCODINGS:
        return []
    engine, stops, wine_reads = ENCODINGS[inf.encoding]
    read = len(register_entries(inf.text))
    lost = read and not register_entries(inf.profile_text)
    if lost:
        launcher = (f" The launcher's profile reader knows Unicode only by the UTF-16 LE mark and"
                    f" reads the file as ANSI: it finds no [RegisterFiles], and registers none of"
                    f" its {read} entr{'ies' if read != 1 else 'y'}." +
                    (" Wine's profile reader does read it." if wine_reads else ""))
    elif not engine:
        return []
    else:
        launcher = (" The launcher's profile reader reads it as ANSI, with the mark as text"
                    " before the first line." if inf.encoding == "UTF-8" else "")
    return [Note("encoding", 1, stops or bool(lost), f"the INF is {inf.encoding}",
                 (engine + launcher).strip(),
                 "Save the INF as UTF-16 LE with its byte-order mark, or as ANSI in the code"
                 " page of the Windows it is meant for.")]


def text_notes(inf: Inf, data: bytes) -> list[Note]:
    """One note for an INF that is not text in its code page, where the
    names it gives are not the kit's, instead of a note for each of them."""
    lines = inf.unreadable() if inf.encoding.startswith("code page") else []
    if not lines:
        return []
    reads = [cp for cp in CODE_PAGES if cp != inf.code_page and decodes(data, cp)]
    reads = [cp for cp in reads if cp in DOUBLE_BYTE] or reads
    named = ", ".join(map(str, reads)) if reads else "none of Windows' ANSI code pages"
    return [Note(
        "not-text", lines[0], True, f"the INF is not text in code page {inf.code_page}",
        f"Line{'s' * (len(lines) > 1)} {', '.join(map(str, lines[:6]))}"
        f"{' and more' if len(lines) > 6 else ''} hold{'s' * (len(lines) == 1)}"
        f" bytes that code page {inf.code_page} does not read. Windows of that code page reads"
        f" other names than the kit's, so it looks for files the kit does not hold and asks for"
        f" the disk. The INF reads as text in: {named}.",
        f"Save the INF in code page {inf.code_page}, or as UTF-16 LE with its byte-order mark;"
        f" or check it with --code-page for the Windows it is meant for.")]


def decodes(data: bytes, code_page: int) -> bool:
    try:
        codecs.decode(data, f"cp{code_page}")
        return True
    except UnicodeDecodeError:
        return False
