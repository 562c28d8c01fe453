// CameraControls.cpp - proc amp, camera control and video control on the
// capture filter. The values live in the camera state; the picture renderer
// reads them for every frame, so a change shows in the next one.
#include "filter/CameraControls.h"

#include "SimSharedState.h"
#include "CritSecLock.h"
#include "SimCallLog.h"
#include "filter/MediaTypes.h"
#include "filter/SourceFilter.h"

namespace {

const LONG kAuto = VideoProcAmp_Flags_Auto;  // same values as CameraControl_Flags_*
const LONG kManual = VideoProcAmp_Flags_Manual;

// Which control of the camera state a call reaches: a proc-amp index,
// exposure, or none.
const int kExposure = SIM_PA_COUNT;
const int kNoControl = -1;

bool IsControl(int iControl) { return iControl >= 0 && iControl <= kExposure; }

SimControlValue *ControlOf(SimCamera *pCam, int iControl) {
    return iControl == kExposure ? &pCam->exposure : &pCam->procAmp[iControl];
}

// Runs work on control iControl of camera iCamera under the state lock: an
// unknown control is E_PROP_ID_UNSUPPORTED, a camera that is not there
// ERROR_DEVICE_NOT_CONNECTED.
template <class Work>
HRESULT OnControl(int iCamera, int iControl, Work work) {
    if (!IsControl(iControl)) return E_PROP_ID_UNSUPPORTED;
    SimStateGuard state;
    SimCamera *pCam = state.Get() ? state.Camera(iCamera) : nullptr;
    if (!pCam || !pCam->present) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    return work(pCam);
}

HRESULT GetControlRange(int iCamera, int iControl, long *pMin, long *pMax, long *pStep, long *pDefault,
                        long *pCapsFlags) {
    if (!pMin || !pMax || !pStep || !pDefault || !pCapsFlags) return E_POINTER;
    return OnControl(iCamera, iControl, [&](SimCamera *pCam) -> HRESULT {
        SimReportRange(SimRangeOf(pCam, iControl), pMin, pMax, pStep, pDefault, pCapsFlags);
        return S_OK;
    });
}

// Manual values must lie on the control's grid; automatic mode keeps the
// last value (the camera adjusts the picture itself) and ignores lValue.
HRESULT SetControl(int iCamera, int iControl, long lValue, long lFlags) {
    return OnControl(iCamera, iControl, [&](SimCamera *pCam) -> HRESULT {
        const SimControlRange &range = SimRangeOf(pCam, iControl);
        if ((lFlags != kAuto && lFlags != kManual) || (lFlags & range.lCapsFlags) == 0) return E_INVALIDARG;
        if (lFlags == kManual) {
            if (lValue < range.lMin || lValue > range.lMax) return E_INVALIDARG;
            if (range.lStep > 1 && (lValue - range.lMin) % range.lStep != 0) return E_INVALIDARG;
        }
        SimControlValue *pValue = ControlOf(pCam, iControl);
        if (lFlags == kManual) pValue->value = lValue;
        pValue->flags = lFlags;
        return S_OK;
    });
}

HRESULT GetControl(int iCamera, int iControl, long *plValue, long *plFlags) {
    if (!plValue || !plFlags) return E_POINTER;
    return OnControl(iCamera, iControl, [&](SimCamera *pCam) -> HRESULT {
        const SimControlValue *pValue = ControlOf(pCam, iControl);
        *plValue = pValue->value;
        *plFlags = pValue->flags;
        return S_OK;
    });
}

// Frame intervals a UVC camera of this kind lists for one size, fastest first.
const REFERENCE_TIME kFrameIntervals[] = {333333, 666666, 1000000, 2000000, 3333333, 5000000, 10000000};

// IAMCameraControl property numbers map to the camera state's controls.
int ControlIndex(SimControlSet set, long lProperty) {
    if (set == SIM_CONTROLS_CAMERA) return lProperty == CameraControl_Exposure ? kExposure : kNoControl;
    return lProperty >= 0 && lProperty < SIM_PA_COUNT ? static_cast<int>(lProperty) : kNoControl;
}

}  // namespace

HRESULT SimFilterQueryInterface(SimSourceFilter *pFilter, REFIID riid, void **ppv) {
    return pFilter->QueryInterface(riid, ppv);
}

ULONG SimFilterAddRef(SimSourceFilter *pFilter) { return pFilter->AddRef(); }
ULONG SimFilterRelease(SimSourceFilter *pFilter) { return pFilter->Release(); }

// ---------------------------------------------------------------------------
// IAMVideoProcAmp and IAMCameraControl

