#include "driver/install.h"
#include "text/leadbyte.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_win32.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kTemplate =
    "%SystemRoot%\\System32\\rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 %1";
const std::string kSystemRundll32 = "C:\\windows\\system32\\rundll32.exe";
const std::string kSystemProg = "C:\\windows\\system32\\prog.exe";

class RunInstallTest : public ::testing::Test {
  protected:
    // A system with the usual ".inf" association, the kit in D:\kit\ and
    // an INF file that lists one component, the INF files the rows name and
    // C:\kit\ as working folder; the system folder is on the search path.
    void SetUp() override {
        fake::Reset();
        ClassifyLeadBytes(0);
        fake::World& world = fake::TheWorld();
        world.modulePath = "D:\\kit\\Quenlow.exe";
        GivenFileType(std::string("inffile\0", 8), REG_SZ);
        GivenTemplate(kTemplate);
        world.environment = {{"SystemRoot", "C:\\windows"}, {"Fill", std::string(400, 'f')}};
        world.findable = {"C:\\windows\\System32\\rundll32.exe", "rundll32.exe"};
        world.profileSections.push_back({"D:\\kit\\setup.inf", "RegisterFiles", {"a.dll"}});
        world.files = {"C:\\x y\\s.inf", "C:\\a b\\s.inf", "C:\\kit\\x.inf",
                       "C:\\kit\\%exepath%a.inf", "D:\\kit\\%SystemRoot%.inf"};
    }
    void TearDown() override { ClassifyLeadBytes(0); }

    static void SetDefault(const std::string& key, const std::string& data, DWORD type) {
        auto& registry = fake::TheWorld().registry;
        for (auto& existing : registry) {
            if (existing.path == key) {
                existing.values = {{"", type, data}};
                return;
            }
        }
        registry.push_back({key, {{"", type, data}}});
    }
    static void GivenFileType(const std::string& data, DWORD type) {
        SetDefault("HKCR\\.inf", data, type);
    }
    static void GivenTemplate(const std::string& text, const std::string& type = "inffile",
                              DWORD kind = REG_EXPAND_SZ) {
        SetDefault("HKCR\\" + type + "\\shell\\Install\\command", text + '\0', kind);
    }

    // The launcher in a folder with no spelling in the code page, not even a
    // short one.
    static void GivenUnspellableFolder() {
        fake::TheWorld().modulePath = "D:\\????????\\Quenlow.exe";
        fake::TheWorld().wideModulePath = u"D:\\Ελληνικά\\Quenlow.exe";
    }

    // The working folder C:\Rīga, which code page 1252 spells C:\Riga, a
    // look-alike; its short form for setup.inf, if given.
    static void GivenLookAlikeWorkingFolder(const std::u16string& shortForm) {
        fake::TheWorld().wideCurrentDirectory = u"C:\\R\u012bga";
        if (!shortForm.empty()) {
            fake::TheWorld().shortPaths = {{u"C:\\R\u012bga\\setup.inf", shortForm}};
        }
    }

    static std::string Shell(const std::string& file, const std::string& parameters) {
        return "ShellExecuteExA(cbSize=" + std::to_string(sizeof(SHELLEXECUTEINFOA)) +
               ", fMask=0x440, hwnd=null, verb=\"open\", file=\"" + file +
               "\", parameters=" + parameters +
               ", directory=null, show=1, hInstApp=null, idList=null, class=null, "
               "hkeyClass=null, hotKey=0, hIcon=null, hProcess=null)";
    }
    // The message boxes shown, and whether anything was started.
    static Lines Messages() { return fake::CallsTo("MessageBoxW"); }
    static bool RanAnything() {
        return !fake::CallsTo("ShellExecuteExA").empty() ||
               !fake::CallsTo("CreateProcessA").empty();
    }
    static std::string Box(const char* id) {
        return std::string("MessageBoxW((nil), ") + id + ", null, 0x10)";
    }
};

