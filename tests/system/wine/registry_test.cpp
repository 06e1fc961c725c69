// QueryRegistryString against Wine's registry, in a key of its own under
// HKEY_CURRENT_USER\Software that each test creates and deletes.
#include "system/registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

class RegistryOnWine : public ::testing::Test {
  protected:
    void SetUp() override {
        std::snprintf(subkey_, sizeof subkey_, "Software\\QuenlowTest-%lu",
                      static_cast<unsigned long>(GetCurrentProcessId()));
        RegDeleteTreeA(HKEY_CURRENT_USER, subkey_); // left over by a test that crashed
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subkey_, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key_);
        EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, subkey_), ERROR_SUCCESS);
        RegDeleteKeyA(HKEY_CURRENT_USER, subkey_);
    }
    void SetDefault(DWORD type, const std::string& data) {
        ASSERT_EQ(RegSetValueExA(key_, "", 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }

    char subkey_[64] = {};
    HKEY key_ = nullptr;
};

const std::string kUntouched = "(untouched)";

TEST_F(RegistryOnWine, DefaultValues) {
    struct Row {
        const char* name;
        DWORD type;
        std::string data; // stored as the default value
        std::uint32_t destinationSize;
        int result;
        std::string text; // or kUntouched
    } rows[] = {
        {"REG_SZ", REG_SZ, std::string("inffile\0", 8), 255, 0, "inffile"},
        {"REG_EXPAND_SZ keeps its percent signs", REG_EXPAND_SZ,
         std::string("%SystemRoot%\\System32\\rundll32.exe x %1\0", 40), 520, 0,
         "%SystemRoot%\\System32\\rundll32.exe x %1"},
        {"REG_DWORD copies nothing", REG_DWORD, std::string("\x01\0\0\0", 4), 255, 0, kUntouched},
        {"REG_BINARY copies nothing", REG_BINARY, "abc", 255, 0, kUntouched},
        {"embedded NUL", REG_SZ, std::string("abc\0def\0", 8), 255, 0, "abc"},
        {"only a terminator", REG_SZ, std::string("\0", 1), 255, 0, ""},
        {"1023 bytes and NUL", REG_SZ, std::string(1023, 'v') + '\0', 1024, 0,
         std::string(1023, 'v')},
        {"1024 bytes and NUL", REG_SZ, std::string(1024, 'v') + '\0', 2048, -1, kUntouched},
        {"too long for the destination", REG_SZ, std::string(255, 'v') + '\0', 255, -1, kUntouched},
    };
    for (const Row& row : rows) {
        const std::string where = "row (" + std::string(row.name) + ")";
        SetDefault(row.type, row.data);
        std::string destination(4096, '#');
        EXPECT_EQ(QueryRegistryString(&destination[0], row.destinationSize, HKEY_CURRENT_USER,
                                      subkey_, ""),
                  row.result)
            << where;
        const std::string expected =
            row.text == kUntouched ? std::string(4096, '#')
                                   : row.text + '\0' + std::string(4096 - row.text.size() - 1, '#');
        EXPECT_EQ(destination, expected) << where;
    }
}

TEST_F(RegistryOnWine, MissingKeyAndUnsetDefault) {
    ASSERT_EQ(RegSetValueExA(key_, "Named", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
              ERROR_SUCCESS);
    char destination[255];
    std::memset(destination, '#', sizeof destination);
    EXPECT_EQ(QueryRegistryString(destination, sizeof destination, HKEY_CURRENT_USER, subkey_, ""),
              -1);
    const std::string missing = std::string(subkey_) + "\\Missing";
    EXPECT_EQ(QueryRegistryString(destination, sizeof destination, HKEY_CURRENT_USER,
                                  missing.c_str(), ""),
              -2);
    EXPECT_EQ(std::string(destination, sizeof destination), std::string(sizeof destination, '#'));

    EXPECT_EQ(
        QueryRegistryString(destination, sizeof destination, HKEY_CURRENT_USER, subkey_, "Named"),
        0);
    EXPECT_STREQ(destination, "x");
}

// The two lookups of the install sequence, on Wine's own association.
TEST(RegistryOfWine, InfAssociationIsReadable) {
    char fileType[255] = {};
    ASSERT_EQ(QueryRegistryString(fileType, sizeof fileType, HKEY_CLASSES_ROOT, ".inf", ""), 0);
    EXPECT_STRNE(fileType, "");
    const std::string subkey = std::string(fileType) + "\\shell\\Install\\command";
    char command[520] = {};
    ASSERT_EQ(QueryRegistryString(command, sizeof command, HKEY_CLASSES_ROOT, subkey.c_str(), ""),
              0)
        << subkey;
    EXPECT_NE(std::string(command).find("%1"), std::string::npos) << command;
    std::printf("HKCR\\%s: \"%s\"\n", subkey.c_str(), command);
}

} // namespace
