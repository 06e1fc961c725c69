"""A fresh 64-bit Windows 10/11, as the setup engine and regsvr32 see it: its
folders by directory id, the file system and registry redirection of a 32-bit
process, the components it ships in its system folders, and the DLL search
that regsvr32's LoadLibrary makes for a bare name. Every Windows fact the
check uses is answered here, and only here.

- Directory ids: "Using Dirids" (learn.microsoft.com/windows-hardware/drivers/
  install/using-dirids); 16384 and up are the shell folders, 16384 plus a
  CSIDL ("CSIDL" constants, with the typical path of each known folder).
- "File System Redirector" (learn.microsoft.com/windows/win32/winprog64): a
  32-bit process's %windir%\\System32 is %windir%\\SysWOW64, except catroot,
  catroot2, driverstore, drivers\\etc, logfiles and spool; %windir%\\Sysnative
  is the real System32 for it alone. "WOW64 Implementation Details": a 32-bit
  process's Program Files and Common Files are the (x86) folders.
  GetSystemDirectory gives System32 to both, which the redirector then maps.
- "Registry Keys Affected by WOW64": HKLM\\Software is redirected to
  WOW6432Node for a 32-bit process but for its shared keys; under
  Software\\Classes only CLSID, DirectShow, Interface, Media Type and
  MediaFoundation are redirected (Windows 7 and later). HKEY_CLASSES_ROOT is
  the merged view, whose writes go to HKLM\\Software\\Classes while the user
  has no key of that name ("Merged View of HKEY_CLASSES_ROOT").
- "Dynamic-Link Library Search Order", safe DLL search mode (the default):
  the application's folder, the system folder, the 16-bit system folder, the
  Windows folder, the current folder, then the folders of PATH. LoadLibrary:
  a name without an extension gets ".dll", unless it ends in a period.
- Path names are compared as Windows compares them, without regard to case
  ("Naming Files, Paths, and Namespaces"); the last part of a path loses its
  trailing periods and blanks ("File path formats on Windows systems")."""

from __future__ import annotations

import re

WINDOWS = r"C:\Windows"
SYSTEM32 = WINDOWS + r"\System32"
SYSWOW64 = WINDOWS + r"\SysWOW64"
PROFILE = r"C:\Users\<user>"  # the installing user's profile
ROAMING = PROFILE + r"\AppData\Roaming"
START_MENU = ROAMING + r"\Microsoft\Windows\Start Menu"
ALL_START_MENU = r"C:\ProgramData\Microsoft\Windows\Start Menu"
# A 32-bit and a 64-bit process see these differently ("WOW64 Implementation
# Details"; "CSIDL": CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILES_COMMON).
PROGRAM_FILES = {32: r"C:\Program Files (x86)", 64: r"C:\Program Files"}

# Each directory id as a 64-bit process names it, but those in BY_BITS.
# "Using Dirids" and the CSIDL list.
FOLDERS = {
    10: WINDOWS, 11: SYSTEM32, 12: SYSTEM32 + r"\drivers", 17: WINDOWS + r"\INF",
    18: WINDOWS + r"\Help", 20: WINDOWS + r"\Fonts", 21: SYSTEM32 + r"\Viewers",
    23: SYSTEM32 + r"\spool\drivers\color", 24: "C:", 25: WINDOWS, 30: "C:",
    50: WINDOWS + r"\System", 51: SYSTEM32 + r"\spool",
    52: SYSTEM32 + r"\spool\drivers\x64", 53: PROFILE, 54: "C:",
    55: SYSTEM32 + r"\spool\prtprocs\x64",
    16384: PROFILE + r"\Desktop", 16386: START_MENU + r"\Programs",
    16389: PROFILE + r"\Documents", 16390: PROFILE + r"\Favorites",
    16391: START_MENU + r"\Programs\Startup", 16392: ROAMING + r"\Microsoft\Windows\Recent",
    16393: ROAMING + r"\Microsoft\Windows\SendTo", 16395: START_MENU,
    16397: PROFILE + r"\Music", 16398: PROFILE + r"\Videos", 16400: PROFILE + r"\Desktop",
    16403: ROAMING + r"\Microsoft\Windows\Network Shortcuts", 16404: WINDOWS + r"\Fonts",
    16405: ROAMING + r"\Microsoft\Windows\Templates", 16406: ALL_START_MENU,
    16407: ALL_START_MENU + r"\Programs", 16408: ALL_START_MENU + r"\Programs\StartUp",
    16409: r"C:\Users\Public\Desktop", 16410: ROAMING,
    16411: ROAMING + r"\Microsoft\Windows\Printer Shortcuts", 16412: PROFILE + r"\AppData\Local",
    16415: PROFILE + r"\Favorites", 16419: r"C:\ProgramData", 16420: WINDOWS, 16421: SYSTEM32,
    16423: PROFILE + r"\Pictures", 16424: PROFILE, 16425: SYSWOW64,
    16426: PROGRAM_FILES[32], 16428: PROGRAM_FILES[32] + r"\Common Files",
    16429: r"C:\ProgramData\Microsoft\Windows\Templates", 16430: r"C:\Users\Public\Documents",
    16431: ALL_START_MENU + r"\Programs\Administrative Tools",
    16432: START_MENU + r"\Programs\Administrative Tools", 16437: r"C:\Users\Public\Music",
    16438: r"C:\Users\Public\Pictures", 16439: r"C:\Users\Public\Videos",
    16440: WINDOWS + r"\Resources"}
