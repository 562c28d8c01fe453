// LibTrace.h - the library's debugger output: the trace hook and the fixed
// diagnostic lines.
#ifndef KOR_EXTLIB_LIBTRACE_H
#define KOR_EXTLIB_LIBTRACE_H

#include <windows.h>

// Formats a wide printf-style trace line. The delivered build writes
// nothing; a build with KORFWSW_TRACE defined sends the line to the debugger
// output.
void LibTrace(const WCHAR *pszFormat, ...);

// Writes a fixed diagnostic line to the debugger output, always. The
// thread's last-error value is kept: the platform's debug output may change
// it, and callers rely on the code they set (or left alone).
void LibDebugLine(const WCHAR *pszLine);

#endif  // KOR_EXTLIB_LIBTRACE_H
