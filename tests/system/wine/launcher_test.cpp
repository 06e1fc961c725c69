// LaunchAndWait against Wine's file search, shell and processes. Each call
// runs on a worker thread with a generous limit, so that a wait that never
// ends fails its test instead of blocking the run. Timings are only checked
// from below: the machines that run this are noisy.
#include "system/launcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr DWORD kLimitMilliseconds = 60000;

struct Launch {
    std::string command;
    int result = -1;
    long long milliseconds = 0;
};

// The worker thread holds a reference of its own, so that a record left by
// a test whose call did not return in time stays valid.
DWORD WINAPI RunLaunch(void* parameter) {
    const auto* held = static_cast<std::shared_ptr<Launch>*>(parameter);
    Launch& launch = **held;
    const auto start = std::chrono::steady_clock::now();
    launch.result = LaunchAndWait(launch.command.c_str(), nullptr, SW_SHOWNORMAL, nullptr, 1, 1);
    launch.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - start)
                              .count();
    delete held;
    return 0;
}

// Runs the install sequence's call on `command` on a worker thread; false
// when it has not returned within the limit.
bool LaunchWithinLimit(std::shared_ptr<Launch>& launch, const std::string& command) {
    launch = std::make_shared<Launch>();
    launch->command = command;
    auto* held = new std::shared_ptr<Launch>(launch);
    HANDLE thread = CreateThread(nullptr, 0, RunLaunch, held, 0, nullptr);
    if (thread == nullptr) {
        delete held;
        return false;
    }
    const DWORD waited = WaitForSingleObject(thread, kLimitMilliseconds);
    CloseHandle(thread);
    return waited == WAIT_OBJECT_0;
}

#define LAUNCH(launch, command)                                                                    \
    ASSERT_TRUE(LaunchWithinLimit(launch, command)) << "no return within the limit: " << (command)

std::string Folder(const char* path) {
    const std::string text = path;
    return text.substr(0, text.find_last_of('\\') + 1);
}

std::string TestFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return Folder(path);
}

// A marker file path of its own for each test; none exists yet.
std::string MarkerPath(const char* name) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "quenlow-" +
                             std::to_string(GetCurrentProcessId()) + "-" + name + ".txt";
    DeleteFileA(path.c_str());
    return path;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(LaunchAndWaitOnWine, ProgramFoundByTheSearch) {
    const std::string marker = MarkerPath("cmd");
    std::shared_ptr<Launch> launch;
    LAUNCH(launch, "cmd.exe /c echo ran>" + marker + " & exit 3");
    EXPECT_NE(launch->result, 0);
    EXPECT_TRUE(Exists(marker)) << "the program had not run when the wait ended";
    EXPECT_GE(launch->milliseconds, 990) << "no full pause";
    DeleteFileA(marker.c_str());
}

TEST(LaunchAndWaitOnWine, ProgramThatRunsForSecondsIsWaitedFor) {
    const std::string marker = MarkerPath("seconds");
    std::shared_ptr<Launch> launch;
    LAUNCH(launch, TestFolder() + "wait_helper.exe 3000 0 " + marker);
    EXPECT_NE(launch->result, 0);
    EXPECT_TRUE(Exists(marker)) << "returned before the program ended";
    EXPECT_GE(launch->milliseconds, 3000);
    DeleteFileA(marker.c_str());
}

// The exit code 259 reads like a program that still runs.
TEST(LaunchAndWaitOnWine, ProgramThatEndsWith259) {
    const std::string marker = MarkerPath("259");
    std::shared_ptr<Launch> launch;
    LAUNCH(launch, TestFolder() + "wait_helper.exe 100 259 " + marker);
    EXPECT_NE(launch->result, 0);
    EXPECT_TRUE(Exists(marker));
    DeleteFileA(marker.c_str());
}

// An unexpanded %SystemRoot% does not resolve as a folder; the bare name
// is found in the system folder.
TEST(LaunchAndWaitOnWine, SystemRootTemplateFoundByItsBareName) {
    const std::string marker = MarkerPath("systemroot");
    std::shared_ptr<Launch> launch;
    LAUNCH(launch, "%SystemRoot%\\System32\\cmd.exe /c echo ran>" + marker);
    EXPECT_NE(launch->result, 0);
    EXPECT_TRUE(Exists(marker));
    DeleteFileA(marker.c_str());
}

// The shorter prefixes of a path with a blank are tried first and are not
// found; the whole path is.
TEST(LaunchAndWaitOnWine, ProgramPathWithABlank) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder =
        std::string(temp) + "quenlow " + std::to_string(GetCurrentProcessId()) + "\\";
    const std::string program = folder + "wait helper.exe";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CopyFileA((TestFolder() + "wait_helper.exe").c_str(), program.c_str(), FALSE));
    const std::string marker = MarkerPath("blank");
    std::shared_ptr<Launch> launch;
    LAUNCH(launch, program + " 100 0 " + marker);
    EXPECT_NE(launch->result, 0);
    EXPECT_TRUE(Exists(marker));
    DeleteFileA(marker.c_str());
    DeleteFileA(program.c_str());
    RemoveDirectoryA(folder.c_str());
}

// Nothing found: 0, without the shell or the pause.
TEST(LaunchAndWaitOnWine, NothingFound) {
    const std::string command = "Z:\\quenlow-missing\\nothing.exe /q";
    std::shared_ptr<Launch> launch;
    LAUNCH(launch, command); // the first file search may load a lot
    EXPECT_EQ(launch->result, 0);
    LAUNCH(launch, command);
    EXPECT_EQ(launch->result, 0);
    EXPECT_LT(launch->milliseconds, 1000) << "paused after a refusal";
}

} // namespace
