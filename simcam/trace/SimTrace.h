// SimTrace.h - the simulated camera's one diagnostic: a debugger-output line
// for a failed operation, with the HRESULT and its system text.
//
//   "simcam: <operation> failed: 0x80070005 Access denied.\r\n"
//
// The caller's last-error value is kept, so tracing never changes what the
// failing call reports.
#ifndef KOR_SIMCAM_TRACE_SIMTRACE_H
#define KOR_SIMCAM_TRACE_SIMTRACE_H

#include <windows.h>

void SimTraceFailure(const WCHAR *pszOperation, HRESULT hr);

// The same for a Win32 call that failed with GetLastError().
void SimTraceLastError(const WCHAR *pszOperation);

#endif  // KOR_SIMCAM_TRACE_SIMTRACE_H
