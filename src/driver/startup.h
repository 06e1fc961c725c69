// The process start-up's reading of its command line.
#pragma once

// The argument in a command line: what follows the program's own name and
// the bytes 0x01-0x20 after it. A quoted name runs to its closing quote
// (a quote byte that trails a lead byte does not close it); an unquoted one
// to the first byte from 0x01 to 0x20.
const char* SkipProgramName(const char* commandLine);

// Restricts where the process looks for the DLLs it loads from now on (the
// message box's theme library, the shell's extensions) to the system
// folder. Called first thing: a kit's folder, or a download folder or share
// it is started from, may hold a DLL that others planted there.
void RestrictDllSearch();