TEST_F(RunInstallTest, InstallsThenRegisters) {
    fake::TypeArgument("\"%EXEPATH%setup.inf\"");
    EXPECT_EQ(RunInstall(nullptr, "\"%EXEPATH%setup.inf\""), 0);
    const Lines calls = fake::Calls();
    const Lines expectedStart = {
        "GetModuleFileNameA((nil), 260)",
        "GetModuleFileNameW((nil), 260)",
        "WideCharToMultiByte(0, 0x400, \"D:\\kit\\Quenlow.exe\", -1, 260)",
        "RegOpenKeyExA(HKLM, \"Software\\Classes\", 0, 0x20019)",
        "RegOpenKeyExA(Classes, \".inf\", 0, 0xf003f)",
        "RegQueryValueExA(key, \"\", 1024)",
        "RegCloseKey(key)",
        "RegOpenKeyExA(Classes, \"inffile\\shell\\Install\\command\", 0, 0xf003f)",
        "RegQueryValueExA(key, \"\", 1024)",
        "RegCloseKey(key)",
        "ExpandEnvironmentStringsA(\"" + kTemplate + "\", 520)",
        "RegCloseKey(key)",
        "GetCommandLineW()",
        "WideCharToMultiByte(0, 0x400, \"\"%EXEPATH%setup.inf\"\", -1, 260)",
        "GetFullPathNameA(\"D:\\kit\\setup.inf\", 520, null)",
        "GetFileAttributesA(\"D:\\kit\\setup.inf\")",
        "GetSystemDirectoryA(260)",
        "GetWindowsDirectoryA(260)",
        "GetEnvironmentVariableA(\"PATH\", 33257)",
        "SearchPathA(null, \"C:\\windows\\System32\\rundll32.exe\", null, 260, buffer, null)",
        "GetFileAttributesA(\"C:\\windows\\System32\\rundll32.exe\")",
        Shell("C:\\windows\\System32\\rundll32.exe",
              "\"setupapi,InstallHinfSection DefaultInstall 132 D:\\kit\\setup.inf\""),
    };
    ASSERT_GE(calls.size(), expectedStart.size());
    EXPECT_EQ(Lines(calls.begin(), calls.begin() + static_cast<long>(expectedStart.size())),
              expectedStart);
    EXPECT_EQ(fake::CallsTo("Sleep"), Lines{"Sleep(1000)"});
    // Registration comes after the install command's wait.
    const Lines tail(calls.end() - 6, calls.end());
    EXPECT_EQ(tail.front(),
              "GetPrivateProfileSectionA(\"RegisterFiles\", 1024, \"D:\\kit\\setup.inf\")");
    EXPECT_NE(tail[2].find("\"regsvr32 /s a.dll\""), std::string::npos) << tail[2];
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(fake::OpenHandles(), 0);
}

TEST_F(RunInstallTest, ArgumentBounds) {
    struct Row {
        const char* name;
        std::uint32_t codePage;
        std::string argument;
        int result;
    } rows[] = {
        {"empty", 0, "", -1},
        {"130 bytes", 0, std::string(130, 'a'), 0},
        {"131 bytes", 0, std::string(131, 'a'), -2},
        {"65 double-byte characters", 932, std::string(130, '\x81'), 0},
        {"66 double-byte characters", 932, std::string(132, '\x81'), -2},
        {"trailing blanks count", 0, std::string(128, 'a') + "   ", -2},
    };
    for (const Row& row : rows) {
        SetUp();
        ClassifyLeadBytes(row.codePage);
        fake::TheWorld().codePage = row.codePage != 0 ? row.codePage : 1252;
        fake::TheWorld().files = {"C:\\kit\\" + row.argument};
        fake::TypeArgument(row.argument);
        EXPECT_EQ(RunInstall(nullptr, row.argument.c_str()), row.result)
            << "row (" << row.name << ")";
        if (row.result == 0) {
            EXPECT_TRUE(Messages().empty()) << "row (" << row.name << ")";
        } else {
            EXPECT_EQ(Messages(), Lines{Box("#101")}) << "row (" << row.name << ")";
            EXPECT_EQ(fake::CallsTo("LoadStringW"), Lines{"LoadStringW((nil), 101, 100)"});
            EXPECT_TRUE(fake::CallsTo("RegOpenKeyExA").empty()) << "row (" << row.name << ")";
        }
    }
}

