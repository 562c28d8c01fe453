// DebugPrint.h - formatted diagnostics to the debugger output.
//
// DebugPrint (the shell's) and DShowDebugPrint (the capture manager's) each
// format wide printf-style text (%s and %ls are wide strings, as in the
// Windows runtime) into a buffer of 2048 wide characters, keep at most 2046
// characters, cut the rest without notice and write the line to the
// debugger output. Lines carry their own line ends.
#ifndef KOR_VIEWER_COMMON_DEBUGPRINT_H
#define KOR_VIEWER_COMMON_DEBUGPRINT_H

#include <windows.h>

void DebugPrint(LPCWSTR pszFormat, ...);
void DShowDebugPrint(LPCWSTR pszFormat, ...);

// Characters of one line's buffer, and how many of them a line may fill.
const int kDebugPrintBufferChars = 2048;
const int kDebugPrintMaxChars = 2046;

#endif  // KOR_VIEWER_COMMON_DEBUGPRINT_H
