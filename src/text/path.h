// Path splitting and quote stripping over NUL-terminated byte strings in the
// ANSI code page. Platform-free; both honour the lead-byte classification.
#pragma once

#include <cstdint>

// The longest directory, file name or extension SplitPath delivers, in bytes.
constexpr std::uint32_t kMaxPathPart = 255;

// Cuts `path` into drive (3-byte buffer), directory, file name and extension
// (256-byte buffers each). Any of the four may be null when not wanted;
// every wanted part receives a terminated string, possibly empty. Slash and
// backslash both separate directories; the extension starts at the last dot
// of the name. Parts longer than 255 bytes are cut, never mid-character.
void SplitPath(const char* path, char* drive, char* directory, char* fileName, char* extension);

// Whether `byte` separates the parts of a path: a backslash or a slash.
bool IsSeparator(char byte);

// Whether `path` names one place whatever the working folder: a drive
// letter, a colon and a separator, or two separators (a network path).
bool IsFullPath(const char* path);

// Removes the quotes around a path: when the source holds a quote, its first
// byte is dropped; when the result still holds one, its last byte is
// dropped. The destination must be zero-filled by the caller. Returns 0, or
// -4 with the destination untouched when the result does not fit.
int StripQuotes(char* destination, std::uint32_t destinationSize, const char* source);
