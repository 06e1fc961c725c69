// Full paths in the fake world, made as Windows makes them: GetFullPathNameA
// and GetFullPathNameW, and the normalization every call of the fake that
// takes a path applies to it. The rules are those of "File path formats on
// Windows systems" (https://learn.microsoft.com/dotnet/standard/io/file-path-formats),
// which says that almost every path handed to the platform is normalized as
// GetFullPathName does it.
#include "fake_internal.h"

#include <cstring>

using fake::world;

namespace {

bool IsSlash(char16_t c) {
    return c == u'\\' || c == u'/';
}

char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

bool SameName(const char16_t* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (Upper(a[i]) != static_cast<char16_t>(b[i])) {
            return false;
        }
    }
    return true;
}

// The legacy device that `name` names, as its offset and length, or a
// length of 0. "Naming Files, Paths, and Namespaces"
// (https://learn.microsoft.com/windows/win32/fileio/naming-a-file): CON,
// PRN, AUX, NUL, COM0-COM9 and LPT0-LPT9, also followed by an extension
// ("NUL.txt is equivalent to NUL"). Which element is looked at, and that
// blanks before the extension do not count, the documents do not say;
// Wine's RtlIsDosDeviceName_U (dlls/ntdll/path.c) takes the last element
// of any path but a network or device one, and so does the fake.
std::size_t DeviceName(const char16_t* name, std::size_t* offset) {
    if (IsSlash(name[0]) && IsSlash(name[1])) {
        return 0;
    }
    std::size_t start = name[0] != u'\0' && name[1] == u':' ? 2 : 0;
    for (std::size_t i = start; name[i] != u'\0'; ++i) {
        if (IsSlash(name[i])) {
            start = i + 1;
        }
    }
    std::size_t end = start;
    while (name[end] != u'\0' && name[end] != u'.' && name[end] != u':') {
        ++end;
    }
    while (end > start && name[end - 1] == u' ') {
        --end;
    }
    *offset = start;
    const char16_t* device = name + start;
    const std::size_t length = end - start;
    if (length == 3) {
        for (const char* known : {"CON", "PRN", "AUX", "NUL"}) {
            if (SameName(device, known, 3)) {
                return 3;
            }
        }
    }
    const bool numbered = SameName(device, "COM", 3) || SameName(device, "LPT", 3);
    return length == 4 && numbered && device[3] >= u'0' && device[3] <= u'9' ? 4 : 0;
}

// The length of the part of the full path `path` that ".." never climbs
// above: "\\server\share\" of a network path, "\\.\" or "\\?\" of a device
// path, else the drive and its root, "C:\".
std::size_t RootLength(const char16_t* path) {
    if (!IsSlash(path[0]) || !IsSlash(path[1])) {
        return 3;
    }
    if ((path[2] == u'.' || path[2] == u'?') && IsSlash(path[3])) {
        return 4;
    }
    std::size_t i = 2;
    for (int part = 0; part < 2; ++part) {
        while (path[i] != u'\0' && !IsSlash(path[i])) {
            ++i;
        }
        while (IsSlash(path[i])) {
            ++i;
        }
    }
    return i;
}

// `a` then `b` and `c` into `out` (kPathUnits), cut at its end.
void Join(char16_t* out, const char16_t* a, std::size_t aLength, const char16_t* b,
          const char16_t* c) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < aLength && n + 1 < fake::kPathUnits; ++i) {
        out[n++] = a[i];
    }
    for (const char16_t* text : {b, c}) {
        for (; *text != u'\0' && n + 1 < fake::kPathUnits; ++text) {
            out[n++] = *text;
        }
    }
    out[n] = u'\0';
}

// "Apply the current directory": `name` made into a path that names one
// place, into `out`. A drive other than the working folder's has no
// current folder of its own here, as in a process that never changed to
// it: "If the last current directory was not set, the drive alone is
// applied."
void ApplyCurrentDirectory(const char16_t* name, const char16_t* current, char16_t* out) {
    const std::size_t currentLength = std::char_traits<char16_t>::length(current);
    const bool currentEnds = currentLength > 0 && IsSlash(current[currentLength - 1]);
    const char16_t* separator = currentEnds ? u"" : u"\\";
    if (IsSlash(name[0]) && IsSlash(name[1])) {
        Join(out, name, 0, name, u"");
    } else if (name[0] != u'\0' && name[1] == u':' && IsSlash(name[2])) {
        Join(out, name, 0, name, u"");
    } else if (IsSlash(name[0])) {
        const std::size_t root = current[1] == u':' ? 2 : RootLength(current) - 1;
        Join(out, current, root, name, u"");
    } else if (name[0] != u'\0' && name[1] == u':') {
        if (Upper(name[0]) == Upper(current[0]) && current[1] == u':') {
            Join(out, current, currentLength, separator, name + 2);
        } else {
            const char16_t root[] = {name[0], u':', u'\\'};
            Join(out, root, 3, name + 2, u"");
        }
    } else {
        Join(out, current, currentLength, separator, name);
    }
}

} // namespace

