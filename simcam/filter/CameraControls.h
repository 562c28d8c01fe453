// CameraControls.h - the camera's image controls on its capture filter:
// IAMVideoProcAmp, IAMCameraControl and IAMVideoControl. Each is a small part
// embedded in the filter that forwards its reference counting and
// QueryInterface to the filter, so the filter stays one COM object.
//
// The part templates take their owner as a parameter (the filter by
// default) and reach it through the functions declared for it below; another
// owner, such as a test's stand-in for a filter, declares its own controls'
// functions and has its IUnknown called directly.
#ifndef KOR_SIMCAM_FILTER_CAMERACONTROLS_H
#define KOR_SIMCAM_FILTER_CAMERACONTROLS_H

#include <windows.h>
#include <dshow.h>

#include "SimControls.h"

class SimSourceFilter;

// The filter's IUnknown, for the parts (the filter's class is not complete here).
HRESULT SimFilterQueryInterface(SimSourceFilter *pFilter, REFIID riid, void **ppv);
ULONG SimFilterAddRef(SimSourceFilter *pFilter);
ULONG SimFilterRelease(SimSourceFilter *pFilter);

// Another owner's IUnknown.
template <class Owner>
HRESULT SimFilterQueryInterface(Owner *pOwner, REFIID riid, void **ppv) {
    return pOwner->QueryInterface(riid, ppv);
}
template <class Owner>
ULONG SimFilterAddRef(Owner *pOwner) {
    return pOwner->AddRef();
}
template <class Owner>
ULONG SimFilterRelease(Owner *pOwner) {
    return pOwner->Release();
}

// A part of the filter exposing interface I: its IUnknown is the filter's.
template <class I, class Owner = SimSourceFilter>
class SimFilterPart : public I {
public:
    explicit SimFilterPart(Owner *pOwner) : m_pOwner(pOwner) {}
    SimFilterPart(const SimFilterPart &) = delete;
    SimFilterPart &operator=(const SimFilterPart &) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override {
        return SimFilterQueryInterface(m_pOwner, riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return SimFilterAddRef(m_pOwner); }
    STDMETHODIMP_(ULONG) Release() override { return SimFilterRelease(m_pOwner); }

protected:
    Owner *m_pOwner;  // no reference: this part lives inside it
};

// The two control sets with a range per property.
enum SimControlSet { SIM_CONTROLS_PROCAMP = 0, SIM_CONTROLS_CAMERA = 1 };

// GetRange's answer for a control with that range.
inline void SimReportRange(const SimControlRange &range, long *pMin, long *pMax, long *pStep, long *pDefault,
                           long *pCapsFlags) {
    *pMin = range.lMin;
    *pMax = range.lMax;
    *pStep = range.lStep;
    *pDefault = range.lDefault;
    *pCapsFlags = range.lCapsFlags;
}

// What both ranged interfaces do, by control set.
HRESULT SimControlGetRange(SimSourceFilter *pFilter, SimControlSet set, long lProperty, long *pMin, long *pMax,
                           long *pStep, long *pDefault, long *pCapsFlags);
HRESULT SimControlSetValue(SimSourceFilter *pFilter, SimControlSet set, long lProperty, long lValue, long lFlags);
HRESULT SimControlGetValue(SimSourceFilter *pFilter, SimControlSet set, long lProperty, long *plValue, long *plFlags);

// IAMVideoProcAmp and IAMCameraControl have the same three methods: GetRange,
// Set and Get, on the camera state's values of one control set.
template <class I, SimControlSet kSet, class Owner = SimSourceFilter>
class SimRangedControlPart final : public SimFilterPart<I, Owner> {
public:
    explicit SimRangedControlPart(Owner *pOwner) : SimFilterPart<I, Owner>(pOwner) {}
    STDMETHODIMP GetRange(long Property, long *pMin, long *pMax, long *pSteppingDelta, long *pDefault,
                          long *pCapsFlags) override {
        return SimControlGetRange(this->m_pOwner, kSet, Property, pMin, pMax, pSteppingDelta, pDefault, pCapsFlags);
    }
    STDMETHODIMP Set(long Property, long lValue, long Flags) override {
        return SimControlSetValue(this->m_pOwner, kSet, Property, lValue, Flags);
    }
    STDMETHODIMP Get(long Property, long *lValue, long *Flags) override {
        return SimControlGetValue(this->m_pOwner, kSet, Property, lValue, Flags);
    }
};

// Brightness, contrast, hue, saturation, sharpness, gamma, colour enable and
// white balance (automatic or manual), read from and written to the camera
// state, so every frame rendered afterwards shows them.
typedef SimRangedControlPart<IAMVideoProcAmp, SIM_CONTROLS_PROCAMP> SimProcAmpPart;
// Exposure (log2 seconds), automatic or manual.
typedef SimRangedControlPart<IAMCameraControl, SIM_CONTROLS_CAMERA> SimCameraControlPart;

// The still trigger on the still pin, and the capture pin's frame rates.
class SimVideoControlPart final : public SimFilterPart<IAMVideoControl> {
public:
    explicit SimVideoControlPart(SimSourceFilter *pOwner)
        : SimFilterPart<IAMVideoControl>(pOwner), m_lStillMode(0), m_lCaptureMode(0) {}
    STDMETHODIMP GetCaps(IPin *pPin, long *pCapsFlags) override;
    STDMETHODIMP SetMode(IPin *pPin, long Mode) override;
    STDMETHODIMP GetMode(IPin *pPin, long *Mode) override;
    STDMETHODIMP GetCurrentActualFrameRate(IPin *pPin, LONGLONG *ActualFrameRate) override;
    STDMETHODIMP GetMaxAvailableFrameRate(IPin *pPin, long iIndex, SIZE Dimensions,
                                          LONGLONG *MaxAvailableFrameRate) override;
    STDMETHODIMP GetFrameRateList(IPin *pPin, long iIndex, SIZE Dimensions, long *ListSize,
                                  LONGLONG **FrameRates) override;

private:
    LONG m_lStillMode;  // last mode set on each pin, without the one-shot trigger
    LONG m_lCaptureMode;
};

#endif  // KOR_SIMCAM_FILTER_CAMERACONTROLS_H
