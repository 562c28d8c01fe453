// CameraControls.cpp - proc amp, camera control and video control on the
// capture filter. The values live in the camera state; the picture renderer
// reads them for every frame, so a change shows in the next one.
#include "filter/CameraControls.h"

#include "CameraState.h"
#include "CritSecLock.h"
#include "filter/MediaTypes.h"
#include "filter/SourceFilter.h"

namespace {

const LONG kAuto = VideoProcAmp_Flags_Auto;  // same values as CameraControl_Flags_*
const LONG kManual = VideoProcAmp_Flags_Manual;

// Which control of the camera state a call reaches: a proc-amp index, or
// exposure.
const int kExposure = -1;

const SimControlRange *RangeOf(int iControl) {
    if (iControl == kExposure) return &g_SimExposureRange;
    if (iControl < 0 || iControl >= SIM_PA_COUNT) return nullptr;
    return &g_SimProcAmpRanges[iControl];
}

HRESULT GetControlRange(int iControl, long *pMin, long *pMax, long *pStep, long *pDefault, long *pCapsFlags) {
    if (!pMin || !pMax || !pStep || !pDefault || !pCapsFlags) return E_POINTER;
    const SimControlRange *pRange = RangeOf(iControl);
    if (!pRange) return E_PROP_ID_UNSUPPORTED;
    *pMin = pRange->lMin;
    *pMax = pRange->lMax;
    *pStep = pRange->lStep;
    *pDefault = pRange->lDefault;
    *pCapsFlags = pRange->lCapsFlags;
    return S_OK;
}

SimControlValue *ControlOf(SimCamera *pCam, int iControl) {
    return iControl == kExposure ? &pCam->exposure : &pCam->procAmp[iControl];
}

// Manual values must lie on the control's grid; automatic mode keeps the
// last value (the camera adjusts the picture itself) and ignores lValue.
HRESULT SetControl(int iCamera, int iControl, long lValue, long lFlags) {
    const SimControlRange *pRange = RangeOf(iControl);
    if (!pRange) return E_PROP_ID_UNSUPPORTED;
    if ((lFlags != kAuto && lFlags != kManual) || (lFlags & pRange->lCapsFlags) == 0) return E_INVALIDARG;
    if (lFlags == kManual) {
        if (lValue < pRange->lMin || lValue > pRange->lMax) return E_INVALIDARG;
        if (pRange->lStep > 1 && (lValue - pRange->lMin) % pRange->lStep != 0) return E_INVALIDARG;
    }
    SimStateGuard state;
    SimCamera *pCam = state.Get() ? state.Camera(iCamera) : nullptr;
    if (!pCam || !pCam->present) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    SimControlValue *pValue = ControlOf(pCam, iControl);
    if (lFlags == kManual) pValue->value = lValue;
    pValue->flags = lFlags;
    return S_OK;
}

HRESULT GetControl(int iCamera, int iControl, long *plValue, long *plFlags) {
    if (!plValue || !plFlags) return E_POINTER;
    if (!RangeOf(iControl)) return E_PROP_ID_UNSUPPORTED;
    SimStateGuard state;
    SimCamera *pCam = state.Get() ? state.Camera(iCamera) : nullptr;
    if (!pCam || !pCam->present) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    const SimControlValue *pValue = ControlOf(pCam, iControl);
    *plValue = pValue->value;
    *plFlags = pValue->flags;
    return S_OK;
}

// Frame intervals a UVC camera of this kind lists for one size, fastest first.
const REFERENCE_TIME kFrameIntervals[] = {333333, 666666, 1000000, 2000000, 3333333, 5000000, 10000000};

// IAMCameraControl property numbers map to the camera state's controls.
int ControlIndex(SimControlSet set, long lProperty) {
    if (set == SIM_CONTROLS_CAMERA) return lProperty == CameraControl_Exposure ? kExposure : -2;
    return lProperty >= 0 && lProperty < SIM_PA_COUNT ? static_cast<int>(lProperty) : -2;
}

}  // namespace

HRESULT SimFilterQueryInterface(SimSourceFilter *pFilter, REFIID riid, void **ppv) {
    return pFilter->QueryInterface(riid, ppv);
}
ULONG SimFilterAddRef(SimSourceFilter *pFilter) { return pFilter->AddRef(); }
ULONG SimFilterRelease(SimSourceFilter *pFilter) { return pFilter->Release(); }

// ---------------------------------------------------------------------------
// IAMVideoProcAmp and IAMCameraControl

HRESULT SimControlGetRange(SimSourceFilter *, SimControlSet set, long lProperty, long *pMin, long *pMax, long *pStep,
                           long *pDefault, long *pCapsFlags) {
    return GetControlRange(ControlIndex(set, lProperty), pMin, pMax, pStep, pDefault, pCapsFlags);
}

HRESULT SimControlSetValue(SimSourceFilter *pFilter, SimControlSet set, long lProperty, long lValue, long lFlags) {
    return SetControl(pFilter->CameraIndex(), ControlIndex(set, lProperty), lValue, lFlags);
}

HRESULT SimControlGetValue(SimSourceFilter *pFilter, SimControlSet set, long lProperty, long *plValue, long *plFlags) {
    return GetControl(pFilter->CameraIndex(), ControlIndex(set, lProperty), plValue, plFlags);
}

// ---------------------------------------------------------------------------
// IAMVideoControl: the still pin can be triggered (by software, or armed for
// the camera's button); the capture pin has no modes.

namespace {

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
    const VIDEOINFOHEADER *pVih = reinterpret_cast<const VIDEOINFOHEADER *>(mt.Get()->pbFormat);
    if (pVih->bmiHeader.biWidth != dimensions.cx || pVih->bmiHeader.biHeight != dimensions.cy) return E_INVALIDARG;
    pCap->subtype = pVih->bmiHeader.biCompression;
    pCap->width = pVih->bmiHeader.biWidth;
    pCap->height = pVih->bmiHeader.biHeight;
    return S_OK;
}

}  // namespace

STDMETHODIMP SimVideoControlPart::GetCaps(IPin *pPin, long *pCapsFlags) {
    if (!pPin || !pCapsFlags) return E_POINTER;
    SimOutputPin *pOurs = m_pOwner->PinFromInterface(pPin);
    if (!pOurs) return E_INVALIDARG;
    *pCapsFlags = CapsOf(pOurs);
    return S_OK;
}

STDMETHODIMP SimVideoControlPart::SetMode(IPin *pPin, long Mode) {
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
}

STDMETHODIMP SimVideoControlPart::GetMode(IPin *pPin, long *Mode) {
    if (!pPin || !Mode) return E_POINTER;
    SimOutputPin *pOurs = m_pOwner->PinFromInterface(pPin);
    if (!pOurs) return E_INVALIDARG;
    CritSecLock lock(m_pOwner->Lock());
    *Mode = pOurs->Kind() == SIM_PIN_STILL ? m_lStillMode : m_lCaptureMode;
    return S_OK;
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
