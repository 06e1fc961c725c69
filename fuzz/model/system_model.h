// Reference models of the system operations' own rules: the launcher's
// choice of file and parameters, and the registry lookup's copy.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace model {

struct ShellFile {
    // The searches made, in order, each as the file search's first two
    // arguments: `null, "name"` or `"folders", "name"`.
    std::vector<std::string> searched;
    bool launched = true; // false: nothing found, the shell is not asked
    std::string file;
    bool hasParameters = false;
    std::string parameters;
};

// The folders a bare name is looked for in, as the search is given them:
// the system folder and the Windows folder when they fit 259 bytes, then
// PATH (null for none); of these only the full paths, ';'-separated.
std::string SearchPath(std::uint32_t codePage, const std::string& system,
                       const std::string& windows, const std::string* path);

// The file search's answer for the n-th search (from 0) of `name`, in the
// folders of `folders` or, when it is null, where the name says: the path
// it writes back, or "" for not found.
using Search =
    std::function<std::string(const std::string* folders, const std::string& name, std::size_t n)>;

// What LaunchAndWait hands to the shell for `command`. `parameters` is the
// caller's (null for none) and counts only without the split flag; the
// program's name lies before byte `programEnd` (npos: anywhere);
// `searchPath` is what SearchPath gives for the platform's folders.
ShellFile ChooseShellFile(std::uint32_t codePage, const std::string& command,
                          const std::string* parameters, bool split, std::size_t programEnd,
                          const std::string& searchPath, const Search& search);

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
