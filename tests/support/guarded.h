// A buffer of an exact size followed by guard bytes, for tests of code that
// writes into a caller's buffer: the guards must survive every call.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

template <std::size_t Size> struct Guarded {
    static constexpr unsigned char kGuard = 0xA5;
    static constexpr std::size_t kGuardBytes = 16;

    // Filled with `fill` (zero, as callers do, or a sentinel to see what
    // was written), guards set.
    explicit Guarded(char fill = '\0') {
        std::memset(bytes, fill, Size);
        std::memset(guard, kGuard, kGuardBytes);
    }

    bool GuardsIntact() const {
        for (unsigned char byte : guard) {
            if (byte != kGuard) {
                return false;
            }
        }
        return true;
    }

    // The text up to the first NUL, or all Size bytes.
    std::string Text() const { return std::string(bytes, strnlen(bytes, Size)); }
    std::string Bytes() const { return std::string(bytes, Size); }

    char bytes[Size];
    unsigned char guard[kGuardBytes];
};

// A text as it appears in a failure message: bytes outside printable ASCII
// as \xNN.
inline std::string Show(const std::string& text) {
    static const char digits[] = "0123456789ABCDEF";
    std::string shown;
    for (unsigned char byte : text) {
        if (byte >= 0x20 && byte < 0x7F) {
            shown += static_cast<char>(byte);
        } else {
            shown += "\\x";
            shown += digits[byte >> 4];
            shown += digits[byte & 15];
        }
    }
    return shown;
}
