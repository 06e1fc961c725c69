#include "module_directory.h"

#include <windows.h>

#include "leadbyte.h"
#include "path.h"

int GetModuleDirectory(char* destination) {
    char modulePath[MAX_PATH] = {};
    if (GetModuleFileNameA(nullptr, modulePath, MAX_PATH) == 0) {
        return -1;
    }
    // Older systems leave a path cut to the buffer unterminated.
    modulePath[MAX_PATH - 1] = '\0';

    char drive[MAX_PATH];
    char directory[MAX_PATH];
    SplitPath(modulePath, drive, directory, nullptr, nullptr);

    destination[0] = '\0';
    AppendText(destination, drive);
    AppendText(destination, directory);
    return 0;
}
