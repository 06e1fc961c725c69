#!/usr/bin/python3
"""The kit check against small kits: each row is a kit's INF and files, and
the notes the check must give for it, by kind and INF line (0: the kit as a
whole). A sound kit gives none."""

import importlib.util
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT))
MULTITOOL = ROOT / "build" / "npm" / "node_modules" / ".bin" / "sarif-multitool"
# What scripts/bootstrap installs for these tests: one line where it has not run.
MISSING = [what for what, there in [
    ("pefile", importlib.util.find_spec("pefile")), ("gcab", shutil.which("gcab")),
    ("the SARIF multitool", MULTITOOL.exists()), ("venv", importlib.util.find_spec("ensurepip")),
    ("setuptools", importlib.util.find_spec("setuptools"))] if not there]
if MISSING:
    sys.exit(f"kitcheck: {', '.join(MISSING)} not installed: run scripts/bootstrap")

from quenlow_check.check import check_kit  # noqa: E402
from quenlow_check.sources import KitError  # noqa: E402

CHECK = ["/usr/bin/python3", "-B", "-m", "quenlow_check"]
IN_TREE = {**os.environ, "PYTHONPATH": str(ROOT)}


def image(machine: int) -> bytes:
    """The headers of a DLL for this processor, as far as the check reads them."""
    optional = struct.pack("<H", 0x20B if machine == 0x8664 else 0x10B)
    optional = optional.ljust(240 if machine == 0x8664 else 224, b"\0")
    header = struct.pack("<HHIIIHH", machine, 0, 0, 0, 0, len(optional), 0x2102)
    return b"MZ".ljust(60, b"\0") + struct.pack("<I", 64) + b"PE\0\0" + header + optional


def cabinet(*names: str, code_page: str = "") -> bytes:
    """Empty files in a cabinet made by gcab; with a code page, one name in it, not UTF-8."""
    with tempfile.TemporaryDirectory() as temp:
        files = [name.encode(code_page or "utf-8") for name in names]
        for name in files:
            (Path(temp) / os.fsdecode(name)).write_bytes(b"")
        subprocess.run([b"gcab", b"-c", b"-n", b"k.cab", *files], cwd=temp, check=True)
        data = bytearray((Path(temp) / "k.cab").read_bytes())
    if code_page:  # the attributes of the CFFILE entry at coffFiles
        data[struct.unpack_from("<I", data, 16)[0] + 14] &= 0x7F
    return bytes(data)


DLL32, DLL64 = image(0x14C), image(0x8664)
HEAD = '[Version]\nSignature="$Windows NT$"\n'
REGISTER = HEAD + "[DefaultInstall]\n[RegisterFiles]\n"  # entries from line 5
# A copy list's entries from line 8, to the folder given.
COPY = HEAD + "[DefaultInstall]\nCopyFiles=Kit.Files\n[DestinationDirs]\nKit.Files={}\n" \
    "[Kit.Files]\n"
