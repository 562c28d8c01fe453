// FakeDevice.cpp - the fake image controls and stream configuration.
#include "FakeDevice.h"

#include <string.h>

#include "MediaType.h"

namespace {

FakeControl Control(long lMin, long lMax, long lStep, long lDefault, long lCaps, long lValue, long lFlags) {
    FakeControl ctl = {true, {lMin, lMax, lStep, lDefault, lCaps, lFlags}, lValue, lFlags, S_OK, 0};
    return ctl;
}

}  // namespace

FakeImageControls::FakeImageControls(bool bCameraControl)
    : FakeComObject(FAKE_COUNT_ONLY),
      procAmp(),
      exposure(),
      m_bCameraControl(bCameraControl),
      m_ProcAmp(this),
      m_Camera(this) {
    procAmp[VideoProcAmp_Brightness] = Control(0, 255, 1, 128, 2, 100, 2);
    procAmp[VideoProcAmp_Contrast] = Control(0, 255, 1, 32, 2, 32, 2);
    procAmp[VideoProcAmp_Saturation] = Control(0, 255, 1, 64, 2, 64, 2);
    procAmp[VideoProcAmp_Sharpness] = Control(0, 255, 1, 24, 2, 24, 2);
    procAmp[VideoProcAmp_Gamma] = Control(72, 500, 1, 100, 2, 100, 2);
    procAmp[VideoProcAmp_WhiteBalance] = Control(2800, 6500, 10, 4600, 3, 4600, 1);
    exposure = Control(-11, -1, 1, -5, 3, -5, 1);
}

HRESULT FakeImageControls::QueryOther(REFIID riid, void **ppv) {
    if (riid == IID_IAMVideoProcAmp)
        *ppv = static_cast<IAMVideoProcAmp *>(&m_ProcAmp);
    else if (riid == IID_IAMCameraControl && m_bCameraControl)
        *ppv = static_cast<IAMCameraControl *>(&m_Camera);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

FakeControl *FakeImageControls::Find(SimControlSet set, long lProperty) {
    FakeControl *pCtl = nullptr;
    if (set == SIM_CONTROLS_CAMERA)
        pCtl = lProperty == CameraControl_Exposure ? &exposure : nullptr;
    else if (lProperty >= 0 && lProperty < 8)
        pCtl = &procAmp[lProperty];
    return pCtl && pCtl->bPresent ? pCtl : nullptr;
}

HRESULT SimControlGetRange(FakeImageControls *pOwner, SimControlSet set, long lProperty, long *pMin, long *pMax,
                           long *pStep, long *pDefault, long *pCapsFlags) {
    const FakeControl *pCtl = pOwner->Find(set, lProperty);
    if (!pCtl) return E_PROP_ID_UNSUPPORTED;
    SimReportRange(pCtl->range, pMin, pMax, pStep, pDefault, pCapsFlags);
    return S_OK;
}

HRESULT SimControlSetValue(FakeImageControls *pOwner, SimControlSet set, long lProperty, long lValue, long lFlags) {
    FakeControl *pCtl = pOwner->Find(set, lProperty);
    if (!pCtl) return E_PROP_ID_UNSUPPORTED;
    ++pCtl->cSetCalls;
    if (FAILED(pCtl->hrSet)) return pCtl->hrSet;
    pCtl->lValue = lValue;
    pCtl->lFlags = lFlags;
    return S_OK;
}

HRESULT SimControlGetValue(FakeImageControls *pOwner, SimControlSet set, long lProperty, long *plValue, long *plFlags) {
    const FakeControl *pCtl = pOwner->Find(set, lProperty);
    if (!pCtl) return E_PROP_ID_UNSUPPORTED;
    *plValue = pCtl->lValue;
    *plFlags = pCtl->lFlags;
    return S_OK;
}

AM_MEDIA_TYPE *FakeMediaType(const FakeFormat &format) {
    AM_MEDIA_TYPE *pmt = static_cast<AM_MEDIA_TYPE *>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    VIDEOINFOHEADER *pVih = static_cast<VIDEOINFOHEADER *>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (!pmt || !pVih) {
        CoTaskMemFree(pmt);
        CoTaskMemFree(pVih);
        return nullptr;
    }
    ZeroMemory(pmt, sizeof(*pmt));
    ZeroMemory(pVih, sizeof(*pVih));
    pVih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    pVih->bmiHeader.biWidth = format.lWidth;
    pVih->bmiHeader.biHeight = format.lHeight;
    pVih->bmiHeader.biPlanes = 1;
    pVih->bmiHeader.biBitCount = format.dwFourCC == MAKEFOURCC('Y', 'U', 'Y', '2') ? 16 : 24;
    pVih->bmiHeader.biCompression = format.dwFourCC;
    pmt->majortype = MEDIATYPE_Video;
    pmt->subtype = MEDIASUBTYPE_YUY2;
    pmt->subtype.Data1 = format.dwFourCC;  // FOURCC subtypes differ only here
    pmt->formattype = FORMAT_VideoInfo;
    pmt->cbFormat = sizeof(VIDEOINFOHEADER);
    pmt->pbFormat = reinterpret_cast<BYTE *>(pVih);
    return pmt;
}

FakeStreamConfig::FakeStreamConfig(const std::vector<FakeFormat> &capList, int iSize)
    : FakeComObject(FAKE_COUNT_ONLY),
      caps(capList),
      iCapsSize(iSize),
      current(capList.empty() ? FakeFormat() : capList[0]),
      hrSetFormat(S_OK),
      cSetFormatCalls(0) {}

STDMETHODIMP FakeStreamConfig::SetFormat(AM_MEDIA_TYPE *pmt) {
    ++cSetFormatCalls;
    const VIDEOINFOHEADER *pVih = VideoInfoOf(pmt);
    if (!pVih) return E_INVALIDARG;
    if (FAILED(hrSetFormat)) return hrSetFormat;
    current.dwFourCC = pmt->subtype.Data1;
    current.lWidth = pVih->bmiHeader.biWidth;
    current.lHeight = pVih->bmiHeader.biHeight;
    return S_OK;
}

STDMETHODIMP FakeStreamConfig::GetFormat(AM_MEDIA_TYPE **ppmt) {
    if (!ppmt) return E_POINTER;
    *ppmt = FakeMediaType(current);
    return *ppmt ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP FakeStreamConfig::GetNumberOfCapabilities(int *piCount, int *piSize) {
    if (!piCount || !piSize) return E_POINTER;
    *piCount = static_cast<int>(caps.size());
    *piSize = iCapsSize;
    return S_OK;
}

STDMETHODIMP FakeStreamConfig::GetStreamCaps(int iIndex, AM_MEDIA_TYPE **ppmt, BYTE *pSCC) {
    if (!ppmt || !pSCC) return E_POINTER;
    if (iIndex < 0 || iIndex >= static_cast<int>(caps.size())) return S_FALSE;
    // Like a video pin: the whole video capability, whatever size it reported.
    VIDEO_STREAM_CONFIG_CAPS scc;
    ZeroMemory(&scc, sizeof(scc));
    scc.guid = FORMAT_VideoInfo;
    scc.InputSize.cx = scc.MinOutputSize.cx = scc.MaxOutputSize.cx = caps[iIndex].lWidth;
    scc.InputSize.cy = scc.MinOutputSize.cy = scc.MaxOutputSize.cy = caps[iIndex].lHeight;
    memcpy(pSCC, &scc, sizeof(scc));
    *ppmt = FakeMediaType(caps[iIndex]);
    return *ppmt ? S_OK : E_OUTOFMEMORY;
}
