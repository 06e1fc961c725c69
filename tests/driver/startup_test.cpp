#include "driver/startup.h"
#include "text/leadbyte.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_win32.h"
#include "support/guarded.h"

namespace {

TEST(SkipProgramName, Examples) {
    struct Row {
        const char* name;
        std::uint32_t codePage;
        std::string line;
        std::string argument;
    } rows[] = {
        {"unquoted name", 0, "Quenlow.exe setup.inf", "setup.inf"},
        {"quoted name with blanks", 0, "\"C:\\My Kit\\Quenlow.exe\" \"%EXEPATH%a.inf\"",
         "\"%EXEPATH%a.inf\""},
        {"no blank after the closing quote", 0, "\"C:\\Q.exe\"a.inf", "a.inf"},
        {"all words of the tail", 0, "Q.exe a b  c ", "a b  c "},
        {"tabs and control bytes skipped", 0, "Q.exe\t\x01\x1F x", "x"},
        {"name only", 0, "Q.exe", ""},
        {"blanks only", 0, "Q.exe    ", ""},
        {"empty line", 0, "", ""},
        {"unclosed quote", 0, "\"C:\\My Kit\\Q.exe", ""},
        {"high bytes belong to an unquoted name", 0, "\x95\xA0.exe a", "a"},
        {"trail byte 0x22 inside quotes", 932, "\"C:\\\x81\"\\Q.exe\" a.inf", "a.inf"},
        {"0x22 after 0x81, single-byte page", 1252, "\"C:\\\x81\"\\Q.exe\" a.inf",
         "\\Q.exe\" a.inf"},
        {"lone lead byte before the end", 932, "\"Q\x81", ""},
    };
    for (const Row& row : rows) {
        ClassifyLeadBytes(row.codePage);
        EXPECT_EQ(Show(SkipProgramName(row.line.c_str())), Show(row.argument))
            << "row (" << row.name << ")";
    }
    ClassifyLeadBytes(0);
}

// The DLL search is narrowed by the newest of the calls that kernel32 has.
TEST(RestrictDllSearch, NewestCallFound) {
    struct Row {
        const char* name;
        std::vector<std::string> exports;
        std::vector<std::string> calls;
    } rows[] = {
        {"both: the system folder only",
         {"SetDefaultDllDirectories", "SetDllDirectoryA"},
         {"SetDefaultDllDirectories(0x800)"}},
        {"only SetDllDirectoryA: the working folder out",
         {"SetDllDirectoryA"},
         {"SetDllDirectoryA(\"\")"}},
        {"neither", {}, {}},
    };
    for (const Row& row : rows) {
        fake::Reset();
        fake::TheWorld().kernel32Exports = row.exports;
        RestrictDllSearch();
        EXPECT_EQ(fake::CallsTo("SetD"), row.calls) << "row (" << row.name << ")";
    }
}

} // namespace