CAB = COPY.format(10) + 'a.dll\n[SourceDisksNames]\n1="Kit",kit.cab,,\n' \
    "[SourceDisksFiles]\na.dll=1\n"
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
     '[Kit.Files]\nKit.dll\n[Kit.Docs]\n"read me, first.txt",,,0x4\npacked.txt\n'
     "[Kit.Other]\nabsent.dll\n[DestinationDirs]\nKit.Files=11\nDefaultDestDir=16422,%Name%\n"
     "[SourceDisksNames]\n"
     '1="Kit",,,bin\n[SourceDisksFiles]\nkit.dll=1\n[Strings]\nName="KIT"\n'
     "[RegisterFiles]\nkit.dll\n", "utf-16",
     {"bin/kit.dll": DLL32, "READ ME, FIRST.TXT": b"", "packed.tx_": b""}, []),
    (REGISTER + "表.dll\n", "cp932", {"表.dll": DLL32}, []),
    (REGISTER + '"my comp.dll"\n', "cp932", {"my comp.dll": DLL32}, []),
    (HEAD + "[DefaultInstall]\nReboot\n[DefaultInstall.NT]\n", "cp932", {}, []),
    # Only a registered component, or one in the system folder, must be
    # 32-bit; a disk's cabinet serves a file that is not loose; sources lie
    # beside the INF; text before the first section is allowed with
    # [Strings]; a disk path of %-1% is the INF's folder, and a file that
    # [SourceDisksFiles] leaves out is taken from there.
    (COPY.format('16422,"Kit\\x64"') + "wide.dll\n", "cp932", {"wide.dll": DLL64}, []),
    (CAB, "cp932", {"kit.cab": cabinet("a.dll")}, []),
    (COPY.format(10) + "a.txt\n", "cp932", {"setup/a.txt": b""}, [], "setup/setup.inf"),
    ("stray text\n" + HEAD + "[DefaultInstall]\n[Strings]\n", "cp932", {}, []),
    (COPY.format(10) + 'a.dll\nb.txt\n[SourceDisksNames.x86]\n1="Kit",,,%-1%\n'
     "[SourceDisksFiles]\na.dll=1\n", "cp932", {"a.dll": DLL32, "b.txt": b""}, []),
    # One note each; a copy list that [DestinationDirs] leaves out goes to the
    # system folder.
    (HEAD + "[DefaultInstall]\nCopyFiles=Kit.Files\n[Kit.Files]\nhere.txt\ngone.txt\n",
     "cp932", {"here.txt": b""}, [("no-destination", 4), ("missing-file", 7)]),
    (HEAD + "[DefaultInstall.NTamd64]\nCopyFiles=Kit.Files\n", "cp932", {},
     [("no-install-section", 3)]),
    # Reboot in [DefaultInstall] is not processed ("INF Reboot Directive");
    # a directive that names no section does nothing.
    (HEAD + "[DefaultInstall]\nAddReg=Kit.Registry\nReboot\n", "cp932", {}, [("no-section", 4)]),
    ('[Version]\nSignature="$Windows 3.1$"\n[DefaultInstall]\n', "cp932", {},
     [("cannot-open", 1)]),
    (REGISTER + "\n".join(LONG) + "\n", "cp932", {name: DLL32 for name in LONG},
     [("section-cut", 15)]),
    (REGISTER + "l" * 244 + ".dll\n" + "s" * 243 + ".dll\n", "cp932",
     {"l" * 244 + ".dll": DLL32, "s" * 243 + ".dll": DLL32}, [("entry-too-long", 5)]),
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
     "[Kit.Files]\nwide.dll\n", "cp932", {"wide.dll": DLL64}, [("wrong-system-folder", 8)]),
    # The engine's rules, a row each: the tag file only removable media ask
    # for; a cabinet without the file; an INF of another code page; a
    # component installed where regsvr32 does not look; one Strings section
    # for the language; a driver package; a service; a decorated section's
    # services; a token as a file name; Include and Needs; encodings; the
    # section-name limit.
    (CAB, "cp932", {"a.dll": DLL32}, [("tag-file", 8)]),
    (CAB, "cp932", {"kit.cab": cabinet("b.dll")}, [("missing-file", 8)]),
    (CAB.replace("kit.cab,,", "kit.cab,,,0x10,kit.tag"), "cp932", {"a.dll": DLL32, "kit.tag": b""},
     [("missing-file", 8)]),
    (COPY.format(10) + "组件.dll\n说明.txt\n", "gbk", {"组件.dll": DLL32, "说明.txt": b""},
     [("not-text", 9)]),
    (COPY.format("11,MyApp") + "comp.dll\n[RegisterFiles]\ncomp.dll\n", "cp932",
     {"comp.dll": DLL32}, [("kit-copy-registered", 10)]),
    (COPY.format("16422,%%Kit%%\\%App%") + "a.txt\n[Strings]\nApp=Kit\n[Strings.0411]\nName=x\n",
     "cp932", {"a.txt": b""}, [("undefined-string", 6, False)]),
    ('[Version]\nSignature="$Windows NT$"\nProvider=P\nClass=System\nClassGuid={4d36e97d-e325-'
     "11ce-bfc1-08002be10318}\n[DefaultInstall.NTx86]\n[DefaultInstall.NTamd64]\n", "cp932", {},
     [("driver-package", 6)]),
    (HEAD + "[DefaultInstall]\n[DefaultInstall.Services]\nAddService=kitfs,,Kit.Service\n"
     "[Kit.Service]\nServiceType=2\nServiceBinary=%12%\\kitfs.sys\n", "cp932", {},
     [("service", 5)]),
    (HEAD + "[DefaultInstall.NTx86]\n[DefaultInstall.Services]\n", "cp932", {},
     [("services-not-run", 4)]),
    (COPY.format(10) + "%Name%.dll\n[Strings]\nName=kit\n", "cp932", {"kit.dll": DLL32},
     [("string-file-name", 8)]),
    (HEAD + "[DefaultInstall]\nInclude=.\\part.inf,ks.inf\nNeeds=More\n", "cp932",
     {"part.inf": (HEAD + "[More]\nCopyFiles=@gone.txt\n").encode()},
     [("not-checked", 4), ("missing-file", 4)]),
    ("\ufeff" + REGISTER + "a.dll\n", "utf-16-be", {"a.dll": DLL32},
     [("cannot-open", 1), ("encoding", 1)]),
    (REGISTER + "a.dll\n", "utf-16-le", {"a.dll": DLL32}, [("encoding", 1)]),
    (REGISTER + "a.dll\n", "utf-8-sig", {"a.dll": DLL32}, [("encoding", 1)]),
    (HEAD + "[" + "s" * 256 + "]\n", "cp932", {}, [("cannot-open", 3)]),
    # A cabinet's names: the kit's code page (表 ends in a backslash's byte)
    # unless marked UTF-8; a cut or foreign one cannot be read.
    (CAB.replace("a.dll", "表.dll"), "cp932", {"kit.cab": cabinet("表.dll", code_page="cp932")},
     []),
    (CAB.replace("a.dll", "表.dll"), "cp932", {"kit.cab": cabinet("表.dll")}, []),
    (CAB, "cp932", {"kit.cab": cabinet("a.dll")[:60]}, "the cabinet kit.cab is cut"),
    (CAB, "cp932", {"kit.cab": b"PK\3\4" + DLL32}, "kit.cab is not a cabinet"),
    # Windows' end state, a row a class: where a folder lands however it is
    # named; LoadLibrary's names and what Windows ships; a copy's flags; the
    # registry's views and roots; notes in the order the install meets them.
    (COPY.format("10,SysWOW64") + "comp.dll\n[RegisterFiles]\ncomp.dll\n", "cp932",
     {"comp.dll": DLL32}, []),
    (COPY.format("10,System32") + "wide.dll\n", "cp932", {"wide.dll": DLL64},
     [("wrong-system-folder", 8, False)]),
    (REGISTER + "msvbvm60.dll\n", "cp932", {}, []),
    (COPY.format(11) + "comp.dll\n[RegisterFiles]\nCOMP\n", "cp932", {"comp.dll": DLL32}, []),
    (COPY.format(11) + "comp.dll,,,0x400\n[RegisterFiles]\ncomp.dll\n", "cp932",
     {"comp.dll": DLL32}, [("not-copied", 8), ("kit-copy-registered", 10)]),
    (HEAD + "[DefaultInstall]\nRenFiles=Kit.Ren\n[DestinationDirs]\nKit.Ren=10\n[Kit.Ren]\n"
     "new.txt,old.txt\n", "cp932", {}, [("rename-error", 8)]),
    (HEAD + "[DefaultInstall]\nCopyFiles=Kit.Files\nAddReg=Kit.Reg\n[DestinationDirs]\n"
     "Kit.Files=16422,Kit\n[Kit.Files]\nsrv.dll\n[Kit.Reg]\nHKCR,CLSID\\{1}\\InprocServer32,,,"
     "%16422%\\Kit\\srv.dll\nHKR,,Setting,,1\n", "cp932", {"srv.dll": DLL64},
     [("com-view", 11), ("unusable-root", 12)]),
    (HEAD + "[DefaultInstall]\nCopyFiles=Kit.Files\n[DefaultInstall.Services]\nAddService=kit,,"
     "Kit.Service\n[Kit.Service]\nServiceType=16\nServiceBinary=%16422%\\Kit\\svc.exe\n"
     "[DestinationDirs]\nKit.Files=16422,Kit\n[Kit.Files]\nsvc.exe\n", "cp932", {},
     [("missing-file", 13), ("service", 6, True)]),
    # The 64-bit engine: its own section and system folder, and no msvbvm60.dll.
    (HEAD + "[DefaultInstall.NTamd64]\nCopyFiles=Kit.Files\n[DestinationDirs]\nKit.Files=11\n"
     "[Kit.Files]\nwide.dll\n[RegisterFiles]\nwide.dll\n", "cp932", {"wide.dll": DLL64}, [],
     "setup.inf", "My Kit", 64),
    (REGISTER + "msvbvm60.dll\n", "cp932", {}, [("not-found", 5)], "setup.inf", "My Kit", 64),
]


