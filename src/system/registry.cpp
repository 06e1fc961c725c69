#include "registry.h"

namespace {

// The most one lookup reads: the value's data in the ANSI code page,
// terminator included. There is no second try with a larger buffer.
constexpr DWORD kValueBufferSize = 1024;

// Copies the string held in the first `count` bytes of `value` (up to its
// first NUL, or all of them when the data carries none) and a terminator.
// A string that does not fit fails whole: a cut file type would only
// surface later, as a key that does not exist.
int CopyString(char* destination, std::uint32_t destinationSize, const BYTE* value, DWORD count) {
    const std::uint32_t received = count < kValueBufferSize ? count : kValueBufferSize;
    std::uint32_t length = 0;
    while (length < received && value[length] != 0) {
        ++length;
    }
    if (length >= destinationSize) {
        return -1;
    }
    for (std::uint32_t i = 0; i < length; ++i) {
        destination[i] = static_cast<char>(value[i]);
    }
    destination[length] = '\0';
    return 0;
}

} // namespace

int QueryRegistryString(char* destination, std::uint32_t destinationSize, HKEY rootKey,
                        const char* subkey, const char* valueName, DWORD* valueType) {
    BYTE value[kValueBufferSize];
    DWORD byteCount = kValueBufferSize;
    DWORD type = REG_NONE;
    HKEY key = nullptr;

    // Full access, although the lookup only reads: a key that may be read
    // but not changed is treated like a missing one.
    if (RegOpenKeyExA(rootKey, subkey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return -2;
    }
    const LSTATUS status = RegQueryValueExA(key, valueName, nullptr, &type, value, &byteCount);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        return -1;
    }
    if ((type == REG_SZ || type == REG_EXPAND_SZ) &&
        CopyString(destination, destinationSize, value, byteCount) != 0) {
        return -1;
    }
    if (valueType != nullptr) {
        *valueType = type;
    }
    return 0;
}
