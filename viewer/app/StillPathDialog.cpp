// StillPathDialog.cpp - the Still Path dialog: shows the still folder, lets
// the user pick another one and hands it to the capture manager.
#include <windows.h>
#include <shlobj.h>
#include <strsafe.h>

#include "AppGlobals.h"
#include "Dialogs.h"
#include "Dshow.h"
#include "resource.h"

namespace {

PFN_BROWSE_FOR_FOLDER g_pfnBrowseForFolder = nullptr;

void CloseStillPathDialog(HWND hDlg) {
    DestroyWindow(hDlg);
    g_StillPathDlgClosed = 1;
}

void OnOk(HWND hDlg) {
    DebugPrint(L"Path is %ls", g_szStillPath);
    if (g_szStillPath[0] == L'\0') {
        (void)KorMessageBox(hDlg, L"Enter Path", L"Alert", MB_ICONWARNING | MB_OK);
        return;
    }
    if (g_pDShowManager) g_pDShowManager->SetStillPath(g_szStillPath);
    CloseStillPathDialog(hDlg);
}

INT_PTR OnCommand(HWND hDlg, int id) {
    switch (id) {
    case IDC_STILL_PATH_BROWSE:
        BrowseStillFolder();
        SetDlgItemTextW(hDlg, IDC_STILL_PATH_EDIT, g_szStillPath);
        return FALSE;
    case IDC_STILL_PATH_OK:
        OnOk(hDlg);
        return FALSE;
    case IDOK:
    case IDCANCEL:
        // The folder is not handed to the capture manager.
        CloseStillPathDialog(hDlg);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

PFN_BROWSE_FOR_FOLDER SetBrowseForFolderHook(PFN_BROWSE_FOR_FOLDER pfnHook) {
    PFN_BROWSE_FOR_FOLDER pfnOld = g_pfnBrowseForFolder;
    g_pfnBrowseForFolder = pfnHook;
    return pfnOld;
}

void BrowseStillFolder() {
    WCHAR szDisplayName[STILL_PATH_CCH] = L"";
    BROWSEINFOW bi = {};
    bi.hwndOwner = g_hWndMain;
    bi.pidlRoot = nullptr;
    bi.pszDisplayName = szDisplayName;
    bi.lpszTitle = L"Select Folder to Place Driver Folder";
    bi.ulFlags = 0;
    bi.lpfn = nullptr;

    PIDLIST_ABSOLUTE pidl = g_pfnBrowseForFolder ? g_pfnBrowseForFolder(&bi) : SHBrowseForFolderW(&bi);
    if (!pidl) return;  // cancelled: nothing changes

    // An item without a file-system path leaves the folder as it was.
    WCHAR szPath[MAX_PATH] = L"";
    if (SHGetPathFromIDListW(pidl, szPath) && szPath[0] != L'\0')
        (void)StringCchCopyW(g_szStillPath, STILL_PATH_CCH, szPath);
    IMalloc *pMalloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&pMalloc)) && pMalloc) {
        pMalloc->Free(pidl);
        pMalloc->Release();
    }
}

INT_PTR CALLBACK StillPathDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_INITDIALOG:
        SetDlgItemTextW(hDlg, IDC_STILL_PATH_EDIT, g_szStillPath);
        return TRUE;
    case WM_COMMAND:
        return OnCommand(hDlg, LOWORD(wParam));
    case WM_DESTROY:
        g_StillPathDlgClosed = 1;
        return FALSE;
    default:
        return PlainDialogDrawing(hDlg, uMsg, wParam, lParam, nullptr, 0);
    }
}
