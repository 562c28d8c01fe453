// XUComponent.cpp - the extension-unit component's COM objects: CVMDevice
// (device list), CXUVMControl (transfers to the bound camera) and the small
// device object OpenDevice hands out. Every call takes the state lock and
// runs as one logged call under it (SimRunCall): a fault injected for it
// replaces the work on the shared camera state, and it writes one log entry.
#include <windows.h>
#include <oleauto.h>
#include <strsafe.h>
#include <wchar.h>

#include <new>

#include "SensorModel.h"
#include "SimCallLog.h"
#include "SimSharedState.h"
#include "server/ComObject.h"
#include "ComPtr.h"
#include "XUComponent.h"

const CLSID CLSID_SimVMDevice = {0xA917C758, 0x4119, 0x11DA, {0xAE, 0x0E, 0x00, 0x0D, 0x56, 0xAC, 0x7B, 0x4C}};
const IID IID_ISimVMDevice = {0xA917C759, 0x4119, 0x11DA, {0xAE, 0x0E, 0x00, 0x0D, 0x56, 0xAC, 0x7B, 0x4C}};
const CLSID CLSID_SimXUVMControl = {0xA917C75A, 0x4119, 0x11DA, {0xAE, 0x0E, 0x00, 0x0D, 0x56, 0xAC, 0x7B, 0x4C}};
const IID IID_ISimXUVMControl = {0xA917C75B, 0x4119, 0x11DA, {0xAE, 0x0E, 0x00, 0x0D, 0x56, 0xAC, 0x7B, 0x4C}};
// {5C3A1E20-7B41-4E7C-9D36-2A8F1B6C0D41}
const IID IID_ISimDeviceHandle = {0x5C3A1E20, 0x7B41, 0x4E7C, {0x9D, 0x36, 0x2A, 0x8F, 0x1B, 0x6C, 0x0D, 0x41}};

namespace {

// The private face of the device object.
struct ISimDeviceHandle : public IUnknown {
    virtual LONG STDMETHODCALLTYPE CameraIndex() = 0;
};

void LogBytes(SimLogEntry *pEntry, const BYTE *pData, ULONG cb) {
    if (!pData) return;
    ULONG cbLog = cb < sizeof(pEntry->data) ? cb : static_cast<ULONG>(sizeof(pEntry->data));
    CopyMemory(pEntry->data, pData, cbLog);
    pEntry->dataLen = cbLog;
}

// ---------------------------------------------------------------------------
// Device object: names one camera of the scenario.

class SimDeviceHandle : public SimComObject<ISimDeviceHandle> {
public:
    explicit SimDeviceHandle(LONG lCamera) : SimComObject(IID_ISimDeviceHandle), m_lCamera(lCamera) {}
    LONG STDMETHODCALLTYPE CameraIndex() override { return m_lCamera; }

private:
    const LONG m_lCamera;
};

// The camera a device object names, or -1 when it is not one of ours.
LONG CameraOfDeviceObject(IUnknown *pDevice) {
    ComPtr<ISimDeviceHandle> pHandle;
    if (FAILED(pDevice->QueryInterface(IID_ISimDeviceHandle, pHandle.OutVoid())) || !pHandle) return -1;
    return pHandle->CameraIndex();
}

// ---------------------------------------------------------------------------
// CVMDevice.

class SimVMDevice : public SimComObject<ISimVMDevice> {
public:
    SimVMDevice() : SimComObject(IID_ISimVMDevice), m_ulRecords(0) { ZeroMemory(m_records, sizeof(m_records)); }

    HRESULT STDMETHODCALLTYPE EnumerateDevices(SimDeviceRecord *pRecords, ULONG *pulCount, ULONG ulCapacity) override {
        SimStateGuard guard;
        if (!guard.Get()) return SimStateError();
        SimLogEntry entry = SimNewCall(SIM_OP_ENUMERATE, -1, ulCapacity);
        return SimRunCall(guard.Get(), &entry, SIM_FAULT_FOR_OP,
                          [&]() -> HRESULT { return Enumerate(guard.Get(), pRecords, pulCount, ulCapacity, &entry); });
    }

