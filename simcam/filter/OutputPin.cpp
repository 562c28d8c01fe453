// OutputPin.cpp - the capture filter's output pins: identity, connection and
// allocator negotiation, stream configuration and the pin category.
// Streaming lives in PinStream.cpp.
#include "filter/OutputPin.h"

#include <strsafe.h>

#include "ComCreate.h"
#include "server/SimGuids.h"
#include "SimTrace.h"
#include "SimCallLog.h"
#include "filter/Enumerators.h"
#include "filter/MediaTypes.h"
#include "filter/SourceFilter.h"

namespace {

// A capture pin keeps a few frames in flight: one being filled, and the
// copies a Smart Tee makes from the same allocator for its two outputs.
const LONG kCaptureBuffers = 4;
const LONG kStillBuffers = 2;

const WCHAR *PinName(SimPinKind kind) { return kind == SIM_PIN_CAPTURE ? L"Capture" : L"Still"; }

const GUID &PinCategory(SimPinKind kind) { return kind == SIM_PIN_CAPTURE ? PIN_CATEGORY_CAPTURE : PIN_CATEGORY_STILL; }

}  // namespace

SimOutputPin::SimOutputPin(SimSourceFilter *pFilter, SimPinKind kind)
    : m_pFilter(pFilter),
      m_Kind(kind),
      m_ConnectedCap(),
      m_rtInterval(0),
      m_hThread(nullptr),
      m_hWake(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_bExit(false),
      m_bRunning(false),
      m_tStart(0),
      m_llQpcStart(0),
      m_lPendingStills(0),
      m_bFlowStopped(false),
      m_dwFrameNumber(0),
      m_lFramesSinceRun(0),
      m_rtFirstFrame(0),
      m_rtLastFrame(0) {
    if (!m_hWake) SimTraceLastError(L"CreateEvent (pin wake-up)");
}

SimOutputPin::~SimOutputPin() {
    Deactivate();
    ClearConnection();
    if (m_hWake) CloseHandle(m_hWake);
}

// ---------------------------------------------------------------------------
// IUnknown

STDMETHODIMP SimOutputPin::QueryInterface(REFIID riid, void **ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPin)) {
        *ppv = static_cast<IPin *>(this);
    } else if (IsEqualIID(riid, IID_IAMStreamConfig)) {
        *ppv = static_cast<IAMStreamConfig *>(this);
    } else if (IsEqualIID(riid, IID_IKsPropertySet)) {
        *ppv = static_cast<IKsPropertySet *>(this);
    } else if (IsEqualIID(riid, IID_ISpecifyPropertyPages) && m_Kind == SIM_PIN_CAPTURE) {
        *ppv = static_cast<ISpecifyPropertyPages *>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) SimOutputPin::AddRef() { return m_pFilter->AddRef(); }

STDMETHODIMP_(ULONG) SimOutputPin::Release() { return m_pFilter->Release(); }

// ---------------------------------------------------------------------------
// Formats

HRESULT SimOutputPin::ReadFormats(SimPinFormats *pFormats) {
    ZeroMemory(pFormats, sizeof(*pFormats));
    SimStateGuard state;
    SimCamera *pCam = state.Get() ? state.Camera(m_pFilter->CameraIndex()) : nullptr;
    if (!pCam) return VFW_E_NOT_FOUND;
    LONG lOwnSizeBit = m_Kind == SIM_PIN_CAPTURE ? 1 : 2;
    if (pCam->pinCapsSizeSet & lOwnSizeBit)
        pFormats->lCapsSize = m_Kind == SIM_PIN_CAPTURE ? pCam->captureCapsSize : pCam->stillCapsSize;
    else
        pFormats->lCapsSize = pCam->capsSize;
    pFormats->dwCapsFailMask = m_Kind == SIM_PIN_CAPTURE ? pCam->captureCapsFailMask : pCam->stillCapsFailMask;
    LONG lCount = m_Kind == SIM_PIN_CAPTURE ? pCam->captureCapCount : pCam->stillCapCount;
    if (lCount < 0) lCount = 0;
    if (lCount > SIM_MAX_CAPS) lCount = SIM_MAX_CAPS;
    pFormats->lCount = lCount;
    const SimCapability *pCaps = m_Kind == SIM_PIN_CAPTURE ? pCam->captureCaps : pCam->stillCaps;
    for (LONG i = 0; i < lCount; ++i) pFormats->caps[i] = pCaps[i];
    pFormats->current = m_Kind == SIM_PIN_CAPTURE ? pCam->captureFormat : pCam->stillFormat;
    return S_OK;
}

