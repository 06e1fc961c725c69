// The shell and processes of the fake world. The shell's
// process is number 0; CreateProcessA starts numbers 1, 2, ...
#include "fake_internal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using fake::world;

namespace {

// "process#N", "thread#N", "null" or the raw value.
const char* HandleName(HANDLE handle, char* buffer, std::size_t size) {
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value == 0) {
        return "null";
    }
    if (value >= 0x1000 && value % 8 == 0) {
        std::snprintf(buffer, size, "%s#%u", value % 0x10 == 0 ? "process" : "thread",
                      static_cast<unsigned>((value - 0x1000) / 0x10));
    } else {
        std::snprintf(buffer, size, "%p", handle);
    }
    return buffer;
}

bool ShellProcessEnded() {
    return world.signalledAfterReads >= 0 && fake::exitCodeReadsMade >= world.signalledAfterReads;
}

// What the shell opens for `file`: one with a folder part where it says, a
// bare name by the shell's own order, which on Windows starts in the
// working folder; nothing when that finds none. Whether it found one.
bool OpenAsTheShell(const char* file) {
    bool found = false;
    if (std::strpbrk(file, "\\/:") == nullptr) {
        found = fake::FoundInOrder(false, file, fake::shellOpened);
    } else {
        std::snprintf(fake::shellOpened, fake::kFoundBytes, "%s", file);
        found = fake::Attributes(file) != INVALID_FILE_ATTRIBUTES;
    }
    if (!found) {
        fake::shellOpened[0] = '\0';
    }
    return found;
}

} // namespace

char fake::shellOpened[fake::kFoundBytes];

BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info) {
    char texts[5][2200];
    char handles[5][32];
    fake::Record(
        "ShellExecuteExA(cbSize=%u, fMask=0x%x, hwnd=%s, verb=%s, file=%s, parameters=%s, "
        "directory=%s, show=%d, hInstApp=%s, idList=%s, class=%s, hkeyClass=%s, "
        "hotKey=%u, hIcon=%s, hProcess=%s)",
        info->cbSize, info->fMask, HandleName(info->hwnd, handles[0], 32),
        fake::Quoted(info->lpVerb, texts[0], 2200), fake::Quoted(info->lpFile, texts[1], 2200),
        fake::Quoted(info->lpParameters, texts[2], 2200),
        fake::Quoted(info->lpDirectory, texts[3], 2200), info->nShow,
        HandleName(info->hInstApp, handles[1], 32), HandleName(info->lpIDList, handles[2], 32),
        fake::Quoted(info->lpClass, texts[4], 2200), HandleName(info->hkeyClass, handles[3], 32),
        info->dwHotKey, HandleName(info->hIcon, handles[4], 32),
        info->hProcess == nullptr ? "null" : "set!");
    // https://learn.microsoft.com/windows/win32/api/shellapi/nf-shellapi-shellexecuteexa:
    // on failure FALSE, and hInstApp an SE_ERR_ value; for a file that is
    // not there, SE_ERR_FNF (2).
    if (info->lpFile == nullptr || !OpenAsTheShell(info->lpFile)) {
        info->hInstApp = reinterpret_cast<HINSTANCE>(2);
        return FALSE;
    }
    if (world.shellRefuses) {
        return FALSE;
    }
    info->hInstApp = reinterpret_cast<HINSTANCE>(42);
    if (world.shellStartsProcess && (info->fMask & SEE_MASK_NOCLOSEPROCESS) != 0) {
        info->hProcess = fake::ProcessHandle(0);
        ++fake::openHandles;
    }
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
    char name[32];
    fake::Record("GetExitCodeProcess(%s)", HandleName(process, name, sizeof name));
    if (process != fake::ProcessHandle(0)) {
        return FALSE;
    }
    const auto& script = world.exitCodeReads;
    const std::size_t made = static_cast<std::size_t>(fake::exitCodeReadsMade++);
    const fake::ExitCodeRead read = script.empty()         ? fake::ExitCodeRead{}
                                    : made < script.size() ? script[made]
                                                           : script.back();
    if (read.fails) {
        return FALSE;
    }
    *exitCode = read.code;
    return TRUE;
}

void Sleep(DWORD milliseconds) {
    fake::Record("Sleep(%u)", milliseconds);
    // A wait that would go on for ever stops the test program instead of
    // hanging it: 100000 pauses are more than a day of the real cadence.
    if (++fake::pausesMade >= 100000) {
        std::fprintf(stderr, "fake: 100000 pauses since Reset(): a wait that never ends\n");
        std::abort();
    }
}

BOOL CloseHandle(HANDLE object) {
    char name[32];
    fake::Record("CloseHandle(%s)", HandleName(object, name, sizeof name));
    if (object == nullptr) {
        return FALSE;
    }
    --fake::openHandles;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    char name[32];
    fake::Record("WaitForSingleObject(%s, %u)", HandleName(handle, name, sizeof name),
                 milliseconds);
    if (handle == fake::ProcessHandle(0) && !ShellProcessEnded()) {
        return WAIT_TIMEOUT;
    }
    return WAIT_OBJECT_0;
}

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes, LPSECURITY_ATTRIBUTES threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, STARTUPINFOA* startupInfo,
                    PROCESS_INFORMATION* processInformation) {
    char quoted[3][1100];
    fake::Record("CreateProcessA(%s, %s, %s, %s, %d, 0x%x, %s, %s, cb=%u)",
                 fake::Quoted(applicationName, quoted[0], 1100),
                 fake::Quoted(commandLine, quoted[1], 1100),
                 processAttributes == nullptr ? "null" : "attributes",
                 threadAttributes == nullptr ? "null" : "attributes", inheritHandles, creationFlags,
                 environment == nullptr ? "null" : "environment",
                 fake::Quoted(currentDirectory, quoted[2], 1100), startupInfo->cb);
    for (const std::string& failing : world.failingCommandLines) {
        if (std::strstr(commandLine, failing.c_str()) != nullptr) {
            return FALSE;
        }
    }
    const unsigned number = ++fake::processesStarted;
    processInformation->hProcess = fake::ProcessHandle(number);
    processInformation->hThread = fake::ThreadHandle(number);
    processInformation->dwProcessId = 100 + number;
    processInformation->dwThreadId = 200 + number;
    fake::openHandles += 2;
    return TRUE;
}