    HRESULT STDMETHODCALLTYPE OpenDevice(WCHAR *pszDeviceString, UINT cchFriendlyName, IUnknown **ppDevice,
                                         ULONG *pulDeviceValue) override {
        SimStateGuard guard;
        if (!guard.Get()) return SimStateError();
        SimLogEntry entry = SimNewCall(SIM_OP_OPEN, -1, cchFriendlyName);
        return SimRunCall(guard.Get(), &entry, SIM_FAULT_FOR_OP, [&]() -> HRESULT {
            return Open(guard.Get(), pszDeviceString, cchFriendlyName, ppDevice, pulDeviceValue, &entry);
        });
    }

private:
    ~SimVMDevice() override { FreeRecords(); }

    void FreeRecords() {
        for (ULONG i = 0; i < m_ulRecords; ++i) {
            delete[] m_records[i].pszDeviceString;
            SysFreeString(m_records[i].bstrFriendlyName);
        }
        ZeroMemory(m_records, sizeof(m_records));
        m_ulRecords = 0;
    }

    // Builds the record of one camera into m_records[m_ulRecords].
    bool AddRecord(const SimCamera &cam) {
        size_t cchPrefix = wcslen(cam.recordPrefix);
        size_t cchString = cchPrefix + wcslen(cam.devicePath) + 1;
        WCHAR *pszString = new (std::nothrow) WCHAR[cchString];
        BSTR bstrName = SysAllocString(cam.name);
        if (!pszString || !bstrName) {
            delete[] pszString;
            SysFreeString(bstrName);
            return false;
        }
        (void)StringCchCopyW(pszString, cchString, cam.recordPrefix);
        (void)StringCchCatW(pszString, cchString, cam.devicePath);
        m_records[m_ulRecords].pszDeviceString = pszString;
        m_records[m_ulRecords].bstrFriendlyName = bstrName;
        ++m_ulRecords;
        return true;
    }

    // Lists the present cameras in scenario order, at most ulCapacity. The
    // strings stay owned by this object until the next enumeration.
    HRESULT Enumerate(const SimShared *pState, SimDeviceRecord *pRecords, ULONG *pulCount, ULONG ulCapacity,
                      SimLogEntry *pEntry) {
        if (!pulCount || (!pRecords && ulCapacity > 0)) return E_POINTER;
        FreeRecords();
        for (LONG i = 0; i < pState->cameraCount && m_ulRecords < ulCapacity; ++i) {
            if (!pState->cameras[i].present) continue;
            if (!AddRecord(pState->cameras[i])) {
                FreeRecords();
                return E_OUTOFMEMORY;
            }
        }
        for (ULONG i = 0; i < m_ulRecords; ++i) pRecords[i] = m_records[i];
        LONG lExtra = pState->enumerateOverreport > 0 ? pState->enumerateOverreport : 0;
        *pulCount = m_ulRecords + static_cast<ULONG>(lExtra);
        pEntry->arg[1] = *pulCount;
        pEntry->arg[2] = m_ulRecords;
        return S_OK;
    }

    // The present camera whose record string (prefix and path) is pszString.
    static LONG FindByRecordString(const SimShared *pState, const WCHAR *pszString) {
        for (LONG i = 0; i < pState->cameraCount; ++i) {
            const SimCamera &cam = pState->cameras[i];
            if (!cam.present) continue;
            size_t cchPrefix = wcslen(cam.recordPrefix);
            if (wcsncmp(pszString, cam.recordPrefix, cchPrefix) == 0 &&
                wcscmp(pszString + cchPrefix, cam.devicePath) == 0) {
                return i;
            }
        }
        return -1;
    }

