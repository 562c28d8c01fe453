// ViewerHost.cpp - the viewer's entry point on a thread of the test.
#include "ViewerHost.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <objbase.h>

#include "Devices.h"
#include "ImportCounter.h"
#include "Dshow.h"
#include "MainWindow.h"

namespace {

const UINT kHostMarkerMessage = WM_APP + 0x3A1;
const DWORD kStartTimeoutMs = 60000;

volatile LONG g_lMarkersTaken = 0;
volatile LONG g_lMessagesTaken = 0;
HHOOK g_hGetMessageHook = nullptr;
HostSnapshot g_markerSnapshot = {0, 0, 0, 0, 0};

// Sees every message the viewer thread's GetMessageW takes from its queue.
LRESULT CALLBACK GetMessageHook(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HC_ACTION && wParam == PM_REMOVE) {
        InterlockedIncrement(&g_lMessagesTaken);
        const MSG *pMsg = reinterpret_cast<const MSG *>(lParam);
        if (pMsg->message == kHostMarkerMessage) {
            // Every message taken before the marker has had its loop pass.
            g_markerSnapshot.lMessagesTaken = g_lMessagesTaken;
            g_markerSnapshot.lIsSensorReady = IsSensorReadyCalls();
            g_markerSnapshot.lAFFreezeControl = AFFreezeControlCalls();
            g_markerSnapshot.iAfCounter = g_AfCounter;
            g_markerSnapshot.iAfDone = g_AfDone;
            InterlockedIncrement(&g_lMarkersTaken);
        }
    }
    return CallNextHookEx(g_hGetMessageHook, nCode, wParam, lParam);
}

// Every process-wide value of the viewer back to its start-up state.
void ResetViewerProcessState() {
    ResetCaptureProcessState();
    ResetShellState();
}

}  // namespace

LONG HostMessagesTaken() { return g_lMessagesTaken; }
HostSnapshot LastMarkerSnapshot() { return g_markerSnapshot; }

ViewerHost::~ViewerHost() {
    if (m_thread.joinable()) {
        if (!m_bFinished) (void)Stop();
        if (m_thread.joinable()) m_thread.detach();
    }
}

void ViewerHost::ThreadMain(ViewerHost *pHost) {
    pHost->m_dwThreadId = GetCurrentThreadId();
    ResetViewerProcessState();
    int iExit = KorViewerMain(GetModuleHandleW(nullptr), nullptr, const_cast<LPWSTR>(L""), SW_SHOWNORMAL);
    // The viewer keeps its device table to the end of the process; a test
    // process runs it again, so give the references back in this apartment.
    ReleaseDeviceTable();
    CoUninitialize();
    pHost->m_iExitCode = iExit;
    pHost->m_bFinished = true;
}

bool ViewerHost::Start() {
    m_bFinished = false;
    m_iExitCode = -1;
    m_dwThreadId = 0;
    g_hWndMain = nullptr;
    m_thread = std::thread(ThreadMain, this);
    if (!WaitFor([&] { return m_dwThreadId != 0; }, kStartTimeoutMs)) return false;
    if (!g_hGetMessageHook) {
        g_hGetMessageHook = SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, m_dwThreadId);
    }
    // The main window exists once InitInstance made it; a sent message is
    // answered once the message loop (or a modal loop) runs.
    if (!WaitFor([&] { return g_hWndMain != nullptr || m_bFinished; }, kStartTimeoutMs)) return false;
    if (m_bFinished) return false;
    return Sync();
}

int ViewerHost::Stop() {
    if (!m_thread.joinable()) return -1;
    if (!m_bFinished && g_hWndMain) PostCommand(105);  // File > Exit
    bool bEnded = WaitFor([&] { return static_cast<bool>(m_bFinished); }, kStartTimeoutMs);
    if (g_hGetMessageHook) {
        UnhookWindowsHookEx(g_hGetMessageHook);
        g_hGetMessageHook = nullptr;
    }
    if (!bEnded) return -1;
    m_thread.join();
    return m_iExitCode;
}

HWND ViewerHost::Main() const { return g_hWndMain; }

bool ViewerHost::Sync() {
    DWORD_PTR dwResult = 0;
    return SendMessageTimeoutW(g_hWndMain, WM_NULL, 0, 0, SMTO_NORMAL, kStartTimeoutMs, &dwResult) != 0;
}

void ViewerHost::Command(int iCommand) {
    DWORD_PTR dwResult = 0;
    if (!SendMessageTimeoutW(g_hWndMain, WM_COMMAND, MAKEWPARAM(iCommand, 0), 0, SMTO_NORMAL, kStartTimeoutMs,
                             &dwResult))
        ADD_FAILURE() << "command " << iCommand << " was not handled within " << kStartTimeoutMs << " ms";
}

void ViewerHost::PostCommand(int iCommand) { PostMessageW(g_hWndMain, WM_COMMAND, MAKEWPARAM(iCommand, 0), 0); }

void ViewerHost::Post(UINT uMsg, WPARAM wParam, LPARAM lParam) { PostMessageW(g_hWndMain, uMsg, wParam, lParam); }

bool ViewerHost::DrainPosted(DWORD dwTimeoutMs) {
    LONG lBefore = g_lMarkersTaken;
    PostMessageW(g_hWndMain, kHostMarkerMessage, 0, 0);
    if (!WaitFor([&] { return g_lMarkersTaken != lBefore; }, dwTimeoutMs)) return false;
    // The marker's own loop pass (with its autofocus step) ends before the
    // loop takes the next message, the sent one included.
    return Sync();
}

std::wstring ViewerHost::Status(int iPart) {
    wchar_t szText[256] = L"";
    LRESULT lLength = SendMessageW(g_hWndStatus, SB_GETTEXTLENGTHW, iPart, 0);
    if (LOWORD(lLength) >= ARRAYSIZE(szText)) return L"<too long>";
    SendMessageW(g_hWndStatus, SB_GETTEXTW, iPart, reinterpret_cast<LPARAM>(szText));
    return szText;
}

std::vector<MenuEntry> ViewerHost::DevicesMenu() {
    Sync();
    return MenuEntries(GetSubMenu(GetMenu(g_hWndMain), DEVICES_MENU_POS));
}

std::vector<MenuEntry> ViewerHost::TopMenu() {
    Sync();
    return MenuEntries(GetMenu(g_hWndMain));
}

bool ViewerHost::IsMenuChecked(UINT uId) {
    Sync();
    UINT uState = GetMenuState(GetMenu(g_hWndMain), uId, MF_BYCOMMAND);
    return uState != static_cast<UINT>(-1) && (uState & MF_CHECKED) != 0;
}

HWND ViewerHost::WaitForBox(const std::wstring &caption, DWORD dwTimeoutMs) {
    HWND hBox = WaitForDialog(GetCurrentProcessId(), caption, dwTimeoutMs);
    // Boxes are the window thread's: a stop of the graph never waits on one.
    if (hBox) {
        EXPECT_EQ(m_dwThreadId, GetWindowThreadProcessId(hBox, nullptr)) << "a box on another thread";
    }
    return hBox;
}
