"""The end-to-end cases: each row is one start of the real launcher in its
own copy of the base prefix, with what a user would then see."""

from dataclasses import dataclass, field

from kit import KIT, PROBE

COMMAND_KEY = r"HKCR\inffile\shell\Install\command"
MESSAGES = {
    101: "このセットアップは壊れています。",
    102: "このセットアップは、このOSをサポートしていません。",
}


@dataclass
class Case:
    name: str
    argument: str = '"%EXEPATH%setup.inf"'  # the command-line tail after the program
    folder: str = KIT  # the kit folder, also the working folder
    inf_name: str = "setup.inf"
    example: str | None = None  # the INF is this file of examples/, not generated
    register: list[str] | None = field(default_factory=lambda: ["alpha.dll"])
    components: list[str] = field(default_factory=lambda: ["alpha.dll"])
    # ("add", key, value name or None for the default, type, data) or ("delete", key)
    registry: list[tuple] = field(default_factory=list)
    locale: str = "C"
    env: dict = field(default_factory=dict)
    # Copies of the probe (of the planted DLL for a .dll), kit-relative or C:;
    # {programs} stands for the launcher's Program Files folder.
    planted: list[str] = field(default_factory=list)
    # Expected:
    exit_code: int = 0
    installed: bool = True  # the INF's install section took effect
    source: str | None = None  # the folder the INF records it came from; None: `folder`
    # ("register", component path, kit-relative unless it has a drive) or
    # ("install"/"install-end", the end of the probe's command line), in
    # journal order; {kit} stands for the kit folder, {system} for the
    # launcher's system folder.
    journal: list[tuple[str, str]] = field(default_factory=lambda: [("register", "alpha.dll")])
    min_elapsed_ms: int = 0
    message: int | None = None  # a message box, looked at under Xvfb


def refused(name, code, **kw) -> Case:
    """A start that shows a message and runs nothing at all."""
    return Case(name, exit_code=code, installed=False, journal=[], **kw)


def set_template(data: str, kind: str = "REG_SZ") -> list[tuple]:
    return [("add", COMMAND_KEY, None, kind, data)]


def file_type(name: str, command: str | None) -> list[tuple]:
    """A ".inf" association with file type `name`, with or without an Install command."""
    actions = [("add", r"HKCR\.inf", None, "REG_SZ", name),
               ("add", "HKCR\\" + name, None, "REG_SZ", "Quenlow test file")]
    if command is not None:
        actions.append(("add", "HKCR\\" + name + r"\shell\Install\command", None, "REG_SZ",
                        command))
    return actions


def padded(prefix: str, suffix: str, length: int) -> str:
    return prefix + "k" * (length - len(prefix) - len(suffix)) + suffix


def fill_section() -> tuple[list[str], list[str]]:
    """RegisterFiles lines of 99 bytes each, so that ten of them and their
    NULs take exactly 1000 of the 1024 bytes that the launcher reads; the
    eleventh no longer fits whole, and any piece of it ends inside its
    directory part, which names no file."""
    lines = [padded("C:\\Long\\", f"\\c{n:02}.dll", 99) for n in range(1, 15)]
    return lines, [f"c{n:02}.dll" for n in range(1, 15)]


FILLED_LINES, FILLED_NAMES = fill_section()
# After ten filled lines the reader keeps 22 bytes of this one: a piece of a
# name, which the registration tool would take for "b...b.dll".
CUT_LINE, CUT_NAME = "b" * 40 + ".dll", "b" * 22 + ".dll"
NAME_119 = "a" * 115 + ".inf"  # '"%EXEPATH%' + NAME_119 + '"' is 130 bytes
DEEP_KIT = padded("C:\\Kits\\", "", 207)  # its directory with the separator: 208 bytes
DEEP_INF = "i" * 62 + ".inf"  # '"' + 208 + 66 + '"' = 276: over 269
# Its INF path is 128 bytes: seven of them in the install command fit, eight do not.
LONG_KIT = padded("C:\\Kits\\", "", 118)
ORDERED = ["gamma.dll", "alpha.dll", "beta.dll"]  # file order, not name order
ORDERED_JOURNAL = [("register", n) for n in ORDERED]

