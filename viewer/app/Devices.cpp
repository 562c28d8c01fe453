// Devices.cpp - video device discovery, the Devices menu, camera selection
// and hot-plug.
//
// Discovery fills a table of at most ten device monikers, the Devices menu
// lists them, and the current camera is the "Tessaline 5MPixel Cam" when one
// is present, otherwise the first device listed. The main window registers
// for capture-class device notifications; arrivals and removals re-list the
// devices, and the removal of the current camera (recognised by its USB
// vendor and product ID text) tears its graph down.
#include "Devices.h"

#include <windows.h>
#include <commctrl.h>
#include <dshow.h>
#include <strsafe.h>

#include <stddef.h>
#include <wchar.h>

#include "AppGlobals.h"
#include "ComPtr.h"
#include "CreateSeam.h"
#include "DebugPrint.h"
#include "Dialogs.h"
#include "Dshow.h"
#include "SampleGrabberCallback.h"
#include "KORFwSw.h"
#include "MainWindow.h"
#include "PropertyBag.h"
#include "ShellBusy.h"

IMoniker *g_pVideoMonikers[MAX_VIDEO_DEVICES];
WCHAR g_szDeviceNames[MAX_VIDEO_DEVICES][DEVICE_NAME_CCH];
int g_imonikerIndx_vid = 0;
IMoniker *g_curVideoMoniker = nullptr;
BYTE g_SkipNextRemoval = 0;
HDEVNOTIFY g_hDevNotify = nullptr;
PFN_REGISTER_DEVICE_NOTIFICATION gpRegisterDeviceNotification = nullptr;
PFN_UNREGISTER_DEVICE_NOTIFICATION gpUnregisterDeviceNotification = nullptr;

namespace {

const WCHAR kPreferredCamera[] = L"Tessaline 5MPixel Cam";

// KSCATEGORY_CAPTURE {65E8773D-8F56-11D0-A3B9-00A0C9223196}
const GUID kCaptureCategory = {0x65e8773d, 0x8f56, 0x11d0, {0xa3, 0xb9, 0x00, 0xa0, 0xc9, 0x22, 0x31, 0x96}};

// Vendor and product ID texts cut out of a removal notification's name.
const size_t kRemovedIdCch = 10;

HMENU DevicesMenu() { return GetSubMenu(GetMenu(g_hWndMain), DEVICES_MENU_POS); }

// Reads "DevicePath"; false (and szPath untouched) when it cannot be read.
bool ReadDevicePath(IMoniker *pMoniker, WCHAR *pszPath) {
    // No current camera (an empty table) has no path: never bind a null moniker.
    if (!pMoniker) return false;
    ComPtr<IPropertyBag> pBag;
    HRESULT hr = pMoniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, pBag.OutVoid());
    if (FAILED(hr) || !pBag) return false;
    return ReadPropertyBagString(pBag.Get(), L"DevicePath", pszPath, DEVICE_PATH_CCH);
}

// Releases the table's references and empties it.
void EmptyDeviceTable() {
    for (int i = 0; i < g_imonikerIndx_vid && i < MAX_VIDEO_DEVICES; ++i) {
        if (g_pVideoMonikers[i]) g_pVideoMonikers[i]->Release();
        g_pVideoMonikers[i] = nullptr;
        g_szDeviceNames[i][0] = L'\0';
    }
    g_imonikerIndx_vid = 0;
}

// Unchecks every device item by command, through the whole menu bar.
void UncheckDeviceItems() {
    HMENU hMenuBar = GetMenu(g_hWndMain);
    for (int i = 0; i < g_imonikerIndx_vid; ++i) {
        (void)CheckMenuItem(hMenuBar, MENU_VDEVICE0 + i, MF_BYCOMMAND | MF_UNCHECKED);
    }
}