    HRESULT Open(const SimShared *pState, const WCHAR *pszString, UINT cchFriendlyName, IUnknown **ppDevice,
                 ULONG *pulDeviceValue, SimLogEntry *pEntry) {
        if (!pszString || !ppDevice || !pulDeviceValue) return E_POINTER;
        LONG lCamera = FindByRecordString(pState, pszString);
        if (lCamera < 0) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        pEntry->camera = lCamera;
        // The caller passes the length of the record's friendly name.
        if (cchFriendlyName != wcslen(pState->cameras[lCamera].name)) return E_INVALIDARG;
        SimDeviceHandle *pHandle = new (std::nothrow) SimDeviceHandle(lCamera);
        if (!pHandle) return E_OUTOFMEMORY;
        *ppDevice = pHandle;
        *pulDeviceValue = SIM_DEVICE_VALUE_TAG | static_cast<ULONG>(lCamera);
        pEntry->arg[1] = *pulDeviceValue;
        return S_OK;
    }

    SimDeviceRecord m_records[SIMCAM_MAX_CAMERAS];
    ULONG m_ulRecords;
};

// ---------------------------------------------------------------------------
// CXUVMControl.

class SimXUVMControl : public SimComObject<ISimXUVMControl> {
public:
    SimXUVMControl() : SimComObject(IID_ISimXUVMControl), m_lCamera(-1) {}

    HRESULT STDMETHODCALLTYPE GetXUControl(ULONG ulSelector, ULONG ulLength, BYTE *pBuffer) override {
        SimLogEntry entry = SimNewCall(SIM_OP_GET_XU, -1, ulSelector, ulLength);
        return Transact(&entry, [&](SimCamera *pCam) -> HRESULT {
            if (!pBuffer) return E_POINTER;
            HRESULT hr = SimXUGet(pCam, ulSelector, ulLength, pBuffer);
            if (SUCCEEDED(hr)) LogBytes(&entry, pBuffer, ulLength);
            return hr;
        });
    }

    HRESULT STDMETHODCALLTYPE SetXUControl(ULONG ulSelector, ULONG ulLength, BYTE *pBuffer) override {
        SimLogEntry entry = SimNewCall(SIM_OP_SET_XU, -1, ulSelector, ulLength);
        LogBytes(&entry, pBuffer, ulLength);
        return Transact(&entry, [&](SimCamera *pCam) -> HRESULT {
            if (!pBuffer) return E_POINTER;
            return SimXUSet(pCam, ulSelector, ulLength, pBuffer);
        });
    }

    HRESULT STDMETHODCALLTYPE WriteChipRegister(USHORT usAddress, USHORT usValue) override {
        SimLogEntry entry = SimNewCall(SIM_OP_WRITE_CHIP, -1, usAddress, usValue);
        LONG lStallMs = 0;
        HRESULT hr = Transact(&entry, [&](SimCamera *pCam) -> HRESULT {
            SimChipWrite(pCam, usAddress, usValue);
            if (usAddress == SIM_CHIP_ANNOUNCE) lStallMs = pCam->announceStallMs;
            return S_OK;
        });
        // The test switch: the announce is done, the state lock is free.
        if (lStallMs > 0) Sleep(static_cast<DWORD>(lStallMs));
        return hr;
    }

