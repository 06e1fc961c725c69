// The install sequence: the launcher's whole job, from its argument to its
// exit code.
#pragma once

#include <windows.h>

// Message ids of the string table.
constexpr UINT kMessageSetupBroken = 101;
constexpr UINT kMessageOsNotSupported = 102;

// Installs the INF file that `argument` names (the command-line tail after
// the program's name, "%EXEPATH%" standing for the program's folder) with
// the system's "Install" command for INF files, then registers the
// components its "RegisterFiles" section lists. Returns 0, or -1 / -2 after
// a message box.
int RunInstall(HINSTANCE instance, const char* argument);