// Takes the notification record apart. False for anything that is not a
// capture-class device interface record; pszName then stays empty. The name
// is read only within the size the record gives, and at most cchName - 1
// characters of it are kept.
bool ReadCaptureRecord(LPARAM lParam, WCHAR *pszName, size_t cchName) {
    pszName[0] = L'\0';
    const DEV_BROADCAST_HDR *pHeader = reinterpret_cast<const DEV_BROADCAST_HDR *>(lParam);
    if (!pHeader || pHeader->dbch_size < sizeof(DEV_BROADCAST_HDR)) return false;
    if (pHeader->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return false;
    const size_t cbFixed = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (pHeader->dbch_size < cbFixed) return false;
    const DEV_BROADCAST_DEVICEINTERFACE_W *pRecord = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W *>(lParam);
    if (!IsEqualGUID(pRecord->dbcc_classguid, kCaptureCategory)) return false;

    size_t cchRecord = (pHeader->dbch_size - cbFixed) / sizeof(WCHAR);
    size_t i = 0;
    for (; i < cchRecord && i + 1 < cchName && pRecord->dbcc_name[i] != L'\0'; ++i) pszName[i] = pRecord->dbcc_name[i];
    pszName[i] = L'\0';
    return true;
}

// Lists the devices again into an emptied Devices menu. On success writes
// pszSuccessLine and builds the menu; on failure the menu stays empty.
bool RelistDevices(LPCWSTR pszSuccessLine) {
    ClearDeviceMenu();
    if (!DeviceManager::DetectDevice()) return false;
    OutputDebugStringW(pszSuccessLine);
    BuildDeviceMenu();
    return true;
}

// After the devices were listed again: the check mark goes to the device
// with the current camera's IDs. With two cameras of the same IDs, the one
// previewed (its path) wins over the first of them; g_szDevicePath keeps the
// current camera's path, which the library is opened on.
void CheckCurrentCamera() {
    UncheckDeviceItems();
    const bool bHaveCurrent = g_SelctdVid[0] != L'\0' || g_SelctdPid[0] != L'\0';
    int iMatched = -1;
    for (int k = 0; k < g_imonikerIndx_vid; ++k) {
        WCHAR szPath[DEVICE_PATH_CCH] = L"";
        WCHAR szVid[USB_ID_TEXT_CCH] = L"";
        WCHAR szPid[USB_ID_TEXT_CCH] = L"";
        (void)GetDevicePathForMoniker(g_pVideoMonikers[k], szPath);
        GetVidPidForDevicePath(szPath, szVid, ARRAYSIZE(szVid), szPid, ARRAYSIZE(szPid));
        if (wcscmp(szVid, g_SelctdVid) != 0 || wcscmp(szPid, g_SelctdPid) != 0) continue;
        if (iMatched < 0) iMatched = k;
        if (!bHaveCurrent || _wcsicmp(szPath, g_szDevicePath) == 0) {
            iMatched = k;
            break;
        }
    }
    if (iMatched >= 0) {
        DebugPrint(L"Vid pid matched for %d", iMatched);
        (void)CheckMenuItem(GetMenu(g_hWndMain), MENU_VDEVICE0 + iMatched, MF_BYCOMMAND | MF_CHECKED);
    }
}

void OnDeviceArrival() {
    OutputDebugStringW(L"DBT_DEVICEARRIVAL...\r\n");
    if (RelistDevices(L"EnumerateVideoDevices success 1\r\n")) CheckCurrentCamera();
}

void OnDeviceRemoval(LPCWSTR pszRemoved) {
    WCHAR szName[DEVICE_PATH_CCH];
    (void)StringCchCopyW(szName, ARRAYSIZE(szName), pszRemoved);
    OutputDebugStringW(L"DBT_DEVICEREMOVECOMPLETE...\r\n");
    DebugPrint(L"DBT_DEVICEREMOVECOMPLETE dbcc_name=%ls\r\n", szName);

    size_t cchName = 0;
    (void)StringCchLengthW(szName, DEVICE_PATH_CCH, &cchName);
    if (cchName > 0) (void)CharLowerBuffW(szName, static_cast<DWORD>(cchName));
    WCHAR szRemovedVid[kRemovedIdCch] = L"";
    WCHAR szRemovedPid[kRemovedIdCch] = L"";
    GetVidPidForDevicePath(szName, szRemovedVid, ARRAYSIZE(szRemovedVid), szRemovedPid, ARRAYSIZE(szRemovedPid));
    DebugPrint(L"DBT_DEVICEREMOVECOMPLETE...RemvdDevVid=%ls RemvdDevPid=%ls\r\n", szRemovedVid, szRemovedPid);
    DebugPrint(L"DBT_DEVICEREMOVECOMPLETE...g_SelctdVid=%ls g_SelctdPid=%ls\r\n", g_SelctdVid, g_SelctdPid);

    if (g_SkipNextRemoval) {
        // The removal of the current camera was handled already; this is the
        // second notification of the same unplug.
        g_SkipNextRemoval = 0;
    } else if (_wcsicmp(szRemovedVid, g_SelctdVid) == 0 && _wcsicmp(szRemovedPid, g_SelctdPid) == 0) {
        g_SkipNextRemoval = 1;
        CloseStillPinDialogKeepingGraph();
        if (g_pDShowManager) g_pDShowManager->DeInitDShow();
        g_curVideoMoniker = nullptr;
        (void)RelistDevices(L"EnumerateVideoDevices success 2\r\n");
        UncheckDeviceItems();
        g_SelctdVid[0] = L'\0';
        g_SelctdPid[0] = L'\0';
    } else if (RelistDevices(L"EnumerateVideoDevices success 3\r\n")) {
        // Another camera went: the check stays on the one previewed.
        CheckCurrentCamera();
    }

    // Any removal in the capture class closes the UVC Extension Controls
    // dialog.
    if (g_hWndUvcDialog) DestroyWindow(g_hWndUvcDialog);
}

}  // namespace

