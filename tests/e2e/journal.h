// The journal that the test programs started under Wine write, so that a
// test can read from outside what ran and in which order: one UTF-8 line per
// event, "sequence<TAB>what<TAB>detail<TAB>current folder". The sequence
// number is the count of lines before it plus one.
#pragma once

#include <windows.h>

constexpr wchar_t kJournalPath[] = L"C:\\quenlow-journal.txt";

inline bool AppendUtf8(HANDLE file, const wchar_t* text) {
    char bytes[4 * 1024];
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    DWORD written = 0;
    return length > 0 && WriteFile(file, bytes, static_cast<DWORD>(length - 1), &written, nullptr);
}

inline unsigned CountLines(HANDLE file) {
    unsigned lines = 0;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got; ++i) {
            lines += buffer[i] == '\n' ? 1 : 0;
        }
    }
    return lines;
}

inline bool AppendToJournal(const wchar_t* what, const wchar_t* detail) {
    // Several writers may start at once when the launcher misbehaves; the
    // mutex keeps their sequence numbers apart.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"quenlow-journal");
    WaitForSingleObject(mutex, 10000);
    HANDLE file = CreateFileW(kJournalPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool written = false;
    if (file != INVALID_HANDLE_VALUE) {
        wchar_t sequence[16];
        wsprintfW(sequence, L"%u\t", CountLines(file) + 1);
        wchar_t folder[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, folder);
        SetFilePointer(file, 0, nullptr, FILE_END);
        written = AppendUtf8(file, sequence) && AppendUtf8(file, what) && AppendUtf8(file, L"\t") &&
                  AppendUtf8(file, detail) && AppendUtf8(file, L"\t") && AppendUtf8(file, folder) &&
                  AppendUtf8(file, L"\n");
        CloseHandle(file);
    }
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return written;
}
