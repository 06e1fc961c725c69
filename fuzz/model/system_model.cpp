// The system operations' rules, step by step.
#include "model/system_model.h"

#include "model/text_model.h"

namespace model {

namespace {

std::string UpToNul(const std::string& bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// A drive letter, a colon and a separator, or two separators.
bool IsFullPath(const std::string& path) {
    const char c = path.empty() ? '\0' : path[0];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return path.size() >= 2 &&
           ((letter && path[1] == ':' && path.size() >= 3 && IsSeparator(path[2])) ||
            (IsSeparator(path[0]) && IsSeparator(path[1])));
}

} // namespace

std::string SearchPath(std::uint32_t codePage, const std::string& system,
                       const std::string& windows, const std::string* path) {
    const std::string list = (system.size() < 260 ? system : "") + ";" +
                             (windows.size() < 260 ? windows : "") + ";" +
                             (path != nullptr ? *path : "");
    std::string kept;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = start;
        while (end < list.size() && list[end] != ';') {
            const bool lead = IsLead(codePage, static_cast<unsigned char>(list[end]));
            end += lead && end + 1 < list.size() ? 2 : 1;
        }
        const std::string folder = list.substr(start, end - start);
        if (IsFullPath(folder)) {
            kept += (kept.empty() ? "" : ";") + folder;
        }
        start = end + 1;
    }
    return kept;
}

ShellFile ChooseShellFile(std::uint32_t codePage, const std::string& command,
                          const std::string* parameters, bool split, std::size_t programEnd,
                          const std::string& searchPath, const Search& search) {
    ShellFile shell;
    if (!split) {
        shell.file = command;
        shell.hasParameters = parameters != nullptr;
        shell.parameters = parameters != nullptr ? *parameters : "";
        return shell;
    }
    // One search; a path that does not fit 259 bytes is not found.
    auto found = [&](const std::string* folders, const std::string& name) {
        const std::string written = search(folders, name, shell.searched.size());
        shell.searched.push_back((folders != nullptr ? "\"" + *folders + "\"" : "null") + ", \"" +
                                 name + "\"");
        if (written.empty() || written.size() >= 260) {
            return false;
        }
        shell.file = written;
        return true;
    };
    // A full path where it says and nowhere else ("If the file name
    // includes a path, the search is made there": CreateProcess); any other
    // name by its bare name in the folders.
    auto isProgram = [&](const std::string& candidate) {
        if (IsFullPath(candidate)) {
            return found(nullptr, candidate);
        }
        const SplitParts parts = SplitPath(codePage, candidate);
        const std::string bare = UpToNul(parts.fileName) + UpToNul(parts.extension);
        const bool drive = bare.size() >= 2 && bare[1] == ':' &&
                           !IsLead(codePage, static_cast<unsigned char>(bare[0]));
        return !searchPath.empty() && !drive && found(&searchPath, bare);
    };
    const std::size_t end = programEnd < command.size() ? programEnd : command.size();
    if (!command.empty() && command[0] == '"') {
        // The quoted program alone, as CreateProcess takes the first pair
        // of quotes; its parameters follow the closing quote less one blank.
        std::size_t close = 1;
        while (close < command.size() && command[close] != '"') {
            const bool lead = IsLead(codePage, static_cast<unsigned char>(command[close]));
            close += lead && close + 1 < command.size() ? 2 : 1;
        }
        if (close < end && close - 1 <= 260 && isProgram(command.substr(1, close - 1))) {
            const std::size_t rest =
                close + 1 < command.size() && command[close + 1] == ' ' ? close + 2 : close + 1;
            shell.hasParameters = true;
            shell.parameters = command.substr(rest, 2047);
            return shell;
        }
        shell.launched = false;
        shell.file.clear();
        return shell;
    }
    // "c:\program files\sub dir\program name" is tried at each blank
    // (CreateProcess), then whole; never past `end`.
    for (std::size_t blank = command.find(' ');; blank = command.find(' ', blank + 1)) {
        const bool whole = blank == std::string::npos || blank >= end;
        if (whole && end < command.size()) {
            break;
        }
        const std::size_t length = whole ? command.size() : blank;
        if (length > 260) {
            break;
        }
        if (isProgram(command.substr(0, length))) {
            shell.hasParameters = !whole;
            shell.parameters = whole ? "" : command.substr(blank + 1, 2047);
            return shell;
        }
        if (whole) {
            break;
        }
    }
    shell.launched = false;
    shell.file.clear();
    return shell;
}

RegistryRead QueryRegistryString(const std::string& destination, const RegistryValue& value) {
    if (!value.opens) {
        return {-2, destination, false};
    }
    if (!value.reads) {
        return {-1, destination, true};
    }
    if (value.type != 1 && value.type != 2) { // REG_SZ, REG_EXPAND_SZ
        return {0, destination, true};
    }
    // The string: the bytes received up to the first NUL, or all of them.
    // One that does not fit with its NUL fails and writes nothing.
    const std::string text = UpToNul(value.data);
    if (text.size() + 1 > destination.size()) {
        return {-1, destination, true};
    }
    std::string written = destination;
    written.replace(0, text.size() + 1, text + '\0');
    return {0, written, true};
}

} // namespace model
