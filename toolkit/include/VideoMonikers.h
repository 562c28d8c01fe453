// VideoMonikers.h - the video-input devices' monikers, as the system device
// enumerator lists them.
#ifndef KOR_TOOLKIT_INCLUDE_VIDEOMONIKERS_H
#define KOR_TOOLKIT_INCLUDE_VIDEOMONIKERS_H

#include <windows.h>
#include <dshow.h>

#include "ComCreate.h"
#include "ComPtr.h"
#include "PropertyBag.h"

// The enumerator of CLSID_VideoInputDeviceCategory; empty when the category
// is empty or the system device enumerator fails.
inline ComPtr<IEnumMoniker> EnumVideoMonikers() {
    ComPtr<ICreateDevEnum> devEnum;
    ComPtr<IEnumMoniker> monikers;
    if (FAILED(CreateComObject(CLSID_SystemDeviceEnum, IID_ICreateDevEnum, devEnum))) return monikers;
    if (devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) != S_OK) monikers.Clear();
    return monikers;
}

// The video-input device whose "DevicePath" is this one (compared without
// case), or empty.
inline ComPtr<IMoniker> FindVideoMoniker(const WCHAR *pszDevicePath) {
    ComPtr<IEnumMoniker> monikers = EnumVideoMonikers();
    ComPtr<IMoniker> moniker;
    while (monikers && monikers->Next(1, &moniker, nullptr) == S_OK) {
        ComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.OutVoid()))) continue;
        WCHAR szPath[512] = L"";
        if (ReadPropertyBagString(bag.Get(), L"DevicePath", szPath, ARRAYSIZE(szPath)) &&
            lstrcmpiW(szPath, pszDevicePath) == 0)
            return moniker;
    }
    return ComPtr<IMoniker>();
}

#endif  // KOR_TOOLKIT_INCLUDE_VIDEOMONIKERS_H
