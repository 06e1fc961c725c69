// Reading one string value of one registry key into a caller's buffer.
#pragma once

#include <cstdint>

#include <windows.h>

// Reads the value `valueName` ("" for the default value) of `subkey` under
// `rootKey` into `destination` (destinationSize bytes, terminator included).
// Only REG_SZ and REG_EXPAND_SZ values are copied, as stored: environment
// references are not expanded. A value of another type is found but copies
// nothing. Returns 0 found, -1 when the value cannot be read (missing,
// longer than 1024 bytes, or a string that does not fit the destination),
// -2 when the key cannot be opened with full access. On failure the
// destination is left as it was. A caller that must tell a REG_EXPAND_SZ
// value from a REG_SZ one passes `valueType`, which receives the value's
// type when the lookup returns 0 and is left as it was otherwise.
int QueryRegistryString(char* destination, std::uint32_t destinationSize, HKEY rootKey,
                        const char* subkey, const char* valueName, DWORD* valueType = nullptr);
