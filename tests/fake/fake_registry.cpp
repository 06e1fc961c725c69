// The registry of the fake world. Key handles are 1 + the key's index.
#include "fake_internal.h"

#include <cstring>
#include <strings.h>

using fake::world;

namespace {

fake::RegistryKey* KeyOf(HKEY handle) {
    const auto index = reinterpret_cast<std::uintptr_t>(handle) - 1;
    return index < world.registry.size() ? &world.registry[index] : nullptr;
}

} // namespace

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result) {
    char quoted[1100];
    fake::Record("RegOpenKeyExA(%s, %s, %u, 0x%x)", fake::RootName(key),
                 fake::Quoted(subKey, quoted, sizeof quoted), options, desired);
    if (key == HKEY_LOCAL_MACHINE && strcasecmp(subKey, "Software\\Classes") == 0) {
        *result = fake::kMachineClasses;
        ++fake::openHandles;
        return ERROR_SUCCESS;
    }
    // HKEY_CLASSES_ROOT: the user's classes hide the machine's, "HKCR\\..."
    // to the world; Wine merges nothing
    // (https://learn.microsoft.com/windows/win32/sysinfo/merged-view-of-hkey-classes-root).
    const bool merged = key == HKEY_CLASSES_ROOT;
    const char* root = key == fake::kMachineClasses ? "HKCR" : fake::RootName(key);
    char path[2][1100];
    std::snprintf(path[0], sizeof path[0], "%s\\%s", merged ? "HKCU\\Software\\Classes" : root,
                  subKey);
    std::snprintf(path[1], sizeof path[1], "%s\\%s", root, subKey);
    for (std::size_t i = 0, k = 0; i < 2 * world.registry.size();
         ++i, k = i % world.registry.size()) {
        if (!fake::SameText(world.registry[k].path, path[i / world.registry.size()])) {
            continue;
        }
        if (world.registry[k].refusesFullAccess && (desired & ~0x20019u) != 0) {
            return ERROR_ACCESS_DENIED; // readable, but not with write access
        }
        *result = reinterpret_cast<HKEY>(k + 1);
        ++fake::openHandles;
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
    char quoted[1100];
    fake::Record("RegQueryValueExA(%s, %s, %u)", reserved == nullptr ? "key" : "key, reserved!",
                 fake::Quoted(valueName, quoted, sizeof quoted), *dataSize);
    const fake::RegistryKey* opened = KeyOf(key);
    if (opened == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    for (const fake::RegistryValue& value : opened->values) {
        if (!fake::SameText(value.name, valueName)) {
            continue;
        }
        const DWORD size = static_cast<DWORD>(value.data.size());
        const DWORD room = *dataSize;
        *type = value.type;
        *dataSize = size;
        if (size > room) {
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, value.data.data(), size);
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

LSTATUS RegCloseKey(HKEY key) {
    fake::Record("RegCloseKey(key)");
    if (KeyOf(key) != nullptr || key == fake::kMachineClasses) {
        --fake::openHandles;
    }
    return ERROR_SUCCESS;
}
