// ViewerProcess.h - the real KORViewer.exe as a process of its own, driven
// as a person drives it: typed keys (SendInput to the foreground main
// window), menu commands (WM_COMMAND crosses processes), message-box
// buttons; read back through the window system: window texts, message
// boxes, and the status bar through a buffer allocated in the viewer's own
// process (SB_GETTEXTW carries no buffer across processes). The viewer runs
// under this process as its debugger, so its debugger output is collected
// the plain way.
#ifndef KOR_TESTS_VIEWER_APP_VIEWERPROCESS_H
#define KOR_TESTS_VIEWER_APP_VIEWERPROCESS_H

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "common/DebuggerRun.h"

class ViewerProcess {
public:
    ViewerProcess() = default;
    ~ViewerProcess();
    ViewerProcess(const ViewerProcess &) = delete;
    ViewerProcess &operator=(const ViewerProcess &) = delete;

    // Starts KORViewer.exe (beside this program) and waits for its main
    // window. False on a time-out.
    bool Start(DWORD dwTimeoutMs = 60000);
    // File > Exit; waits for the process to end. False when it did not.
    bool Exit(DWORD dwTimeoutMs = 30000);
    // What the process wrote to the debugger output (after it ended).
    const DebuggerRunResult &Result() const { return m_result; }

    HWND Main() const { return m_hWndMain; }
    DWORD ProcessId() const { return m_dwProcessId; }
    DWORD ThreadId() const { return m_dwThreadId; }

    std::wstring Status(int iPart);
    void PostCommand(int iCommand);
    // Makes the main window the foreground window and checks that it has
    // the keyboard focus.
    bool Focus();
    // Types one key (down and up), with Alt held when bAlt.
    bool TypeKey(WORD wVirtualKey, bool bAlt = false);

private:
    std::thread m_debugger;
    DebuggerRunResult m_result = {false, false, 0, {}};
    HWND m_hWndMain = nullptr;
    DWORD m_dwProcessId = 0;
    DWORD m_dwThreadId = 0;
    bool m_bRunning = false;
};

// Full path of KORViewer.exe beside this program.
std::wstring ViewerProgramPath();
// A status bar part of the viewer's main window, read through a buffer
// allocated in the viewer's process.
std::wstring ReadStatusText(HWND hMain, int iPart);
// Processes of this prefix whose image is KORViewer.exe.
int CountViewerProcesses();

// The folder the viewer writes its stills to by default: the prefix's
// desktop.
std::wstring DesktopPath();
// Names of the files in DesktopPath() that match the pattern (L"*.jpg").
std::vector<std::wstring> DesktopFiles(const wchar_t *pszPattern);

#endif  // KOR_TESTS_VIEWER_APP_VIEWERPROCESS_H
