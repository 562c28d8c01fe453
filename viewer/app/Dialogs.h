// Dialogs.h - the viewer's modeless dialogs and the version operations.
//
// The main window opens each dialog with CreateDialogParamW (parent the main
// window, init parameter 0) from its template in resource.h and the
// procedure below, shows it and clears the dialog's closed flag
// (AppGlobals.h). Each procedure sets its flag again when the dialog closes.
#ifndef KOR_VIEWER_APP_DIALOGS_H
#define KOR_VIEWER_APP_DIALOGS_H

#include <windows.h>
#include <shlobj.h>

// UVC Extension Controls (IDD_UVC_EXTENSION). The opener checks Flash ON or
// Flash OFF and keeps the handle in g_hWndUvcDialog.
INT_PTR CALLBACK ExtensionDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Focus Mode (IDD_FOCUS_MODE), owned by the extension dialog.
INT_PTR CALLBACK FocusModeDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Still Path (IDD_STILL_PATH).
INT_PTR CALLBACK StillPathDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Current Settings (IDD_CURRENT_SETTINGS).
INT_PTR CALLBACK CurrentSettingsDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// About (IDD_ABOUTBOX).
INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Still Pin Properties (IDD_STILL_PIN_PROPERTIES). Opening it stops the
// preview and dismantles the graph; closing it rebuilds and restarts the
// same graph if it is still apart. The open dialog is g_hWndStillPinDialog.
INT_PTR CALLBACK StillPinPropDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Closes the Still Pin Properties dialog, if open, leaving the graph apart:
// for a camera change, the current camera's removal and shutdown, which
// replace or drop the graph themselves.
void CloseStillPinDialogKeepingGraph();

// Shows the folder picker (owner the main window); a chosen folder's path
// goes into g_szStillPath.
void BrowseStillFolder();
// Copies g_szVersion into pszText (at least 100 characters).
void GetVersionNumber(LPWSTR pszText);
// Writes the file's fixed file version as "%d.%d.%d.%d", or "0.0.0.0" when
// the file or its version block is missing, into pszText (20 characters).
void GetversionInfoForFile(LPCWSTR pszFileName, LPWSTR pszText);
// Start-up diagnostic: logs the version of "KORLensView.exe".
void LogFileVersion();

// Characters of the texts above.
#define VERSION_NUMBER_CCH 100
#define FILE_VERSION_CCH   20

// The folder picker behind BrowseStillFolder: SHBrowseForFolderW unless a
// test installs a stand-in (null restores the picker). Returns the one it
// replaced.
typedef PIDLIST_ABSOLUTE(WINAPI *PFN_BROWSE_FOR_FOLDER)(LPBROWSEINFOW pBrowseInfo);
PFN_BROWSE_FOR_FOLDER SetBrowseForFolderHook(PFN_BROWSE_FOR_FOLDER pfnHook);

struct StillFormat;

// The Still Pin Properties dialog's format lists. Only entries whose
// Compression is "MJPG" or "YUY2" count; the others (unreadable
// capabilities, other format types or subtypes) are never shown or walked.
// Moves the MJPG entries, widest first, and then the YUY2 entries, widest
// first, to the front of the array and returns how many there are; the
// number of MJPG entries goes to *pMjpgCount.
int ArrangeStillFormats(StillFormat *pFormats, int count, int *pMjpgCount);
// The compression box's entries: the first entry's subtype, then every
// subtype that differs from the one before it, at most maxUnique (5) texts
// of 5 characters. Returns how many were written.
#define STILL_UNIQUE_SUBTYPES 5
int BuildUniqueSubtypes(const StillFormat *pFormats, int count, WCHAR (*pUnique)[5], int maxUnique);

// The Still Pin Properties dialog's typed size: digits build the width until
// the first lowercase 'x', then the height; everything else is skipped. A
// number that would pass INT_MAX stays at INT_MAX.
void ParseStillSizeText(LPCWSTR pszText, int *pWidth, int *pHeight);

#endif  // KOR_VIEWER_APP_DIALOGS_H
