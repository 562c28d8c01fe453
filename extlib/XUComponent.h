// XUComponent.h - the camera vendor's extension-unit component, as this
// library sees it.
//
// Two in-process COM classes: CVMDevice lists and opens capture devices,
// CXUVMControl carries extension-unit transfers, bridge-chip register access
// and information reads for the opened device. The vtables below follow the
// component's slot order exactly; slots the library never calls are kept as
// placeholders so the ones it does call sit where the component has them.
// Every operation returns 0 on success unless its comment says otherwise.
#ifndef KOR_EXTLIB_XUCOMPONENT_H
#define KOR_EXTLIB_XUCOMPONENT_H

#include <windows.h>
#include <oleauto.h>

extern const CLSID CLSID_CVMDevice;     // {A917C758-4119-11DA-AE0E-000D56AC7B4C}
extern const IID IID_IVMDevice;         // {A917C759-4119-11DA-AE0E-000D56AC7B4C}
extern const CLSID CLSID_CXUVMControl;  // {A917C75A-4119-11DA-AE0E-000D56AC7B4C}
extern const IID IID_IXUVMControl;      // {A917C75B-4119-11DA-AE0E-000D56AC7B4C}

// One listed capture device. Both strings belong to the component.
struct DeviceRecord {
    WCHAR *pszDeviceName;  // 12-character prefix, then the device interface path
    BSTR bstrDescription;  // only its length is used
};

// The most records the library asks EnumerateDevices for.
const ULONG kDeviceRecordCapacity = 10;

// Length of the prefix before the interface path in DeviceRecord::pszDeviceName.
const size_t kDeviceNamePrefixCch = 12;

// CVMDevice: the device lister.
struct IVMDevice : public IUnknown {
    // Slot 3. Fills up to ulCapacity records and reports the device count.
    virtual HRESULT STDMETHODCALLTYPE EnumerateDevices(DeviceRecord *pRecords, ULONG *pulCount, ULONG ulCapacity) = 0;
    // Slot 4. Opens a listed device: pszDeviceName is the record's first
    // string, cchDescription the character count of its second string.
    // Hands out a device object (one reference) and a device value.
    virtual HRESULT STDMETHODCALLTYPE OpenDevice(WCHAR *pszDeviceName, UINT cchDescription, IUnknown **ppDeviceObject,
                                                 DWORD *pdwDeviceValue) = 0;
};

// CXUVMControl: the register object of the opened device.
struct IXUVMControl : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Unused3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused5() = 0;
    // Slot 6. Reads ulLength bytes of extension-unit control ulSelector.
    virtual HRESULT STDMETHODCALLTYPE GetXUControl(ULONG ulSelector, ULONG ulLength, BYTE *pBuffer) = 0;
    // Slot 7. Writes ulLength bytes to extension-unit control ulSelector.
    virtual HRESULT STDMETHODCALLTYPE SetXUControl(ULONG ulSelector, ULONG ulLength, BYTE *pBuffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused8() = 0;
    // Slot 9. Writes a 16-bit bridge-chip register.
    virtual HRESULT STDMETHODCALLTYPE WriteChipRegister(USHORT usAddress, USHORT usValue) = 0;
    // Slot 10. Reads a 16-bit bridge-chip register into a caller-zeroed value.
    virtual HRESULT STDMETHODCALLTYPE ReadChipRegister(USHORT usAddress, USHORT *pusValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused11() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused12() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused13() = 0;
    // Slot 14. Reads one value of the information block at usBusAddress.
    // An HRESULT: success when not negative.
    virtual HRESULT STDMETHODCALLTYPE ReadInfoValue(ULONG ulBusAddress, USHORT usIndex, USHORT *pusValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused15() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused16() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused17() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused18() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused19() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused20() = 0;
    // Slot 21. Binds the object to the device value from OpenDevice.
    virtual HRESULT STDMETHODCALLTYPE BindDeviceValue(DWORD dwDeviceValue) = 0;
    // Slot 22. Binds the object to the device object from OpenDevice.
    virtual HRESULT STDMETHODCALLTYPE BindDeviceObject(IUnknown *pDeviceObject) = 0;
};

#endif  // KOR_EXTLIB_XUCOMPONENT_H
