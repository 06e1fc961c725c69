// wait_helper MILLISECONDS EXIT-CODE [MARKER-FILE]
// Waits, writes "ended" to the marker file when one is named, and ends with
// the exit code; 259 makes it look like a program that still runs.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    Sleep(static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)));
    if (argc > 3) {
        std::FILE* marker = std::fopen(argv[3], "w");
        if (marker != nullptr) {
            std::fputs("ended\n", marker);
            std::fclose(marker);
        }
    }
    return static_cast<int>(std::strtoul(argv[2], nullptr, 10));
}
