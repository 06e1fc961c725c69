#!/usr/bin/python3
"""Kits generated from the INF grammar (sections, directives, quotes, joined
lines, %tokens%, code-page bytes, cut UTF-16) each end as a report or as one
line of bad input (exit 0, 1 or 2), never in any other error, and in time
that grows with the INF's size alone. KITCHECK_EXAMPLES sets how many."""

import os
import sys
import tempfile
import time
import unittest
from pathlib import Path

from hypothesis import HealthCheck, given, settings, strategies as st

sys.path.insert(0, str(Path(__file__).resolve().parents[2]))

from check_test import DLL32, DLL64  # noqa: E402
from quenlow_check.check import examine  # noqa: E402
from quenlow_check.sources import KitError  # noqa: E402

FILES = ["a.dll", "b.ocx", "A.DLL", "x", "c.sys"]
FLAGS = st.sampled_from(["", "0x400", "0x10", "0x4", "0x1000", "0x4000", "0x10001", "0x20000",
                         "0x12", "1"])
NAME = st.sampled_from(FILES + ["%Name%", "%11%\\a.dll", '"q ; r.dll"', "表.dll", "a."])
NOISE = st.lists(st.one_of(st.sampled_from([",", "=", '"', ";", "\\", " ", "\\\n", "%", "ｱ"]),
                           st.text(max_size=3)), max_size=6).map("".join)
FOLDER = st.sampled_from(["10", "11", "12", "16422", "16425", "1", "-1", "99", "10,SysWOW64",
                          '16422,"Kit"', "11,%Name%", "x"])
ROOT = st.sampled_from(["HKLM", "HKCR", "HKCU", "HKR", "HKU", "HKEY_LOCAL_MACHINE", "X"])
KEY = st.sampled_from(["Software\\K", "CLSID\\{1}\\InprocServer32", "Software\\Classes\\CLSID",
                       "%Name%", ""])
# Each section with lines of its own grammar, then noise anywhere.
SECTIONS = {
    "Version": st.just(['Signature="$Windows NT$"']),
    "DefaultInstall": st.lists(st.sampled_from(
        ["CopyFiles=Files"] * 2 + ["AddReg=Reg"] * 2 + ["CopyFiles=@a.dll", "DelFiles=Files",
         "RenFiles=Ren", "DelReg=Reg", "Needs=Inst", "Include=.\\x.inf", "CopyFiles=None",
         "UpdateInis=Ini"]), max_size=5),
    "DestinationDirs": st.lists(st.tuples(st.sampled_from(["Files", "Ren", "DefaultDestDir"]),
                                          FOLDER).map("=".join), max_size=3),
    "Files": st.lists(st.tuples(NAME, NAME, st.just(""), FLAGS).map(",".join), max_size=4),
    "Ren": st.lists(st.tuples(NAME, NAME).map(",".join), max_size=2),
    "Reg": st.lists(st.tuples(ROOT, KEY, st.sampled_from(["", "V", "%Name%"]), FLAGS, NAME)
                    .map(",".join), max_size=4),
    "DefaultInstall.Services": st.just(["AddService=S,,Svc"]),
    "Svc": st.lists(st.sampled_from(["ServiceType=1", "ServiceBinary=%12%\\c.sys",
                                     "ServiceBinary=%16422%\\x"]), max_size=2),
    "SourceDisksNames": st.lists(st.sampled_from(
        ['1="Disk",k.cab,,', '1="D",,,sub', '1="D",t,,,0x10,tag', '1="D",,,%-1%']), max_size=2),
    "Ini": st.lists(st.sampled_from(["system.ini,s,,k=v", "%11%\\a.ini,s,k=v"]), max_size=1),
    "SourceDisksFiles": st.lists(st.sampled_from(["a.dll=1", "b.ocx=1,sub", "x=2"]), max_size=2),
    "Strings": st.lists(st.sampled_from(["Name=kit", 'Name="a;b"']), max_size=1),
    "RegisterFiles": st.lists(NAME, max_size=3),
}
# Each known section is there or not, in the grammar's order or shuffled,
# with noise lines and sections of any name among them.
KIT = st.tuples(*[st.tuples(st.just(name), lines, st.lists(NOISE, max_size=1)).flatmap(
    lambda section: st.sampled_from([section] * 4 + [None])) for name, lines in SECTIONS.items()],
                st.lists(st.tuples(st.text(max_size=6), st.lists(NOISE, max_size=3), st.just([])),
                         max_size=2))
INF = KIT.flatmap(lambda kit: st.permutations([s for s in kit[:-1] if s] + kit[-1]) |
                  st.just([s for s in kit[:-1] if s] + kit[-1]))
ENCODINGS = st.sampled_from(["cp932"] * 3 + ["utf-16-le", "utf-16-cut", "utf-8-sig", "raw"])


IMAGES = {"a.dll": DLL32, "b.ocx": DLL64, "A.DLL": DLL32, "x": b"MZ"}


def encoded(text: str, encoding: str) -> bytes:
    if encoding == "utf-16-cut":
        return ("\ufeff" + text).encode("utf-16-le")[:-1]
    if encoding == "raw":
        return text.encode("utf-8", "surrogatepass")
    return text.encode(encoding, errors="replace")


class Generated(unittest.TestCase):
    @settings(max_examples=int(os.environ.get("KITCHECK_EXAMPLES", "150")), deadline=None,
              database=None, suppress_health_check=list(HealthCheck))
    @given(INF, ENCODINGS, st.sampled_from([32, 64]),
           st.lists(st.sampled_from(FILES + ["k.cab", "表.dll"]), max_size=4))
    def test_every_kit_ends_in_a_report_or_one_line(self, sections, encoding, bits, files):
        text = "".join(f"[{name}]\n" + "".join(line + "\n" for line in lines + noise)
                       for name, lines, noise in sections)
        with tempfile.TemporaryDirectory() as temp:
            kit = Path(temp)
            (kit / "setup.inf").write_bytes(encoded(text, encoding).replace(b"\n", b"\r\n"))
            for name in files:
                (kit / name).write_bytes(IMAGES.get(name, b""))
            started = time.monotonic()
            try:
                examine(kit, "setup.inf", 932, "Quenlow.exe", "My Kit", None, bits)
            except KitError as error:
                self.assertEqual(str(error).count("\n"), 0)
            self.assertLess(time.monotonic() - started, 2.0)


if __name__ == "__main__":
    unittest.main()
