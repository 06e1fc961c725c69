// Reference models of the text operations, written from their rules with
// std::string and nothing shared with the code under test. Each gives the
// whole expected content of the buffers the operation writes.
#pragma once

#include <cstdint>
#include <string>

namespace model {

// Whether `byte` opens a two-byte character in `codePage`.
bool IsLead(std::uint32_t codePage, unsigned char byte);

// The first `count` bytes of `text` (which holds no NUL) copied character
// by character: a character that would be cut, or a lead byte that ends
// the text, becomes a NUL; zeros after the text's end. Always `count` bytes.
std::string BoundedCopy(std::uint32_t codePage, const std::string& text, std::size_t count);

// Whether `text` holds a double quote that is a character of its own.
bool HasQuote(std::uint32_t codePage, const std::string& text);

struct Replaced {
    int result;
    std::string destination; // all destinationSize bytes
};
// `source` holds all the bytes of the source buffer.
Replaced ReplacePlaceholder(const std::string& source, const std::string& placeholder,
                            const std::string& replacement, std::uint32_t destinationSize);

// The length of `text` with every occurrence of `placeholder`, found left
// to right without overlap, replaced by `replacement`; an empty placeholder
// replaces nothing.
std::size_t MeasureReplacement(const std::string& text, const std::string& placeholder,
                               const std::string& replacement);

// What SplitPath writes into each part's buffer, from its first byte: the
// part's bytes and the NUL after them.
struct SplitParts {
    std::string drive, directory, fileName, extension;
};
SplitParts SplitPath(std::uint32_t codePage, const std::string& path);

struct Stripped {
    int result;
    std::string destination; // all destinationSize bytes
};
// The destination starts zero-filled, as the caller leaves it.
Stripped StripQuotes(std::uint32_t codePage, std::uint32_t destinationSize,
                     const std::string& source);

} // namespace model
