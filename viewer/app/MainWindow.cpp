// MainWindow.cpp - the viewer's shell: entry point, class registration,
// InitInstance, the main window with its menu, status bar and accelerators,
// the message loop with the autofocus retry, WndProc's command dispatch and
// shutdown.
//
// The main window does no drawing of its own: the capture manager's video
// window covers the client area and the status bar sits at the bottom.
// Commands go to the capture manager, the camera-extension library, device
// selection (Devices.cpp) and the modeless dialogs.
#include "MainWindow.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <strsafe.h>

#include "AppGlobals.h"
#include "DebugPrint.h"
#include "Devices.h"
#include "Dialogs.h"
#include "Dshow.h"
#include "KORFwSw.h"
#include "MessageBoxSeam.h"
#include "SampleGrabberCallback.h"
#include "ShellBusy.h"
#include "resource.h"

HINSTANCE g_hInst = nullptr;
HWND g_hWndMain = nullptr;
HWND g_hWndStatus = nullptr;
WCHAR g_szTitle[MAX_LOADSTRING];
WCHAR g_szWindowClass[MAX_LOADSTRING];
WCHAR g_szStillPath[STILL_PATH_CCH];
WCHAR g_szDevicePath[DEVICE_PATH_CCH];
WCHAR g_SelctdVid[USB_ID_TEXT_CCH];
WCHAR g_SelctdPid[USB_ID_TEXT_CCH];
int g_AfDone = 0;
int g_AfCounter = 0;

