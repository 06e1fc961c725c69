// The folder of the running executable, and the spelling of a path in the
// ANSI code page.
#pragma once

#include <windows.h>

#include <cstdint>

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

// Holds `path`, the ANSI form of `widePath` in a buffer of `size` bytes (at
// most 520), against `widePath`, converted without look-alikes. Where the
// code page cannot spell every character of it, or `cut` says the buffer
// cut it, puts the short form of `widePath` in its place, made of
// characters every code page holds; false, with `path` unchanged, when
// there is no such form that fits. Where the conversion fails, as it may on
// the oldest systems, a `path` that was not cut stands.
bool SpellPath(const WCHAR* widePath, char* path, std::uint32_t size, bool cut);

// `wideText` in the ANSI code page, into `text` of `size` bytes (0:
// measured only), as WideCharToMultiByte returns it; `lossy` tells whether
// a character had no exact form there. Look-alikes are never taken.
int ConvertToCodePage(const WCHAR* wideText, char* text, int size, BOOL* lossy);
