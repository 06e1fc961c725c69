#include "registration.h"

#include <windows.h>

#include "text/leadbyte.h"
#include "text/path.h"

namespace {

constexpr std::uint32_t kSectionBytes = 1024;
constexpr std::uint32_t kCommandLineBytes = 260;
constexpr char kToolCommand[] = "regsvr32 /s ";
constexpr char kToolFile[] = "\\regsvr32.exe";

// The tool is started by its full path in the system folder: a
// "regsvr32.exe" beside the launcher or in the current folder must never
// run with the launcher's administrator rights.
bool LocateRegistrationTool(char (&tool)[MAX_PATH]) {
    const UINT length = GetSystemDirectoryA(tool, MAX_PATH);
    if (length == 0 || length + sizeof kToolFile > MAX_PATH) {
        return false;
    }
    AppendText(tool, kToolFile);
    return true;
}

bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

// The entry without its double quotes and its comment, into `path` (as
// large as the entry's buffer). A quote is never part of a Windows file
// name: an INF file's author quotes a path to keep its blanks together,
// around the whole of it or only the name, and a quote that opens before
// the folder part would otherwise go with the folder and leave its closing
// one behind. A ';' outside quotes starts a comment, as everywhere in an
// INF file, and the blanks and tabs before it go with it. A lead byte
// carries the byte after it.
void RemoveQuotes(const char* entry, char* path) {
    std::uint32_t length = 0;
    bool quoted = false;
    for (const char* p = entry; *p != '\0' && (quoted || *p != ';'); ++p) {
        if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
            path[length++] = *p++;
        } else if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        path[length++] = *p;
    }
    while (length > 0 && IsBlankOrTab(path[length - 1])) {
        --length;
    }
    path[length] = '\0';
}

// Whether `text` holds a blank or a tab, either of which would part the
// name into two arguments of the tool.
bool HoldsBlank(const char* text) {
    for (; *text != '\0'; ++text) {
        if (IsBlankOrTab(*text)) {
            return true;
        }
    }
    return false;
}

// "regsvr32 /s " and the file name and extension of the entry without its
// quotes; a name with a blank goes in quotes of our own, so that the tool
// gets it as one argument. False when the command line would not fit: such
// an entry is skipped rather than cut.
bool BuildRegistrationCommand(const char* entry, char (&commandLine)[kCommandLineBytes]) {
    char path[kSectionBytes];
    RemoveQuotes(entry, path);
    char fileName[kMaxPathPart + 1];
    char extension[kMaxPathPart + 1];
    SplitPath(path, nullptr, nullptr, fileName, extension);

    const std::uint32_t nameLength = TextLength(fileName) + TextLength(extension);
    const bool quoted = HoldsBlank(fileName) || HoldsBlank(extension);
    const std::uint32_t quotes = quoted ? 2 : 0;
    if (sizeof kToolCommand - 1 + nameLength + quotes >= kCommandLineBytes) {
        return false;
    }

    const char* quote = quoted ? "\"" : "";
    commandLine[0] = '\0';
    AppendText(commandLine, kToolCommand);
    AppendText(commandLine, quote);
    AppendText(commandLine, fileName);
    AppendText(commandLine, extension);
    AppendText(commandLine, quote);
    return true;
}

void RunAndWait(const char* tool, char* commandLine, STARTUPINFOA& startupInfo) {
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(tool, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                       nullptr, &startupInfo, &process) == FALSE) {
        return; // not started: nothing to wait for or close
    }
    // Nothing here waits on the thread, so its handle goes at once.
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
}

} // namespace

int PopListEntry(char* list, std::uint32_t listSize, char* entry) {
    std::uint32_t length = 0;
    while (length + 1 < listSize && list[length] != '\0') {
        entry[length] = list[length];
        ++length;
    }
    if (listSize > 0) {
        entry[length] = '\0';
    }
    if (length + 1 >= listSize) {
        // An entry that runs to the buffer's end has no list after it.
        if (listSize > 0) {
            list[0] = '\0';
        }
        return 0;
    }
    for (std::uint32_t i = 0; i + length + 1 < listSize; ++i) {
        list[i] = list[i + length + 1];
    }
    return 0;
}

void RegisterComponents(const char* infPath) {
    char sectionList[kSectionBytes] = {};
    // The reader says that it cut the section to the buffer with a count of
    // the buffer's size less 2. The cut entry is a piece of a name, which
    // may name another component, so it is not registered. A section whose
    // list leaves just one byte of the buffer free gives the same count and
    // loses its last entry too: a whole entry cannot be told from a cut one.
    const bool cut = GetPrivateProfileSectionA("RegisterFiles", sectionList, kSectionBytes,
                                               infPath) == kSectionBytes - 2;
    if (sectionList[0] == '\0') {
        return;
    }
    char tool[MAX_PATH] = {};
    if (!LocateRegistrationTool(tool)) {
        return;
    }

    STARTUPINFOA startupInfo = {};
    startupInfo.cb = sizeof startupInfo;
#if defined(_WIN32) && !defined(_WIN64)
    static_assert(sizeof(STARTUPINFOA) == 68, "the 32-bit start-up record is 68 bytes");
#endif

    char entry[kSectionBytes];
    while (sectionList[0] != '\0') {
        PopListEntry(sectionList, kSectionBytes, entry);
        if (cut && sectionList[0] == '\0') {
            break;
        }
        char commandLine[kCommandLineBytes];
        if (BuildRegistrationCommand(entry, commandLine)) {
            RunAndWait(tool, commandLine, startupInfo);
        }
    }
}