namespace {

// Status bar: child window, visible, with a size grip.
const DWORD kStatusBarStyle = 0x50000100;
const int kMainWidth = 640;
const int kMainHeight = 480;

const WCHAR kFlashQuestion[] =
    L"The flash is not detected. Please check your connection.\r\n  Do you wish to capture picture anyway?\r\n";
const WCHAR kExtensionNotSupported[] = L"UVC Extension is not supported\r\n";

bool ManagerReady() { return g_pDShowManager && g_pDShowManager->IsInitialized(); }

// Creates one modeless dialog owned by the main window and shows it. The
// dialog's closed flag is cleared only when the dialog exists, so a template
// that fails to load leaves its command working.
HWND OpenModelessDialog(HWND hWnd, int iTemplate, DLGPROC pfnProc, int *pbClosedFlag) {
    HWND hDlg = CreateDialogParamW(g_hInst, MAKEINTRESOURCEW(iTemplate), hWnd, pfnProc, 0);
    if (!hDlg) {
        DebugPrint(L"CreateDialogParam %d failed %lu\r\n", iTemplate, GetLastError());
        return nullptr;
    }
    ShowWindow(hDlg, SW_SHOW);
    *pbClosedFlag = 0;
    return hDlg;
}

// Command 32777: a still from the menu asks about a missing flash first.
void OnStillRequest() {
    WCHAR szLine[100];
    (void)StringCchPrintfW(szLine, ARRAYSIZE(szLine), L"Still requested %d\r\n", static_cast<int>(GetTickCount()));
    OutputDebugStringW(szLine);

    if (!ManagerReady() || g_LibStatus <= 0) {
        // Without a usable library the flash stays off for later stills too.
        SetFlashEnabled(false);
    } else if (g_pDShowManager->IsStillReady()) {
        // A still that cannot be fired is refused by the trigger below
        // before anyone is asked about the flash.
        int iBits = 0;
        if (GetGPIStatus(&iBits) != 0) {
            OutputDebugStringW(L"Get GPI status succeeded\r\n");
            if (g_FlashEnabled != 0 && (iBits & 1) != 0) {
                if (KorMessageBox(nullptr, kFlashQuestion, L"KORView", MB_OKCANCEL) != IDOK) return;
            }
        }
    }
    // The question's box runs a message loop: look at the manager again.
    if (g_pDShowManager) (void)g_pDShowManager->StillTrigger();
}

// Command 32776.
void OnCurrentSettings(HWND hWnd) {
    if (!ManagerReady()) return;
    if (g_LibStatus > 0) {
        OutputDebugStringW(L"Current setting Supported is supported\r\n");
        if (g_SettingsDlgClosed)
            (void)OpenModelessDialog(hWnd, IDD_CURRENT_SETTINGS, CurrentSettingsDlgProc, &g_SettingsDlgClosed);
        g_ExtensionAvailable = 1;
    } else {
        (void)KorMessageBox(nullptr, L"Current setting dialog is not supports for this device\r\n", L"Error", MB_OK);
        g_ExtensionAvailable = 0;
    }
}

// Command 32779: the library session is opened again on every use.
void OnUvcExtension(HWND hWnd) {
    if (!ManagerReady()) return;
    g_LibStatus = InitLibrary(g_szDevicePath);
    if (g_LibStatus > 0) {
        OutputDebugStringW(L"UVC Extension is supported\r\n");
        if (g_ExtDlgClosed) {
            HWND hDlg = CreateDialogParamW(g_hInst, MAKEINTRESOURCEW(IDD_UVC_EXTENSION), hWnd, ExtensionDlgProc, 0);
            if (hDlg) {
                g_hWndUvcDialog = hDlg;
                (void)CheckRadioButton(hDlg, IDC_FLASH_ON, IDC_FLASH_OFF,
                                       g_FlashEnabled ? IDC_FLASH_ON : IDC_FLASH_OFF);
                ShowWindow(hDlg, SW_SHOW);
                g_ExtDlgClosed = 0;
            }
        }
        g_ExtensionAvailable = 1;
    } else {
        (void)KorMessageBox(nullptr, kExtensionNotSupported, L"Error", MB_OK);
        g_ExtensionAvailable = 0;
    }
}

// Command 32784. Overwrites a manual-focus choice of the Focus Mode dialog.
void OnTriggerAutoFocus() {
    g_AutoFocusMode = (ManagerReady() && g_LibStatus > 0) ? 1 : 0;
    if (g_AutoFocusMode == 0) {
        (void)KorMessageBox(nullptr, kExtensionNotSupported, L"Error", MB_OK);
        g_ExtensionAvailable = 0;
        return;
    }
    OutputDebugStringW(AFFreezeControl(AF_SINGLE_TRIGGER) > 0 ? L"AF_SINGLE_TRIGGER Succeed....\r\n"
                                                              : L"AF_SINGLE_TRIGGER Failed....\r\n");
}

// Command 32775.
void OnStillCapturePin(HWND hWnd) {
    if (!ManagerReady()) return;
    if (g_pDShowManager->HasStillPin()) {
        if (g_StillPinDlgClosed)
            (void)OpenModelessDialog(hWnd, IDD_STILL_PIN_PROPERTIES, StillPinPropDlgProc, &g_StillPinDlgClosed);
    } else {
        (void)KorMessageBox(hWnd, L"Still pin not supported", L"Still pin property", MB_OK);
    }
}

bool IsDeviceCommand(int iCommand) { return iCommand >= MENU_VDEVICE0 && iCommand <= MENU_VDEVICE_LAST; }

// WM_COMMAND. Returns false for commands that go to DefWindowProcW.
bool OnCommand(HWND hWnd, int iCommand) {
    if (IsDeviceCommand(iCommand)) {
        SelectDevice(iCommand);
        return true;
    }
    switch (iCommand) {
    case IDM_ABOUT:
        if (g_AboutDlgClosed) (void)OpenModelessDialog(hWnd, IDD_ABOUTBOX, AboutDlgProc, &g_AboutDlgClosed);
        return true;
    case IDM_EXIT:
        RequestMainWindowClose();
        return true;
    case ID_OPTIONS_VIDEORENDERER:
        if (ManagerReady()) g_pDShowManager->ShowRendererPropPage();
        return true;
    case ID_OPTIONS_VIDEOCAPTUREFILTER:
        if (ManagerReady()) g_pDShowManager->ShowCapFilterPropPage();
        return true;
    case ID_OPTIONS_VIDEOCAPTUREPIN:
        // Not while the Still Pin Properties dialog has the graph apart.
        if (ManagerReady() && g_StillPinDlgClosed) g_pDShowManager->ShowVideoPinPropPage();
        return true;
    case ID_OPTIONS_STILLCAPTUREPIN:
        OnStillCapturePin(hWnd);
        return true;
    case ID_OPTIONS_CURRENTSETTINGS:
        OnCurrentSettings(hWnd);
        return true;
    case ID_CAPTURE_GETSTILL:
        OnStillRequest();
        return true;
    case ID_CAPTURE_STILLFILEPATH:
        if (ManagerReady() && g_StillPathDlgClosed) {
            (void)OpenModelessDialog(hWnd, IDD_STILL_PATH, StillPathDlgProc, &g_StillPathDlgClosed);
        }
        return true;
    case ID_UVC_EXTENSION:
        OnUvcExtension(hWnd);
        return true;
    case ID_NOTHING:
        return true;
    case ID_RESET_CAMERA:
        (void)ResetUSBCamera();
        return true;
    case ID_FOCUS_TRIGGERAUTOFOCUS:
        OnTriggerAutoFocus();
        return true;
    }
    return false;
}

// The close of the main window, once no handler runs any more.
void CloseMainWindow() {
    // Shutting down: the Still Pin Properties dialog must not rebuild a
    // graph on the dying window.
    CloseStillPinDialogKeepingGraph();
    if (g_hWndMain) DestroyWindow(g_hWndMain);
}

void OnCreate(HWND hWnd) {
    InitCommonControls();
    g_hWndMain = hWnd;
    g_hWndStatus = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, kStatusBarStyle, 0, 0, 0, 0, hWnd,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_STATUS_BAR)), g_hInst, nullptr);
}

