// Platform-free: plain byte matching, no notion of double-byte characters.
#include "placeholder.h"

#include "leadbyte.h"

namespace {

struct Output {
    char* bytes;
    std::uint32_t size;
    std::uint32_t length;
};

// The destination's last byte is never written here, so the output always
// keeps a terminator from the caller's zero fill.
void Carry(Output& output, const char* source, std::uint32_t from, std::uint32_t to) {
    for (std::uint32_t i = from; i < to; ++i) {
        if (output.length + 1 < output.size) {
            output.bytes[output.length++] = source[i];
        }
    }
}

bool OccursAt(const char* source, std::uint32_t sourceSize, std::uint32_t position,
              const char* placeholder, std::uint32_t placeholderLength) {
    if (placeholderLength > sourceSize - position) {
        return false;
    }
    for (std::uint32_t i = 0; i < placeholderLength; ++i) {
        if (source[position + i] != placeholder[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

int ReplacePlaceholder(const char* source, std::uint32_t sourceSize, const char* placeholder,
                       const char* replacement, char* destination, std::uint32_t destinationSize) {
    const std::uint32_t placeholderLength = TextLength(placeholder);
    const std::uint32_t replacementLength = TextLength(replacement);
    if (sourceSize == 0 || placeholderLength == 0 || sourceSize < placeholderLength) {
        return -1;
    }

    Output output{destination, destinationSize, 0};
    std::uint32_t copied = 0;
    std::uint32_t scan = 0;
    while (scan < sourceSize) {
        if (!OccursAt(source, sourceSize, scan, placeholder, placeholderLength)) {
            ++scan;
            continue;
        }
        Carry(output, source, copied, scan);
        copied = scan;
        if (replacementLength == 0) {
            copied = scan + placeholderLength;
        } else if (replacementLength < output.size - output.length) {
            // The replacement and its NUL fit.
            for (std::uint32_t i = 0; i < replacementLength; ++i) {
                destination[output.length + i] = replacement[i];
            }
            destination[output.length + replacementLength] = '\0';
            output.length += replacementLength;
            copied = scan + placeholderLength;
        }
        // Otherwise the occurrence stays in the uncopied source and is
        // carried over as it stands.
        scan += placeholderLength;
    }
    Carry(output, source, copied, sourceSize);
    return 0;
}

std::uint32_t MeasureReplacement(const char* text, const char* placeholder,
                                 const char* replacement) {
    const std::uint32_t textLength = TextLength(text);
    const std::uint32_t placeholderLength = TextLength(placeholder);
    const std::uint64_t replacementLength = TextLength(replacement);
    std::uint64_t length = textLength;
    if (placeholderLength == 0) {
        return textLength;
    }
    std::uint32_t scan = 0;
    while (scan < textLength) {
        if (OccursAt(text, textLength, scan, placeholder, placeholderLength)) {
            length = length - placeholderLength + replacementLength;
            scan += placeholderLength;
        } else {
            ++scan;
        }
    }
    return length > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(length);
}
