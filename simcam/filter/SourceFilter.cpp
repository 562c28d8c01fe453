// SourceFilter.cpp - the capture filter itself: identity, state, clock,
// graph membership, pins, binding to a camera, and its property page.
#include "filter/SourceFilter.h"

#include <new>
#include <strsafe.h>

#include "server/ComObject.h"
#include "server/Module.h"
#include "PropertyBag.h"
#include "server/SimGuids.h"
#include "SimSharedState.h"
#include "SimTrace.h"
#include "SimCallLog.h"
#include "filter/Enumerators.h"

HRESULT SimCreateSourceFilter(REFIID riid, void **ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return SimHandOut(new (std::nothrow) SimSourceFilter(), riid, ppv);
}

SimSourceFilter::SimSourceFilter()
    : m_lRef(1),
      m_State(State_Stopped),
      m_tStart(0),
      m_pGraph(nullptr),
      m_iCamera(0),
      m_iCounted(-1),
      m_bHasStillPin(false),
      m_bHasVideoControl(false),
      m_bHasProcAmp(true),
      m_bHasCameraControl(true),
      m_CapturePin(this, SIM_PIN_CAPTURE),
      m_StillPin(this, SIM_PIN_STILL),
      m_ProcAmp(this),
      m_CameraControl(this),
      m_VideoControl(this) {
    m_szName[0] = L'\0';
    (void)BindCamera(0);
    SimModuleAddRef();
}

SimSourceFilter::~SimSourceFilter() {
    // Normally the graph has stopped the filter; make sure no thread is left.
    m_CapturePin.Deactivate();
    m_StillPin.Deactivate();
    {
        SimStateGuard state;
        if (state.Get() && m_iCounted >= 0 && --state->filtersAlive[m_iCounted] <= 0) {
            state->filtersAlive[m_iCounted] = 0;
            state->filterState[m_iCounted] = State_Stopped;
        }
    }
    SimModuleRelease();
}

// ---------------------------------------------------------------------------
// IUnknown

STDMETHODIMP SimSourceFilter::QueryInterface(REFIID riid, void **ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IMediaFilter) ||
        IsEqualIID(riid, IID_IBaseFilter)) {
        *ppv = static_cast<IBaseFilter *>(this);
    } else if (IsEqualIID(riid, IID_IPersistPropertyBag)) {
        *ppv = static_cast<IPersistPropertyBag *>(this);
    } else if (IsEqualIID(riid, IID_IAMFilterMiscFlags)) {
        *ppv = static_cast<IAMFilterMiscFlags *>(this);
    } else if (IsEqualIID(riid, IID_ISpecifyPropertyPages)) {
        *ppv = static_cast<ISpecifyPropertyPages *>(this);
    } else if (IsEqualIID(riid, IID_IAMVideoProcAmp) && m_bHasProcAmp) {
        *ppv = static_cast<IAMVideoProcAmp *>(&m_ProcAmp);
    } else if (IsEqualIID(riid, IID_IAMCameraControl) && m_bHasCameraControl) {
        *ppv = static_cast<IAMCameraControl *>(&m_CameraControl);
    } else if (IsEqualIID(riid, IID_IAMVideoControl) && m_bHasVideoControl) {
        *ppv = static_cast<IAMVideoControl *>(&m_VideoControl);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) SimSourceFilter::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_lRef)); }

STDMETHODIMP_(ULONG) SimSourceFilter::Release() {
    LONG lRef = InterlockedDecrement(&m_lRef);
    if (lRef == 0) delete this;
    return static_cast<ULONG>(lRef);
}

STDMETHODIMP SimSourceFilter::GetClassID(CLSID *pClassID) {
    if (!pClassID) return E_POINTER;
    *pClassID = CLSID_SimCamSource;
    return S_OK;
}

// ---------------------------------------------------------------------------
// IMediaFilter: stopped -> paused starts the pins' threads, running lets
// them deliver, stopped joins them. A live source has nothing to cue while
// paused, so GetState says VFW_S_CANT_CUE then.

STDMETHODIMP SimSourceFilter::Stop() {
    CritSecLock streaming(m_csStreaming);
    SimLogEntry call = SimNewCall(SIM_OP_FILTER_STOP, m_iCamera, static_cast<DWORD>(m_State));
    return SimLoggedCall(call, [&]() -> HRESULT {
        // The threads are joined without the filter lock. The state says
        // paused or running until they are gone, so the connections stay.
        m_CapturePin.Deactivate();
        m_StillPin.Deactivate();
        CritSecLock lock(m_csFilter);
        m_State = State_Stopped;
        PublishState();
        return S_OK;
    });
}

