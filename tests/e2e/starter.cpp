// Starts one program the way a shortcut does: an exact command line and a
// working folder, then waits for it, within a time limit. Wine's own start-up
// would quote and escape the arguments that the launcher is given, so the
// tests and the demo start it through this program instead.
//
//   starter.exe [--timeout MS] [--watch-windows] FOLDER COMMAND-LINE
//
// It writes UTF-8 lines to its output as things happen:
//   window <caption>         a visible top-level window of the program
//   control <class> <text>   each control of that window
//   exit <code>              the program's exit code, unsigned, decimal
//   elapsed <ms>             from the start to the end of the program
//   left <name>              a program that started meanwhile and still runs
//   timeout                  the program was ended after MS ms (exit code 3)
//   end                      the report is complete
// "timeout", "end" and "not-started" are final: nothing follows them, and the
// harness stops reading there, whoever else still holds the output open.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>

namespace {

void Print(const wchar_t* format, ...) {
    wchar_t text[2048];
    va_list arguments;
    va_start(arguments, format);
    _vsnwprintf(text, 2047, format, arguments);
    va_end(arguments);
    text[2047] = L'\0';
    char bytes[8192];
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    if (length > 1) {
        fwrite(bytes, 1, static_cast<size_t>(length - 1), stdout);
        fflush(stdout);
    }
}

// The windows already reported, so that each is reported once.
struct WindowSet {
    HWND windows[16];
    int count;
    DWORD pid;
};

bool Contains(const WindowSet& set, HWND window) {
    for (int i = 0; i < set.count; ++i) {
        if (set.windows[i] == window) {
            return true;
        }
    }
    return false;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
    wchar_t kind[64] = {};
    GetClassNameW(control, kind, 64);
    wchar_t text[512] = {};
    GetWindowTextW(control, text, 512);
    Print(L"control %ls %ls\n", kind, text);
    return TRUE;
}

BOOL CALLBACK ReportIfNew(HWND window, LPARAM context) {
    auto& seen = *reinterpret_cast<WindowSet*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != seen.pid || !IsWindowVisible(window) || Contains(seen, window) || seen.count == 16) {
        return TRUE;
    }
    seen.windows[seen.count++] = window;
    wchar_t caption[512] = {};
    GetWindowTextW(window, caption, 512);
    Print(L"window %ls\n", caption);
    EnumChildWindows(window, PrintControl, 0);
    return TRUE;
}

// The processes of one snapshot, copied out of it. A snapshot handle keeps a
// single position for Process32First/Process32Next, so walking it again to
// find a parent, from inside a walk of it, would send the outer walk back to
// the entry after that parent: round and round for ever whenever a new
// process's parent is listed before it.
struct Process {
    DWORD id;
    DWORD parent;
    wchar_t name[MAX_PATH];
};

struct ProcessList {
    Process entries[512];
    int count;
};

void TakeSnapshot(ProcessList& list) {
    list.count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && list.count < 512;
         more = Process32NextW(snapshot, &entry)) {
        Process& process = list.entries[list.count++];
        process.id = entry.th32ProcessID;
        process.parent = entry.th32ParentProcessID;
        lstrcpynW(process.name, entry.szExeFile, MAX_PATH);
    }
    CloseHandle(snapshot);
}

const Process* Find(const ProcessList& list, DWORD id) {
    for (int i = 0; i < list.count; ++i) {
        if (list.entries[i].id == id) {
            return &list.entries[i];
        }
    }
    return nullptr;
}

// Wine's own processes, which start on demand: its desktop, its console
// host and whatever its service manager starts.
bool IsWineProcess(const ProcessList& list, const Process& process) {
    if (_wcsicmp(process.name, L"explorer.exe") == 0 ||
        _wcsicmp(process.name, L"conhost.exe") == 0 ||
        _wcsicmp(process.name, L"services.exe") == 0) {
        return true;
    }
    const Process* parent = Find(list, process.parent);
    return parent != nullptr && _wcsicmp(parent->name, L"services.exe") == 0;
}

// The programs that started while the program ran and still run: the ones
// it left behind, whoever their parent was.
void ReportLeftovers(const ProcessList& before, DWORD program) {
    static ProcessList now;
    TakeSnapshot(now);
    for (int i = 0; i < now.count; ++i) {
        const Process& process = now.entries[i];
        if (process.id != program && Find(before, process.id) == nullptr &&
            !IsWineProcess(now, process)) {
            Print(L"left %ls\n", process.name);
        }
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    DWORD timeout = 60000;
    bool watch = false;
    int next = 1;
    for (; next < argc && wcsncmp(argv[next], L"--", 2) == 0; ++next) {
        if (wcscmp(argv[next], L"--timeout") == 0 && next + 1 < argc) {
            timeout = static_cast<DWORD>(_wtoi(argv[++next]));
        } else if (wcscmp(argv[next], L"--watch-windows") == 0) {
            watch = true;
        }
    }
    if (argc - next != 2) {
        Print(L"usage: starter.exe [--timeout MS] [--watch-windows] FOLDER COMMAND-LINE\n");
        return 2;
    }
    static wchar_t commandLine[32768];
    lstrcpynW(commandLine, argv[next + 1], 32768);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    static ProcessList before;
    TakeSnapshot(before);
    const DWORD started = GetTickCount();
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, argv[next],
                        &startup, &process)) {
        Print(L"not-started %lu\n", GetLastError());
        return 2;
    }
    CloseHandle(process.hThread);

    WindowSet seen = {};
    seen.pid = process.dwProcessId;
    DWORD waited = WAIT_TIMEOUT;
    while (waited == WAIT_TIMEOUT && GetTickCount() - started < timeout) {
        waited = WaitForSingleObject(process.hProcess, watch ? 100 : 500);
        if (watch && waited == WAIT_TIMEOUT) {
            EnumWindows(ReportIfNew, reinterpret_cast<LPARAM>(&seen));
        }
    }
    if (waited == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 3);
        Print(L"timeout\n");
        return 3;
    }
    const DWORD elapsed = GetTickCount() - started;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    Print(L"exit %lu\nelapsed %lu\n", code, elapsed);
    ReportLeftovers(before, process.dwProcessId);
    CloseHandle(process.hProcess);
    Print(L"end\n");
    return 0;
}
