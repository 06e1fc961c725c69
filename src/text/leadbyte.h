// The lead-byte classification of the ANSI code page, the two character
// primitives built on it, and two plain byte-string helpers. Platform-free:
// the classification is made from a code page number or from the ranges the
// platform reports.
#pragma once

#include <cstdint>

// Classifies from the known double-byte code pages (932, 936, 949, 950,
// 1361); any other code page gets no lead bytes.
void ClassifyLeadBytes(std::uint32_t codePage);

// Classifies from lead-byte ranges as the platform reports them: up to six
// (first, last) pairs, ended by a pair of zeros or by the end of the array.
void ClassifyLeadByteRanges(const unsigned char ranges[12]);

bool IsLeadByte(unsigned char byte);

// Copies the first `count` bytes of the NUL-terminated `text` into
// `destination`, character by character. Half a double-byte character is
// never kept: a lead byte whose trail byte lies beyond `count`, or that is
// followed by the terminator, is replaced by a NUL. When the text ends
// before `count` bytes the rest of them is zero-filled. No terminator is
// written after `count` bytes.
void CopyCharacters(char* destination, const char* text, std::uint32_t count);

// Whether the text holds a double quote (0x22) as a character of its own:
// a quote byte that trails a lead byte does not count.
bool HasQuote(const char* text);

// Length of a NUL-terminated byte string.
inline std::uint32_t TextLength(const char* text) {
    std::uint32_t length = 0;
    while (text[length] != '\0') {
        ++length;
    }
    return length;
}

// The first blank (0x20) of a NUL-terminated text, or null. A plain byte
// search: 0x20 is never the trail byte of a double-byte character.
inline const char* FindBlank(const char* text) {
    for (; *text != '\0'; ++text) {
        if (*text == ' ') {
            return text;
        }
    }
    return nullptr;
}

// Appends `tail` and a NUL to the NUL-terminated `text` and returns the new
// length. The caller has made sure it fits.
inline std::uint32_t AppendText(char* text, const char* tail) {
    std::uint32_t length = TextLength(text);
    while (*tail != '\0') {
        text[length++] = *tail++;
    }
    text[length] = '\0';
    return length;
}
