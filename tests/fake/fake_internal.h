// Shared between the files of the fake: the world, the call log and the
// handle bookkeeping.
#pragma once

#include "fake_win32.h"

#include <cstddef>

namespace fake {

extern World world;
extern int openHandles;
extern int exitCodeReadsMade;
extern int pausesMade;
extern unsigned processesStarted;

// Appends one line to the call log (fixed storage, no allocation).
__attribute__((format(printf, 1, 2))) void Record(const char* format, ...);
// "null", or the text in double quotes, formatted into `buffer`.
const char* Quoted(const char* text, char* buffer, std::size_t size);
// The same for a wide text, written in UTF-8 (surrogates as they stand).
const char* QuotedWide(const WCHAR* text, char* buffer, std::size_t size);
const char* RootName(HKEY key);
HANDLE ProcessHandle(unsigned number);
HANDLE ThreadHandle(unsigned number);
bool SameText(const std::string& a, const char* b); // ignoring ASCII case
// The value of an environment variable by the first `length` bytes of its
// name, or null.
const std::string* FindVariable(const char* name, std::size_t length);
// A text into a caller's buffer as the platform's Get... calls write one:
// its length when it fits with its terminator, else the size needed.
DWORD CopyOut(const char* text, char* buffer, DWORD size);
constexpr std::size_t kFoundBytes = 1100;
// What the disk holds at `path` (ASCII case ignored): FILE_ATTRIBUTE_...,
// or INVALID_FILE_ATTRIBUTES.
DWORD Attributes(const char* path);
// `name` looked up by the platform's documented order for a name without a
// place of its own, its path into `found` (kFoundBytes): SearchPathA's,
// or the shell's, which does not start in the launcher's folder.
bool FoundInOrder(bool fromLauncherFolder, const char* name, char* found);
// The file the shell's own lookup found for the last request, or "".
extern char shellOpened[kFoundBytes];

} // namespace fake