# The Program Files folders, by the process's bitness.
BY_BITS = {16422: "", 16427: r"\Common Files"}
# The system folder's parts that a 32-bit process reaches unredirected.
EXEMPT = ("catroot", "catroot2", "driverstore", r"drivers\etc", "logfiles", "spool")
# The path a fresh Windows gives every user (the system's, then the user's
# own, which holds a folder the user can write to).
PATH = (SYSTEM32, WINDOWS, SYSTEM32 + r"\Wbem", SYSTEM32 + r"\WindowsPowerShell\v1.0",
        SYSTEM32 + r"\OpenSSH", PROFILE + r"\AppData\Local\Microsoft\WindowsApps")

# The components that Windows ships in its system folders and that kits are
# known to register again: the Visual Basic 6 runtime and the OLE Automation
# files it needs ("Support Statement for Visual Basic 6.0 on Windows": the
# runtime files that ship in Windows; KB 190130 names the set). Each with the
# bitness of the folders that hold it: msvbvm60.dll was never built for x64.
SHIPPED = {"msvbvm60.dll": (32,), "oleaut32.dll": (32, 64), "olepro32.dll": (32, 64),
           "asycfilt.dll": (32, 64), "stdole2.tlb": (32, 64), "comcat.dll": (32, 64)}


def normal(path: str) -> str:
    """A full path as Windows resolves it, for comparing: '/' read as '\\',
    repeated separators, '.' and '..' resolved, the last part's trailing
    periods and blanks dropped, in one case."""
    parts = []
    for part in re.split(r"[\\/]+", path):
        if part == "..":
            if len(parts) > 1:
                parts.pop()
        elif part not in ("", "."):
            parts.append(part)
    if parts:
        parts[-1] = parts[-1].rstrip(". ") or parts[-1]
    return "\\".join(parts).upper()


def same(a: str, b: str) -> bool:
    return normal(a) == normal(b)


def folder(dirid: int | None, bits: int) -> str | None:
    """The folder of a directory id as an engine of this bitness names it;
    None for an id Windows does not define."""
    if dirid in BY_BITS:
        return PROGRAM_FILES[bits] + BY_BITS[dirid]
    if bits == 32 and dirid == 52:
        return SYSTEM32 + r"\spool\drivers\w32x86"
    return FOLDERS.get(dirid)


def redirected(path: str, bits: int) -> str:
    """Where a path that a process of this bitness writes or reads lands."""
    parts = re.split(r"[\\/]+", path)
    if bits != 32 or len(parts) < 3 or not same("\\".join(parts[:2]), WINDOWS):
        return path
    rest = "\\".join(parts[3:])
    if parts[2].lower() == "sysnative":
        return SYSTEM32 + ("\\" + rest if rest else "")
    if parts[2].lower() != "system32":
        return path
    if any(same(rest, e) or normal(rest).startswith(normal(e) + "\\") for e in EXEMPT):
        return path
    return SYSWOW64 + ("\\" + rest if rest else "")


def system_folder(bits: int) -> str:
    """Where a process of this bitness finds its own system files."""
    return SYSWOW64 if bits == 32 else SYSTEM32


def shipped(path: str) -> int | None:
    """The bitness of the component Windows ships at this path, or None."""
    head, _, name = normal(path).rpartition("\\")
    kinds = SHIPPED.get(name.lower(), ())
    for bits in kinds:
        if head == normal(system_folder(bits)):
            return bits
    return None


def load_name(name: str) -> str:
    """The file LoadLibrary looks for by a bare name: ".dll" added to a name
    without an extension; a trailing period means none."""
    if name.endswith("."):
        return name.rstrip(".")
    return name if "." in name else name + ".dll"


def search_order(bits: int, working: str) -> list[str]:
    """The folders regsvr32 of this bitness searches for a bare name, in
    order, as it sees them after redirection: its own folder, the system
    folder, the 16-bit system folder, the Windows folder, the working
    folder, then PATH."""
    own = system_folder(bits)
    order = [own, own, WINDOWS + r"\System", WINDOWS, working]
    order += [redirected(p, bits) for p in PATH]
    seen, unique = set(), []
    for place in order:
        if normal(place) not in seen:
            seen.add(normal(place))
            unique.append(place)
    return unique


