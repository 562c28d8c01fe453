// HotPlug.cpp - device-change notifications for the simulated cameras.
//
// A real capture device's arrival and removal reach the windows that asked
// for them as WM_DEVICECHANGE with a DEV_BROADCAST_DEVICEINTERFACE_W record.
// Wine raises none for devices it does not know, so this sends the same
// message to every top-level window, the way Windows' broadcast does.
// SimPlug only changes the camera state; whoever plugs (the control tool, a
// test) announces it afterwards through SimBroadcastDeviceChange.
//
// The record travels with the message only to windows of another process
// (Wine packs it there); a window of the sending thread gets the pointer as
// is, which is as good.
#include <windows.h>
#include <dbt.h>
#include <strsafe.h>

#include <stddef.h>

#include <new>

#include "HotPlug.h"
#include "SimSharedState.h"

namespace {

// KSCATEGORY_CAPTURE {65E8773D-8F56-11D0-A3B9-00A0C9223196}
const GUID kCaptureCategory = {0x65e8773d, 0x8f56, 0x11d0, {0xa3, 0xb9, 0x00, 0xa0, 0xc9, 0x22, 0x31, 0x96}};

// How long one window may take; a hung window is skipped at once.
const UINT kSendTimeoutMs = 5000;

struct BroadcastContext {
    WPARAM wEvent;
    const DEV_BROADCAST_DEVICEINTERFACE_W *pRecord;
};

BOOL CALLBACK SendToWindow(HWND hWnd, LPARAM lParam) {
    const BroadcastContext *pCtx = reinterpret_cast<const BroadcastContext *>(lParam);
    DWORD_PTR dwResult = 0;
    (void)SendMessageTimeoutW(hWnd, WM_DEVICECHANGE, pCtx->wEvent, reinterpret_cast<LPARAM>(pCtx->pRecord),
                              SMTO_ABORTIFHUNG | SMTO_NORMAL, kSendTimeoutMs, &dwResult);
    return TRUE;  // every window, whatever this one answered
}

}  // namespace

bool SimAnnounceDeviceChange(int iCamera, bool bArrived, DWORD dwFlags) {
    WCHAR szPath[sizeof(SimCamera::devicePath) / sizeof(WCHAR)];
    {
        SimStateGuard state;
        const SimCamera *pCam = state.Get() ? state.Camera(iCamera) : nullptr;
        if (!pCam) return false;
        if (FAILED(StringCchCopyW(szPath, ARRAYSIZE(szPath), pCam->devicePath))) return false;
    }

    size_t cchPath = 0;
    (void)StringCchLengthW(szPath, ARRAYSIZE(szPath), &cchPath);
    if (dwFlags & SIM_NOTIFY_UPPERCASE) (void)CharUpperBuffW(szPath, static_cast<DWORD>(cchPath));
    // The name runs past the declared one-character array: the record's size
    // covers the whole path and its terminator.
    const size_t cbRecord = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (cchPath + 1) * sizeof(WCHAR);
    BYTE *pBuffer = new (std::nothrow) BYTE[cbRecord];
    if (!pBuffer) return false;
    ZeroMemory(pBuffer, cbRecord);
    DEV_BROADCAST_DEVICEINTERFACE_W *pRecord = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W *>(pBuffer);
    pRecord->dbcc_size = static_cast<DWORD>(cbRecord);
    pRecord->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    pRecord->dbcc_classguid = kCaptureCategory;
    CopyMemory(pRecord->dbcc_name, szPath, (cchPath + 1) * sizeof(WCHAR));

    BroadcastContext ctx = {static_cast<WPARAM>(bArrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE), pRecord};
    (void)EnumWindows(SendToWindow, reinterpret_cast<LPARAM>(&ctx));
    if (dwFlags & SIM_NOTIFY_TWICE) (void)EnumWindows(SendToWindow, reinterpret_cast<LPARAM>(&ctx));
    delete[] pBuffer;
    return true;
}
