#include "system/launcher.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_win32.h"

namespace {

using Calls = std::vector<std::string>;
const char* const kNone = nullptr;

std::string Quoted(const char* text) {
    return text == nullptr ? "null" : "\"" + std::string(text) + "\"";
}

// The shell request as the fake records it.
std::string Request(unsigned fMask, const char* hwnd, const char* file, const char* parameters,
                    int show) {
    char head[64];
    std::snprintf(head, sizeof head, "ShellExecuteExA(cbSize=%u, fMask=0x%x, hwnd=",
                  static_cast<unsigned>(sizeof(SHELLEXECUTEINFOA)), fMask);
    return head + std::string(hwnd) + ", verb=\"open\", file=" + Quoted(file) +
           ", parameters=" + Quoted(parameters) + ", directory=null, show=" + std::to_string(show) +
           ", hInstApp=null, idList=null, class=null, hkeyClass=null, hotKey=0, hIcon=null, "
           "hProcess=null)";
}

const std::string kQuery = "GetExitCodeProcess(process#0)";
const std::string kQueryNull = "GetExitCodeProcess(null)";
const std::string kStillRunning = "WaitForSingleObject(process#0, 0)";
const std::string kPause = "Sleep(1000)";
const std::string kClose = "CloseHandle(process#0)";

// The install sequence's call: the registry's template with an unexpanded
// %SystemRoot%, found by its bare name in the system folder and started by
// its full path, then polled until it has ended.
TEST(LaunchAndWait, InstallCommand) {
    fake::Reset();
    fake::World& world = fake::TheWorld();
    world.findable = {"rundll32.exe"};
    world.exitCodeReads = {{259}, {259}, {0}};
    world.signalledAfterReads = 3;
    const int result =
        LaunchAndWait("%SystemRoot%\\System32\\rundll32.exe "
                      "setupapi,InstallHinfSection DefaultInstall 132 C:\\kit\\a.inf",
                      nullptr, SW_SHOWNORMAL, nullptr, 1, 1);
    EXPECT_NE(result, 0);
    const Calls expected = {
        "GetSystemDirectoryA(260)",
        "GetWindowsDirectoryA(260)",
        "GetEnvironmentVariableA(\"PATH\", 33257)",
        "SearchPathA(\"C:\\windows\\system32;C:\\windows\", \"rundll32.exe\", null, 260, buffer, "
        "null)",
        "GetFileAttributesA(\"C:\\windows\\system32\\rundll32.exe\")",
        Request(0x440, "null", "C:\\windows\\system32\\rundll32.exe",
                "setupapi,InstallHinfSection DefaultInstall 132 C:\\kit\\a.inf", 1),
        kQuery,
        kStillRunning,
        kPause,
        kQuery,
        kStillRunning,
        kPause,
        kQuery,
        kPause,
        kClose,
    };
    EXPECT_EQ(fake::Calls(), expected);
    EXPECT_EQ(fake::OpenHandles(), 0);
}

// What reaches the shell, for each combination of the flags.
TEST(LaunchAndWait, Request) {
    const auto owner = reinterpret_cast<HWND>(0x123);
    struct Row {
        const char* name;
        const char* command;
        const char* parameters;
        int show;
        HWND owner;
        int processHandleFlag, splitFlag;
        std::string request;
        std::size_t searches;
    } rows[] = {
        {"split flag zero: both unchanged, no search", "C:\\Program Files\\a.exe", "/q \"x y\"", 1,
         nullptr, 1, 0, Request(0x440, "null", "C:\\Program Files\\a.exe", "/q \"x y\"", 1), 0},
        {"split flag zero, no parameters", "C:\\Program Files\\a.exe", kNone, 1, nullptr, 1, 0,
         Request(0x440, "null", "C:\\Program Files\\a.exe", kNone, 1), 0},
        {"split flag set: the parameters argument is not used", "C:\\Program Files\\a.exe /q",
         "ignored", 1, nullptr, 1, 1, Request(0x440, "null", "C:\\Program Files\\a.exe", "/q", 1),
         2},
        {"split flag set, no blank: no parameters", "C:\\kit\\a.inf", "ignored", 1, nullptr, 1, 1,
         Request(0x440, "null", "C:\\kit\\a.inf", kNone, 1), 1},
        {"nothing found: no request", "nothing here", "ignored", 1, nullptr, 1, 1, "", 2},
        {"process-handle flag zero", "C:\\kit\\a.inf", kNone, 1, nullptr, 0, 0,
         Request(0x400, "null", "C:\\kit\\a.inf", kNone, 1), 0},
        {"show state and owner copied", "a.inf", kNone, 0, owner, 1, 0,
         Request(0x440, "0x123", "a.inf", kNone, 0), 0},
        {"any nonzero flag counts", "C:\\Program Files\\a.exe /q", kNone, 3, nullptr, -5, 7,
         Request(0x440, "null", "C:\\Program Files\\a.exe", "/q", 3), 2},
    };
    for (const Row& row : rows) {
        fake::Reset();
        fake::TheWorld().findable = {"C:\\Program Files\\a.exe", "C:\\kit\\a.inf"};
        EXPECT_EQ(LaunchAndWait(row.command, row.parameters, row.show, row.owner,
                                row.processHandleFlag, row.splitFlag) != 0,
                  !row.request.empty())
            << "row (" << row.name << ")";
        EXPECT_EQ(fake::CallsTo("ShellExecuteExA"),
                  row.request.empty() ? Calls{} : Calls{row.request})
            << "row (" << row.name << ")";
        EXPECT_EQ(fake::CallsTo("SearchPathA").size(), row.searches) << "row (" << row.name << ")";
    }
}

// The wait: query, pause, then act on what the query read; at least one
// pause, and an end also for a program whose own exit code is 259.
TEST(LaunchAndWait, Wait) {
    const fake::ExitCodeRead fails = {0, true};
    struct Row {
        const char* name;
        std::vector<fake::ExitCodeRead> reads;
        int signalledAfterReads;
        bool shellRefuses, shellStartsProcess;
        int processHandleFlag;
        Calls calls; // after the shell call
    } rows[] = {
        {"ended before the first query", {{0}}, 0, false, true, 1, {kQuery, kPause, kClose}},
        {"runs for three queries",
         {{259}, {259}, {259}, {0}},
         4,
         false,
         true,
         1,
         {kQuery, kStillRunning, kPause, kQuery, kStillRunning, kPause, kQuery, kStillRunning,
          kPause, kQuery, kPause, kClose}},
        {"failed program: any code but 259 ends the wait",
         {{259}, {1}},
         -1,
         false,
         true,
         1,
         {kQuery, kStillRunning, kPause, kQuery, kPause, kClose}},
        {"program's own exit code 259",
         {{259}},
         2,
         false,
         true,
         1,
         {kQuery, kStillRunning, kPause, kQuery, kStillRunning, kPause, kClose}},
        {"query fails after a 259",
         {{259}, fails},
         -1,
         false,
         true,
         1,
         {kQuery, kStillRunning, kPause, kQuery, kPause, kClose}},
        {"first query fails", {fails}, -1, false, true, 1, {kQuery, kPause, kClose}},
        {"shell started no process", {{259}}, -1, false, false, 1, {kQueryNull, kPause}},
        {"process-handle flag zero", {{259}}, -1, false, true, 0, {kQueryNull, kPause}},
        {"shell refuses: no pause, nothing to close", {{259}}, -1, true, true, 1, {}},
    };
    for (const Row& row : rows) {
        fake::Reset();
        fake::World& world = fake::TheWorld();
        world.exitCodeReads = row.reads;
        world.signalledAfterReads = row.signalledAfterReads;
        world.shellRefuses = row.shellRefuses;
        world.shellStartsProcess = row.shellStartsProcess;
        world.files = {"C:\\kit\\a.inf"};
        const int result = LaunchAndWait("a.inf", nullptr, 1, nullptr, row.processHandleFlag, 0);
        EXPECT_EQ(result != 0, !row.shellRefuses) << "row (" << row.name << ")";
        Calls calls = fake::Calls();
        ASSERT_FALSE(calls.empty()) << "row (" << row.name << ")";
        EXPECT_EQ(calls.front().rfind("ShellExecuteExA(", 0), 0u) << "row (" << row.name << ")";
        calls.erase(calls.begin());
        EXPECT_EQ(calls, row.calls) << "row (" << row.name << ")";
        EXPECT_EQ(fake::OpenHandles(), 0) << "row (" << row.name << ")";
    }
}

} // namespace
