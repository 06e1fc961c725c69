// A reference model of the whole install sequence, composed of the other
// models, over a world described the way the native fake holds it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace model {

struct Key {
    std::string path; // below HKEY_LOCAL_MACHINE\Software\Classes
    bool refusesFullAccess = false;
    bool hasDefault = false;
    std::uint32_t type = 1;
    std::string data;
};

struct InstallWorld {
    std::uint32_t codePage = 1252;
    std::string argument;
    std::string modulePath; // empty: the platform gives none
    std::vector<Key> keys;
    std::vector<std::string> findable;
    std::string sectionFile;               // the INF file whose "RegisterFiles" section is...
    std::vector<std::string> sectionLines; // ...these lines
    std::string systemDirectory;
    std::vector<std::string> files; // files besides the findable ones and the INF file
    std::string currentDirectory = "C:\\kit";
    bool shellRefuses = false;
    // What the code page makes of the world's texts: whether the argument
    // is exactly what was typed (the wide command line converts back to
    // it), and whether it spells the program's path exactly.
    bool argumentTyped = true;
    bool modulePathSpelled = true;
    // The platform's answers about paths: the full path GetFullPathNameA
    // makes of a path ("" for none), and whether the one the wide calls
    // make of a relative path converts to the code page exactly.
    std::function<std::string(const std::string&)> fullPathName;
    std::function<bool(const std::string&)> spellsFullPath;
};

struct Installed {
    int result = 0;
    unsigned message = 0;              // 101, 102, or 0 for none
    std::vector<std::string> opened;   // subkeys asked for, in order
    std::string infPath;               // once it is made
    bool launched = false;             // whether the shell was asked
    std::vector<std::string> searched; // as the file search's first two arguments
    std::string file;
    bool hasParameters = false;
    std::string parameters;
    bool sectionRead = false;
    std::vector<std::string> started; // registration command lines tried, in order
    std::string tool;                 // the registration tool's path
};

Installed RunInstall(const InstallWorld& world);

// The install command the world leads to, or "" when the sequence stops
// before it, whether the INF file exists or not. Lets a harness make names
// in it findable.
std::string InstallCommand(const InstallWorld& world);

} // namespace model