namespace {

// The system's enumerator of video-input devices, or null (with the debug
// line of the failing step). S_FALSE, an empty category, is a failure too.
ComPtr<IEnumMoniker> CreateVideoDeviceEnumerator() {
    ComPtr<ICreateDevEnum> pDevEnum;
    HRESULT hr = KorCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                   pDevEnum.OutVoid());
    ComPtr<IEnumMoniker> pEnum;
    if (hr != S_OK) {
        DebugPrint(L"Cocreateinstance failed...%d\n", 0);
        return pEnum;
    }
    hr = pDevEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &pEnum, 0);
    if (hr != S_OK) {
        OutputDebugStringW(L"DeviceManager::DetectDevice -- false \n");
        pEnum.Clear();
    }
    return pEnum;
}

// What AddDevice found.
enum DeviceRead { DEVICE_UNREADABLE, DEVICE_WITHOUT_PATH, DEVICE_WITH_PATH };

// Adds one enumerated device to the table when it has a path and a name.
// A device without a name is not listed. The table keeps the first ten
// devices; later ones are not listed either, and so cannot become current
// even with the preferred name. *pbPreferred is set when the device listed
// carries the preferred name.
DeviceRead AddDevice(ComPtr<IMoniker> &pMoniker, bool *pbPreferred) {
    ComPtr<IPropertyBag> pBag;
    HRESULT hr = pMoniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, pBag.OutVoid());
    if (FAILED(hr) || !pBag) return DEVICE_UNREADABLE;
    WCHAR szPath[DEVICE_PATH_CCH] = L"";
    if (!ReadPropertyBagString(pBag.Get(), L"DevicePath", szPath, ARRAYSIZE(szPath))) return DEVICE_WITHOUT_PATH;
    OutputDebugStringW(L"Printing device path\r\n");
    OutputDebugStringW(szPath);
    OutputDebugStringW(L"\r\n");

    WCHAR szName[DEVICE_NAME_CCH] = L"";
    if (!ReadPropertyBagString(pBag.Get(), L"FriendlyName", szName, ARRAYSIZE(szName)) || szName[0] == L'\0')
        return DEVICE_WITH_PATH;
    if (g_imonikerIndx_vid >= MAX_VIDEO_DEVICES) {
        DebugPrint(L"Device table full, %ls not listed\r\n", szName);
        return DEVICE_WITH_PATH;
    }
    const int iEntry = g_imonikerIndx_vid;
    g_pVideoMonikers[iEntry] = pMoniker.Detach();
    OutputDebugStringW(L"Printing Friendly name\r\n");
    OutputDebugStringW(szName);
    OutputDebugStringW(L"\r\n");
    (void)StringCchCopyW(g_szDeviceNames[iEntry], DEVICE_NAME_CCH, szName);
    ++g_imonikerIndx_vid;
    if (wcscmp(szName, kPreferredCamera) == 0) {
        g_curVideoMoniker = g_pVideoMonikers[iEntry];
        *pbPreferred = true;
    }
    return DEVICE_WITH_PATH;
}

}  // namespace

