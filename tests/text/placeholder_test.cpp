#include "text/placeholder.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/guarded.h"

namespace {

struct Row {
    const char* name;
    std::string source; // placed at the start of a zero-filled source buffer
    std::uint32_t sourceSize;
    const char* placeholder;
    const char* replacement;
    std::uint32_t destinationSize;
    int result;
    std::string output; // the destination's first destinationSize bytes
};

std::string Padded(const std::string& text, std::size_t size) {
    std::string padded = text;
    padded.resize(size, '\0');
    return padded;
}

// Occurrences are replaced left to right while the replacement and a NUL
// fit; an occurrence that does not fit is carried over as text; the output
// is cut at destinationSize - 1 bytes; unusable arguments write nothing.
const std::vector<Row> kRows = {
    // name                          source                  size  placeholder  repl  dsize  res  output
    {"two adjacent occurrences", "%1%1", 16, "%1", "XY", 32, 0, "XYXY"},
    {"text between occurrences", "%1a%1", 16, "%1", "XY", 32, 0, "XYaXY"},
    {"three occurrences", "x%1yy%1zz%1w", 16, "%1", "XY", 32, 0, "xXYyyXYzzXYw"},
    {"empty replacement deletes", "a%1%1cd", 16, "%1", "", 32, 0, "acd"},
    {"no occurrence", "abc", 16, "%1", "XY", 32, 0, "abc"},
    {"all-zero source", "", 16, "%1", "XY", 32, 0, ""},
    {"near miss then occurrence", "%EXEPAT %EXEPATH%", 24, "%EXEPATH%", "D", 32, 0, "%EXEPAT D"},
    {"matching is case-sensitive", "%exepath%", 24, "%EXEPATH%", "D", 32, 0, "%exepath%"},
    {"replacement too long by one", "ab%1cd", 16, "%1", "ABCDEFGHIJ", 12, 0, "ab%1cd"},
    {"replacement fits exactly, tail cut", "ab%1cd", 16, "%1", "ABCDEFGHIJ", 13, 0,
     "abABCDEFGHIJ"},
    {"no occurrence fits", "ab%1cd%1e", 16, "%1", "ABCDEFGHIJ", 11, 0, "ab%1cd%1e"},
    {"output cut at destination", "abcdefghij", 16, "%1", "XY", 5, 0, "abcd"},
    {"source without NUL", "%1", 2, "%1", "XY", 32, 0, "XY"},
    {"placeholder longer than source", "%", 1, "%1", "XY", 32, -1, ""},
    {"empty source buffer", "", 0, "%1", "XY", 32, -1, ""},
    {"empty placeholder", "abc", 16, "", "XY", 32, -1, ""},
    {"destination of one byte", "abc%1", 16, "%1", "XY", 1, 0, ""},
    {"second occurrence finds the output full", "%1aaaa%1", 16, "%1", "XYZ", 6, 0, "XYZaa"},
    {"occurrence right at the end", "abc%1", 5, "%1", "XY", 32, 0, "abcXY"},
    {"double-byte text is plain bytes", "\x81%1\x81", 16, "%1", "XY", 32, 0, "\x81XY\x81"},
};

TEST(ReplacePlaceholder, Examples) {
    for (const Row& row : kRows) {
        std::string source = Padded(row.source, row.sourceSize);
        Guarded<64> destination;
        const int result = ReplacePlaceholder(source.data(), row.sourceSize, row.placeholder,
                                              row.replacement, destination.bytes,
                                              row.destinationSize);
        EXPECT_EQ(result, row.result) << "row (" << row.name << ")";
        EXPECT_EQ(destination.Text(), row.output) << "row (" << row.name << ")";
        // Nothing is written at or beyond the destination size.
        for (std::size_t i = row.destinationSize == 0 ? 0 : row.output.size(); i < 64; ++i) {
            ASSERT_EQ(destination.bytes[i], '\0') << "row (" << row.name << ") byte " << i;
        }
        EXPECT_TRUE(destination.GuardsIntact()) << "row (" << row.name << ")";
    }
}

// The NUL after an inserted replacement is the operation's own: it lands at
// index 12 here even though the destination was not zero-filled.
TEST(ReplacePlaceholder, WritesNulAfterReplacement) {
    const char source[16] = "ab%1cd";
    Guarded<13> destination('#');
    ASSERT_EQ(ReplacePlaceholder(source, 16, "%1", "ABCDEFGHIJ", destination.bytes, 13), 0);
    EXPECT_EQ(destination.Bytes(), std::string("abABCDEFGHIJ\0", 13));
    EXPECT_TRUE(destination.GuardsIntact());
}

TEST(ReplacePlaceholder, DestinationSizeZeroWritesNothing) {
    const char source[16] = "%1abc";
    Guarded<8> destination('#');
    ASSERT_EQ(ReplacePlaceholder(source, 16, "%1", "XY", destination.bytes, 0), 0);
    EXPECT_EQ(destination.Bytes(), std::string(8, '#'));
}

// A last byte that starts the placeholder must not make the search read the
// byte after the source buffer, even when that byte would complete it.
TEST(ReplacePlaceholder, NoMatchAcrossTheSourceEnd) {
    char memory[17] = "abcdefghijklmno%";
    memory[16] = '1';
    Guarded<32> destination;
    ASSERT_EQ(ReplacePlaceholder(memory, 16, "%1", "XY", destination.bytes, 32), 0);
    EXPECT_EQ(destination.Text(), "abcdefghijklmno%");
}

// The sizes the installer passes: a full 260-byte argument buffer into 270.
TEST(ReplacePlaceholder, InstallerSizes) {
    char argument[260] = {};
    std::string text = "\"%EXEPATH%setup.inf\"";
    text.copy(argument, text.size());
    Guarded<270> expanded;
    ASSERT_EQ(ReplacePlaceholder(argument, 260, "%EXEPATH%", "D:\\kit\\", expanded.bytes, 270), 0);
    EXPECT_EQ(expanded.Text(), "\"D:\\kit\\setup.inf\"");
    EXPECT_TRUE(expanded.GuardsIntact());
}

} // namespace

namespace {

// The measured length is what ReplacePlaceholder produces when everything
// fits, so a caller can refuse a substitution that would be cut.
TEST(MeasureReplacement, AgreesWithReplacePlaceholder) {
    struct Row {
        const char* name;
        const char* text;
        const char* placeholder;
        const char* replacement;
        std::uint32_t length;
    } rows[] = {
        {"no occurrence", "abc", "%1", "XYZ", 3},
        {"grows", "a%1b%1", "%1", "XYZ", 8},
        {"shrinks", "%EXEPATH%x", "%EXEPATH%", "D:\\", 4},
        {"deleted", "%1%1", "%1", "", 0},
        {"no overlap", "%%%", "%%", "ab", 3},
        {"empty text", "", "%1", "XY", 0},
    };
    for (const Row& row : rows) {
        const std::uint32_t measured =
            MeasureReplacement(row.text, row.placeholder, row.replacement);
        EXPECT_EQ(measured, row.length) << "row (" << row.name << ")";
        char source[32] = {};
        std::string(row.text).copy(source, sizeof source - 1);
        char destination[64] = {};
        ASSERT_EQ(ReplacePlaceholder(source, 32, row.placeholder, row.replacement, destination,
                                     64),
                  0);
        EXPECT_EQ(std::string(destination).size(), measured) << "row (" << row.name << ")";
    }
}

} // namespace
