#include "text/leadbyte.h"
#include "text/path.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/guarded.h"

namespace {

struct SplitRow {
    const char* name;
    std::uint32_t codePage;
    std::string path;
    std::string drive, directory, fileName, extension;
};

// The drive is two bytes before a colon; the directory runs to the last
// separator (slash or backslash); the extension starts at the last dot of
// the name. Trail bytes are never separators or dots.
const std::vector<SplitRow> kSplitRows = {
    // name                    cp    path                    drive  directory     name   ext
    {"full path", 0, "C:\\dir\\sub\\file.inf", "C:", "\\dir\\sub\\", "file", ".inf"},
    {"bare name", 0, "file", "", "", "file", ""},
    {"empty path", 0, "", "", "", "", ""},
    {"drive only", 0, "C:", "C:", "", "", ""},
    {"drive-relative", 0, "C:file.x", "C:", "", "file", ".x"},
    {"any byte before the colon", 0, "1:abc", "1:", "", "abc", ""},
    {"one-byte path", 0, "C", "", "", "C", ""},
    {"dot in a directory", 0, "\\dir.d\\file", "", "\\dir.d\\", "file", ""},
    {"last dot wins", 0, "a.b.c", "", "", "a.b", ".c"},
    {"name is only an extension", 0, ".inf", "", "", "", ".inf"},
    {"trailing dot", 0, "file.", "", "", "file", "."},
    {"trailing separator", 0, "dir\\", "", "dir\\", "", ""},
    {"slashes", 0, "/u/v.w", "", "/u/", "v", ".w"},
    {"mixed separators", 0, "a/b\\c.d", "", "a/b\\", "c", ".d"},
    {"network path", 0, "\\\\srv\\share\\x.dll", "", "\\\\srv\\share\\", "x", ".dll"},
    {"trail byte 0x5C under 932", 932, "C:\\\x95\\\\x.inf", "C:", "\\\x95\\\\", "x", ".inf"},
    {"trail byte 0x5C before the name", 932, "C:\\\x95\\x.inf", "C:", "\\", "\x95\\x", ".inf"},
    {"0x5C after 0x95, single-byte page", 1252, "C:\\\x95\\x.inf", "C:", "\\\x95\\", "x", ".inf"},
    {"trail byte 0x5C at the end of a name", 932, "\x95\\.dll", "", "", "\x95\\", ".dll"},
    {"dot as trail byte", 932, "a\x81.b", "", "", "a\x81.b", ""},
    {"dot as trail byte, single-byte page", 1252, "a\x81.b", "", "", "a\x81", ".b"},
    {"lone lead byte at the end", 932, "a\x81", "", "", "a", ""},
    {"lone lead byte after a dot", 932, "a.\x81", "", "", "a", "."},
    {"Big5 lead bytes", 950, "\xA5\\x.y", "", "", "\xA5\\x", ".y"},
    {"Johab gap is single-byte", 1361, "\xD5\\x", "", "\xD5\\", "x", ""},
};

TEST(SplitPath, Examples) {
    for (const SplitRow& row : kSplitRows) {
        ClassifyLeadBytes(row.codePage);
        Guarded<3> drive('#');
        Guarded<256> directory('#'), fileName('#'), extension('#');
        SplitPath(row.path.c_str(), drive.bytes, directory.bytes, fileName.bytes, extension.bytes);
        const std::string where = "row (" + std::string(row.name) + ")";
        EXPECT_EQ(Show(drive.Text()), Show(row.drive)) << where;
        EXPECT_EQ(Show(directory.Text()), Show(row.directory)) << where;
        EXPECT_EQ(Show(fileName.Text()), Show(row.fileName)) << where;
        EXPECT_EQ(Show(extension.Text()), Show(row.extension)) << where;
        EXPECT_TRUE(drive.GuardsIntact() && directory.GuardsIntact() &&
                    fileName.GuardsIntact() && extension.GuardsIntact())
            << where;
    }
    ClassifyLeadBytes(0);
}

TEST(SplitPath, PartsNotWantedAreSkipped) {
    ClassifyLeadBytes(0);
    Guarded<256> fileName, extension;
    SplitPath("C:\\a\\b.c", nullptr, nullptr, fileName.bytes, extension.bytes);
    EXPECT_EQ(fileName.Text(), "b");
    EXPECT_EQ(extension.Text(), ".c");
    SplitPath("C:\\a\\b.c", nullptr, nullptr, nullptr, nullptr);
}

// Each part is cut to 255 bytes, and to 254 when the 255th byte would open
// a double-byte character.
TEST(SplitPath, LongPartsAreCut) {
    struct Row {
        const char* name;
        std::uint32_t codePage;
        std::string part;
        std::size_t kept;
    } rows[] = {
        {"300 single bytes", 0, std::string(300, 'a'), 255},
        {"lead byte as the 255th byte", 932, std::string(254, 'a') + std::string(40, '\x81'), 254},
        {"double-byte characters end at 254", 932, std::string(300, '\x81'), 254},
        {"single then double-byte, ends at 255", 932, "a" + std::string(300, '\x81'), 255},
    };
    for (const Row& row : rows) {
        ClassifyLeadBytes(row.codePage);
        Guarded<256> directory, fileName, extension;
        SplitPath((row.part + "\\" + row.part + ".x").c_str(), nullptr, directory.bytes,
                  fileName.bytes, extension.bytes);
        EXPECT_EQ(directory.Text(), row.part.substr(0, row.kept)) << "row (" << row.name << ")";
        EXPECT_EQ(fileName.Text(), row.part.substr(0, row.kept)) << "row (" << row.name << ")";
        EXPECT_EQ(extension.Text(), ".x") << "row (" << row.name << ")";
        EXPECT_TRUE(directory.GuardsIntact() && fileName.GuardsIntact() &&
                    extension.GuardsIntact());
    }
    ClassifyLeadBytes(0);
    Guarded<256> extension;
    SplitPath(("x." + std::string(300, 'e')).c_str(), nullptr, nullptr, nullptr, extension.bytes);
    EXPECT_EQ(extension.Text(), "." + std::string(254, 'e'));
    EXPECT_TRUE(extension.GuardsIntact());
}

struct StripRow {
    const char* name;
    std::uint32_t codePage;
    std::string source;
    std::uint32_t destinationSize;
    int result;
    std::string output;
};

// With a quote anywhere, the first byte goes; if one is still there, the
// last byte goes. Without quotes the text is copied when it fits.
const std::vector<StripRow> kStripRows = {
    {"quoted path with blank", 0, "\"C:\\a b\\x.inf\"", 520, 0, "C:\\a b\\x.inf"},
    {"unquoted path", 0, "C:\\x.inf", 520, 0, "C:\\x.inf"},
    {"opening quote only", 0, "\"C:\\x.inf", 520, 0, "C:\\x.inf"},
    {"closing quote only", 0, "C:\\x.inf\"", 520, 0, ":\\x.inf"},
    {"text after the closing quote", 0, "\"C:\\a\\x.inf\" more", 520, 0, "C:\\a\\x.inf\" mor"},
    {"blanks after the closing quote", 0, "\"C:\\x.inf\"  ", 520, 0, "C:\\x.inf\" "},
    {"quote in the middle", 0, "ab\"cd", 520, 0, "b\"c"},
    {"lone quote", 0, "\"", 520, 0, ""},
    {"two quotes", 0, "\"\"", 520, 0, ""},
    {"empty source", 0, "", 520, 0, ""},
    {"unquoted, does not fit", 0, "abcdef", 6, -4, ""},
    {"unquoted, fits exactly", 0, "abcdef", 7, 0, "abcdef"},
    {"quoted, does not fit", 0, "\"abcdef\"", 7, -4, ""},
    {"quoted, fits exactly", 0, "\"abcdef\"", 8, 0, "abcdef"},
    {"quote as trail byte", 932, "\x81\"abc", 520, 0, "\x81\"abc"},
    {"quote after a character", 932, "\x81\"ab\"", 520, 0, "\"ab"},
    {"lone lead byte lost", 932, "ab\x81", 520, 0, "ab"},
    {"lone lead byte before a quote", 932, "\"ab\x81", 520, 0, "ab\x81"},
    {"quote trail byte, single-byte page", 1252, "\x81\"abc", 520, 0, "\"ab"},
};

TEST(StripQuotes, Examples) {
    for (const StripRow& row : kStripRows) {
        ClassifyLeadBytes(row.codePage);
        Guarded<520> destination;
        const int result = StripQuotes(destination.bytes, row.destinationSize, row.source.c_str());
        EXPECT_EQ(result, row.result) << "row (" << row.name << ")";
        EXPECT_EQ(Show(destination.Text()), Show(row.output)) << "row (" << row.name << ")";
        for (std::size_t i = row.destinationSize; i < 520; ++i) {
            ASSERT_EQ(destination.bytes[i], '\0') << "row (" << row.name << ") byte " << i;
        }
        EXPECT_TRUE(destination.GuardsIntact()) << "row (" << row.name << ")";
    }
    ClassifyLeadBytes(0);
}

TEST(StripQuotes, RefusalLeavesDestinationUntouched) {
    ClassifyLeadBytes(0);
    for (const char* source : {"abcdef", "\"abcdef\""}) {
        Guarded<6> destination('#');
        EXPECT_EQ(StripQuotes(destination.bytes, 6, source), -4) << source;
        EXPECT_EQ(destination.Bytes(), "######") << source;
        EXPECT_TRUE(destination.GuardsIntact());
    }
}

TEST(LeadBytes, CodePageRanges) {
    struct Row {
        std::uint32_t codePage;
        std::vector<std::pair<unsigned, unsigned>> ranges;
    } rows[] = {
        {932, {{0x81, 0x9F}, {0xE0, 0xFC}}},
        {936, {{0x81, 0xFE}}},
        {949, {{0x81, 0xFE}}},
        {950, {{0x81, 0xFE}}},
        {1361, {{0x81, 0xD3}, {0xD8, 0xDE}, {0xE0, 0xF9}}},
        {1252, {}},
        {65001, {}},
    };
    for (const Row& row : rows) {
        ClassifyLeadBytes(row.codePage);
        for (unsigned byte = 0; byte < 256; ++byte) {
            bool lead = false;
            for (auto [first, last] : row.ranges) {
                lead = lead || (byte >= first && byte <= last);
            }
            ASSERT_EQ(IsLeadByte(static_cast<unsigned char>(byte)), lead)
                << "code page " << row.codePage << " byte " << byte;
        }
    }
    const unsigned char reported[12] = {0x81, 0x84, 0xA0, 0xA0, 0, 0, 0xF0, 0xF0};
    ClassifyLeadByteRanges(reported);
    EXPECT_TRUE(IsLeadByte(0x81) && IsLeadByte(0x84) && IsLeadByte(0xA0));
    EXPECT_FALSE(IsLeadByte(0x85) || IsLeadByte(0xF0)); // ranges end at the zero pair
    ClassifyLeadBytes(0);
}

} // namespace
