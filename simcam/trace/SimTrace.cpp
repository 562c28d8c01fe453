// SimTrace.cpp - failure lines on the debugger output.
#include "SimTrace.h"

#include <strsafe.h>

namespace {

// The system's text for hr without its line end, or "" when it has none.
void DescribeResult(HRESULT hr, WCHAR *pszText, size_t cchText) {
    pszText[0] = L'\0';
    DWORD cch = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               static_cast<DWORD>(hr), 0, pszText, static_cast<DWORD>(cchText), nullptr);
    if (cch == 0 || cch >= cchText) {
        pszText[0] = L'\0';
        return;
    }
    while (cch > 0 && (pszText[cch - 1] == L'\r' || pszText[cch - 1] == L'\n' || pszText[cch - 1] == L' ')) {
        pszText[--cch] = L'\0';
    }
}

}  // namespace

void SimTraceFailure(const WCHAR *pszOperation, HRESULT hr) {
    DWORD dwLastError = GetLastError();
    WCHAR szText[256];
    DescribeResult(hr, szText, ARRAYSIZE(szText));
    WCHAR szLine[512];
    (void)StringCchPrintfW(szLine, ARRAYSIZE(szLine), L"simcam: %ls failed: 0x%08lx %ls\r\n",
                           pszOperation ? pszOperation : L"(operation)", static_cast<unsigned long>(hr), szText);
    OutputDebugStringW(szLine);
    SetLastError(dwLastError);
}

void SimTraceLastError(const WCHAR *pszOperation) {
    DWORD dwError = GetLastError();
    SimTraceFailure(pszOperation, HRESULT_FROM_WIN32(dwError));
    SetLastError(dwError);
}
