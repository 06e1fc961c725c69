// QueryRegistryString against its model, on a registry of the harness's
// own that holds one value of any type and length as the input says. The
// destination has any size up to a little more than the value buffer's
// 1024 bytes and starts filled with a sentinel, which the lookup must leave
// wherever it writes nothing. The registry calls are checked for their
// arguments, and the key for being closed exactly when it was opened.
//
// Input: code page, flags, value type, destination size, sentinel, byte
// count of the data, the platform's scribble after the data, then subkey,
// value name and the data's bytes.
#include <windows.h>

#include "harness.h"
#include "model/system_model.h"
#include "system/registry.h"
#include "text/leadbyte.h"

namespace {

enum Flag : std::uint8_t { kOpens = 1, kReads = 2 };

const HKEY kKey = reinterpret_cast<HKEY>(0x4B45);

struct Registry {
    model::RegistryValue value;
    char scribble = 0;
    std::string subkey, valueName;
    int opens = 0, queries = 0, closes = 0;
};
Registry registry;

} // namespace

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result) {
    harness::Expect(key == HKEY_CLASSES_ROOT && options == 0 && desired == KEY_ALL_ACCESS,
                    "RegOpenKeyExA: root, options 0, full access");
    harness::ExpectSame(subKey, registry.subkey, "subkey");
    ++registry.opens;
    if (!registry.value.opens) {
        return ERROR_ACCESS_DENIED;
    }
    *result = kKey;
    return ERROR_SUCCESS;
}

// Like the platform: the data, or ERROR_MORE_DATA when it does not fit.
// The bytes of the buffer after the data may hold anything afterwards.
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
    harness::Expect(key == kKey && reserved == nullptr && data != nullptr,
                    "RegQueryValueExA: the opened key, a buffer");
    harness::ExpectSame(static_cast<int>(*dataSize), 1024, "the value buffer's size");
    harness::ExpectSame(valueName, registry.valueName, "value name");
    ++registry.queries;
    // The whole buffer is touched, so a smaller one than claimed shows.
    for (DWORD i = 0; i < *dataSize; ++i) {
        data[i] = static_cast<BYTE>(registry.scribble);
    }
    const std::string& bytes = registry.value.data;
    if (!registry.value.reads) {
        return ERROR_FILE_NOT_FOUND;
    }
    *type = registry.value.type;
    if (bytes.size() > *dataSize) {
        *dataSize = static_cast<DWORD>(bytes.size());
        return ERROR_MORE_DATA;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        data[i] = static_cast<BYTE>(bytes[i]);
    }
    *dataSize = static_cast<DWORD>(bytes.size());
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
    harness::Expect(key == kKey, "RegCloseKey: the opened key");
    ++registry.closes;
    return ERROR_SUCCESS;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    harness::Input input(data, size);
    ClassifyLeadBytes(harness::PickCodePage(input.Byte()));
    const std::uint8_t flags = input.Byte();
    registry = Registry();
    registry.value.type = input.Byte() % 12; // REG_NONE to REG_QWORD
    const std::uint32_t destinationSize = input.Number(1100);
    const char sentinel = static_cast<char>(input.Byte());
    const std::uint32_t byteCount = input.Number(1100);
    registry.scribble = static_cast<char>(input.Byte());
    registry.subkey = input.Text();
    registry.valueName = input.Text();
    registry.value.data = input.Bytes(byteCount);
    registry.value.opens = (flags & kOpens) != 0;
    // A value longer than the 1024-byte buffer never reads.
    registry.value.reads = (flags & kReads) != 0 && byteCount <= 1024;

    harness::ExactBuffer subkey(harness::Terminated(registry.subkey));
    harness::ExactBuffer valueName(harness::Terminated(registry.valueName));
    harness::ExactBuffer destination(destinationSize, sentinel);
    const int result = QueryRegistryString(destination.Data(), destinationSize, HKEY_CLASSES_ROOT,
                                           subkey.Data(), valueName.Data());

    const model::RegistryRead expected =
        model::QueryRegistryString(std::string(destinationSize, sentinel), registry.value);
    harness::ExpectSame(result, expected.result, "result");
    harness::ExpectSame(destination.Bytes(), expected.destination, "destination");
    harness::ExpectSame(registry.opens, 1, "one open");
    harness::ExpectSame(registry.queries, expected.closes ? 1 : 0, "a query once opened");
    harness::ExpectSame(registry.closes, expected.closes ? 1 : 0, "closed once when opened");
    return 0;
}
