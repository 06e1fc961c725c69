#include "path.h"

#include "leadbyte.h"

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;

// Writes `count` bytes of `text` (at most 255) and a NUL after them.
void WritePart(char* part, const char* text, std::uint32_t count) {
    if (part == nullptr) {
        return;
    }
    const std::uint32_t kept = count < kMaxPathPart ? count : kMaxPathPart;
    CopyCharacters(part, text, kept);
    part[kept] = '\0';
}

} // namespace

bool IsSeparator(char byte) {
    return byte == '\\' || byte == '/';
}

void SplitPath(const char* path, char* drive, char* directory, char* fileName, char* extension) {
    const char* rest = path;
    if (drive != nullptr) {
        drive[0] = '\0';
    }
    if (path[0] != '\0' && path[1] == ':') {
        if (drive != nullptr) {
            drive[0] = path[0];
            drive[1] = ':';
            drive[2] = '\0';
        }
        rest = path + 2;
    }

    // One walk finds the end of the directory and the last dot; trail bytes
    // are stepped over, so a trail byte 0x5C or 0x2E is neither.
    std::uint32_t directoryEnd = kNone;
    std::uint32_t lastDot = kNone;
    std::uint32_t end = 0;
    while (rest[end] != '\0') {
        if (IsLeadByte(static_cast<unsigned char>(rest[end]))) {
            end += rest[end + 1] == '\0' ? 1 : 2;
            continue;
        }
        if (IsSeparator(rest[end])) {
            directoryEnd = end + 1;
        } else if (rest[end] == '.') {
            lastDot = end;
        }
        ++end;
    }

    std::uint32_t nameStart = 0;
    if (directoryEnd != kNone) {
        WritePart(directory, rest, directoryEnd);
        nameStart = directoryEnd;
    } else {
        WritePart(directory, rest, 0);
    }
    if (lastDot != kNone && lastDot >= nameStart) {
        WritePart(fileName, rest + nameStart, lastDot - nameStart);
        WritePart(extension, rest + lastDot, end - lastDot);
    } else {
        WritePart(fileName, rest + nameStart, end - nameStart);
        WritePart(extension, rest + end, 0);
    }
}

bool IsFullPath(const char* path) {
    // An ASCII letter is never a lead byte, so the colon after it is a
    // character of its own.
    const bool letter = (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
    return (letter && path[1] == ':' && IsSeparator(path[2])) ||
           (IsSeparator(path[0]) && IsSeparator(path[1]));
}

int StripQuotes(char* destination, std::uint32_t destinationSize, const char* source) {
    const std::uint32_t length = TextLength(source);
    if (HasQuote(source)) {
        // Drop the first byte, whatever it is: copy the rest and its NUL.
        if (length > destinationSize) {
            return -4;
        }
        for (std::uint32_t i = 1; i <= length; ++i) {
            destination[i - 1] = source[i];
        }
    } else {
        if (length >= destinationSize) {
            return -4;
        }
        // The terminator is the caller's zero fill at destination[length].
        CopyCharacters(destination, source, length);
    }
    if (HasQuote(destination)) {
        destination[TextLength(destination) - 1] = '\0';
    }
    return 0;
}
