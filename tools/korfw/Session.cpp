// Session.cpp - InitLibrary and DeInitLibrary, balanced, and Ctrl+C.
//
// The session is closed exactly once: by the command's own path, or by the
// console control handler when the user presses Ctrl+C. The handler runs on
// a thread of its own; the library's process-wide lock makes DeInitLibrary
// wait for an access the main thread has in progress, and the exchange on
// g_lSessionOpen makes sure only one of the two closes. Before closing, the
// handler sets the stop event and, when the command holds something that
// must be let go first, waits for it. The handler then lets the system end
// the process.
//
// Each step writes a line to the debugger output ("korfw: InitLibrary",
// "korfw: DeInitLibrary"), so a test bench can check the balance.
#include "Session.h"

#include "KORFwSw.h"

namespace {

volatile LONG g_lSessionOpen = 0;
// 1 between BeginCleanupOnStop and EndCleanupOnStop.
volatile LONG g_lCleanupPending = 0;

// Set when the command has let go (manual reset).
HANDLE ReleasedEvent() {
    static const HANDLE s_hReleased = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    return s_hReleased;
}

}  // namespace

HANDLE StopEvent() {
    static const HANDLE s_hStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return s_hStop;
}

bool SleepUnlessStopped(DWORD dwMs) { return WaitForSingleObject(StopEvent(), dwMs) == WAIT_TIMEOUT; }

void BeginCleanupOnStop() {
    (void)ResetEvent(ReleasedEvent());
    InterlockedExchange(&g_lCleanupPending, 1);
}

void EndCleanupOnStop() {
    InterlockedExchange(&g_lCleanupPending, 0);
    (void)SetEvent(ReleasedEvent());
}

BOOL WINAPI OnConsoleControl(DWORD dwType) {
    (void)dwType;
    (void)SetEvent(StopEvent());
    // Read after the event is set: a command that begins holding after this
    // sees the event before it lights or runs anything.
    if (InterlockedCompareExchange(&g_lCleanupPending, 0, 0)) (void)WaitForSingleObject(ReleasedEvent(), kStopGraceMs);
    CloseSession();
    return FALSE;  // the default handler ends the process
}

bool OpenSession(const WCHAR *pszDevicePath, DWORD *pdwError) {
    (void)ResetEvent(StopEvent());
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
