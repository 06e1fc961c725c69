// The code pages of the fake world: WideCharToMultiByte, MultiByteToWideChar
// and the conversions the fake's other calls make with them. A double-byte
// code page (932, 936, 949, 950, 1361) converts by the tables of the C
// library's iconv, which are Microsoft's; any other code page of the fake
// holds U+0000 to U+00FF as the same byte values.
#include "fake_internal.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

using fake::world;

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One pair of converters per double-byte code page, opened on first use and
// kept: a conversion itself then allocates nothing.
struct Converters {
    UINT codePage;
    const char* name;
    iconv_t toCodePage = reinterpret_cast<iconv_t>(-1);
    iconv_t fromCodePage = reinterpret_cast<iconv_t>(-1);
};
Converters converters[] = {
    {932, "CP932"}, {936, "CP936"}, {949, "CP949"}, {950, "CP950"}, {1361, "JOHAB"},
};

Converters* DoubleByte(UINT codePage) {
    for (Converters& entry : converters) {
        if (entry.codePage != codePage) {
            continue;
        }
        if (entry.toCodePage == reinterpret_cast<iconv_t>(-1)) {
            entry.toCodePage = iconv_open(entry.name, "UTF-32LE");
            entry.fromCodePage = iconv_open("UTF-32LE", entry.name);
        }
        return &entry;
    }
    return nullptr;
}

// `count` bytes through `converter`; false unless all of them convert.
bool Convert(iconv_t converter, const char* in, std::size_t count, char* out, std::size_t room,
             std::size_t* written, int* error) {
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char* input = const_cast<char*>(in);
    char* output = out;
    std::size_t left = room;
    const bool done =
        iconv(converter, &input, &count, &output, &left) != static_cast<std::size_t>(-1);
    *error = done ? 0 : errno;
    *written = room - left;
    return done && count == 0;
}

// The character `c` in the code page: its 1 or 2 bytes, or 0 when the code
// page has none.
int Encode(UINT codePage, char32_t c, char* bytes) {
    Converters* page = DoubleByte(codePage);
    if (page == nullptr) {
        bytes[0] = static_cast<char>(c);
        return c <= 0xFF ? 1 : 0;
    }
    std::size_t written = 0;
    int error = 0;
    return Convert(page->toCodePage, reinterpret_cast<const char*>(&c), 4, bytes, 2, &written,
                   &error)
               ? static_cast<int>(written)
               : 0;
}

// The character that `text` starts with, and how many bytes it takes. A
// byte that opens a two-byte character takes the byte after it, unless that
// is the end; bytes the code page does not define become U+FFFD.
char32_t Decode(UINT codePage, const char* text, std::size_t length, std::size_t* used) {
    Converters* page = DoubleByte(codePage);
    *used = 1;
    if (page == nullptr) {
        return static_cast<unsigned char>(text[0]);
    }
    char32_t c = 0;
    std::size_t written = 0;
    int error = 0;
    if (Convert(page->fromCodePage, text, 1, reinterpret_cast<char*>(&c), 4, &written, &error)) {
        return c;
    }
    if (error != EINVAL || length < 2 || text[1] == '\0') {
        return kReplacement;
    }
    *used = 2;
    return Convert(page->fromCodePage, text, 2, reinterpret_cast<char*>(&c), 4, &written, &error)
               ? c
               : kReplacement;
}

UINT Resolved(UINT codePage) {
    return codePage == CP_ACP ? world.codePage : codePage;
}

// `c` in the code page, into `bytes`: its 1 or 2 bytes; where the code page
// has no such character, with `bestFit` a look-alike if there is one (the
// C library's for a double-byte page, the fake's ī as i for the others),
// else the default character '?', and then `defaulted`. `exact` tells
// whether the bytes come back as `c`.
int ToCodePage(UINT page, char32_t c, bool bestFit, char* bytes, bool* exact, bool* defaulted) {
    int count = Encode(page, c, bytes);
    if (count == 0 && bestFit && c == u'ī' && DoubleByte(page) == nullptr) {
        bytes[0] = 'i';
        count = 1;
    }
    std::size_t used = 0;
    *exact = count > 0 && Decode(page, bytes, static_cast<std::size_t>(count), &used) == c;
    *defaulted = count == 0 || (!*exact && !bestFit);
    if (*defaulted) {
        bytes[0] = '?';
        count = 1;
    }
    return count;
}

} // namespace

