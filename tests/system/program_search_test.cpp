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
    Names searched;         // the names given to SearchPathA, in order
    std::string file;       // the program's full path, "(none)" when none is found
    const char* parameters; // kNone: no parameters at all
    std::uint32_t codePage = 0;
    Names folders = {}; // the names of `findable` that are folders
};

struct Result {
    Names searched;
    Names searchPaths; // each search's list of folders, in quotes, or null
    std::string file;
    std::string parameters; // "(none)" for a null pointer
    bool buffersIntact;
};

// What FindProgram asked SearchPathA and found in the fake's world.
Result SearchIn(const std::string& command) {
    Guarded<kProgramPathSize> program('#');
    Guarded<kParameterTextSize> parameterText('#');
    const char* parameters = nullptr;
    const bool found = FindProgram(command.c_str(), kWholeCommand, program.bytes,
                                   parameterText.bytes, &parameters);

    Result result;
    for (const std::string& call : fake::CallsTo("SearchPathA(")) {
        // SearchPathA(null or "folders", "name", null, 260, buffer, null)
        const std::string prefix = "SearchPathA(";
        const std::string suffix = "\", null, 260, buffer, null)";
        EXPECT_EQ(call.compare(call.size() - suffix.size(), suffix.size(), suffix), 0) << call;
        const std::string arguments =
            call.substr(prefix.size(), call.size() - prefix.size() - suffix.size());
        const std::size_t comma = arguments.find(", \"");
        result.searchPaths.push_back(arguments.substr(0, comma));
        result.searched.push_back(arguments.substr(comma + 3));
    }
    result.file = found ? program.Text() : "(none)";
    result.parameters = found && parameters != nullptr ? parameters : "(none)";
    result.buffersIntact = program.GuardsIntact() && parameterText.GuardsIntact();
    return result;
}

// The same in the fake's usual world: the system and Windows folders, no
// PATH.
Result Search(const std::string& command, const Names& findable, const Names& folders = {}) {
    fake::Reset();
    fake::TheWorld().findable = findable;
    fake::TheWorld().folders = folders;
    return SearchIn(command);
}

const std::string kSystem = "C:\\windows\\system32\\";
const std::string kFullPath260 = "C:\\" + std::string(257, 'p');
const std::string kLongName = std::string(255, 'n') + ".exex"; // 260 bytes, no directory

