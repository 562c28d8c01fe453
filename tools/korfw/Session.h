// Session.h - the library's session for one command: InitLibrary once,
// DeInitLibrary once, on every way out (Ctrl+C and Ctrl+Break included);
// and Ctrl+C reaching a command while it waits.
#ifndef KOR_TOOLS_KORFW_SESSION_H
#define KOR_TOOLS_KORFW_SESSION_H

#include <windows.h>

// How long Ctrl+C waits for a command to let go of the camera before the
// session is closed all the same.
const DWORD kStopGraceMs = 5000;

// Installs the console control handler and calls InitLibrary. False with
// the library's code in *pdwError when it refused. Either way the session
// counts as open until CloseSession: InitLibrary may leave it usable even
// when it reports a failure. A new session starts with no stop requested.
bool OpenSession(const WCHAR *pszDevicePath, DWORD *pdwError);

// Calls DeInitLibrary unless the session is already closed (by an earlier
// call or by the control handler).
void CloseSession();

// The console control handler OpenSession installs: asks the command to
// stop, waits while it lets go of what it holds (BeginCleanupOnStop), then
// closes the session and returns FALSE, so the system's default handling
// ends the process.
BOOL WINAPI OnConsoleControl(DWORD dwType);

// The manual-reset event Ctrl+C sets, for commands that wait on it.
HANDLE StopEvent();
// Sleeps dwMs, or less when Ctrl+C comes first: false then.
bool SleepUnlessStopped(DWORD dwMs);

// Between these two a command holds what must be let go before the session
// closes (a running graph, a lit strobe): Ctrl+C waits for the second,
// kStopGraceMs at most. A command that sees the stop event lets go and then
// calls EndCleanupOnStop.
void BeginCleanupOnStop();
void EndCleanupOnStop();

#endif  // KOR_TOOLS_KORFW_SESSION_H
