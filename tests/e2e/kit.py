"""The test kits: a folder in the prefix with Quenlow.exe, an INF file, the
file the INF installs, and copies of the test component under the names that
a case registers."""

import shutil
import subprocess
from dataclasses import dataclass
from pathlib import Path

from wine import Prefix

ROOT = Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
KIT = r"C:\Kits\My Kit"
PROBE = r"C:\e2e\probe.exe"


@dataclass(frozen=True)
class Image:
    """Where an install lands, for one build of the launcher. The x86_64
    build runs as a 64-bit program. The shipped i686 one runs, on 64-bit
    Windows, as a 32-bit program under WoW64, and so does the install program
    it starts: what an INF names "system32", HKLM\\Software and Program Files
    are redirected for it."""

    system: str  # the system folder, {system} in a case
    software: str  # HKLM\Software
    programs: str  # the Program Files folder, {programs} in a case

    def resolve(self, text: str, kit: str) -> str:
        """A case's text with its placeholders filled in."""
        return (text.replace("{kit}", kit).replace("{system}", self.system)
                .replace("{programs}", self.programs))

    @property
    def install_dir(self) -> str:
        return self.programs + r"\Quenlow E2E"

    @property
    def install_key(self) -> str:
        return self.software + r"\Quenlow E2E"


IMAGES = {
    "x86_64": Image(r"C:\windows\system32", r"HKLM\Software", r"C:\Program Files"),
    "i686": Image(r"C:\windows\syswow64", r"HKLM\Software\WOW6432Node",
                  r"C:\Program Files (x86)"),
}

# Wine's own association, as a fresh prefix has it.
WINE_TEMPLATE = (r"C:\windows\system32\rundll32.exe setupapi,InstallHinfSection"
                 r" DefaultInstall 132 %1")

# The install section copies the readme and records, through Wine's setup
# engine, the folder it installed from (%1% is the INF's source folder).
INSTALL_PART = r"""; An end-to-end test kit for Quenlow.
[Version]
Signature="$Windows NT$"

[DefaultInstall]
CopyFiles=Kit.Files
AddReg=Kit.Registry

[DestinationDirs]
Kit.Files=16422,"Quenlow E2E"

[SourceDisksNames]
1="Quenlow test kit",,,

[SourceDisksFiles]
readme.txt=1

[Kit.Files]
readme.txt

[Kit.Registry]
HKLM,"Software\Quenlow E2E","Source",,"%1%"
"""


def inf_text(register: list[str] | None) -> str:
    """The kit's INF: the install part, then a RegisterFiles section with
    these lines (None: no such section at all)."""
    if register is None:
        return INSTALL_PART
    return INSTALL_PART + "\n[RegisterFiles]\n" + "".join(line + "\n" for line in register)


def lay_out_kit(prefix: Prefix, build: Path, folder: str, inf_name: str, inf: str,
                components: list[str], encoding: str, readme: str,
                planted: list[str] = (), image: Image = IMAGES["x86_64"]) -> None:
    """Puts the kit in `folder`; `components` and `planted` are kit-relative
    or C: paths that get a copy of the test component or of the probe (of
    the planted DLL for a name that ends in .dll)."""
    kit = prefix.drive_c(folder)
    kit.mkdir(parents=True, exist_ok=True)
    shutil.copy(build / "Quenlow.exe", kit / "Quenlow.exe")
    (kit / inf_name).write_bytes(inf.replace("\n", "\r\n").encode(encoding))
    (kit / "readme.txt").write_text(readme + "\r\n")
    for name in components:
        target = prefix.drive_c(name) if name[1:3] == ":\\" else kit / name
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(e2e_binaries(build) / "component.dll", target)
    for name in (image.resolve(name, folder) for name in planted):
        target = prefix.drive_c(name) if name[1:3] == ":\\" else kit / name
        target.parent.mkdir(parents=True, exist_ok=True)
        source = "planted.dll" if name.lower().endswith(".dll") else "probe.exe"
        shutil.copy(e2e_binaries(build) / source, target)
    probe = prefix.drive_c(PROBE)
    probe.parent.mkdir(parents=True, exist_ok=True)
    shutil.copy(e2e_binaries(build) / "probe.exe", probe)


def lay_out_sample_kit(kit: Path, build: Path) -> None:
    """The sample kit of examples/ in the new folder `kit`, with the test
    component of `build` as its QuenlowSample.dll; no launcher yet."""
    kit.mkdir(parents=True)
    for name in ("setup.inf", "readme.txt"):
        shutil.copy(EXAMPLES / name, kit / name)
    shutil.copy(e2e_binaries(build) / "component.dll", kit / "QuenlowSample.dll")


def shipped_build() -> Path:
    """The win32 preset's build folder, its test component built: the sample
    kit as the shipped image carries it holds the i686 one, which can be
    built where it cannot be run."""
    build = ROOT / "build" / "win32"
    steps = [["--build", "--preset", "win32", "--target", "component"]]
    if not (build / "CMakeCache.txt").exists():
        steps.insert(0, ["--preset", "win32"])
    for step in steps:
        subprocess.run(["cmake", *step], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    return build


def register_files(inf: Path) -> list[str]:
    """The lines of an INF file's RegisterFiles section, as the launcher
    reads them (comments and blank lines left out)."""
    lines, inside = [], False
    for line in inf.read_bytes().decode("latin-1").splitlines():
        line = line.strip()
        if line.startswith("["):
            inside = line[1:line.find("]")].strip().lower() == "registerfiles"
        elif inside and line and not line.startswith(";"):
            lines.append(line)
    return lines


def e2e_binaries(build: Path) -> Path:
    return build / "tests" / "e2e"
