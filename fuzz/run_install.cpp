// RunInstall as a whole against the native fake, compared with the model of
// the install sequence: the argument (typed as it is), the program's path,
// the two registry values, the names the file search finds, the INF file's
// section and the system folder all come from the input. What the fake's
// code page and paths make of them the model asks the fake. Checked: the exit code, the
// message, the registry keys opened, the names tested, the shell request's
// file and parameters, the section read, every registration command line,
// and that every handle is closed again.
//
// Input: code page, two flag bytes, the two values' types, two masks of
// blanks of the install command whose candidate or fallback name is
// findable, the exit-code reads that find the command still running; then
// as NUL-ended fields: argument, program path, file type data, command key
// name, template data, system folder, failing command line, section lines.
#include <windows.h>

#include <cstdio>

#include "driver/install.h"
#include "fake_internal.h"
#include "harness.h"
#include "model/install_model.h"
#include "model/text_model.h"
#include "text/leadbyte.h"

namespace {

enum Flag : std::uint8_t {
    kInfKey = 1,
    kInfKeyRefuses = 2,
    kInfKeyHasDefault = 4,
    kFileTypeTerminated = 8,
    kCommandKeyMatches = 16,
    kCommandKeyRefuses = 32,
    kCommandKeyHasDefault = 64,
    kTemplateTerminated = 128,
};
enum Flag2 : std::uint8_t {
    kSectionInInfFile = 1,
    kShellRefuses = 2,
    kShellStartsNoProcess = 4,
    kOwnSystemFolder = 8,
    kFailingRegistration = 16,
    kInfFileElsewhere = 32, // the INF file exists, its section is in another
};

constexpr char kCommandKey[] = "\\shell\\Install\\command";

std::string Format(const char* format, const std::string& a, const std::string& b = "") {
    char line[4400];
    std::snprintf(line, sizeof line, format, a.c_str(), b.c_str());
    return line;
}

std::vector<std::string> Lines(const char* format, const std::vector<std::string>& texts) {
    std::vector<std::string> lines;
    for (const std::string& text : texts) {
        lines.push_back(Format(format, text));
    }
    return lines;
}

void ExpectCalls(const std::string& prefix, const std::vector<std::string>& expected,
                 const char* what) {
    const std::vector<std::string> calls = fake::CallsTo(prefix);
    harness::ExpectSame(static_cast<int>(calls.size()), static_cast<int>(expected.size()), what);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        harness::ExpectSame(calls[i], expected[i], what);
    }
}

// Names of the install command that the file search will find: for blank
// n (n < 8) of the command, its candidate when bit n of `candidates` is
// set, its file name and extension when bit n of `fallbacks` is.
std::vector<std::string> Findable(std::uint32_t codePage, const std::string& command,
                                  std::uint8_t candidates, std::uint8_t fallbacks) {
    std::vector<std::string> names;
    std::size_t blank = command.find(' ');
    for (int n = 0; n < 8 && blank != std::string::npos; ++n) {
        const std::string candidate = command.substr(0, blank);
        if ((candidates >> n & 1) != 0) {
            names.push_back(candidate);
        }
        if ((fallbacks >> n & 1) != 0) {
            const model::SplitParts parts = model::SplitPath(codePage, candidate);
            names.push_back(parts.fileName.substr(0, parts.fileName.find('\0')) +
                            parts.extension.substr(0, parts.extension.find('\0')));
        }
        blank = command.find(' ', blank + 1);
    }
    return names;
}

