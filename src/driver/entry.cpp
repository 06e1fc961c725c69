// The executable's entry point. There is no C runtime: nothing of ours runs
// before or after this function.
#include <windows.h>

#include "driver/install.h"
#include "driver/startup.h"
#include "text/system_code_page.h"

extern "C" void WINAPI QuenlowStart() {
    RestrictDllSearch();
    ClassifySystemLeadBytes();
    const int result = RunInstall(GetModuleHandleA(nullptr), SkipProgramName(GetCommandLineA()));
    ExitProcess(static_cast<UINT>(result));
}
