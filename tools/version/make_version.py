#!/usr/bin/python3
"""Writes res/version.rc2: Quenlow's version block as raw resource data.

windres stores an empty string value as a single NUL with a value length of
1; the platform's resource compiler stores no value and a length of 0, and
that is what Quenlow's block carries. So the block is laid out here, node by
node, in the platform's VS_VERSIONINFO format, and written as the raw data
of resource type 16 (RT_VERSION), number 1.

Each node is: wLength (bytes, up to the end of its value or last child),
wValueLength (UTF-16 units for text, bytes for binary), wType (1 text,
0 binary), the key as NUL-terminated UTF-16, padding to 32 bits, the value,
padding to 32 bits, the children.

Usage: make_version.py [OUTPUT]   (default: res/version.rc2 in the repository)
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUTPUT = os.path.join(HERE, "..", "..", "res", "version.rc2")

# The file and product version, defined once beside the kit check, which
# names it in its SARIF log (the release script reads it from here).
sys.path.insert(0, os.path.join(HERE, "..", ".."))
from quenlow_check.version import VERSION  # noqa: E402
VERSION_TEXT = ", ".join(str(part) for part in VERSION)
LANGUAGE = 0x0411  # Japanese (Japan)
CODE_PAGE = 1200  # UTF-16

# The string table's keys, in the order they are stored.
STRINGS = [
    ("Comments", ""),
    ("CompanyName", "Quenlow project"),
    ("FileDescription", ""),
    ("FileVersion", VERSION_TEXT),
    ("InternalName", "Quenlow"),
    ("LegalCopyright", "Copyright (C) Quenlow project"),
    ("LegalTrademarks", ""),
    ("OriginalFilename", "Quenlow.exe"),
    ("PrivateBuild", ""),
    ("ProductName", "Quenlow Version 2.1"),
    ("ProductVersion", VERSION_TEXT),
    ("SpecialBuild", ""),
]

VS_FFI_SIGNATURE = 0xFEEF04BD
VS_FFI_STRUCVERSION = 0x00010000
VS_FFI_FILEFLAGSMASK = 0x17
VOS__WINDOWS32 = 4
VFT_UNKNOWN = 0


def words(text):
    """The rc spelling of a NUL-terminated UTF-16 string."""
    return 'L"' + text + '\\0"'


class Node:
    """One node of the block; `items` are the rc spellings of its bytes."""

    def __init__(self, key, value_text=None, value_items=(), value_length=0, value_size=0,
                 text=True, children=(), value_comment=None):
        self.key = key
        self.value_comment = value_comment
        self.value_text = value_text
        self.value_items = list(value_items)
        self.value_length = value_length
        self.value_size = value_size  # bytes of the value as stored
        self.text = text
        self.children = list(children)

    def header_size(self):
        return 6 + 2 * (len(self.key) + 1)

    def total_length(self):
        length = self.header_size()
        if self.value_size or self.children:
            length = align(length) + self.value_size
        for child in self.children:
            length = align(length) + child.total_length()
        return length


def align(n):
    return (n + 3) & ~3


def string_node(key, value):
    if value == "":
        return Node(key)
    units = len(value) + 1
    return Node(key, value_text=value, value_length=units, value_size=2 * units)


def version_block():
    major, minor, build, revision = VERSION
    ms = (major << 16) | minor
    ls = (build << 16) | revision
    fixed = [VS_FFI_SIGNATURE, VS_FFI_STRUCVERSION, ms, ls, ms, ls, VS_FFI_FILEFLAGSMASK,
             0, VOS__WINDOWS32, VFT_UNKNOWN, 0, 0, 0]
    table = Node(f"{LANGUAGE:04x}{CODE_PAGE:04x}", children=[string_node(k, v) for k, v in STRINGS])
    translation = Node("Translation", value_items=[f"0x{LANGUAGE:04X}", str(CODE_PAGE)],
                       value_length=4, value_size=4, text=False)
    return Node("VS_VERSION_INFO", value_items=[f"0x{v:08X}L" for v in fixed],
                value_length=52, value_size=52, text=False,
                value_comment="VS_FIXEDFILEINFO: signature, structure version, file version (high,"
                              " low),\n// product version (high, low), flags mask, flags, OS, type,"
                              " subtype, date (high, low)",
                children=[Node("StringFileInfo", children=[table]),
                          Node("VarFileInfo", children=[translation])])


def emit(node, depth, lines, offset):
    """Appends the rc lines of `node`, which starts at `offset`; returns its end."""
    indent = "    " + "  " * depth
    kind = "text" if node.text else "binary"
    lines.append(f"{indent}// {node.key}: {node.total_length()} bytes, {kind}")
    items = [str(node.total_length()), str(node.value_length), "1" if node.text else "0",
             words(node.key)]
    end = offset + node.header_size()
    if node.value_size or node.children:
        items += ["0"] * ((align(end) - end) // 2)
        end = align(end)
    if node.value_text is not None:
        items.append(words(node.value_text))
    if node.value_comment:
        lines.append(indent + ", ".join(items) + ",")
        lines += [indent + line for line in ("// " + node.value_comment).split("\n")]
        items = []
        for i in range(0, len(node.value_items), 6):
            lines.append(indent + ", ".join(node.value_items[i:i + 6]) + ",")
    else:
        items += node.value_items
    end += node.value_size
    if items:
        lines.append(indent + ", ".join(items) + ",")
    for child in node.children:
        if align(end) != end:
            lines.append(indent + "  0,  // padding")
        end = emit(child, depth + 1, lines, align(end))
    if end - offset != node.total_length():
        sys.exit(f"layout error: {node.key} takes {end - offset} bytes, not {node.total_length()}")
    return end


def render():
    lines = [
        "// Generated by tools/version/make_version.py from its tables: edit",
        "// those and run it again. Quenlow's version block (VS_VERSIONINFO) as",
        "// raw data, so that empty string values are stored with no value at all;",
        "// windres's VERSIONINFO statement would store each as one NUL. Numbers",
        "// are 16-bit words unless they end in L; strings carry their NUL.",
        "1 16",
        "BEGIN",
    ]
    emit(version_block(), 0, lines, 0)
    # The list of items ends in a comma; the rc grammar wants none there.
    lines[-1] = lines[-1].rstrip(",")
    lines.append("END")
    return "\n".join(lines) + "\n"


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_OUTPUT
    with open(output, "w", encoding="utf-8", newline="\n") as out:
        out.write(render())


if __name__ == "__main__":
    main()
