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

// Whether `candidate` names a program, its full path into `program`. A
// full path is looked for where it says and nowhere else: its bare name
// found along PATH would be another program, and Windows puts a folder
// that the user may write to on every user's PATH. Any other name with a
// folder part (an unexpanded %SystemRoot%\..., a drive without its root)
// SearchPathA would look for beside the launcher and in the working folder
// first, and so it would a bare name: the candidate's file name and
// extension are looked for in `searchPath`'s folders instead, unless they
// begin like a drive ("...\C:name"), which SearchPathA would look for in
// that drive's current folder; an empty list is not handed on, as
// SearchPathA would take it for its own search order.
bool IsProgram(const char* candidate, const char* searchPath, char* program) {
    if (IsFullPath(candidate)) {
        return Locate(nullptr, candidate, program);
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

// The text inside the command's leading pair of quotes into `candidate`,
// and where the text after the closing quote, less one blank, begins.
// False when the quote is not closed within the first `programEnd` bytes
// or the text inside does not fit a candidate. A lead byte carries the
// byte after it, so that a trail byte is never taken for the closing quote.
bool TakeQuotedProgram(const char* command, std::uint32_t programEnd, char* candidate,
                       const char** rest) {
    const char* close = command + 1;
    while (*close != '\0' && *close != '"') {
        close += IsLeadByte(static_cast<unsigned char>(*close)) && close[1] != '\0' ? 2 : 1;
    }
    const auto length = static_cast<std::uint32_t>(close - command - 1);
    if (*close != '"' || length + 2 > programEnd || length > kMaxCandidate) {
        return false;
    }
    TakeCandidate(command + 1, length, candidate);
    *rest = close[1] == ' ' ? close + 2 : close + 1;
    return true;
}

} // namespace

bool FindProgram(const char* command, std::uint32_t programEnd, char* program, char* parameterText,
                 const char** parameters) {
    char searchPath[kSearchPathSize];
    MakeSearchPath(searchPath);
    char candidate[kCandidateSize];

    // A quoted program is that program, as CreateProcess takes one: no
    // other candidate is tried, so that no blank inside the quotes or in
    // the parameters ends a name.
    if (command[0] == '"') {
        const char* rest = nullptr;
        if (!TakeQuotedProgram(command, programEnd, candidate, &rest) ||
            !IsProgram(candidate, searchPath, program)) {
            return false;
        }
        CopyParameterText(rest, parameterText);
        *parameters = parameterText;
        return true;
    }

    // The text before each blank from the left, and at the end the whole
    // command, which has no parameters; only text of the first
    // `programEnd` bytes makes a candidate.
    const std::uint32_t commandLength = TextLength(command);
    const std::uint32_t end = programEnd < commandLength ? programEnd : commandLength;
    for (const char* blank = FindBlank(command);; blank = FindBlank(blank + 1)) {
        const bool whole = blank == nullptr || static_cast<std::uint32_t>(blank - command) >= end;
        if (whole && end < commandLength) {
            break;
        }
        const auto length = whole ? commandLength : static_cast<std::uint32_t>(blank - command);
        if (length > kMaxCandidate) {
            break;
        }
        TakeCandidate(command, length, candidate);
        if (IsProgram(candidate, searchPath, program)) {
            *parameters = nullptr;
            if (!whole) {
                CopyParameterText(blank + 1, parameterText);
                *parameters = parameterText;
            }
            return true;
        }
        if (whole) {
            break;
        }
    }
    return false;
}
