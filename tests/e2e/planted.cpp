// A DLL planted beside the launcher under the name of a system DLL. Loading
// it appends "loaded" and its own full path to the journal, so a test can
// see from outside whether a process took it in place of the system's copy.
#include <windows.h>

#include "journal.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(instance, path, MAX_PATH);
        AppendToJournal(L"loaded", path);
    }
    return TRUE;
}
