// Session.cpp - opening and closing the session: InitLibrary, DeInitLibrary.
#include "Session.h"

#include <string.h>
#include <strsafe.h>

#include "ComCreate.h"
#include "ComPtr.h"
#include "ComponentAccess.h"
#include "KORFwSw.h"
#include "LibLock.h"
#include "LibTrace.h"

IVMDevice *g_pVMDevice = nullptr;
IXUVMControl *g_pXUControl = nullptr;
ULONG g_ulNumber = 0;
int g_bDeviceFound = 0;
int g_bAttached = 0;
USHORT g_usFirmwareVersion = 0;

namespace {

const USHORT kInfoFirmwareVersion = 153;

// Every InitLibrary first gives a camera that was just selected or plugged
// in time to settle.
const DWORD kInitSettleMs = 500;

// COM initialisations made by InitLibrary that DeInitLibrary has not undone
// yet, on the thread that made them. DeInitLibrary undoes one of them per
// call and never more than were made, so it cannot close a COM apartment
// that belongs to its caller.
DWORD g_dwComThreadId = 0;
LONG g_lComInits = 0;

void InitComForSession() {
    if (FAILED(CoInitialize(nullptr))) return;
    DWORD dwThreadId = GetCurrentThreadId();
    if (dwThreadId != g_dwComThreadId) {
        // Initialisations made on another thread can only be undone there.
        g_dwComThreadId = dwThreadId;
        g_lComInits = 0;
    }
    ++g_lComInits;
}

void UninitComForSession() {
    if (g_lComInits > 0 && GetCurrentThreadId() == g_dwComThreadId) {
        --g_lComInits;
        CoUninitialize();
    }
}

// Releases both component objects, the register object first.
void ReleaseComponents() {
    if (g_pXUControl) {
        g_pXUControl->Release();
        g_pXUControl = nullptr;
    }
    if (g_pVMDevice) {
        g_pVMDevice->Release();
        g_pVMDevice = nullptr;
    }
}

// The interface path in a device record, or null when the record has no
// name or its name is too short to carry one.
const WCHAR *RecordDevicePath(const DeviceRecord &record) {
    if (!record.pszDeviceName) return nullptr;
    if (wcsnlen(record.pszDeviceName, kDeviceNamePrefixCch) < kDeviceNamePrefixCch) return nullptr;
    return record.pszDeviceName + kDeviceNamePrefixCch;
}

// Creates both component objects into the session globals. Returns false
// with the code set and nothing held.
bool CreateComponents() {
    ComPtr<IVMDevice> pVMDevice;
    if (CreateComObject(CLSID_CVMDevice, IID_IVMDevice, pVMDevice) != S_OK) {
        SetLastError(ERR_VMDEVICE_CREATE);
        LibDebugLine(L"CoCreateInstance Failed for CLSID_CVMDevice\r\n");
        return false;
    }
    ComPtr<IXUVMControl> pXUControl;
    if (CreateComObject(CLSID_CXUVMControl, IID_IXUVMControl, pXUControl) != S_OK) {
        // Whatever was handed out goes, the register object first.
        pXUControl.Clear();
        pVMDevice.Clear();
        SetLastError(ERR_XUCONTROL_CREATE);
        LibDebugLine(L"CoCreateInstance Failed for CLSID_CXUVMControl\r\n");
        return false;
    }
    g_pVMDevice = pVMDevice.Detach();
    g_pXUControl = pXUControl.Detach();
    return true;
}

// Looks through the listed records for the requested device and opens it.
// On success hands over the device object (may be null) and the device
// value.
bool FindRequestedCamera(const WCHAR *pszDevicePath, DeviceRecord *pRecords, ULONG ulCount,
                         ComPtr<IUnknown> &deviceObject, DWORD *pdwDeviceValue) {
    for (ULONG i = 0; i < ulCount; ++i) {
        const WCHAR *pszRecordPath = RecordDevicePath(pRecords[i]);
        LibTrace(L"DeviceName = %ls \r\n", pszRecordPath ? pszRecordPath : L"");
        int iCompare = pszRecordPath ? wcscmp(pszDevicePath, pszRecordPath) : -1;
        LibTrace(L"ret = %d \r\n", iCompare);
        if (iCompare != 0) {
            LibDebugLine(L"Non KOR Device 1  ...\r\n");
            g_bDeviceFound = 0;
            continue;
        }

        ComPtr<IUnknown> pDeviceObject;
        DWORD dwDeviceValue = 0;
        UINT cchDescription = SysStringLen(pRecords[i].bstrDescription);
        if (g_pVMDevice->OpenDevice(pRecords[i].pszDeviceName, cchDescription, &pDeviceObject, &dwDeviceValue) != 0) {
            LibDebugLine(L"Non KOR Device...\r\n");
            g_bDeviceFound = 0;
            continue;
        }

        // IsKORCamera lowercases its argument: give it a copy, the record's
        // text belongs to the component. The IDs sit near the start of a
        // path, so a cut copy still carries them.
        WCHAR szPath[512];
        (void)StringCchCopyW(szPath, ARRAYSIZE(szPath), pszRecordPath);
        if (IsKORCamera(szPath) == 1) {
            g_bDeviceFound = 1;
            deviceObject.Attach(pDeviceObject.Detach());
            *pdwDeviceValue = dwDeviceValue;
            return true;
        }
        g_bDeviceFound = 0;
        LibTrace(L"Tessaline device\r\n");
    }
    return false;
}

}  // namespace

