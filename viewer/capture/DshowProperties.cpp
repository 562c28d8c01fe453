// DshowProperties.cpp - DShowManager: the camera's image properties and the
// filters' property pages.
#include <windows.h>

#include <olectl.h>
#include <strsafe.h>

#include "DebugPrint.h"
#include "Dshow.h"
#include "DshowShared.h"

// One property through IAMVideoProcAmp or IAMCameraControl. Returns the
// Get's result; the out-values are written only when it succeeds.
HRESULT DShowManager::ReadProperty(bool cameraControl, long property, long *pValue, long *pFlags) {
    long value = 0, flags = 0;
    HRESULT hr;
    if (cameraControl) {
        ComPtr<IAMCameraControl> control;
        if (FAILED(m_pCapFilter->QueryInterface(IID_IAMCameraControl, control.OutVoid()))) {
            OutputDebugStringW(L"Queru interface failed\r\n");
            return E_NOINTERFACE;
        }
        hr = control->Get(property, &value, &flags);
    } else {
        ComPtr<IAMVideoProcAmp> procAmp;
        if (FAILED(m_pCapFilter->QueryInterface(IID_IAMVideoProcAmp, procAmp.OutVoid()))) {
            OutputDebugStringW(L"Queru interface failed\r\n");
            return E_NOINTERFACE;
        }
        hr = procAmp->Get(property, &value, &flags);
    }
    if (SUCCEEDED(hr)) {
        *pValue = value;
        *pFlags = flags;
    }
    return hr;
}

void DShowManager::ReadValue(long property, int *pValue) {
    if (!m_pCapFilter || !pValue) return;
    long value = 0, flags = 0;
    if (SUCCEEDED(ReadProperty(false, property, &value, &flags))) *pValue = static_cast<int>(value);
}

void DShowManager::ReadReading(bool cameraControl, long property, PropertyReading *pReading) {
    if (!m_pCapFilter || !pReading) return;
    long value = 0, flags = 0;
    if (FAILED(ReadProperty(cameraControl, property, &value, &flags))) return;
    pReading->Value = static_cast<int>(value);
    if (flags == 2)
        pReading->Mode = 2;
    else if (flags == 1)
        pReading->Mode = 1;
}

void DShowManager::GetBrightness(int *pValue) { ReadValue(VideoProcAmp_Brightness, pValue); }
void DShowManager::GetContrast(int *pValue) { ReadValue(VideoProcAmp_Contrast, pValue); }
void DShowManager::GetSaturation(int *pValue) { ReadValue(VideoProcAmp_Saturation, pValue); }
void DShowManager::GetSharpness(int *pValue) { ReadValue(VideoProcAmp_Sharpness, pValue); }

void DShowManager::GetGamma(int *pValue) {
    if (!m_pCapFilter || !pValue) return;
    ComPtr<IAMVideoProcAmp> procAmp;
    if (FAILED(m_pCapFilter->QueryInterface(IID_IAMVideoProcAmp, procAmp.OutVoid()))) {
        OutputDebugStringW(L"Queru interface failed\r\n");
        return;
    }
    long value = 0, flags = 0;
    HRESULT hr = procAmp->Get(VideoProcAmp_Gamma, &value, &flags);
    (void)StringCchPrintfW(m_MsgBuffer, ARRAYSIZE(m_MsgBuffer), L"GammaFlag: %d\n", flags);
    OutputDebugStringW(m_MsgBuffer);
    if (SUCCEEDED(hr)) *pValue = static_cast<int>(value);
}

void DShowManager::GetWhiteBalance(PropertyReading *pReading) {
    ReadReading(false, VideoProcAmp_WhiteBalance, pReading);
}

void DShowManager::GetExposure(PropertyReading *pReading) { ReadReading(true, CameraControl_Exposure, pReading); }

bool ShowPropertyFrame(IUnknown *pObject, HWND hWndOwner, int x, int y, LPCWSTR pszCaption) {
    if (!pObject) return false;
    // The frame is modal: the object is held for as long as it is open,
    // whatever its owner releases meanwhile.
    ComPtr<IUnknown> object(pObject);
    ComPtr<ISpecifyPropertyPages> pages;
    if (object->QueryInterface(IID_ISpecifyPropertyPages, pages.OutVoid()) != S_OK) return false;
    CAUUID cauuid = {0, nullptr};
    HRESULT hr = pages->GetPages(&cauuid);
    pages.Clear();
    if (FAILED(hr)) return false;
    IUnknown *pFrameObject = object.Get();
    (void)OleCreatePropertyFrame(hWndOwner, x, y, pszCaption, 1, &pFrameObject, cauuid.cElems, cauuid.pElems, 0, 0,
                                 nullptr);
    CoTaskMemFree(cauuid.pElems);
    return true;
}

void DShowManager::ShowRendererPropPage() {
    (void)ShowPropertyFrame(m_pVideoRender.Get(), nullptr, 0, 0, L"Video Source");
}

void DShowManager::ShowCapFilterPropPage() { (void)ShowPropertyFrame(m_pCapFilter.Get(), m_hWndMain, 30, 30, nullptr); }
