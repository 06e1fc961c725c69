// The folder of the running executable.
#pragma once

// The status of a folder whose name the ANSI code page cannot hold, or its
// 260-byte buffer cannot, with no short form that it can.
constexpr int kModuleDirectoryUnspellable = -2;

// Writes the drive and directory of the running executable, ending in its
// separator, into `destination` (at least 258 bytes), spelled in the ANSI
// code page: the path as the platform gives it where the code page holds
// every character of it and its 260-byte buffer all its bytes, else its
// short form. Returns 0, -1 with nothing written when the platform gives no
// path, or kModuleDirectoryUnspellable with nothing written when the path
// has no spelling in the code page that fits.
int GetModuleDirectory(char* destination);
