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

} // namespace fake