HRESULT SimOutputPin::GetMediaType(int iIndex, AM_MEDIA_TYPE *pmt) {
    if (!pmt) return E_POINTER;
    SimPinFormats formats;
    HRESULT hr = ReadFormats(&formats);
    if (FAILED(hr)) return hr;
    if (iIndex < 0 || iIndex > formats.lCount || formats.lCount == 0) return VFW_S_NO_MORE_ITEMS;
    if (iIndex > 0) {
        const SimCapability &cap = formats.caps[iIndex - 1];
        return SimBuildMediaType(cap, SimMinFrameInterval(cap), pmt);
    }
    // The current format, at the rate chosen with it when that still fits.
    SimCapability current = formats.current;
    if (current.subtype == 0) current = formats.caps[0];
    REFERENCE_TIME rtInterval;
    {
        CritSecLock lock(m_pFilter->Lock());
        rtInterval = m_rtInterval;
    }
    if (rtInterval == 0 || SimPickFrameInterval(current, rtInterval) != rtInterval) {
        rtInterval = SimMinFrameInterval(current);
    }
    return SimBuildMediaType(current, rtInterval, pmt);
}

int SimOutputPin::MediaTypeCount() {
    SimPinFormats formats;
    if (FAILED(ReadFormats(&formats)) || formats.lCount == 0) return 0;
    return formats.lCount + 1;
}

LONG SimOutputPin::BufferCount() const { return m_Kind == SIM_PIN_CAPTURE ? kCaptureBuffers : kStillBuffers; }

// ---------------------------------------------------------------------------
// Connection

STDMETHODIMP SimOutputPin::Connect(IPin *pReceivePin, const AM_MEDIA_TYPE *pmt) {
    SimLogEntry call = SimNewCall(SIM_OP_PIN_CONNECT, m_pFilter->CameraIndex(), m_Kind);
    return SimLoggedCall(call, [&]() -> HRESULT {
        if (!pReceivePin) return E_POINTER;
        CritSecLock lock(m_pFilter->Lock());
        if (m_pPeer) return VFW_E_ALREADY_CONNECTED;
        if (m_pFilter->State() != State_Stopped) return VFW_E_NOT_STOPPED;

        SimPinFormats formats;
        HRESULT hr = ReadFormats(&formats);
        if (FAILED(hr)) return hr;

        if (SimIsFullySpecified(pmt)) return TryConnection(pReceivePin, pmt, formats);

        // Our own types first (the current format leads), then the peer's.
        int iCount = MediaTypeCount();
        for (int i = 0; i < iCount; ++i) {
            MediaTypeHolder mt;
            if (GetMediaType(i, mt.Get()) != S_OK) break;
            if (SimPartialMatch(mt.Get(), pmt) && SUCCEEDED(TryConnection(pReceivePin, mt.Get(), formats))) return S_OK;
        }
        ComPtr<IEnumMediaTypes> pEnum;
        if (SUCCEEDED(pReceivePin->EnumMediaTypes(&pEnum)) && pEnum) {
            MediaTypePtr pPeerType;
            while (pEnum->Next(1, &pPeerType, nullptr) == S_OK) {
                if (SimPartialMatch(pPeerType.Get(), pmt) &&
                    SUCCEEDED(TryConnection(pReceivePin, pPeerType.Get(), formats)))
                    return S_OK;
            }
        }
        return VFW_E_NO_ACCEPTABLE_TYPES;
    });
}

