// A stand-in for the program that the registry names for installing INF
// files: it writes its whole command line to the journal, stays for the
// number of milliseconds that QUENLOW_PROBE_MS gives (default 0), writes
// again, and ends. A test can then see what the launcher started and that it
// waited for the end before registering anything.
#include <windows.h>

#include "journal.h"

int wmain() {
    const wchar_t* commandLine = GetCommandLineW();
    AppendToJournal(L"install", commandLine);
    wchar_t stay[16] = {};
    if (GetEnvironmentVariableW(L"QUENLOW_PROBE_MS", stay, 16) > 0) {
        Sleep(static_cast<DWORD>(_wtoi(stay)));
    }
    AppendToJournal(L"install-end", commandLine);
    return 0;
}
