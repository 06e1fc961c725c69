// Runs under Wine with the code page the test's environment selects: the
// classification made from the real GetACP/GetCPInfo, and the real path of
// the running executable.
#include "text/leadbyte.h"
#include "text/module_directory.h"
#include "text/system_code_page.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

TEST(SystemCodePage, ClassifiesFromTheRunningSystem) {
    const char* expected = std::getenv("QUENLOW_EXPECTED_ACP");
    ASSERT_NE(expected, nullptr) << "the test sets QUENLOW_EXPECTED_ACP";
    ASSERT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));

    ClassifySystemLeadBytes();
    for (unsigned byte = 0; byte < 256; ++byte) {
        const bool lead = GetACP() == 932 && ((byte >= 0x81 && byte <= 0x9F) ||
                                              (byte >= 0xE0 && byte <= 0xFC));
        ASSERT_EQ(IsLeadByte(static_cast<unsigned char>(byte)), lead) << "byte " << byte;
    }
    ClassifyLeadBytes(0);
}

TEST(GetModuleDirectory, IsTheTestProgramsFolder) {
    char expected[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameA(nullptr, expected, MAX_PATH), 0u);
    std::string folder = expected;
    folder.erase(folder.find_last_of('\\') + 1);

    char directory[MAX_PATH] = {};
    ASSERT_EQ(GetModuleDirectory(directory), 0);
    EXPECT_EQ(directory, folder);
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(folder.compare(1, 2, ":\\"), 0) << folder;
}

} // namespace
