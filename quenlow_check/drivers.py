"""Drivers and services, which a 32-bit install on 64-bit Windows cannot put
in place: the launcher and the install program it starts are 32-bit.

- "Creating a new primitive driver": from Windows 10 1903, InstallHinfSection
  hands an INF whose DefaultInstall section is architecture-decorated to
  DiInstallDriver when [Version] names a Provider, Class and ClassGuid, no
  [Manufacturer] and no undecorated [DefaultInstall] is present, and no
  [DefaultUninstall] but a decorated one with LegacyUninstall=1.
  DiInstallDriver fails for a 32-bit caller on 64-bit Windows with
  ERROR_IN_WOW64 ("Operation not allowed in WOW64").
- "Device Installations on 64-Bit Systems": a 32-bit installer is to hand a
  driver install to its 64-bit build. The file system redirector puts what a
  32-bit install copies to the system folder (drivers included) in SysWOW64,
  while the service control manager starts a service from the path as
  written, in the 64-bit System32.
- "INF DefaultInstall.Services Section": the services section carries the
  decoration of the install section it goes with; InstallHinfSection runs
  only <picked>.Services (Wine's does the same)."""

import re

from .inf import Inf, number
from .notes import Note

DRIVER_TYPES = {1, 2}  # SERVICE_KERNEL_DRIVER, SERVICE_FILE_SYSTEM_DRIVER
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


def driver_notes(inf: Inf, picked) -> list[Note]:
    notes = []
    if primitive(inf, picked):
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
    for line, fields in inf.values(services, "AddService"):
        notes.append(service(inf, line, fields))
    return notes


def service(inf: Inf, line, fields: list[str]) -> Note:
    name = fields[0] if fields else "?"
    install = fields[2] if len(fields) > 2 else ""
    kind = inf.values(install, "ServiceType")
    binary = line_value(inf, install, "ServiceBinary")
    driver = bool(kind and kind[0][1]) and number(kind[0][1][0]) in DRIVER_TYPES
    system = bool(re.match(r"%1[12]%", binary) or "system32" in binary.lower())
    stops = driver or system
    why = (" It is a driver: a 32-bit installer is to hand a driver install to its 64-bit"
           " build." if driver else "") + \
        (f" Its binary, {inf.expand(binary)}, is copied by the 32-bit install to SysWOW64,"
         f" while the service control manager starts it from System32, where it is not:"
         f" the service fails to start." if system else "")
    return Note(
        "service", line.number, stops, f"the install adds the service {name} from a 32-bit"
        f" program",
        "The launcher is 32-bit, and so is the install program it starts on 64-bit Windows." +
        (why or " A user-mode service whose binary the install puts outside the system folder"
                " can work, but a 64-bit service cannot be started from where the 32-bit"
                " install puts it."),
        "Install services and drivers from a 64-bit program; let the launcher install only"
        " what a 32-bit program can.")


def line_value(inf: Inf, section: str, key: str) -> str:
    """A key's value as written, its %dirid% not replaced."""
    for line in inf.lines(section):
        if line.key and line.key.lower() == key.lower() and line.fields:
            return line.fields[0]
    return ""