bool DeviceManager::DetectDevice() {
    g_curVideoMoniker = nullptr;  // the reference stays with the table
    ComPtr<IEnumMoniker> pEnum = CreateVideoDeviceEnumerator();
    if (!pEnum) return false;
    (void)pEnum->Reset();
    if (g_imonikerIndx_vid > 0) {
        DebugPrint(L"g_imonikerIndx_vid=%d\n", g_imonikerIndx_vid);
        EmptyDeviceTable();
    }

    bool bResult = false;
    bool bPreferred = false;
    ComPtr<IMoniker> pMoniker;
    while (pEnum->Next(1, &pMoniker, nullptr) == S_OK) {
        // A device whose properties cannot be opened ends the discovery.
        const DeviceRead read = AddDevice(pMoniker, &bPreferred);
        if (read == DEVICE_UNREADABLE) {
            bResult = false;
            break;
        }
        if (read == DEVICE_WITH_PATH) bResult = true;
    }
    pEnum.Clear();

    if (bResult && g_imonikerIndx_vid > 0 && !bPreferred) g_curVideoMoniker = g_pVideoMonikers[0];
    DebugPrint(L"At end g_imonikerIndx_vid=%d\n", g_imonikerIndx_vid);
    return bResult;
}

void ClearDeviceMenu() {
    HMENU hMenu = DevicesMenu();
    int cItems = GetMenuItemCount(hMenu);
    if (cItems == -1 || cItems <= 0) return;
    for (int i = 0; i < cItems; ++i) (void)RemoveMenu(hMenu, 0, MF_BYPOSITION);
}

void BuildDeviceMenu() {
    HMENU hMenu = DevicesMenu();
    for (int i = 0; i < g_imonikerIndx_vid; ++i) {
        WCHAR szLine[DEVICE_NAME_CCH];
        (void)StringCchPrintfW(szLine, ARRAYSIZE(szLine), L"%d video Devicename %ls\r\n", i + 1, g_szDeviceNames[i]);
        OutputDebugStringW(szLine);
        (void)AppendMenuW(hMenu, MF_STRING, MENU_VDEVICE0 + i, g_szDeviceNames[i]);
        if (g_curVideoMoniker && g_curVideoMoniker == g_pVideoMonikers[i]) {
            (void)CheckMenuItem(hMenu, MENU_VDEVICE0 + i, MF_BYCOMMAND | MF_CHECKED);
        }
    }
    (void)AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
}

bool GetDevicePathForMoniker(IMoniker *pMoniker, WCHAR *pszPath) {
    WCHAR szPath[DEVICE_PATH_CCH];
    if (!ReadDevicePath(pMoniker, szPath)) return false;
    (void)StringCchCopyW(pszPath, DEVICE_PATH_CCH, szPath);
    OutputDebugStringW(L"GetDevicePathForMoniker\r\n");
    OutputDebugStringW(szPath);
    OutputDebugStringW(L"\r\n");
    return true;
}

void SetCurrentDevicePath(IMoniker *pMoniker) {
    WCHAR szPath[DEVICE_PATH_CCH];
    if (!ReadDevicePath(pMoniker, szPath)) return;
    (void)StringCchCopyW(g_szDevicePath, ARRAYSIZE(g_szDevicePath), szPath);
    OutputDebugStringW(g_szDevicePath);
    OutputDebugStringW(g_szDevicePath);
    OutputDebugStringW(L"\r\n");
}

