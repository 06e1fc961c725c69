#include "startup.h"

#include <windows.h>

#include "text/leadbyte.h"

namespace {

bool IsBlankOrControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x01 && byte <= 0x20;
}

// The platform's calls looked up by name: they may be missing on the older
// systems that the image still starts on.
using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryCall = BOOL(WINAPI*)(LPCSTR);

template <typename Call> Call FindKernelCall(HMODULE kernel32, const char* name) {
    // Through void (*)(), which converts to any function type without a
    // warning about the types of the found function.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): as above.
    return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(kernel32, name)));
}

} // namespace

void RestrictDllSearch() {
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    // From Windows 8, and back to Vista with an update: the system folder only.
    const auto setDefault =
        FindKernelCall<SetDefaultDllDirectoriesCall>(kernel32, "SetDefaultDllDirectories");
    if (setDefault != nullptr) {
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
        return;
    }
    // From XP SP1: at least the working folder leaves the search order.
    const auto setDllDirectory = FindKernelCall<SetDllDirectoryCall>(kernel32, "SetDllDirectoryA");
    if (setDllDirectory != nullptr) {
        setDllDirectory("");
    }
}

const char* SkipProgramName(const char* commandLine) {
    const char* p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            p += IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0' ? 2 : 1;
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p != '\0' && !IsBlankOrControl(*p)) {
            ++p;
        }
    }
    while (IsBlankOrControl(*p)) {
        ++p;
    }
    return p;
}
