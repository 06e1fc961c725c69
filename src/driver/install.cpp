#include "install.h"

#include "driver/registration.h"
#include "driver/startup.h"
#include "system/launcher.h"
#include "system/registry.h"
#include "text/leadbyte.h"
#include "text/module_directory.h"
#include "text/path.h"
#include "text/placeholder.h"

namespace {

// Buffer sizes in bytes, terminators included.
constexpr std::uint32_t kMaxArgumentLength = 130;
constexpr std::uint32_t kArgumentBytes = 260;
constexpr std::uint32_t kModuleDirectoryBytes = 260;
constexpr std::uint32_t kKeyPathBytes = 255;
constexpr std::uint32_t kTemplateBytes = 520;
constexpr std::uint32_t kExpandedBytes = 270;
constexpr std::uint32_t kInfPathBytes = 520;
constexpr std::uint32_t kCommandBytes = 1024;
constexpr int kMessageChars = 100;

constexpr char kCommandKey[] = "\\shell\\Install\\command";

// One message box: the text by id, no owner, the platform's caption, the
// error icon. The wide forms show the Japanese texts whatever the code page.
int Report(HINSTANCE instance, UINT message, int result) {
    WCHAR text[kMessageChars] = {};
    LoadStringW(instance, message, text, kMessageChars);
    MessageBoxW(nullptr, text, nullptr, MB_ICONERROR);
    return result;
}

// Appends `tail` when it fits with its NUL; otherwise changes nothing.
bool AppendWithin(char* text, std::uint32_t size, const char* tail) {
    if (TextLength(tail) >= size - TextLength(text)) {
        return false;
    }
    AppendText(text, tail);
    return true;
}

// Reads the Install command's template of the file type named by `keyPath`
// into the zero-filled `commandTemplate` (kTemplateBytes). A REG_EXPAND_SZ
// template, which the system's own association is, is expanded first, so
// that its program is found by the full path it names and not by its bare
// name, whose search starts in the launcher's own folder. "%1" is no
// variable and stays for the INF path; a REG_SZ template stays as stored.
// Fails when the value cannot be read or its expansion does not fit: a cut
// template is never run.
bool ReadCommandTemplate(const char* keyPath, char* commandTemplate) {
    char stored[kTemplateBytes] = {};
    DWORD type = REG_NONE;
    if (QueryRegistryString(stored, kTemplateBytes, HKEY_CLASSES_ROOT, keyPath, "", &type) != 0) {
        return false;
    }
    if (type != REG_EXPAND_SZ) {
        AppendText(commandTemplate, stored);
        return true;
    }
    // The count includes the terminator, whether the expansion was written
    // or only measured. The ANSI form needs one byte more than that count
    // to write it, so only a count below the buffer's size is an expansion
    // that is there: one that takes the last byte comes back empty.
    const DWORD expanded = ExpandEnvironmentStringsA(stored, commandTemplate, kTemplateBytes);
    return expanded != 0 && expanded < kTemplateBytes;
}

// Whether `text` holds `placeholder`, found as ReplacePlaceholder finds it.
bool HoldsPlaceholder(const char* text, const char* placeholder) {
    return MeasureReplacement(text, placeholder, "") != TextLength(text);
}

// The folder that "%EXEPATH%" stands for, into `moduleDirectory`; empty
// when the program's own path cannot be read. False when the argument
// names a folder that has no spelling in the code page, or none that its
// buffer holds: an absolute INF path does not depend on where the launcher
// lies.
bool ReadModuleDirectory(const char* argumentCopy, char* moduleDirectory) {
    return GetModuleDirectory(moduleDirectory) != kModuleDirectoryUnspellable ||
           !HoldsPlaceholder(argumentCopy, "%EXEPATH%");
}

// The Install command's template for INF files, into the zero-filled
// `commandTemplate`. Returns 0, or the message of the failure: the ".inf"
// file type cannot be read, or its Install command cannot. A file type too
// long to take the command key counts as a type without an Install command,
// and an empty command (a value that is no string reads as one) as one
// that cannot be read: there is nothing to run.
UINT ReadInstallTemplate(char* commandTemplate) {
    char keyPath[kKeyPathBytes] = {};
    if (QueryRegistryString(keyPath, kKeyPathBytes, HKEY_CLASSES_ROOT, ".inf", "") != 0) {
        return kMessageSetupBroken;
    }
    if (!AppendWithin(keyPath, kKeyPathBytes, kCommandKey) ||
        !ReadCommandTemplate(keyPath, commandTemplate) || commandTemplate[0] == '\0') {
        return kMessageOsNotSupported;
    }
    return 0;
}

// Into the zero-filled `fullPath` (kInfPathBytes). A path with a drive or a
// network share stays as it is. A relative one is made absolute against
// the working folder, as the user means it: given as it is, a bare name
// would be looked for by the install program's setup engine in the
// system's INF folder and by the profile reader in the Windows folder, two
// other files. False when that fails or the full path does not fit.
bool MakeFullPath(const char* path, char* fullPath) {
    if (IsFullPath(path) || (path[0] != '\0' && path[1] == ':')) {
        AppendText(fullPath, path);
        return true;
    }
    const DWORD length = GetFullPathNameA(path, kInfPathBytes, fullPath, nullptr);
    return length != 0 && length < kInfPathBytes;
}

// The INF path, into the zero-filled `infPath` (kInfPathBytes): the
// argument with "%EXEPATH%" expanded and its quotes stripped, made a full
// path. False, and the path is not to be used, when the expansion would be
// cut or the path names no file: a missing one, a folder, two paths in
// one, a quote left in it. The install program would be started on it all
// the same and show an error of its own, if any.
bool MakeInfPath(const char* argumentCopy, const char* moduleDirectory, char* infPath) {
    if (MeasureReplacement(argumentCopy, "%EXEPATH%", moduleDirectory) >= kExpandedBytes) {
        return false;
    }
    char expandedArgument[kExpandedBytes] = {};
    ReplacePlaceholder(argumentCopy, kArgumentBytes, "%EXEPATH%", moduleDirectory, expandedArgument,
                       kExpandedBytes);
    char strippedPath[kInfPathBytes] = {};
    StripQuotes(strippedPath, kInfPathBytes, expandedArgument);
    if (!MakeFullPath(strippedPath, infPath)) {
        return false;
    }
    const DWORD attributes = GetFileAttributesA(infPath);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The template with the INF path in place of "%1", into the zero-filled
// `installCommand`. False when it would be cut: a cut command never runs.
bool MakeInstallCommand(const char* commandTemplate, const char* infPath, char* installCommand) {
    if (MeasureReplacement(commandTemplate, "%1", infPath) >= kCommandBytes) {
        return false;
    }
    ReplacePlaceholder(commandTemplate, kTemplateBytes, "%1", infPath, installCommand,
                       kCommandBytes);
    return true;
}

} // namespace

int RunInstall(HINSTANCE instance, const char* argument) {
    const std::uint32_t argumentLength = TextLength(argument);
    if (argumentLength == 0) {
        return Report(instance, kMessageSetupBroken, -1);
    }
    if (argumentLength > kMaxArgumentLength) {
        return Report(instance, kMessageSetupBroken, -2);
    }
    char argumentCopy[kArgumentBytes] = {};
    for (std::uint32_t i = 0; i < argumentLength; ++i) {
        argumentCopy[i] = argument[i];
    }

    char moduleDirectory[kModuleDirectoryBytes] = {};
    if (!ReadModuleDirectory(argumentCopy, moduleDirectory)) {
        return Report(instance, kMessageSetupBroken, -2);
    }
    char commandTemplate[kTemplateBytes] = {};
    const UINT lookupFailure = ReadInstallTemplate(commandTemplate);
    if (lookupFailure != 0) {
        return Report(instance, lookupFailure, -2);
    }

    char infPath[kInfPathBytes] = {};
    char installCommand[kCommandBytes] = {};
    if (!IsArgumentAsTyped(argument) || !MakeInfPath(argumentCopy, moduleDirectory, infPath) ||
        !MakeInstallCommand(commandTemplate, infPath, installCommand)) {
        return Report(instance, kMessageSetupBroken, -2);
    }

    const bool installStarted =
        LaunchAndWait(installCommand, nullptr, SW_SHOWNORMAL, nullptr, 1, 1) != 0;
    RegisterComponents(infPath);
    // The components are registered whether or not the install command
    // ran; a command that did not run is then told, not passed off as done.
    return installStarted ? 0 : Report(instance, kMessageOsNotSupported, -2);
}
