// LibTrace.h - the library's trace hook.
#ifndef KORFWSW_LIBTRACE_H
#define KORFWSW_LIBTRACE_H

#include <windows.h>

// Formats a wide printf-style trace line. The delivered build writes
// nothing; a build with KORFWSW_TRACE defined sends the line to the debugger
// output. Fixed diagnostic lines that must always appear are written with
// OutputDebugStringW instead.
void LibTrace(const WCHAR *pszFormat, ...);

#endif  // KORFWSW_LIBTRACE_H
