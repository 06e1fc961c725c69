#include "install.h"

#include "driver/registration.h"
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
    // The count includes the terminator; a larger one than the buffer
    // holds is what the expansion would have needed.
    const DWORD expanded = ExpandEnvironmentStringsA(stored, commandTemplate, kTemplateBytes);
    return expanded != 0 && expanded <= kTemplateBytes;
}

// Whether `text` holds `placeholder`, found as ReplacePlaceholder finds it.
bool HoldsPlaceholder(const char* text, const char* placeholder) {
    return MeasureReplacement(text, placeholder, "") != TextLength(text);
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

    // Stays empty when the program's own path cannot be read. A folder the
    // code page cannot spell stops only an argument that names it: an
    // absolute INF path does not depend on where the launcher lies.
    char moduleDirectory[kModuleDirectoryBytes] = {};
    if (GetModuleDirectory(moduleDirectory) == kModuleDirectoryUnspellable &&
        HoldsPlaceholder(argumentCopy, "%EXEPATH%")) {
        return Report(instance, kMessageSetupBroken, -2);
    }

    char keyPath[kKeyPathBytes] = {};
    if (QueryRegistryString(keyPath, kKeyPathBytes, HKEY_CLASSES_ROOT, ".inf", "") != 0) {
        return Report(instance, kMessageSetupBroken, -2);
    }
    // A file type too long to take the command key counts as a type
    // without an Install command.
    char commandTemplate[kTemplateBytes] = {};
    if (!AppendWithin(keyPath, kKeyPathBytes, kCommandKey) ||
        !ReadCommandTemplate(keyPath, commandTemplate)) {
        return Report(instance, kMessageOsNotSupported, -2);
    }

    // Never run a cut or half-substituted path or command.
    if (MeasureReplacement(argumentCopy, "%EXEPATH%", moduleDirectory) >= kExpandedBytes) {
        return Report(instance, kMessageSetupBroken, -2);
    }
    char expandedArgument[kExpandedBytes] = {};
    ReplacePlaceholder(argumentCopy, kArgumentBytes, "%EXEPATH%", moduleDirectory, expandedArgument,
                       kExpandedBytes);
    char infPath[kInfPathBytes] = {};
    StripQuotes(infPath, kInfPathBytes, expandedArgument);

    if (MeasureReplacement(commandTemplate, "%1", infPath) >= kCommandBytes) {
        return Report(instance, kMessageSetupBroken, -2);
    }
    char installCommand[kCommandBytes] = {};
    ReplacePlaceholder(commandTemplate, kTemplateBytes, "%1", infPath, installCommand,
                       kCommandBytes);

    LaunchAndWait(installCommand, nullptr, SW_SHOWNORMAL, nullptr, 1, 1);
    RegisterComponents(infPath);
    return 0;
}
