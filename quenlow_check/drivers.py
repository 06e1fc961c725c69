"""Drivers and services, which a 32-bit install on 64-bit Windows cannot put
in place: the launcher and the install program it starts are 32-bit.

- "Creating a new primitive driver": from Windows 10 1903, InstallHinfSection
  hands an INF whose DefaultInstall section is architecture-decorated to
  DiInstallDriver when [Version] names a Provider, Class and ClassGuid, no
  [Manufacturer] and no undecorated [DefaultInstall] is present, and no
  [DefaultUninstall] but a decorated one with LegacyUninstall=1.
  DiInstallDriver fails for a 32-bit caller on 64-bit Windows with
  ERROR_IN_WOW64 ("Operation not allowed in WOW64").
- "INF DefaultInstall.Services Section": the services section carries the
  decoration of the install section it goes with; InstallHinfSection runs
  only <picked>.Services (Wine's does the same)."""

from __future__ import annotations

from .inf import Inf
from .notes import Note

ARCHITECTURES = (".ntx86", ".x86", ".ntamd64", ".amd64", ".ntarm64", ".arm64")


def primitive(inf: Inf, picked) -> bool:
    """Whether Windows installs the INF as a primitive driver package."""
    version = {k: inf.values("Version", k) for k in ("Provider", "Class", "ClassGuid")}
    if not all(found and found[0][1] and found[0][1][0].strip() for found in version.values()):
        return False
    if "manufacturer" in inf.sections or "defaultinstall" in inf.sections:
        return False
    for key in (k for k in inf.sections if k.split(".")[0] == "defaultuninstall"):
        if key == "defaultuninstall" or not inf.values(key, "LegacyUninstall"):
            return False
    return picked.name.lower().endswith(ARCHITECTURES)


def driver_notes(inf: Inf, picked, bits: int) -> list[Note]:
    notes = []
    if bits == 32 and primitive(inf, picked):
        notes.append(Note(
            "driver-package", picked.number, True, "Windows installs this INF as a driver package",
            f"[Version] names a Provider, Class and ClassGuid, the INF has no [Manufacturer] and"
            f" no undecorated [DefaultInstall], and the 32-bit install picks [{picked.name}]. From"
            f" Windows 10 1903 the setup engine then hands the INF to DiInstallDriver, which"
            f" refuses a 32-bit caller on 64-bit Windows (\"Operation not allowed in WOW64\"):"
            f" nothing is installed.",
            "Install a driver from a 64-bit program (Explorer's Install, pnputil), not through"
            " the launcher; for a kit that is no driver, take Class and ClassGuid out of"
            " [Version] and use an undecorated [DefaultInstall]."))
    services = f"{picked.name}.Services"
    if picked.name.lower() != "defaultinstall" and "defaultinstall.services" in inf.sections \
            and services.lower() not in inf.sections:
        plain = inf.sections["defaultinstall.services"]
        notes.append(Note(
            "services-not-run", plain.number, True, f"[{plain.name}] is never carried out",
            f"The 32-bit install carries out [{picked.name}], and with it only [{services}]; the"
            f" services of [{plain.name}] are not installed, and nothing says so.",
            f"Name the section [{services}]."))
    return notes

