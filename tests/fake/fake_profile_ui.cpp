// Profile files and the message box of the fake world.
#include "fake_internal.h"

#include <cstdio>
#include <cstring>
#include <string_view>

using fake::world;

namespace {

// The file that a profile call reads for `fileName`, into `path`
// (kPathUnits). "If this parameter does not contain a full path to the
// file, the system searches for the file in the Windows directory."
// (https://learn.microsoft.com/windows/win32/api/winbase/nf-winbase-getprivateprofilesectiona)
// What that makes of a name with a folder part, or a drive and no root, the
// page does not say; Wine's PROFILE_Open (dlls/kernel32/profile.c) puts in
// the Windows folder only a name with neither, and takes any other where
// GetFullPathName says, as the fake does.
void ProfilePath(const char* fileName, char* path) {
    const bool bare =
        std::strpbrk(fileName, "\\/") == nullptr && (fileName[0] == '\0' || fileName[1] != ':');
    char inWindows[fake::kPathUnits];
    std::snprintf(inWindows, sizeof inWindows, "%s\\%s", world.windowsDirectory.c_str(), fileName);
    if (fake::FullPath(bare ? inWindows : fileName, path, fake::kPathUnits) == 0) {
        path[0] = '\0';
    }
}

} // namespace

DWORD GetPrivateProfileSectionA(LPCSTR section, LPSTR returnedString, DWORD size, LPCSTR fileName) {
    char quoted[2][1100];
    fake::Record("GetPrivateProfileSectionA(%s, %u, %s)", fake::Quoted(section, quoted[0], 1100),
                 size, fake::Quoted(fileName, quoted[1], 1100));
    if (size < 2) {
        return 0;
    }
    // Like the platform: NUL-ended lines, trimmed, comment lines (';' first)
    // left out (the page is silent; Wine's dlls/kernel32/profile.c), an
    // empty line last; a list that does not fit with that last NUL cut to
    // size - 2 bytes and two NULs.
    DWORD written = 0;
    char path[fake::kPathUnits];
    ProfilePath(fileName, path);
    for (const auto& stored : world.profileSections) {
        if (!fake::SameText(stored.file, path) || !fake::SameText(stored.name, section)) {
            continue;
        }
        for (const std::string& whole : stored.lines) {
            const std::size_t first = whole.find_first_not_of(" \t");
            if (first == std::string::npos || whole[first] == ';') {
                continue;
            }
            const std::string_view line(&whole[first], whole.find_last_not_of(" \t") + 1 - first);
            for (std::size_t i = 0; i <= line.size(); ++i) {
                if (written >= size - 1) {
                    returnedString[size - 2] = '\0';
                    returnedString[size - 1] = '\0';
                    return size - 2;
                }
                returnedString[written++] = i < line.size() ? line[i] : '\0';
            }
        }
    }
    returnedString[written] = '\0';
    if (written == 0) {
        returnedString[1] = '\0';
    }
    return written == 0 ? 0 : written;
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax) {
    fake::Record("LoadStringW(%p, %u, %d)", static_cast<void*>(instance), id, bufferMax);
    if (id != 101 && id != 102) {
        buffer[0] = u'\0';
        return 0;
    }
    const std::u16string& text = world.strings[id - 101];
    int length = static_cast<int>(text.size());
    if (length > bufferMax - 1) {
        length = bufferMax - 1;
    }
    std::memcpy(buffer, text.data(), static_cast<std::size_t>(length) * sizeof(WCHAR));
    buffer[length] = u'\0';
    return length;
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    const char* shown = "unknown text";
    for (int i = 0; i < 2; ++i) {
        if (world.strings[i] == text) {
            shown = i == 0 ? "#101" : "#102";
        }
    }
    fake::Record("MessageBoxW(%p, %s, %s, 0x%x)", static_cast<void*>(owner), shown,
                 caption == nullptr ? "null" : "caption", type);
    return 1; // IDOK
}
