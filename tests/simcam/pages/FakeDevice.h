// FakeDevice.h - stand-ins for a capture filter's image controls and a pin's
// stream configuration, so the property pages can be driven against values
// and failures the test chooses.
#ifndef KOR_TESTS_SIMCAM_PAGES_FAKEDEVICE_H
#define KOR_TESTS_SIMCAM_PAGES_FAKEDEVICE_H

#include <windows.h>
#include <dshow.h>

#include <vector>

#include "common/FakeComObject.h"

// One control as the fake reports and records it.
struct FakeControl {
    bool bPresent;
    long lMin, lMax, lStep, lDefault, lCaps;
    long lValue, lFlags;
    HRESULT hrSet;  // what Set returns (and whether it stores)
    int cSetCalls;
};

// IAMVideoProcAmp and IAMCameraControl as two parts of one object with one
// reference count (their methods share names, so they cannot share a class).
// It lives on the test's stack: the count only tells whether references leak.
class FakeImageControls : public FakeComObject<IUnknown> {
public:
    explicit FakeImageControls(bool bCameraControl);
    HRESULT QueryOther(REFIID riid, void **ppv) override;

    FakeControl procAmp[8];  // by VideoProcAmpProperty
    FakeControl exposure;    // CameraControl_Exposure; other camera controls are absent

private:
    class ProcAmpPart : public IAMVideoProcAmp {
    public:
        explicit ProcAmpPart(FakeImageControls *pOwner) : m_pOwner(pOwner) {}
        STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override { return m_pOwner->QueryInterface(riid, ppv); }
        STDMETHODIMP_(ULONG) AddRef() override { return m_pOwner->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return m_pOwner->Release(); }
        STDMETHODIMP GetRange(long lProperty, long *pMin, long *pMax, long *pStep, long *pDefault,
                              long *pCaps) override;
        STDMETHODIMP Set(long lProperty, long lValue, long lFlags) override;
        STDMETHODIMP Get(long lProperty, long *plValue, long *plFlags) override;

    private:
        FakeImageControls *m_pOwner;
    };
    class CameraPart : public IAMCameraControl {
    public:
        explicit CameraPart(FakeImageControls *pOwner) : m_pOwner(pOwner) {}
        STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override { return m_pOwner->QueryInterface(riid, ppv); }
        STDMETHODIMP_(ULONG) AddRef() override { return m_pOwner->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return m_pOwner->Release(); }
        STDMETHODIMP GetRange(long lProperty, long *pMin, long *pMax, long *pStep, long *pDefault,
                              long *pCaps) override;
        STDMETHODIMP Set(long lProperty, long lValue, long lFlags) override;
        STDMETHODIMP Get(long lProperty, long *plValue, long *plFlags) override;

    private:
        FakeImageControls *m_pOwner;
    };

    FakeControl *Find(bool bCamera, long lProperty);
    static HRESULT GetRangeOf(FakeControl *pCtl, long *pMin, long *pMax, long *pStep, long *pDefault, long *pCaps);
    static HRESULT SetOf(FakeControl *pCtl, long lValue, long lFlags);
    static HRESULT GetOf(FakeControl *pCtl, long *plValue, long *plFlags);

    bool m_bCameraControl;
    ProcAmpPart m_ProcAmp;
    CameraPart m_Camera;
};

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
