// XUComponent.h - the vendor's extension-unit component, as simcam.dll
// serves it: CVMDevice lists and opens the simulated cameras, CXUVMControl
// carries extension-unit transfers, bridge-chip register access and
// information reads to the camera it is bound to.
//
// The interface layouts below are written from the component's contract
// (operations by vtable slot), on purpose without the library's own
// declarations, so a test through simcam cross-checks the library's layout.
#ifndef KOR_SIMCAM_COMPONENT_XUCOMPONENT_H
#define KOR_SIMCAM_COMPONENT_XUCOMPONENT_H

#include <windows.h>
#include <unknwn.h>

// {A917C758-4119-11DA-AE0E-000D56AC7B4C}
extern const CLSID CLSID_SimVMDevice;
// {A917C759-4119-11DA-AE0E-000D56AC7B4C}
extern const IID IID_ISimVMDevice;
// {A917C75A-4119-11DA-AE0E-000D56AC7B4C}
extern const CLSID CLSID_SimXUVMControl;
// {A917C75B-4119-11DA-AE0E-000D56AC7B4C}
extern const IID IID_ISimXUVMControl;
// The device object handed out by OpenDevice answers this private interface
// (only inside simcam.dll), so BindDeviceObject can tell its own objects.
extern const IID IID_ISimDeviceHandle;

// One listed device: the first string is the record prefix (normally
// "@device:pnp:") followed by the device path, the second a BSTR with the
// friendly name. Both stay owned by the CVMDevice object that listed them.
struct SimDeviceRecord {
    WCHAR *pszDeviceString;
    WCHAR *bstrFriendlyName;
};

// Device value handed out by OpenDevice: SIM_DEVICE_VALUE_TAG | camera index.
#define SIM_DEVICE_VALUE_TAG  0x53430000u
#define SIM_DEVICE_VALUE_MASK 0xFFFF0000u

// Slot 3 and 4 (after IUnknown's three).
struct ISimVMDevice : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumerateDevices(SimDeviceRecord *pRecords, ULONG *pulCount,
                                                       ULONG ulCapacity) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenDevice(WCHAR *pszDeviceString, UINT cchFriendlyName, IUnknown **ppDevice,
                                                 ULONG *pulDeviceValue) = 0;
};

// Slots 3 to 22. The slots the component does not offer return E_NOTIMPL;
// their bodies are here, so the class that serves the interface writes only
// the slots it offers.
struct ISimXUVMControl : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved3() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE Reserved4() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE Reserved5() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE GetXUControl(ULONG ulSelector, ULONG ulLength, BYTE *pBuffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetXUControl(ULONG ulSelector, ULONG ulLength, BYTE *pBuffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved8() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE WriteChipRegister(USHORT usAddress, USHORT usValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadChipRegister(USHORT usAddress, USHORT *pusValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved11() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE Reserved12() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE Reserved13() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE ReadInfoValue(ULONG ulBusAddress, USHORT usIndex, USHORT *pusValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved15() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE Reserved16() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE Reserved17() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE Reserved18() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE Reserved19() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE Reserved20() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE BindDeviceValue(ULONG ulDeviceValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE BindDeviceObject(IUnknown *pDevice) = 0;
};

// Bus address of the information block read by ReadInfoValue, and its
// indexes: 150 year (two digits), 151 month, 152 day, 153 firmware version.
#define SIM_INFO_BUS_ADDRESS 160u
#define SIM_INFO_FIRST_INDEX 150u
#define SIM_INFO_COUNT       4u

// Class factory entry points (server/Module.cpp's class table).
HRESULT SimCreateVMDevice(REFIID riid, void **ppv);
HRESULT SimCreateXUVMControl(REFIID riid, void **ppv);

#endif  // KOR_SIMCAM_COMPONENT_XUCOMPONENT_H
