// ShellBusy.cpp - the close and the device events that wait for the running
// handler.
#include "ShellBusy.h"

#include <strsafe.h>

#include "DebugPrint.h"
#include "MainWindow.h"

namespace {

const int kMaxWaitingEvents = 64;

struct WaitingEvent {
    int iCommand;  // a device selection, or 0 for a notification
    WPARAM wEvent;
    WCHAR szName[DEVICE_PATH_CCH];
};

PFN_SELECT_DEVICE g_pfnSelectDevice = nullptr;
PFN_DEVICE_CHANGE g_pfnDeviceChange = nullptr;
PFN_CLOSE_MAIN_WINDOW g_pfnCloseMainWindow = nullptr;

int g_BusyDepth = 0;
bool g_bCloseWaiting = false;
bool g_bRunningWaiting = false;
WaitingEvent g_WaitingEvents[kMaxWaitingEvents];
int g_FirstWaiting = 0;
int g_WaitingCount = 0;

WaitingEvent *NewWaitingEvent() {
    if (g_WaitingCount == kMaxWaitingEvents) {
        OutputDebugStringW(L"Device event dropped: too many waiting\r\n");
        return nullptr;
    }
    WaitingEvent *pEvent = &g_WaitingEvents[(g_FirstWaiting + g_WaitingCount) % kMaxWaitingEvents];
    ++g_WaitingCount;
    return pEvent;
}

bool TakeWaitingEvent(WaitingEvent *pEvent) {
    if (g_WaitingCount == 0) return false;
    *pEvent = g_WaitingEvents[g_FirstWaiting];
    g_FirstWaiting = (g_FirstWaiting + 1) % kMaxWaitingEvents;
    --g_WaitingCount;
    return true;
}

void CloseMainWindowNow() {
    g_bCloseWaiting = false;
    g_WaitingCount = 0;
    if (g_pfnCloseMainWindow) g_pfnCloseMainWindow();
}

// Runs what waited for the outermost handler. Each event runs as a handler
// of its own, so what arrives meanwhile waits again and runs after it.
void RunWaitingWork() {
    if (g_bRunningWaiting) return;
    g_bRunningWaiting = true;
    WaitingEvent event;
    while (!g_bCloseWaiting && TakeWaitingEvent(&event)) {
        ShellBusyScope busy;
        if (event.iCommand != 0) {
            if (g_pfnSelectDevice) g_pfnSelectDevice(event.iCommand);
        } else if (g_pfnDeviceChange) {
            g_pfnDeviceChange(event.wEvent, event.szName);
        }
    }
    g_bRunningWaiting = false;
    if (g_bCloseWaiting) CloseMainWindowNow();
}

}  // namespace

ShellBusyScope::ShellBusyScope() { ++g_BusyDepth; }

ShellBusyScope::~ShellBusyScope() {
    if (--g_BusyDepth == 0) RunWaitingWork();
}

bool ShellIsBusy() { return g_BusyDepth > 0; }

namespace {

// Keeps one device event to run after the running handler.
bool Defer(int iCommand, WPARAM wEvent, LPCWSTR pszName) {
    WaitingEvent *pEvent = NewWaitingEvent();
    if (!pEvent) return false;
    pEvent->iCommand = iCommand;
    pEvent->wEvent = wEvent;
    (void)StringCchCopyW(pEvent->szName, ARRAYSIZE(pEvent->szName), pszName ? pszName : L"");
    return true;
}

}  // namespace

bool DeferDeviceSelection(int iCommand) {
    if (!Defer(iCommand, 0, nullptr)) return false;
    DebugPrint(L"Device selection %d waits for the running handler\r\n", iCommand);
    return true;
}

bool DeferDeviceChange(WPARAM wEvent, LPCWSTR pszName) {
    if (!Defer(0, wEvent, pszName)) return false;
    OutputDebugStringW(L"Device change waits for the running handler\r\n");
    return true;
}

void RequestMainWindowClose() {
    if (g_BusyDepth > 0 || g_bRunningWaiting) {
        OutputDebugStringW(L"Close waits for the running handler\r\n");
        g_bCloseWaiting = true;
        return;
    }
    CloseMainWindowNow();
}

void InstallShellWaitingWork(PFN_SELECT_DEVICE pfnSelect, PFN_DEVICE_CHANGE pfnChange, PFN_CLOSE_MAIN_WINDOW pfnClose) {
    g_pfnSelectDevice = pfnSelect;
    g_pfnDeviceChange = pfnChange;
    g_pfnCloseMainWindow = pfnClose;
}

void ResetShellBusy() {
    g_BusyDepth = 0;
    g_bCloseWaiting = false;
    g_bRunningWaiting = false;
    g_FirstWaiting = 0;
    g_WaitingCount = 0;
}