// Failures that stop the sequence before anything runs: which message,
// which code.
TEST_F(RunInstallTest, RefusalsRunNothing) {
    struct Row {
        const char* name;
        void (*world)();
        const char* argument;
        const char* message;
    } rows[] = {
        {"no .inf association", [] { fake::TheWorld().registry.clear(); }, "x.inf", "#101"},
        {".inf without a default value", [] { fake::TheWorld().registry[0].values.clear(); },
         "x.inf", "#101"},
        {".inf readable but not writable",
         [] { fake::TheWorld().registry[0].refusesFullAccess = true; }, "x.inf", "#101"},
        {"no Install command", [] { fake::TheWorld().registry.pop_back(); }, "x.inf", "#102"},
        {"empty Install command", [] { GivenTemplate(""); }, "x.inf", "#102"},
        {"file type too long for the command key",
         [] { GivenFileType(std::string(233, 't') + '\0', REG_SZ); }, "x.inf", "#102"},
        {"%EXEPATH% names a folder the code page cannot spell", GivenUnspellableFolder,
         "\"%EXEPATH%setup.inf\"", "#101"},
        {"expanded argument would be cut",
         [] { fake::TheWorld().modulePath = "D:\\" + std::string(250, 'k') + "\\Q.exe"; },
         "%EXEPATH%%EXEPATH%a.inf", "#101"},
        {"expanded template would be cut",
         [] { GivenTemplate("%Fill%" + std::string(116, 'p') + " %1"); }, "x.inf", "#102"},
        {"install command would be cut",
         [] {
             std::string tenTimes(100, 'c');
             for (int i = 0; i < 10; ++i) {
                 tenTimes += " %1";
             }
             GivenTemplate(tenTimes);
         },
         "\"%EXEPATH%"
         "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
         "aaaaaaa.inf\"",
         "#101"},
        // The INF path must name a file, as typed: else the install program
        // would start on nothing, or on another file.
        {"INF file missing", [] {}, "\"%EXEPATH%missing.inf\"", "#101"},
        {"INF path names a folder", [] { fake::TheWorld().folders = {"D:\\kit\\"}; },
         "\"%EXEPATH%\"", "#101"},
        {"a blank after the closing quote", [] {}, "\"%EXEPATH%setup.inf\" ", "#101"},
        {"two paths in one", [] {}, "%EXEPATH%a%EXEPATH%", "#101"},
        {"%EXEPATH% names a folder its buffer cut",
         [] { fake::TheWorld().modulePath = "D:\\" + std::string(300, 'k') + "\\Quenlow.exe"; },
         "\"%EXEPATH%setup.inf\"", "#101"},
        {"INF path names a device", [] {}, "\"%EXEPATH%nul.inf\"", "#101"},
        {"INF path in the device namespace", [] {}, "\\\\.\\CON", "#101"},
        {"%EXEPATH% names a folder SplitPath would cut",
         [] { fake::TheWorld().modulePath = "C:\\kit\\" + std::string(250, 'k') + "\\Q"; },
         "%EXEPATH%\\..\\x.inf", "#101"},
        {"no path of its own for %EXEPATH%", [] { fake::TheWorld().modulePath = ""; },
         "%EXEPATH%x.inf", "#101"},
        {"expansion cut by a double-byte code page",
         [] {
             fake::TheWorld().codePage = 932;
             fake::TheWorld().environment = {{"QJP", std::string(400, '\x8a')}};
             GivenTemplate("rundll32.exe %QJP% " + std::string(110, '1') + " %1");
         },
         "x.inf", "#102"},
        {"working folder spelled with a look-alike, no short form",
         [] {
             GivenLookAlikeWorkingFolder(u"");
             fake::TheWorld().files.push_back("C:\\Riga\\setup.inf");
         },
         "setup.inf", "#101"},
        {"argument typed with a best-fit look-alike",
         [] { fake::TheWorld().commandLine = u"Q.exe D:\\k\u012bt\\setup.inf"; },
         "D:\\kit\\setup.inf", "#101"},
        {"argument typed with a character the code page lacks",
         [] {
             fake::TheWorld().commandLine = u"Q.exe D:\\kit\\\u0394.inf";
             fake::TheWorld().files = {"D:\\kit\\?.inf"};
         },
         "D:\\kit\\?.inf", "#101"},
    };
    for (const Row& row : rows) {
        SetUp();
        fake::TypeArgument(row.argument);
        row.world();
        EXPECT_EQ(RunInstall(nullptr, row.argument), -2) << "row (" << row.name << ")";
        EXPECT_EQ(Messages(), Lines{Box(row.message)}) << "row (" << row.name << ")";
        EXPECT_FALSE(RanAnything()) << "row (" << row.name << ")";
        EXPECT_EQ(fake::OpenHandles(), 0) << "row (" << row.name << ")";
    }
}

