#!/usr/bin/python3
"""Checks the resources, the image header and the imports of a built
Quenlow.exe, reading its bytes with pefile.

Usage: check_image.py EXE MACHINE ICON [unittest options]
  MACHINE  i386 (the shipped image) or amd64 (the test build)
  ICON     res/quenlow.ico, whose images the executable must carry
"""

import os
import struct
import sys
import unittest

import pefile

from formats import ico_images, pixels, read_node

EXE = ICON = MACHINE = None
PE = None

RT_ICON, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 6, 14, 16, 24
JAPANESE = 0x0411

TEXTS = {
    101: "このセットアップは壊れています。",
    102: "このセットアップは、このOSをサポートしていません。",
}


def resources():
    """{(type, name): [(language, bytes)]}; names are ints or strs."""
    found = {}
    for kind in PE.DIRECTORY_ENTRY_RESOURCE.entries:
        for entry in kind.directory.entries:
            name = str(entry.name) if entry.name is not None else entry.id
            for language in entry.directory.entries:
                data = language.data.struct
                found.setdefault((kind.id, name), []).append(
                    (language.id, PE.get_data(data.OffsetToData, data.Size)))
    return found


def resource(kind, name):
    return resources()[(kind, name)][0][1]


class ResourceDirectory(unittest.TestCase):
    def test_every_resource_once_in_japanese(self):
        expected = {(RT_STRING, 7), (RT_ICON, 1), (RT_ICON, 2), (RT_ICON, 3), (RT_ICON, 4),
                    (RT_GROUP_ICON, "IDI_QUENLOW20"), (RT_VERSION, 1), (RT_MANIFEST, 1)}
        found = resources()
        self.assertEqual(set(found), expected)
        for key, languages in sorted(found.items(), key=str):
            with self.subTest(resource=key):
                self.assertEqual([language for language, _ in languages], [JAPANESE])


class StringTable(unittest.TestCase):
    def test_block_7_holds_the_two_messages_and_fourteen_empty_strings(self):
        block = resource(RT_STRING, 7)
        offset = 0
        for number in range(96, 112):
            with self.subTest(string=number):
                (units,) = struct.unpack_from("<H", block, offset)
                text = block[offset + 2:offset + 2 + 2 * units].decode("utf-16-le")
                self.assertEqual(text, TEXTS.get(number, ""))
            offset += 2 + 2 * units
        self.assertEqual(offset, len(block), "bytes after the sixteenth string")


def group_entries():
    group = resource(RT_GROUP_ICON, "IDI_QUENLOW20")
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    entries = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i) for i in range(count)]
    return (reserved, kind, count, len(group)), entries