// https://learn.microsoft.com/windows/win32/api/stringapiset/nf-stringapiset-widechartomultibyte:
// with WC_NO_BEST_FIT_CHARS, a character that does not come back the same
// from the code page becomes the default character ('?'), and
// lpUsedDefaultChar tells; without it, the best fit stands (the fake's one
// look-alike: ī as i). Returns the bytes written, or needed when the size
// is 0; 0 when they do not fit, and for UTF-8 with flags but
// WC_ERR_INVALID_CHARS or a default pointer (both "must be set to NULL").
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText, int wideLength,
                        LPSTR multiByteText, int multiByteSize, LPCSTR defaultChar,
                        LPBOOL usedDefaultChar) {
    char quoted[1100];
    fake::Record("WideCharToMultiByte(%u, 0x%x, %s, %d, %d)", codePage, flags,
                 fake::QuotedWide(wideText, quoted, sizeof quoted), wideLength, multiByteSize);
    std::size_t length = static_cast<std::size_t>(wideLength);
    if (wideLength < 0) {
        length = std::char_traits<char16_t>::length(wideText) + 1; // the terminator too
    }
    const UINT page = Resolved(codePage);
    if (page == CP_UTF8 && ((flags & ~WC_ERR_INVALID_CHARS) != 0 || defaultChar != nullptr ||
                            usedDefaultChar != nullptr)) {
        return 0;
    }
    int needed = 0;
    BOOL usedDefault = FALSE;
    for (std::size_t i = 0; i < length; ++i) {
        char32_t c = wideText[i];
        // A surrogate pair is one character, above any code page here.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && wideText[i + 1] >= 0xDC00 &&
            wideText[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (wideText[++i] - 0xDC00);
        }
        char bytes[2];
        bool exact = false;
        bool defaulted = false;
        const int count =
            ToCodePage(page, c, (flags & WC_NO_BEST_FIT_CHARS) == 0, bytes, &exact, &defaulted);
        usedDefault = usedDefault || defaulted;
        if (multiByteSize != 0 && needed + count <= multiByteSize) {
            std::memcpy(multiByteText + needed, bytes, static_cast<std::size_t>(count));
        }
        needed += count;
    }
    if (usedDefaultChar != nullptr) {
        *usedDefaultChar = usedDefault;
    }
    return multiByteSize == 0 || needed <= multiByteSize ? needed : 0;
}

// https://learn.microsoft.com/windows/win32/api/stringapiset/nf-stringapiset-multibytetowidechar:
// the UTF-16 units written, or needed when the size is 0; 0 when they do not
// fit. For an undefined byte sequence Windows puts the code page's default
// Unicode character; the fake puts U+FFFD.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wideText,
                        int wideSize) {
    char quoted[1100];
    fake::Record("MultiByteToWideChar(%u, 0x%x, %s, %d, %d)", codePage, flags,
                 fake::Quoted(text, quoted, sizeof quoted), length, wideSize);
    const std::size_t bytes = length < 0 ? std::strlen(text) + 1 : static_cast<std::size_t>(length);
    int needed = 0;
    for (std::size_t i = 0; i < bytes;) {
        std::size_t used = 0;
        const char32_t c = Decode(Resolved(codePage), text + i, bytes - i, &used);
        if (wideSize != 0 && needed < wideSize) {
            wideText[needed] = static_cast<char16_t>(c);
        }
        ++needed;
        i += used;
    }
    return wideSize == 0 || needed <= wideSize ? needed : 0;
}

std::size_t fake::Widen(const char* text, char16_t* wide, std::size_t size) {
    std::size_t units = 0;
    const std::size_t length = std::strlen(text);
    for (std::size_t i = 0; i < length && units + 1 < size;) {
        std::size_t used = 0;
        wide[units++] = static_cast<char16_t>(Decode(world.codePage, text + i, length - i, &used));
        i += used;
    }
    wide[units] = u'\0';
    return units;
}

std::size_t fake::Narrow(const char16_t* wide, char* text, std::size_t size, bool* lossy) {
    std::size_t length = 0;
    *lossy = false;
    for (; *wide != u'\0'; ++wide) {
        char bytes[2];
        bool exact = false;
        bool defaulted = false;
        const int count = ToCodePage(world.codePage, *wide, true, bytes, &exact, &defaulted);
        *lossy = *lossy || !exact;
        for (int i = 0; i < count && length + 1 < size; ++i) {
            text[length++] = bytes[i];
        }
    }
    text[length] = '\0';
    return length;
}

bool fake::StartsCharacter(const char* text, std::size_t i) {
    std::size_t at = 0;
    for (std::size_t used = 0; at < i; at += used) {
        Decode(world.codePage, text + at, i + 2 - at, &used);
    }
    return at == i;
}

std::u16string fake::Widened(const std::string& text) {
    char16_t wide[4400];
    return std::u16string(wide, Widen(text.c_str(), wide, sizeof wide / sizeof wide[0]));
}

void fake::TypeArgument(const std::string& argument) {
    world.commandLine = u"Quenlow.exe " + Widened(argument);
}
