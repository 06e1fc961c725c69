// The install sequence allocates nothing: every heap allocation made while
// RunInstall runs against the in-memory Windows is counted, on the way to
// each of its exits.
#include "driver/install.h"
#include "text/leadbyte.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "fake_win32.h"

namespace {

const std::string kTemplate =
    "%SystemRoot%\\System32\\rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 %1";

// A world where the whole sequence runs: the ".inf" association, the kit in
// D:\kit\ and an INF file with `lines` in its "RegisterFiles" section.
void GivenKit(const std::vector<std::string>& lines, const std::string& commandTemplate) {
    fake::Reset();
    fake::World& world = fake::TheWorld();
    world.modulePath = "D:\\kit\\Quenlow.exe";
    world.registry.push_back({"HKCR\\.inf", {{"", REG_SZ, std::string("inffile\0", 8)}}});
    world.registry.push_back(
        {"HKCR\\inffile\\shell\\Install\\command", {{"", REG_EXPAND_SZ, commandTemplate + '\0'}}});
    world.findable = {"rundll32.exe"};
    world.exitCodeReads = {{STILL_ACTIVE, false}, {0, false}};
    world.signalledAfterReads = 1;
    world.profileSections.push_back({"D:\\kit\\setup.inf", "RegisterFiles", lines});
    world.files = {"D:\\kit\\\x95\\\\setup.inf", "C:\\kit\\setup.inf"};
}

struct Row {
    const char* name;
    std::uint32_t codePage;
    std::string argument;
    void (*change)(); // what differs from the kit, or null
    int result;
};

const std::vector<Row> kRows = {
    // name                         cp    argument                     change       result
    {"install and registrations", 0, "\"%EXEPATH%setup.inf\"", nullptr, 0},
    {"double-byte path", 932, "\"%EXEPATH%\x95\\\\setup.inf\"", nullptr, 0},
    {"empty argument", 0, "", nullptr, -1},
    {"argument too long", 0, std::string(131, 'a'), nullptr, -2},
    {"no INF file", 0, "missing.inf", nullptr, -2},
    {"no association", 0, "setup.inf", [] { fake::TheWorld().registry.clear(); }, -2},
    {"no install command", 0, "setup.inf", [] { fake::TheWorld().registry.pop_back(); }, -2},
    {"program search through every blank", 0, "D:\\kit\\setup.inf",
     [] { fake::TheWorld().findable.clear(); }, -2},
    {"shell refuses, registrations fail", 0, "D:\\kit\\setup.inf",
     [] {
         fake::TheWorld().shellRefuses = true;
         fake::TheWorld().failingCommandLines = {"regsvr32"};
     },
     -2},
    {"expansion would not fit", 0, "%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%%EXEPATH%",
     [] { fake::TheWorld().modulePath = "C:\\" + std::string(100, 'd') + "\\Q.exe"; }, -2},
    {"no program path", 0, "%EXEPATH%setup.inf", [] { fake::TheWorld().modulePath = ""; }, -2},
};

TEST(RunInstallAllocations, NoneOnAnyPath) {
    const std::vector<std::string> lines = {
        "a.dll",       "C:\\Program Files\\Kit\\y.dll", "1=b.ocx",
        "my file.dll", std::string(300, 'n') + ".dll",  "dir\\"};
    for (const Row& row : kRows) {
        GivenKit(lines, kTemplate);
        if (row.change != nullptr) {
            row.change();
        }
        ClassifyLeadBytes(row.codePage);
        fake::TheWorld().codePage = row.codePage != 0 ? row.codePage : 1252;
        fake::TypeArgument(row.argument);
        allocation_counter::Start();
        const int result = RunInstall(nullptr, row.argument.c_str());
        const std::size_t allocations = allocation_counter::Stop();
        EXPECT_EQ(result, row.result) << "row (" << row.name << ")";
        EXPECT_EQ(allocations, 0u) << "row (" << row.name << ")";
        EXPECT_EQ(fake::OpenHandles(), 0) << "row (" << row.name << ")";
    }
    ClassifyLeadBytes(0);
}

// The rows above ran the registrations: the calls the fake saw prove it.
TEST(RunInstallAllocations, RowsReachTheRegistrations) {
    GivenKit({"a.dll", "b.ocx"}, kTemplate);
    ClassifyLeadBytes(0);
    fake::TypeArgument("\"%EXEPATH%setup.inf\"");
    allocation_counter::Start();
    EXPECT_EQ(RunInstall(nullptr, "\"%EXEPATH%setup.inf\""), 0);
    EXPECT_EQ(allocation_counter::Stop(), 0u);
    EXPECT_EQ(fake::CallsTo("ShellExecuteExA").size(), 1u);
    EXPECT_EQ(fake::CallsTo("CreateProcessA").size(), 2u);
}

// The count sees allocations made through malloc and through new.
void* volatile escaped = nullptr;

TEST(RunInstallAllocations, CounterCounts) {
    allocation_counter::Start();
    escaped = std::malloc(16);
    EXPECT_EQ(allocation_counter::Stop(), 1u) << "malloc";
    std::free(escaped);

    allocation_counter::Start();
    auto* number = new int(7);
    escaped = number;
    EXPECT_EQ(allocation_counter::Stop(), 1u) << "new";
    delete number;
}

} // namespace
