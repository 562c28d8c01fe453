// DShowTestSupport.cpp - device listing, the viewer-shaped graph and the
// Sample Grabber callback for the DirectShow tests.
#include "DShowTestSupport.h"

#include "VideoMonikers.h"

#include <gtest/gtest.h>

#include "SimCamControl.h"
#include "common/TestKit.h"

namespace dshowtest {

// ---------------------------------------------------------------------------
// GrabberCallback

GrabberCallback::GrabberCallback()
    : FakeComObject(FAKE_COUNT_ONLY), m_hEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)), m_bKeepBytes(true) {}

GrabberCallback::~GrabberCallback() {
    if (m_hEvent) CloseHandle(m_hEvent);
}

STDMETHODIMP GrabberCallback::BufferCB(double SampleTime, BYTE *pBuffer, LONG BufferLen) {
    GrabbedSample sample;
    sample.dTime = SampleTime;
    sample.dwTick = GetTickCount();
    {
        CritSecLock lock(m_cs);
        if (m_bKeepBytes && pBuffer && BufferLen > 0)
            sample.bytes.assign(pBuffer, pBuffer + BufferLen);
        else
            sample.bytes.resize(BufferLen > 0 ? static_cast<size_t>(BufferLen) : 0);
        m_Samples.push_back(std::move(sample));
    }
    SetEvent(m_hEvent);
    return S_OK;
}

bool GrabberCallback::WaitFor(size_t cCount, DWORD dwMs) {
    DWORD dwStart = GetTickCount();
    for (;;) {
        if (Count() >= cCount) return true;
        DWORD dwElapsed = GetTickCount() - dwStart;
        if (dwElapsed >= dwMs) return false;
        WaitForSingleObject(m_hEvent, dwMs - dwElapsed);
    }
}

size_t GrabberCallback::Count() {
    CritSecLock lock(m_cs);
    return m_Samples.size();
}

std::vector<GrabbedSample> GrabberCallback::Samples() {
    CritSecLock lock(m_cs);
    return m_Samples;
}

void GrabberCallback::Clear() {
    CritSecLock lock(m_cs);
    m_Samples.clear();
}

// ---------------------------------------------------------------------------
// Devices

std::vector<VideoDevice> ListVideoDevices(std::vector<IMoniker *> *pMonikers) {
    std::vector<VideoDevice> devices;
    ComPtr<IEnumMoniker> pEnum = EnumVideoMonikers();
    IMoniker *pMoniker = nullptr;
    while (pEnum && pEnum->Next(1, &pMoniker, nullptr) == S_OK) {
        VideoDevice device;
        ComPtr<IPropertyBag> pBag;
        if (SUCCEEDED(pMoniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void **>(&pBag)))) {
            device.name = PropertyBagText(pBag.Get(), L"FriendlyName");
            device.path = PropertyBagText(pBag.Get(), L"DevicePath");
        }
        LPOLESTR pszDisplay = nullptr;
        if (SUCCEEDED(pMoniker->GetDisplayName(nullptr, nullptr, &pszDisplay)) && pszDisplay) {
            device.displayName = pszDisplay;
            CoTaskMemFree(pszDisplay);
        }
        devices.push_back(device);
        if (pMonikers)
            pMonikers->push_back(pMoniker);
        else
            pMoniker->Release();
        pMoniker = nullptr;
    }
    return devices;
}

void ReleaseMonikers(std::vector<IMoniker *> *pMonikers) {
    for (IMoniker *pMoniker : *pMonikers) pMoniker->Release();
    pMonikers->clear();
}

HRESULT BindVideoDevice(size_t iPosition, IBaseFilter **ppFilter) {
    std::vector<IMoniker *> monikers;
    ListVideoDevices(&monikers);
    HRESULT hr = E_INVALIDARG;
    if (iPosition < monikers.size()) {
        hr = monikers[iPosition]->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void **>(ppFilter));
    }
    ReleaseMonikers(&monikers);
    return hr;
}

