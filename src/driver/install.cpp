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
// The machine's own associations. HKEY_CLASSES_ROOT merges the user's
// classes (HKCU\Software\Classes) over them, and any unelevated program of
// the user may write there: its Install command would run with our
// administrator rights. A process that is not the interactive user's
// "can explicitly open the HKEY_LOCAL_MACHINE\Software\Classes key"
// (https://learn.microsoft.com/windows/win32/sysinfo/hkey-classes-root-key).
// The file type's keys are opened below it, so that their paths keep to
// the 255 characters of a key name, as below HKEY_CLASSES_ROOT
// (https://learn.microsoft.com/windows/win32/sysinfo/registry-element-size-limits);
// Wine refuses a longer one.
constexpr char kMachineClasses[] = "Software\\Classes";

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
bool ReadCommandTemplate(HKEY classes, const char* keyPath, char* commandTemplate) {
    char stored[kTemplateBytes] = {};
    DWORD type = REG_NONE;
    if (QueryRegistryString(stored, kTemplateBytes, classes, keyPath, "", &type) != 0) {
        return false;
    }
    if (type != REG_EXPAND_SZ) {
        AppendText(commandTemplate, stored);
        return true;
    }
    // The count includes the terminator, whether the expansion was written
    // or only measured. The ANSI form needs one byte more than that count
    // to write it, so only a count below the buffer's size is an expansion
    // that is there: one that takes the last byte comes back empty. The
    // count is in characters, not bytes, so under a double-byte code page
    // a count below the size may still be an expansion that did not fit;
    // Wine then fills the buffer and leaves it unterminated. Only a
    // terminator inside the buffer shows the whole expansion.
    const DWORD expanded = ExpandEnvironmentStringsA(stored, commandTemplate, kTemplateBytes);
    std::uint32_t length = 0;
    while (length < kTemplateBytes && commandTemplate[length] != '\0') {
        ++length;
    }
    return length < kTemplateBytes && expanded != 0 && expanded < kTemplateBytes;
}

// Whether `text` holds `placeholder`, found as ReplacePlaceholder finds it.
bool HoldsPlaceholder(const char* text, const char* placeholder) {
    return MeasureReplacement(text, placeholder, "") != TextLength(text);
}

// The folder that "%EXEPATH%" stands for, into `moduleDirectory`. False
// when the argument names that folder and the program's own path cannot be
// read, or has no spelling in the code page, or none that its buffer
// holds: an empty folder would make it the working folder's file. An
// absolute INF path does not depend on where the launcher lies.
bool ReadModuleDirectory(const char* argumentCopy, char* moduleDirectory) {
    return GetModuleDirectory(moduleDirectory) == 0 || !HoldsPlaceholder(argumentCopy, "%EXEPATH%");
}

// The Install command's template for INF files below `classes`, into the
// zero-filled `commandTemplate`. Returns 0, or the message of the failure: the ".inf"
// file type cannot be read, or its Install command cannot. A file type too
// long to take the command key counts as a type without an Install command,
// and an empty command (a value that is no string reads as one) as one
// that cannot be read: there is nothing to run.
UINT ReadClassesTemplate(HKEY classes, char* commandTemplate) {
    char keyPath[kKeyPathBytes] = {};
    if (QueryRegistryString(keyPath, kKeyPathBytes, classes, ".inf", "") != 0) {
        return kMessageSetupBroken;
    }
    if (!AppendWithin(keyPath, kKeyPathBytes, kCommandKey) ||
        !ReadCommandTemplate(classes, keyPath, commandTemplate) || commandTemplate[0] == '\0') {
        return kMessageOsNotSupported;
    }
    return 0;
}

// The same below the machine's classes key; a machine without one has no
// ".inf" association either.
UINT ReadInstallTemplate(char* commandTemplate) {
    HKEY classes = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMachineClasses, 0, KEY_READ, &classes) !=
        ERROR_SUCCESS) {
        return kMessageSetupBroken;
    }
    const UINT failure = ReadClassesTemplate(classes, commandTemplate);
    RegCloseKey(classes);
    return failure;
}

// Whether the full path is one in the device namespace, "\\.\NUL": so
// GetFullPathNameA makes a legacy device name, "CON" or "D:\kit\nul.inf",
// and so stays one typed that way, "\\.\CON". A device is no file for an
// install program to read, whatever attributes it reports.
bool NamesDevice(const char* resolved) {
    return resolved[0] == '\\' && resolved[1] == '\\' && resolved[2] == '.' && resolved[3] == '\\';
}

// GetFullPathNameA spells the working folder with the code page's best
// fit: one the code page cannot spell comes back with '?' or look-alikes
// in it, which name no folder or another one. So the full path of the
// relative `path` is made again from the wide working folder and, where
// the code page cannot spell it, `resolved` becomes its short form, as
// the launcher's own folder does. False when it has none. Where the wide
// calls fail, as on the oldest systems, `resolved` stands.
bool SpellFullPath(const char* path, char* resolved) {
    WCHAR widePath[kInfPathBytes] = {};
    WCHAR wideFull[kInfPathBytes] = {};
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, kInfPathBytes) == 0) {
        return true;
    }
    const DWORD length = GetFullPathNameW(widePath, kInfPathBytes, wideFull, nullptr);
    return length == 0 || length >= kInfPathBytes ||
           SpellPath(wideFull, resolved, kInfPathBytes, false);
}

// Into the zero-filled `fullPath` (kInfPathBytes). A full path, with a
// drive and its root or a network share, stays as it is. Any other is
// made full by GetFullPathNameA, as the user means it: against the working
// folder, or for "C:name" against that drive's. Given as it is, a bare
// name would be looked for by the install program's setup engine in the
// system's INF folder and by the profile reader in the Windows folder, and
// "C:name" in other places again: other files. False when that fails, the
// full path does not fit or has no spelling, or the path names a device.
bool MakeFullPath(const char* path, char* fullPath) {
    char resolved[kInfPathBytes] = {};
    const DWORD length = GetFullPathNameA(path, kInfPathBytes, resolved, nullptr);
    if (length == 0 || length >= kInfPathBytes || NamesDevice(resolved)) {
        return false;
    }
    const bool full = IsFullPath(path);
    if (!full && !SpellFullPath(path, resolved)) {
        return false;
    }
    AppendText(fullPath, full ? path : resolved);
    return true;
}

// The INF path, into the zero-filled `infPath` (kInfPathBytes): the
// argument with "%EXEPATH%" expanded and its quotes stripped, made a full
// path. False, and the path is not to be used, when the expansion would be
// cut or the path names no file: a missing one, a folder, a device, two
// paths in one, a quote left in it. The install program would be started
// on it all the same and show an error of its own, if any.
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

// Where the template's first "%1" begins, as ReplacePlaceholder finds it:
// the program's name lies before it, never in the INF path that takes its
// place. The whole command when there is none.
std::uint32_t ProgramEnd(const char* commandTemplate) {
    for (std::uint32_t i = 0; commandTemplate[i] != '\0'; ++i) {
        if (commandTemplate[i] == '%' && commandTemplate[i + 1] == '1') {
            return i;
        }
    }
    return kWholeCommand;
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

    const bool installStarted = LaunchAndWait(installCommand, nullptr, SW_SHOWNORMAL, nullptr, 1, 1,
                                              ProgramEnd(commandTemplate)) != 0;
    RegisterComponents(infPath);
    // The components are registered whether or not the install command
    // ran; a command that did not run is then told, not passed off as done.
    return installStarted ? 0 : Report(instance, kMessageOsNotSupported, -2);
}