STDMETHODIMP SimSourceFilter::Pause() {
    CritSecLock streaming(m_csStreaming);
    SimLogEntry call = SimNewCall(SIM_OP_FILTER_PAUSE, m_iCamera, static_cast<DWORD>(m_State));
    return SimLoggedCall(call, [&]() -> HRESULT {
        CritSecLock lock(m_csFilter);
        return PauseLocked();
    });
}

HRESULT SimSourceFilter::PauseLocked() {
    if (m_State == State_Stopped) {
        HRESULT hr = m_CapturePin.Activate();
        if (SUCCEEDED(hr) && m_bHasStillPin) hr = m_StillPin.Activate();
        if (FAILED(hr)) {
            // Threads just started deliver nothing before Run: joining them
            // here, under the filter lock, cannot meet a downstream callback.
            m_CapturePin.Deactivate();
            m_StillPin.Deactivate();
            return hr;
        }
    } else if (m_State == State_Running) {
        m_CapturePin.PauseStreaming();
        m_StillPin.PauseStreaming();
    }
    m_State = State_Paused;
    PublishState();
    return S_OK;
}

STDMETHODIMP SimSourceFilter::Run(REFERENCE_TIME tStart) {
    CritSecLock streaming(m_csStreaming);
    SimLogEntry call = SimNewCall(SIM_OP_FILTER_RUN, m_iCamera, static_cast<DWORD>(m_State));
    return SimLoggedCall(call, [&]() -> HRESULT {
        CritSecLock lock(m_csFilter);
        if (m_State == State_Stopped) {
            HRESULT hr = PauseLocked();
            if (FAILED(hr)) return hr;
        }
        m_tStart = tStart;
        m_CapturePin.StartStreaming(tStart, m_pClock.Get());
        m_StillPin.StartStreaming(tStart, m_pClock.Get());
        m_State = State_Running;
        PublishState();
        return S_OK;
    });
}

void SimSourceFilter::PublishState() {
    SimStateGuard state;
    if (state.Get() && m_iCamera >= 0 && m_iCamera < SIMCAM_MAX_CAMERAS) state->filterState[m_iCamera] = m_State;
}