// ---------------------------------------------------------------------------
// Pins and formats

HRESULT FindPinByCategory(IBaseFilter *pFilter, const GUID &category, IPin **ppPin) {
    ComPtr<ICaptureGraphBuilder2> pBuilder;
    HRESULT hr = CreateComObject(CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2, pBuilder);
    if (FAILED(hr)) return hr;
    return pBuilder->FindPin(pFilter, PINDIR_OUTPUT, &category, &MEDIATYPE_Video, FALSE, 0, ppPin);
}

HRESULT StreamConfigOf(IBaseFilter *pFilter, const GUID &category, IAMStreamConfig **ppConfig) {
    ComPtr<ICaptureGraphBuilder2> pBuilder;
    HRESULT hr = CreateComObject(CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2, pBuilder);
    if (FAILED(hr)) return hr;
    return pBuilder->FindInterface(&category, &MEDIATYPE_Video, pFilter, IID_IAMStreamConfig,
                                   reinterpret_cast<void **>(ppConfig));
}

FormatInfo InfoOf(const AM_MEDIA_TYPE *pmt) {
    FormatInfo info = {0, 0, 0, 0};
    if (!pmt || !IsEqualGUID(pmt->formattype, FORMAT_VideoInfo) || pmt->cbFormat < sizeof(VIDEOINFOHEADER) ||
        !pmt->pbFormat) {
        return info;
    }
    const VIDEOINFOHEADER *pVih = reinterpret_cast<const VIDEOINFOHEADER *>(pmt->pbFormat);
    info.fourcc = pmt->subtype.Data1;
    info.width = pVih->bmiHeader.biWidth;
    info.height = pVih->bmiHeader.biHeight;
    info.interval = pVih->AvgTimePerFrame;
    return info;
}

// ---------------------------------------------------------------------------
// CameraGraph

CameraGraph::~CameraGraph() {
    if (m_pGraph) (void)Stop();
}

HRESULT CameraGraph::Create(size_t iDevice) {
    HRESULT hr = CreateComObject(CLSID_FilterGraph, IID_IGraphBuilder, m_pGraph);
    if (SUCCEEDED(hr)) hr = CreateComObject(CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2, m_pBuilder);
    if (SUCCEEDED(hr)) hr = m_pBuilder->SetFiltergraph(m_pGraph.Get());
    std::vector<VideoDevice> devices = ListVideoDevices();
    if (SUCCEEDED(hr) && iDevice >= devices.size()) hr = E_INVALIDARG;
    if (SUCCEEDED(hr)) hr = BindVideoDevice(iDevice, &m_pCapFilter);
    if (SUCCEEDED(hr)) hr = m_pGraph->AddFilter(m_pCapFilter.Get(), devices[iDevice].name.c_str());
    const struct {
        ComPtr<IBaseFilter> CameraGraph::*pMember;
        const CLSID *pClsid;
        const WCHAR *pszName;
    } others[] = {
        {&CameraGraph::m_pStillGrabber, &kCLSID_SampleGrabber, L"SampleGrab"},
        {&CameraGraph::m_pStillNull, &kCLSID_NullRenderer, L"Null Filter"},
        {&CameraGraph::m_pCaptureGrabber, &kCLSID_SampleGrabber, L"CaptureGrab"},
        {&CameraGraph::m_pCaptureNull, &kCLSID_NullRenderer, L"Null Filter2"},
    };
    for (const auto &other : others) {
        ComPtr<IBaseFilter> &pFilter = this->*other.pMember;
        if (SUCCEEDED(hr)) hr = CreateComObject(*other.pClsid, IID_IBaseFilter, pFilter);
        if (SUCCEEDED(hr)) hr = m_pGraph->AddFilter(pFilter.Get(), other.pszName);
    }
    return hr;
}

