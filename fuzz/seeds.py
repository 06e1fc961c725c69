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
        write('pop_list_entry', name, number(size) + b'#' + data)


if __name__ == '__main__':
    main()
