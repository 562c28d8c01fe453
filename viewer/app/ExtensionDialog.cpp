// ExtensionDialog.cpp - the UVC Extension Controls dialog: autofocus state
// and trigger, the Focus Mode dialog, flash on or off for stills, and the
// sensor ID and firmware version.
#include <windows.h>
#include <strsafe.h>

#include "AppGlobals.h"
#include "Dialogs.h"
#include "KORFwSw.h"
#include "SampleGrabberCallback.h"
#include "resource.h"

namespace {

const int kSectionLabels[] = {IDC_LBL_AUTO_FOCUS, IDC_LBL_FLASH_CONTROL, IDC_LBL_DEBUG_CONTROL};

// The AF Status box's text for a status code, or null for no box.
LPCWSTR AfStatusBoxText(int status) {
    switch (status) {
    case 1:
    case 2:
    case 4:
        return L"Auto Focus";
    case 3:
        return L"AF is Manual";
    case 5:
        return L"AF is Single Trigger Focusing";
    case 6:
        return L"AF is Single Trigger Focused";
    case 7:
        return L"AF is Single Trigger Freezed";
    default:
        return nullptr;
    }
}

void OnAfStatus(HWND hDlg) {
    g_AFStatus = 0;
    if (GetAFStatus(&g_AFStatus) <= 0) {
        (void)KorMessageBox(nullptr, L"Failed to get AF Status", L"Error", MB_OK);
        OutputDebugStringW(L"GetAFStatus Failed....\r\n");
        return;
    }
    DebugPrint(L"The single trigger is %x", g_AFStatus);
    LPCWSTR pszText = AfStatusBoxText(g_AFStatus);
    if (pszText) (void)KorMessageBox(hDlg, pszText, L"CAM", MB_OK);
}

void OnAfTrigger() {
    if (g_AutoFocusMode != 1) {
        (void)KorMessageBox(nullptr, L"Not in Auto focus mode", L"CAM", MB_OK);
        return;
    }
    if (AFFreezeControl(AF_SINGLE_TRIGGER) > 0) {
        OutputDebugStringW(L"AF_SINGLE_TRIGGER Succeed....\r\n");
    } else {
        (void)KorMessageBox(nullptr, L" Failed....AF_SINGLE_TRIGGER", L"CAM", MB_OK);
        OutputDebugStringW(L"AF_SINGLE_TRIGGER Failed....\r\n");
    }
}

void OnFocusMode(HWND hDlg) {
    if (g_FocusDlgClosed != 1) {
        OutputDebugStringW(L"Already Opened\r\n");
        return;
    }
    HWND hFocus =
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FOCUS_MODE), hDlg, FocusModeDlgProc, 0);
    if (!hFocus) {
        DebugPrint(L"CreateDialogParam %d failed %lu\r\n", IDD_FOCUS_MODE, GetLastError());
        return;
    }
    ShowWindow(hFocus, SW_SHOW);
    g_FocusDlgClosed = 0;
}

void OnSensorId() {
    if (GetSensorId(&g_SensorId) <= 0) {
        OutputDebugStringW(L"GetSensorId Failed....\r\n");
        return;
    }
    (void)StringCchPrintfW(g_szOutputText, SHARED_TEXT_CCH - 1, L" Sensor id is %x\r\n", g_SensorId);
    (void)KorMessageBox(nullptr, g_szOutputText, L"CAM", MB_OK);
    OutputDebugStringW(L"GetSensorId Succeed....\r\n");
}

void OnFirmwareVersion() {
    if (GetFirmwareVersionInfo(g_FirmwareVersionText) <= 0) {
        DebugPrint(L"GetLastError %d\r\n", static_cast<int>(GetLastError()));
        OutputDebugStringW(L"GetFirmware version Failed....\r\n");
        return;
    }
    (void)StringCchPrintfW(g_szOutputText, SHARED_TEXT_CCH - 1, L"Firmware version is %ls \r\n", g_FirmwareVersionText);
    (void)KorMessageBox(nullptr, g_szOutputText, L"CAM", MB_OK);
    OutputDebugStringW(L"GetFirmware version Succeed....\r\n");
}

void CloseExtensionDialog(HWND hDlg) {
    DestroyWindow(hDlg);
    g_ExtDlgClosed = 1;
}

INT_PTR OnCommand(HWND hDlg, int id) {
    switch (id) {
    case IDC_AF_STATUS:
        OnAfStatus(hDlg);
        break;
    case IDC_AF_TRIGGER:
        OnAfTrigger();
        break;
    case IDC_FOCUS_MODE:
        OnFocusMode(hDlg);
        break;
    case IDC_SENSOR_ID:
        OnSensorId();
        break;
    case IDC_FIRMWARE_VER:
        OnFirmwareVersion();
        break;
    case IDC_FLASH_ON:
        OutputDebugStringW(L"Flash ON Enabled\r\n");
        SetFlashEnabled(true);
        break;
    case IDC_FLASH_OFF:
        OutputDebugStringW(L"Flash OFF Enabled\r\n");
        SetFlashEnabled(false);
        break;
    case IDOK:
    case IDCANCEL:
        CloseExtensionDialog(hDlg);
        return TRUE;
    default:
        return FALSE;
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK ExtensionDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        return OnCommand(hDlg, LOWORD(wParam));
    case WM_DESTROY:
        // The dialog is gone whichever way it closed, so its command may open
        // it again.
        g_ExtDlgClosed = 1;
        if (g_hWndUvcDialog == hDlg) g_hWndUvcDialog = nullptr;
        return FALSE;
    default:
        return SectionDialogDrawing(hDlg, uMsg, wParam, lParam, kSectionLabels, ARRAYSIZE(kSectionLabels));
    }
}
