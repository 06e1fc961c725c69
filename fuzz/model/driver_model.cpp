// The driver's byte work as its rules state them.
#include "model/driver_model.h"

#include "model/text_model.h"

namespace model {

namespace {

bool IsBlankOrControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x01 && byte <= 0x20;
}

std::string UpToNul(const std::string& bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

} // namespace

std::size_t SkipProgramName(std::uint32_t codePage, const std::string& line) {
    std::size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        // A quoted name: to the next quote that is a character of its own,
        // or to the end; a lead byte takes the byte after it along, unless
        // that is the end.
        i = 1;
        while (i < line.size() && line[i] != '"') {
            const bool lead = IsLead(codePage, static_cast<unsigned char>(line[i]));
            i += lead && i + 1 < line.size() ? 2 : 1;
        }
        if (i < line.size()) {
            ++i; // the closing quote
        }
    } else {
        while (i < line.size() && !IsBlankOrControl(line[i])) {
            ++i;
        }
    }
    while (i < line.size() && IsBlankOrControl(line[i])) {
        ++i;
    }
    return i;
}

Popped PopListEntry(const std::string& list) {
    const std::size_t size = list.size();
    if (size == 0) {
        return {list, ""};
    }
    // The first entry: up to its NUL, which must lie before the buffer's
    // last byte for a list to follow it.
    const std::size_t nul = list.find('\0');
    if (nul == std::string::npos || nul + 1 >= size) {
        // The entry runs to the buffer's end: it is taken, at most size - 1
        // bytes of it, and nothing of a list is left.
        Popped popped{list, list.substr(0, size - 1) + '\0'};
        popped.entry = UpToNul(popped.entry) + '\0';
        popped.list[0] = '\0';
        return popped;
    }
    const std::string entry = list.substr(0, nul + 1);
    // The rest moves to the front; the last nul + 1 bytes stay as they were.
    std::string after = list.substr(nul + 1) + list.substr(size - (nul + 1));
    return {after, entry};
}

std::string RegistrationCommand(std::uint32_t codePage, const std::string& entry) {
    const SplitParts parts = SplitPath(codePage, entry);
    const std::string name = UpToNul(parts.fileName) + UpToNul(parts.extension);
    const bool quoted = name.find(' ') != std::string::npos && !HasQuote(codePage, name);
    const std::string command = "regsvr32 /s " + (quoted ? "\"" + name + "\"" : name);
    return command.size() + 1 <= 260 ? command : "";
}

} // namespace model
