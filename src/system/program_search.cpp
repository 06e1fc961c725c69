#include "program_search.h"

#include <windows.h>

#include "text/leadbyte.h"
#include "text/path.h"

namespace {

// Whether the platform's standard search finds exactly this name as a
// file: no extension is added. A folder of that name is no program: the
// folder of a 32-bit program, "C:\Program Files (x86)\...", holds one
// before its first blank, and the shell would open that folder in a window
// for the launcher to wait on. A find whose path does not fit the buffer
// counts as found, as the search says.
bool IsFound(const char* name) {
    char path[MAX_PATH];
    const DWORD length = SearchPathA(nullptr, name, nullptr, MAX_PATH, path, nullptr);
    if (length == 0) {
        return false;
    }
    if (length >= MAX_PATH) {
        return true;
    }
    const DWORD attributes = GetFileAttributesA(path);
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The candidate's file name part followed by its extension part. The two
// are disjoint pieces of the candidate, so they fit its size.
void MakeFallbackName(const char* candidate, char* fallbackName) {
    char extension[MAX_PATH];
    SplitPath(candidate, nullptr, nullptr, fallbackName, extension);
    AppendText(fallbackName, extension);
}

// Copies the text after `blank`, cut at 2047 bytes. Blanks that follow the
// current one stay at its front.
void CopyParameterText(const char* blank, char* parameterText) {
    const char* in = blank + 1;
    std::uint32_t length = 0;
    while (length < kParameterTextSize - 1 && in[length] != '\0') {
        parameterText[length] = in[length];
        ++length;
    }
    parameterText[length] = '\0';
}

} // namespace

void FindProgram(const char* command, char* candidate, char* fallbackName, char* parameterText,
                 const char** file, const char** parameters) {
    // Without a program found, the whole command goes to the shell as the
    // file, as a command without any blank does.
    *file = command;
    *parameters = nullptr;

    for (const char* blank = FindBlank(command); blank != nullptr; blank = FindBlank(blank + 1)) {
        const auto length = static_cast<std::uint32_t>(blank - command);
        if (length > kMaxCandidate) {
            return;
        }
        for (std::uint32_t i = 0; i < length; ++i) {
            candidate[i] = command[i];
        }
        candidate[length] = '\0';
        CopyParameterText(blank, parameterText);

        if (IsFound(candidate)) {
            *file = candidate;
            *parameters = parameterText;
            return;
        }
        // A directory part that does not resolve, such as an unexpanded
        // %SystemRoot% from a registry command template, still leaves the
        // bare name to be found in the standard search order.
        MakeFallbackName(candidate, fallbackName);
        if (IsFound(fallbackName)) {
            *file = fallbackName;
            *parameters = parameterText;
            return;
        }
    }
}
