// Reference models of the install driver's byte work: the start-up's
// skipping of the program name, the list walk and the registration command
// line, written from their rules with std::string.
#pragma once

#include <cstdint>
#include <string>

namespace model {

// Where the argument starts in `line` (which holds no NUL): an offset from
// 0 to line.size().
std::size_t SkipProgramName(std::uint32_t codePage, const std::string& line);

struct Popped {
    std::string list;  // all listSize bytes afterwards
    std::string entry; // what is written into the entry buffer, from its start
};
// `list` holds all the bytes of the list buffer.
Popped PopListEntry(const std::string& list);

// The registration tool's command line for one section entry: "regsvr32 /s "
// and the name of the file that the entry, read as a Windows path whose
// quotes only group, names; in quotes when it holds a blank; empty when it
// would not fit the 260-byte command line.
std::string RegistrationCommand(std::uint32_t codePage, const std::string& entry);

} // namespace model
