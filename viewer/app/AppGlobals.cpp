// AppGlobals.cpp - the shell's process-wide values and the painting helpers
// its dialogs share.
#include "AppGlobals.h"

#include <strsafe.h>

#include "KorVersion.h"

int g_LibStatus = 0;
int g_AutoFocusMode = 1;
int g_ExtensionAvailable = 1;
HWND g_hWndUvcDialog = nullptr;
HWND g_hWndStillPinDialog = nullptr;

int g_AboutDlgClosed = 1;
int g_ExtDlgClosed = 1;
int g_FocusDlgClosed = 1;
int g_SettingsDlgClosed = 1;
int g_StillPathDlgClosed = 1;
int g_StillPinDlgClosed = 1;

HFONT g_hLabelFont = nullptr;
HBRUSH g_hWhiteBrush = nullptr;

int g_FocusPosition = 0;
int g_AFStatus = 0;
int g_SensorId = 0;
WCHAR g_FirmwareVersionText[SHARED_TEXT_CCH];
WCHAR g_szOutputText[SHARED_TEXT_CCH];
WCHAR g_szVersion[VERSION_TEXT_CCH] = L"" KOR_VERSION_TEXT;

HBRUSH GetWhiteBrush() {
    if (!g_hWhiteBrush) g_hWhiteBrush = CreateSolidBrush(RGB(255, 255, 255));
    return g_hWhiteBrush;
}

void DrawSeparator(int x, int y, int length, HWND hWnd) {
    HDC hdc = GetDC(hWnd);
    if (!hdc) return;
    HPEN hPen = CreatePen(PS_SOLID, SEPARATOR_WIDTH, SEPARATOR_COLOR);
    HGDIOBJ hOldPen = hPen ? SelectObject(hdc, hPen) : nullptr;
    (void)MoveToEx(hdc, x, y, nullptr);
    (void)LineTo(hdc, x + length, y);
    if (hOldPen) SelectObject(hdc, hOldPen);
    if (hPen) DeleteObject(hPen);
    ReleaseDC(hWnd, hdc);
}

void PaintDialogWhite(HWND hDlg) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hDlg, &ps);
    RECT rcClient;
    GetClientRect(hDlg, &rcClient);
    FillRect(hdc, &rcClient, GetWhiteBrush());
    EndPaint(hDlg, &ps);
}

void PaintDialogWithSeparators(HWND hDlg, const int *pLabelIds, int labelCount) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hDlg, &ps);
    RECT rcClient;
    GetClientRect(hDlg, &rcClient);
    FillRect(hdc, &rcClient, GetWhiteBrush());

    // Window coordinates less the frame: the caption and borders above the
    // client area count as the frame height.
    RECT rcWindow;
    GetWindowRect(hDlg, &rcWindow);
    const int frame = (rcWindow.bottom - rcWindow.top) - (rcClient.bottom - rcClient.top);
    for (int i = 0; i < labelCount; ++i) {
        HWND hLabel = GetDlgItem(hDlg, pLabelIds[i]);
        RECT rcLabel;
        if (!hLabel || !GetWindowRect(hLabel, &rcLabel)) continue;
        const int labelHeight = rcLabel.bottom - rcLabel.top;
        DrawSeparator(rcLabel.right - rcWindow.left, rcLabel.bottom - rcWindow.top - frame - labelHeight / 2,
                      rcWindow.right - rcLabel.right, hDlg);
    }
    EndPaint(hDlg, &ps);
}

INT_PTR ColorStaticControl(HDC hdc, HWND hControl, const int *pBlueIds, int blueCount, BOOL bLabelFont) {
    const int id = GetDlgCtrlID(hControl);
    for (int i = 0; i < blueCount; ++i) {
        if (pBlueIds[i] != id) continue;
        if (bLabelFont && g_hLabelFont) SelectObject(hdc, g_hLabelFont);
        SetTextColor(hdc, LABEL_TEXT_COLOR);
        break;
    }
    SetBkColor(hdc, RGB(255, 255, 255));
    return reinterpret_cast<INT_PTR>(GetWhiteBrush());
}

INT_PTR SectionDialogDrawing(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam, const int *pLabelIds, int labelCount) {
    switch (uMsg) {
    case WM_PAINT:
        PaintDialogWithSeparators(hDlg, pLabelIds, labelCount);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return ColorStaticControl(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), pLabelIds, labelCount,
                                  TRUE);
    default:
        return FALSE;
    }
}

INT_PTR PlainDialogDrawing(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam, const int *pBlueIds, int blueCount) {
    switch (uMsg) {
    case WM_PAINT:
        PaintDialogWhite(hDlg);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return ColorStaticControl(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), pBlueIds, blueCount,
                                  FALSE);
    default:
        return FALSE;
    }
}

void ResetAppGlobals() {
    g_LibStatus = 0;
    g_AutoFocusMode = 1;
    g_ExtensionAvailable = 1;
    g_hWndUvcDialog = nullptr;
    g_hWndStillPinDialog = nullptr;
    g_AboutDlgClosed = 1;
    g_ExtDlgClosed = 1;
    g_FocusDlgClosed = 1;
    g_SettingsDlgClosed = 1;
    g_StillPathDlgClosed = 1;
    g_StillPinDlgClosed = 1;
    g_FocusPosition = 0;
    g_AFStatus = 0;
    g_SensorId = 0;
    g_FirmwareVersionText[0] = L'\0';
    g_szOutputText[0] = L'\0';
    (void)StringCchCopyW(g_szVersion, ARRAYSIZE(g_szVersion), L"" KOR_VERSION_TEXT);
}
