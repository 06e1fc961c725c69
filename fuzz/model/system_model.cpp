// The system operations' rules, step by step.
#include "model/system_model.h"

#include "model/text_model.h"

namespace model {

namespace {

std::string UpToNul(const std::string& bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

} // namespace

ShellFile ChooseShellFile(std::uint32_t codePage, const std::string& command,
                          const std::string* parameters, bool split,
                          const std::function<bool(const std::string&, std::size_t)>& found) {
    ShellFile shell;
    if (!split) {
        shell.file = command;
        shell.hasParameters = parameters != nullptr;
        shell.parameters = parameters != nullptr ? *parameters : "";
        return shell;
    }
    auto tried = [&](const std::string& name) {
        const bool isFound = found(name, shell.searched.size());
        shell.searched.push_back(name);
        return isFound;
    };
    // Without a program found, the whole command is the file, alone.
    shell.file = command;
    for (std::size_t blank = command.find(' '); blank != std::string::npos;
         blank = command.find(' ', blank + 1)) {
        if (blank > 260) {
            break;
        }
        const std::string candidate = command.substr(0, blank);
        const std::string after = command.substr(blank + 1, 2047);
        const SplitParts parts = SplitPath(codePage, candidate);
        const std::string fallback = UpToNul(parts.fileName) + UpToNul(parts.extension);
        if (tried(candidate)) {
            shell.file = candidate;
        } else if (tried(fallback)) {
            shell.file = fallback;
        } else {
            continue;
        }
        shell.hasParameters = true;
        shell.parameters = after;
        break;
    }
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
