// AboutDialog.cpp - the About dialog and the version operations: the
// built-in version number, and a file's fixed version read from its version
// resource.
#include <windows.h>
#include <strsafe.h>

#include "AppGlobals.h"
#include "Dialogs.h"
#include "resource.h"

namespace {

const WCHAR kNoVersion[] = L"0.0.0.0";

void CloseAboutDialog(HWND hDlg) {
    DestroyWindow(hDlg);
    g_AboutDlgClosed = 1;
}

// The version text is renewed on every paint; the default painting follows.
void OnPaint(HWND hDlg) {
    RECT rc;
    GetWindowRect(hDlg, &rc);
    DebugPrint(L"clntRc rect l=%d,t=%d,r = %d,b=%d\r\n", static_cast<int>(rc.left), static_cast<int>(rc.top),
               static_cast<int>(rc.right), static_cast<int>(rc.bottom));
    WCHAR szVersion[VERSION_NUMBER_CCH];
    (void)StringCchCopyW(szVersion, ARRAYSIZE(szVersion), kNoVersion);
    GetVersionNumber(szVersion);
    WCHAR szText[255];
    (void)StringCchPrintfW(szText, ARRAYSIZE(szText), L"Camera Viewer Version: %ls", szVersion);
    SetDlgItemTextW(hDlg, IDC_ABOUT_VERSION, szText);
}

}  // namespace

void GetVersionNumber(LPWSTR pszText) {
    DebugPrint(L"GetVersionNumber %ls\r\n", g_szVersion);
    (void)StringCchCopyW(pszText, VERSION_NUMBER_CCH, g_szVersion);
}

void GetversionInfoForFile(LPCWSTR pszFileName, LPWSTR pszText) {
    if (!pszFileName || !pszText) return;
    DebugPrint(L"GetversionInfoForFile File Name %ls\r\n", pszFileName);

    DWORD dwHandle = 0;
    const DWORD dwSize = GetFileVersionInfoSizeW(pszFileName, &dwHandle);
    if (dwSize == 0) {
        DebugPrint(L"GetProdVersion_PCSetup GetFileVersionInfoSize failed...=%d\r\n", static_cast<int>(GetLastError()));
        (void)StringCchCopyW(pszText, FILE_VERSION_CCH, kNoVersion);
        return;
    }
    DebugPrint(L"GetProdVersion_PCSetup GetFileVersionInfoSize success..\r\n");

    void *pBlock = HeapAlloc(GetProcessHeap(), 0, dwSize);
    if (!pBlock || !GetFileVersionInfoW(pszFileName, 0, dwSize, pBlock)) {
        DebugPrint(L"GetProdVersion_PCSetup GetFileVersionInfo failed...=%d\r\n", static_cast<int>(GetLastError()));
        (void)StringCchCopyW(pszText, FILE_VERSION_CCH, kNoVersion);
        if (pBlock) HeapFree(GetProcessHeap(), 0, pBlock);
        return;
    }
    DebugPrint(L"GetProdVersion_PCSetup GetFileVersionInfo success..\r\n");

    VS_FIXEDFILEINFO *pInfo = nullptr;
    UINT cbInfo = 0;
    if (!VerQueryValueW(pBlock, L"\\", reinterpret_cast<void **>(&pInfo), &cbInfo) || !pInfo ||
        cbInfo < sizeof(VS_FIXEDFILEINFO)) {
        DebugPrint(L"VerQueryValue failed\r\n");
        HeapFree(GetProcessHeap(), 0, pBlock);
        return;
    }
    const DWORD ms = pInfo->dwFileVersionMS;
    const DWORD ls = pInfo->dwFileVersionLS;
    DebugPrint(L"dwFileVersionMS=%ddwFileVersionLS=%d\r\n", static_cast<int>(ms), static_cast<int>(ls));
    const int parts[4] = {HIWORD(ms), LOWORD(ms), HIWORD(ls), LOWORD(ls)};
    DebugPrint(
        L"m_PCSetup_dwLaeftMost = %d,m_PCSetup_dwSecondLeft=%d,m_PCSetup_dwSecondRight=%d,"
        L"m_PCSetup_dwRightMost=%d\r\n",
        parts[0], parts[1], parts[2], parts[3]);
    (void)StringCchPrintfW(pszText, FILE_VERSION_CCH, L"%d.%d.%d.%d", parts[0], parts[1], parts[2], parts[3]);
    OutputDebugStringW(pszText);
    HeapFree(GetProcessHeap(), 0, pBlock);
}

void LogFileVersion() {
    WCHAR szText[FILE_VERSION_CCH] = L"";
    GetversionInfoForFile(L"KORLensView.exe", szText);
    DebugPrint(L"Printing version file no:%ls", szText);
}

INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (uMsg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_PAINT:
        OnPaint(hDlg);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            CloseAboutDialog(hDlg);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        g_AboutDlgClosed = 1;
        return FALSE;
    default:
        return FALSE;
    }
}