HRESULT SimOutputPin::TryConnection(IPin *pReceivePin, const AM_MEDIA_TYPE *pmt, const SimPinFormats &formats) {
    SimCapability cap;
    REFERENCE_TIME rtInterval = 0;
    if (!SimMatchCapability(pmt, formats.caps, formats.lCount, &cap, &rtInterval)) return VFW_E_TYPE_NOT_ACCEPTED;

    // The pin always offers the type in its own words.
    MediaTypeHolder mt;
    HRESULT hr = SimBuildMediaType(cap, rtInterval, mt.Get());
    if (FAILED(hr)) return hr;
    hr = pReceivePin->ReceiveConnection(static_cast<IPin *>(this), mt.Get());
    if (FAILED(hr)) return hr;

    ComPtr<IMemInputPin> pInput;
    ComPtr<IMemAllocator> pAllocator;
    hr = pInput.QueryFrom(pReceivePin);
    if (FAILED(hr)) SimTraceFailure(L"QueryInterface(IMemInputPin) of the peer pin", hr);
    const VIDEOINFOHEADER *pVih = VideoInfoOf(mt.Get());
    if (SUCCEEDED(hr)) hr = DecideAllocator(pInput.Get(), static_cast<LONG>(pVih->bmiHeader.biSizeImage), pAllocator);
    if (FAILED(hr)) {
        (void)pReceivePin->Disconnect();
        return hr;
    }
    m_mtConnected.Clear();
    *m_mtConnected = mt.Detach();
    m_pPeer.Assign(pReceivePin);
    m_pInputPin.Attach(pInput.Detach());
    m_pAllocator.Attach(pAllocator.Detach());
    m_ConnectedCap = cap;
    m_rtInterval = rtInterval;

    // What the pin delivers is what it connected with.
    SimStateGuard state;
    SimCamera *pCam = state.Get() ? state.Camera(m_pFilter->CameraIndex()) : nullptr;
    if (pCam) {
        if (m_Kind == SIM_PIN_CAPTURE)
            pCam->captureFormat = cap;
        else
            pCam->stillFormat = cap;
    }
    return S_OK;
}

// Buffers of the size a frame of the connected format can take, from the
// peer's allocator when it offers one, else from a memory allocator of our
// own; either way the peer is told which one carries the samples.
HRESULT SimOutputPin::DecideAllocator(IMemInputPin *pInput, LONG cbFrame, ComPtr<IMemAllocator> &pAllocator) {
    pAllocator.Clear();
    ALLOCATOR_PROPERTIES request;
    ZeroMemory(&request, sizeof(request));
    (void)pInput->GetAllocatorRequirements(&request);  // E_NOTIMPL is common: our own needs then rule

    ALLOCATOR_PROPERTIES props = request;
    if (props.cBuffers < BufferCount()) props.cBuffers = BufferCount();
    if (props.cbBuffer < cbFrame) props.cbBuffer = cbFrame;
    if (props.cbAlign < 1) props.cbAlign = 1;
    if (props.cbPrefix < 0) props.cbPrefix = 0;

    HRESULT hr = E_FAIL;
    for (int iAttempt = 0; iAttempt < 2; ++iAttempt) {
        ComPtr<IMemAllocator> pCandidate;
        if (iAttempt == 0) {
            // A peer without an allocator of its own is common: no failure.
            hr = pInput->GetAllocator(&pCandidate);
        } else {
            hr = CreateComObject(CLSID_MemoryAllocator, IID_IMemAllocator, pCandidate);
            if (FAILED(hr)) SimTraceFailure(L"CoCreateInstance(CLSID_MemoryAllocator)", hr);
        }
        if (FAILED(hr) || !pCandidate) continue;
        ALLOCATOR_PROPERTIES actual;
        ZeroMemory(&actual, sizeof(actual));
        hr = pCandidate->SetProperties(&props, &actual);
        if (SUCCEEDED(hr) && (actual.cbBuffer < cbFrame || actual.cBuffers < 1)) hr = VFW_E_SIZENOTSET;
        if (FAILED(hr)) {
            SimTraceFailure(L"IMemAllocator::SetProperties", hr);
            continue;
        }
        hr = pInput->NotifyAllocator(pCandidate.Get(), FALSE);
        if (FAILED(hr)) {
            SimTraceFailure(L"IMemInputPin::NotifyAllocator", hr);
            continue;
        }
        pAllocator.Attach(pCandidate.Detach());
        return S_OK;
    }
    return FAILED(hr) ? hr : VFW_E_NO_ALLOCATOR;
}

void SimOutputPin::ClearConnection() {
    m_pAllocator.Clear();
    m_pInputPin.Clear();
    m_pPeer.Clear();
    m_mtConnected.Clear();
}