// What the shell is asked to open, for arguments and templates: the
// program by its full path, which is what the shell then opens.
TEST_F(RunInstallTest, InstallCommands) {
    const std::string bare = "rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 %1";
    const std::string bareParameters =
        "\"setupapi,InstallHinfSection DefaultInstall 132 C:\\kit\\x.inf\"";
    struct Row {
        const char* name;
        std::string argument;
        std::string commandTemplate;
        std::string file;
        std::string parameters;
        DWORD kind = REG_EXPAND_SZ;
        std::string planted = ""; // a copy of the program, or the INF file
        void (*world)() = [] {};
    } rows[] = {
        {"quoted %EXEPATH% argument", "\"%EXEPATH%setup.inf\"", kTemplate,
         "C:\\windows\\System32\\rundll32.exe",
         "\"setupapi,InstallHinfSection DefaultInstall 132 D:\\kit\\setup.inf\""},
        {"plain path with blanks after it", "C:\\x y\\s.inf  ", "prog.exe %1", kSystemProg,
         "\"C:\\x y\\s.inf  \""},
        {"no quotes added around the path", "\"C:\\a b\\s.inf\"", "prog.exe /i %1 /q", kSystemProg,
         "\"/i C:\\a b\\s.inf /q\""},
        {"template without %1 runs unchanged", "\"%EXEPATH%setup.inf\"", "prog.exe /all",
         kSystemProg, "\"/all\""},
        {"two %1", "%EXEPATH%setup.inf", "prog.exe %1 %1", kSystemProg,
         "\"D:\\kit\\setup.inf D:\\kit\\setup.inf\""},
        // A relative path is the working folder's file.
        {"lowercase placeholder stays", "%exepath%a.inf", "prog.exe %1", kSystemProg,
         "\"C:\\kit\\%exepath%a.inf\""},
        // A REG_EXPAND_SZ template is expanded before the INF path goes in;
        // a REG_SZ one is taken as stored. A bare program, or one whose
        // folder does not resolve, is the system's, never a copy in the
        // launcher's folder or the working folder.
        {"REG_SZ template: a folder that does not resolve", "x.inf", kTemplate, kSystemRundll32,
         bareParameters, REG_SZ, "D:\\kit\\%SystemRoot%\\System32\\rundll32.exe"},
        {"found in the system folder", "x.inf", bare, kSystemRundll32, bareParameters, REG_SZ},
        {"a copy beside the launcher", "x.inf", bare, kSystemRundll32, bareParameters, REG_SZ,
         "D:\\kit\\rundll32.exe"},
        {"a copy in the working folder", "x.inf", bare, kSystemRundll32, bareParameters, REG_SZ,
         "C:\\kit\\rundll32.exe"},
        {"%1 survives, the INF path is not expanded", "%EXEPATH%%SystemRoot%.inf",
         "%SystemRoot%\\System32\\rundll32.exe \"%1\"", "C:\\windows\\System32\\rundll32.exe",
         "\"\"D:\\kit\\%SystemRoot%.inf\"\""},
        {"expansion fills the template but its last byte", "x.inf",
         "prog.exe %Fill%" + std::string(106, 'p') + " %1", kSystemProg,
         "\"" + std::string(400, 'f') + std::string(106, 'p') + " C:\\kit\\x.inf\""},
        // A drive without its root is that drive's working folder; a full
        // path stays as typed, its trailing dots and blanks too.
        {"drive-relative path", "C:setup.inf", "prog.exe %1", kSystemProg, "\"C:\\kit\\setup.inf\"",
         REG_EXPAND_SZ, "C:\\kit\\setup.inf"},
        {"drive-relative path up and back", "C:..\\kit\\setup.inf", "prog.exe %1", kSystemProg,
         "\"C:\\kit\\setup.inf\"", REG_EXPAND_SZ, "C:\\kit\\setup.inf"},
        {"trailing dots and blanks", "\"%EXEPATH%setup.inf. .\"", "prog.exe %1", kSystemProg,
         "\"D:\\kit\\setup.inf. .\""},
        {"working folder spelled with a look-alike: its short form", "setup.inf", "prog.exe %1",
         kSystemProg, "\"C:\\RIGA~1\\setup.inf\"", REG_EXPAND_SZ, "C:\\RIGA~1\\setup.inf",
         [] { GivenLookAlikeWorkingFolder(u"C:\\RIGA~1\\setup.inf"); }},
        {"a quoted program, no name in the INF path", "C:\\Kits\\tool.exe kit\\setup.inf",
         "\"" + kSystemRundll32 + "\" setupapi,InstallHinfSection DefaultInstall 132 %1",
         kSystemRundll32,
         "\"setupapi,InstallHinfSection DefaultInstall 132 C:\\Kits\\tool.exe kit\\setup.inf\"",
         REG_SZ, "C:\\Kits\\tool.exe kit\\setup.inf",
         [] { fake::TheWorld().findable.push_back("tool.exe"); }},
        {"the machine's association, not the user's", "x.inf", "prog.exe %1", kSystemProg,
         "\"C:\\kit\\x.inf\"", REG_SZ, "",
         [] {
             fake::TheWorld().registry.push_back(
                 {"HKCU\\Software\\Classes\\.inf", {{"", REG_SZ, "x"}}});
         }},
        {"65001: the short form of a folder its buffer cut", "\"%EXEPATH%setup.inf\"",
         "prog.exe %1", kSystemProg, "\"D:\\KIT~1\\setup.inf\"", REG_EXPAND_SZ,
         "D:\\KIT~1\\setup.inf",
         [] {
             fake::TheWorld().codePage = CP_UTF8;
             fake::TheWorld().modulePath = "D:\\" + std::string(300, 'k') + "\\Q.exe";
             fake::TheWorld().wideModulePath = u"D:\\kit\\Q.exe";
             fake::TheWorld().shortPaths = {{u"D:\\kit\\Q.exe", u"D:\\KIT~1\\Q.exe"}};
         }},
    };
    for (const Row& row : rows) {
        SetUp();
        fake::TheWorld().findable.push_back("prog.exe");
        fake::TheWorld().files.push_back(row.planted);
        GivenTemplate(row.commandTemplate, "inffile", row.kind);
        row.world();
        fake::TypeArgument(row.argument);
        EXPECT_EQ(RunInstall(nullptr, row.argument.c_str()), 0) << "row (" << row.name << ")";
        EXPECT_EQ(fake::CallsTo("ShellExecuteExA"), Lines{Shell(row.file, row.parameters)})
            << "row (" << row.name << ")";
        EXPECT_EQ(fake::ShellOpened(), row.file) << "row (" << row.name << ")";
    }
}