void OnSize(HWND hWnd) {
    if (g_pDShowManager) g_pDShowManager->ReSizePreview();
    // The status bar lays itself out again at the bottom.
    SendMessageW(GetDlgItem(hWnd, IDC_STATUS_BAR), WM_SIZE, 0, 0);
}

void OnDestroy() {
    CloseStillPinDialogKeepingGraph();
    // The graph stops first, so a still still awaited is given up while the
    // library can switch its strobe off.
    if (g_pDShowManager) (void)g_pDShowManager->StopPreview();
    if (g_LibStatus > 0) {
        (void)DeInitLibrary();
        g_LibStatus = 0;
    }
    if (g_pDShowManager) {
        g_pDShowManager->DeInitDShow();
        delete g_pDShowManager;
        g_pDShowManager = nullptr;
    }
    UnregisterDeviceNotifications();
    PostQuitMessage(0);
    g_SettingsDlgClosed = 1;
}

}  // namespace

ATOM RegisterMainWindowClass(HINSTANCE hInstance) {
    WNDCLASSEXW wcex;
    ZeroMemory(&wcex, sizeof(wcex));
    wcex.cbSize = sizeof(wcex);
    wcex.style = CS_HREDRAW | CS_VREDRAW;
    wcex.lpfnWndProc = WndProc;
    wcex.cbClsExtra = 0;
    wcex.cbWndExtra = 0;
    wcex.hInstance = hInstance;
    wcex.hIcon = LoadIconW(hInstance, MAKEINTRESOURCEW(IDI_KORVIEWER));
    wcex.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wcex.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wcex.lpszMenuName = MAKEINTRESOURCEW(IDC_KORVIEWER);
    wcex.lpszClassName = g_szWindowClass;
    wcex.hIconSm = LoadIconW(hInstance, MAKEINTRESOURCEW(IDI_KORVIEWER));
    return RegisterClassExW(&wcex);
}