STDMETHODIMP SimOutputPin::ReceiveConnection(IPin *, const AM_MEDIA_TYPE *) { return E_UNEXPECTED; }

STDMETHODIMP SimOutputPin::Disconnect() {
    CritSecLock lock(m_pFilter->Lock());
    if (m_pFilter->State() != State_Stopped) return VFW_E_NOT_STOPPED;
    if (!m_pPeer) return S_FALSE;
    ClearConnection();
    return S_OK;
}

STDMETHODIMP SimOutputPin::ConnectedTo(IPin **ppPin) {
    if (!ppPin) return E_POINTER;
    CritSecLock lock(m_pFilter->Lock());
    if (!m_pPeer) {
        *ppPin = nullptr;
        return VFW_E_NOT_CONNECTED;
    }
    return m_pPeer.CopyTo(ppPin);
}

STDMETHODIMP SimOutputPin::ConnectionMediaType(AM_MEDIA_TYPE *pmt) {
    if (!pmt) return E_POINTER;
    CritSecLock lock(m_pFilter->Lock());
    if (!m_pPeer) {
        ZeroMemory(pmt, sizeof(*pmt));
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaTypeContents(pmt, *m_mtConnected);
}

STDMETHODIMP SimOutputPin::QueryPinInfo(PIN_INFO *pInfo) {
    if (!pInfo) return E_POINTER;
    pInfo->pFilter = static_cast<IBaseFilter *>(m_pFilter);
    pInfo->pFilter->AddRef();
    pInfo->dir = PINDIR_OUTPUT;
    (void)StringCchCopyW(pInfo->achName, ARRAYSIZE(pInfo->achName), PinName(m_Kind));
    return S_OK;
}

STDMETHODIMP SimOutputPin::QueryDirection(PIN_DIRECTION *pPinDir) {
    if (!pPinDir) return E_POINTER;
    *pPinDir = PINDIR_OUTPUT;
    return S_OK;
}

STDMETHODIMP SimOutputPin::QueryId(LPWSTR *ppszId) {
    if (!ppszId) return E_POINTER;
    const WCHAR *pszName = PinName(m_Kind);
    size_t cch = static_cast<size_t>(lstrlenW(pszName)) + 1;
    WCHAR *pszId = static_cast<WCHAR *>(CoTaskMemAlloc(cch * sizeof(WCHAR)));
    if (!pszId) return E_OUTOFMEMORY;
    (void)StringCchCopyW(pszId, cch, pszName);
    *ppszId = pszId;
    return S_OK;
}

STDMETHODIMP SimOutputPin::QueryAccept(const AM_MEDIA_TYPE *pmt) {
    if (!pmt) return E_POINTER;
    SimPinFormats formats;
    if (FAILED(ReadFormats(&formats))) return S_FALSE;
    SimCapability cap;
    REFERENCE_TIME rtInterval = 0;
    return SimMatchCapability(pmt, formats.caps, formats.lCount, &cap, &rtInterval) ? S_OK : S_FALSE;
}

STDMETHODIMP SimOutputPin::EnumMediaTypes(IEnumMediaTypes **ppEnum) { return SimCreateEnumMediaTypes(this, 0, ppEnum); }

STDMETHODIMP SimOutputPin::QueryInternalConnections(IPin **, ULONG *) { return E_NOTIMPL; }

STDMETHODIMP SimOutputPin::EndOfStream() { return E_UNEXPECTED; }

STDMETHODIMP SimOutputPin::BeginFlush() { return E_UNEXPECTED; }

STDMETHODIMP SimOutputPin::EndFlush() { return E_UNEXPECTED; }

STDMETHODIMP SimOutputPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

// ---------------------------------------------------------------------------
// IAMStreamConfig

STDMETHODIMP SimOutputPin::SetFormat(AM_MEDIA_TYPE *pmt) {
    SimLogEntry call = SimNewCall(SIM_OP_SET_FORMAT, m_pFilter->CameraIndex(), m_Kind);
    if (pmt) {
        call.arg[1] = pmt->subtype.Data1;
        if (const VIDEOINFOHEADER *pVih = VideoInfoOf(pmt)) {
            const BITMAPINFOHEADER &bmi = pVih->bmiHeader;
            call.arg[2] = bmi.biCompression;
            const LONG alSize[3] = {bmi.biWidth, bmi.biHeight, static_cast<LONG>(bmi.biSizeImage)};
            CopyMemory(call.data, alSize, sizeof(alSize));
            call.dataLen = sizeof(alSize);
        }
    }
    return SimLoggedCall(call, [&]() -> HRESULT {
        MediaTypeHolder mt;
        bool bReconnect;
        {
            CritSecLock lock(m_pFilter->Lock());
            if (m_pFilter->State() != State_Stopped) return VFW_E_NOT_STOPPED;
            if (!pmt) return E_POINTER;
            if (!IsEqualGUID(pmt->majortype, MEDIATYPE_Video)) return VFW_E_INVALIDMEDIATYPE;

            SimPinFormats formats;
            HRESULT hr = ReadFormats(&formats);
            if (FAILED(hr)) return hr;
            SimCapability cap;
            REFERENCE_TIME rtInterval = 0;
            if (!SimMatchCapability(pmt, formats.caps, formats.lCount, &cap, &rtInterval))
                return VFW_E_INVALIDMEDIATYPE;

            hr = SimBuildMediaType(cap, rtInterval, mt.Get());
            if (FAILED(hr)) return hr;
            if (m_pPeer && m_pPeer->QueryAccept(mt.Get()) != S_OK) return VFW_E_INVALIDMEDIATYPE;

            SimStateGuard state;
            SimCamera *pCam = state.Get() ? state.Camera(m_pFilter->CameraIndex()) : nullptr;
            if (!pCam) return VFW_E_NOT_FOUND;
            if (m_Kind == SIM_PIN_CAPTURE)
                pCam->captureFormat = cap;
            else
                pCam->stillFormat = cap;
            m_rtInterval = rtInterval;
            bReconnect = m_pPeer && m_pFilter->Graph();
        }

        return bReconnect ? ReconnectWith(mt.Get()) : S_OK;
    });
}

// A connected pin takes the new format at once, through the graph (which
// calls back into this pin: no lock of ours may be held).
HRESULT SimOutputPin::ReconnectWith(const AM_MEDIA_TYPE *pmt) {
    IFilterGraph *pGraph = m_pFilter->Graph();  // no reference: the graph owns the filter
    ComPtr<IFilterGraph2> pGraph2;
    HRESULT hr;
    if (SUCCEEDED(pGraph2.QueryFrom(pGraph))) {
        hr = pGraph2->ReconnectEx(static_cast<IPin *>(this), pmt);
        if (FAILED(hr)) SimTraceFailure(L"IFilterGraph2::ReconnectEx", hr);
    } else {
        hr = pGraph->Reconnect(static_cast<IPin *>(this));
        if (FAILED(hr)) SimTraceFailure(L"IFilterGraph::Reconnect", hr);
    }
    return hr;
}

STDMETHODIMP SimOutputPin::GetFormat(AM_MEDIA_TYPE **ppmt) {
    SimLogEntry call = SimNewCall(SIM_OP_GET_FORMAT, m_pFilter->CameraIndex(), m_Kind);
    return SimLoggedCall(call, [&]() -> HRESULT {
        if (!ppmt) return E_POINTER;
        AM_MEDIA_TYPE *pmt = static_cast<AM_MEDIA_TYPE *>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (!pmt) return E_OUTOFMEMORY;
        ZeroMemory(pmt, sizeof(*pmt));
        HRESULT hr;
        {
            CritSecLock lock(m_pFilter->Lock());
            hr = m_pPeer ? CopyMediaTypeContents(pmt, *m_mtConnected) : GetMediaType(0, pmt);
        }
        if (hr != S_OK) {
            DeleteMediaTypeBlock(pmt);
            return FAILED(hr) ? hr : VFW_E_NOT_FOUND;
        }
        *ppmt = pmt;
        return S_OK;
    });
}

STDMETHODIMP SimOutputPin::GetNumberOfCapabilities(int *piCount, int *piSize) {
    SimLogEntry call = SimNewCall(SIM_OP_GET_CAPS_COUNT, m_pFilter->CameraIndex(), m_Kind);
    return SimLoggedCall(call, [&]() -> HRESULT {
        if (!piCount || !piSize) return E_POINTER;
        SimPinFormats formats;
        HRESULT hr = ReadFormats(&formats);
        if (FAILED(hr)) return hr;
        *piCount = static_cast<int>(formats.lCount);
        *piSize = static_cast<int>(formats.lCapsSize);
        call.arg[1] = static_cast<DWORD>(*piCount);
        call.arg[2] = static_cast<DWORD>(*piSize);
        return S_OK;
    });
}

STDMETHODIMP SimOutputPin::GetStreamCaps(int iIndex, AM_MEDIA_TYPE **ppmt, BYTE *pSCC) {
    SimLogEntry call = SimNewCall(SIM_OP_GET_STREAM_CAPS, m_pFilter->CameraIndex(), m_Kind, static_cast<DWORD>(iIndex));
    return SimLoggedCall(call, [&]() -> HRESULT {
        if (!ppmt || !pSCC) return E_POINTER;
        SimPinFormats formats;
        HRESULT hr = ReadFormats(&formats);
        if (FAILED(hr)) return hr;
        if (iIndex < 0 || iIndex >= formats.lCount) return S_FALSE;
        // A capability the camera cannot describe (scenario): the call fails.
        if (formats.dwCapsFailMask & (1u << iIndex)) return E_FAIL;

        AM_MEDIA_TYPE *pmt = static_cast<AM_MEDIA_TYPE *>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (!pmt) return E_OUTOFMEMORY;
        ZeroMemory(pmt, sizeof(*pmt));
        hr = GetMediaType(iIndex + 1, pmt);
        if (hr != S_OK) {
            DeleteMediaTypeBlock(pmt);
            return FAILED(hr) ? hr : S_FALSE;
        }
        // The caller sized its buffer from GetNumberOfCapabilities: never write
        // past that size, whatever it is.
        VIDEO_STREAM_CONFIG_CAPS caps;
        SimFillStreamCaps(formats.caps[iIndex], &caps);
        size_t cbCopy = sizeof(caps);
        if (formats.lCapsSize >= 0 && static_cast<size_t>(formats.lCapsSize) < cbCopy) {
            cbCopy = static_cast<size_t>(formats.lCapsSize);
        }
        CopyMemory(pSCC, &caps, cbCopy);
        *ppmt = pmt;
        return S_OK;
    });
}

// ---------------------------------------------------------------------------
// IKsPropertySet

STDMETHODIMP SimOutputPin::Set(REFGUID guidPropSet, DWORD, LPVOID, DWORD, LPVOID, DWORD) {
    return IsEqualGUID(guidPropSet, AMPROPSETID_Pin) ? E_PROP_ID_UNSUPPORTED : E_PROP_SET_UNSUPPORTED;
}

STDMETHODIMP SimOutputPin::Get(REFGUID guidPropSet, DWORD dwPropID, LPVOID, DWORD, LPVOID pPropData, DWORD cbPropData,
                               DWORD *pcbReturned) {
    SimLogEntry call = SimNewCall(SIM_OP_PIN_CATEGORY, m_pFilter->CameraIndex(), m_Kind, dwPropID);
    return SimLoggedCall(call, [&]() -> HRESULT {
        if (!IsEqualGUID(guidPropSet, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
        if (dwPropID != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
        if (!pPropData) return E_POINTER;
        if (cbPropData < sizeof(GUID)) return E_UNEXPECTED;
        *static_cast<GUID *>(pPropData) = PinCategory(m_Kind);
        if (pcbReturned) *pcbReturned = sizeof(GUID);
        return S_OK;
    });
}

STDMETHODIMP SimOutputPin::QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD *pTypeSupport) {
    if (!IsEqualGUID(guidPropSet, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
    if (dwPropID != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (pTypeSupport) *pTypeSupport = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

// ---------------------------------------------------------------------------
// ISpecifyPropertyPages: the stream format page.

STDMETHODIMP SimOutputPin::GetPages(CAUUID *pPages) {
    if (!pPages) return E_POINTER;
    GUID *pElems = static_cast<GUID *>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pElems) return E_OUTOFMEMORY;
    pElems[0] = CLSID_SimCamFormatPage;
    pPages->cElems = 1;
    pPages->pElems = pElems;
    return S_OK;
}
