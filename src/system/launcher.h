// Running one command through the desktop shell and waiting for its end.
#pragma once

#include <windows.h>

#include "program_search.h"

// Opens `command` with the shell's verb "open" and blocks until the started
// program has ended, polling it once a second.
//
// With `splitFlag` zero the command is the file and `parameters` (or none)
// its parameters; otherwise FindProgram finds the program, which goes to
// the shell by its full path, and tells it from its parameters;
// `parameters` is then not used, and the program's name lies within the
// first `programEnd` bytes of the command. `show` and `ownerWindow` go to the shell
// as they are; a nonzero `processHandleFlag` asks for the started process,
// whose end the wait follows. The shell's own error window is suppressed.
//
// Returns 0 at once when the shell refused the request, or when the
// program search found no program and the shell was not asked; otherwise,
// after the wait, the nonzero value the shell returned. The program's own
// exit code is not reported.
int LaunchAndWait(const char* command, const char* parameters, int show, HWND ownerWindow,
                  int processHandleFlag, int splitFlag, std::uint32_t programEnd = kWholeCommand);
