#!/usr/bin/python3
"""Writes the seed corpora (corpus/<harness>/<case>) from the documented
edge cases of each operation, in the input layout its harness reads.
Run it again after changing a table; the files are committed."""
import os
import re
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CODE_PAGES = {1252: 0, 932: 1, 936: 2, 949: 3, 950: 4, 1361: 5}
Q = b'"'


def number(value):
    return struct.pack('<H', value)


def write(harness, name, data):
    folder = os.path.join(HERE, 'corpus', harness)
    os.makedirs(folder, exist_ok=True)
    slug = re.sub(r'[^a-z0-9]+', '-', name.lower()).strip('-')
    with open(os.path.join(folder, slug), 'wb') as f:
        f.write(data)


# name, source text, source size, placeholder, replacement, destination size
REPLACE = [
    ('adjacent', b'%1%1', 16, b'%1', b'XY', 32),
    ('text between', b'%1a%1', 16, b'%1', b'XY', 32),
    ('three', b'x%1yy%1zz%1w', 16, b'%1', b'XY', 32),
    ('empty replacement', b'a%1%1cd', 16, b'%1', b'', 32),
    ('no occurrence', b'abc', 16, b'%1', b'XY', 32),
    ('zero source', b'', 16, b'%1', b'XY', 32),
    ('near miss', b'%EXEPAT %EXEPATH%', 24, b'%EXEPATH%', b'D', 32),
    ('case sensitive', b'%exepath%', 24, b'%EXEPATH%', b'D', 32),
    ('does not fit by one', b'ab%1cd', 16, b'%1', b'ABCDEFGHIJ', 12),
    ('fits exactly', b'ab%1cd', 16, b'%1', b'ABCDEFGHIJ', 13),
    ('none fits', b'ab%1cd%1e', 16, b'%1', b'ABCDEFGHIJ', 11),
    ('cut at destination', b'abcdefghij', 16, b'%1', b'XY', 5),
    ('source without nul', b'%1', 2, b'%1', b'XY', 32),
    ('source smaller than placeholder', b'%', 1, b'%1', b'XY', 32),
    ('source size zero', b'', 0, b'%1', b'XY', 32),
    ('empty placeholder', b'abc', 16, b'', b'XY', 32),
    ('last byte percent', b'abcdefghijklmno%', 16, b'%1', b'XY', 32),
    ('destination one', b'abc%1', 16, b'%1', b'XY', 1),
    ('destination zero', b'abc%1', 16, b'%1', b'XY', 0),
    ('argument expansion', b'"%EXEPATH%setup.inf"', 260, b'%EXEPATH%', b'D:\\kit\\', 270),
    ('install command', b'rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 %1',
     520, b'%1', b'D:\\kit\\setup.inf', 1024),
    ('long directory', b'%EXEPATH%%EXEPATH%', 260, b'%EXEPATH%', b'C:\\' + b'd' * 250 + b'\\', 270),
]

# name, code page, path
SPLIT = [
    ('full path', 1252, b'C:\\dir\\sub\\file.inf'),
    ('bare name', 1252, b'file'),
    ('empty', 1252, b''),
    ('drive only', 1252, b'C:'),
    ('drive relative', 1252, b'C:file.x'),
    ('digit drive', 1252, b'1:abc'),
    ('dot in directory', 1252, b'\\dir.d\\file'),
    ('last dot', 1252, b'a.b.c'),
    ('only extension', 1252, b'.inf'),
    ('trailing dot', 1252, b'file.'),
    ('trailing separator', 1252, b'dir\\'),
    ('slashes', 1252, b'/u/v.w'),
    ('network', 1252, b'\\\\srv\\share\\x.dll'),
    ('trail backslash 932', 932, b'C:\\\x95\\\\x.inf'),
    ('trail dot 932', 932, b'a\x81.b'),
    ('lone lead 932', 932, b'a\x81'),
    ('long parts', 1252, b'd' * 300 + b'\\' + b'n' * 300 + b'.' + b'e' * 300),
    ('long double-byte parts', 932, b'a' * 254 + b'\x81\x40' * 30 + b'\\' + b'\x81\x40' * 150),
    ('johab', 1361, b'\xd5\\x\xd8\\y.z'),
    ('big5', 950, b'\xa5\\x.y'),
]

