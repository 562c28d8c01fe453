// FocusModeDialog.cpp - the Focus Mode dialog: auto or manual focus, and the
// lens position in manual focus from a trackbar (0 to 255).
#include <windows.h>
#include <commctrl.h>

#include "AppGlobals.h"
#include "Dialogs.h"
#include "KORFwSw.h"
#include "resource.h"

namespace {

const int kSectionLabels[] = {IDC_LBL_MANUAL_FOCUS};
const int kFocusMax = 255;
const int kFocusPage = 25;

// Trackbar and edit box are usable in manual focus only; Apply only in auto.
void EnableFocusControls(HWND hDlg, bool manual) {
    EnableWindow(GetDlgItem(hDlg, IDC_FOCUS_TRACKBAR), manual);
    EnableWindow(GetDlgItem(hDlg, IDC_FOCUS_EDIT), manual);
    EnableWindow(GetDlgItem(hDlg, IDC_FOCUS_APPLY), !manual);
    g_AutoFocusMode = manual ? 0 : 1;
}

// The radio button of the mode, then its controls.
void ShowFocusMode(HWND hDlg, bool manual) {
    CheckRadioButton(hDlg, IDC_RADIO_AUTO_FOCUS, IDC_RADIO_MANUAL_FOCUS,
                     manual ? IDC_RADIO_MANUAL_FOCUS : IDC_RADIO_AUTO_FOCUS);
    EnableFocusControls(hDlg, manual);
}

void OnInitDialog(HWND hDlg) {
    HWND hTrack = GetDlgItem(hDlg, IDC_FOCUS_TRACKBAR);
    SendMessageW(hTrack, TBM_SETRANGE, TRUE, MAKELPARAM(0, kFocusMax));
    SendMessageW(hTrack, TBM_SETPAGESIZE, 0, kFocusPage);
    SendMessageW(hTrack, TBM_SETSEL, FALSE, MAKELPARAM(0, kFocusMax));
    SetDlgItemInt(hDlg, IDC_FOCUS_EDIT, static_cast<UINT>(g_FocusPosition), FALSE);
    SendMessageW(hTrack, TBM_SETPOS, TRUE, g_FocusPosition);

    g_AFStatus = 0;
    if (GetAFStatus(&g_AFStatus) <= 0) {
        DebugPrint(L"Set AF Auto Focus when GetAFStatus fails....\r\n");
        CheckRadioButton(hDlg, IDC_RADIO_AUTO_FOCUS, IDC_RADIO_MANUAL_FOCUS, IDC_RADIO_AUTO_FOCUS);
        EnableWindow(hTrack, FALSE);
        EnableWindow(GetDlgItem(hDlg, IDC_FOCUS_EDIT), FALSE);
        g_AutoFocusMode = 1;
        return;
    }
    DebugPrint(L" The state is %x", g_AFStatus);
    if (g_AFStatus == AF_MANUAL) {
        ShowFocusMode(hDlg, true);
        return;
    }
    if (g_AFStatus != AF_SINGLE_TRIGGER_FOCUSED) DebugPrint(L"other than Manual and Auto Focus....\r\n");
    ShowFocusMode(hDlg, false);
}

void OnApply(HWND hDlg) {
    HWND hApply = GetDlgItem(hDlg, IDC_FOCUS_APPLY);
    if (g_AutoFocusMode == 1) {
        EnableWindow(hApply, TRUE);
        // Not reported to the user; the debug line tells what happened.
        OutputDebugStringW(AFFreezeControl(AF_SINGLE_TRIGGER) > 0 ? L"Auto Focus Succeed....\r\n"
                                                                  : L"AF_SINGLE_TRIGGER Failed....\r\n");
        g_AutoFocusMode = 1;
    } else {
        EnableWindow(hApply, FALSE);
        OutputDebugStringW(L"Manual Focus Succeed....\r\n");
        g_AutoFocusMode = 0;
    }
}

void OnTrackbar(HWND hDlg, WPARAM wParam) {
    const int position = static_cast<int>(SendDlgItemMessageW(hDlg, IDC_FOCUS_TRACKBAR, TBM_GETPOS, 0, 0));
    g_FocusPosition = position;
    SetDlgItemInt(hDlg, IDC_FOCUS_EDIT, static_cast<UINT>(position), FALSE);
    if (wParam == TB_ENDTRACK) {
        // The edit box now holds the same position.
        const UINT value = GetDlgItemInt(hDlg, IDC_FOCUS_EDIT, nullptr, FALSE);
        (void)SetManualFocusPosition(static_cast<SHORT>(value));
    }
    g_AutoFocusMode = 0;
}

INT_PTR OnCommand(HWND hDlg, int id) {
    switch (id) {
    case IDC_RADIO_AUTO_FOCUS:
        // The camera is told on Apply.
        EnableFocusControls(hDlg, false);
        return FALSE;
    case IDC_RADIO_MANUAL_FOCUS:
        (void)AFFreezeControl(AF_MANUAL);
        EnableFocusControls(hDlg, true);
        return FALSE;
    case IDC_FOCUS_APPLY:
        OnApply(hDlg);
        return FALSE;
    case IDC_FOCUS_CLOSE:
        DestroyWindow(hDlg);
        g_FocusDlgClosed = 1;
        return FALSE;
    case IDCANCEL:
        DestroyWindow(hDlg);
        g_FocusDlgClosed = 1;
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK FocusModeDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_INITDIALOG:
        OnInitDialog(hDlg);
        return FALSE;
    case WM_COMMAND:
        return OnCommand(hDlg, LOWORD(wParam));
    case WM_HSCROLL:
        OnTrackbar(hDlg, wParam);
        return FALSE;
    case WM_DESTROY:
        // Close, Cancel, or destroyed with the extension dialog.
        g_FocusDlgClosed = 1;
        return FALSE;
    default:
        return SectionDialogDrawing(hDlg, uMsg, wParam, lParam, kSectionLabels, ARRAYSIZE(kSectionLabels));
    }
}
