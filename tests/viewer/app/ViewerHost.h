// ViewerHost.h - runs the viewer's own entry point and message loop
// (KorViewerMain, from the korapp library) on a thread of the test process
// and drives it from the test's thread: window messages, menu commands,
// status texts, menus and message boxes, all readable in-process.
#ifndef KOR_TESTS_VIEWER_APP_VIEWERHOST_H
#define KOR_TESTS_VIEWER_APP_VIEWERHOST_H

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "UiProbe.h"

class ViewerHost {
public:
    ViewerHost() = default;
    ~ViewerHost();
    ViewerHost(const ViewerHost &) = delete;
    ViewerHost &operator=(const ViewerHost &) = delete;

    // Starts the viewer on its own thread (process-wide values reset first)
    // and waits until its message loop runs. False on a time-out.
    bool Start();
    // File > Exit, then waits for the thread. Returns the entry point's
    // result, or -1 when the viewer did not end.
    int Stop();
    bool Running() const { return m_thread.joinable() && !m_bFinished; }

    HWND Main() const;
    DWORD ThreadId() const { return m_dwThreadId; }

    // A round trip through the viewer thread: everything sent before is done.
    bool Sync();
    // A WM_COMMAND sent (handled before this returns) or posted (through the
    // message loop and the accelerators; for commands that open modal boxes).
    void Command(int iCommand);
    void PostCommand(int iCommand);
    void Post(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // Waits until the viewer thread has taken every message posted so far
    // from its queue and handled it.
    bool DrainPosted(DWORD dwTimeoutMs = 30000);

    // Status bar part text (SB_GETTEXTW, in-process).
    std::wstring Status(int iPart);
    std::vector<MenuEntry> DevicesMenu();
    std::vector<MenuEntry> TopMenu();
    bool IsMenuChecked(UINT uId);

    // A message box or dialog of the viewer with this caption.
    HWND WaitForBox(const std::wstring &caption, DWORD dwTimeoutMs = 10000);

private:
    static void ThreadMain(ViewerHost *pHost);

    std::thread m_thread;
    volatile DWORD m_dwThreadId = 0;
    volatile bool m_bFinished = false;
    volatile int m_iExitCode = -1;
};

// Messages the viewer thread's GetMessageW has taken from its queue so far
// (seen by a WH_GETMESSAGE hook while a host runs).
LONG HostMessagesTaken();

// Counts taken by the hook when it saw the last DrainPosted marker leave the
// queue: messages taken so far (the marker included) and library calls made
// so far, which are exactly those of the loop passes before the marker's.
struct HostSnapshot {
    LONG lMessagesTaken;
    LONG lIsSensorReady;
    LONG lAFFreezeControl;
    int iAfCounter;  // the retry's counter and done flag after those passes
    int iAfDone;
};
HostSnapshot LastMarkerSnapshot();

#endif  // KOR_TESTS_VIEWER_APP_VIEWERHOST_H