class IconGroup(unittest.TestCase):
    # name: width, height, colour count, reserved, planes, bits, bytes, image number
    ENTRIES = [
        ("16x16 16 colours", (16, 16, 16, 0, 1, 4, 296, 1)),
        ("32x32 16 colours", (32, 32, 16, 0, 1, 4, 744, 2)),
        ("16x16 256 colours", (16, 16, 0, 0, 1, 8, 1384, 3)),
        ("32x32 256 colours", (32, 32, 0, 0, 1, 8, 2216, 4)),
    ]

    def test_group_header(self):
        header, _ = group_entries()
        self.assertEqual(header, (0, 1, 4, 6 + 14 * 4))

    def test_entries_in_order(self):
        _, entries = group_entries()
        self.assertEqual(len(entries), len(self.ENTRIES))
        for (name, expected), actual in zip(self.ENTRIES, entries):
            with self.subTest(entry=name):
                self.assertEqual(actual, expected)

    def test_each_image_is_consistent_with_its_entry(self):
        for (name, entry), bitmap in zip(self.ENTRIES, self.images()):
            width, height, _, _, _, bpp, size, _ = entry
            with self.subTest(image=name):
                header = struct.unpack_from("<IiiHHIIiiII", bitmap, 0)
                colour_bytes = (width * bpp + 31) // 32 * 4 * height
                mask_bytes = (width + 31) // 32 * 4 * height
                self.assertEqual(header[:6], (40, width, 2 * height, 1, bpp, 0))
                self.assertIn(header[6], (0, colour_bytes + mask_bytes), "biSizeImage")
                self.assertIn(header[9], (0, 1 << bpp), "biClrUsed")
                self.assertEqual(len(bitmap), 40 + 4 * (1 << bpp) + colour_bytes + mask_bytes)
                self.assertEqual(len(bitmap), size)

    def test_images_are_the_committed_icon(self):
        self.assertEqual(self.images(), ico_images(ICON))

    def test_transparent_background(self):
        for (name, _), bitmap in zip(self.ENTRIES, self.images()):
            with self.subTest(image=name):
                width, height, rows = pixels(bitmap)
                self.assertIsNone(rows[0][0][1], "top left corner")
                self.assertIsNone(rows[0][width - 1][1], "top right corner")
                opaque = sum(colour is not None for row in rows for _, colour in row)
                self.assertTrue(0 < opaque < width * height)
                # Under a set mask bit the colour must be black, or the
                # screen behind shows through tinted.
                self.assertEqual({index for row in rows for index, colour in row
                                  if colour is None}, {0})

    def test_both_depths_show_the_same_picture(self):
        images = self.images()
        for name, deep, shallow in [("16x16", images[2], images[0]),
                                    ("32x32", images[3], images[1])]:
            with self.subTest(size=name):
                _, _, deep_rows = pixels(deep)
                _, _, shallow_rows = pixels(shallow)
                # Same transparency, and each 256-colour shade drawn
                # with one and the same of the 16 colours.
                shade_to_colour = {}
                for deep_row, shallow_row in zip(deep_rows, shallow_rows):
                    for (_, fine), (_, coarse) in zip(deep_row, shallow_row):
                        self.assertEqual(fine is None, coarse is None)
                        self.assertEqual(shade_to_colour.setdefault(fine, coarse), coarse)

    def images(self):
        _, entries = group_entries()
        return [resource(RT_ICON, entry[7]) for entry in entries]


class VersionBlock(unittest.TestCase):
    STRINGS = [
        ("Comments", ""),
        ("CompanyName", "Quenlow project"),
        ("FileDescription", ""),
        ("FileVersion", "2, 1, 0, 122"),
        ("InternalName", "Quenlow"),
        ("LegalCopyright", "Copyright (C) Quenlow project"),
        ("LegalTrademarks", ""),
        ("OriginalFilename", "Quenlow.exe"),
        ("PrivateBuild", ""),
        ("ProductName", "Quenlow Version 2.1"),
        ("ProductVersion", "2, 1, 0, 122"),
        ("SpecialBuild", ""),
    ]

    @classmethod
    def setUpClass(cls):
        cls.data = resource(RT_VERSION, 1)
        cls.root = read_node(cls.data, 0)

    def test_root_spans_the_resource(self):
        key, length, value_length, kind, _, children = self.root
        self.assertEqual((key, length, value_length, kind),
                         ("VS_VERSION_INFO", len(self.data), 52, 0))
        self.assertEqual([child[0] for child in children], ["StringFileInfo", "VarFileInfo"])

    def test_fixed_part(self):
        fields = struct.unpack("<13I", self.root[4])
        rows = [("signature", 0xFEEF04BD), ("structure version", 0x00010000),
                ("file version high", 0x00020001), ("file version low", 0x0000007A),
                ("product version high", 0x00020001), ("product version low", 0x0000007A),
                ("flags mask", 0x17), ("flags", 0), ("OS (VOS__WINDOWS32)", 4),
                ("type (VFT_UNKNOWN)", 0), ("subtype", 0), ("date high", 0), ("date low", 0)]
        for (name, expected), actual in zip(rows, fields):
            with self.subTest(field=name):
                self.assertEqual(actual, expected, f"0x{actual:08X}")

    def test_one_string_table_for_japanese_utf16(self):
        string_file_info = self.root[5][0]
        self.assertEqual([table[0] for table in string_file_info[5]], ["041104b0"])

    def test_strings_in_order_with_their_lengths(self):
        table = self.root[5][0][5][0]
        self.assertEqual([node[0] for node in table[5]], [key for key, _ in self.STRINGS])
        for (key, text), node in zip(self.STRINGS, table[5]):
            _, length, value_length, kind, value, children = node
            with self.subTest(key=key):
                self.assertEqual(kind, 1)
                self.assertEqual(children, [])
                if text:
                    # The length counts the terminating NUL.
                    self.assertEqual(value_length, len(text) + 1)
                    self.assertEqual(value, (text + "\0").encode("utf-16-le"))
                else:
                    # Empty: length 0 and no value at all, not a lone NUL.
                    self.assertEqual(value_length, 0)
                    self.assertEqual(length, 6 + 2 * (len(key) + 1))

    def test_translation(self):
        var_file_info = self.root[5][1]
        self.assertEqual(len(var_file_info[5]), 1)
        key, _, value_length, kind, value, _ = var_file_info[5][0]
        self.assertEqual((key, value_length, kind), ("Translation", 4, 0))
        self.assertEqual(struct.unpack("<HH", value), (0x0411, 1200))


