// The functions of <windows.h>, served from fake::TheWorld().
#include "fake_internal.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace fake {

World world;
int openHandles = 0;
int exitCodeReadsMade = 0;
int pausesMade = 0;
unsigned processesStarted = 0;

namespace {
constexpr int kMaxCalls = 256;
constexpr int kCallBytes = 4400;
char calls[kMaxCalls][kCallBytes];
int callCount = 0;
} // namespace

void Record(const char* format, ...) {
    if (callCount >= kMaxCalls) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(calls[callCount++], kCallBytes, format, arguments);
    va_end(arguments);
}

// A text as a call argument: null, or the text in quotes.
const char* Quoted(const char* text, char* buffer, std::size_t size) {
    if (text == nullptr) {
        return "null";
    }
    std::snprintf(buffer, size, "\"%s\"", text);
    return buffer;
}

// A wide text as a call argument: null, or the text in UTF-8 in quotes.
const char* QuotedWide(const WCHAR* text, char* buffer, std::size_t size) {
    if (text == nullptr) {
        return "null";
    }
    std::size_t used = 0;
    buffer[used++] = '"';
    for (; *text != u'\0' && used + 5 < size; ++text) {
        const unsigned unit = *text;
        if (unit < 0x80) {
            buffer[used++] = static_cast<char>(unit);
        } else if (unit < 0x800) {
            buffer[used++] = static_cast<char>(0xC0 | (unit >> 6));
            buffer[used++] = static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            buffer[used++] = static_cast<char>(0xE0 | (unit >> 12));
            buffer[used++] = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            buffer[used++] = static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
    buffer[used++] = '"';
    buffer[used] = '\0';
    return buffer;
}

const char* RootName(HKEY key) {
    if (key == HKEY_CLASSES_ROOT) {
        return "HKCR";
    }
    if (key == HKEY_CURRENT_USER) {
        return "HKCU";
    }
    return key == HKEY_LOCAL_MACHINE ? "HKLM" : key == kMachineClasses ? "Classes" : "?";
}

HANDLE ProcessHandle(unsigned number) {
    return reinterpret_cast<HANDLE>(0x1000 + 0x10 * number);
}
HANDLE ThreadHandle(unsigned number) {
    return reinterpret_cast<HANDLE>(0x1008 + 0x10 * number);
}

World& TheWorld() {
    return world;
}

void Reset() {
    world = World();
    callCount = 0;
    openHandles = 0;
    exitCodeReadsMade = 0;
    pausesMade = 0;
    processesStarted = 0;
    shellOpened[0] = '\0';
}

std::vector<std::string> Calls() {
    return std::vector<std::string>(calls, calls + callCount);
}

std::vector<std::string> CallsTo(const std::string& prefix) {
    std::vector<std::string> matching;
    for (int i = 0; i < callCount; ++i) {
        if (std::strncmp(calls[i], prefix.c_str(), prefix.size()) == 0) {
            matching.emplace_back(calls[i]);
        }
    }
    return matching;
}

int OpenHandles() {
    return openHandles;
}

std::string ShellOpened() {
    return shellOpened;
}

} // namespace fake

using fake::world;

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    fake::Record("GetModuleFileNameA(%p, %u)", static_cast<void*>(module), size);
    if (world.modulePath.empty() || size == 0) {
        return 0;
    }
    // Like the platform: a path cut to the buffer, terminated, length size.
    const std::size_t length = world.modulePath.size();
    if (length >= size) {
        std::memcpy(fileName, world.modulePath.data(), size - 1);
        fileName[size - 1] = '\0';
        return size;
    }
    std::memcpy(fileName, world.modulePath.c_str(), length + 1);
    return static_cast<DWORD>(length);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
    fake::Record("GetModuleFileNameW(%p, %u)", static_cast<void*>(module), size);
    char16_t converted[fake::kPathUnits];
    const std::u16string& given = world.wideModulePath;
    const std::size_t length =
        given.empty() ? fake::Widen(world.modulePath.c_str(), converted, fake::kPathUnits)
                      : given.size();
    const char16_t* wide = given.empty() ? converted : given.c_str();
    if (world.wideCallsFail || length == 0 || size == 0) {
        return 0;
    }
    // Cut to the buffer like the ANSI form.
    const std::size_t copied = length < size ? length : size - 1;
    for (std::size_t i = 0; i < copied; ++i) {
        fileName[i] = wide[i];
    }
    fileName[copied] = u'\0';
    return static_cast<DWORD>(length < size ? length : size);
}

DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size) {
    char quoted[1100];
    fake::Record("GetShortPathNameW(%s, %u)", fake::QuotedWide(longPath, quoted, sizeof quoted),
                 size);
    if (world.wideCallsFail) {
        return 0;
    }
    for (const auto& [longForm, shortForm] : world.shortPaths) {
        if (longForm != longPath) {
            continue;
        }
        // Like the platform: the size needed, terminator included, when
        // the buffer is too small.
        if (shortForm.size() + 1 > size) {
            return static_cast<DWORD>(shortForm.size() + 1);
        }
        std::memcpy(shortPath, shortForm.c_str(), (shortForm.size() + 1) * sizeof(WCHAR));
        return static_cast<DWORD>(shortForm.size());
    }
    return 0;
}

LPWSTR GetCommandLineW() {
    fake::Record("GetCommandLineW()");
    return world.commandLine.data();
}

UINT GetACP() {
    return world.codePage;
}

BOOL GetCPInfo(UINT, LPCPINFO info) {
    *info = world.codePageInfo;
    return TRUE;
}

bool fake::SameText(const std::string& a, const char* b) {
    return strcasecmp(a.c_str(), b) == 0;
}

namespace {

// The handle of kernel32.dll, and the two calls the start-up looks up in it.
HMODULE const kKernel32 = reinterpret_cast<HMODULE>(0x7000);

BOOL WINAPI FakeSetDefaultDllDirectories(DWORD flags) {
    fake::Record("SetDefaultDllDirectories(0x%x)", flags);
    return TRUE;
}

BOOL WINAPI FakeSetDllDirectoryA(LPCSTR path) {
    char quoted[1100];
    fake::Record("SetDllDirectoryA(%s)", fake::Quoted(path, quoted, sizeof quoted));
    return TRUE;
}

// Through void (*)(), which converts to any function type.
template <typename Function> FARPROC AsFarProc(Function function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

} // namespace

const std::string* fake::FindVariable(const char* name, std::size_t length) {
    for (const auto& [variable, value] : world.environment) {
        if (variable.size() == length && strncasecmp(variable.c_str(), name, length) == 0) {
            return &value;
        }
    }
    return nullptr;
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    char quoted[1100];
    fake::Record("GetModuleHandleA(%s)", fake::Quoted(moduleName, quoted, sizeof quoted));
    return moduleName != nullptr && strcasecmp(moduleName, "kernel32.dll") == 0 ? kKernel32
                                                                                : nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    fake::Record("GetProcAddress(%s, \"%s\")", module == kKernel32 ? "kernel32" : "?", procName);
    for (const std::string& name : world.kernel32Exports) {
        if (module != kKernel32 || name != procName) {
            continue;
        }
        if (name == "SetDefaultDllDirectories") {
            return AsFarProc(&FakeSetDefaultDllDirectories);
        }
        if (name == "SetDllDirectoryA") {
            return AsFarProc(&FakeSetDllDirectoryA);
        }
    }
    return nullptr;
}

// Like the platform: "%name%" of a variable becomes its value, of no
// variable stays as written, and scanning goes on after its closing '%'; a
// '%' without a closing one stays. Returns the characters the result
// takes with its terminator. The ANSI form needs one byte more than that
// (https://learn.microsoft.com/windows/win32/api/processenv/nf-processenv-expandenvironmentstringsa:
// "the string length, plus terminating null character, plus one"); what it
// does with less the page does not say. Wine 8 (dlls/kernelbase/process.c)
// fills the buffer without a terminator, and so does the fake.
DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size) {
    char quoted[1100];
    fake::Record("ExpandEnvironmentStringsA(%s, %u)", fake::Quoted(source, quoted, sizeof quoted),
                 size);
    DWORD needed = 0;
    DWORD characters = 0;
    const auto put = [&](const char* text, std::size_t length) {
        for (std::size_t i = 0; i < length; ++i, ++needed) {
            characters += fake::StartsCharacter(text, i) ? 1 : 0;
            if (needed < size) {
                destination[needed] = text[i];
            }
        }
    };
    const char* p = source;
    while (*p != '\0') {
        const char* close = *p == '%' ? std::strchr(p + 1, '%') : nullptr;
        if (*p != '%' || close == nullptr) {
            const char* next = std::strchr(p + 1, '%');
            const std::size_t length =
                *p == '%' || next == nullptr ? std::strlen(p) : static_cast<std::size_t>(next - p);
            put(p, length);
            p += length;
            continue;
        }
        const std::string* value =
            fake::FindVariable(p + 1, static_cast<std::size_t>(close - p - 1));
        if (value != nullptr) {
            put(value->data(), value->size());
        } else {
            put(p, static_cast<std::size_t>(close - p + 1));
        }
        p = close + 1;
    }
    put("", 1);        // past the buffer's end, not written: the buffer stays unterminated
    return characters; // "the required buffer size, in characters"
}
