#include "startup.h"

#include "text/leadbyte.h"

namespace {

bool IsBlankOrControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x01 && byte <= 0x20;
}

} // namespace

const char* SkipProgramName(const char* commandLine) {
    const char* p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            p += IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0' ? 2 : 1;
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p != '\0' && !IsBlankOrControl(*p)) {
            ++p;
        }
    }
    while (IsBlankOrControl(*p)) {
        ++p;
    }
    return p;
}
