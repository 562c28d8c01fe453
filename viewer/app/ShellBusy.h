// ShellBusy.h - work the shell holds back while one of its handlers runs.
//
// A handler that shows a box, waits in the library or builds a graph runs a
// message loop of its own, and any message can be dispatched inside it. Two
// kinds of work must never run there: closing the main window (it deletes
// the capture manager under the handler) and a device selection or
// notification (it replaces the graph and the device table under the
// handler). While a ShellBusyScope is open they are remembered, and they run
// when the outermost scope closes: the device events in their order, then the
// close, which drops device events still waiting.
//
// Window thread only.
#ifndef KOR_VIEWER_APP_SHELLBUSY_H
#define KOR_VIEWER_APP_SHELLBUSY_H

#include <windows.h>

// Marks a handler as running for its lifetime.
class ShellBusyScope {
public:
    ShellBusyScope();
    ~ShellBusyScope();
    ShellBusyScope(const ShellBusyScope &) = delete;
    ShellBusyScope &operator=(const ShellBusyScope &) = delete;
};

// True while a handler runs.
bool ShellIsBusy();

// A device selection (Devices menu command) or device notification
// (DBT_DEVICEARRIVAL / DBT_DEVICEREMOVECOMPLETE with the device's name)
// that arrived while a handler runs: kept to run after it. False when too
// many are waiting (the event is dropped, with a debug line).
bool DeferDeviceSelection(int iCommand);
bool DeferDeviceChange(WPARAM wEvent, LPCWSTR pszName);

// Closes the main window now, or when the outermost handler returns.
void RequestMainWindowClose();

// What runs the waiting work: the shell's device selection, device change
// and close of the main window. Until they are installed nothing waits to
// run (the dialogs hosted without the shell).
typedef void (*PFN_SELECT_DEVICE)(int iCommand);
typedef void (*PFN_DEVICE_CHANGE)(WPARAM wEvent, LPCWSTR pszName);
typedef void (*PFN_CLOSE_MAIN_WINDOW)();
void InstallShellWaitingWork(PFN_SELECT_DEVICE pfnSelect, PFN_DEVICE_CHANGE pfnChange, PFN_CLOSE_MAIN_WINDOW pfnClose);

// Forgets whatever waits (tests that run the viewer more than once).
void ResetShellBusy();

#endif  // KOR_VIEWER_APP_SHELLBUSY_H
