// The install sequence step by step, with the driver's refusals: an argument
// or install command that would be cut, a file type too long for its
// command key, an empty command or one whose expansion would take its
// buffer's last byte, a launcher path that the argument names and that has
// no spelling, an argument other than the one typed, and an INF path that
// names no file stop the sequence with a message instead of running it; an
// install command that does not run is told after the registrations.
#include "model/install_model.h"

#include <strings.h>

#include "model/driver_model.h"
#include "model/system_model.h"
#include "model/text_model.h"

namespace model {

namespace {

constexpr char kCommandKey[] = "\\shell\\Install\\command";

std::string UpToNul(const std::string& bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

// The type of the key's default value, by name regardless of ASCII case.
std::uint32_t TemplateType(const InstallWorld& world, const std::string& subkey) {
    for (const Key& key : world.keys) {
        if (strcasecmp(key.path.c_str(), subkey.c_str()) == 0) {
            return key.type;
        }
    }
    return 0;
}

// A lookup into a zero-filled destination of `size` bytes, on the world's
// registry: keys match by name regardless of ASCII case.
RegistryRead Lookup(const InstallWorld& world, const std::string& subkey, std::uint32_t size) {
    RegistryValue value;
    for (const Key& key : world.keys) {
        if (strcasecmp(key.path.c_str(), subkey.c_str()) != 0) {
            continue;
        }
        value.opens = !key.refusesFullAccess;
        value.reads = key.hasDefault && key.data.size() <= 1024;
        value.type = key.type;
        value.data = key.data;
        break;
    }
    return QueryRegistryString(std::string(size, '\0'), value);
}

// Whether "%EXEPATH%" has no folder: the platform gives no path for the
// program, or its path was cut by its 260-byte buffer, or its folder by a
// path part's 255 bytes, or the code page cannot spell it, and the fake's
// world has no short forms.
bool ModuleUnspellable(const InstallWorld& world) {
    const SplitParts parts = SplitPath(world.codePage, world.modulePath);
    const std::size_t split = UpToNul(parts.drive).size() + UpToNul(parts.directory).size() +
                              UpToNul(parts.fileName).size() + UpToNul(parts.extension).size();
    return world.modulePath.empty() || world.modulePath.size() >= 260 || !world.modulePathSpelled ||
           split != world.modulePath.size();
}

std::string ModuleDirectory(const InstallWorld& world) {
    if (ModuleUnspellable(world)) {
        return "";
    }
    const SplitParts parts = SplitPath(world.codePage, world.modulePath);
    return UpToNul(parts.drive) + UpToNul(parts.directory);
}

// The characters of `text` in the code page: a lead byte and the byte
// after it are one.
std::size_t Characters(std::uint32_t codePage, const std::string& text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        i += IsLead(codePage, static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    return count;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// The forms of "File path formats on Windows systems"
// (https://learn.microsoft.com/dotnet/standard/io/file-path-formats), in
// the order that page identifies them. A device path, a UNC path and a
// fully qualified DOS path name one place whatever the current directory;
// the others are resolved against it.
enum class PathForm {
    Device,         // two separators, then '.' or '?' and a separator
    Unc,            // two separators and anything else
    FullyQualified, // a drive letter, the volume separator, a component separator
    Rooted,         // one separator: the current drive's root
    DriveRelative,  // a drive letter and the volume separator: that drive's current directory
    Relative,       // anything else: the current directory
};

PathForm FormOf(const std::string& path) {
    const auto at = [&path](std::size_t i) { return i < path.size() ? path[i] : '\0'; };
    const char first = at(0);
    const bool letter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
    if (IsSeparator(first) && IsSeparator(at(1))) {
        return (at(2) == '.' || at(2) == '?') && IsSeparator(at(3)) ? PathForm::Device
                                                                    : PathForm::Unc;
    }
    if (IsSeparator(first)) {
        return PathForm::Rooted;
    }
    if (letter && at(1) == ':') {
        return IsSeparator(at(2)) ? PathForm::FullyQualified : PathForm::DriveRelative;
    }
    return PathForm::Relative;
}

// The INF path the launcher makes of the path it stripped: a path of a form
// that names one place stays as typed, any other is the platform's full
// path, which must spell the working folder exactly (the fake's world has
// no short forms). A device is none: a path in the device namespace,
// "\\.\NUL", typed so or made so by the platform of a legacy device name.
bool MakeFullPath(const InstallWorld& world, const std::string& path, std::string& full) {
    const PathForm form = FormOf(path);
    const std::string resolved = world.fullPathName(path);
    const bool names = form == PathForm::Device || form == PathForm::Unc;
    if (resolved.empty() || resolved.size() >= 520 || resolved.compare(0, 4, "\\\\.\\") == 0) {
        return false;
    }
    if (names || form == PathForm::FullyQualified) {
        full = path;
        return true;
    }
    full = resolved;
    return world.spellsFullPath(path);
}

// Whether the fake's file system holds `path`, by name regardless of ASCII
// case, as the platform normalizes it; a findable name without a folder
// part lies in the system folder.
bool Exists(const InstallWorld& world, const std::string& path) {
    const std::string normalized = world.fullPathName(path);
    if (normalized.empty()) {
        return false;
    }
    std::vector<std::string> files = world.files;
    for (const std::string& name : world.findable) {
        const bool bare = name.find_first_of("\\/:") == std::string::npos;
        files.push_back(bare ? world.systemDirectory + "\\" + name : name);
    }
    files.push_back(world.sectionFile);
    for (const std::string& file : files) {
        if (strcasecmp(file.c_str(), normalized.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

// The fake's file search: a name with a drive, a separator or ".\" in
// front where it says, any other in the first folder of the ';'-separated list
// that holds it; the path it writes back, or "".
std::string FakeSearch(const InstallWorld& world, const std::string* folders,
                       const std::string& name) {
    const auto separator = [&name](std::size_t i) {
        return i < name.size() && (name[i] == '\\' || name[i] == '/');
    };
    const bool placed = (name.size() >= 2 && name[1] == ':') || separator(0) ||
                        (!name.empty() && name[0] == '.' &&
                         (separator(1) || (name.size() >= 2 && name[1] == '.' && separator(2))));
    if (folders == nullptr || placed) {
        return Exists(world, name) ? world.fullPathName(name) : "";
    }
    std::size_t start = 0;
    while (start < folders->size()) {
        std::size_t end = folders->find(';', start);
        end = end == std::string::npos ? folders->size() : end;
        const std::string folder = folders->substr(start, end - start);
        if (!folder.empty()) {
            const std::string path = folder + (folder.back() == '\\' ? "" : "\\") + name;
            if (Exists(world, path)) {
                return path;
            }
        }
        start = end + 1;
    }
    return "";
}

std::string Substitute(const std::string& text, std::size_t sourceSize, const char* placeholder,
                       const std::string& replacement, std::uint32_t destinationSize) {
    std::string source = text;
    source.resize(sourceSize, '\0');
    return UpToNul(
        ReplacePlaceholder(source, placeholder, replacement, destinationSize).destination);
}

Installed Stop(Installed installed, int result, unsigned message) {
    installed.result = result;
    installed.message = message;
    return installed;
}

// The sequence up to the install command; `command` is left empty when it
// stops before. `programEnd`: where the template's first "%1" begins.
Installed Prepare(const InstallWorld& world, std::string& command, std::size_t& programEnd) {
    Installed installed;
    const std::string& argument = world.argument;
    if (argument.empty()) {
        return Stop(installed, -1, 101);
    }
    if (argument.size() > 130) {
        return Stop(installed, -2, 101);
    }
    const std::string directory = ModuleDirectory(world);
    if (ModuleUnspellable(world) &&
        MeasureReplacement(argument, "%EXEPATH%", "") != argument.size()) {
        return Stop(installed, -2, 101);
    }

    installed.opened.push_back(".inf");
    const RegistryRead type = Lookup(world, ".inf", 255);
    if (type.result != 0) {
        return Stop(installed, -2, 101);
    }
    const std::string keyPath = UpToNul(type.destination) + kCommandKey;
    if (keyPath.size() + 1 > 255) {
        return Stop(installed, -2, 102);
    }
    installed.opened.push_back(keyPath);
    const RegistryRead commandTemplate = Lookup(world, keyPath, 520);
    // The fake's world has no environment variables: an expansion copies
    // the template, and its count with the NUL, in characters, must leave
    // the last byte.
    const std::string text = UpToNul(commandTemplate.destination);
    if (commandTemplate.result != 0 || text.empty() ||
        (TemplateType(world, keyPath) == 2 && Characters(world.codePage, text) + 1 >= 520)) {
        return Stop(installed, -2, 102);
    }

    if (!world.argumentTyped || MeasureReplacement(argument, "%EXEPATH%", directory) >= 270) {
        return Stop(installed, -2, 101);
    }
    const std::string expanded = Substitute(argument, 260, "%EXEPATH%", directory, 270);
    if (!MakeFullPath(world, UpToNul(StripQuotes(world.codePage, 520, expanded).destination),
                      installed.infPath)) {
        return Stop(installed, -2, 101);
    }

    if (MeasureReplacement(text, "%1", installed.infPath) >= 1024) {
        return Stop(installed, -2, 101);
    }
    command = Substitute(text, 520, "%1", installed.infPath, 1024);
    programEnd = text.find("%1");
    return installed;
}

// The section list as the profile reader fills the zero-filled 1024 bytes:
// the lines trimmed of blanks and tabs, comment lines left out, each with
// its NUL; cut to 1022 bytes when it does not fit with the list's last NUL.
// `cut` when the reader's count says 1022.
std::string SectionList(const InstallWorld& world, const std::string& infPath, bool& cut) {
    std::string list;
    if (strcasecmp(world.sectionFile.c_str(), world.fullPathName(infPath).c_str()) == 0) {
        for (const std::string& line : world.sectionLines) {
            const std::size_t first = line.find_first_not_of(" \t");
            if (first != std::string::npos && line[first] != ';') {
                list += line.substr(first, line.find_last_not_of(" \t") + 1 - first) + '\0';
            }
        }
    }
    cut = list.size() >= 1024 || list.size() == 1022;
    list = list.substr(0, list.size() >= 1024 ? 1022 : list.size());
    list.resize(1024, '\0');
    return list;
}

void Register(const InstallWorld& world, Installed& installed) {
    installed.sectionRead = true;
    bool cut = false;
    std::string list = SectionList(world, installed.infPath, cut);
    const std::size_t folder = world.systemDirectory.size();
    if (list[0] == '\0' || folder == 0 || folder + sizeof "\\regsvr32.exe" > 260) {
        return;
    }
    installed.tool = world.systemDirectory + "\\regsvr32.exe";
    while (list[0] != '\0') {
        const Popped popped = PopListEntry(list);
        list = popped.list;
        if (cut && list[0] == '\0') {
            break; // the cut last entry
        }
        const std::string commandLine = RegistrationCommand(world.codePage, UpToNul(popped.entry));
        if (!commandLine.empty()) {
            installed.started.push_back(commandLine);
        }
    }
}

} // namespace

std::string InstallCommand(const InstallWorld& world) {
    std::string command;
    std::size_t programEnd = 0;
    Prepare(world, command, programEnd);
    return command;
}

Installed RunInstall(const InstallWorld& world) {
    std::string command;
    std::size_t programEnd = std::string::npos;
    Installed installed = Prepare(world, command, programEnd);
    if (installed.message != 0) {
        return installed;
    }
    if (!Exists(world, installed.infPath)) {
        return Stop(installed, -2, 101);
    }
    const std::string searchPath =
        SearchPath(world.codePage, world.systemDirectory, "C:\\windows", nullptr);
    const ShellFile shell =
        ChooseShellFile(world.codePage, command, nullptr, true, programEnd, searchPath,
                        [&world](const std::string* folders, const std::string& name, std::size_t) {
                            return name.empty() ? std::string() : FakeSearch(world, folders, name);
                        });
    installed.launched = shell.launched;
    installed.searched = shell.searched;
    installed.file = shell.file;
    installed.hasParameters = shell.hasParameters;
    installed.parameters = shell.parameters;
    Register(world, installed);
    if (!shell.launched || world.shellRefuses) {
        return Stop(installed, -2, 102);
    }
    return installed;
}

} // namespace model
