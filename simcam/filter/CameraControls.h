// CameraControls.h - the camera's image controls on its capture filter:
// IAMVideoProcAmp, IAMCameraControl and IAMVideoControl. Each is a small part
// embedded in the filter that forwards its reference counting and
// QueryInterface to the filter, so the filter stays one COM object.
#ifndef SIMCAM_FILTER_CAMERACONTROLS_H
#define SIMCAM_FILTER_CAMERACONTROLS_H

#include <windows.h>
#include <dshow.h>

class SimSourceFilter;

// Brightness, contrast, hue, saturation, sharpness, gamma, colour enable and
// white balance (automatic or manual), read from and written to the camera
// state, so every frame rendered afterwards shows them.
class SimProcAmpPart : public IAMVideoProcAmp {
public:
    explicit SimProcAmpPart(SimSourceFilter *pOwner) : m_pOwner(pOwner) {}
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetRange(long Property, long *pMin, long *pMax, long *pSteppingDelta, long *pDefault,
                          long *pCapsFlags) override;
    STDMETHODIMP Set(long Property, long lValue, long Flags) override;
    STDMETHODIMP Get(long Property, long *lValue, long *Flags) override;

private:
    SimSourceFilter *m_pOwner;  // no reference: this part lives inside it
};

// Exposure (log2 seconds), automatic or manual.
class SimCameraControlPart : public IAMCameraControl {
public:
    explicit SimCameraControlPart(SimSourceFilter *pOwner) : m_pOwner(pOwner) {}
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetRange(long Property, long *pMin, long *pMax, long *pSteppingDelta, long *pDefault,
                          long *pCapsFlags) override;
    STDMETHODIMP Set(long Property, long lValue, long Flags) override;
    STDMETHODIMP Get(long Property, long *lValue, long *Flags) override;

private:
    SimSourceFilter *m_pOwner;
};

// The still trigger on the still pin, and the capture pin's frame rates.
class SimVideoControlPart : public IAMVideoControl {
public:
    explicit SimVideoControlPart(SimSourceFilter *pOwner) : m_pOwner(pOwner), m_lStillMode(0), m_lCaptureMode(0) {}
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetCaps(IPin *pPin, long *pCapsFlags) override;
    STDMETHODIMP SetMode(IPin *pPin, long Mode) override;
    STDMETHODIMP GetMode(IPin *pPin, long *Mode) override;
    STDMETHODIMP GetCurrentActualFrameRate(IPin *pPin, LONGLONG *ActualFrameRate) override;
    STDMETHODIMP GetMaxAvailableFrameRate(IPin *pPin, long iIndex, SIZE Dimensions,
                                          LONGLONG *MaxAvailableFrameRate) override;
    STDMETHODIMP GetFrameRateList(IPin *pPin, long iIndex, SIZE Dimensions, long *ListSize,
                                  LONGLONG **FrameRates) override;

private:
    SimSourceFilter *m_pOwner;
    LONG m_lStillMode;  // last mode set on each pin, without the one-shot trigger
    LONG m_lCaptureMode;
};

#endif  // SIMCAM_FILTER_CAMERACONTROLS_H