HRESULT SimControlGetRange(SimSourceFilter *pFilter, SimControlSet set, long lProperty, long *pMin, long *pMax,
                           long *pStep, long *pDefault, long *pCapsFlags) {
    SimOp op = set == SIM_CONTROLS_CAMERA ? SIM_OP_CAMCTRL_RANGE : SIM_OP_PROCAMP_RANGE;
    SimLogEntry call = SimNewCall(op, pFilter->CameraIndex(), static_cast<DWORD>(lProperty));
    return SimLoggedCall(call, [&]() -> HRESULT {
        HRESULT hr = GetControlRange(pFilter->CameraIndex(), ControlIndex(set, lProperty), pMin, pMax, pStep, pDefault,
                                     pCapsFlags);
        if (SUCCEEDED(hr)) {
            call.arg[1] = static_cast<DWORD>(*pMin);
            call.arg[2] = static_cast<DWORD>(*pMax);
        }
        return hr;
    });
}

HRESULT SimControlSetValue(SimSourceFilter *pFilter, SimControlSet set, long lProperty, long lValue, long lFlags) {
    return SetControl(pFilter->CameraIndex(), ControlIndex(set, lProperty), lValue, lFlags);
}

HRESULT SimControlGetValue(SimSourceFilter *pFilter, SimControlSet set, long lProperty, long *plValue, long *plFlags) {
    SimOp op = set == SIM_CONTROLS_CAMERA ? SIM_OP_CAMCTRL_GET : SIM_OP_PROCAMP_GET;
    SimLogEntry call = SimNewCall(op, pFilter->CameraIndex(), static_cast<DWORD>(lProperty));
    return SimLoggedCall(call, [&]() -> HRESULT {
        HRESULT hr = GetControl(pFilter->CameraIndex(), ControlIndex(set, lProperty), plValue, plFlags);
        if (SUCCEEDED(hr)) {
            call.arg[1] = static_cast<DWORD>(*plValue);
            call.arg[2] = static_cast<DWORD>(*plFlags);
        }
        return hr;
    });
}

// ---------------------------------------------------------------------------
// IAMVideoControl: the still pin can be triggered (by software, or armed for
// the camera's button); the capture pin has no modes.

namespace {

// The pin's number in the log: its kind, or 0xFFFFFFFF for no pin of ours.
DWORD PinNumber(SimSourceFilter *pFilter, IPin *pPin) {
    SimOutputPin *pOurs = pFilter->PinFromInterface(pPin);
    return pOurs ? static_cast<DWORD>(pOurs->Kind()) : 0xFFFFFFFFu;
}

LONG CapsOf(const SimOutputPin *pPin) {
    return pPin->Kind() == SIM_PIN_STILL ? (VideoControlFlag_Trigger | VideoControlFlag_ExternalTriggerEnable) : 0;
}

// The capability behind index iIndex of the pin, checked against the size
// the caller names.
HRESULT CapabilityAt(SimOutputPin *pPin, long iIndex, SIZE dimensions, SimCapability *pCap) {
    if (iIndex < 0) return E_INVALIDARG;
    MediaTypeHolder mt;
    HRESULT hr = pPin->GetMediaType(static_cast<int>(iIndex) + 1, mt.Get());
    if (FAILED(hr)) return hr;
    if (hr != S_OK) return E_INVALIDARG;
    const VIDEOINFOHEADER *pVih = VideoInfoOf(mt.Get());
    if (pVih->bmiHeader.biWidth != dimensions.cx || pVih->bmiHeader.biHeight != dimensions.cy) return E_INVALIDARG;
    pCap->subtype = pVih->bmiHeader.biCompression;
    pCap->width = pVih->bmiHeader.biWidth;
    pCap->height = pVih->bmiHeader.biHeight;
    return S_OK;
}

}  // namespace

STDMETHODIMP SimVideoControlPart::GetCaps(IPin *pPin, long *pCapsFlags) {
    SimLogEntry call = SimNewCall(SIM_OP_GET_VC_CAPS, m_pOwner->CameraIndex(), PinNumber(m_pOwner, pPin));
    return SimLoggedCall(call, [&]() -> HRESULT {
        if (!pPin || !pCapsFlags) return E_POINTER;
        SimOutputPin *pOurs = m_pOwner->PinFromInterface(pPin);
        if (!pOurs) return E_INVALIDARG;
        *pCapsFlags = CapsOf(pOurs);
        call.arg[1] = static_cast<DWORD>(*pCapsFlags);
        return S_OK;
    });
}

