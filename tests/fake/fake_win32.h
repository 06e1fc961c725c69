// A small in-memory Windows for the native tests: registry, file search,
// shell, processes, profile files and message boxes. Tests describe the
// world, run the code, and read back the calls it made, in order.
//
// The calls themselves never allocate (the log is fixed-size), so a test can
// count the heap allocations of the code under test.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace fake {

struct RegistryValue {
    std::string name; // "" is the key's default value
    DWORD type = REG_SZ;
    std::string data; // the stored bytes, terminator included for strings
};

struct RegistryKey {
    std::string path; // "HKCR\\.inf", "HKCU\\Software\\x"
    std::vector<RegistryValue> values;
    bool refusesFullAccess = false;
};

// One exit-code read of the started process.
struct ExitCodeRead {
    DWORD code = 0;
    bool fails = false;
};

// One process that CreateProcessA may be asked to start.
struct World {
    // Module and code page.
    std::string modulePath = "C:\\kit\\Quenlow.exe"; // empty: GetModuleFileNameA fails
    // The path as GetModuleFileNameW gives it; empty: modulePath in the
    // code page. The fake's double-byte code pages (932, 936, 949, 950,
    // 1361) are Microsoft's; any other holds U+0000 to U+00FF, byte for byte.
    std::u16string wideModulePath;
    bool wideCallsFail = false; // as on the oldest systems, where they exist but fail
    // GetShortPathNameW: long path -> short form; a path not listed has none.
    std::vector<std::pair<std::u16string, std::u16string>> shortPaths;
    UINT codePage = 1252;
    CPINFO codePageInfo = {1, {'?', 0}, {}};
    std::string systemDirectory = "C:\\windows\\system32"; // empty: the call fails
    std::string windowsDirectory = "C:\\windows";          // empty: the call fails
    // What GetProcAddress finds in kernel32.dll, by name.
    std::vector<std::string> kernel32Exports = {"SetDefaultDllDirectories", "SetDllDirectoryA"};
    // Environment variables, names compared ignoring ASCII case. None by
    // default: ExpandEnvironmentStringsA then copies every text unchanged.
    std::vector<std::pair<std::string, std::string>> environment;

    std::vector<RegistryKey> registry;
    // The disk, paths compared ignoring ASCII case. SearchPathA and the
    // shell look a name up by the platform's documented orders (see
    // fake_search.cpp), GetFileAttributesA where a path says.
    std::vector<std::string> findable; // files; a bare name lies in the system folder
    std::vector<std::string> folders;  // those of them that are folders
    // Files besides the findable ones and the INF files of profileSections.
    std::vector<std::string> files;
    std::string currentDirectory = "C:\\kit"; // what GetFullPathNameA starts from
    // The working folder as the wide calls see it; empty: currentDirectory
    // in the code page.
    std::u16string wideCurrentDirectory;
    // GetCommandLineW: the program's name and what was typed after it (see
    // TypeArgument); every process has one
    // (https://learn.microsoft.com/windows/win32/api/processenv/nf-processenv-getcommandlinew).
    // Empty, as the oldest systems give it.
    std::u16string commandLine = u"Quenlow.exe";

    // The shell: whether it carries requests out, whether it hands back a
    // process, and what the successive exit-code reads of that process give.
    // Past the end of the script the last read repeats (0 when empty).
    bool shellRefuses = false;
    bool shellStartsProcess = true;
    std::vector<ExitCodeRead> exitCodeReads;
    // The process counts as ended (its handle signalled) once this many
    // exit-code reads have been made; a negative value means never.
    int signalledAfterReads = 0;

    // Profile files: INF path -> the lines of its "RegisterFiles" section.
    struct Section {
        std::string file;
        std::string name;
        std::vector<std::string> lines;
    };
    std::vector<Section> profileSections;

    // CreateProcessA fails for command lines that contain one of these.
    std::vector<std::string> failingCommandLines;

    std::u16string strings[2] = {u"このセットアップは壊れています。",
                                 u"このセットアップは、このOSをサポートしていません。"};
};

// The world the functions of <windows.h> act on; Reset() makes a new one.
World& TheWorld();
void Reset();

// Every call made since the last Reset(), one line each, as
// "Name(argument, argument, ...)".
std::vector<std::string> Calls();
// The calls whose line starts with `prefix`.
std::vector<std::string> CallsTo(const std::string& prefix);
// Open registry keys and process or thread handles not yet closed.
int OpenHandles();
// Sets the wide command line to the program's name and `argument`, in the
// world's code page: what the user typed for that ANSI argument.
void TypeArgument(const std::string& argument);
// `text` in the world's code page, as MultiByteToWideChar converts it.
std::u16string Widened(const std::string& text);

// The file that the shell's own lookup found for the last request's file
// (the program it would start), or "" when it found none.
std::string ShellOpened();

} // namespace fake
