// AppGlobals.h - the shell's process-wide values and the helpers its
// dialogs share: library and dialog flags, the dialogs' closed flags, the
// label font, the white brush, the separator line and the message box.
//
// Everything here lives for the whole process and is touched on the window
// thread only. The main window's values (g_hInst, g_hWndMain, g_szStillPath)
// are declared with it (MainWindow.h); the capture manager's headers declare
// the values that belong to it: g_pDShowManager (Dshow.h), g_FlashEnabled
// (SampleGrabberCallback.h); the message-box seam and the debug printers
// are in viewer/common.
#ifndef KOR_VIEWER_APP_APPGLOBALS_H
#define KOR_VIEWER_APP_APPGLOBALS_H

#include <windows.h>

#include "DebugPrint.h"
#include "MainWindow.h"
#include "MessageBoxSeam.h"

// Text buffers shared by the dialogs, in wide characters.
#define SHARED_TEXT_CCH  256
#define VERSION_TEXT_CCH 256
#define FIELD_TEXT_CCH   46

// Section labels: bold blue text.
#define LABEL_TEXT_COLOR RGB(3, 18, 201)
// Separator lines: 3 pixels of silver.
#define SEPARATOR_COLOR RGB(192, 192, 192)
#define SEPARATOR_WIDTH 3

// Result of the last InitLibrary; above 0 the library serves the camera.
extern int g_LibStatus;
// 1 auto focus, 0 manual focus.
extern int g_AutoFocusMode;
// 1 after the last extension check succeeded, 0 after a "not supported" box.
extern int g_ExtensionAvailable;
// The modeless UVC Extension Controls dialog, or null.
extern HWND g_hWndUvcDialog;
// The modeless Still Pin Properties dialog, or null.
extern HWND g_hWndStillPinDialog;

// 1 while the dialog is not open. Its command clears the flag when it
// creates the dialog; the dialog sets it again when it closes.
extern int g_AboutDlgClosed;
extern int g_ExtDlgClosed;
extern int g_FocusDlgClosed;
extern int g_SettingsDlgClosed;
extern int g_StillPathDlgClosed;
extern int g_StillPinDlgClosed;

// Bold 15-pixel Arial, made at start-up; lives for the process.
extern HFONT g_hLabelFont;
// One white brush for static-control colours, made on first use
// (GetWhiteBrush); lives for the process.
extern HBRUSH g_hWhiteBrush;

// Camera readings the extension and settings dialogs keep for the process.
extern int g_FocusPosition;  // last trackbar position, 0 to 255
extern int g_AFStatus;       // last GetAFStatus result
extern int g_SensorId;       // last GetSensorId result
extern WCHAR g_FirmwareVersionText[SHARED_TEXT_CCH];
// Scratch text of the dialogs' message boxes and field fillers.
extern WCHAR g_szOutputText[SHARED_TEXT_CCH];
// The version number the About dialog shows.
extern WCHAR g_szVersion[VERSION_TEXT_CCH];

// The shared white brush, made on the first call.
HBRUSH GetWhiteBrush();

// A horizontal line from (x, y) to (x + length, y) in the window's client
// area: solid silver pen, 3 pixels wide, on a device context of its own.
void DrawSeparator(int x, int y, int length, HWND hWnd);

// Fills the dialog's client area white and draws a separator from the right
// end of each label to the dialog's right edge, at the label's middle.
// Call from WM_PAINT.
void PaintDialogWithSeparators(HWND hDlg, const int *pLabelIds, int labelCount);

// Fills the dialog's client area white. Call from WM_PAINT.
void PaintDialogWhite(HWND hDlg);

// WM_CTLCOLORSTATIC of the dialogs: a white background for every static
// control; the controls listed get the blue label text colour, and with
// bLabelFont also g_hLabelFont. Returns the white brush as the reply.
INT_PTR ColorStaticControl(HDC hdc, HWND hControl, const int *pBlueIds, int blueCount, BOOL bLabelFont);

// The drawing messages of a dialog with section labels: WM_PAINT as
// PaintDialogWithSeparators, WM_CTLCOLORSTATIC as ColorStaticControl with
// the labels blue in the label font. FALSE for any other message.
INT_PTR SectionDialogDrawing(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam, const int *pLabelIds, int labelCount);

// The drawing messages of a plain white dialog: WM_PAINT as PaintDialogWhite,
// WM_CTLCOLORSTATIC as ColorStaticControl with the controls listed blue.
// FALSE for any other message.
INT_PTR PlainDialogDrawing(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam, const int *pBlueIds, int blueCount);

// Puts the values above back to their start-up state (tests that run the
// viewer's dialogs more than once in one process). The font and the brush
// are kept.
void ResetAppGlobals();

#endif  // KOR_VIEWER_APP_APPGLOBALS_H
