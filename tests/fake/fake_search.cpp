// The disk of the fake world and the file search: which files and folders
// exist, the system's folders and PATH, and SearchPathA's documented search
// orders.
#include "fake_internal.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

using fake::world;

DWORD fake::CopyOut(const char* text, char* buffer, DWORD size) {
    const std::size_t length = std::strlen(text);
    if (length + 1 > size) {
        return static_cast<DWORD>(length + 1);
    }
    std::memcpy(buffer, text, length + 1);
    return static_cast<DWORD>(length);
}

namespace {

// A name that SearchPathA looks for where it says rather than along its
// folders: one with a drive, a rooted or network one, or "." or "..".
bool NamesItsPlace(const char* name) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    return (name[0] != '\0' && name[1] == ':') || separator(name[0]) ||
           (name[0] == '.' && (separator(name[1]) || (name[1] == '.' && separator(name[2]))));
}

// A findable name is where it says; a bare one, without a folder part, lies
// in the system folder.
bool IsFindable(const std::string& name, const char* path) {
    if (name.find_first_of("\\/:") != std::string::npos) {
        return fake::SameText(name, path);
    }
    const std::string& system = world.systemDirectory;
    return strncasecmp(system.c_str(), path, system.size()) == 0 && path[system.size()] == '\\' &&
           fake::SameText(name, path + system.size() + 1);
}

// `name` in the folder of `length` bytes at `folder`, its path into `found`.
bool FoundIn(const char* folder, std::size_t length, const char* name, char* found) {
    const char* separator = length > 0 && folder[length - 1] == '\\' ? "" : "\\";
    std::snprintf(found, fake::kFoundBytes, "%.*s%s%s", static_cast<int>(length), folder, separator,
                  name);
    return length > 0 && fake::Attributes(found) != INVALID_FILE_ATTRIBUTES;
}

// `name` in the first folder of the ';'-separated `list` that holds it.
bool FoundInList(const char* list, const char* name, char* found) {
    while (*list != '\0') {
        const char* end = std::strchr(list, ';');
        end = end != nullptr ? end : list + std::strlen(list);
        if (FoundIn(list, static_cast<std::size_t>(end - list), name, found)) {
            return true;
        }
        list = *end == ';' ? end + 1 : end;
    }
    return false;
}

UINT Folder(const char* call, const std::string& folder, LPSTR buffer, UINT size) {
    fake::Record("%s(%u)", call, size);
    return folder.empty() ? 0 : fake::CopyOut(folder.c_str(), buffer, size);
}

} // namespace

// Every path is looked up as the platform normalizes it (fake_path.cpp):
// "C:\\kit\\..\\kit\\a.inf. " is C:\\kit\\a.inf. The world's own names are
// taken as written, as the disk holds them.
DWORD fake::Attributes(const char* given) {
    char path[kPathUnits];
    if (FullPath(given, path, sizeof path) == 0) {
        return INVALID_FILE_ATTRIBUTES;
    }
    for (const std::string& folder : world.folders) {
        if (fake::SameText(folder, path)) {
            return FILE_ATTRIBUTE_DIRECTORY;
        }
    }
    for (const auto& section : world.profileSections) {
        if (fake::SameText(section.file, path)) {
            return FILE_ATTRIBUTE_NORMAL;
        }
    }
    for (const std::string& name : world.findable) {
        if (IsFindable(name, path)) {
            return FILE_ATTRIBUTE_NORMAL;
        }
    }
    for (const std::string& name : world.files) {
        if (fake::SameText(name, path)) {
            return FILE_ATTRIBUTE_NORMAL;
        }
    }
    return INVALID_FILE_ATTRIBUTES;
}

// The documented orders for a name without a place of its own. SearchPathA
// without a list of folders: the launcher's folder, the working folder
// (before the system's folders, as SafeProcessSearchMode 0 has it), the
// system folder, the Windows folder, PATH. The shell, on Windows: the same
// from the working folder on.
bool fake::FoundInOrder(bool fromLauncherFolder, const char* name, char* found) {
    const std::size_t slash = world.modulePath.rfind('\\');
    if (fromLauncherFolder && slash != std::string::npos &&
        FoundIn(world.modulePath.c_str(), slash, name, found)) {
        return true;
    }
    for (const std::string* folder :
         {&world.currentDirectory, &world.systemDirectory, &world.windowsDirectory}) {
        if (FoundIn(folder->c_str(), folder->size(), name, found)) {
            return true;
        }
    }
    const std::string* path = fake::FindVariable("PATH", 4);
    return path != nullptr && FoundInList(path->c_str(), name, found);
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
    return Folder("GetSystemDirectoryA", world.systemDirectory, buffer, size);
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    return Folder("GetWindowsDirectoryA", world.windowsDirectory, buffer, size);
}

// Like the platform: the length written, or the size a buffer would need,
// terminator included; 0 for no such variable.
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    fake::Record("GetEnvironmentVariableA(\"%s\", %u)", name, size);
    const std::string* value = fake::FindVariable(name, std::strlen(name));
    if (value == nullptr) {
        return 0;
    }
    return fake::CopyOut(value->c_str(), buffer, size);
}

DWORD SearchPathA(LPCSTR path, LPCSTR fileName, LPCSTR extension, DWORD bufferLength, LPSTR buffer,
                  LPSTR* filePart) {
    char quoted[3][1100];
    fake::Record("SearchPathA(%s, %s, %s, %u, %s, %s)", fake::Quoted(path, quoted[0], 1100),
                 fake::Quoted(fileName, quoted[1], 1100), fake::Quoted(extension, quoted[2], 1100),
                 bufferLength, buffer == nullptr ? "null" : "buffer",
                 filePart == nullptr ? "null" : "filePart");
    // Like the platform: a name with a place of its own there, any other
    // along the folders of `path` or, without them, the standard order.
    char found[fake::kFoundBytes];
    bool exists = false;
    if (fileName[0] != '\0' && NamesItsPlace(fileName)) {
        // The path written back is the full one, normalized as
        // GetFullPathName makes it.
        exists = fake::FullPath(fileName, found, fake::kFoundBytes) != 0 &&
                 fake::Attributes(found) != INVALID_FILE_ATTRIBUTES;
    } else if (fileName[0] != '\0') {
        exists = path != nullptr && path[0] != '\0' ? FoundInList(path, fileName, found)
                                                    : fake::FoundInOrder(true, fileName, found);
    }
    return exists ? fake::CopyOut(found, buffer, buffer == nullptr ? 0 : bufferLength) : 0;
}

// A legacy device name, also "\\.\CON", exists to GetFileAttributesA, with
// the archive attribute: the documents say nothing of it, and that is Wine's
// answer (dlls/kernelbase/file.c, "NtQueryAttributesFile fails on devices,
// but GetFileAttributesW succeeds").
DWORD GetFileAttributesA(LPCSTR fileName) {
    char quoted[1100];
    fake::Record("GetFileAttributesA(%s)", fake::Quoted(fileName, quoted, sizeof quoted));
    const bool device = std::strncmp(fileName, "\\\\.\\", 4) == 0 && fake::IsDevice(fileName + 4);
    return device || fake::IsDevice(fileName) ? FILE_ATTRIBUTE_ARCHIVE : fake::Attributes(fileName);
}