void GetVidPidForDevicePath(const WCHAR *pszPath, WCHAR *pszVid, size_t cchVid, WCHAR *pszPid, size_t cchPid) {
    const size_t kIdChars = 4;
    WCHAR szVid[kIdChars + 1] = L"";
    WCHAR szPid[kIdChars + 1] = L"";
    if (!pszPath) pszPath = L"";
    DebugPrint(L"GetVidPidForDevicePath DevicePath=%ls\r\n", pszPath);

    // The markers are found case-sensitively; the removal handler lower-cases
    // the name first.
    const WCHAR *pszMarker = wcsstr(pszPath, L"vid_");
    if (pszMarker) (void)StringCchCopyNW(szVid, ARRAYSIZE(szVid), pszMarker + 4, kIdChars);
    DebugPrint(L"extrctd_vid = %ls\r\n", szVid);
    pszMarker = wcsstr(pszPath, L"pid_");
    if (pszMarker) (void)StringCchCopyNW(szPid, ARRAYSIZE(szPid), pszMarker + 4, kIdChars);
    DebugPrint(L"extrctd_pid = %ls\r\n", szPid);

    if (pszVid) (void)StringCchCopyW(pszVid, cchVid, szVid);
    if (pszPid) (void)StringCchCopyW(pszPid, cchPid, szPid);
}

void BindCamera(IMoniker *pMoniker) {
    WCHAR szPath[DEVICE_PATH_CCH] = L"";
    if (GetDevicePathForMoniker(pMoniker, szPath))
        (void)StringCchCopyW(g_szDevicePath, ARRAYSIZE(g_szDevicePath), szPath);
    GetVidPidForDevicePath(szPath, g_SelctdVid, ARRAYSIZE(g_SelctdVid), g_SelctdPid, ARRAYSIZE(g_SelctdPid));
    g_LibStatus = InitLibrary(g_szDevicePath);
}

void SelectStartupCamera() {
    ClearDeviceMenu();
    // Discovery can succeed with an empty table (every device without a
    // name): that is no camera too, and nothing is bound.
    if (!DeviceManager::DetectDevice()) return;
    if (!g_curVideoMoniker) {
        BuildDeviceMenu();
        return;
    }
    g_pDShowManager->SetMainWindow(g_hWndMain);
    g_pDShowManager->SetStatusBar(g_hWndStatus);
    (void)g_pDShowManager->InitDShow(g_curVideoMoniker);
    if (!g_pDShowManager) return;  // its boxes ran message loops
    g_pDShowManager->SizeWindowToVideo();
    g_pDShowManager->ReSizePreview();
    BuildDeviceMenu();
    BindCamera(g_curVideoMoniker);
}

