// The program search: which program a one-line command names, by its full
// path, and where its parameters begin.
#pragma once

#include <cstdint>

// A candidate is at most MAX_PATH bytes of the command; its fallback name
// (file name and extension only) is never longer than the candidate.
constexpr std::uint32_t kMaxCandidate = 260;
constexpr std::uint32_t kCandidateSize = kMaxCandidate + 1;
// The parameters after a candidate: at most 2047 bytes and a NUL.
constexpr std::uint32_t kParameterTextSize = 2048;
// The program's full path, as SearchPathA writes it: MAX_PATH bytes.
constexpr std::uint32_t kProgramPathSize = 260;

// Every length of a command: no part of it is kept from the program's name.
constexpr std::uint32_t kWholeCommand = 0xFFFFFFFF;

// Finds the program that `command` names and writes its full path, as
// SearchPathA found it, into `program`. A command that starts with a
// double quote names the program inside its first pair of quotes, and only
// that one. Otherwise, as CreateProcess splits an unquoted path with
// blanks, the candidates are the text before each blank (0x20) from the
// left, then the whole command. A name never takes in text from byte
// `programEnd` on: a caller that has put a path of its own into the
// command keeps the program's name out of it. A candidate that is a full
// path is looked for where it says and nowhere else; any other by its bare
// file name and extension in the system folder, the Windows folder and the
// full folders of PATH, not beside the launcher and in the working folder
// first, as SearchPathA's own order would.
//
// *parameters points to `parameterText`: the text after that blank, or
// after the closing quote less one blank, cut at 2047 bytes; it is null
// for the whole command. The blanks are tried up to the first one that
// more than 260 bytes precede. Returns false, and there is nothing to run,
// when no candidate is found.
bool FindProgram(const char* command, std::uint32_t programEnd, char* program, char* parameterText,
                 const char** parameters);