BOOL InitInstance(HINSTANCE hInstance, int nCmdShow) {
    g_hInst = hInstance;
    InstallShellWaitingWork(SelectDevice, HandleDeviceChange, CloseMainWindow);
    (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    g_pDShowManager = DShowManager::GetInstance();

    HWND hWnd = CreateWindowExW(0, g_szWindowClass, g_szTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, kMainWidth,
                                kMainHeight, nullptr, nullptr, hInstance, nullptr);
    if (!hWnd) return FALSE;
    ShowWindow(hWnd, nCmdShow);
    UpdateWindow(hWnd);

    RegisterDeviceNotifications();

    // The still folder starts as the desktop directory (not created when
    // missing).
    g_szStillPath[0] = L'\0';
    (void)SHGetSpecialFolderPathW(nullptr, g_szStillPath, CSIDL_DESKTOPDIRECTORY, FALSE);
    OutputDebugStringW(L"The still path\r\r");
    OutputDebugStringW(g_szStillPath);

    g_hLabelFont = CreateFontW(15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, OEM_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, 0, L"Arial");

    if (g_pDShowManager) {
        // Its boxes run message loops: a close waits until it is done.
        ShellBusyScope busy;
        SelectStartupCamera();
    }
    LogFileVersion();
    return TRUE;
}

void AutoFocusRetryStep() {
    ++g_AfCounter;
    if (IsSensorReady() == 0) g_AfCounter = 0;
    if (g_AfDone != 0 || g_AfCounter < 1) return;

    if (AFFreezeControl(AF_SINGLE_TRIGGER) > 0) {
        OutputDebugStringW(L"AF_SINGLE_TRIGGER Succeed....\r\n");
        DebugPrint(L"Counter=%d\r\n", g_AfCounter);
        g_AfCounter = 0;
        g_AfDone = 1;
    } else {
        // The next message with the sensor ready retries at once.
        g_AfCounter = 15;
        OutputDebugStringW(L"AF_SINGLE_TRIGGER Failed....\r\n");
        DebugPrint(L"Counter=%d\r\n", g_AfCounter);
    }
}

int KorViewerMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR pszCmdLine, int nCmdShow) {
    (void)hPrevInstance;
    (void)pszCmdLine;  // no command line
    SetFlashEnabled(true);
    g_AutoFocusMode = 1;
    (void)LoadStringW(hInstance, IDS_APP_TITLE, g_szTitle, MAX_LOADSTRING);
    (void)LoadStringW(hInstance, IDC_KORVIEWER, g_szWindowClass, MAX_LOADSTRING);
    (void)RegisterMainWindowClass(hInstance);
    if (!InitInstance(hInstance, nCmdShow)) return 0;

    HACCEL hAccel = LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(IDC_KORVIEWER));
    MSG msg;
    ZeroMemory(&msg, sizeof(msg));
    BOOL bRet;
    // No dialog-navigation routing: keyboard handling inside the modeless
    // dialogs is the controls' own. GetMessageW fails (-1) only for a bad
    // window filter, which this loop does not use; it ends the loop too.
    while ((bRet = GetMessageW(&msg, nullptr, 0, 0)) != 0 && bRet != -1) {
        if (!TranslateAcceleratorW(msg.hwnd, hAccel, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        // After every message, those the accelerators consumed included.
        AutoFocusRetryStep();
    }
    return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_CREATE:
        OnCreate(hWnd);
        return 0;
    case WM_COMMAND: {
        // A camera chosen while another handler runs is chosen after it.
        const int iCommand = LOWORD(wParam);
        if (IsDeviceCommand(iCommand) && ShellIsBusy()) {
            (void)DeferDeviceSelection(iCommand);
            return 0;
        }
        ShellBusyScope busy;
        if (OnCommand(hWnd, iCommand)) return 0;
        break;
    }
    case WM_KEYDOWN: {
        // Enter takes a still at once: no readiness test, no flash question.
        ShellBusyScope busy;
        if (wParam == VK_RETURN && g_pDShowManager) (void)g_pDShowManager->StillTrigger();
        return 0;
    }
    case WM_SIZE:
        OnSize(hWnd);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        (void)BeginPaint(hWnd, &ps);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_INITMENUPOPUP:
        return 0;
    case WM_DEVICECHANGE:
        OnDeviceChange(wParam, lParam);
        return 0;
    case kStillNotSavedMessage:
        OnStillNotSaved();
        return 0;
    case WM_CLOSE:
        // Not under a running handler: it would delete the capture manager
        // beneath it.
        RequestMainWindowClose();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

void ResetShellState() {
    ReleaseDeviceTable();
    ResetAppGlobals();
    g_hWndMain = nullptr;
    g_hWndStatus = nullptr;
    g_szStillPath[0] = L'\0';
    g_szDevicePath[0] = L'\0';
    g_SelctdVid[0] = L'\0';
    g_SelctdPid[0] = L'\0';
    g_AfDone = 0;
    g_AfCounter = 0;
    g_SkipNextRemoval = 0;
    g_hDevNotify = nullptr;
    ResetShellBusy();
}