// Each blank from the left ends a candidate, and so does the command's end;
// a full path is tried where it says and only there, any other candidate by
// its bare name and extension in the system's folders; a quoted program is
// the only candidate. The first found wins, by its full path.
const std::vector<Row> kRows = {
    {"no blank: the whole command, without parameters",
     "setup.exe",
     {"setup.exe"},
     {"setup.exe"},
     kSystem + "setup.exe",
     kNone},
    {"first candidate found where it says",
     "C:\\WINDOWS\\rundll32.exe setupapi,Install 132 x",
     {"C:\\WINDOWS\\rundll32.exe"},
     {"C:\\WINDOWS\\rundll32.exe"},
     "C:\\WINDOWS\\rundll32.exe",
     "setupapi,Install 132 x"},
    // A folder part that names no place of its own is not looked for.
    {"unexpanded %SystemRoot%: the bare name in the system folder",
     "%SystemRoot%\\System32\\rundll32.exe setupapi,Install 132 x",
     {"rundll32.exe"},
     {"rundll32.exe"},
     kSystem + "rundll32.exe",
     "setupapi,Install 132 x"},
    {"a drive without its root: the bare name",
     "C:inst.exe /q",
     {"inst.exe"},
     {"inst.exe"},
     kSystem + "inst.exe",
     "/q"},
    {"a name part that begins like a drive is no bare name",
     "%X%\\C:x.exe /q",
     {"C:x.exe"},
     {"q"},
     "(none)",
     kNone},
    {"candidate, fallback, next candidate",
     "C:\\Program Files\\Kit\\inst.exe /q",
     {"C:\\Program Files\\Kit\\inst.exe"},
     {"C:\\Program", "C:\\Program Files\\Kit\\inst.exe"},
     "C:\\Program Files\\Kit\\inst.exe",
     "/q"},
    {"a folder found at a blank is no program",
     "C:\\Program Files (x86)\\Kit\\inst.exe /q",
     {"C:\\Program Files", "C:\\Program Files (x86)\\Kit\\inst.exe"},
     {"C:\\Program", "C:\\Program Files", "C:\\Program Files (x86)\\Kit\\inst.exe"},
     "C:\\Program Files (x86)\\Kit\\inst.exe",
     "/q",
     0,
     {"C:\\Program Files"}},
    {"a shorter full path's bare name is not looked for",
     "C:\\Program Files\\Kit\\inst.exe /q",
     {"Program", "C:\\Program Files\\Kit\\inst.exe"},
     {"C:\\Program", "C:\\Program Files\\Kit\\inst.exe"},
     "C:\\Program Files\\Kit\\inst.exe",
     "/q"},
    {"nor a missing full path's",
     "C:\\no\\a.exe b.exe c",
     {"a.exe", "C:\\no\\a.exe b.exe"},
     {"C:\\no\\a.exe", "C:\\no\\a.exe b.exe"},
     "C:\\no\\a.exe b.exe",
     "c"},
    // A command that starts with a quote: the text inside the first pair
    // is the program and no other, the rest less one blank its parameters.
    {"quoted program",
     "\"C:\\Program Files\\a.exe\" /f \"x y.inf\"",
     {"C:\\Program Files\\a.exe"},
     {"C:\\Program Files\\a.exe"},
     "C:\\Program Files\\a.exe",
     "/f \"x y.inf\""},
    {"quoted program whose folder does not resolve: its bare name",
     "\"%X%\\a.exe\" /f",
     {"a.exe"},
     {"a.exe"},
     kSystem + "a.exe",
     "/f"},
    {"quoted program right before its parameters",
     "\"a.exe\"x",
     {"a.exe"},
     {"a.exe"},
     kSystem + "a.exe",
     "x"},
    {"doubled blank after a found program",
     "a.exe  b",
     {"a.exe"},
     {"a.exe"},
     kSystem + "a.exe",
     " b"},
    {"doubled blank: the name before it, as a trailing blank names no other file",
     "x y  z",
     {"x y"},
     {"x", "x y"},
     kSystem + "x y",
     " z"},
    {"leading blank: empty candidate first",
     " a.exe b",
     {"a.exe"},
     {"", " a.exe", " a.exe b"},
     "(none)",
     kNone},
    {"found at a blank that ends the command",
     "a.exe ",
     {"a.exe"},
     {"a.exe"},
     kSystem + "a.exe",
     ""},
    {"no extension is added", "setup /q", {"setup.exe"}, {"setup", "q"}, "(none)", kNone},
    {"nothing found: nothing to run", "a b c", {}, {"a", "a b", "a b c"}, "(none)", kNone},
    {"260-byte candidate is tried, too long a path to hand on",
     kFullPath260 + " x",
     {kFullPath260},
     {kFullPath260},
     "(none)",
     kNone},
    {"261-byte candidate ends the search",
     kFullPath260 + "p x",
     {kFullPath260 + "p"},
     {},
     "(none)",
     kNone},
    {"search ends before a 261-byte candidate",
     "a " + std::string(259, 'p') + " x",
     {},
     {"a"},
     "(none)",
     kNone},
    {"fallback of a 260-byte candidate",
     "%D%\\" + std::string(250, 'd') + "\\a.exe x",
     {"a.exe"},
     {"a.exe"},
     kSystem + "a.exe",
     "x"},
    {"260-byte fallback name fills its buffer", kLongName + " x", {}, {kLongName}, "(none)", kNone},
    {"name part cut to 255 bytes",
     std::string(258, 'n') + "xx y",
     {},
     {std::string(255, 'n')},
     "(none)",
     kNone},
    {"trail byte 0x5C is not a separator (932)",
     "%D%\\\x95\\x.exe /q",
     {kSystem + "\x95\\x.exe"},
     {"\x95\\x.exe"},
     kSystem + "\x95\\x.exe",
     "/q",
     932},
    {"0x5C after 0x95 separates (1252)",
     "%D%\\\x95\\x.exe /q",
     {"x.exe"},
     {"x.exe"},
     kSystem + "x.exe",
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

// A bare name is looked for in the system folder, the Windows folder and
// those folders of PATH that are full paths; a folder its buffer would cut
// is left out, and without any folder there is no search at all.
TEST(FindProgram, FoldersOfABareName) {
    struct {
        const char* name;
        std::string systemDirectory, windowsDirectory, path;
        std::uint32_t codePage;
        std::string searchPath, file;
    } rows[] = {
        {"relative, empty and rooted folders of PATH left out", "C:\\s", "C:\\w",
         ".;;C:\\tools\\;sub;\\\\srv\\s;\\root;D:", 0, "C:\\s;C:\\w;C:\\tools\\;\\\\srv\\s",
         "C:\\tools\\tool.exe"},
        {"a trail byte 0x3B is no separator (1361)", "C:\\s", "C:\\w", "C:\\\x88;\\t;.", 1361,
         "C:\\s;C:\\w;C:\\\x88;\\t", "(none)"},
        {"a system folder its buffer would cut", "C:\\" + std::string(257, 's'), "C:\\w", "", 0,
         "C:\\w", "(none)"},
        {"no folder at all", "", "", "", 0, "", "(none)"},
    };
    for (const auto& row : rows) {
        fake::Reset();
        fake::World& world = fake::TheWorld();
        world.systemDirectory = row.systemDirectory;
        world.windowsDirectory = row.windowsDirectory;
        world.environment = {{"Path", row.path}};
        world.findable = {"C:\\tools\\tool.exe"};
        ClassifyLeadBytes(row.codePage);
        const Result result = SearchIn("tool.exe");
        const Names expected = row.searchPath.empty() ? Names{} : Names{'"' + row.searchPath + '"'};
        EXPECT_EQ(result.searchPaths, expected) << "row (" << row.name << ")";
        EXPECT_EQ(result.file, row.file) << "row (" << row.name << ")";
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
        EXPECT_EQ(result.file, kSystem + "a.exe");
        EXPECT_EQ(result.parameters, after.substr(0, row.kept)) << "length " << row.length;
        EXPECT_TRUE(result.buffersIntact) << "length " << row.length;
    }
}

} // namespace
