// DShowTestSupport.h - what the DirectShow tests of the simulated camera
// share: the Sample Grabber's interfaces (declared here, as current SDKs no
// longer ship them), device listing through the system device enumerator,
// and a graph shaped like the viewer's (capture pin -> Null Renderer through
// the capture graph builder, still pin -> Sample Grabber -> Null Renderer).
#ifndef KOR_TESTS_SIMCAM_FILTER_DSHOWTESTSUPPORT_H
#define KOR_TESTS_SIMCAM_FILTER_DSHOWTESTSUPPORT_H

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "common/CameraFixture.h"
#include "common/FakeComObject.h"
#include "ComCreate.h"
#include "ComPtr.h"
#include "CritSecLock.h"
#include "MediaType.h"

namespace dshowtest {

// {C1F400A0-3F08-11D3-9F0B-006008039E37}
const CLSID kCLSID_SampleGrabber = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
// {C1F400A4-3F08-11D3-9F0B-006008039E37}
const CLSID kCLSID_NullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
// {6B652FFF-11FE-4FCE-92AD-0266B5D7C78F}
const IID kIID_ISampleGrabber = {0x6B652FFF, 0x11FE, 0x4FCE, {0x92, 0xAD, 0x02, 0x66, 0xB5, 0xD7, 0xC7, 0x8F}};
// {0579154A-2B53-4994-B0D0-E773148EFF85}
const IID kIID_ISampleGrabberCB = {0x0579154A, 0x2B53, 0x4994, {0xB0, 0xD0, 0xE7, 0x73, 0x14, 0x8E, 0xFF, 0x85}};

struct ISampleGrabberCB : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SampleCB(double SampleTime, IMediaSample *pSample) = 0;
    virtual HRESULT STDMETHODCALLTYPE BufferCB(double SampleTime, BYTE *pBuffer, LONG BufferLen) = 0;
};

struct ISampleGrabber : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetOneShot(BOOL OneShot) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE *pType) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE *pType) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL BufferThem) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentBuffer(LONG *pBufferSize, LONG *pBuffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentSample(IMediaSample **ppSample) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCallback(ISampleGrabberCB *pCallback, LONG WhichMethodToCallback) = 0;
};

}  // namespace dshowtest

template <>
inline const IID &FakeIidOf<dshowtest::ISampleGrabberCB>() {
    return dshowtest::kIID_ISampleGrabberCB;
}

namespace dshowtest {

// What BufferCB saw. The grabber calls it on the streaming thread.
struct GrabbedSample {
    double dTime;
    std::vector<BYTE> bytes;
    DWORD dwTick;  // GetTickCount when it arrived
};

// A static callback object (no reference counting, like the viewer's) that
// keeps every sample's bytes and signals an event per sample.
class GrabberCallback : public FakeComObject<ISampleGrabberCB> {
public:
    GrabberCallback();
    ~GrabberCallback() override;
    STDMETHODIMP SampleCB(double, IMediaSample *) override { return S_OK; }
    STDMETHODIMP BufferCB(double SampleTime, BYTE *pBuffer, LONG BufferLen) override;

    // Waits until at least lCount samples arrived in total, up to dwMs.
    bool WaitFor(size_t cCount, DWORD dwMs);
    size_t Count();
    std::vector<GrabbedSample> Samples();
    void Clear();
    void SetKeepBytes(bool bKeep) { m_bKeepBytes = bKeep; }

private:
    CritSec m_cs;
    HANDLE m_hEvent;
    bool m_bKeepBytes;
    std::vector<GrabbedSample> m_Samples;
};

// One entry of the video-input device category.
struct VideoDevice {
    std::wstring name;
    std::wstring path;
    std::wstring displayName;
};

// Lists the video-input devices; fills the monikers too when asked.
std::vector<VideoDevice> ListVideoDevices(std::vector<IMoniker *> *pMonikers = nullptr);
void ReleaseMonikers(std::vector<IMoniker *> *pMonikers);

// Binds the device at iPosition of the category to its capture filter.
HRESULT BindVideoDevice(size_t iPosition, IBaseFilter **ppFilter);

// Pins and their stream configuration.
HRESULT FindPinByCategory(IBaseFilter *pFilter, const GUID &category, IPin **ppPin);
HRESULT StreamConfigOf(IBaseFilter *pFilter, const GUID &category, IAMStreamConfig **ppConfig);

// Subtype FOURCC, width and height of a FORMAT_VideoInfo type (0s otherwise).
struct FormatInfo {
    DWORD fourcc;
    LONG width;
    LONG height;
    REFERENCE_TIME interval;
};
FormatInfo InfoOf(const AM_MEDIA_TYPE *pmt);

const DWORD kYuy2 = 0x32595559;
const DWORD kMjpg = 0x47504A4D;

// The viewer's graph around the first device of the category.
class CameraGraph {
public:
    CameraGraph() = default;
    ~CameraGraph();
    CameraGraph(const CameraGraph &) = delete;
    CameraGraph &operator=(const CameraGraph &) = delete;

    // Creates the graph and the filters and adds them (the capture filter
    // under the device's friendly name).
    HRESULT Create(size_t iDevice = 0);
    // Capture pin -> [pCaptureGrabber ->] Null Renderer, through the builder.
    HRESULT RenderCapture(bool bWithGrabber);
    // Still pin -> Sample Grabber -> Null Renderer, through the builder.
    HRESULT RenderStill();
    HRESULT Run();
    HRESULT Stop();
    HRESULT Trigger();  // IAMVideoControl::SetMode(still pin, trigger)
    // Stops, sets the still pin's format and lets the graph reconnect it.
    HRESULT SetStillFormat(DWORD dwFourcc, LONG lWidth, LONG lHeight);
    // The same for the pin of any category (the first capability that fits).
    HRESULT SetPinFormat(const GUID &category, DWORD dwFourcc, LONG lWidth, LONG lHeight);

    ComPtr<IGraphBuilder> m_pGraph;
    ComPtr<ICaptureGraphBuilder2> m_pBuilder;
    ComPtr<IBaseFilter> m_pCapFilter;
    ComPtr<IBaseFilter> m_pStillGrabber;
    ComPtr<IBaseFilter> m_pCaptureGrabber;
    ComPtr<IBaseFilter> m_pStillNull;
    ComPtr<IBaseFilter> m_pCaptureNull;
    GrabberCallback m_StillCallback;
    GrabberCallback m_CaptureCallback;
};

}  // namespace dshowtest

#endif  // KOR_TESTS_SIMCAM_FILTER_DSHOWTESTSUPPORT_H
