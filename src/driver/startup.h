// The process start-up's reading of its command line.
#pragma once

// The argument in a command line: what follows the program's own name and
// the bytes 0x01-0x20 after it. A quoted name runs to its closing quote
// (a quote byte that trails a lead byte does not close it); an unquoted one
// to the first byte from 0x01 to 0x20.
const char* SkipProgramName(const char* commandLine);

// Whether `argument`, the tail of the ANSI command line, is what was typed:
// the tail of the wide command line, skipped by the same rule, converted
// exactly. The system makes the ANSI line with the code page's best fit, so
// a character the code page lacks becomes a look-alike (under code page 932
// the yen sign a backslash, full-width letters and quotes ASCII ones) or
// '?', and a path may then name another, existing file. True where the
// system gives no wide command line or cannot convert it exactly.
bool IsArgumentAsTyped(const char* argument);

// Restricts where the process looks for the DLLs it loads from now on (the
// message box's theme library, the shell's extensions) to the system
// folder. Called first thing: a kit's folder, or a download folder or share
// it is started from, may hold a DLL that others planted there.
void RestrictDllSearch();