class KitCheck(unittest.TestCase):
    def test_each_kit_gives_its_notes(self):
        for number, (inf, encoding, files, expected, *names) in enumerate(ROWS):
            inf_name, kit_name, bits = (names + ["setup.inf", "My Kit", 32][len(names):])[:3]
            with self.subTest(row=number, inf=inf[:40]), tempfile.TemporaryDirectory() as temp:
                kit = Path(temp)
                text = (ROOT / inf).read_text() if inf.startswith("examples/") else inf
                (kit / inf_name).parent.mkdir(exist_ok=True)
                (kit / inf_name).write_bytes(text.replace("\n", "\r\n").encode(encoding))
                for name, data in files.items():
                    (kit / name).parent.mkdir(exist_ok=True)
                    (kit / name).write_bytes(data)
                if isinstance(expected, str):  # the kit cannot be read: one line
                    self.assertRaisesRegex(KitError, expected, check_kit, kit, inf_name)
                    continue
                notes = check_kit(kit, inf_name, 932, kit_name=kit_name, bits=bits)
                # In the check's order; a third field is whether the note stops.
                got = [(n.kind, n.line, n.stops)[:len(e)] for n, e in zip(notes, expected)]
                self.assertEqual(got + [(n.kind, n.line) for n in notes[len(expected):]],
                                 expected, f"row {number}: " + "; ".join(n.said for n in notes))

    def test_the_command_line(self):
        """A bad option or kit: one line and exit 2. SARIF: the log alone on
        standard output, one result a note, valid as Microsoft's SARIF
        multitool (scripts/bootstrap installs it) checks it against 2.1.0."""
        with tempfile.TemporaryDirectory() as temp:
            kit = Path(temp)
            (kit / "setup.inf").write_text(HEAD + "[DefaultInstall.NTamd64]\n[RegisterFiles]\nb\n")
            for bad in (["--code-page", "1200"], ["--code-page", "65001"], ["--engine", "86"],
                        ["--language", "zz"], ["--inf", "none.inf"]):
                done = subprocess.run([*CHECK, kit, *bad], env=IN_TREE,
                                      capture_output=True, text=True)
                self.assertEqual((done.returncode, done.stdout, done.stderr.count("\n")),
                                 (2, "", 1), f"{bad}: {done.stderr}")
            done = subprocess.run([*CHECK, kit, "--format", "sarif"], env=IN_TREE,
                                  capture_output=True, text=True)
            (kit / "kit.sarif").write_text(done.stdout)
            results = json.loads(done.stdout)["runs"][0]["results"]
            self.assertEqual([(r["ruleId"], r["level"]) for r in results],
                             [("no-install-section", "error"), ("not-found", "error")])
            subprocess.run([MULTITOOL, "validate", kit / "kit.sarif", "-o", kit / "out.sarif"],
                           check=True, capture_output=True)
            found = json.loads((kit / "out.sarif").read_text())["runs"][0].get("results", [])
            self.assertEqual([r["message"] for r in found if r.get("level") == "error"], [])
            # --plan: the predicted end state, in the demo's layout.
            (kit / "setup.inf").write_text((ROOT / "examples/setup.inf").read_text())
            (kit / "QuenlowSample.dll").write_bytes(DLL32)
            (kit / "readme.txt").write_text("")
            done = subprocess.run([*CHECK, kit, "--plan"], env=IN_TREE, capture_output=True,
                                  text=True)
            self.assertEqual(done.stdout[done.stdout.find("  files"):].splitlines(), [
                "  files created or changed under C:\\ (2)",
                "    + C:\\Program Files (x86)\\Quenlow Sample\\readme.txt  from readme.txt"
                "  ([Sample.Files] line 33)",
                "    + C:\\Windows\\SysWOW64\\QuenlowSample.dll             from QuenlowSample.dll"
                "  ([Sample.Components] line 36)",
                "  registry values added or changed (3)",
                "    + HKLM\\Software\\WOW6432Node\\Quenlow Sample  InstallDir  REG_SZ  C:\\Program"
                " Files (x86)\\Quenlow Sample",
                "    + HKLM\\Software\\WOW6432Node\\Quenlow Sample  Source  REG_SZ  <kit folder>",
                "    + HKLM\\Software\\WOW6432Node\\Quenlow Sample  Version  REG_DWORD  1"
                " (0x00000001)",
                "  components registered (1 regsvr32 run, in order)",
                "    1. QuenlowSample.dll  C:\\Windows\\SysWOW64\\QuenlowSample.dll  (installed)"
                "  (by C:\\Windows\\SysWOW64\\regsvr32.exe)"])

    def test_the_wheel(self):
        """The wheel in a fresh virtual environment, pefile from Debian, no
        network: quenlow-check on the sample kit and on a cabinet kit, with no
        gcab on PATH. Without pefile, one line."""
        with tempfile.TemporaryDirectory() as temp:
            temp = Path(temp)
            wheel = subprocess.run(["/usr/bin/python3", "-B", ROOT / "tools/release/make_wheel.py",
                                    "0", temp], check=True, capture_output=True, text=True)
            venv = temp / "venv"
            subprocess.run(["/usr/bin/python3", "-m", "venv", "--system-site-packages", venv],
                           check=True)
            subprocess.run([venv / "bin/pip", "install", "-q", "--no-index",
                            wheel.stdout.strip()], check=True)
            for kit, inf, files in [
                    ("sample", (ROOT / "examples/setup.inf").read_text(),
                     {"readme.txt": b"", "QuenlowSample.dll": DLL32}),
                    ("cabinet", CAB, {"kit.cab": cabinet("a.dll")})]:
                (temp / kit).mkdir()
                for name, data in {"setup.inf": inf.encode(), **files}.items():
                    (temp / kit / name).write_bytes(data)
                done = subprocess.run(["quenlow-check", kit], cwd=temp, capture_output=True,
                                      text=True, env={"PATH": str(venv / "bin")})
                self.assertEqual((done.returncode, done.stderr), (0, ""), done.stdout)
                self.assertIn("no note", done.stdout)
            done = subprocess.run(["/usr/bin/python3", "-S", "-m", "quenlow_check", "sample"],
                                  cwd=temp, capture_output=True, text=True,
                                  env={"PYTHONPATH": wheel.stdout.strip()})
            self.assertEqual((done.returncode, done.stdout, done.stderr.count("\n")),
                             (2, "", 1), done.stderr)


if __name__ == "__main__":
    unittest.main()
