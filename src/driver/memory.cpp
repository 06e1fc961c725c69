// The memory and string routines the compiler may call for block copies and zero
// fills, for an executable linked without the C runtime. Built without
// builtins, so the loops are not turned back into calls to themselves.
#include <cstddef>

extern "C" {

void* memset(void* destination, int value, std::size_t count) {
    auto* out = static_cast<unsigned char*>(destination);
    while (count-- > 0) {
        *out++ = static_cast<unsigned char>(value);
    }
    return destination;
}

void* memcpy(void* destination, const void* source, std::size_t count) {
    auto* out = static_cast<unsigned char*>(destination);
    const auto* in = static_cast<const unsigned char*>(source);
    while (count-- > 0) {
        *out++ = *in++;
    }
    return destination;
}

void* memmove(void* destination, const void* source, std::size_t count) {
    auto* out = static_cast<unsigned char*>(destination);
    const auto* in = static_cast<const unsigned char*>(source);
    if (out < in) {
        while (count-- > 0) {
            *out++ = *in++;
        }
    } else {
        while (count-- > 0) {
            out[count] = in[count];
        }
    }
    return destination;
}

int memcmp(const void* left, const void* right, std::size_t count) {
    const auto* a = static_cast<const unsigned char*>(left);
    const auto* b = static_cast<const unsigned char*>(right);
    for (std::size_t i = 0; i < count; ++i) {
        if (a[i] != b[i]) {
            return a[i] < b[i] ? -1 : 1;
        }
    }
    return 0;
}

std::size_t strlen(const char* text) {
    std::size_t length = 0;
    while (text[length] != '\0') {
        ++length;
    }
    return length;
}

} // extern "C"