    HRESULT STDMETHODCALLTYPE ReadChipRegister(USHORT usAddress, USHORT *pusValue) override {
        SimLogEntry entry = SimNewCall(SIM_OP_READ_CHIP, -1, usAddress);
        return Transact(&entry, [&](SimCamera *pCam) -> HRESULT {
            if (!pusValue) return E_POINTER;
            WORD value = SimChipRead(pCam, usAddress);
            *pusValue = value;
            entry.arg[1] = value;
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE ReadInfoValue(ULONG ulBusAddress, USHORT usIndex, USHORT *pusValue) override {
        SimLogEntry entry = SimNewCall(SIM_OP_READ_INFO, -1, ulBusAddress, usIndex);
        return Transact(&entry, [&](SimCamera *pCam) -> HRESULT {
            if (!pusValue) return E_POINTER;
            if (ulBusAddress != SIM_INFO_BUS_ADDRESS) return E_INVALIDARG;
            if (usIndex < SIM_INFO_FIRST_INDEX || usIndex >= SIM_INFO_FIRST_INDEX + SIM_INFO_COUNT) return E_INVALIDARG;
            WORD value = pCam->info[usIndex - SIM_INFO_FIRST_INDEX];
            *pusValue = value;
            entry.arg[2] = value;
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE BindDeviceValue(ULONG ulDeviceValue) override {
        SimLogEntry entry = SimNewCall(SIM_OP_BIND_VALUE, -1, ulDeviceValue);
        LONG lCamera = (ulDeviceValue & SIM_DEVICE_VALUE_MASK) == SIM_DEVICE_VALUE_TAG
                           ? static_cast<LONG>(ulDeviceValue & ~SIM_DEVICE_VALUE_MASK)
                           : -1;
        return Bind(&entry, lCamera);
    }

    HRESULT STDMETHODCALLTYPE BindDeviceObject(IUnknown *pDevice) override {
        // Asked before the lock is taken: the object may be anybody's.
        LONG lCamera = pDevice ? CameraOfDeviceObject(pDevice) : -1;
        SimLogEntry entry = SimNewCall(SIM_OP_BIND_OBJECT, -1, pDevice ? 1 : 0);
        return Bind(&entry, lCamera);
    }

private:
    // Runs one transfer to the bound camera under the lock: an injected
    // fault for it (its camera and arguments included) replaces it, an
    // unbound object or an unplugged camera fails it.
    template <class Body>
    HRESULT Transact(SimLogEntry *pEntry, Body body) {
        SimStateGuard guard;
        if (!guard.Get()) return SimStateError();
        pEntry->camera = m_lCamera;
        return SimRunCall(guard.Get(), pEntry, SIM_FAULT_FOR_CALL, [&]() -> HRESULT {
            SimCamera *pCam = guard.Camera(m_lCamera);
            if (!pCam) return SIM_E_NOT_BOUND;
            if (!pCam->present) return SIM_E_UNPLUGGED;
            return body(pCam);
        });
    }

    // The log entry names the camera bound after the call.
    HRESULT Bind(SimLogEntry *pEntry, LONG lCamera) {
        SimStateGuard guard;
        if (!guard.Get()) return SimStateError();
        pEntry->camera = m_lCamera;
        return SimRunCall(guard.Get(), pEntry, SIM_FAULT_FOR_OP, [&]() -> HRESULT {
            if (!guard.Camera(lCamera)) return E_INVALIDARG;
            m_lCamera = lCamera;
            pEntry->camera = m_lCamera;
            return S_OK;
        });
    }

    LONG m_lCamera;  // bound camera, -1 before a successful bind; under the state lock
};

// Creation through a class factory: logged and open to fault injection. A
// failing injected result refuses the object; a succeeding one (S_FALSE, say)
// hands the object out with that result.
template <class Object>
HRESULT CreateObject(SimOp op, REFIID riid, void **ppv) {
    *ppv = nullptr;
    SimStateGuard guard;
    if (!guard.Get()) return SimStateError();
    SimLogEntry entry = SimNewCall(op, -1);
    return SimRunCall(guard.Get(), &entry, SIM_FAULT_FOR_CREATION,
                      [&]() -> HRESULT { return SimHandOut(new (std::nothrow) Object(), riid, ppv); });
}

}  // namespace

HRESULT SimCreateVMDevice(REFIID riid, void **ppv) {
    return CreateObject<SimVMDevice>(SIM_OP_CREATE_VMDEVICE, riid, ppv);
}

HRESULT SimCreateXUVMControl(REFIID riid, void **ppv) {
    return CreateObject<SimXUVMControl>(SIM_OP_CREATE_XUCONTROL, riid, ppv);
}
