#!/usr/bin/python3
"""The kit check against small kits: each row is a kit's INF and files, and
the notes the check must give for it, by kind and INF line (0: the kit as a
whole). A sound kit gives none."""

import struct
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools" / "kitcheck"))

from check import check_kit  # noqa: E402


def image(machine: int) -> bytes:
    """The headers of a DLL for this processor, as far as the check reads them."""
    optional = struct.pack("<H", 0x20B if machine == 0x8664 else 0x10B)
    optional = optional.ljust(240 if machine == 0x8664 else 224, b"\0")
    header = struct.pack("<HHIIIHH", machine, 0, 0, 0, 0, len(optional), 0x2102)
    return b"MZ".ljust(60, b"\0") + struct.pack("<I", 64) + b"PE\0\0" + header + optional


DLL32, DLL64 = image(0x14C), image(0x8664)
HEAD = '[Version]\nSignature="$Windows NT$"\n'
REGISTER = HEAD + "[DefaultInstall]\n[RegisterFiles]\n"  # entries from line 5
LONG = ["k" * 93 + f"{n:02}.dll" for n in range(11)]  # 99 bytes each: ten fit in 1,024

# The INF's text or a file of examples/, its encoding, the kit's files, the
# notes, and the INF's and the kit folder's names when not setup.inf and My Kit.
ROWS = [
    # Sound kits: the examples as the demo lays them out, and the reader's
    # rules: sections, keys and file names in any case, a 32-bit section
    # beside a 64-bit one, a joined line, quotes, %strings%, a source
    # folder, a compressed source; UTF-16 and Shift-JIS, whose 表 ends in
    # the byte of a backslash.
    ("examples/setup.inf", "cp932", {"readme.txt": b"", "QuenlowSample.dll": DLL32}, []),
    ("examples/register-only.inf", "cp932",
     {"first.dll": DLL32, "second.ocx": DLL32, "with blank.dll": DLL32}, [],
     "register-only.inf"),
    ('[version]\nsignature = "$Windows NT$" ; lower case\n[defaultinstall.ntx86]\n'
     "COPYFILES=Kit.Docs,\\\n  Kit.Files\n[DefaultInstall.NTAMD64]\nCopyFiles=Kit.Other\n"
     '[Kit.Files]\n%Name%.dll\n[Kit.Docs]\n"read me, first.txt",,,0x4\npacked.txt\n'
     "[Kit.Other]\nabsent.dll\n[DestinationDirs]\nKit.Files=11\n[SourceDisksNames]\n"
     '1="Kit",,,bin\n[SourceDisksFiles]\nkit.dll=1\n[Strings]\nName="KIT"\n'
     "[RegisterFiles]\nkit.dll\n", "utf-16",
     {"bin/kit.dll": DLL32, "READ ME, FIRST.TXT": b"", "packed.tx_": b""}, []),
    (REGISTER + "表.dll\n", "cp932", {"表.dll": DLL32}, []),
    (REGISTER + '"my comp.dll"\n', "cp932", {"my comp.dll": DLL32}, []),
    (HEAD + "[DefaultInstall]\nReboot\n[DefaultInstall.NT]\n", "cp932", {}, []),
    # One note each.
    (HEAD + "[DefaultInstall]\nCopyFiles=Kit.Files\n[Kit.Files]\nhere.txt\ngone.txt\n",
     "cp932", {"here.txt": b""}, [("missing-file", 7)]),
    (HEAD + "[DefaultInstall.NTamd64]\nCopyFiles=Kit.Files\n", "cp932", {},
     [("no-install-section", 3)]),
    (HEAD + "[DefaultInstall]\nAddReg=Kit.Registry\nReboot\n", "cp932", {}, [("restart", 5)]),
    ('[Version]\nSignature="$Windows 3.1$"\n[DefaultInstall]\n', "cp932", {},
     [("cannot-open", 1)]),
    (REGISTER + "\n".join(LONG) + "\n", "cp932", {name: b"" for name in LONG},
     [("section-cut", 15)]),
    (REGISTER + "l" * 244 + ".dll\n" + "s" * 243 + ".dll\n", "cp932",
     {"l" * 244 + ".dll": b"", "s" * 243 + ".dll": b""}, [("entry-too-long", 5)]),
    (REGISTER + "C:\\Program Files\\Kit\\a.dll\n", "cp932", {"a.dll": DLL32},
     [("folder-dropped", 5)]),
    (REGISTER + "1=b.dll\n", "cp932", {"b.dll": DLL32}, [("not-found", 5)]),
    (HEAD + "[DefaultInstall]\n", "cp932", {}, [("argument-too-long", 0)],
     "a" * 116 + ".inf"),
    (HEAD + "[DefaultInstall]\n", "cp932", {}, [("deep-folder", 0)], "a" * 115 + ".inf",
     "k" * 110),
    (REGISTER + "Ελληνικά.dll\n", "utf-16", {"Ελληνικά.dll": DLL32},
     [("unspellable-name", 5)]),
    (HEAD + "[DefaultInstall]\nCopyFiles=Kit.Files\n[DestinationDirs]\nKit.Files=11\n"
     "[Kit.Files]\nwide.dll\n", "cp932", {"wide.dll": DLL64}, [("not-32-bit", 8)]),
]


class KitCheck(unittest.TestCase):
    def test_each_kit_gives_its_notes(self):
        for number, (inf, encoding, files, expected, *names) in enumerate(ROWS):
            inf_name, kit_name = (names + ["setup.inf", "My Kit"][len(names):])[:2]
            with self.subTest(row=number, inf=inf[:40]), tempfile.TemporaryDirectory() as temp:
                kit = Path(temp)
                text = (ROOT / inf).read_text() if inf.startswith("examples/") else inf
                (kit / inf_name).write_bytes(text.replace("\n", "\r\n").encode(encoding))
                for name, data in files.items():
                    (kit / name).parent.mkdir(exist_ok=True)
                    (kit / name).write_bytes(data)
                notes = check_kit(kit, inf_name, 932, kit_name=kit_name)
                self.assertEqual(sorted((n.kind, n.line) for n in notes), expected,
                                 f"row {number}: " + "; ".join(n.said for n in notes))


if __name__ == "__main__":
    unittest.main()