# name, code page, destination size, source
STRIP = [
    ('quoted with blank', 1252, 520, Q + b'C:\\a b\\x.inf' + Q),
    ('unquoted', 1252, 520, b'C:\\x.inf'),
    ('opening only', 1252, 520, Q + b'C:\\x.inf'),
    ('closing only', 1252, 520, b'C:\\x.inf' + Q),
    ('text after', 1252, 520, Q + b'C:\\a\\x.inf' + Q + b' more'),
    ('blanks after', 1252, 520, Q + b'C:\\x.inf' + Q + b'  '),
    ('middle', 1252, 520, b'ab' + Q + b'cd'),
    ('lone quote', 1252, 520, Q),
    ('two quotes', 1252, 520, Q + Q),
    ('empty', 1252, 520, b''),
    ('does not fit', 1252, 6, b'abcdef'),
    ('fits', 1252, 7, b'abcdef'),
    ('quoted does not fit', 1252, 7, Q + b'abcdef' + Q),
    ('quoted fits', 1252, 8, Q + b'abcdef' + Q),
    ('trail quote 932', 932, 520, b'\x81' + Q + b'abc'),
    ('quote after character 932', 932, 520, b'\x81' + Q + b'ab' + Q),
    ('lone lead 932', 932, 520, b'ab\x81'),
    ('longest argument', 932, 520, Q + b'C:\\' + b'\x81\x40' * 130 + b'.inf' + Q),
]

# name, code page, command line
SKIP = [
    ('unquoted name', 1252, b'Quenlow.exe setup.inf'),
    ('quoted name with blanks', 1252, Q + b'C:\\My Kit\\Quenlow.exe' + Q + b' ' + Q + b'%EXEPATH%a.inf' + Q),
    ('no blank after quote', 1252, Q + b'C:\\Q.exe' + Q + b'a.inf'),
    ('all words', 1252, b'Q.exe a b  c '),
    ('control bytes', 1252, b'Q.exe\t\x01\x1f x'),
    ('name only', 1252, b'Q.exe'),
    ('blanks only', 1252, b'Q.exe    '),
    ('empty', 1252, b''),
    ('unclosed quote', 1252, Q + b'C:\\My Kit\\Q.exe'),
    ('high bytes in name', 1252, b'\x95\xa0.exe a'),
    ('trail quote 932', 932, Q + b'C:\\\x81' + Q + b'\\Q.exe' + Q + b' a.inf'),
    ('trail quote 1252', 1252, Q + b'C:\\\x81' + Q + b'\\Q.exe' + Q + b' a.inf'),
    ('lone lead at end', 932, Q + b'Q\x81'),
]

# name, list size, lines (each ended by a NUL, the list by one more)
POP = [
    ('three entries', 1024, [b'a.dll', b'1=b.ocx', b'c']),
    ('one entry', 1024, [b'a.dll']),
    ('empty list', 1024, []),
    ('entry fills the buffer', 8, [b'aaaaaaa']),
    ('no end marker', 8, None),
    ('full buffer', 16, [b'abc', b'defgh', b'ij']),
    ('one byte', 1, []),
    ('size zero', 0, []),
]

