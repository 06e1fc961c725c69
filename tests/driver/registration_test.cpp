#include "driver/registration.h"
#include "text/leadbyte.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_win32.h"
#include "support/guarded.h"

namespace {

using Lines = std::vector<std::string>;

// The list buffer of `size` bytes holding `entries`, each NUL-ended, then
// the empty entry and a zero fill.
std::string MakeList(const Lines& entries, std::size_t size) {
    std::string list;
    for (const std::string& entry : entries) {
        list += entry;
        list += '\0';
    }
    list.resize(size, '\0');
    return list;
}

TEST(PopListEntry, TakesEntriesInOrder) {
    std::string list = MakeList({"a.dll", "1=b.ocx", "c"}, 1024);
    Guarded<1024> entry('#');
    Lines popped;
    while (list[0] != '\0') {
        ASSERT_EQ(PopListEntry(list.data(), 1024, entry.bytes), 0);
        popped.push_back(entry.Text());
        ASSERT_LT(popped.size(), 4u);
    }
    EXPECT_EQ(popped, (Lines{"a.dll", "1=b.ocx", "c"}));
    EXPECT_TRUE(entry.GuardsIntact());
}

// The list moves front first by the entry's length and its NUL; the last
// bytes of the buffer stay as they were.
TEST(PopListEntry, MovesTheRestOfAFullBuffer) {
    std::string list(1024, 'x');
    list.replace(0, 4, "abc", 4); // "abc", NUL, then 1020 'x' bytes...
    list[1021] = '\0';            // ...ended by a NUL entry pair
    list[1022] = '\0';
    list[1023] = 'z';
    Guarded<1024> entry;
    const std::string before = list;
    ASSERT_EQ(PopListEntry(list.data(), 1024, entry.bytes), 0);
    EXPECT_EQ(entry.Text(), "abc");
    EXPECT_EQ(list.substr(0, 1020), before.substr(4, 1020));
    EXPECT_EQ(list.substr(1020), before.substr(1020)); // last L + 1 bytes kept
    EXPECT_TRUE(entry.GuardsIntact());
}

TEST(PopListEntry, EntryReachingTheEndEmptiesTheList) {
    struct Row {
        const char* name;
        std::string list;
        std::string entry;
    } rows[] = {
        {"no NUL at all", std::string(8, 'a'), std::string(7, 'a')},
        {"NUL in the last byte", std::string(7, 'a') + '\0', std::string(7, 'a')},
    };
    for (Row& row : rows) {
        Guarded<8> entry('#');
        ASSERT_EQ(PopListEntry(row.list.data(), 8, entry.bytes), 0);
        EXPECT_EQ(entry.Text(), row.entry) << row.name;
        EXPECT_EQ(row.list[0], '\0') << row.name;
        EXPECT_TRUE(entry.GuardsIntact()) << row.name;
    }
}

class RegisterComponentsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::Reset();
        ClassifyLeadBytes(0);
    }
    void TearDown() override { ClassifyLeadBytes(0); }

    static void GivenSection(const Lines& lines) {
        fake::TheWorld().profileSections.push_back({"C:\\kit\\setup.inf", "RegisterFiles", lines});
    }
    static std::string Start(const std::string& commandLine) {
        return "CreateProcessA(\"C:\\windows\\system32\\regsvr32.exe\", \"" + commandLine +
               "\", null, null, 0, 0x20, null, null, cb=" + std::to_string(sizeof(STARTUPINFOA)) +
               ")";
    }
    static Lines CommandLines() {
        Lines commandLines;
        for (const std::string& call : fake::CallsTo("CreateProcessA")) {
            const std::size_t start = call.find("\", \"") + 4;
            commandLines.push_back(call.substr(start, call.find("\", null") - start));
        }
        return commandLines;
    }
};

// Each registration runs alone: started, thread handle closed, waited for
// without a time-out, process handle closed, and only then the next.
TEST_F(RegisterComponentsTest, RegistersEachEntryInTurn) {
    GivenSection({"a.dll", "b.ocx"});
    RegisterComponents("C:\\kit\\setup.inf");
    EXPECT_EQ(fake::Calls(), (Lines{
                                 "GetPrivateProfileSectionA(\"RegisterFiles\", 1024, "
                                 "\"C:\\kit\\setup.inf\")",
                                 "GetSystemDirectoryA(260)",
                                 Start("regsvr32 /s a.dll"),
                                 "CloseHandle(thread#1)",
                                 "WaitForSingleObject(process#1, 4294967295)",
                                 "CloseHandle(process#1)",
                                 Start("regsvr32 /s b.ocx"),
                                 "CloseHandle(thread#2)",
                                 "WaitForSingleObject(process#2, 4294967295)",
                                 "CloseHandle(process#2)",
                             }));
    EXPECT_EQ(fake::OpenHandles(), 0);
}

