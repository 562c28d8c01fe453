// Console.h - what korfw writes: text to standard output or standard error,
// UTF-8 when redirected, and the JSON escaping of strings.
#ifndef KOR_TOOLS_KORFW_CONSOLE_H
#define KOR_TOOLS_KORFW_CONSOLE_H

#include <windows.h>

#include <string>

// Writes text as it is (no formatting) to STD_OUTPUT_HANDLE or
// STD_ERROR_HANDLE: through the console when there is one, else as UTF-8.
void WriteOut(const std::wstring &text);
void WriteErr(const std::wstring &text);

// Formats into a bounded buffer (StringCchVPrintfW: %s is a wide string).
// Longer results are cut.
std::wstring Format(const WCHAR *pszFormat, ...);

// A number given in units of 10^-cPlaces (cPlaces 1 to 9), without the
// zeros a fraction ends in: (10000, 3) "10", (500, 3) "0.5", (2997, 2) "29.97".
std::wstring DecimalText(ULONG ulValue, int cPlaces);

// text as a JSON string literal, quotes included: quote, backslash and
// control characters escaped.
std::wstring JsonString(const std::wstring &text);

#endif  // KOR_TOOLS_KORFW_CONSOLE_H