// "Canonicalize separators", "Evaluate relative components" and "Trim
// characters": '/' becomes '\' and runs of separators one; "." goes, and
// ".." with the element before it, never above the root; an element that
// ends in a period loses it, unless it is all periods; and a path that does
// not end in a separator loses its trailing periods and blanks.
std::size_t fake::FullPathW(const char16_t* name, char16_t* full, std::size_t size) {
    std::size_t offset = 0;
    const std::size_t device = DeviceName(name, &offset);
    char16_t path[kPathUnits];
    if (device != 0) {
        Join(path, u"\\\\.\\", 4, u"", u"");
        std::memcpy(path + 4, name + offset, device * sizeof(char16_t));
        path[4 + device] = u'\0';
    } else {
        const char16_t* p = name;
        while (*p == u' ') {
            ++p;
        }
        if (*p == u'\0') {
            return 0; // empty, or blanks only
        }
        char16_t wideCurrent[kPathUnits];
        const std::u16string& current = world.wideCurrentDirectory;
        if (current.empty()) {
            Widen(world.currentDirectory.c_str(), wideCurrent, kPathUnits);
        }
        char16_t applied[kPathUnits];
        ApplyCurrentDirectory(name, current.empty() ? wideCurrent : current.c_str(), applied);
        const std::size_t root = RootLength(applied);
        std::size_t length = 0;
        for (; length < root && applied[length] != u'\0'; ++length) {
            path[length] = IsSlash(applied[length]) ? u'\\' : applied[length];
        }
        const char16_t* element = applied + length;
        bool endsInSeparator = false;
        bool lastIsRelative = false;
        while (*element != u'\0') {
            std::size_t n = 0;
            while (element[n] != u'\0' && !IsSlash(element[n])) {
                ++n;
            }
            endsInSeparator = element[n] != u'\0';
            std::size_t dots = 0;
            while (dots < n && element[dots] == u'.') {
                ++dots;
            }
            lastIsRelative = n > 0 && n == dots && n <= 2;
            if (lastIsRelative && n == 2) {
                while (length > root && path[length - 1] == u'\\') {
                    --length;
                }
                while (length > root && path[length - 1] != u'\\') {
                    --length;
                }
            } else if (n > 0 && !lastIsRelative) {
                const bool dropDot = endsInSeparator && dots < n && element[n - 1] == u'.';
                const std::size_t kept = dropDot ? n - 1 : n;
                std::memcpy(path + length, element, kept * sizeof(char16_t));
                length += kept;
                if (endsInSeparator) {
                    path[length++] = u'\\';
                }
            }
            element += n;
            while (IsSlash(*element)) {
                ++element;
            }
        }
        // "C:\kit\a\.." is "C:\kit", as "C:\kit\." is.
        while (!endsInSeparator && length > root &&
               (path[length - 1] == u'.' || path[length - 1] == u' ' ||
                (lastIsRelative && path[length - 1] == u'\\'))) {
            --length;
        }
        path[length] = u'\0';
    }
    const std::size_t length = std::char_traits<char16_t>::length(path);
    if (length + 1 > size) {
        return length + 1;
    }
    std::memcpy(full, path, (length + 1) * sizeof(char16_t));
    return length;
}

std::size_t fake::FullPath(const char* name, char* full, std::size_t size) {
    char16_t wide[kPathUnits];
    char16_t wideFull[kPathUnits];
    Widen(name, wide, kPathUnits);
    const std::size_t length = FullPathW(wide, wideFull, kPathUnits);
    if (length == 0 || length >= kPathUnits) {
        return 0;
    }
    bool lossy = false;
    return Narrow(wideFull, full, size, &lossy);
}

bool fake::IsDevice(const char* name) {
    char16_t wide[kPathUnits];
    Widen(name, wide, kPathUnits);
    std::size_t offset = 0;
    return DeviceName(wide, &offset) != 0;
}

// https://learn.microsoft.com/windows/win32/api/fileapi/nf-fileapi-getfullpathnamew:
// the length written, or the size a buffer would need, terminator included;
// 0 for a path that has none.
DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart) {
    char quoted[1100];
    fake::Record("GetFullPathNameW(%s, %u, %s)", fake::QuotedWide(fileName, quoted, sizeof quoted),
                 bufferLength, filePart == nullptr ? "null" : "filePart");
    return static_cast<DWORD>(fake::FullPathW(fileName, buffer, bufferLength));
}

// The ANSI form: the wide one between two conversions, the last one with
// the code page's best fit, so that a working folder the code page cannot
// spell comes back with '?' or a look-alike in it.
DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
    char quoted[1100];
    fake::Record("GetFullPathNameA(%s, %u, %s)", fake::Quoted(fileName, quoted, sizeof quoted),
                 bufferLength, filePart == nullptr ? "null" : "filePart");
    char full[fake::kPathUnits];
    const std::size_t length = fake::FullPath(fileName, full, sizeof full);
    if (length == 0) {
        return 0;
    }
    return fake::CopyOut(full, buffer, bufferLength);
}