# LaunchAndWait: name, code page, flags, existence answers (bit n: the n-th
# name tested is found), command, parameters, and with flag 128 the system
# folder, the Windows folder and PATH. Flags: 1 split, 2 process handle,
# 4 shell refuses, 8 shell starts a process, 16 no parameters, 32 owner
# window, 64 the program ends with exit code 259, 128 folders of its own.
INSTALL = 1 | 2 | 8 | 16
LAUNCH = [
    ('no split keeps blanks', 1252, 2 | 8, 0, b'C:\\Program Files\\x.exe /a', b'p'),
    ('no split no parameters', 1252, 2 | 8 | 16, 0, b'x y', b''),
    ('no blank', 1252, INSTALL, 1, b'setup.exe', b''),
    ('first candidate', 1252, INSTALL, 1, b'C:\\kit\\inst.exe a b', b''),
    ('fallback name', 1252, INSTALL, 1,
     b'%SystemRoot%\\System32\\rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 C:\\x.inf', b''),
    ('path with blanks', 1252, INSTALL, 4, b'C:\\Program Files\\Kit\\inst.exe /q x.inf', b''),
    ('shorter prefix wins', 1252, INSTALL, 2 | 4, b'C:\\Program Files\\Kit\\inst.exe /q', b''),
    ('quoted program', 1252, INSTALL, 8, Q + b'C:\\Program Files\\x.exe' + Q + b' a', b''),
    ('quoted program by its bare name', 1252, INSTALL, 4, Q + b'%X%\\a.exe' + Q + b' /f', b''),
    ('two blanks', 1252, INSTALL, 1, b'a.exe  b', b''),
    ('two blanks not found', 1252, INSTALL, 4, b'a.exe  b c', b''),
    ('blank at the end', 1252, INSTALL, 1, b'a.exe ', b''),
    ('leading blank', 1252, INSTALL, 0xff, b' a.exe b', b''),
    ('candidate of 260', 1252, INSTALL, 1, b'C:\\' + b'a' * 253 + b'.exe p', b''),
    ('candidate of 261', 1252, INSTALL, 0xff, b'C:\\' + b'a' * 254 + b'.exe p', b''),
    ('long parameters', 1252, INSTALL, 1, b'a.exe ' + b'p' * 3000, b''),
    ('nothing found', 1252, INSTALL, 0, b'a b c d', b''),
    ('trail backslash 932', 932, INSTALL, 2, b'C:\\\x95\\x.exe p', b''),
    ('shell refuses', 1252, INSTALL | 4, 1, b'a.exe p', b''),
    ('no process handle', 1252, 1 | 8 | 16, 1, b'a.exe p', b''),
    ('no process started', 1252, 1 | 2 | 16, 1, b'a.exe p', b''),
    ('ends with 259', 1252, INSTALL | 64 | 32, 1, b'a.exe p', b''),
    ('full folders of path', 1252, INSTALL | 128, 1, b'tool.exe /q', b'',
     [b'C:\\windows\\system32', b'C:\\windows', b'.;;C:\\tools;sub;\\\\srv\\s']),
    ('no folders at all', 1252, INSTALL | 128, 0xff, b'tool.exe /q', b'', [b'', b'']),
    ('trail byte semicolon 1361', 1361, INSTALL | 128, 1, b'tool.exe', b'',
     [b'C:\\w', b'C:\\\x88;\\t', b'.']),
]

# QueryRegistryString: name, flags (1 opens, 2 reads), type, destination
# size, value name, data
REGISTRY = [
    ('missing key', 0, 1, 255, b'', b'inffile\0'),
    ('value not set', 1, 1, 255, b'', b'inffile\0'),
    ('file type', 3, 1, 255, b'', b'inffile\0'),
    ('longest string read', 3, 1, 1024, b'', b'a' * 1023 + b'\0'),
    ('string too long for the buffer', 3, 1, 1100, b'', b'a' * 1024 + b'\0'),
    ('expand string kept', 3, 2, 520,
     b'', b'%SystemRoot%\\System32\\rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 %1\0'),
    ('dword', 3, 4, 255, b'', b'\x01\x00\x00\x00'),
    ('binary', 3, 3, 255, b'', b'ab\0'),
    ('multi string', 3, 7, 255, b'', b'a\0b\0\0'),
    ('only a terminator', 3, 1, 255, b'', b'\0'),
    ('embedded nul', 3, 1, 255, b'', b'ab\0cd\0'),
    ('no nul', 3, 1, 255, b'', b'abc'),
    ('no data', 3, 1, 255, b'', b''),
    ('fits exactly', 3, 1, 8, b'', b'abcdefg\0'),
    ('one too long', 3, 1, 8, b'', b'abcdefgh\0'),
    ('destination zero', 3, 1, 0, b'', b'\0'),
    ('named value', 3, 1, 255, b'Name', b'x\0'),
]