// The fake as the world describes it, apart from the names the file search
// finds and the INF file's section, which the model's answers choose.
void DescribeFake(const model::InstallWorld& world, std::uint8_t flags2, int runningReads,
                  const std::string& failing) {
    fake::Reset();
    fake::World& fake = fake::TheWorld();
    fake.modulePath = world.modulePath;
    fake.codePage = world.codePage;
    fake::TypeArgument(world.argument);
    for (const model::Key& key : world.keys) {
        fake::RegistryKey stored{"HKCR\\" + key.path, {}, key.refusesFullAccess};
        if (key.hasDefault) {
            stored.values.push_back({"", key.type, key.data});
        }
        fake.registry.push_back(stored);
    }
    fake.currentDirectory = world.currentDirectory;
    fake.shellRefuses = world.shellRefuses;
    fake.shellStartsProcess = (flags2 & kShellStartsNoProcess) == 0;
    fake.exitCodeReads.assign(static_cast<std::size_t>(runningReads), {STILL_ACTIVE, false});
    fake.exitCodeReads.push_back({0, false});
    fake.signalledAfterReads = runningReads;
    fake.systemDirectory = world.systemDirectory;
    if ((flags2 & kFailingRegistration) != 0 && !failing.empty()) {
        fake.failingCommandLines.push_back(failing);
    }
}

// `text` through the fake's code page and back: exactly, when `lossy` stays
// false and the bytes come back the same.
std::string RoundTrip(const std::string& text, bool* lossy) {
    char16_t wide[fake::kPathUnits];
    fake::Widen(text.c_str(), wide, fake::kPathUnits);
    char back[2 * fake::kPathUnits];
    fake::Narrow(wide, back, sizeof back, lossy);
    return back;
}

