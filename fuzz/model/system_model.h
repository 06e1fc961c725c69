// Reference models of the system operations' own rules: the launcher's
// choice of file and parameters, and the registry lookup's copy.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace model {

struct ShellFile {
    std::vector<std::string> searched; // the names tested for existence, in order
    std::string file;
    bool hasParameters = false;
    std::string parameters;
};

// What LaunchAndWait hands to the shell for `command`. `parameters` is the
// caller's (null for none) and counts only without the split flag; `found`
// answers the existence test for the n-th name tested (from 0).
ShellFile ChooseShellFile(std::uint32_t codePage, const std::string& command,
                          const std::string* parameters, bool split,
                          const std::function<bool(const std::string&, std::size_t)>& found);

// What the registry hands back for the value: whether the key opens and the
// value reads, and then its type and the bytes received.
struct RegistryValue {
    bool opens = false;
    bool reads = false;
    std::uint32_t type = 0;
    std::string data;
};

struct RegistryRead {
    int result;
    std::string destination; // all its bytes afterwards
    bool closes;             // whether the key is opened and so must be closed
};
RegistryRead QueryRegistryString(const std::string& destination, const RegistryValue& value);

} // namespace model
