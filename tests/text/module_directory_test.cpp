#include "text/leadbyte.h"
#include "text/module_directory.h"

#include <gtest/gtest.h>

#include "fake_win32.h"
#include "support/guarded.h"

namespace {

TEST(GetModuleDirectory, Examples) {
    struct Row {
        const char* name;
        std::uint32_t codePage;
        std::string modulePath;
        int result;
        std::string directory;
    } rows[] = {
        {"folder with a blank", 0, "C:\\Program Files\\Setup\\inst.exe", 0,
         "C:\\Program Files\\Setup\\"},
        {"root folder", 0, "D:\\Quenlow.exe", 0, "D:\\"},
        {"network path", 0, "\\\\srv\\share\\kit\\Quenlow.exe", 0, "\\\\srv\\share\\kit\\"},
        {"no separator", 0, "Quenlow.exe", 0, ""},
        {"trail byte 0x5C", 932, "C:\\\x95\\\\Quenlow.exe", 0, "C:\\\x95\\\\"},
        {"path cut by the platform", 0, "C:\\" + std::string(300, 'a'), 0, "C:\\"},
    };
    for (const Row& row : rows) {
        fake::Reset();
        fake::TheWorld().modulePath = row.modulePath;
        ClassifyLeadBytes(row.codePage);
        Guarded<260> destination;
        EXPECT_EQ(GetModuleDirectory(destination.bytes), row.result) << "row (" << row.name << ")";
        EXPECT_EQ(destination.Text(), row.directory) << "row (" << row.name << ")";
        EXPECT_TRUE(destination.GuardsIntact());
        EXPECT_EQ(fake::Calls(), std::vector<std::string>{"GetModuleFileNameA((nil), 260)"});
    }
    ClassifyLeadBytes(0);
}

TEST(GetModuleDirectory, NoPathWritesNothing) {
    fake::Reset();
    fake::TheWorld().modulePath = "";
    Guarded<260> destination('#');
    EXPECT_EQ(GetModuleDirectory(destination.bytes), -1);
    EXPECT_EQ(destination.Bytes(), std::string(260, '#'));
}

// The longest result: a 2-byte drive and a 255-byte directory.
TEST(GetModuleDirectory, LongestDirectoryFits) {
    fake::Reset();
    fake::TheWorld().modulePath = "C:" + std::string(254, 'd') + "\\x.exe";
    Guarded<258> destination;
    EXPECT_EQ(GetModuleDirectory(destination.bytes), 0);
    EXPECT_EQ(destination.Text(), "C:" + std::string(254, 'd') + "\\");
    EXPECT_TRUE(destination.GuardsIntact());
}

} // namespace
