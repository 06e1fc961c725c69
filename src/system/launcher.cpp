#include "launcher.h"

#include "program_search.h"

namespace {

constexpr DWORD kPollInterval = 1000; // milliseconds between exit-code queries

// One query of the started process. The exit code cannot tell a program
// that still runs from one that ended with 259 (STILL_ACTIVE), so a 259 is
// checked against the handle's state; a query that fails means there is no
// process to follow (none was started, or its handle no longer answers).
bool HasEnded(HANDLE process, DWORD* exitCode) {
    if (GetExitCodeProcess(process, exitCode) == FALSE) {
        return true;
    }
    if (*exitCode != STILL_ACTIVE) {
        return true;
    }
    // A handle that cannot be waited on cannot be followed either: ending
    // the wait is better than waiting for ever.
    return WaitForSingleObject(process, 0) != WAIT_TIMEOUT;
}

// Polls once a second. The pause comes after each query and before its
// result is acted on, so the wait always pauses at least once and returns
// one interval after the query that found the program ended.
void WaitForExit(HANDLE process) {
    DWORD exitCode = 0;
    bool ended = false;
    do {
        ended = HasEnded(process, &exitCode);
        Sleep(kPollInterval);
    } while (!ended);
}

} // namespace

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "the 32-bit shell request is 60 bytes");
#endif

int LaunchAndWait(const char* command, const char* parameters, int show, HWND ownerWindow,
                  int processHandleFlag, int splitFlag, std::uint32_t programEnd) {
    // The texts the request points to need to live only until the shell
    // call returns.
    char program[kProgramPathSize];
    char parameterText[kParameterTextSize];
    const char* file = command;
    const char* fileParameters = parameters;
    if (splitFlag != 0) {
        // Without a program there is no request: the command as it stands
        // would leave the shell to look a name up by its own order, which
        // on Windows starts in the working folder.
        if (!FindProgram(command, programEnd, program, parameterText, &fileParameters)) {
            return 0;
        }
        file = program;
    }

    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    request.fMask = processHandleFlag != 0 ? SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI
                                           : SEE_MASK_FLAG_NO_UI;
    request.hwnd = ownerWindow;
    request.lpVerb = "open";
    request.lpFile = file;
    request.lpParameters = fileParameters;
    request.lpDirectory = nullptr; // the program starts in our current directory
    request.nShow = show;
    request.hInstApp = nullptr;
    request.lpIDList = nullptr;
    request.lpClass = nullptr;
    request.hkeyClass = nullptr;
    request.dwHotKey = 0;
    request.hIcon = nullptr;
    request.hProcess = nullptr;

    const BOOL shellResult = ShellExecuteExA(&request);
    if (shellResult == FALSE) {
        return 0;
    }
    WaitForExit(request.hProcess);
    if (request.hProcess != nullptr) {
        CloseHandle(request.hProcess);
    }
    return shellResult;
}