# "Registry Keys Affected by WOW64": the keys under HKLM\Software shared by
# both views (the rest is redirected), and those under Software\Classes that
# are redirected (the rest is shared).
SHARED_SOFTWARE = (
    "Classes", "Clients", r"Microsoft\COM3", r"Microsoft\Cryptography\Calais\Current",
    r"Microsoft\Cryptography\Calais\Readers", r"Microsoft\Cryptography\Services",
    r"Microsoft\CTF\SystemShared", r"Microsoft\CTF\TIP", r"Microsoft\DFS",
    r"Microsoft\Driver Signing", r"Microsoft\EnterpriseCertificates", r"Microsoft\EventSystem",
    r"Microsoft\MSMQ", r"Microsoft\Non-Driver Signing", r"Microsoft\Notepad\DefaultFonts",
    r"Microsoft\OLE", r"Microsoft\RAS", r"Microsoft\RPC", r"Microsoft\SOFTWARE\Microsoft\Shared"
    r" Tools\MSInfo", r"Microsoft\SystemCertificates", r"Microsoft\TermServLicensing",
    r"Microsoft\Transaction Server", r"Microsoft\Windows\CurrentVersion\App Paths",
    r"Microsoft\Windows\CurrentVersion\Control Panel\Cursors\Schemes",
    r"Microsoft\Windows\CurrentVersion\Explorer\AutoplayHandlers",
    r"Microsoft\Windows\CurrentVersion\Explorer\DriveIcons",
    r"Microsoft\Windows\CurrentVersion\Explorer\KindMap",
    r"Microsoft\Windows\CurrentVersion\Group Policy", r"Microsoft\Windows\CurrentVersion\Policies",
    r"Microsoft\Windows\CurrentVersion\PreviewHandlers", r"Microsoft\Windows\CurrentVersion\Setup",
    r"Microsoft\Windows\CurrentVersion\Telephony", r"Microsoft\Windows NT\CurrentVersion\CI",
    r"Microsoft\Windows NT\CurrentVersion\Console", r"Microsoft\Windows NT\CurrentVersion\FontDpi",
    r"Microsoft\Windows NT\CurrentVersion\FontLink",
    r"Microsoft\Windows NT\CurrentVersion\FontMapper",
    r"Microsoft\Windows NT\CurrentVersion\Fonts",
    r"Microsoft\Windows NT\CurrentVersion\FontSubstitutes",
    r"Microsoft\Windows NT\CurrentVersion\Gre_Initialize",
    r"Microsoft\Windows NT\CurrentVersion\Image File Execution Options",
    r"Microsoft\Windows NT\CurrentVersion\LanguagePack",
    r"Microsoft\Windows NT\CurrentVersion\NetworkCards",
    r"Microsoft\Windows NT\CurrentVersion\Perflib", r"Microsoft\Windows NT\CurrentVersion\Ports",
    r"Microsoft\Windows NT\CurrentVersion\Print",
    r"Microsoft\Windows NT\CurrentVersion\ProfileList",
    r"Microsoft\Windows NT\CurrentVersion\Time Zones", "Policies", "RegisteredApplications")
REDIRECTED_CLASSES = ("CLSID", "DirectShow", "Interface", "Media Type", "MediaFoundation")
# The roots an INF's registry lines name ("INF AddReg Directive"), as the
# hives they open. HKR names the key of a device or driver, which a
# DefaultInstall section run by InstallHinfSection does not have.
ROOTS = {"HKCR": r"HKLM\Software\Classes", "HKEY_CLASSES_ROOT": r"HKLM\Software\Classes",
         "HKCU": "HKCU", "HKEY_CURRENT_USER": "HKCU", "HKLM": "HKLM",
         "HKEY_LOCAL_MACHINE": "HKLM", "HKU": "HKU", "HKEY_USERS": "HKU"}
WOW = "WOW6432Node"


def under(key: str, prefix: str) -> str | None:
    """What follows `prefix` in `key`, '' for the key itself, None when the
    key is not under it."""
    k, p = normal(key), normal(prefix)
    if k == p:
        return ""
    return key[len(prefix) + 1:] if k.startswith(p + "\\") else None


def registry_key(root: str, key: str, bits: int) -> str | None:
    """The key a registry line of a process of this bitness lands in, named
    as the 64-bit registry editor shows it; None for a root it cannot use."""
    hive = ROOTS.get(root.upper())
    if hive is None:
        return None
    key = "\\".join(p for p in key.split("\\") if p)
    full = hive + ("\\" + key if key else "")
    if bits != 32:
        return full
    for classes in (r"HKLM\Software\Classes", r"HKCU\Software\Classes"):
        rest = under(full, classes)
        if rest is not None:
            first = rest.split("\\", 1)[0]
            if any(same(first, r) for r in REDIRECTED_CLASSES):
                return f"{classes}\\{WOW}\\{rest}"
            return full
    rest = under(full, r"HKLM\Software")
    if rest is None or not rest or same(rest.split("\\", 1)[0], WOW):
        return full
    if any(under(rest, s) is not None for s in SHARED_SOFTWARE):
        return full
    return f"HKLM\\Software\\{WOW}\\{rest}"

