// Session.h - the library's session for one command: InitLibrary once,
// DeInitLibrary once, on every way out (Ctrl+C and Ctrl+Break included).
#ifndef KOR_TOOLS_KORFW_SESSION_H
#define KOR_TOOLS_KORFW_SESSION_H

#include <windows.h>

// Installs the console control handler and calls InitLibrary. False with
// the library's code in *pdwError when it refused. Either way the session
// counts as open until CloseSession: InitLibrary may leave it usable even
// when it reports a failure.
bool OpenSession(const WCHAR *pszDevicePath, DWORD *pdwError);

// Calls DeInitLibrary unless the session is already closed (by an earlier
// call or by the control handler).
void CloseSession();

// The console control handler OpenSession installs: closes the session and
// returns FALSE, so the system's default handling ends the process.
BOOL WINAPI OnConsoleControl(DWORD dwType);

#endif  // KOR_TOOLS_KORFW_SESSION_H
