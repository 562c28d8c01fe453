// ErrorText.h - the library's last-error codes in words.
#ifndef KOR_TOOLS_KORFW_ERRORTEXT_H
#define KOR_TOOLS_KORFW_ERRORTEXT_H

#include <windows.h>

struct ErrorText {
    const WCHAR *pszName;     // "ERR_NOT_KOR_CAMERA"; null for a code the library does not define
    const WCHAR *pszMeaning;  // one sentence
};

// The name and meaning of a code KORFwSw leaves in the last-error value.
ErrorText DescribeError(DWORD dwCode);

#endif  // KOR_TOOLS_KORFW_ERRORTEXT_H
