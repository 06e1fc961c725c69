// Loads the built Quenlow.exe as a data file under Wine and reads its
// resources through the platform's own calls, as the program and the shell
// do: the messages, the version block, the icon and the manifest.
#include "support/guarded.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#ifndef QUENLOW_EXE
#error "QUENLOW_EXE names the executable under test"
#endif

namespace {

constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN);

class Resources : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        module = LoadLibraryExA(QUENLOW_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() {
        if (module != nullptr) {
            FreeLibrary(module);
        }
    }
    void SetUp() override { ASSERT_NE(module, nullptr) << "cannot load " << QUENLOW_EXE; }

    static HMODULE module;
};

HMODULE Resources::module = nullptr;

// Numbers 96 to 111 form block 7; 95 and 112 lie in blocks that do not exist.
struct StringRow {
    const char* name;
    UINT id;
    bool in_table;
    const wchar_t* text;
};

const StringRow kStrings[] = {
    {"before the block", 95, false, L""},
    {"first of the block", 96, true, L""},
    {"just before 101", 100, true, L""},
    {"message 101", 101, true, L"このセットアップは壊れています。"},
    {"message 102", 102, true, L"このセットアップは、このOSをサポートしていません。"},
    {"just after 102", 103, true, L""},
    {"last of the block", 111, true, L""},
    {"after the block", 112, false, L""},
};

TEST_F(Resources, LoadStringWGivesTheMessagesAndEmptyStrings) {
    for (const StringRow& row : kStrings) {
        wchar_t text[100] = {L'?'};
        EXPECT_EQ(LoadStringW(module, row.id, text, 100), static_cast<int>(wcslen(row.text)))
            << row.name;
        if (row.in_table) {
            EXPECT_EQ(std::wstring(text), std::wstring(row.text)) << row.name;
        }
        // With no buffer the call hands back where the string lies: only
        // strings of an existing block are found.
        const wchar_t* where = nullptr;
        LoadStringW(module, row.id, reinterpret_cast<LPWSTR>(&where), 0);
        EXPECT_EQ(where != nullptr, row.in_table) << row.name;
    }
}

// The texts in the ANSI code page, as LoadStringA delivers them into a
// 100-byte buffer: 32 and 50 bytes in code page 932 (the test runs with
// LANG=ja_JP.UTF-8).
TEST_F(Resources, LoadStringAGivesShiftJisTextOf32And50Bytes) {
    ASSERT_EQ(GetACP(), 932u);
    const struct {
        UINT id;
        std::string bytes;
    } rows[] = {
        {101, "\x82\xB1\x82\xCC\x83\x5A\x83\x62\x83\x67\x83\x41\x83\x62\x83\x76\x82\xCD\x89\xF3"
              "\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81\x42"},
        {102, "\x82\xB1\x82\xCC\x83\x5A\x83\x62\x83\x67\x83\x41\x83\x62\x83\x76\x82\xCD\x81\x41"
              "\x82\xB1\x82\xCC\x4F\x53\x82\xF0\x83\x54\x83\x7C\x81\x5B\x83\x67\x82\xB5\x82\xC4"
              "\x82\xA2\x82\xDC\x82\xB9\x82\xF1\x81\x42"},
    };
    for (const auto& row : rows) {
        Guarded<100> text;
        EXPECT_EQ(LoadStringA(module, row.id, text.bytes, 100), static_cast<int>(row.bytes.size()))
            << row.id;
        EXPECT_EQ(Show(text.Text()), Show(row.bytes)) << row.id;
        EXPECT_TRUE(text.GuardsIntact()) << row.id;
    }
}

TEST_F(Resources, EveryResourceIsFoundInJapanese) {
    EXPECT_NE(FindResourceExA(module, RT_STRING, MAKEINTRESOURCEA(7), kJapanese), nullptr);
    EXPECT_NE(FindResourceExA(module, RT_GROUP_ICON, "IDI_QUENLOW20", kJapanese), nullptr);
    EXPECT_NE(FindResourceExA(module, RT_VERSION, MAKEINTRESOURCEA(1), kJapanese), nullptr);
    EXPECT_NE(FindResourceExA(module, RT_MANIFEST, MAKEINTRESOURCEA(1), kJapanese), nullptr);
    for (WORD image = 1; image <= 4; ++image) {
        EXPECT_NE(FindResourceExA(module, RT_ICON, MAKEINTRESOURCEA(image), kJapanese), nullptr)
            << "icon image " << image;
    }
}

TEST_F(Resources, TheIconLoadsAtBothSizes) {
    for (int size : {16, 32}) {
        HANDLE icon = LoadImageW(module, L"IDI_QUENLOW20", IMAGE_ICON, size, size, 0);
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info)) << size;
        BITMAP mask = {};
        ASSERT_NE(GetObjectW(info.hbmMask, sizeof mask, &mask), 0) << size;
        EXPECT_EQ(mask.bmWidth, size);
        DeleteObject(info.hbmMask);
        if (info.hbmColor != nullptr) {
            DeleteObject(info.hbmColor);
        }
        DestroyIcon(static_cast<HICON>(icon));
    }
}

// The activation context is what the loader makes of the manifest when the
// program starts; a manifest it cannot parse or resolve stops the program.
TEST_F(Resources, TheManifestMakesAnActivationContext) {
    ACTCTXA context = {};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = QUENLOW_EXE;
    context.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE handle = CreateActCtxA(&context);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    ReleaseActCtx(handle);
}

class VersionInfo : public ::testing::Test {
  protected:
    void SetUp() override {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(QUENLOW_EXE, &ignored);
        ASSERT_GT(size, 0u);
        ASSERT_LE(size, sizeof block);
        ASSERT_TRUE(GetFileVersionInfoA(QUENLOW_EXE, 0, size, block));
    }

    alignas(8) static char block[8192];
};

alignas(8) char VersionInfo::block[8192];

TEST_F(VersionInfo, FixedPartIs2_1_0_122) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block, "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020001u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x0000007Au);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x0000007Au);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x17u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_UNKNOWN));
}

TEST_F(VersionInfo, TranslationIsJapaneseInUtf16) {
    WORD* pair = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block, "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pair),
                               &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(pair[0], 0x0411);
    EXPECT_EQ(pair[1], 1200);
}

TEST_F(VersionInfo, StringValues) {
    const struct {
        const char* key;
        const char* value;
    } rows[] = {
        {"Comments", ""},
        {"CompanyName", "Quenlow project"},
        {"FileDescription", ""},
        {"FileVersion", "2, 1, 0, 122"},
        {"InternalName", "Quenlow"},
        {"LegalCopyright", "Copyright (C) Quenlow project"},
        {"LegalTrademarks", ""},
        {"OriginalFilename", "Quenlow.exe"},
        {"PrivateBuild", ""},
        {"ProductName", "Quenlow Version 2.1"},
        {"ProductVersion", "2, 1, 0, 122"},
        {"SpecialBuild", ""},
    };
    for (const auto& row : rows) {
        const std::string path = std::string("\\StringFileInfo\\041104b0\\") + row.key;
        char* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block, path.c_str(), reinterpret_cast<void**>(&value), &length))
            << row.key;
        if (row.value[0] == '\0') {
            // Stored with no value: a length of 0, and no text to read.
            EXPECT_EQ(length, 0u) << row.key;
        } else {
            EXPECT_EQ(length, std::strlen(row.value) + 1) << row.key;
            EXPECT_STREQ(value, row.value) << row.key;
        }
    }
}

} // namespace
