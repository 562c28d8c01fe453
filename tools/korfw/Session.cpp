// Session.cpp - InitLibrary and DeInitLibrary, balanced.
//
// The session is closed exactly once: by the command's own path, or by the
// console control handler when the user presses Ctrl+C. The handler runs on
// a thread of its own; the library's process-wide lock makes DeInitLibrary
// wait for an access the main thread has in progress, and the exchange on
// g_lSessionOpen makes sure only one of the two closes. The handler then
// lets the system end the process.
//
// Each step writes a line to the debugger output ("korfw: InitLibrary",
// "korfw: DeInitLibrary"), so a test bench can check the balance.
#include "Session.h"

#include "KORFwSw.h"

namespace {

volatile LONG g_lSessionOpen = 0;

}  // namespace

BOOL WINAPI OnConsoleControl(DWORD dwType) {
    (void)dwType;
    CloseSession();
    return FALSE;  // the default handler ends the process
}

bool OpenSession(const WCHAR *pszDevicePath, DWORD *pdwError) {
    (void)SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    // Open before the call: an interruption during InitLibrary still closes.
    InterlockedExchange(&g_lSessionOpen, 1);
    OutputDebugStringW(L"korfw: InitLibrary\n");
    SetLastError(ERROR_SUCCESS);
    int iResult = InitLibrary(pszDevicePath);
    *pdwError = GetLastError();
    return iResult == 1;
}

void CloseSession() {
    if (InterlockedExchange(&g_lSessionOpen, 0) == 0) return;
    (void)DeInitLibrary();
    OutputDebugStringW(L"korfw: DeInitLibrary\n");
}