// A non-string file type reads as empty: the command key is looked up on
// its own.
TEST_F(RunInstallTest, NonStringFileType) {
    GivenFileType(std::string("\x01\x00\x00\x00", 4), REG_DWORD);
    GivenTemplate(kTemplate, "");
    fake::TypeArgument("x.inf");
    EXPECT_EQ(RunInstall(nullptr, "x.inf"), 0);
    EXPECT_EQ(fake::CallsTo("RegOpenKeyExA").back(),
              "RegOpenKeyExA(Classes, \"\\shell\\Install\\command\", 0, 0xf003f)");
}

// An install command that the shell refuses, or whose program is found
// nowhere, is told once the components are registered all the same.
TEST_F(RunInstallTest, RegistersThenTellsOfAnInstallCommandThatCannotStart) {
    for (auto change :
         {+[] { fake::TheWorld().shellRefuses = true; }, +[] { fake::TheWorld().findable.clear(); },
          +[] { GivenTemplate("C:\\Missing\\rundll32.exe %1", "inffile", REG_SZ); }}) {
        SetUp();
        change();
        fake::TypeArgument("\"%EXEPATH%setup.inf\"");
        EXPECT_EQ(RunInstall(nullptr, "\"%EXEPATH%setup.inf\""), -2);
        EXPECT_EQ(fake::CallsTo("CreateProcessA").size(), 1u);
        EXPECT_EQ(Messages(), Lines{Box("#102")});
        EXPECT_EQ(fake::Calls().back(), Box("#102"));
    }
}

// An argument that does not name the launcher's folder does not need it.
TEST_F(RunInstallTest, UnspellableFolderAndAnAbsolutePath) {
    GivenUnspellableFolder();
    // Nor does a program name the code page cannot spell stop the argument.
    fake::TheWorld().commandLine = u"\"D:\\Ελληνικά\\Quenlow.exe\" D:\\kit\\setup.inf";
    EXPECT_EQ(RunInstall(nullptr, "D:\\kit\\setup.inf"), 0);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(RanAnything());
}

} // namespace
