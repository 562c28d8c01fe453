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

// text as a JSON string literal, quotes included: quote, backslash and
// control characters escaped.
std::wstring JsonString(const std::wstring &text);

#endif  // KOR_TOOLS_KORFW_CONSOLE_H
