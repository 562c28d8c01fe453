// PageDriver.cpp - window helpers and the frame driver.
#include "PageDriver.h"

#include <commctrl.h>

namespace {

struct ControlSearch {
    int id;
    HWND hFound;
};

BOOL CALLBACK MatchControl(HWND hWnd, LPARAM lParam) {
    ControlSearch *pSearch = reinterpret_cast<ControlSearch *>(lParam);
    if (GetDlgCtrlID(hWnd) != pSearch->id) return TRUE;
    pSearch->hFound = hWnd;
    return FALSE;
}

struct FrameSearch {
    int idPageControl;
    HWND hFrame;
};

BOOL CALLBACK MatchFrame(HWND hWnd, LPARAM lParam) {
    FrameSearch *pSearch = reinterpret_cast<FrameSearch *>(lParam);
    if (!IsWindowVisible(hWnd) || !FindControl(hWnd, pSearch->idPageControl)) return TRUE;
    pSearch->hFrame = hWnd;
    return FALSE;
}

BOOL CALLBACK CancelWindow(HWND hWnd, LPARAM) {
    PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return TRUE;
}

const DWORD kFrameTimeoutMs = 15000;

}  // namespace

HWND FindControl(HWND hRoot, int id) {
    ControlSearch search = {id, nullptr};
    EnumChildWindows(hRoot, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

HWND FindPage(HWND hRoot, int id) {
    HWND hControl = FindControl(hRoot, id);
    return hControl ? GetParent(hControl) : nullptr;
}

void MoveTrackbar(HWND hPage, int idTrack, long lPos) {
    HWND hTrack = GetDlgItem(hPage, idTrack);
    SendMessageW(hTrack, TBM_SETPOS, TRUE, lPos);
    SendMessageW(hPage, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 0), reinterpret_cast<LPARAM>(hTrack));
}

void ClickCheckBox(HWND hPage, int idBox) {
    HWND hBox = GetDlgItem(hPage, idBox);
    bool bChecked = SendMessageW(hBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageW(hBox, BM_SETCHECK, bChecked ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageW(hPage, WM_COMMAND, MAKEWPARAM(idBox, BN_CLICKED), reinterpret_cast<LPARAM>(hBox));
}

void ClickButton(HWND hPage, int idButton) {
    SendMessageW(hPage, WM_COMMAND, MAKEWPARAM(idButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hPage, idButton)));
}

void SelectComboItem(HWND hPage, int idCombo, const wchar_t *pszItem) {
    HWND hCombo = GetDlgItem(hPage, idCombo);
    SendMessageW(hCombo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(pszItem));
    SendMessageW(hPage, WM_COMMAND, MAKEWPARAM(idCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hCombo));
}

void PressFrameButton(HWND hFrame, int idButton) {
    PostMessageW(hFrame, WM_COMMAND, MAKEWPARAM(idButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hFrame, idButton)));
}

FrameDriver::FrameDriver(int idPageControl, Action action, int idButton)
    : m_dwThreadId(GetCurrentThreadId()),
      m_idPageControl(idPageControl),
      m_action(std::move(action)),
      m_idButton(idButton),
      m_bFound(false),
      m_thread(&FrameDriver::Run, this) {}

FrameDriver::~FrameDriver() { Join(); }

void FrameDriver::Join() {
    if (m_thread.joinable()) m_thread.join();
}

void FrameDriver::Run() {
    DWORD dwStart = GetTickCount();
    FrameSearch search = {m_idPageControl, nullptr};
    while (!search.hFrame && GetTickCount() - dwStart < kFrameTimeoutMs) {
        Sleep(50);
        EnumThreadWindows(m_dwThreadId, MatchFrame, reinterpret_cast<LPARAM>(&search));
    }
    if (!search.hFrame) {
        EnumThreadWindows(m_dwThreadId, CancelWindow, 0);
        return;
    }
    m_bFound = true;
    if (m_action) m_action(search.hFrame, FindPage(search.hFrame, m_idPageControl));
    if (m_idButton) PressFrameButton(search.hFrame, m_idButton);
}
