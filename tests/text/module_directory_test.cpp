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
        // The path as the wide call gives it (empty: the ANSI bytes, each
        // one character) and its short form (empty: none).
        std::u16string widePath = u"";
        std::u16string shortPath = u"";
        bool wideCallsFail = false;
    } rows[] = {
        {"folder with a blank", 0, "C:\\Program Files\\Setup\\inst.exe", 0,
         "C:\\Program Files\\Setup\\"},
        {"root folder", 0, "D:\\Quenlow.exe", 0, "D:\\"},
        {"network path", 0, "\\\\srv\\share\\kit\\Quenlow.exe", 0, "\\\\srv\\share\\kit\\"},
        {"no separator", 0, "Quenlow.exe", 0, ""},
        {"trail byte 0x5C", 932, "C:\\\x95\\\\Quenlow.exe", 0, "C:\\\x95\\\\"},
        // A path cut to its buffer names another folder: the short form.
        {"path cut by the platform: refused", 0, "C:\\" + std::string(300, 'a'), -2, ""},
        {"path cut by the platform: the short form", 932,
         "C:\\" + std::string(300, '\x81') + "\\Q.exe", 0, "C:\\KIT~1\\",
         u"C:\\" + std::u16string(150, u'＝') + u"\\Q.exe", u"C:\\KIT~1\\Q.exe"},
        // The ANSI path where the code page holds it, else the short form,
        // else no directory at all: a path with '?' in it names no folder.
        {"representable: the ANSI bytes", 1252, "C:\\Kits\\Caf\xe9\\Quenlow.exe", 0,
         "C:\\Kits\\Caf\xe9\\", u"C:\\Kits\\Café\\Quenlow.exe", u"C:\\Kits\\CAFE~1\\Quenlow.exe"},
        {"lossy: the short form", 1252, "C:\\Kits\\????????\\Quenlow.exe", 0,
         "C:\\Kits\\____~ZOU\\", u"C:\\Kits\\Ελληνικά\\Quenlow.exe",
         u"C:\\Kits\\____~ZOU\\Quenlow.exe"},
        {"best-fit look-alike: the short form", 1252, "C:\\Kits\\Riga\\Quenlow.exe", 0,
         "C:\\Kits\\RIGA~1\\", u"C:\\Kits\\Rīga\\Quenlow.exe", u"C:\\Kits\\RIGA~1\\Quenlow.exe"},
        {"lossy without a short form: refused", 1252, "C:\\Kits\\????????\\Quenlow.exe", -2, "",
         u"C:\\Kits\\Ελληνικά\\Quenlow.exe"},
        {"short form still lossy: refused", 1252, "C:\\Kits\\????????\\Quenlow.exe", -2, "",
         u"C:\\Kits\\Ελληνικά\\Quenlow.exe", u"C:\\Kits\\Ελληνικά\\Quenlow.exe"},
        {"wide calls fail: the ANSI bytes", 1252, "C:\\Kits\\????????\\Quenlow.exe", 0,
         "C:\\Kits\\????????\\", u"C:\\Kits\\Ελληνικά\\Quenlow.exe",
         u"C:\\Kits\\____~ZOU\\Quenlow.exe", true},
    };
    for (const Row& row : rows) {
        fake::Reset();
        fake::World& world = fake::TheWorld();
        world.modulePath = row.modulePath;
        world.wideModulePath = row.widePath;
        if (!row.shortPath.empty()) {
            world.shortPaths = {{row.widePath, row.shortPath}};
        }
        world.wideCallsFail = row.wideCallsFail;
        ClassifyLeadBytes(row.codePage);
        Guarded<260> destination;
        EXPECT_EQ(GetModuleDirectory(destination.bytes), row.result) << "row (" << row.name << ")";
        EXPECT_EQ(destination.Text(), row.directory) << "row (" << row.name << ")";
        EXPECT_TRUE(destination.GuardsIntact());
        EXPECT_EQ(fake::CallsTo("GetModuleFileNameA"),
                  std::vector<std::string>{"GetModuleFileNameA((nil), 260)"});
        // Into the ANSI code page, with no best-fit look-alikes.
        for (const std::string& call : fake::CallsTo("WideCharToMultiByte")) {
            EXPECT_EQ(call.rfind("WideCharToMultiByte(0, 0x400, ", 0), 0u) << call;
        }
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
    fake::TheWorld().modulePath = "C:" + std::string(254, 'd') + "\\x";
    Guarded<258> destination;
    EXPECT_EQ(GetModuleDirectory(destination.bytes), 0);
    EXPECT_EQ(destination.Text(), "C:" + std::string(254, 'd') + "\\");
    EXPECT_TRUE(destination.GuardsIntact());
}

} // namespace
