#include "system/program_search.h"

#include "text/leadbyte.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_win32.h"
#include "support/guarded.h"

namespace {

using Names = std::vector<std::string>;
const char* const kNone = nullptr;

struct Row {
    const char* name;
    std::string command;
    Names findable;
    Names searched; // the names given to SearchPathA, in order
    std::string file;
    const char* parameters; // kNone: no parameters at all
    std::uint32_t codePage = 0;
    Names folders = {}; // the names of `findable` that are folders
};

struct Result {
    Names searched;
    std::string file;
    std::string parameters; // "(none)" for a null pointer
    bool buffersIntact;
};

Result Search(const std::string& command, const Names& findable, const Names& folders = {}) {
    fake::Reset();
    fake::TheWorld().findable = findable;
    fake::TheWorld().folders = folders;
    Guarded<kCandidateSize> candidate('#'), fallbackName('#');
    Guarded<kParameterTextSize> parameterText('#');
    const char* file = nullptr;
    const char* parameters = nullptr;
    FindProgram(command.c_str(), candidate.bytes, fallbackName.bytes, parameterText.bytes, &file,
                &parameters);

    Result result;
    for (const std::string& call : fake::CallsTo("SearchPathA(")) {
        // SearchPathA(null, "name", null, 260, buffer, null)
        const std::string prefix = "SearchPathA(null, \"";
        const std::string suffix = "\", null, 260, buffer, null)";
        EXPECT_EQ(call.compare(0, prefix.size(), prefix), 0) << call;
        EXPECT_EQ(call.compare(call.size() - suffix.size(), suffix.size(), suffix), 0) << call;
        result.searched.push_back(
            call.substr(prefix.size(), call.size() - prefix.size() - suffix.size()));
    }
    result.file = file == nullptr ? "(null)" : file;
    result.parameters = parameters == nullptr ? "(none)" : parameters;
    result.buffersIntact =
        candidate.GuardsIntact() && fallbackName.GuardsIntact() && parameterText.GuardsIntact();
    return result;
}

const std::string k260(260, 'p');
const std::string kLongName = std::string(255, 'n') + ".exex"; // 260 bytes, no directory

// Each blank from the left ends a candidate; the candidate as written is
// tried first, then its bare name and extension; the first found wins.
const std::vector<Row> kRows = {
    {"no blank: whole command, no search", "setup.exe", {"setup.exe"}, {}, "setup.exe", kNone},
    {"first candidate found, directory kept",
     "C:\\WINDOWS\\rundll32.exe setupapi,Install 132 x",
     {"C:\\WINDOWS\\rundll32.exe"},
     {"C:\\WINDOWS\\rundll32.exe"},
     "C:\\WINDOWS\\rundll32.exe",
     "setupapi,Install 132 x"},
    {"unexpanded %SystemRoot% found by its bare name",
     "%SystemRoot%\\System32\\rundll32.exe setupapi,Install 132 x",
     {"rundll32.exe"},
     {"%SystemRoot%\\System32\\rundll32.exe", "rundll32.exe"},
     "rundll32.exe",
     "setupapi,Install 132 x"},
    {"drive dropped from the bare name",
     "C:inst.exe /q",
     {"inst.exe"},
     {"C:inst.exe", "inst.exe"},
     "inst.exe",
     "/q"},
    {"candidate, fallback, next candidate",
     "C:\\Program Files\\Kit\\inst.exe /q",
     {"C:\\Program Files\\Kit\\inst.exe"},
     {"C:\\Program", "Program", "C:\\Program Files\\Kit\\inst.exe"},
     "C:\\Program Files\\Kit\\inst.exe",
     "/q"},
    {"a folder found at a blank is no program",
     "C:\\Program Files (x86)\\Kit\\inst.exe /q",
     {"C:\\Program Files", "C:\\Program Files (x86)\\Kit\\inst.exe"},
     {"C:\\Program", "Program", "C:\\Program Files", "Program Files",
      "C:\\Program Files (x86)\\Kit\\inst.exe"},
     "C:\\Program Files (x86)\\Kit\\inst.exe",
     "/q",
     0,
     {"C:\\Program Files"}},
    {"shorter prefix's bare name wins",
     "C:\\Program Files\\Kit\\inst.exe /q",
     {"Program", "C:\\Program Files\\Kit\\inst.exe"},
     {"C:\\Program", "Program"},
     "Program",
     "Files\\Kit\\inst.exe /q"},
    {"fallback name before the next candidate",
     "C:\\no\\a.exe b.exe c",
     {"a.exe", "C:\\no\\a.exe b.exe"},
     {"C:\\no\\a.exe", "a.exe"},
     "a.exe",
     "b.exe c"},
    {"quotes stay in candidates and parameters",
     "\"C:\\Program Files\\a.exe\" /f \"x y.inf\"",
     {"\"C:\\Program Files\\a.exe\""},
     {"\"C:\\Program", "Program", "\"C:\\Program Files\\a.exe\""},
     "\"C:\\Program Files\\a.exe\"",
     "/f \"x y.inf\""},
    {"quotes stay in the fallback name",
     "\"%X%\\a.exe\" /f",
     {"a.exe\""},
     {"\"%X%\\a.exe\"", "a.exe\""},
     "a.exe\"",
     "/f"},
    {"doubled blank after a found program", "a.exe  b", {"a.exe"}, {"a.exe"}, "a.exe", " b"},
    {"doubled blank: next candidate ends in a blank",
     "x y  z",
     {"x y "},
     {"x", "x", "x y", "x y", "x y "},
     "x y ",
     "z"},
    {"leading blank: empty candidate first",
     " a.exe b",
     {"a.exe"},
     {"", "", " a.exe", " a.exe"},
     " a.exe b",
     kNone},
    {"found at a blank that ends the command", "a.exe ", {"a.exe"}, {"a.exe"}, "a.exe", ""},
    {"no extension is added", "setup /q", {"setup.exe"}, {"setup", "setup"}, "setup /q", kNone},
    {"blanks run out", "a b c", {}, {"a", "a", "a b", "a b"}, "a b c", kNone},
    {"260-byte candidate is tried", k260 + " x", {k260}, {k260}, k260, "x"},
    {"261-byte candidate ends the search", k260 + "p x", {k260 + "p"}, {}, k260 + "p x", kNone},
    {"search ends before a 261-byte candidate",
     "a " + std::string(259, 'p') + " x",
     {},
     {"a", "a"},
     "a " + std::string(259, 'p') + " x",
     kNone},
    {"fallback of a 260-byte candidate",
     "%D%\\" + kLongName.substr(4) + " x",
     {kLongName.substr(4)},
     {"%D%\\" + kLongName.substr(4), kLongName.substr(4)},
     kLongName.substr(4),
     "x"},
    {"260-byte fallback name fills its buffer",
     kLongName + " x",
     {},
     {kLongName, kLongName},
     kLongName + " x",
     kNone},
    {"name part cut to 255 bytes",
     std::string(258, 'n') + "xx y",
     {std::string(255, 'n')},
     {std::string(258, 'n') + "xx", std::string(255, 'n')},
     std::string(255, 'n'),
     "y"},
    {"trail byte 0x5C is not a separator (932)",
     "%D%\\\x95\\x.exe /q",
     {"\x95\\x.exe"},
     {"%D%\\\x95\\x.exe", "\x95\\x.exe"},
     "\x95\\x.exe",
     "/q",
     932},
    {"0x5C after 0x95 separates (1252)",
     "%D%\\\x95\\x.exe /q",
     {"x.exe"},
     {"%D%\\\x95\\x.exe", "x.exe"},
     "x.exe",
     "/q",
     1252},
};

TEST(FindProgram, Examples) {
    for (const Row& row : kRows) {
        const std::string where = "row (" + std::string(row.name) + ")";
        ClassifyLeadBytes(row.codePage);
        const Result result = Search(row.command, row.findable, row.folders);
        EXPECT_EQ(result.searched, row.searched) << where;
        EXPECT_EQ(Show(result.file), Show(row.file)) << where;
        EXPECT_EQ(Show(result.parameters),
                  row.parameters == kNone ? "(none)" : Show(row.parameters))
            << where;
        EXPECT_TRUE(result.buffersIntact) << where;
    }
    ClassifyLeadBytes(0);
}

// The parameter text holds at most 2047 bytes of what follows the blank.
TEST(FindProgram, ParametersAreCutAt2047Bytes) {
    struct {
        std::size_t length;
        std::size_t kept;
    } rows[] = {{2046, 2046}, {2047, 2047}, {2048, 2047}, {5000, 2047}};
    for (const auto& row : rows) {
        std::string after;
        for (std::size_t i = 0; i < row.length; ++i) {
            after += static_cast<char>('a' + i % 26);
        }
        const Result result = Search("a.exe " + after, {"a.exe"});
        EXPECT_EQ(result.file, "a.exe");
        EXPECT_EQ(result.parameters, after.substr(0, row.kept)) << "length " << row.length;
        EXPECT_TRUE(result.buffersIntact) << "length " << row.length;
    }
}

} // namespace
