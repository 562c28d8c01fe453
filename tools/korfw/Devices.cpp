// Devices.cpp - listing the video-input devices through the system device
// enumerator. Written against the platform's headers only (no helper
// classes), so a reader can lift it into a program of their own: every
// interface pointer is released by hand, once, where it stops being used.
#include "Devices.h"

#include <objbase.h>
#include <oleauto.h>
#include <strmif.h>
#include <uuids.h>
#include <strsafe.h>

#include "KORFwSw.h"

namespace {

// One string value of the device's property bag; empty when it has none.
std::wstring ReadProperty(IPropertyBag *pBag, const WCHAR *pszName) {
    std::wstring value;
    VARIANT var;
    VariantInit(&var);
    if (SUCCEEDED(pBag->Read(pszName, &var, nullptr)) && var.vt == VT_BSTR && var.bstrVal) {
        value.assign(var.bstrVal, SysStringLen(var.bstrVal));
    }
    (void)VariantClear(&var);
    return value;
}

// IsKORCamera lowercases its argument: it gets a copy.
bool IsAccepted(const std::wstring &path) {
    if (path.empty()) return false;
    WCHAR szPath[1024];
    if (FAILED(StringCchCopyW(szPath, ARRAYSIZE(szPath), path.c_str()))) return false;
    return IsKORCamera(szPath) == 1;
}

}  // namespace

HRESULT ListVideoDevices(std::vector<VideoDevice> *pDevices) {
    pDevices->clear();
    ICreateDevEnum *pDevEnum = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                  reinterpret_cast<void **>(&pDevEnum));
    if (FAILED(hr)) return hr;
    IEnumMoniker *pEnum = nullptr;
    hr = pDevEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &pEnum, 0);
    pDevEnum->Release();
    // S_FALSE: the category is empty, and there is no enumerator.
    if (hr != S_OK) return FAILED(hr) ? hr : S_OK;

    IMoniker *pMoniker = nullptr;
    while (pEnum->Next(1, &pMoniker, nullptr) == S_OK) {
        IPropertyBag *pBag = nullptr;
        if (SUCCEEDED(pMoniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void **>(&pBag)))) {
            VideoDevice device;
            device.name = ReadProperty(pBag, L"FriendlyName");
            device.path = ReadProperty(pBag, L"DevicePath");
            device.bAccepted = IsAccepted(device.path);
            pDevices->push_back(device);
            pBag->Release();
        }
        pMoniker->Release();
        pMoniker = nullptr;
    }
    pEnum->Release();
    return S_OK;
}