STDMETHODIMP SimVideoControlPart::SetMode(IPin *pPin, long Mode) {
    SimLogEntry call =
        SimNewCall(SIM_OP_SET_MODE, m_pOwner->CameraIndex(), PinNumber(m_pOwner, pPin), static_cast<DWORD>(Mode));
    return SimLoggedCall(call, [&]() -> HRESULT {
        if (!pPin) return E_POINTER;
        SimOutputPin *pOurs = m_pOwner->PinFromInterface(pPin);
        if (!pOurs) return E_INVALIDARG;
        if ((Mode & ~CapsOf(pOurs)) != 0) return E_INVALIDARG;
        CritSecLock lock(m_pOwner->Lock());
        LONG lKept = Mode & ~VideoControlFlag_Trigger;  // the trigger is an action, not a mode
        if (pOurs->Kind() == SIM_PIN_STILL)
            m_lStillMode = lKept;
        else
            m_lCaptureMode = lKept;
        return (Mode & VideoControlFlag_Trigger) ? pOurs->TriggerStill() : S_OK;
    });
}

STDMETHODIMP SimVideoControlPart::GetMode(IPin *pPin, long *Mode) {
    SimLogEntry call = SimNewCall(SIM_OP_GET_MODE, m_pOwner->CameraIndex(), PinNumber(m_pOwner, pPin));
    return SimLoggedCall(call, [&]() -> HRESULT {
        if (!pPin || !Mode) return E_POINTER;
        SimOutputPin *pOurs = m_pOwner->PinFromInterface(pPin);
        if (!pOurs) return E_INVALIDARG;
        CritSecLock lock(m_pOwner->Lock());
        *Mode = pOurs->Kind() == SIM_PIN_STILL ? m_lStillMode : m_lCaptureMode;
        call.arg[1] = static_cast<DWORD>(*Mode);
        return S_OK;
    });
}

STDMETHODIMP SimVideoControlPart::GetCurrentActualFrameRate(IPin *pPin, LONGLONG *ActualFrameRate) {
    if (!pPin || !ActualFrameRate) return E_POINTER;
    SimOutputPin *pOurs = m_pOwner->PinFromInterface(pPin);
    if (!pOurs || pOurs->Kind() != SIM_PIN_CAPTURE) return E_INVALIDARG;
    if (!pOurs->IsConnected()) return VFW_E_NOT_CONNECTED;
    if (m_pOwner->State() != State_Running) return VFW_E_NOT_RUNNING;
    REFERENCE_TIME rtMeasured = pOurs->MeasuredFrameInterval();
    if (rtMeasured <= 0) return VFW_E_NOT_RUNNING;  // no two frames yet
    *ActualFrameRate = rtMeasured;
    return S_OK;
}

STDMETHODIMP SimVideoControlPart::GetMaxAvailableFrameRate(IPin *pPin, long iIndex, SIZE Dimensions,
                                                           LONGLONG *MaxAvailableFrameRate) {
    if (!pPin || !MaxAvailableFrameRate) return E_POINTER;
    SimOutputPin *pOurs = m_pOwner->PinFromInterface(pPin);
    if (!pOurs) return E_INVALIDARG;
    SimCapability cap;
    HRESULT hr = CapabilityAt(pOurs, iIndex, Dimensions, &cap);
    if (FAILED(hr)) return hr;
    *MaxAvailableFrameRate = SimMinFrameInterval(cap);
    return S_OK;
}

STDMETHODIMP SimVideoControlPart::GetFrameRateList(IPin *pPin, long iIndex, SIZE Dimensions, long *ListSize,
                                                   LONGLONG **FrameRates) {
    if (!pPin || !ListSize) return E_POINTER;
    SimOutputPin *pOurs = m_pOwner->PinFromInterface(pPin);
    if (!pOurs) return E_INVALIDARG;
    SimCapability cap;
    HRESULT hr = CapabilityAt(pOurs, iIndex, Dimensions, &cap);
    if (FAILED(hr)) return hr;

    REFERENCE_TIME rtMin = SimMinFrameInterval(cap);
    LONG lCount = 0;
    for (REFERENCE_TIME rt : kFrameIntervals) {
        if (rt >= rtMin) ++lCount;
    }
    if (FrameRates) {
        LONGLONG *pList = static_cast<LONGLONG *>(CoTaskMemAlloc(sizeof(LONGLONG) * static_cast<size_t>(lCount)));
        if (!pList) return E_OUTOFMEMORY;
        LONG i = 0;
        for (REFERENCE_TIME rt : kFrameIntervals) {
            if (rt >= rtMin) pList[i++] = rt;
        }
        *FrameRates = pList;
    }
    *ListSize = lCount;
    return S_OK;
}
