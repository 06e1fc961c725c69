// LaunchAndWait against its model, on a platform of the harness's own: the
// existence test answers found or not found for each name tested in turn as
// the input says, and the shell, the exit-code queries and the pauses are
// recorded. Checked: the names tested, in order; the whole shell request;
// one pause per query and the process handle closed once.
//
// Input: code page, flags, queries that find the program still running,
// exit code, show state, 8 bytes of existence answers (bit n: the n-th name
// tested), then the command and the parameters.
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

} // namespace

DWORD SearchPathA(LPCSTR path, LPCSTR fileName, LPCSTR extension, DWORD bufferLength, LPSTR buffer,
                  LPSTR* filePart) {
    harness::Expect(path == nullptr && extension == nullptr && bufferLength == MAX_PATH &&
                        buffer != nullptr && filePart == nullptr,
                    "SearchPathA: standard search, the path written back");
    const std::string name = fileName;
    const std::size_t n = platform.searched.size();
    platform.searched.push_back(name);
    const bool found = !name.empty() && n < 64 && (platform.foundAnswers >> n & 1) != 0;
    if (!found) {
        return 0;
    }
    if (name.size() >= bufferLength) {
        return static_cast<DWORD>(name.size() + 1);
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return static_cast<DWORD>(name.size());
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

    const std::uint64_t answers = platform.foundAnswers;
    const model::ShellFile expected =
        model::ChooseShellFile(codePage, command, hasParameters ? &parameters : nullptr, split,
                               [answers](const std::string& name, std::size_t n) {
                                   return !name.empty() && n < 64 && (answers >> n & 1) != 0;
                               });
    harness::Expect(platform.searched == expected.searched, "names tested",
                    std::to_string(platform.searched.size()),
                    std::to_string(expected.searched.size()));
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
