// The process's only global state: which byte values open a double-byte
// character in the ANSI code page. Set once at start-up, then only read.
#include "leadbyte.h"

namespace {

// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): the one global.
bool leadBytes[256];

void MarkRange(unsigned first, unsigned last) {
    for (unsigned byte = first; byte <= last && byte < 256; ++byte) {
        leadBytes[byte] = true;
    }
}

void ClearLeadBytes() {
    for (bool& lead : leadBytes) {
        lead = false;
    }
}

} // namespace

void ClassifyLeadBytes(std::uint32_t codePage) {
    ClearLeadBytes();
    switch (codePage) {
    case 932: // Shift JIS
        MarkRange(0x81, 0x9F);
        MarkRange(0xE0, 0xFC);
        break;
    case 936: // GBK
    case 949: // Unified Hangul Code
    case 950: // Big5
        MarkRange(0x81, 0xFE);
        break;
    case 1361: // Johab
        MarkRange(0x81, 0xD3);
        MarkRange(0xD8, 0xDE);
        MarkRange(0xE0, 0xF9);
        break;
    default:
        break;
    }
}

void ClassifyLeadByteRanges(const unsigned char ranges[12]) {
    ClearLeadBytes();
    for (unsigned i = 0; i + 1 < 12; i += 2) {
        if (ranges[i] == 0 && ranges[i + 1] == 0) {
            break;
        }
        MarkRange(ranges[i], ranges[i + 1]);
    }
}

bool IsLeadByte(unsigned char byte) {
    return leadBytes[byte];
}

void CopyCharacters(char* destination, const char* text, std::uint32_t count) {
    std::uint32_t i = 0;
    while (i < count && text[i] != '\0') {
        if (!IsLeadByte(static_cast<unsigned char>(text[i]))) {
            destination[i] = text[i];
            ++i;
        } else if (i + 1 >= count || text[i + 1] == '\0') {
            // The trail byte is cut off or missing: keep no half character.
            destination[i] = '\0';
            ++i;
        } else {
            destination[i] = text[i];
            destination[i + 1] = text[i + 1];
            i += 2;
        }
    }
    for (; i < count; ++i) {
        destination[i] = '\0';
    }
}

bool HasQuote(const char* text) {
    for (std::uint32_t i = 0; text[i] != '\0'; ++i) {
        if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
            if (text[i + 1] == '\0') {
                return false;
            }
            ++i; // the trail byte is never a quote of its own
        } else if (text[i] == '"') {
            return true;
        }
    }
    return false;
}
