// Placeholder substitution between two caller-owned fixed-size buffers.
#pragma once

#include <cstdint>

// Copies the whole source buffer (sourceSize bytes, zero tail included) into
// the zero-filled destination, replacing each occurrence of `placeholder` by
// `replacement` while the replacement and a NUL still fit. An occurrence
// that does not fit is carried over unchanged; output beyond
// destinationSize - 1 bytes is dropped. Returns 0, or -1 without writing
// anything when the source size is 0 or smaller than the placeholder, or the
// placeholder is empty.
int ReplacePlaceholder(const char* source, std::uint32_t sourceSize, const char* placeholder,
                       const char* replacement, char* destination, std::uint32_t destinationSize);

// The length `text` would have with every occurrence of `placeholder`
// replaced by `replacement`, occurrences found left to right as
// ReplacePlaceholder finds them. Lets a caller refuse a substitution that
// would not fit instead of running a cut one.
std::uint32_t MeasureReplacement(const char* text, const char* placeholder,
                                 const char* replacement);
