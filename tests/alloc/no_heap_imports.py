#!/usr/bin/python3
"""Fails when the executable imports from a C runtime or imports a heap
function: the launcher allocates nothing and runs without a C runtime.
A deny list, so that it holds whatever else the program comes to import.

    no_heap_imports.py Quenlow.exe
"""
import re
import sys

import pefile

RUNTIME_LIBRARIES = re.compile(
    r"^(msvcr.*|msvcp.*|ucrtbase.*|vcruntime.*|api-ms-win-crt-.*|crtdll|"
    r"libstdc\+\+.*|libgcc.*|libwinpthread.*)\.dll$", re.IGNORECASE)
# HeapAlloc, LocalAlloc, GlobalReAlloc, VirtualAlloc, CoTaskMemAlloc,
# SysAllocString, RtlAllocateHeap, GetProcessHeap and the like, the C
# allocator and operator new (mangled _Znw / _Zna).
HEAP_FUNCTIONS = re.compile(
    r"(Alloc|Heap|^(Local|Global|Virtual)\w*$|^(malloc|calloc|realloc|free|_?strdup)$|^_Zn[wa])")


def main():
    image = pefile.PE(sys.argv[1], fast_load=True)
    image.parse_data_directories(directories=[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"],
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT"]])
    faults = []
    imported = 0
    for entries in ("DIRECTORY_ENTRY_IMPORT", "DIRECTORY_ENTRY_DELAY_IMPORT"):
        for library in getattr(image, entries, []):
            name = library.dll.decode()
            if RUNTIME_LIBRARIES.match(name):
                faults.append(f"imports from the C runtime {name}")
            for function in library.imports:
                imported += 1
                if function.name is None:
                    faults.append(f"imports ordinal {function.ordinal} of {name}: cannot tell")
                elif HEAP_FUNCTIONS.search(function.name.decode()):
                    faults.append(f"imports {function.name.decode()} from {name}")
    if imported == 0:
        faults.append("no imports found: not the launcher?")
    for fault in faults:
        print(fault)
    print(f"{imported} imports checked, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