# RunInstall: name, code page, flags, flags2, argument, program path, file
# type, template, section lines, and optional changes. Flags: 1 ".inf" key,
# 2 it refuses full access, 4 it has a default value, 8 the file type ends
# in a NUL, 16 the command key is the file type's, 32 it refuses full
# access, 64 it has a default value, 128 the template ends in a NUL.
# Flags2: 1 the section is in the INF file, 2 the shell refuses, 4 the
# shell starts no process, 8 own system folder, 16 a failing registration,
# 32 the INF file exists with its section in another.
USUAL = 1 | 4 | 8 | 16 | 64 | 128
TEMPLATE = b'%SystemRoot%\\System32\\rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 %1'
KIT = b'D:\\kit\\Quenlow.exe'
ARG = Q + b'%EXEPATH%setup.inf' + Q
INSTALL_CASES = [
    ('installs then registers', 1252, USUAL, 1, ARG, KIT, b'inffile', TEMPLATE, [b'a.dll', b'b.ocx'], {}),
    ('empty argument', 1252, USUAL, 1, b'', KIT, b'inffile', TEMPLATE, [], {}),
    ('argument of 130', 1252, USUAL, 1, b'a' * 130, KIT, b'inffile', TEMPLATE, [], {}),
    ('argument of 131', 1252, USUAL, 1, b'a' * 131, KIT, b'inffile', TEMPLATE, [], {}),
    ('65 double-byte characters', 932, USUAL, 1, b'\x81\x40' * 65, KIT, b'inffile', TEMPLATE, [], {}),
    ('no inf association', 1252, USUAL & ~1, 1, ARG, KIT, b'inffile', TEMPLATE, [], {}),
    ('inf key read only', 1252, USUAL | 2, 1, ARG, KIT, b'inffile', TEMPLATE, [], {}),
    ('no install command', 1252, USUAL & ~16, 1, ARG, KIT, b'inffile', TEMPLATE, [], {'key': b'other'}),
    ('file type not a string', 1252, USUAL & ~16, 1, ARG, KIT, b'\x01\x02', TEMPLATE, [],
     {'types': (4, 1), 'key': b'\\shell\\Install\\command'}),
    ('template without placeholder', 1252, USUAL, 1, ARG, KIT, b'inffile', b'notepad.exe', [], {'masks': (0, 0)}),
    ('quoted program with blanks', 1252, USUAL, 1, b'x.inf', KIT, b'inffile',
     b'C:\\Program Files\\Kit\\inst.exe /q %1', [], {'masks': (2, 0)}),
    ('shell refuses', 1252, USUAL, 1 | 2, ARG, KIT, b'inffile', TEMPLATE, [b'a.dll'], {}),
    ('longest file type', 1252, USUAL, 1, ARG, KIT, b't' * 232, TEMPLATE, [], {}),
    ('file type one too long', 1252, USUAL, 1, ARG, KIT, b't' * 233, TEMPLATE, [], {}),
    ('expansion does not fit', 1252, USUAL, 1, b'%EXEPATH%' * 4, b'C:\\' + b'd' * 100 + b'\\Q.exe',
     b'inffile', TEMPLATE, [], {}),
    ('install command does not fit', 1252, USUAL, 1, b'a' * 130, KIT, b'inffile', b'%1' * 8, [], {}),
    ('no program path', 1252, USUAL, 1, ARG, b'', b'inffile', TEMPLATE, [b'a.dll'], {}),
    ('registration lines', 1252, USUAL, 1, ARG, KIT, b'inffile', TEMPLATE,
     [b'C:\\Program Files\\Kit\\y.dll', b'1=y.dll', b'x=C:\\d\\y.dll', b'my file.dll', b'dir\\',
      b'a' * 247, b'b' * 248], {}),
    ('trail byte in registration', 932, USUAL, 1, ARG, KIT, b'inffile', TEMPLATE, [b'C:\\\x95\\.dll'], {}),
    ('no system folder', 1252, USUAL, 1 | 8, ARG, KIT, b'inffile', TEMPLATE, [b'a.dll'], {'folder': b''}),
    ('failing registration', 1252, USUAL, 1 | 16, ARG, KIT, b'inffile', TEMPLATE,
     [b'a.dll', b'bad.dll', b'c.dll'], {'failing': b'bad'}),
    ('no section', 1252, USUAL, 32, ARG, KIT, b'inffile', TEMPLATE, [b'a.dll'], {}),
    ('no inf file', 1252, USUAL, 0, ARG, KIT, b'inffile', TEMPLATE, [b'a.dll'], {}),
    ('relative argument', 1252, USUAL, 1, b'setup.inf', KIT, b'inffile', TEMPLATE, [b'a.dll'], {}),
    ('cut section', 1252, USUAL, 1, ARG, KIT, b'inffile', TEMPLATE,
     [b'C:\\' + b'd' * 990 + b'\\a.dll', b'b' * 40 + b'.dll'], {}),
    ('quoted by the author', 1252, USUAL, 1, ARG, KIT, b'inffile', TEMPLATE, [Q + b'my file.dll' + Q], {}),
    ('empty command', 1252, USUAL, 1, ARG, KIT, b'inffile', b'', [b'a.dll'], {}),
    ('program found nowhere', 1252, USUAL, 1, ARG, KIT, b'inffile', TEMPLATE, [b'a.dll'],
     {'masks': (0, 0)}),
    ('expansion takes the last byte', 1252, USUAL, 1, ARG, KIT, b'inffile', b'a' * 516 + b' %1', [],
     {}),
    ('quoted folders by the author', 1252, USUAL, 1, ARG, KIT, b'inffile', TEMPLATE,
     [Q + b'C:\\Program Files\\Kit\\my file.dll' + Q, Q + b'%11%\\my file.dll' + Q,
      b'1=' + Q + b'C:\\Kit\\my comp.ocx' + Q, b'C:\\Kit\\my ' + Q + b'big' + Q + b' file.dll'], {}),
    ('drive-relative argument', 1252, USUAL, 1, b'C:setup.inf', KIT, b'inffile', TEMPLATE,
     [b'a.dll'], {}),
    ('drive-relative argument up and back', 1252, USUAL, 1, b'C:..\\kit\\setup.inf', KIT,
     b'inffile', TEMPLATE, [b'a.dll'], {}),
    ('trailing dots and blanks', 1252, USUAL, 1, Q + b'%EXEPATH%setup.inf. .' + Q, KIT, b'inffile',
     TEMPLATE, [b'a.dll'], {}),
    ('device name', 1252, USUAL, 1 | 32, Q + b'%EXEPATH%nul.inf' + Q, KIT, b'inffile', TEMPLATE,
     [b'a.dll'], {}),
]