void SelectDevice(int iCommand) {
    if (!g_pDShowManager) return;  // start-up could not make the manager
    OutputDebugStringW(L"MENU_VDEVICE0\r\n");
    DWORD dwPrevious = CheckMenuItem(DevicesMenu(), iCommand, MF_BYCOMMAND | MF_CHECKED);
    if (dwPrevious == MF_CHECKED) {
        OutputDebugStringW(L"Monikers are same\r\n");
        return;
    }

    SetFlashEnabled(false);
    if (g_hWndUvcDialog) DestroyWindow(g_hWndUvcDialog);
    CloseStillPinDialogKeepingGraph();
    OutputDebugStringW(L"Monikers are diff\r\n");
    g_pDShowManager->DeInitDShow();

    const int iIndex = iCommand - MENU_VDEVICE0;
    if (iIndex >= 0 && iIndex < g_imonikerIndx_vid && g_pVideoMonikers[iIndex]) {
        g_curVideoMoniker = g_pVideoMonikers[iIndex];
    }
    if (!g_curVideoMoniker) {
        OutputDebugStringW(L"g_curVideoMoniker is null\r\n");
        return;
    }

    SetCurrentDevicePath(g_curVideoMoniker);
    g_pDShowManager->SetMainWindow(g_hWndMain);
    g_pDShowManager->SetStatusBar(g_hWndStatus);
    // InitLibrary's waits and InitDShow's boxes run message loops: the
    // manager is looked at again after each.
    BindCamera(g_curVideoMoniker);
    if (!g_pDShowManager || !g_curVideoMoniker) return;
    const int iBuilt = g_pDShowManager->InitDShow(g_curVideoMoniker);
    if (!g_pDShowManager) return;
    if (iBuilt) {
        SetCurrentDevicePath(g_curVideoMoniker);
        UncheckDeviceItems();
        (void)CheckMenuItem(GetMenu(g_hWndMain), iCommand, MF_BYCOMMAND | MF_CHECKED);

        int iWidth = 0, iHeight = 0;
        g_pDShowManager->GetVideoResolution(&iWidth, &iHeight);
        WCHAR szResolution[46];
        (void)StringCchPrintfW(szResolution, ARRAYSIZE(szResolution), L"Resolution : %dx%d", iWidth, iHeight);
        SendMessageW(g_hWndStatus, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(szResolution));

        g_pDShowManager->SizeWindowToVideo();
        g_pDShowManager->ReSizePreview();
        g_AfDone = 0;
        g_AfCounter = 0;
    }
    g_SkipNextRemoval = 0;
}

void RegisterDeviceNotifications() {
    UnregisterDeviceNotifications();
    OutputDebugStringW(L"RegisterDeviceNotifications ++ \r\n");

    DEV_BROADCAST_DEVICEINTERFACE_W filter;
    ZeroMemory(&filter, sizeof(filter));
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kCaptureCategory;

    // Looked up in the loaded user32.dll rather than imported.
    gpRegisterDeviceNotification = nullptr;
    gpUnregisterDeviceNotification = nullptr;
    HMODULE hUser32 = GetModuleHandleW(L"user32.dll");
    if (hUser32) {
        gpUnregisterDeviceNotification = reinterpret_cast<PFN_UNREGISTER_DEVICE_NOTIFICATION>(
            reinterpret_cast<void *>(GetProcAddress(hUser32, "UnregisterDeviceNotification")));
        gpRegisterDeviceNotification = reinterpret_cast<PFN_REGISTER_DEVICE_NOTIFICATION>(
            reinterpret_cast<void *>(GetProcAddress(hUser32, "RegisterDeviceNotificationW")));
    }

    g_hDevNotify = nullptr;
    if (gpRegisterDeviceNotification) {
        g_hDevNotify = gpRegisterDeviceNotification(g_hWndMain, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        OutputDebugStringW(g_hDevNotify ? L"gpRegisterDeviceNotification succeed ..\r\n"
                                        : L"gpRegisterDeviceNotification Failed ..\r\n");
    }
    OutputDebugStringW(L"RegisterDeviceNotifications -- \r\n");
}

void UnregisterDeviceNotifications() {
    if (!g_hDevNotify) return;
    if (gpUnregisterDeviceNotification) (void)gpUnregisterDeviceNotification(g_hDevNotify);
    g_hDevNotify = nullptr;
}

void OnDeviceChange(WPARAM wParam, LPARAM lParam) {
    if (wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE) return;
    WCHAR szName[DEVICE_PATH_CCH];
    if (!ReadCaptureRecord(lParam, szName, ARRAYSIZE(szName))) return;
    // A notification that arrives while another handler runs is handled
    // after it, not inside it.
    if (ShellIsBusy()) {
        (void)DeferDeviceChange(wParam, szName);
        return;
    }
    ShellBusyScope busy;
    HandleDeviceChange(wParam, szName);
}

void HandleDeviceChange(WPARAM wEvent, LPCWSTR pszName) {
    if (wEvent == DBT_DEVICEARRIVAL) {
        OnDeviceArrival();
    } else {
        OnDeviceRemoval(pszName);
    }
}

void ReleaseDeviceTable() {
    g_curVideoMoniker = nullptr;
    EmptyDeviceTable();
}