TEST_F(RegisterComponentsTest, CommandLines) {
    const std::string name240(240, 'n');
    struct Row {
        const char* name;
        std::uint32_t codePage;
        Lines section;
        Lines commandLines;
    } rows[] = {
        {"drive and directory dropped",
         0,
         {"C:\\Program Files\\Kit\\y.dll"},
         {"regsvr32 /s y.dll"}},
        {"key=value kept whole", 0, {"1=y.dll"}, {"regsvr32 /s 1=y.dll"}},
        {"key goes with the directory", 0, {"x=C:\\d\\y.dll"}, {"regsvr32 /s y.dll"}},
        {"blank in the name is quoted", 0, {"my file.dll"}, {"regsvr32 /s \"my file.dll\""}},
        {"blank in the extension is quoted", 0, {"f.d ll"}, {"regsvr32 /s \"f.d ll\""}},
        {"the author's quotes are not doubled",
         0,
         {"\"my file.dll\""},
         {"regsvr32 /s \"my file.dll\""}},
        // A quote is no part of a file name: the entry's go before it is
        // split, wherever they open, and the name is quoted again.
        {"the author's quotes around a path",
         0,
         {"\"C:\\Program Files\\Kit\\my file.dll\""},
         {"regsvr32 /s \"my file.dll\""}},
        {"the author's quotes around a directory id",
         0,
         {"\"%11%\\my file.dll\""},
         {"regsvr32 /s \"my file.dll\""}},
        {"a key before a quoted path",
         0,
         {"1=\"C:\\Kit\\my comp.ocx\""},
         {"regsvr32 /s \"my comp.ocx\""}},
        {"quotes in the middle of a name",
         0,
         {"C:\\Kit\\my \"big\" file.dll"},
         {"regsvr32 /s \"my big file.dll\""}},
        {"trailing separator", 0, {"dir\\"}, {"regsvr32 /s "}},
        {"a comment after an entry, a tab in a quoted name",
         0,
         {"a.dll ; the control", "b.dll\t;note", "\"my\tfile.dll\""},
         {"regsvr32 /s a.dll", "regsvr32 /s b.dll", "regsvr32 /s \"my\tfile.dll\""}},
        {"trail byte 0x5C kept whole", 932, {"C:\\\x95\\.dll"}, {"regsvr32 /s \x95\\.dll"}},
        {"longest name that fits",
         0,
         {std::string(247, 'a')},
         {"regsvr32 /s " + std::string(247, 'a')}},
        {"one byte too long is skipped",
         0,
         {std::string(248, 'a'), "b.dll"},
         {"regsvr32 /s b.dll"}},
        {"quotes count towards the limit",
         0,
         {std::string(244, 'a') + " b", std::string(240, 'a') + " b"},
         {"regsvr32 /s \"" + std::string(240, 'a') + " b\""}},
        {"name and extension cut at 255 each", 0, {name240 + "." + name240}, {}},
        {"empty section", 0, {}, {}},
        // The reader cuts the second line to 22 bytes: a piece of a name.
        {"the cut last entry is left out",
         0,
         {"C:\\" + std::string(990, 'd') + "\\a.dll", std::string(40, 'b') + ".dll"},
         {"regsvr32 /s a.dll"}},
    };
    for (const Row& row : rows) {
        fake::Reset();
        ClassifyLeadBytes(row.codePage);
        GivenSection(row.section);
        RegisterComponents("C:\\kit\\setup.inf");
        EXPECT_EQ(CommandLines(), row.commandLines) << "row (" << row.name << ")";
        EXPECT_EQ(fake::OpenHandles(), 0) << "row (" << row.name << ")";
    }
}

TEST_F(RegisterComponentsTest, NothingToRegisterStartsNothing) {
    RegisterComponents("C:\\kit\\missing.inf"); // no such file, no section
    EXPECT_EQ(fake::Calls(), (Lines{"GetPrivateProfileSectionA(\"RegisterFiles\", 1024, "
                                    "\"C:\\kit\\missing.inf\")"}));
}

// A section larger than the buffer: only the whole entries the reader
// returned.
TEST_F(RegisterComponentsTest, SectionCutToTheBuffer) {
    Lines lines;
    for (int i = 0; i < 200; ++i) {
        lines.push_back("component" + std::to_string(i) + ".dll"); // 16-18 bytes each
    }
    GivenSection(lines);
    RegisterComponents("C:\\kit\\setup.inf");
    const Lines started = CommandLines();
    ASSERT_GE(started.size(), 50u);
    ASSERT_LE(started.size(), 70u);
    for (std::size_t i = 0; i < started.size(); ++i) {
        EXPECT_EQ(started[i], "regsvr32 /s component" + std::to_string(i) + ".dll");
    }
    EXPECT_EQ(fake::OpenHandles(), 0);
}

TEST_F(RegisterComponentsTest, FailedStartIsSkipped) {
    GivenSection({"a.dll", "bad.dll", "c.dll"});
    fake::TheWorld().failingCommandLines = {"bad.dll"};
    RegisterComponents("C:\\kit\\setup.inf");
    EXPECT_EQ(CommandLines(),
              (Lines{"regsvr32 /s a.dll", "regsvr32 /s bad.dll", "regsvr32 /s c.dll"}));
    EXPECT_EQ(fake::CallsTo("WaitForSingleObject").size(), 2u);
    EXPECT_EQ(fake::OpenHandles(), 0);
}

// Without the system folder there is no trusted tool to start.
TEST_F(RegisterComponentsTest, NoSystemFolderRegistersNothing) {
    GivenSection({"a.dll"});
    for (const std::string& folder : {std::string(), std::string(260, 'C')}) {
        fake::TheWorld().systemDirectory = folder;
        RegisterComponents("C:\\kit\\setup.inf");
        EXPECT_TRUE(fake::CallsTo("CreateProcessA").empty()) << folder.size();
    }
}

} // namespace
