// Registration of the components an INF file lists in its "RegisterFiles"
// section.
#pragma once

#include <cstdint>

// Takes the first entry off a list of NUL-terminated entries (ended by an
// empty one) held in a `listSize`-byte buffer: the entry goes to `entry`
// (a buffer of at least `listSize` bytes) and the rest of the list moves to
// its front. An entry that reaches the buffer's last byte leaves the list
// empty, so a list without its end marker cannot be walked for ever.
// Returns 0.
int PopListEntry(char* list, std::uint32_t listSize, char* entry);

// Runs "regsvr32 /s NAME" for each line of the INF file's "RegisterFiles"
// section, NAME being the file name and extension of the line without its
// quotes (in quotes of its own when it holds a blank), one at a time, each
// waited for; the last line of a section cut to the buffer is left out.
// Reports nothing.
void RegisterComponents(const char* infPath);