def expected_manifest(architecture):
    lines = [
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>',
        '<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">',
        f'  <assemblyIdentity version="2.1.0.108" processorArchitecture="{architecture}"'
        ' name="Quenlow" type="win32"/>',
        '  <description>Quenlow Version 2.1</description>',
        '  <dependency>',
        '    <dependentAssembly>',
        '      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls"'
        f' version="6.0.0.0" processorArchitecture="{architecture}"'
        ' publicKeyToken="6595b64144ccf1df" language="*"/>',
        '    </dependentAssembly>',
        '  </dependency>',
        '  <trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">',
        '    <security>',
        '      <requestedPrivileges>',
        '        <requestedExecutionLevel level="requireAdministrator"/>',
        '      </requestedPrivileges>',
        '    </security>',
        '  </trustInfo>',
        '</assembly>',
    ]
    return b"\xef\xbb\xbf" + "\r\n".join(lines).encode("utf-8")


class Manifest(unittest.TestCase):
    def test_exact_bytes(self):
        architecture = "X86" if MACHINE == "i386" else "amd64"
        self.assertEqual(resource(RT_MANIFEST, 1), expected_manifest(architecture))


class ImageHeader(unittest.TestCase):
    def test_fields(self):
        header = PE.OPTIONAL_HEADER
        flags = header.DllCharacteristics
        relocations = header.DATA_DIRECTORY[
            pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
        # The time stamp comes from SOURCE_DATE_EPOCH when the build has
        # one, and is 0 otherwise: never the time of the build.
        stamp = int(os.environ.get("SOURCE_DATE_EPOCH", "0"))
        rows = [
            ("machine", PE.FILE_HEADER.Machine, 0x014C if MACHINE == "i386" else 0x8664),
            ("time stamp", PE.FILE_HEADER.TimeDateStamp, stamp),
            ("resource time stamp", PE.DIRECTORY_ENTRY_RESOURCE.struct.TimeDateStamp, 0),
            ("subsystem (GUI)", header.Subsystem, 2),
            ("operating system version", (header.MajorOperatingSystemVersion,
                                          header.MinorOperatingSystemVersion), (4, 0)),
            ("subsystem version", (header.MajorSubsystemVersion,
                                   header.MinorSubsystemVersion), (4, 0)),
            ("stack reserve", header.SizeOfStackReserve, 0x100000),
            ("stack commit", header.SizeOfStackCommit, 0x1000),
            ("heap reserve", header.SizeOfHeapReserve, 0x100000),
            ("heap commit", header.SizeOfHeapCommit, 0x1000),
            # The mitigations: ASLR with the image relocatable, DEP,
            # terminal-server aware; no SEH handlers on i386 (x86_64 has its
            # own unwind tables), the high-entropy address space on x86_64.
            ("relocations kept", PE.FILE_HEADER.Characteristics & 0x0001, 0),
            ("ASLR (DYNAMIC_BASE)", flags & 0x0040, 0x0040),
            ("DEP (NX_COMPAT)", flags & 0x0100, 0x0100),
            ("TERMINAL_SERVER_AWARE", flags & 0x8000, 0x8000),
            ("NO_SEH", flags & 0x0400, 0x0400 if MACHINE == "i386" else 0),
            ("HIGH_ENTROPY_VA", flags & 0x0020, 0 if MACHINE == "i386" else 0x0020),
        ]
        # i386 code holds absolute addresses, so a relocatable image needs
        # its relocation directory; x86_64 code addresses relative to the
        # instruction and may have nothing to relocate.
        if MACHINE == "i386":
            rows.append(("relocation directory", relocations.Size > 0, True))
        for name, actual, expected in rows:
            with self.subTest(field=name):
                self.assertEqual(actual, expected)


class Imports(unittest.TestCase):
    # The platform calls the program makes, and nothing from a C runtime.
    # The messages are loaded and shown through the wide forms, so that the
    # Japanese texts survive any code page; regsvr32 is run from the system
    # folder, and an install program named without a folder is looked up in
    # the system's folders; the own path is read wide too, to tell whether
    # the code page can spell it, and shortened where it cannot; so is the
    # command line, to tell whether the argument is spelled as typed.
    EXPECTED = {
        "kernel32.dll": {
            "GetCommandLineA", "GetModuleHandleA", "ExitProcess",  # start-up
            "GetCommandLineW",  # the argument as typed
            "GetFullPathNameA",  # the INF path made full
            "MultiByteToWideChar", "GetFullPathNameW",  # and its working folder's spelling
            "GetProcAddress",  # the DLL search, narrowed where the system can
            "ExpandEnvironmentStringsA",  # the install command's template
            "GetModuleFileNameA", "GetACP", "GetCPInfo",  # own directory, lead bytes
            "GetModuleFileNameW", "WideCharToMultiByte", "GetShortPathNameW",  # its spelling
            "SearchPathA", "GetFileAttributesA",  # program search; the INF file exists
            "GetWindowsDirectoryA", "GetEnvironmentVariableA",  # with the system folder,
            # the folders a bare program name is looked up in
            "GetExitCodeProcess", "Sleep", "CloseHandle",  # launcher
            "GetPrivateProfileSectionA", "GetSystemDirectoryA", "CreateProcessA",
            "WaitForSingleObject",  # registration
        },
        "advapi32.dll": {"RegOpenKeyExA", "RegQueryValueExA", "RegCloseKey"},
        "shell32.dll": {"ShellExecuteExA"},
        "user32.dll": {"LoadStringW", "MessageBoxW"},
    }

    def test_only_the_platform_calls(self):
        imported = {}
        for library in getattr(PE, "DIRECTORY_ENTRY_IMPORT", []):
            names = imported.setdefault(library.dll.decode().lower(), set())
            for function in library.imports:
                self.assertIsNotNone(function.name, f"import by ordinal from {library.dll}")
                names.add(function.name.decode())
        self.assertEqual(sorted(imported), sorted(self.EXPECTED))
        for library, expected in sorted(self.EXPECTED.items()):
            with self.subTest(library=library):
                self.assertEqual(sorted(imported[library]), sorted(expected))

    def test_no_delay_loaded_imports(self):
        self.assertFalse(hasattr(PE, "DIRECTORY_ENTRY_DELAY_IMPORT"))


def main():
    global EXE, MACHINE, ICON, PE
    if len(sys.argv) < 4 or sys.argv[2] not in ("i386", "amd64"):
        sys.exit(__doc__)
    EXE, MACHINE, ICON = sys.argv[1:4]
    PE = pefile.PE(EXE)
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:], verbosity=2)


if __name__ == "__main__":
    main()
