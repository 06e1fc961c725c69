// The text operations as their rules state them, one rule after another.
#include "model/text_model.h"

#include <vector>

namespace model {

namespace {

// A text cut into characters: a lead byte and the byte after it are one;
// a lead byte at the very end stands alone.
struct Character {
    std::size_t start;
    std::string bytes;
    bool half; // a lead byte without its trail byte
};

std::vector<Character> Characters(std::uint32_t codePage, const std::string& text) {
    std::vector<Character> characters;
    std::size_t i = 0;
    while (i < text.size()) {
        const bool lead = IsLead(codePage, static_cast<unsigned char>(text[i]));
        if (lead && i + 1 < text.size()) {
            characters.push_back({i, text.substr(i, 2), false});
            i += 2;
        } else {
            characters.push_back({i, text.substr(i, 1), lead});
            i += 1;
        }
    }
    return characters;
}

std::string UpToNul(const std::string& bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

} // namespace

bool IsLead(std::uint32_t codePage, unsigned char byte) {
    switch (codePage) {
    case 932:
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950:
        return byte >= 0x81 && byte <= 0xFE;
    case 1361:
        return (byte >= 0x81 && byte <= 0xD3) || (byte >= 0xD8 && byte <= 0xDE) ||
               (byte >= 0xE0 && byte <= 0xF9);
    default:
        return false;
    }
}

std::string BoundedCopy(std::uint32_t codePage, const std::string& text, std::size_t count) {
    std::string copy;
    for (const Character& character : Characters(codePage, text)) {
        if (character.start >= count) {
            break;
        }
        if (character.half || character.start + character.bytes.size() > count) {
            copy += '\0';
        } else {
            copy += character.bytes;
        }
    }
    copy.resize(count, '\0');
    return copy;
}

bool HasQuote(std::uint32_t codePage, const std::string& text) {
    for (const Character& character : Characters(codePage, text)) {
        if (character.bytes == "\"") {
            return true;
        }
    }
    return false;
}

Replaced ReplacePlaceholder(const std::string& source, const std::string& placeholder,
                            const std::string& replacement, std::uint32_t destinationSize) {
    const std::size_t p = placeholder.size();
    if (source.empty() || p == 0 || source.size() < p) {
        return {-1, std::string(destinationSize, '\0')};
    }
    // The output as it grows; a byte is kept only while one byte stays free
    // for the terminator, and a replacement only when it and a NUL fit.
    std::string output;
    auto carry = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            if (output.size() + 1 < destinationSize) {
                output += source[i];
            }
        }
    };
    std::size_t copied = 0;
    std::size_t scan = 0;
    while (scan < source.size()) {
        if (scan + p > source.size() || source.compare(scan, p, placeholder) != 0) {
            ++scan;
            continue;
        }
        carry(copied, scan);
        copied = scan;
        if (replacement.empty()) {
            copied = scan + p;
        } else if (output.size() + replacement.size() + 1 <= destinationSize) {
            output += replacement;
            copied = scan + p;
        }
        scan += p;
    }
    carry(copied, source.size());
    // Every byte not taken by the output is zero: the caller's fill, or the
    // NUL written after a replacement that nothing overwrote.
    output.resize(destinationSize, '\0');
    return {0, output};
}

std::size_t MeasureReplacement(const std::string& text, const std::string& placeholder,
                               const std::string& replacement) {
    if (placeholder.empty()) {
        return text.size();
    }
    std::string replaced;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, placeholder.size(), placeholder) == 0) {
            replaced += replacement;
            i += placeholder.size();
        } else {
            replaced += text[i];
            ++i;
        }
    }
    return replaced.size();
}

SplitParts SplitPath(std::uint32_t codePage, const std::string& path) {
    SplitParts parts;
    std::string rest = path;
    if (path.size() >= 2 && path[1] == ':') {
        parts.drive = path.substr(0, 2) + '\0';
        rest = path.substr(2);
    } else {
        parts.drive = std::string(1, '\0');
    }

    std::size_t directoryEnd = std::string::npos;
    std::size_t lastDot = std::string::npos;
    for (const Character& character : Characters(codePage, rest)) {
        if (character.bytes == "\\" || character.bytes == "/") {
            directoryEnd = character.start + 1;
        } else if (character.bytes == ".") {
            lastDot = character.start;
        }
    }

    auto part = [&](std::size_t from, std::size_t to) {
        const std::size_t kept = to - from < 255 ? to - from : 255;
        return BoundedCopy(codePage, rest.substr(from), kept) + '\0';
    };
    const std::size_t nameStart = directoryEnd == std::string::npos ? 0 : directoryEnd;
    parts.directory = part(0, nameStart);
    if (lastDot != std::string::npos && lastDot >= nameStart) {
        parts.fileName = part(nameStart, lastDot);
        parts.extension = part(lastDot, rest.size());
    } else {
        parts.fileName = part(nameStart, rest.size());
        parts.extension = part(rest.size(), rest.size());
    }
    return parts;
}

Stripped StripQuotes(std::uint32_t codePage, std::uint32_t destinationSize,
                     const std::string& source) {
    std::string destination(destinationSize, '\0');
    if (HasQuote(codePage, source)) {
        // The source less its first byte, terminator included: source.size()
        // bytes in all.
        if (source.size() > destinationSize) {
            return {-4, destination};
        }
        destination.replace(0, source.size(), source.substr(1) + '\0');
    } else {
        if (source.size() >= destinationSize) {
            return {-4, destination};
        }
        destination.replace(0, source.size(), BoundedCopy(codePage, source, source.size()));
    }
    const std::string text = UpToNul(destination);
    if (HasQuote(codePage, text)) {
        destination[text.size() - 1] = '\0';
    }
    return {0, destination};
}

} // namespace model