CASES = [
    # The install command from Wine's own association installs the INF, then
    # the listed components are registered one by one in file order.
    Case("success/exepath-in-quotes", register=ORDERED, components=ORDERED,
         journal=ORDERED_JOURNAL, min_elapsed_ms=1000),
    Case("success/plain-absolute-path", argument=KIT + "\\setup.inf", register=ORDERED,
         components=ORDERED, journal=ORDERED_JOURNAL),
    Case("success/plain-absolute-path-trailing-blanks", argument=KIT + "\\setup.inf  "),
    # A relative path is the working folder's file, for the install program
    # and the registrations alike.
    Case("success/relative-argument-from-the-kit", argument="setup.inf"),
    Case("success/drive-relative-argument-from-the-kit", argument="C:setup.inf"),
    # The launcher waits for the install program's end before registering.
    Case("success/waits-for-install-program", registry=set_template(PROBE + " /install %1"),
         env={"QUENLOW_PROBE_MS": "2500"}, installed=False,
         journal=[("install", " /install {kit}\\setup.inf"),
                  ("install-end", " /install {kit}\\setup.inf"), ("register", "alpha.dll")],
         min_elapsed_ms=3500),

    # The registry's command template. A REG_EXPAND_SZ one is expanded, so
    # its program is started by its full path: a rundll32.exe in the kit
    # never runs.
    Case("template/expand-sz-from-systemroot",
         registry=set_template(r"%SystemRoot%\system32\rundll32.exe setupapi,InstallHinfSection"
                               r" DefaultInstall 132 %1", "REG_EXPAND_SZ"),
         planted=["rundll32.exe"]),
    # Wine's shell looks a bare program name up in the system folders only,
    # so the row above holds under Wine whatever the launcher does; here the
    # program lies outside them, and a copy of the same name lies in the kit.
    Case("template/expand-sz-program-by-full-path",
         registry=set_template(r"%ProgramFiles%\Quenlow Probe\probe.exe %1", "REG_EXPAND_SZ"),
         planted=[r"{programs}\Quenlow Probe\probe.exe", "probe.exe"], installed=False,
         journal=[("install", r'Quenlow Probe\probe.exe" {kit}\setup.inf'),
                  ("install-end", r'Quenlow Probe\probe.exe" {kit}\setup.inf'),
                  ("register", "alpha.dll")]),
    Case("template/program-path-with-blanks",
         registry=set_template(r"C:\Program Files\Quenlow Probe\probe.exe %1"),
         planted=[r"C:\Program Files\Quenlow Probe\probe.exe"],
         installed=False, journal=[("install", "probe.exe\" {kit}\\setup.inf"),
                                   ("install-end", "probe.exe\" {kit}\\setup.inf"),
                                   ("register", "alpha.dll")]),
    # Quotes stay part of the words that the program search tries, so they
    # find no program here; then the text inside the quotes is the program,
    # which the shell gets by its full path, apart from its parameters.
    Case("template/quoted-program-and-placeholder",
         registry=set_template(f'"{PROBE}" "%1"'), installed=False,
         journal=[("install", '" "{kit}\\setup.inf"'), ("install-end", '" "{kit}\\setup.inf"'),
                  ("register", "alpha.dll")]),
    Case("template/without-placeholder", registry=set_template(PROBE + " /fixed"),
         installed=False,
         journal=[("install", " /fixed"), ("install-end", " /fixed"), ("register", "alpha.dll")]),
    # A program named without a folder is the system's, never a copy in the
    # kit. (Wine's shell looks in the system folders first whatever it is
    # handed; what Windows' shell would make of a bare name, the native
    # tests show.)
    Case("template/bare-name-with-a-copy-in-the-kit",
         registry=set_template("rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 %1"),
         planted=["rundll32.exe"]),
    # An install command that does not run is told after the registrations.
    Case("template/program-missing", registry=set_template(r"C:\Missing\tool.exe %1"),
         installed=False, exit_code=-2, message=102),
    Case("template/missing-full-path-not-taken-from-path", planted=[r"C:\windows\probe.exe"],
         registry=set_template(r"C:\Missing\probe.exe %1"), installed=False, exit_code=-2),
    Case("template/quoted-program-no-name-in-the-kit-folder", folder=r"C:\Kits\probe.exe kit",
         registry=set_template(f'"{PROBE}" /install %1'), planted=[r"C:\windows\probe.exe"],
         installed=False, journal=[(what, '" /install {kit}\\setup.inf') for what in
                                   ("install", "install-end")] + [("register", "alpha.dll")]),
    refused("template/expansion-cut-by-double-bytes", -2, locale="ja", env={"QJP": "漢" * 200},
            registry=set_template(f"{PROBE} %QJP% {'1' * 110} %1", "REG_EXPAND_SZ")),

    # Refusals: each shows a message (returning at once without a display)
    # and runs nothing at all.
    refused("refused/no-argument", -1, argument=""),
    refused("refused/blanks-only", -1, argument="   "),
    refused("refused/no-inf-association", -2, registry=[("delete", r"HKCR\.inf")]),
    refused("refused/no-install-command", -2, registry=file_type("quenlowfile", None)),
    refused("refused/empty-install-command", -2, registry=set_template(""), message=102),
    refused("refused/inf-default-not-a-string", -2,
            registry=[("add", r"HKCR\.inf", None, "REG_DWORD", "1")]),
    # An INF path that names no file: the install program would start on it.
    refused("refused/missing-inf", -2, argument='"%EXEPATH%missing.inf"', message=101),
    # Blanks after a closing quote keep that quote in the INF path (only the
    # last byte is dropped).
    refused("refused/quoted-path-then-blanks", -2, argument=f'"{KIT}\\setup.inf"  '),
    refused("refused/device-namespace-path", -2, argument=r"\\.\CON"),

    # Limits, each next to a case just inside it: what does not fit is
    # refused whole (message 101 or 102, -2), never cut and run.
    Case("limits/argument-of-130-bytes", argument=f'"%EXEPATH%{NAME_119}"', inf_name=NAME_119),
    refused("limits/argument-of-131-bytes", -2, argument=f'"%EXEPATH%{NAME_119}" ',
            inf_name=NAME_119),
    Case("limits/file-type-of-232-bytes", registry=file_type("t" * 232, PROBE + " %1"),
         installed=False, journal=[("install", " {kit}\\setup.inf"),
                                   ("install-end", " {kit}\\setup.inf"),
                                   ("register", "alpha.dll")]),
    refused("limits/file-type-of-233-bytes", -2, registry=file_type("t" * 233, PROBE + " %1")),
    Case("limits/deep-kit-short-argument", folder=DEEP_KIT),
    refused("limits/expanded-argument-over-269-bytes", -2, folder=DEEP_KIT,
            inf_name=DEEP_INF, argument=f'"%EXEPATH%{DEEP_INF}"'),
    Case("limits/install-command-of-seven-paths", registry=set_template(PROBE + " %1" * 7),
         folder=LONG_KIT, installed=False,
         journal=[("install", " {kit}\\setup.inf" * 7), ("install-end", " {kit}\\setup.inf" * 7),
                  ("register", "alpha.dll")]),
    refused("limits/install-command-over-1023-bytes", -2,
            registry=set_template(PROBE + " %1" * 8), folder=LONG_KIT),

    # The INF file's RegisterFiles section.
    Case("inf/no-section", register=None, journal=[]),
    Case("inf/empty-section", register=[], journal=[]),
    Case("inf/directory-parts-are-dropped",
         register=[r"C:\Elsewhere\gamma.dll", r"sub\alpha.dll"],
         components=["gamma.dll", "alpha.dll", r"C:\Elsewhere\gamma.dll", r"sub\alpha.dll"],
         journal=[("register", "gamma.dll"), ("register", "alpha.dll")]),
    Case("inf/key-value-lines", register=["1=alpha.dll", r"x=C:\d\beta.dll"],
         components=["1=alpha.dll", "alpha.dll", "beta.dll"],
         journal=[("register", "1=alpha.dll"), ("register", "beta.dll")]),
    Case("inf/file-name-with-a-blank", register=["my file.dll"],
         components=["my file.dll", "my.dll", "file.dll"],
         journal=[("register", "my file.dll")]),
    Case("inf/section-over-1024-bytes", register=FILLED_LINES, components=FILLED_NAMES,
         journal=[("register", n) for n in FILLED_NAMES[:10]]),
    Case("inf/cut-last-entry-left-out", register=FILLED_LINES[:10] + [CUT_LINE],
         components=FILLED_NAMES[:10] + [CUT_NAME],
         journal=[("register", n) for n in FILLED_NAMES[:10]]),
    Case("inf/quoted-by-the-author", register=['"my comp.dll"'], components=["my comp.dll"],
         journal=[("register", "my comp.dll")]),
    Case("inf/quoted-folder-by-the-author", register=[r'"C:\Elsewhere\my comp.dll"'],
         components=["my comp.dll"], journal=[("register", "my comp.dll")]),
    Case("inf/comments-after-entries", register=["alpha.dll ; the control", "beta.dll\t;note"],
         components=["alpha.dll", "beta.dll"],
         journal=[("register", "alpha.dll"), ("register", "beta.dll")]),

    # The examples stay working kits.
    Case("examples/setup-inf", example="setup.inf", components=["QuenlowSample.dll"],
         installed=False, journal=[("register", r"{system}\QuenlowSample.dll")]),
    Case("examples/register-only-inf", example="register-only.inf",
         inf_name="register-only.inf", argument='"%EXEPATH%register-only.inf"',
         components=["first.dll", "second.ocx", "with blank.dll"], installed=False,
         journal=[("register", "first.dll"), ("register", "second.ocx"),
                  ("register", "with blank.dll")]),

    # Code page 932: 表 is 0x95 0x5C, its trail byte the path separator.
    Case("cp932/kit-folder-with-5c-trail-byte", locale="ja", folder=r"C:\Kits\表",
         register=["表.dll", "alpha.dll"], components=["表.dll", "alpha.dll"],
         journal=[("register", "表.dll"), ("register", "alpha.dll")]),

    # Code page 1252 cannot spell the kit's folder: "%EXEPATH%" stands for its
    # short form.
    Case("cp1252/kit-folder-in-greek", locale="C.UTF-8", folder=r"C:\Kits\Ελληνικά",
         source=r"C:\Kits\____~ZOU"),

    # A regsvr32.exe beside the launcher and in its working folder never runs.
    Case("security/planted-regsvr32", planted=["regsvr32.exe", "regsvr32.com"]),
    # Nor is a DLL there loaded in place of the system's, even with Wine told
    # to prefer it (as Windows does for DLLs outside its known-DLL list):
    # here the theme library, which the message box loads.
    refused("security/planted-uxtheme", -1, argument="", message=101, planted=["uxtheme.dll"],
            env={"WINEDLLOVERRIDES": "mscoree,mshtml=;uxtheme=n,b"}),

    # The message box as a person sees it, under Xvfb: shown, read, dismissed
    # with a key; then the exit code.
    refused("box/101-japanese-locale", -1, argument="", locale="ja", message=101),
    refused("box/102-japanese-locale", -2, registry=file_type("quenlowfile", None),
            locale="ja", message=102),
    refused("box/101-western-locale", -2, argument=f'"%EXEPATH%{NAME_119}" ',
            inf_name=NAME_119, message=101),
    refused("box/102-western-locale", -2, registry=file_type("quenlowfile", None),
            message=102),
]

assert len({c.name for c in CASES}) == len(CASES)
