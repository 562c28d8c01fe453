// LibTrace.cpp - the trace hook (silent unless KORFWSW_TRACE is defined) and
// the fixed debug lines.
#include "LibTrace.h"

#ifdef KORFWSW_TRACE
#include <stdarg.h>
#include <strsafe.h>
#endif

void LibTrace(const WCHAR *pszFormat, ...) {
#ifdef KORFWSW_TRACE
    WCHAR szLine[512];
    va_list args;
    va_start(args, pszFormat);
    // A line too long for the buffer is cut; the buffer stays terminated.
    (void)StringCchVPrintfW(szLine, ARRAYSIZE(szLine), pszFormat, args);
    va_end(args);
    LibDebugLine(szLine);
#else
    (void)pszFormat;
#endif
}

void LibDebugLine(const WCHAR *pszLine) {
    DWORD dwLastError = GetLastError();
    OutputDebugStringW(pszLine);
    SetLastError(dwLastError);
}