namespace {

HRESULT SetGrabberCallback(IBaseFilter *pGrabberFilter, GrabberCallback *pCallback) {
    ISampleGrabber *pGrabber = nullptr;
    HRESULT hr = pGrabberFilter->QueryInterface(kIID_ISampleGrabber, reinterpret_cast<void **>(&pGrabber));
    if (FAILED(hr)) return hr;
    (void)pGrabber->SetOneShot(FALSE);
    (void)pGrabber->SetBufferSamples(TRUE);
    hr = pGrabber->SetCallback(pCallback, 1);
    pGrabber->Release();
    return hr;
}

}  // namespace

HRESULT CameraGraph::RenderCapture(bool bWithGrabber) {
    HRESULT hr = m_pBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_pCapFilter.Get(),
                                          bWithGrabber ? m_pCaptureGrabber.Get() : nullptr, m_pCaptureNull.Get());
    if (SUCCEEDED(hr) && bWithGrabber) hr = SetGrabberCallback(m_pCaptureGrabber.Get(), &m_CaptureCallback);
    return hr;
}

HRESULT CameraGraph::RenderStill() {
    HRESULT hr = m_pBuilder->RenderStream(&PIN_CATEGORY_STILL, &MEDIATYPE_Video, m_pCapFilter.Get(),
                                          m_pStillGrabber.Get(), m_pStillNull.Get());
    if (SUCCEEDED(hr)) hr = SetGrabberCallback(m_pStillGrabber.Get(), &m_StillCallback);
    return hr;
}

HRESULT CameraGraph::Run() {
    ComPtr<IMediaControl> pControl;
    HRESULT hr = m_pGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void **>(&pControl));
    return SUCCEEDED(hr) ? pControl->Run() : hr;
}

HRESULT CameraGraph::Stop() {
    ComPtr<IMediaControl> pControl;
    HRESULT hr = m_pGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void **>(&pControl));
    return SUCCEEDED(hr) ? pControl->Stop() : hr;
}

HRESULT CameraGraph::Trigger() {
    ComPtr<IAMVideoControl> pVideoControl;
    HRESULT hr = m_pCapFilter->QueryInterface(IID_IAMVideoControl, reinterpret_cast<void **>(&pVideoControl));
    ComPtr<IPin> pStill;
    if (SUCCEEDED(hr)) hr = FindPinByCategory(m_pCapFilter.Get(), PIN_CATEGORY_STILL, &pStill);
    return SUCCEEDED(hr) ? pVideoControl->SetMode(pStill.Get(), VideoControlFlag_Trigger) : hr;
}

HRESULT CameraGraph::SetStillFormat(DWORD dwFourcc, LONG lWidth, LONG lHeight) {
    return SetPinFormat(PIN_CATEGORY_STILL, dwFourcc, lWidth, lHeight);
}

HRESULT CameraGraph::SetPinFormat(const GUID &category, DWORD dwFourcc, LONG lWidth, LONG lHeight) {
    HRESULT hr = Stop();
    ComPtr<IAMStreamConfig> pConfig;
    if (SUCCEEDED(hr)) hr = StreamConfigOf(m_pCapFilter.Get(), category, &pConfig);
    int iCount = 0, iSize = 0;
    if (SUCCEEDED(hr)) hr = pConfig->GetNumberOfCapabilities(&iCount, &iSize);
    if (FAILED(hr)) return hr;
    std::vector<BYTE> caps(static_cast<size_t>(iSize > 128 ? iSize : 128));
    for (int i = 0; i < iCount; ++i) {
        MediaTypePtr pmt;
        if (pConfig->GetStreamCaps(i, &pmt, caps.data()) != S_OK) continue;
        FormatInfo info = InfoOf(pmt.Get());
        if (info.fourcc == dwFourcc && info.width == lWidth && info.height == lHeight)
            return pConfig->SetFormat(pmt.Get());
    }
    return VFW_E_NOT_FOUND;
}

}  // namespace dshowtest
