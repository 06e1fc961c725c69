#include "module_directory.h"

#include <windows.h>

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

    char* out = destination;
    for (const char* in = drive; *in != '\0'; ++in) {
        *out++ = *in;
    }
    for (const char* in = directory; *in != '\0'; ++in) {
        *out++ = *in;
    }
    *out = '\0';
    return 0;
}
