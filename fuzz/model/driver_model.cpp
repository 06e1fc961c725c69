// The driver's byte work as its rules state them.
#include "model/driver_model.h"

#include "model/text_model.h"

#include <vector>

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

namespace {

// A section entry read as a Windows path: double quotes only group its
// characters, for a quote is never part of a file name ("Naming Files,
// Paths, and Namespaces": '"' is among the reserved characters); a
// separator, slash or backslash, ends a folder; the text after the last one
// names the file. A key and its "=" belong to the first element, the drive
// to the path's first two bytes when its second is a colon (as the path
// split takes it). A lead byte and its trail byte are one character, and a
// lead byte with none is half a one, which no name keeps. A ';' outside
// quotes starts a comment, as in any INF line ("Comments begin with a
// semicolon", General Syntax Rules for INF Files), and the blanks and tabs
// before it are no part of the name.
struct EntryPath {
    std::string drive;
    std::vector<std::string> folders;
    std::string name;
};

EntryPath ParseEntry(std::uint32_t codePage, const std::string& entry) {
    std::vector<std::string> characters;
    bool quoted = false;
    for (std::size_t i = 0; i < entry.size();) {
        const bool lead = IsLead(codePage, static_cast<unsigned char>(entry[i]));
        const std::size_t width = lead && i + 1 < entry.size() ? 2 : 1;
        if (width == 1 && entry[i] == ';' && !quoted) {
            break;
        }
        quoted = quoted != (width == 1 && entry[i] == '"');
        if (width == 2 || entry[i] != '"') {
            characters.push_back(entry.substr(i, width));
        }
        i += width;
    }
    while (!characters.empty() && (characters.back() == " " || characters.back() == "\t")) {
        characters.pop_back();
    }
    std::string text;
    for (const std::string& character : characters) {
        text += character;
    }
    EntryPath path;
    std::size_t first = 0;
    if (text.size() >= 2 && text[1] == ':') {
        path.drive = text.substr(0, 2);
        first = characters[0].size() == 2 ? 1 : 2;
    }
    std::string element;
    for (std::size_t i = first; i < characters.size(); ++i) {
        if (characters[i] == "\\" || characters[i] == "/") {
            path.folders.push_back(element);
            element.clear();
        } else if (characters[i].size() == 2 ||
                   !IsLead(codePage, static_cast<unsigned char>(characters[i][0]))) {
            element += characters[i];
        }
    }
    path.name = element;
    return path;
}

} // namespace

std::string RegistrationCommand(std::uint32_t codePage, const std::string& entry) {
    const std::string name = ParseEntry(codePage, entry).name;
    const bool blank = name.find_first_of(" \t") != std::string::npos;
    const std::string command = "regsvr32 /s " + (blank ? "\"" + name + "\"" : name);
    return command.size() < 260 ? command : "";
}

} // namespace model
