// The program search: where the program's name ends in a one-line command
// that holds the program and its parameters without quotes around either.
#pragma once

#include <cstdint>

// A candidate is at most MAX_PATH bytes of the command; its fallback name
// (file name and extension only) is never longer than the candidate.
constexpr std::uint32_t kMaxCandidate = 260;
constexpr std::uint32_t kCandidateSize = kMaxCandidate + 1;
// The parameters after a candidate: at most 2047 bytes and a NUL.
constexpr std::uint32_t kParameterTextSize = 2048;

// Tries the text before each blank (0x20) of `command` in turn, from the
// left: first as written, then as its bare file name and extension, each
// with SearchPathA. The first name found is the file, and the text after
// that blank (cut at 2047 bytes) its parameters.
//
// On return *file points to the command, `candidate` or `fallbackName`, and
// *parameters to `parameterText` or is null. A command without a blank is
// the file as a whole, without parameters and without a search; so is the
// command when the search finds nothing or reaches a blank that more than
// 260 bytes precede.
void FindProgram(const char* command, char* candidate, char* fallbackName, char* parameterText,
                 const char** file, const char** parameters);
