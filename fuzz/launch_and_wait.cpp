// LaunchAndWait against its model, on a platform of the harness's own: the
// existence test answers found or not found for each name tested in turn as
// the input says, and the shell, the exit-code queries and the pauses are
// recorded. Checked: the names tested and the folders they were looked for
// in, in order; the whole shell request, or none; one pause per query and
// the process handle closed once.
//
// Input: code page, flags, queries that find the program still running,
// exit code, show state, 8 bytes of existence answers (bit n: the n-th name
// tested), then the command and the parameters; with kOwnFolders, the
// system folder, the Windows folder and PATH follow.
#include <windows.h>

#include <cstring>
#include <vector>

#include "harness.h"
#include "model/system_model.h"
#include "system/launcher.h"
#include "text/leadbyte.h"

namespace {

enum Flag : std::uint8_t {
    kSplit = 1,
    kProcessHandle = 2,
    kShellRefuses = 4,
    kShellStartsProcess = 8,
    kNoParameters = 16,
    kOwnerWindow = 32,
    kEndsWith259 = 64,
    kOwnFolders = 128,
};

const HANDLE kProcess = reinterpret_cast<HANDLE>(0x5150);
const HWND kWindow = reinterpret_cast<HWND>(0x7070);

// The platform as this input describes it, and what was asked of it.
struct Platform {
    std::uint64_t foundAnswers = 0;
    bool shellRefuses = false;
    bool shellStartsProcess = false;
    std::uint32_t runningQueries = 0;
    DWORD exitCode = 0;
    std::string system = "C:\\windows\\system32", windows = "C:\\windows", path;
    bool hasPath = false;

    std::vector<std::string> searched;
    int shellCalls = 0;
    SHELLEXECUTEINFOA request = {};
    std::string file, parameters;
    std::uint32_t queries = 0;
    int pauses = 0;
    int closes = 0;
};
Platform platform;

bool Ended() {
    return platform.queries > platform.runningQueries;
}

// What a Get... call writes: the text when it fits with its NUL, else the
// size it needs.
DWORD CopyOut(const std::string& text, char* buffer, DWORD size) {
    if (text.size() + 1 > size) {
        return static_cast<DWORD>(text.size() + 1);
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

// The path the search writes back for a name it finds: the name itself
// where it says, or the name in a folder of the list.
std::string Written(const std::string* folders, const std::string& name) {
    return folders == nullptr ? name : "F:\\found\\" + name;
}

bool Answer(const std::string& name, std::size_t n) {
    return !name.empty() && n < 64 && (platform.foundAnswers >> n & 1) != 0;
}

} // namespace

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
    return platform.system.empty() ? 0 : CopyOut(platform.system, buffer, size);
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    return platform.windows.empty() ? 0 : CopyOut(platform.windows, buffer, size);
}

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    harness::ExpectSame(name, "PATH", "only PATH is read");
    return platform.hasPath ? CopyOut(platform.path, buffer, size) : 0;
}

DWORD SearchPathA(LPCSTR path, LPCSTR fileName, LPCSTR extension, DWORD bufferLength, LPSTR buffer,
                  LPSTR* filePart) {
    harness::Expect(extension == nullptr && bufferLength == MAX_PATH && buffer != nullptr &&
                        filePart == nullptr,
                    "SearchPathA: no extension, the path written back");
    const std::string name = fileName;
    const std::string folders = path != nullptr ? path : "";
    const std::size_t n = platform.searched.size();
    platform.searched.push_back((path != nullptr ? "\"" + folders + "\"" : "null") + ", \"" + name +
                                "\"");
    if (!Answer(name, n)) {
        return 0;
    }
    return CopyOut(Written(path != nullptr ? &folders : nullptr, name), buffer, bufferLength);
}

// Every name found is a file: the models know no folders.
DWORD GetFileAttributesA(LPCSTR) {
    return FILE_ATTRIBUTE_NORMAL;
}

BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info) {
    ++platform.shellCalls;
    platform.request = *info;
    platform.file = info->lpFile;
    platform.parameters = info->lpParameters != nullptr ? info->lpParameters : "";
    if (platform.shellRefuses) {
        return FALSE;
    }
    info->hInstApp = reinterpret_cast<HINSTANCE>(42);
    if (platform.shellStartsProcess && (info->fMask & SEE_MASK_NOCLOSEPROCESS) != 0) {
        info->hProcess = kProcess;
    }
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
    if (process != kProcess) {
        return FALSE;
    }
    harness::Expect(platform.closes == 0, "no query after the handle is closed");
    ++platform.queries;
    *exitCode = Ended() ? platform.exitCode : STILL_ACTIVE;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    harness::Expect(handle == kProcess && milliseconds == 0, "only the process is looked at");
    return Ended() ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

void Sleep(DWORD milliseconds) {
    harness::ExpectSame(static_cast<int>(milliseconds), 1000, "pause");
    ++platform.pauses;
    harness::Expect(platform.pauses < 1000, "a wait that does not end");
}

BOOL CloseHandle(HANDLE object) {
    harness::Expect(object == kProcess, "only the process handle is closed");
    ++platform.closes;
    return TRUE;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    harness::Input input(data, size);
    const std::uint32_t codePage = harness::PickCodePage(input.Byte());
    const std::uint8_t flags = input.Byte();
    platform = Platform();
    platform.runningQueries = input.Byte() % 8;
    platform.exitCode = (flags & kEndsWith259) != 0 ? STILL_ACTIVE : input.Byte();
    const int show = input.Byte();
    for (int i = 0; i < 8; ++i) {
        platform.foundAnswers |= static_cast<std::uint64_t>(input.Byte()) << (8 * i);
    }
    platform.shellRefuses = (flags & kShellRefuses) != 0;
    platform.shellStartsProcess = (flags & kShellStartsProcess) != 0;
    const std::string command = input.Text();
    const std::string parameters = input.Text();
    if ((flags & kOwnFolders) != 0) {
        platform.system = input.Text();
        platform.windows = input.Text();
        platform.hasPath = input.Remaining();
        platform.path = input.Text();
    }
    const bool split = (flags & kSplit) != 0;
    const bool processHandle = (flags & kProcessHandle) != 0;
    const bool hasParameters = (flags & kNoParameters) == 0;
    const HWND window = (flags & kOwnerWindow) != 0 ? kWindow : nullptr;

    ClassifyLeadBytes(codePage);
    harness::ExactBuffer commandBuffer(harness::Terminated(command));
    harness::ExactBuffer parametersBuffer(harness::Terminated(parameters));
    const int result =
        LaunchAndWait(commandBuffer.Data(), hasParameters ? parametersBuffer.Data() : nullptr, show,
                      window, processHandle ? 1 : 0, split ? 1 : 0);

    const std::string searchPath = model::SearchPath(codePage, platform.system, platform.windows,
                                                     platform.hasPath ? &platform.path : nullptr);
    const model::ShellFile expected = model::ChooseShellFile(
        codePage, command, hasParameters ? &parameters : nullptr, split, std::string::npos,
        searchPath, [](const std::string* folders, const std::string& name, std::size_t n) {
            return Answer(name, n) ? Written(folders, name) : std::string();
        });
    harness::Expect(platform.searched == expected.searched, "names tested",
                    std::to_string(platform.searched.size()),
                    std::to_string(expected.searched.size()));
    if (!expected.launched) {
        harness::ExpectSame(result, 0, "nothing found: result");
        harness::Expect(platform.shellCalls == 0 && platform.pauses == 0,
                        "nothing found: no shell");
        return 0;
    }
    harness::ExpectSame(platform.shellCalls, 1, "one shell call");
    const SHELLEXECUTEINFOA& request = platform.request;
    harness::ExpectSame(platform.file, expected.file, "file");
    harness::ExpectSame(request.lpParameters != nullptr, expected.hasParameters,
                        "parameters or none");
    harness::ExpectSame(platform.parameters, expected.parameters, "parameters");
    harness::ExpectSame(static_cast<int>(request.cbSize), static_cast<int>(sizeof request),
                        "cbSize");
    harness::ExpectSame(static_cast<int>(request.fMask), processHandle ? 0x440 : 0x400, "fMask");
    harness::Expect(request.hwnd == window && request.nShow == show, "owner window and show");
    harness::ExpectSame(request.lpVerb != nullptr ? request.lpVerb : "", "open", "verb");
    harness::Expect(request.lpDirectory == nullptr && request.hInstApp == nullptr &&
                        request.lpIDList == nullptr && request.lpClass == nullptr &&
                        request.hkeyClass == nullptr && request.dwHotKey == 0 &&
                        request.hIcon == nullptr && request.hProcess == nullptr,
                    "the other fields are zero");

    if (platform.shellRefuses) {
        harness::ExpectSame(result, 0, "refused: result");
        harness::Expect(platform.pauses == 0 && platform.closes == 0, "refused: no wait");
        return 0;
    }
    harness::ExpectSame(result, 1, "the shell's result");
    if (processHandle && platform.shellStartsProcess) {
        harness::ExpectSame(platform.pauses, static_cast<int>(platform.runningQueries) + 1,
                            "one pause per query until the end");
        harness::ExpectSame(platform.closes, 1, "handle closed");
    } else {
        harness::ExpectSame(platform.pauses, 1, "no process: one pause");
        harness::ExpectSame(platform.closes, 0, "no process: nothing closed");
    }
    return 0;
}
