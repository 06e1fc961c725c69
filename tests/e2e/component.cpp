// A sample component for the end-to-end tests and the demo. Registering it
// leaves a trace that can be read back from outside Wine: one line appended
// to the shared journal C:\quenlow-journal.txt, holding the next sequence
// number, what happened, the DLL's own full path and the current folder of
// the process that loaded it. Copies of this one DLL under several names
// therefore show the order in which they were registered.
#include <windows.h>

#include "journal.h"

namespace {

HMODULE self = nullptr;

HRESULT Record(const wchar_t* what) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(self, path, MAX_PATH);
    return AppendToJournal(what, path) ? S_OK : E_FAIL;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
    }
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
    return Record(L"register");
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return Record(L"unregister");
}
