"""Where the 32-bit install on 64-bit Windows puts what an INF names by a
directory id, and whether regsvr32 finds a component there by its bare name.

Directory ids: "Using Dirids" (learn.microsoft.com/windows-hardware/drivers/
install/using-dirids); 16384 and up are the shell folders, 16384 plus a
CSIDL. A 32-bit program on 64-bit Windows sees System32 as SysWOW64 and
Program Files as Program Files (x86): "File System Redirector" and "Registry
Redirector" (learn.microsoft.com/windows/win32/winprog64), and "WOW64
Implementation Details": a 32-bit process's ProgramFiles and
CommonProgramFiles are the (x86) folders."""

# As a 32-bit program on 64-bit Windows sees each id, for C:\Windows.
FOLDERS = {
    1: "the INF's folder", 10: r"C:\Windows", 11: r"C:\Windows\SysWOW64",
    12: r"C:\Windows\SysWOW64\drivers", 17: r"C:\Windows\INF", 18: r"C:\Windows\Help",
    20: r"C:\Windows\Fonts", 24: "C:", 50: r"C:\Windows\System",
    16406: r"C:\ProgramData\Microsoft\Windows\Start Menu",
    16407: r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs",
    16409: r"C:\Users\Public\Desktop", 16419: r"C:\ProgramData",
    16422: r"C:\Program Files (x86)", 16425: r"C:\Windows\SysWOW64",
    16426: r"C:\Program Files (x86)", 16427: r"C:\Program Files (x86)\Common Files",
    16428: r"C:\Program Files (x86)\Common Files", 16430: r"C:\Users\Public\Documents"}
# Where the 32-bit regsvr32 looks for a bare name ("Dynamic-link library
# search order", safe DLL search mode): its own folder and the system folder
# (both SysWOW64), the 16-bit system folder, the Windows folder, then the
# working folder, which the launcher hands on: the kit's folder.
SEARCHED = {10, 11, 50, 16425}
# The system folders that 64-bit programs see as System32: a DLL copied
# there by the 32-bit install lands in SysWOW64, where none of them looks.
SYSTEM = {11, 12, 16425}


def place(dirid: int | None, subfolder: str) -> str:
    """The folder a copy list's files land in, as words when the id is not
    one of the common ones."""
    base = FOLDERS.get(dirid) if dirid is not None else None
    if base is None:
        base = f"the folder of directory id {dirid}" if dirid is not None else "no folder"
    return base + ("\\" + subfolder if subfolder else "")


def searched(dirid: int | None, subfolder: str) -> bool:
    """Whether regsvr32 finds a bare name in this folder: the DLL search
    never enters a subfolder of the folders it searches."""
    return dirid in SEARCHED and not subfolder.strip("\\. ")

