#include "program_search.h"

#include <windows.h>

#include "text/leadbyte.h"
#include "text/path.h"

namespace {

// The folders a bare name is looked for in, ';'-separated as SearchPathA
// takes them: the system folder and the Windows folder (MAX_PATH bytes
// each with its separator), then PATH, whose value holds at most 32,767
// characters and a NUL.
constexpr std::uint32_t kPathValueSize = 32768;
constexpr std::uint32_t kSearchPathSize = 2 * MAX_PATH + kPathValueSize;

// Keeps, in order, those of the ';'-separated folders of `list` that are
// full paths. A relative one ("." or an empty one among them) is the
// working folder or a folder in it. A lead byte carries the byte after it,
// as SearchPathA's own reading of the list does.
void KeepFullFolders(char* list) {
    char* out = list;
    const char* in = list;
    while (*in != '\0') {
        const char* end = in;
        while (*end != '\0' && *end != ';') {
            end += IsLeadByte(static_cast<unsigned char>(*end)) && end[1] != '\0' ? 2 : 1;
        }
        if (IsFullPath(in)) {
            if (out != list) {
                *out++ = ';';
            }
            while (in < end) {
                *out++ = *in++;
            }
        }
        in = *end == ';' ? end + 1 : end;
    }
    *out = '\0';
}

// The system folder, the Windows folder and PATH, each read straight into
// `searchPath`; what a call could not write whole is left out.
void MakeSearchPath(char* searchPath) {
    const UINT system = GetSystemDirectoryA(searchPath, MAX_PATH);
    std::uint32_t length = system < MAX_PATH ? system : 0;
    searchPath[length++] = ';';
    const UINT windows = GetWindowsDirectoryA(searchPath + length, MAX_PATH);
    length += windows < MAX_PATH ? windows : 0;
    searchPath[length++] = ';';
    const DWORD room = kSearchPathSize - length;
    const DWORD path = GetEnvironmentVariableA("PATH", searchPath + length, room);
    searchPath[length + (path < room ? path : 0)] = '\0';
    KeepFullFolders(searchPath);
}

// Whether SearchPathA finds `name` as a file, its full path into `program`.
// A folder of that name is no program: the folder of a 32-bit program,
// "C:\Program Files (x86)\...", holds one before its first blank, and the
// shell would open that folder in a window for the launcher to wait on. A
// path that does not fit the buffer could not be handed on whole.
bool Locate(const char* searchPath, const char* name, char* program) {
    const DWORD length = SearchPathA(searchPath, name, nullptr, kProgramPathSize, program, nullptr);
    if (length == 0 || length >= kProgramPathSize) {
        return false;
    }
    const DWORD attributes = GetFileAttributesA(program);
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Whether `candidate` names a program, its full path into `program`. Only
// a full path is looked for as written: SearchPathA looks for any other
// name with a folder part (an unexpanded %SystemRoot%\..., a drive without
// its root) beside the launcher and in the working folder first, and so it
// would for a bare name. The candidate's file name and extension are then
// looked for in `searchPath`'s folders, unless they begin like a drive
// ("...\C:name"), which SearchPathA would look for in that drive's current
// folder; an empty list is not handed on, as SearchPathA would take it for
// its own search order.
bool IsProgram(const char* candidate, const char* searchPath, char* program) {
    if (IsFullPath(candidate) && Locate(nullptr, candidate, program)) {
        return true;
    }
    char fallbackName[kCandidateSize];
    char extension[MAX_PATH];
    SplitPath(candidate, nullptr, nullptr, fallbackName, extension);
    AppendText(fallbackName, extension);
    const bool drive = fallbackName[0] != '\0' && fallbackName[1] == ':' &&
                       !IsLeadByte(static_cast<unsigned char>(fallbackName[0]));
    return searchPath[0] != '\0' && !drive && Locate(searchPath, fallbackName, program);
}

// The first `length` bytes of `text` and a NUL.
void TakeCandidate(const char* text, std::uint32_t length, char* candidate) {
    for (std::uint32_t i = 0; i < length; ++i) {
        candidate[i] = text[i];
    }
    candidate[length] = '\0';
}

// Copies the text from `from` on, cut at 2047 bytes.
void CopyParameterText(const char* from, char* parameterText) {
    std::uint32_t length = 0;
    while (length < kParameterTextSize - 1 && from[length] != '\0') {
        parameterText[length] = from[length];
        ++length;
    }
    parameterText[length] = '\0';
}

// The text inside the command's first pair of quotes into `candidate`, and
// where the text after the closing quote, less one blank, begins. False
// when the command does not start with a quote, the quote is not closed or
// the text inside does not fit a candidate. A lead byte carries the byte
// after it, so that a trail byte is never taken for the closing quote.
bool TakeQuotedProgram(const char* command, char* candidate, const char** rest) {
    if (command[0] != '"') {
        return false;
    }
    const char* close = command + 1;
    while (*close != '\0' && *close != '"') {
        close += IsLeadByte(static_cast<unsigned char>(*close)) && close[1] != '\0' ? 2 : 1;
    }
    const auto length = static_cast<std::uint32_t>(close - command - 1);
    if (*close != '"' || length > kMaxCandidate) {
        return false;
    }
    TakeCandidate(command + 1, length, candidate);
    *rest = close[1] == ' ' ? close + 2 : close + 1;
    return true;
}

} // namespace

bool FindProgram(const char* command, char* program, char* parameterText, const char** parameters) {
    char searchPath[kSearchPathSize];
    MakeSearchPath(searchPath);
    char candidate[kCandidateSize];

    // The text before each blank from the left, and at the end the whole
    // command, which has no parameters.
    for (const char* blank = FindBlank(command);; blank = FindBlank(blank + 1)) {
        const char* end = blank != nullptr ? blank : command + TextLength(command);
        const auto length = static_cast<std::uint32_t>(end - command);
        if (length > kMaxCandidate) {
            break;
        }
        TakeCandidate(command, length, candidate);
        if (IsProgram(candidate, searchPath, program)) {
            *parameters = nullptr;
            if (blank != nullptr) {
                CopyParameterText(blank + 1, parameterText);
                *parameters = parameterText;
            }
            return true;
        }
        if (blank == nullptr) {
            break;
        }
    }

    // A quoted program path, as a command template may hold it: the quotes
    // stay in every candidate above, which so names no file.
    const char* rest = nullptr;
    if (TakeQuotedProgram(command, candidate, &rest) && IsProgram(candidate, searchPath, program)) {
        CopyParameterText(rest, parameterText);
        *parameters = parameterText;
        return true;
    }
    return false;
}
