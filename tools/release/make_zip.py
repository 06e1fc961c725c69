#!/usr/bin/python3
"""Packs one folder into a zip whose bytes depend only on the names and the
contents of its files: entries in the byte order of their names, folders
included, every entry dated to one given moment, fixed Unix permissions,
no extra fields and no comment.

The entries are stored, not deflated: the files are small, and deflated
bytes would hang on the zlib build of the machine that packs them.

Usage: make_zip.py ROOT TOP EPOCH OUTPUT
  ROOT    the folder that holds TOP
  TOP     the zip's one top folder
  EPOCH   the entries' time in seconds since 1970 (UTC); a zip can hold
          nothing before 1980, so an earlier time becomes 1980-01-01
"""

import os
import sys
import time
import zipfile

EARLIEST = 315532800  # 1980-01-01 00:00:00 UTC
UNIX = 3  # the system the permissions below belong to
DIRECTORY = (0o40755 << 16) | 0x10  # drwxr-xr-x, and the MS-DOS folder bit
FILE = 0o100644 << 16  # -rw-r--r--


def names(root, top):
    """Every folder (ending in "/") and file under ROOT/TOP, relative to ROOT."""
    found = []
    for folder, _, files in os.walk(os.path.join(root, top)):
        relative = os.path.relpath(folder, root).replace(os.sep, "/")
        found.append(relative + "/")
        found += [relative + "/" + name for name in files]
    return sorted(found)


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    root, top, epoch, output = sys.argv[1:]
    moment = time.gmtime(max(int(epoch), EARLIEST))[:6]
    with zipfile.ZipFile(output, "w", zipfile.ZIP_STORED) as archive:
        for name in names(root, top):
            entry = zipfile.ZipInfo(name, moment)
            entry.create_system = UNIX
            data = b""
            if name.endswith("/"):
                entry.external_attr = DIRECTORY
            else:
                entry.external_attr = FILE
                with open(os.path.join(root, name), "rb") as source:
                    data = source.read()
            archive.writestr(entry, data)


if __name__ == "__main__":
    main()
