#include "module_directory.h"

#include <windows.h>

#include "leadbyte.h"
#include "path.h"

namespace {

// The path in the ANSI code page, into a MAX_PATH buffer. Returns the
// conversion's result, 0 when it failed; `lossy` tells whether a character
// the code page cannot hold was replaced. Best-fit look-alikes are refused:
// they would name another file as surely as '?' does.
int ConvertToAnsi(const WCHAR* widePath, char* path, BOOL* lossy) {
    *lossy = FALSE;
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, widePath, -1, path,
                               static_cast<int>(MAX_PATH), nullptr, lossy);
}

// The ANSI path of a folder that the code page cannot spell names no folder
// at all, and one that the buffer cut names the wrong one. Holds the ANSI
// path against the wide one and, when it is lossy or `cut`, puts the short
// form in its place, made of characters every code page holds. False when
// no spelling of the path is found. Where the wide calls or the conversion
// fail, as on the oldest systems, an ANSI path that was not cut stands.
bool SpellModulePath(char* modulePath, bool cut) {
    WCHAR widePath[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, widePath, MAX_PATH) == 0) {
        return !cut;
    }
    widePath[MAX_PATH - 1] = 0;
    char spelled[MAX_PATH] = {};
    BOOL lossy = FALSE;
    const bool converted = ConvertToAnsi(widePath, spelled, &lossy) != 0;
    if (!cut && (!converted || lossy == FALSE)) {
        return true;
    }
    WCHAR shortPath[MAX_PATH] = {};
    const DWORD shortLength = GetShortPathNameW(widePath, shortPath, MAX_PATH);
    if (shortLength == 0 || shortLength >= MAX_PATH ||
        ConvertToAnsi(shortPath, spelled, &lossy) == 0 || lossy != FALSE) {
        return false;
    }
    modulePath[0] = '\0';
    AppendText(modulePath, spelled);
    return true;
}

} // namespace

int GetModuleDirectory(char* destination) {
    char modulePath[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
    if (length == 0) {
        return -1;
    }
    // A path cut to the buffer is reported with the buffer's size; older
    // systems leave it unterminated.
    modulePath[MAX_PATH - 1] = '\0';
    if (!SpellModulePath(modulePath, length >= MAX_PATH)) {
        return kModuleDirectoryUnspellable;
    }

    char drive[MAX_PATH];
    char directory[MAX_PATH];
    SplitPath(modulePath, drive, directory, nullptr, nullptr);

    destination[0] = '\0';
    AppendText(destination, drive);
    AppendText(destination, directory);
    return 0;
}
