// The folder of the running executable.
#pragma once

// Writes the drive and directory of the running executable, ending in its
// separator, into `destination` (at least 258 bytes). Returns 0, or -1 with
// nothing written when the platform gives no path.
int GetModuleDirectory(char* destination);
