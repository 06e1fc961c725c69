#include "system/registry.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_win32.h"
#include "support/guarded.h"

namespace {

const std::string kUntouched = "(untouched)";

// A stored string with its terminator.
std::string Z(const std::string& text) {
    return text + '\0';
}

std::string Repeat(char byte, std::size_t count) {
    return std::string(count, byte);
}

// Runs the lookup of HKCR\.inf into a 4096-byte buffer of '#', of which it
// may use `destinationSize` bytes, and checks the result, the bytes
// written (the string and one NUL, nothing else), the type reported (only
// when found) and the open handles.
void Check(const std::string& where, const char* valueName, std::uint32_t destinationSize,
           int result, const std::string& text, DWORD type = REG_SZ) {
    Guarded<4096> destination('#');
    DWORD reported = 0xDEAD;
    EXPECT_EQ(QueryRegistryString(destination.bytes, destinationSize, HKEY_CLASSES_ROOT, ".inf",
                                  valueName, &reported),
              result)
        << where;
    EXPECT_EQ(reported, result == 0 ? type : 0xDEAD) << where;
    const std::string expected =
        text == kUntouched ? Repeat('#', 4096) : Z(text) + Repeat('#', 4096 - text.size() - 1);
    EXPECT_EQ(Show(destination.Bytes()), Show(expected)) << where;
    EXPECT_TRUE(destination.GuardsIntact()) << where;
    EXPECT_EQ(fake::OpenHandles(), 0) << where;
}

// The default value of an existing key: the type rule, the 1024-byte value
// buffer, and a destination that the string must fit whole.
TEST(QueryRegistryString, DefaultValue) {
    struct Row {
        const char* name;
        DWORD type;
        std::string data;
        std::uint32_t destinationSize;
        int result;
        std::string text; // or kUntouched
    } rows[] = {
        // name, type, stored data, destination size, result, text written
        {"REG_SZ", REG_SZ, Z("inffile"), 255, 0, "inffile"},
        {"REG_EXPAND_SZ as stored", REG_EXPAND_SZ, Z("%SystemRoot%\\x.exe \"%1\""), 520, 0,
         "%SystemRoot%\\x.exe \"%1\""},
        {"REG_DWORD copies nothing", REG_DWORD, std::string("\1\0\0\0", 4), 255, 0, kUntouched},
        {"REG_BINARY copies nothing", REG_BINARY, "abc", 255, 0, kUntouched},
        {"REG_MULTI_SZ copies nothing", REG_MULTI_SZ, Z(Z("a")), 255, 0, kUntouched},
        {"REG_NONE copies nothing", REG_NONE, Z("a"), 255, 0, kUntouched},
        {"1023 bytes and NUL read whole", REG_SZ, Z(Repeat('v', 1023)), 1024, 0, Repeat('v', 1023)},
        {"1024 bytes and NUL fail", REG_SZ, Z(Repeat('v', 1024)), 4096, -1, kUntouched},
        {"1024 bytes without NUL", REG_SZ, Repeat('v', 1024), 1025, 0, Repeat('v', 1024)},
        {"embedded NUL ends the text", REG_SZ, Z("abc") + Z("def"), 255, 0, "abc"},
        {"only a terminator", REG_SZ, Z(""), 255, 0, ""},
        {"no data at all", REG_SZ, "", 255, 0, ""},
        {"no NUL in the data", REG_EXPAND_SZ, "abc", 255, 0, "abc"},
        {"fits the destination exactly", REG_SZ, Z("1234567"), 8, 0, "1234567"},
        {"one byte too long", REG_SZ, Z("12345678"), 8, -1, kUntouched},
        {"no NUL, one byte too long", REG_SZ, "12345678", 8, -1, kUntouched},
        {"destination of no bytes", REG_SZ, Z(""), 0, -1, kUntouched},
    };
    for (const Row& row : rows) {
        fake::Reset();
        fake::TheWorld().registry = {{"HKCR\\.inf", {{"", row.type, row.data}}}};
        Check("row (" + std::string(row.name) + ")", "", row.destinationSize, row.result, row.text,
              row.type);
    }
}

// Which key opens, and which value of it is read.
TEST(QueryRegistryString, KeyAndValueName) {
    const std::vector<fake::RegistryValue> both = {{"Other", REG_SZ, Z("named")},
                                                   {"", REG_SZ, Z("default")}};
    struct Row {
        const char* name;
        std::vector<fake::RegistryKey> registry;
        const char* valueName;
        int result;
        std::string text;
    } rows[] = {
        {"missing key", {{"HKCR\\.txt", both}}, "", -2, kUntouched},
        {"key that refuses full access", {{"HKCR\\.inf", both, true}}, "", -2, kUntouched},
        {"default value never set", {{"HKCR\\.inf", {both[0]}}}, "", -1, kUntouched},
        {"empty name reads the default value", {{"HKCR\\.inf", both}}, "", 0, "default"},
        {"named value", {{"HKCR\\.inf", both}}, "Other", 0, "named"},
        {"named value missing", {{"HKCR\\.inf", {both[1]}}}, "Other", -1, kUntouched},
    };
    for (const Row& row : rows) {
        fake::Reset();
        fake::TheWorld().registry = row.registry;
        Check("row (" + std::string(row.name) + ")", row.valueName, 255, row.result, row.text);
    }
}

// Full access although the lookup only reads, the default value, a
// 1024-byte buffer; the key is closed on every path that opened it (the
// rows above count the open handles).
TEST(QueryRegistryString, Calls) {
    fake::Reset();
    fake::TheWorld().registry = {
        {"HKCR\\inffile\\shell\\Install\\command", {{"", REG_SZ, Z("x")}}}};
    char destination[520] = {};
    EXPECT_EQ(QueryRegistryString(destination, sizeof destination, HKEY_CLASSES_ROOT,
                                  "inffile\\shell\\Install\\command", ""),
              0);
    const std::vector<std::string> calls = {
        "RegOpenKeyExA(HKCR, \"inffile\\shell\\Install\\command\", 0, 0xf003f)",
        "RegQueryValueExA(key, \"\", 1024)", "RegCloseKey(key)"};
    EXPECT_EQ(fake::Calls(), calls);

    // Nothing to close after a failed open.
    fake::Reset();
    EXPECT_EQ(QueryRegistryString(destination, sizeof destination, HKEY_CLASSES_ROOT, ".inf", ""),
              -2);
    EXPECT_EQ(fake::Calls(), std::vector<std::string>{"RegOpenKeyExA(HKCR, \".inf\", 0, 0xf003f)"});
}

} // namespace
