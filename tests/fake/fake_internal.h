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
// HKEY_LOCAL_MACHINE\Software\Classes, opened.
const HKEY kMachineClasses = reinterpret_cast<HKEY>(0x7C1A55E5);
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

// Paths and texts as the platform converts them (fake_text.cpp,
// fake_path.cpp), in UTF-16 units.
constexpr std::size_t kPathUnits = 2200;
// `text` in the world's code page into `wide` (`size` units, NUL included);
// returns the units written without the NUL.
std::size_t Widen(const char* text, char16_t* wide, std::size_t size);
// `wide` into the world's code page with its best fit, as the ANSI calls
// give a text back; `lossy` when a character did not convert exactly.
std::size_t Narrow(const char16_t* wide, char* text, std::size_t size, bool* lossy);
// `name` as GetFullPathNameW makes it, into `full` of `size` units: its
// length, the size needed when it does not fit, 0 for a name that has none.
std::size_t FullPathW(const char16_t* name, char16_t* full, std::size_t size);
// The same for an ANSI name, as GetFullPathNameA makes it.
std::size_t FullPath(const char* name, char* full, std::size_t size);
// Whether byte `i` of `text` starts a character in the world's code page.
bool StartsCharacter(const char* text, std::size_t i);
// Whether `name` names a legacy device (CON, NUL, COM1...).
bool IsDevice(const char* name);

} // namespace fake
