// CurrentSettingsDialog.cpp - the Current Settings dialog: a read-only
// snapshot of the camera's state, read once when the dialog opens.
#include <windows.h>
#include <strsafe.h>

#include "AppGlobals.h"
#include "Dialogs.h"
#include "Dshow.h"
#include "KORFwSw.h"
#include "resource.h"

namespace {

// The value statics: blue text.
const int kValueIds[] = {IDC_VAL_STILL_RESOLUTION, IDC_VAL_VIDEO_RESOLUTION, IDC_VAL_STILL_PATH,   IDC_VAL_FOCUS_MODE,
                         IDC_VAL_FIRMWARE_VERSION, IDC_VAL_STILL_FORMAT,     IDC_VAL_VIDEO_FORMAT, IDC_VAL_BRIGHTNESS,
                         IDC_VAL_CONTRAST,         IDC_VAL_SATURATION,       IDC_VAL_SHARPNESS,    IDC_VAL_GAMMA,
                         IDC_VAL_WHITE_BALANCE,    IDC_VAL_SENSOR_ID,        IDC_VAL_FOCUS,        IDC_VAL_EXPOSURE};

// The shared scratch text holds at most 254 characters here.
const size_t kOutputTextBound = SHARED_TEXT_CCH - 1;

// The Focus Mode field's text for an autofocus status, or null to leave it.
LPCWSTR FocusModeText(int status) {
    switch (status) {
    case 1:
    case 2:
        return L"Auto Focus ";
    case 3:
        return L"AF is Manual ";
    case 4:
        return L"Auto Focus";
    case 5:
        return L"AF is Single Trigger Focused ";
    case 6:
        return L"AF is Single Trigger Focused";
    case 7:
        return L"AF is Single Trigger Freezed";
    default:
        return nullptr;
    }
}

void ShowField(HWND hDlg, int id, LPCWSTR pszText) { SetDlgItemTextW(hDlg, id, pszText); }

void ShowNumber(HWND hDlg, int id, LPCWSTR pszFormat, int value) {
    WCHAR szText[FIELD_TEXT_CCH];
    (void)StringCchPrintfW(szText, ARRAYSIZE(szText), pszFormat, value);
    ShowField(hDlg, id, szText);
}

void ShowResolution(HWND hDlg, int id, int width, int height, bool bLog) {
    WCHAR szText[FIELD_TEXT_CCH];
    (void)StringCchPrintfW(szText, ARRAYSIZE(szText), L"%dx%d", width, height);
    if (bLog) {
        OutputDebugStringW(L"\r\n");
        OutputDebugStringW(szText);
    }
    ShowField(hDlg, id, szText);
}

// The scratch text as a debug line and in the field, then the success line.
void ShowOutputText(HWND hDlg, int id, LPCWSTR pszSucceeded) {
    OutputDebugStringW(g_szOutputText);
    ShowField(hDlg, id, g_szOutputText);
    OutputDebugStringW(pszSucceeded);
}

void FillFirmwareVersion(HWND hDlg) {
    if (GetFirmwareVersionInfo(g_FirmwareVersionText) <= 0) {
        OutputDebugStringW(L"GetFirmware version Failed....\r\n");
        return;
    }
    (void)StringCchPrintfW(g_szOutputText, kOutputTextBound, L"%ls\r\n", g_FirmwareVersionText);
    ShowOutputText(hDlg, IDC_VAL_FIRMWARE_VERSION, L"GetFirmware version Succeed....\r\n");
}

void FillSensorId(HWND hDlg) {
    if (GetSensorId(&g_SensorId) <= 0) {
        OutputDebugStringW(L"GetSensorId Failed....\r\n");
        return;
    }
    (void)StringCchPrintfW(g_szOutputText, kOutputTextBound, L"%X \r\n", g_SensorId);
    ShowOutputText(hDlg, IDC_VAL_SENSOR_ID, L"GetSensorId Succeed....\r\n");
}

void FillFocusMode(HWND hDlg) {
    g_AFStatus = 0;
    if (GetAFStatus(&g_AFStatus) <= 0) {
        OutputDebugStringW(L"GetAFStatus Failed....\r\n");
        return;
    }
    LPCWSTR pszText = FocusModeText(g_AFStatus);
    if (pszText) ShowField(hDlg, IDC_VAL_FOCUS_MODE, pszText);
    OutputDebugStringW(L"GetAFStatus Succeed....\r\n");
}

// A subtype text, or the template text when the manager wrote none.
void FillSubtype(HWND hDlg, int id, bool bStill) {
    WCHAR szSubType[8] = L"";
    if (bStill)
        g_pDShowManager->GetCurrentStillFormat(szSubType);
    else
        g_pDShowManager->GetCurrentVideoFormat(szSubType);
    szSubType[ARRAYSIZE(szSubType) - 1] = L'\0';
    if (szSubType[0] != L'\0') ShowField(hDlg, id, szSubType);
}

// A number property of the running graph, read by its manager getter.
void FillNumber(HWND hDlg, int id, void (DShowManager::*pfnGet)(int *), LPCWSTR pszFormat) {
    int value = 0;
    (g_pDShowManager->*pfnGet)(&value);
    ShowNumber(hDlg, id, pszFormat, value);
}

// White balance and exposure, read by their manager getter: "Auto", or the
// manual value.
void FillReading(HWND hDlg, int id, void (DShowManager::*pfnGet)(PropertyReading *), LPCWSTR pszManualFormat,
                 bool bLog) {
    PropertyReading reading = {0, 0};
    (g_pDShowManager->*pfnGet)(&reading);
    if (reading.Mode == 1) {
        ShowField(hDlg, id, L"Auto");
    } else if (reading.Mode == 2) {
        ShowNumber(hDlg, id, pszManualFormat, reading.Value);
        if (bLog) DebugPrint(L"%d", reading.Value);
    }
}

void FillManagerFields(HWND hDlg) {
    int width = 0;
    int height = 0;
    g_pDShowManager->GetVideoResolution(&width, &height);
    ShowResolution(hDlg, IDC_VAL_VIDEO_RESOLUTION, width, height, true);
}

void FillFields(HWND hDlg) {
    FillFirmwareVersion(hDlg);
    FillSensorId(hDlg);
    if (g_pDShowManager) FillManagerFields(hDlg);
    ShowField(hDlg, IDC_VAL_STILL_PATH, g_szStillPath);
    FillFocusMode(hDlg);
    if (g_pDShowManager) {
        int width = 0;
        int height = 0;
        g_pDShowManager->GetStillResolution(&width, &height);
        ShowResolution(hDlg, IDC_VAL_STILL_RESOLUTION, width, height, false);
        FillSubtype(hDlg, IDC_VAL_STILL_FORMAT, true);
        FillSubtype(hDlg, IDC_VAL_VIDEO_FORMAT, false);

        FillNumber(hDlg, IDC_VAL_BRIGHTNESS, &DShowManager::GetBrightness, L"%d");
        FillNumber(hDlg, IDC_VAL_CONTRAST, &DShowManager::GetContrast, L"%u");
        FillNumber(hDlg, IDC_VAL_SATURATION, &DShowManager::GetSaturation, L"%u");
        FillNumber(hDlg, IDC_VAL_SHARPNESS, &DShowManager::GetSharpness, L"%u");
        FillNumber(hDlg, IDC_VAL_GAMMA, &DShowManager::GetGamma, L"%u");

        FillReading(hDlg, IDC_VAL_WHITE_BALANCE, &DShowManager::GetWhiteBalance, L"%u", false);
        FillReading(hDlg, IDC_VAL_EXPOSURE, &DShowManager::GetExposure, L"%d", true);
    }
    // The 16-bit position, sign-extended, as an unsigned number.
    SHORT position = 0;
    (void)GetManualFocusPosition(&position);
    ShowNumber(hDlg, IDC_VAL_FOCUS, L"%u", static_cast<int>(position));
}

INT_PTR OnCommand(HWND hDlg, int id) {
    switch (id) {
    case IDOK:
    case IDCANCEL:
        DestroyWindow(hDlg);
        g_SettingsDlgClosed = 1;
        return TRUE;
    case IDC_SETTINGS_OK:
        DestroyWindow(hDlg);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK CurrentSettingsDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_INITDIALOG:
        FillFields(hDlg);
        return TRUE;
    case WM_COMMAND:
        return OnCommand(hDlg, LOWORD(wParam));
    case WM_DESTROY:
        // The dialog is gone whichever way it closed, so its command may open
        // it again.
        g_SettingsDlgClosed = 1;
        return FALSE;
    default:
        return PlainDialogDrawing(hDlg, uMsg, wParam, lParam, kValueIds, ARRAYSIZE(kValueIds));
    }
}
