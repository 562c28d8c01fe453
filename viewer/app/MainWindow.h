// MainWindow.h - the viewer's shell: entry point, main window, message loop
// with the autofocus retry, command dispatch and shutdown.
#ifndef KOR_VIEWER_APP_MAINWINDOW_H
#define KOR_VIEWER_APP_MAINWINDOW_H

#include <windows.h>

// Text sizes of the shell's buffers, in wide characters.
#define MAX_LOADSTRING  100
#define STILL_PATH_CCH  260
#define DEVICE_PATH_CCH 255
#define USB_ID_TEXT_CCH 6

// Child control ID of the status bar.
#define IDC_STATUS_BAR 1000

extern HINSTANCE g_hInst;
extern HWND g_hWndMain;
extern HWND g_hWndStatus;
extern WCHAR g_szTitle[MAX_LOADSTRING];
extern WCHAR g_szWindowClass[MAX_LOADSTRING];
// The still folder the dialogs show; Browse writes it.
extern WCHAR g_szStillPath[STILL_PATH_CCH];
extern WCHAR g_szDevicePath[DEVICE_PATH_CCH];
extern WCHAR g_SelctdVid[USB_ID_TEXT_CCH];
extern WCHAR g_SelctdPid[USB_ID_TEXT_CCH];
extern int g_AfDone;     // the loop's single-trigger autofocus succeeded for this camera
extern int g_AfCounter;  // message counter of the autofocus retry

// The program's entry point (wWinMain forwards to it). Returns the wParam of
// WM_QUIT, or 0 when start-up fails.
int KorViewerMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR pszCmdLine, int nCmdShow);

ATOM RegisterMainWindowClass(HINSTANCE hInstance);
BOOL InitInstance(HINSTANCE hInstance, int nCmdShow);
LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// One step of the autofocus retry; the message loop runs it after every
// message.
void AutoFocusRetryStep();

// Puts the shell's process-wide values back to their start-up state, for a
// process that runs the viewer more than once (the in-process tests). Call it
// only while no viewer runs; it releases the device table, so call it on the
// thread (and in the apartment) that ran the viewer.
void ResetShellState();

#endif  // KOR_VIEWER_APP_MAINWINDOW_H
