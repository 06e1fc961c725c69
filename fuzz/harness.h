// What every harness shares: reading its input as fields, choosing the code
// page, buffers of an exact size, and stopping on a mismatch.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace harness {

// The input, read front to back. Past its end every read gives zeros or
// empty texts, so any input decodes to some case.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }

    // A number from 0 to `most`, from two bytes (low byte first).
    std::uint32_t Number(std::uint32_t most) {
        const std::uint32_t low = Byte();
        const std::uint32_t value = low | static_cast<std::uint32_t>(Byte()) << 8;
        return value % (most + 1);
    }

    // The bytes up to the next NUL (which is consumed) or to the end.
    std::string Text() {
        std::string text;
        while (position_ < size_ && data_[position_] != 0) {
            text += static_cast<char>(data_[position_++]);
        }
        if (position_ < size_) {
            ++position_;
        }
        return text;
    }

    bool Remaining() const { return position_ < size_; }

    // Exactly `count` bytes, NULs included; zeros past the input's end.
    std::string Bytes(std::size_t count) {
        std::string bytes;
        for (std::size_t i = 0; i < count; ++i) {
            bytes += static_cast<char>(Byte());
        }
        return bytes;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// The code pages the harnesses run under: a single-byte one and the five
// double-byte ones whose lead bytes the classification knows.
inline std::uint32_t PickCodePage(std::uint8_t selector) {
    static const std::uint32_t kCodePages[] = {1252, 932, 936, 949, 950, 1361};
    return kCodePages[selector % 6];
}

// A heap block of exactly `size` bytes, so that AddressSanitizer reports
// the first byte read or written past its end.
class ExactBuffer {
  public:
    ExactBuffer(std::size_t size, char fill)
        : size_(size), bytes_(static_cast<char*>(std::malloc(size))) {
        std::memset(bytes_, fill, size);
    }
    // A copy of `bytes`, no more: a text needs its terminator in `bytes`.
    explicit ExactBuffer(const std::string& bytes)
        : size_(bytes.size()), bytes_(static_cast<char*>(std::malloc(bytes.size()))) {
        std::memcpy(bytes_, bytes.data(), bytes.size());
    }
    ~ExactBuffer() { std::free(bytes_); }
    ExactBuffer(const ExactBuffer&) = delete;
    ExactBuffer& operator=(const ExactBuffer&) = delete;

    char* Data() { return bytes_; }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(size_); }
    std::string Bytes() const { return std::string(bytes_, size_); }

  private:
    std::size_t size_;
    char* bytes_;
};

// A NUL-terminated text in a block of exactly its length plus one.
inline std::string Terminated(const std::string& text) {
    return text + '\0';
}

inline std::string Show(const std::string& bytes) {
    std::string shown;
    char hex[8];
    for (unsigned char byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            shown += static_cast<char>(byte);
        } else {
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            shown += hex;
        }
    }
    return shown;
}

// Stops the run on a difference from the model; libFuzzer then saves the
// input that caused it.
// The two sides are shown from a little before their first difference.
inline void Expect(bool holds, const char* what, const std::string& got = "",
                   const std::string& expected = "") {
    if (holds) {
        return;
    }
    std::size_t first = 0;
    while (first < got.size() && first < expected.size() && got[first] == expected[first]) {
        ++first;
    }
    const std::size_t from = first < 32 ? 0 : first - 32;
    std::fprintf(stderr,
                 "MISMATCH: %s (first difference at byte %zu of %zu / %zu)\n"
                 "  got:      %s\n  expected: %s\n",
                 what, first, got.size(), expected.size(), Show(got.substr(from, 96)).c_str(),
                 Show(expected.substr(from, 96)).c_str());
    std::abort();
}

inline void ExpectSame(const std::string& got, const std::string& expected, const char* what) {
    Expect(got == expected, what, got, expected);
}

inline void ExpectSame(int got, int expected, const char* what) {
    Expect(got == expected, what, std::to_string(got), std::to_string(expected));
}

} // namespace harness