bool RequireSession() {
    CritSecLock lock(LibraryLock());
    if (g_pXUControl) return true;
    SetLastError(ERR_NOT_INITIALISED);
    return false;
}

extern "C" int KORFWSW_CALL InitLibrary(const WCHAR *pszDevicePath) {
    if (!pszDevicePath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    Sleep(kInitSettleMs);
    LibTrace(L"DeviceName = %ls \r\n", pszDevicePath);

    // The whole session change is one step for other threads.
    CritSecLock lock(LibraryLock());
    if (g_bAttached) (void)DeInitLibrary();
    InitComForSession();
    if (!CreateComponents()) return -1;

    DeviceRecord aRecords[kDeviceRecordCapacity];
    memset(aRecords, 0, sizeof(aRecords));
    g_ulNumber = 0;
    (void)g_pVMDevice->EnumerateDevices(aRecords, &g_ulNumber, kDeviceRecordCapacity);
    if (g_ulNumber == 0) {
        ReleaseComponents();
        SetLastError(ERR_NO_CAPTURE_DEVICES);
        LibDebugLine(L"Failed to get capture devices\r\n");
        return -1;
    }
    LibTrace(L"g_ulNumber = %lu \r\n", g_ulNumber);

    // A component may report more devices than it had room for; only the
    // records it could fill are looked at.
    ULONG ulRecords = g_ulNumber < kDeviceRecordCapacity ? g_ulNumber : kDeviceRecordCapacity;
    ComPtr<IUnknown> pDeviceObject;
    DWORD dwDeviceValue = 0;
    if (!FindRequestedCamera(pszDevicePath, aRecords, ulRecords, pDeviceObject, &dwDeviceValue)) {
        ReleaseComponents();
        SetLastError(ERR_NOT_KOR_CAMERA);
        return -1;
    }

    g_bAttached = 1;
    (void)g_pXUControl->BindDeviceValue(dwDeviceValue);
    (void)g_pXUControl->BindDeviceObject(pDeviceObject.Get());
    pDeviceObject.Clear();

    USHORT usVersion = 0;
    if (XuReadInfoValue(kInfoFirmwareVersion, &usVersion) != XU_OK) {
        // The session stays bound and usable. The version keeps the value
        // the last read gave (0 before any): a failed read says nothing new,
        // and 0 would switch off the sensor-ready check for a camera that
        // has it.
        SetLastError(ERR_XU_TRANSFER);
        return -1;
    }
    g_usFirmwareVersion = usVersion;
    LibTrace(L"Library Version = %ls", KORFWSW_VERSION_TEXT);
    SetLastError(ERROR_SUCCESS);
    return 1;
}

extern "C" int KORFWSW_CALL DeInitLibrary(void) {
    CritSecLock lock(LibraryLock());
    ReleaseComponents();
    g_bAttached = 0;
    UninitComForSession();
    SetLastError(ERROR_SUCCESS);
    return 1;
}
