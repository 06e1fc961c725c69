#include "module_directory.h"

#include <windows.h>

#include "leadbyte.h"
#include "path.h"

namespace {

// The longest path spelled here: the INF path's buffer.
constexpr std::uint32_t kMaxSpelledBytes = 520;

// The path in the ANSI code page, into a buffer of `size` bytes. Returns
// the conversion's result, 0 when it failed; `lossy` tells whether a
// character the code page cannot hold was replaced. Best-fit look-alikes
// are refused: they would name another file as surely as '?' does.
int ConvertToAnsi(const WCHAR* widePath, char* path, std::uint32_t size, BOOL* lossy) {
    *lossy = FALSE;
    return ConvertToCodePage(widePath, path, static_cast<int>(size), lossy);
}

} // namespace

bool SpellPath(const WCHAR* widePath, char* path, std::uint32_t size, bool cut) {
    char spelled[kMaxSpelledBytes] = {};
    BOOL lossy = FALSE;
    const bool converted = ConvertToAnsi(widePath, spelled, size, &lossy) != 0;
    if (!cut && (!converted || lossy == FALSE)) {
        return true;
    }
    WCHAR shortPath[kMaxSpelledBytes] = {};
    const DWORD shortLength = GetShortPathNameW(widePath, shortPath, size);
    if (shortLength == 0 || shortLength >= size ||
        ConvertToAnsi(shortPath, spelled, size, &lossy) == 0 || lossy != FALSE) {
        return false;
    }
    path[0] = '\0';
    AppendText(path, spelled);
    return true;
}

namespace {

// The ANSI path of a folder that the code page cannot spell names no folder
// at all, and one that the buffer cut names the wrong one: the module path
// is held against the wide one. Where the wide call fails, as on the oldest
// systems, an ANSI path that was not cut stands.
bool SpellModulePath(char* modulePath, bool cut) {
    WCHAR widePath[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, widePath, MAX_PATH) == 0) {
        return !cut;
    }
    widePath[MAX_PATH - 1] = 0;
    return SpellPath(widePath, modulePath, MAX_PATH, cut);
}

// Whether SplitPath gives every byte of `path` back, no part of it cut
// to kMaxPathPart: a directory it cut has lost its last separator.
bool SplitsWhole(const char* path) {
    char drive[MAX_PATH];
    char directory[MAX_PATH];
    char fileName[MAX_PATH];
    char extension[MAX_PATH];
    SplitPath(path, drive, directory, fileName, extension);
    return TextLength(drive) + TextLength(directory) + TextLength(fileName) +
               TextLength(extension) ==
           TextLength(path);
}

} // namespace

int ConvertToCodePage(const WCHAR* wideText, char* text, int size, BOOL* lossy) {
    if (GetACP() != CP_UTF8) {
        return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wideText, -1, text, size, nullptr,
                                   lossy);
    }
    // UTF-8 takes no best fit and no default character: the flags must be
    // 0 or WC_ERR_INVALID_CHARS and both default pointers null, or the call
    // fails
    // (https://learn.microsoft.com/windows/win32/api/stringapiset/nf-stringapiset-widechartomultibyte).
    // With WC_ERR_INVALID_CHARS a text that has no UTF-8 form (a lone surrogate) fails too,
    // measured or not: that is a lossy one.
    const int converted = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wideText, -1, text,
                                              size, nullptr, nullptr);
    const bool invalid =
        converted == 0 && WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wideText, -1, nullptr,
                                              0, nullptr, nullptr) == 0;
    *lossy = invalid ? TRUE : FALSE;
    return converted;
}

int GetModuleDirectory(char* destination) {
    char modulePath[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
    if (length == 0) {
        return -1;
    }
    // A path cut to the buffer is reported with the buffer's size; older
    // systems leave it unterminated. A folder longer than SplitPath's parts
    // would be cut as well: both take the short form, or are refused.
    modulePath[MAX_PATH - 1] = '\0';
    if (!SpellModulePath(modulePath, length >= MAX_PATH || !SplitsWhole(modulePath)) ||
        !SplitsWhole(modulePath)) {
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
