#include "startup.h"

#include <windows.h>

#include "text/leadbyte.h"
#include "text/module_directory.h"

namespace {

// The command line's units: bytes of the ANSI code page, or UTF-16 units.
unsigned Unit(char c) {
    return static_cast<unsigned char>(c);
}
unsigned Unit(WCHAR c) {
    return c;
}

template <typename Char> bool IsBlankOrControl(Char c) {
    return Unit(c) >= 0x01 && Unit(c) <= 0x20;
}

// How many units a quoted name's scan steps over: a lead byte carries the
// byte after it, so that a trail byte is never taken for the closing quote.
std::uint32_t CharacterUnits(const char* p) {
    return IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0' ? 2 : 1;
}
std::uint32_t CharacterUnits(const WCHAR* /*p*/) {
    return 1;
}

// One rule for both forms of the command line, so that the two tails
// start at the same character.
template <typename Char> const Char* SkipName(const Char* commandLine) {
    const Char* p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p != 0 && *p != '"') {
            p += CharacterUnits(p);
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p != 0 && !IsBlankOrControl(*p)) {
            ++p;
        }
    }
    while (IsBlankOrControl(*p)) {
        ++p;
    }
    return p;
}

// The wide tail in the ANSI code page, terminator included: room for the
// argument (at most 130 bytes) twice over.
constexpr int kTypedBytes = 260;

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
    return SkipName(commandLine);
}

bool IsArgumentAsTyped(const char* argument) {
    const WCHAR* commandLine = GetCommandLineW();
    if (commandLine == nullptr || *commandLine == 0) {
        return true; // no wide command line, as on the oldest systems
    }
    const WCHAR* tail = SkipName(commandLine);
    char typed[kTypedBytes] = {};
    BOOL lossy = FALSE;
    if (ConvertToCodePage(tail, typed, kTypedBytes, &lossy) == 0) {
        // Too long to be the argument, or a text the code page has no form
        // of; or a conversion the system does not make with these flags
        // (the oldest systems may not): then the ANSI argument is what
        // there is.
        return lossy == FALSE && ConvertToCodePage(tail, nullptr, 0, &lossy) == 0;
    }
    std::uint32_t i = 0;
    while (typed[i] != '\0' && typed[i] == argument[i]) {
        ++i;
    }
    return lossy == FALSE && typed[i] == argument[i];
}
