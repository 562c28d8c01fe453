// Console.cpp - korfw's output: console or UTF-8, bounded formatting, JSON
// strings.
#include "Console.h"

#include <strsafe.h>

#include <stdarg.h>

#include <vector>

namespace {

void WriteTo(DWORD dwStd, const std::wstring &text) {
    if (text.empty()) return;
    HANDLE hOut = GetStdHandle(dwStd);
    if (hOut == nullptr || hOut == INVALID_HANDLE_VALUE) return;
    DWORD dwMode = 0, dwWritten = 0;
    if (GetConsoleMode(hOut, &dwMode)) {
        (void)WriteConsoleW(hOut, text.c_str(), static_cast<DWORD>(text.size()), &dwWritten, nullptr);
        return;
    }
    int cb = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (cb <= 0) return;
    std::vector<char> utf8(static_cast<size_t>(cb));
    (void)WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), cb, nullptr,
                              nullptr);
    (void)WriteFile(hOut, utf8.data(), static_cast<DWORD>(cb), &dwWritten, nullptr);
}

// The characters JSON writes as a backslash and one more character.
struct JsonEscape {
    WCHAR ch;
    LPCWSTR pszEscape;
};
const JsonEscape kShortJsonEscapes[] = {
    {L'"', L"\\\""}, {L'\\', L"\\\\"}, {L'\n', L"\\n"}, {L'\r', L"\\r"}, {L'\t', L"\\t"},
};

// ch's two-character escape, or null when it has none.
LPCWSTR ShortJsonEscape(WCHAR ch) {
    for (const JsonEscape &escape : kShortJsonEscapes) {
        if (escape.ch == ch) return escape.pszEscape;
    }
    return nullptr;
}

}  // namespace

void WriteOut(const std::wstring &text) { WriteTo(STD_OUTPUT_HANDLE, text); }

void WriteErr(const std::wstring &text) { WriteTo(STD_ERROR_HANDLE, text); }

std::wstring Format(const WCHAR *pszFormat, ...) {
    WCHAR szText[1024] = L"";
    va_list args;
    va_start(args, pszFormat);
    (void)StringCchVPrintfW(szText, ARRAYSIZE(szText), pszFormat, args);  // cut when longer
    va_end(args);
    return szText;
}

std::wstring DecimalText(ULONG ulValue, int cPlaces) {
    ULONG ulUnit = 1;
    for (int i = 0; i < cPlaces; ++i) ulUnit *= 10;
    std::wstring text = Format(L"%lu.%0*lu", ulValue / ulUnit, cPlaces, ulValue % ulUnit);
    while (text.back() == L'0') text.pop_back();
    if (text.back() == L'.') text.pop_back();
    return text;
}

std::wstring JsonString(const std::wstring &text) {
    std::wstring json = L"\"";
    for (WCHAR ch : text) {
        LPCWSTR pszEscape = ShortJsonEscape(ch);
        if (pszEscape) {
            json += pszEscape;
        } else if (ch < 0x20) {
            json += Format(L"\\u%04x", static_cast<unsigned>(ch));
        } else {
            json += ch;
        }
    }
    return json + L"\"";
}
