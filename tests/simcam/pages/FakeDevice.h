// FakeDevice.h - stand-ins for a capture filter's image controls and a pin's
// stream configuration, so the property pages can be driven against values
// and failures the test chooses.
#ifndef KOR_TESTS_SIMCAM_PAGES_FAKEDEVICE_H
#define KOR_TESTS_SIMCAM_PAGES_FAKEDEVICE_H

#include <windows.h>
#include <dshow.h>

#include <vector>

#include "common/FakeComObject.h"
#include "filter/CameraControls.h"

// One control as the fake reports and records it.
struct FakeControl {
    bool bPresent;
    SimControlRange range;  // what GetRange reports
    long lValue, lFlags;
    HRESULT hrSet;  // what Set returns (and whether it stores)
    int cSetCalls;
};

// IAMVideoProcAmp and IAMCameraControl as two parts of one object with one
// reference count, made from the filter's own part templates
// (filter/CameraControls.h), which reach the fake through the functions
// declared below. It lives on the test's stack: the count only tells whether
// references leak.
class FakeImageControls : public FakeComObject<IUnknown> {
public:
    explicit FakeImageControls(bool bCameraControl);
    HRESULT QueryOther(REFIID riid, void **ppv) override;
    // The control a property of set names, or null when the fake has none.
    FakeControl *Find(SimControlSet set, long lProperty);

    FakeControl procAmp[8];  // by VideoProcAmpProperty
    FakeControl exposure;    // CameraControl_Exposure; other camera controls are absent

private:
    bool m_bCameraControl;
    SimRangedControlPart<IAMVideoProcAmp, SIM_CONTROLS_PROCAMP, FakeImageControls> m_ProcAmp;
    SimRangedControlPart<IAMCameraControl, SIM_CONTROLS_CAMERA, FakeImageControls> m_Camera;
};

// The parts' way to the fake's controls, as CameraControls.h declares it for
// the filter.
HRESULT SimControlGetRange(FakeImageControls *pOwner, SimControlSet set, long lProperty, long *pMin, long *pMax,
                           long *pStep, long *pDefault, long *pCapsFlags);
HRESULT SimControlSetValue(FakeImageControls *pOwner, SimControlSet set, long lProperty, long lValue, long lFlags);
HRESULT SimControlGetValue(FakeImageControls *pOwner, SimControlSet set, long lProperty, long *plValue, long *plFlags);

struct FakeFormat {
    DWORD dwFourCC;
    LONG lWidth, lHeight;
};

// A pin's IAMStreamConfig over a fixed capability list.
class FakeStreamConfig : public FakeComObject<IAMStreamConfig> {
public:
    FakeStreamConfig(const std::vector<FakeFormat> &caps, int iCapsSize);
    STDMETHODIMP SetFormat(AM_MEDIA_TYPE *pmt) override;
    STDMETHODIMP GetFormat(AM_MEDIA_TYPE **ppmt) override;
    STDMETHODIMP GetNumberOfCapabilities(int *piCount, int *piSize) override;
    STDMETHODIMP GetStreamCaps(int iIndex, AM_MEDIA_TYPE **ppmt, BYTE *pSCC) override;

    std::vector<FakeFormat> caps;
    int iCapsSize;        // what GetNumberOfCapabilities reports
    FakeFormat current;   // GetFormat's answer
    HRESULT hrSetFormat;  // what SetFormat returns (and whether it stores)
    int cSetFormatCalls;
};

AM_MEDIA_TYPE *FakeMediaType(const FakeFormat &format);

#endif  // KOR_TESTS_SIMCAM_PAGES_FAKEDEVICE_H