def main():
    for name, source, size, placeholder, replacement, dsize in REPLACE:
        write('replace_placeholder', name, bytes([0, 0]) + number(size) + number(dsize) +
              source + b'\0' + placeholder + b'\0' + replacement + b'\0')
    for name, code_page, path in SPLIT:
        write('split_path', name, bytes([CODE_PAGES[code_page], 15, ord('#')]) + path)
    for name, code_page, size, source in STRIP:
        write('strip_quotes', name, bytes([CODE_PAGES[code_page]]) + number(size) + b'#' + source)
    for name, code_page, line in SKIP:
        write('skip_program_name', name, bytes([CODE_PAGES[code_page]]) + line)
    for name, size, lines in POP:
        data = b'a' * size if lines is None else b''.join(l + b'\0' for l in lines) + b'\0'
        write('pop_list_entry', name, b'\x01' + number(size) + b'#' + data)
    for name, code_page, flags, answers, command, parameters, *folders in LAUNCH:
        write('launch_and_wait', name, bytes([CODE_PAGES[code_page], flags, 2]) +
              (b'' if flags & 64 else b'\x07') + b'\x01' + struct.pack('<Q', answers) +
              command + b'\0' + parameters + b'\0' +
              b''.join(text + b'\0' for text in (folders[0] if folders else [])))
    for name, flags, value_type, size, value_name, data in REGISTRY:
        write('query_registry_string', name, bytes([0, flags, value_type]) + number(size) + b'#' +
              number(len(data)) + b'\xee' + b'.inf\0' + value_name + b'\0' + data)
    for name, code_page, flags, flags2, argument, path, file_type, template, lines, more in INSTALL_CASES:
        types = more.get('types', (1, 2))
        masks = more.get('masks', (0, 1))
        fields = [argument, path, file_type, more.get('key', b''), template,
                  more.get('folder', b'C:\\windows\\system32'), more.get('failing', b'')] + lines
        write('run_install', name, bytes([CODE_PAGES[code_page], flags, flags2, types[0], types[1],
                                          masks[0], masks[1], 1]) +
              b''.join(field + b'\0' for field in fields))


if __name__ == '__main__':
    main()