STDMETHODIMP SimSourceFilter::GetState(DWORD, FILTER_STATE *pState) {
    if (!pState) return E_POINTER;
    CritSecLock lock(m_csFilter);
    *pState = m_State;
    return m_State == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP SimSourceFilter::SetSyncSource(IReferenceClock *pClock) {
    CritSecLock lock(m_csFilter);
    m_pClock.Assign(pClock);
    return S_OK;
}

STDMETHODIMP SimSourceFilter::GetSyncSource(IReferenceClock **ppClock) {
    if (!ppClock) return E_POINTER;
    CritSecLock lock(m_csFilter);
    return m_pClock.CopyTo(ppClock);
}

// ---------------------------------------------------------------------------
// IBaseFilter

int SimSourceFilter::PinCount() {
    CritSecLock lock(m_csFilter);
    return m_bHasStillPin ? 2 : 1;
}

SimOutputPin *SimSourceFilter::PinAt(int iIndex) {
    CritSecLock lock(m_csFilter);
    if (iIndex == 0) return &m_CapturePin;
    if (iIndex == 1 && m_bHasStillPin) return &m_StillPin;
    return nullptr;
}

SimOutputPin *SimSourceFilter::PinFromInterface(IPin *pPin) {
    if (!pPin) return nullptr;
    for (int i = 0; i < PinCount(); ++i) {
        SimOutputPin *pOurs = PinAt(i);
        if (pOurs && static_cast<IPin *>(pOurs) == pPin) return pOurs;
    }
    return nullptr;
}

STDMETHODIMP SimSourceFilter::EnumPins(IEnumPins **ppEnum) { return SimCreateEnumPins(this, 0, ppEnum); }

STDMETHODIMP SimSourceFilter::FindPin(LPCWSTR pszId, IPin **ppPin) {
    if (!pszId || !ppPin) return E_POINTER;
    *ppPin = nullptr;
    for (int i = 0; i < PinCount(); ++i) {
        SimOutputPin *pPin = PinAt(i);
        LPWSTR pszPinId = nullptr;
        if (!pPin || FAILED(pPin->QueryId(&pszPinId))) continue;
        bool bMatch = lstrcmpW(pszPinId, pszId) == 0;
        CoTaskMemFree(pszPinId);
        if (bMatch) {
            *ppPin = static_cast<IPin *>(pPin);
            (*ppPin)->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

STDMETHODIMP SimSourceFilter::QueryFilterInfo(FILTER_INFO *pInfo) {
    if (!pInfo) return E_POINTER;
    CritSecLock lock(m_csFilter);
    (void)StringCchCopyW(pInfo->achName, ARRAYSIZE(pInfo->achName), m_szName);
    pInfo->pGraph = m_pGraph;
    if (m_pGraph) m_pGraph->AddRef();
    return S_OK;
}

STDMETHODIMP SimSourceFilter::JoinFilterGraph(IFilterGraph *pGraph, LPCWSTR pszName) {
    SimLogEntry call = SimNewCall(SIM_OP_FILTER_JOIN, m_iCamera, pGraph ? 1 : 0);
    return SimLoggedCall(call, [&]() -> HRESULT {
        CritSecLock lock(m_csFilter);
        m_pGraph = pGraph;
        (void)StringCchCopyW(m_szName, ARRAYSIZE(m_szName), pszName ? pszName : L"");
        return S_OK;
    });
}

STDMETHODIMP SimSourceFilter::QueryVendorInfo(LPWSTR *) { return E_NOTIMPL; }

// ---------------------------------------------------------------------------
// IPersistPropertyBag: the device moniker passes its own property bag, whose
// "DevicePath" (and "SimCamIndex", written beside it) names the camera.

STDMETHODIMP SimSourceFilter::InitNew() { return S_OK; }

STDMETHODIMP SimSourceFilter::Load(IPropertyBag *pBag, IErrorLog *) {
    if (!pBag) return E_POINTER;
    WCHAR szPath[256];
    HRESULT hr = S_OK;
    if (!ReadPropertyBagString(pBag, L"DevicePath", szPath, ARRAYSIZE(szPath), &hr)) {
        SimTraceFailure(L"IPropertyBag::Read(DevicePath)", hr);
        return hr;
    }

    VARIANT var;
    VariantInit(&var);
    var.vt = VT_I4;
    int iHint = -1;
    if (SUCCEEDED(pBag->Read(L"SimCamIndex", &var, nullptr)) && var.vt == VT_I4) iHint = static_cast<int>(var.lVal);
    VariantClear(&var);

    int iCamera = -1;
    {
        SimStateGuard state;
        if (!state.Get()) return E_UNEXPECTED;
        SimCamera *pHinted = state.Camera(iHint);
        if (pHinted && lstrcmpW(pHinted->devicePath, szPath) == 0) {
            iCamera = iHint;
        } else {
            iCamera = SimFindCameraByPath(state.Get(), szPath);
        }
        SimCamera *pCam = state.Camera(iCamera);
        if (!pCam || !pCam->present) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    }
    return BindCamera(iCamera);
}

STDMETHODIMP SimSourceFilter::Save(IPropertyBag *, BOOL, BOOL) { return E_NOTIMPL; }

// Takes on the camera's shape: the still pin and IAMVideoControl exist only
// when the camera has them. Refused once a pin is connected.
HRESULT SimSourceFilter::BindCamera(int iCamera) {
    CritSecLock lock(m_csFilter);
    if (m_CapturePin.IsConnected() || m_StillPin.IsConnected()) return VFW_E_ALREADY_CONNECTED;
    SimStateGuard state;
    SimCamera *pCam = state.Get() ? state.Camera(iCamera) : nullptr;
    if (!pCam) return E_INVALIDARG;
    // This filter now counts for the new camera.
    if (m_iCounted != iCamera) {
        if (m_iCounted >= 0 && state->filtersAlive[m_iCounted] > 0) --state->filtersAlive[m_iCounted];
        ++state->filtersAlive[iCamera];
        m_iCounted = iCamera;
    }
    m_iCamera = iCamera;
    m_bHasStillPin = pCam->hasStillPin != 0;
    m_bHasVideoControl = pCam->hasVideoControl != 0;
    m_bHasProcAmp = pCam->noProcAmp == 0;
    m_bHasCameraControl = pCam->noCameraControl == 0;
    return S_OK;
}

// ---------------------------------------------------------------------------
// IAMFilterMiscFlags, ISpecifyPropertyPages

STDMETHODIMP_(ULONG) SimSourceFilter::GetMiscFlags() { return AM_FILTER_MISC_FLAGS_IS_SOURCE; }

STDMETHODIMP SimSourceFilter::GetPages(CAUUID *pPages) {
    if (!pPages) return E_POINTER;
    GUID *pElems = static_cast<GUID *>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pElems) return E_OUTOFMEMORY;
    pElems[0] = CLSID_SimCamImagePage;
    pPages->cElems = 1;
    pPages->pElems = pElems;
    return S_OK;
}