// The platform's answers the model asks for, from the fake.
void AskTheFake(model::InstallWorld& world) {
    bool lossy = false;
    // The start-up skips blanks and control bytes before the argument.
    world.argumentTyped =
        RoundTrip(world.argument, &lossy) == world.argument && !lossy &&
        (world.argument.empty() || static_cast<unsigned char>(world.argument[0]) > 0x20);
    RoundTrip(world.modulePath, &lossy);
    world.modulePathSpelled = !lossy;
    world.fullPathName = [](const std::string& path) {
        char full[fake::kPathUnits];
        return fake::FullPath(path.c_str(), full, sizeof full) != 0 ? std::string(full)
                                                                    : std::string();
    };
    world.spellsFullPath = [](const std::string& path) {
        char16_t wide[fake::kPathUnits];
        char16_t full[fake::kPathUnits];
        fake::Widen(path.c_str(), wide, fake::kPathUnits);
        const std::size_t length = fake::FullPathW(wide, full, fake::kPathUnits);
        char spelled[2 * fake::kPathUnits];
        bool lossy = false;
        fake::Narrow(full, spelled, sizeof spelled, &lossy);
        return length == 0 || length >= 520 || !lossy;
    };
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    harness::Input input(data, size);
    model::InstallWorld world;
    world.codePage = harness::PickCodePage(input.Byte());
    const std::uint8_t flags = input.Byte();
    const std::uint8_t flags2 = input.Byte();
    const std::uint32_t fileTypeType = input.Byte() % 8;
    const std::uint32_t templateType = input.Byte() % 8;
    const std::uint8_t candidates = input.Byte();
    const std::uint8_t fallbacks = input.Byte();
    const int runningReads = input.Byte() % 3;
    world.argument = input.Text();
    world.modulePath = input.Text();
    const std::string fileType =
        input.Text() + ((flags & kFileTypeTerminated) != 0 ? std::string(1, '\0') : "");
    const std::string commandKeyName = input.Text();
    const std::string commandTemplate =
        input.Text() + ((flags & kTemplateTerminated) != 0 ? std::string(1, '\0') : "");
    const std::string systemFolder = input.Text();
    const std::string failing = input.Text();
    for (int i = 0; i < 40 && input.Remaining(); ++i) {
        world.sectionLines.push_back(input.Text());
    }

    world.systemDirectory =
        (flags2 & kOwnSystemFolder) != 0 ? systemFolder : "C:\\windows\\system32";
    world.shellRefuses = (flags2 & kShellRefuses) != 0;
    if ((flags & kInfKey) != 0) {
        world.keys.push_back({".inf", (flags & kInfKeyRefuses) != 0,
                              (flags & kInfKeyHasDefault) != 0, fileTypeType, fileType});
    }
    world.keys.push_back({(flags & kCommandKeyMatches) != 0
                              ? fileType.substr(0, fileType.find('\0')) + kCommandKey
                              : commandKeyName,
                          (flags & kCommandKeyRefuses) != 0, (flags & kCommandKeyHasDefault) != 0,
                          templateType, commandTemplate});
    DescribeFake(world, flags2, runningReads, failing);
    AskTheFake(world);
    world.findable = Findable(world.codePage, model::InstallCommand(world), candidates, fallbacks);
    fake::TheWorld().findable = world.findable;
    // The INF file as the disk holds it: the INF path normalized.
    const std::string infPath = world.fullPathName(model::RunInstall(world).infPath);
    world.sectionFile = (flags2 & kSectionInInfFile) != 0 ? infPath : "C:\\elsewhere.inf";
    fake::TheWorld().profileSections = {{world.sectionFile, "RegisterFiles", world.sectionLines}};
    if ((flags2 & kInfFileElsewhere) != 0) {
        world.files.push_back(infPath);
        fake::TheWorld().files = world.files;
    }
    const model::Installed expected = model::RunInstall(world);

    ClassifyLeadBytes(world.codePage);
    harness::ExactBuffer argument(harness::Terminated(world.argument));
    const int result = RunInstall(nullptr, argument.Data());

    harness::ExpectSame(result, expected.result, "exit code");
    harness::ExpectSame(fake::OpenHandles(), 0, "every handle closed");
    if (fake::Calls().size() >= 256) {
        return 0; // the fake's call log is full: the calls cannot be told
    }
    ExpectCalls("MessageBoxW",
                expected.message == 0
                    ? std::vector<std::string>{}
                    : std::vector<std::string>{Format("MessageBoxW((nil), #%s, null, 0x10)",
                                                      std::to_string(expected.message))},
                "message");
    // Below the machine's classes key, opened first.
    std::vector<std::string> opened =
        Lines("RegOpenKeyExA(Classes, \"%s\", 0, 0xf003f)", expected.opened);
    if (!opened.empty()) {
        opened.insert(opened.begin(), "RegOpenKeyExA(HKLM, \"Software\\Classes\", 0, 0x20019)");
    }
    ExpectCalls("RegOpenKeyExA", opened, "registry keys");
    ExpectCalls("SearchPathA", Lines("SearchPathA(%s, null, 260, buffer, null)", expected.searched),
                "names tested");
    const std::vector<std::string> shell = fake::CallsTo("ShellExecuteExA");
    harness::ExpectSame(static_cast<int>(shell.size()), expected.launched ? 1 : 0, "shell calls");
    if (expected.launched) {
        const std::string request =
            Format(", file=\"%s\", parameters=%s, directory=null, show=1,", expected.file,
                   expected.hasParameters ? "\"" + expected.parameters + "\"" : "null");
        harness::Expect(shell[0].find(request) != std::string::npos, "shell request", shell[0],
                        request);
    }
    ExpectCalls(
        "GetPrivateProfileSectionA",
        expected.sectionRead
            ? std::vector<std::string>{Format(
                  "GetPrivateProfileSectionA(\"RegisterFiles\", 1024, \"%s\")", expected.infPath)}
            : std::vector<std::string>{},
        "section read");
    std::vector<std::string> started;
    for (const std::string& commandLine : expected.started) {
        started.push_back(
            Format("CreateProcessA(\"%s\", \"%s\", null, null, 0, 0x20, null, null, cb=",
                   expected.tool, commandLine) +
            std::to_string(sizeof(STARTUPINFOA)) + ")");
    }
    ExpectCalls("CreateProcessA", started, "registrations");
    return 0;
}
