// CaptureTestSupport.h - what the capture tests share: a look inside the
// capture manager, the message-box and creation hooks, a main window with a
// status bar, message pumping, temporary folders, the Running Object Table's
// graph entries, and recording fakes of the renderer's video interfaces.
#ifndef KOR_TESTS_CAPTURE_CAPTURETESTSUPPORT_H
#define KOR_TESTS_CAPTURE_CAPTURETESTSUPPORT_H

#include <windows.h>
#include <dshow.h>

#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "Dshow.h"
#include "common/RealBoxWatcher.h"
#include "common/FakeComObject.h"
#include "common/TempFolder.h"
#include "common/TestKit.h"

// The manager's fields, read and set by the tests.
class DShowManagerTestAccess {
public:
    static BOOL &Initialized(DShowManager &m) { return m.m_Initialized; }
    static BOOL GraphBuilt(DShowManager &m) { return m.m_GraphBuilt; }
    static BOOL Previewing(DShowManager &m) { return m.m_Previewing; }
    static IGraphBuilder *Graph(DShowManager &m) { return m.m_pGraph.Get(); }
    static IBaseFilter *CapFilter(DShowManager &m) { return m.m_pCapFilter.Get(); }
    static IBaseFilter *VideoRender(DShowManager &m) { return m.m_pVideoRender.Get(); }
    static IBaseFilter *Grabber(DShowManager &m) { return m.m_pGrabberFilter.Get(); }
    static IAMStreamConfig *StreamConfig(DShowManager &m) { return m.m_pStreamConfig.Get(); }
    static IAMStreamConfig *StillStreamConfig(DShowManager &m) { return m.m_pStillStreamConfig.Get(); }
    static IAMVideoControl *VidControl(DShowManager &m) { return m.m_pAMVidControl.Get(); }
    static IPin *StillPin(DShowManager &m) { return m.m_pStillPin.Get(); }
    static ISampleGrabber *SampleGrabber(DShowManager &m) { return m.m_pSampleGrabber; }
    static ISampleCaptureGraphBuilder *Builder(DShowManager &m) { return m.m_pBuilder.get(); }
    static AM_MEDIA_TYPE *StillMediaType(DShowManager &m) { return m.m_StillMediaType.Get(); }
    static DWORD CapFiltersRotCookie(DShowManager &m) { return m.m_CapFiltersRot.Cookie(); }
    static void SetVideoInterfaces(DShowManager &m, IBasicVideo *pBasic, IVideoWindow *pWindow) {
        m.m_pBasicVideo.Assign(pBasic);
        m.m_pVideoWindow.Assign(pWindow);
    }
    static void SetVideoSize(DShowManager &m, int w, int h) { m.SetVideoResolution(w, h); }
    static void SetHasStillPin(DShowManager &m, BOOL b) { m.m_HasStillPin = b; }
    static void SetMoniker(DShowManager &m, IMoniker *p) { m.m_pMoniker = p; }
};

// One message box that reached the seam.
struct RecordedBox {
    HWND hWndOwner;
    std::wstring text;
    std::wstring caption;  // "(null)" for a null caption
    UINT uType;
    DWORD threadId;
};

// Records every box and answers from a script (IDOK when it runs out).
// One at a time; installs itself for its lifetime.
class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    std::vector<RecordedBox> Boxes() const;
    size_t Count() const;
    void Clear();
    void ScriptAnswers(std::vector<int> answers);
    // True when exactly one box shows this text (and caption, when given).
    bool Saw(const std::wstring &text, const wchar_t *pszCaption = nullptr) const;
};

// Fails or replaces the creation of chosen classes through the capture
// subsystem's creation seam; every other class is created as usual.
class CreateInterceptor {
public:
    typedef std::function<HRESULT(REFIID, void **)> Factory;
    CreateInterceptor();
    ~CreateInterceptor();
    void Fail(REFCLSID clsid, HRESULT hr);
    void Replace(REFCLSID clsid, Factory factory);
    // Fails only the n-th (1-based) creation of the class from now on.
    void FailNth(REFCLSID clsid, int nth, HRESULT hr);
    int Created(REFCLSID clsid) const;
};

// A top-level window with a status bar, as the main window has.
class TestMainWindow {
public:
    TestMainWindow(int clientWidth = 640, int clientHeight = 500);
    ~TestMainWindow();
    HWND Window() const { return m_hWnd; }
    HWND StatusBar() const { return m_hWndStatus; }
    int StatusHeight() const;
    void SetClientSize(int width, int height);
    std::wstring StatusText(int part) const;
    std::vector<int> StatusParts() const;

private:
    HWND m_hWnd;
    HWND m_hWndStatus;
};

// Display names of the Running Object Table entries that start with "!FilterGraph".
std::vector<std::wstring> GraphRotEntries();
// The entry name the manager gives a graph in this process.
std::wstring RotNameFor(IUnknown *pGraph);

// Names of the filters in a graph, in enumeration order.
std::vector<std::wstring> FilterNames(IGraphBuilder *pGraph);
// The name of the filter a pin of pFilter of this category is connected to ("" if none).
std::wstring ConnectedFilterOf(IBaseFilter *pFilter, const GUID &category);

// A recording fake of the renderer's IBasicVideo.
class FakeBasicVideo : public FakeDualObject<IBasicVideo> {
public:
    FakeBasicVideo(long width, long height) : FakeDualObject(FAKE_COUNT_ONLY), m_width(width), m_height(height) {}
    HRESULT hrVideoSize = S_OK;
    HRESULT hrSource = S_OK;

    STDMETHODIMP GetVideoSize(long *pW, long *pH) override {
        calls.push_back({"GetVideoSize", 0, 0, 0, 0});
        if (FAILED(hrVideoSize)) return hrVideoSize;
        *pW = m_width;
        *pH = m_height;
        return S_OK;
    }
    STDMETHODIMP SetSourcePosition(long l, long t, long w, long h) override {
        calls.push_back({"SetSourcePosition", l, t, w, h});
        return hrSource;
    }
    // The rest is not used by the capture manager.
    STDMETHODIMP get_AvgTimePerFrame(REFTIME *) override { return E_NOTIMPL; }
    STDMETHODIMP get_BitRate(long *) override { return E_NOTIMPL; }
    STDMETHODIMP get_BitErrorRate(long *) override { return E_NOTIMPL; }
    STDMETHODIMP get_VideoWidth(long *) override { return E_NOTIMPL; }
    STDMETHODIMP get_VideoHeight(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_SourceLeft(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_SourceLeft(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_SourceWidth(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_SourceWidth(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_SourceTop(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_SourceTop(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_SourceHeight(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_SourceHeight(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_DestinationLeft(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_DestinationLeft(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_DestinationWidth(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_DestinationWidth(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_DestinationTop(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_DestinationTop(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_DestinationHeight(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_DestinationHeight(long *) override { return E_NOTIMPL; }
    STDMETHODIMP GetSourcePosition(long *, long *, long *, long *) override { return E_NOTIMPL; }
    STDMETHODIMP SetDefaultSourcePosition() override { return E_NOTIMPL; }
    STDMETHODIMP SetDestinationPosition(long, long, long, long) override { return E_NOTIMPL; }
    STDMETHODIMP GetDestinationPosition(long *, long *, long *, long *) override { return E_NOTIMPL; }
    STDMETHODIMP SetDefaultDestinationPosition() override { return E_NOTIMPL; }
    STDMETHODIMP GetVideoPaletteEntries(long, long, long *, long *) override { return E_NOTIMPL; }
    STDMETHODIMP GetCurrentImage(long *, long *) override { return E_NOTIMPL; }
    STDMETHODIMP IsUsingDefaultSource() override { return E_NOTIMPL; }
    STDMETHODIMP IsUsingDefaultDestination() override { return E_NOTIMPL; }

private:
    long m_width, m_height;
};

// A recording fake of the graph's IVideoWindow.
class FakeVideoWindow : public FakeDualObject<IVideoWindow> {
public:
    FakeVideoWindow() : FakeDualObject(FAKE_COUNT_ONLY) {}

    STDMETHODIMP SetWindowPosition(long l, long t, long w, long h) override {
        calls.push_back({"SetWindowPosition", l, t, w, h});
        return S_OK;
    }
    // The rest is not used by the capture manager.
    STDMETHODIMP put_Caption(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP get_Caption(BSTR *) override { return E_NOTIMPL; }
    STDMETHODIMP put_WindowStyle(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_WindowStyle(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_WindowStyleEx(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_WindowStyleEx(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_AutoShow(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_AutoShow(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_WindowState(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_WindowState(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_BackgroundPalette(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_BackgroundPalette(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_Visible(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_Visible(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_Left(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_Left(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_Width(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_Width(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_Top(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_Top(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_Height(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_Height(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_Owner(OAHWND) override { return E_NOTIMPL; }
    STDMETHODIMP get_Owner(OAHWND *) override { return E_NOTIMPL; }
    STDMETHODIMP put_MessageDrain(OAHWND) override { return E_NOTIMPL; }
    STDMETHODIMP get_MessageDrain(OAHWND *) override { return E_NOTIMPL; }
    STDMETHODIMP get_BorderColor(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_BorderColor(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_FullScreenMode(long *) override { return E_NOTIMPL; }
    STDMETHODIMP put_FullScreenMode(long) override { return E_NOTIMPL; }
    STDMETHODIMP SetWindowForeground(long) override { return E_NOTIMPL; }
    STDMETHODIMP NotifyOwnerMessage(OAHWND, long, LONG_PTR, LONG_PTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetWindowPosition(long *, long *, long *, long *) override { return E_NOTIMPL; }
    STDMETHODIMP GetMinIdealImageSize(long *, long *) override { return E_NOTIMPL; }
    STDMETHODIMP GetMaxIdealImageSize(long *, long *) override { return E_NOTIMPL; }
    STDMETHODIMP GetRestorePosition(long *, long *, long *, long *) override { return E_NOTIMPL; }
    STDMETHODIMP HideCursor(long) override { return E_NOTIMPL; }
    STDMETHODIMP IsCursorHidden(long *) override { return E_NOTIMPL; }
};

// Filters and builders handed out through the creation seam to stage the
// failures of the platform's own objects.
namespace stage {

// A filter that refuses to join a graph (AddFilter fails).
HRESULT CreateRefusingFilter(REFIID iid, void **ppv);

// The real Sample Grabber behind a wrapper that fails one of its calls.
enum GrabberFault { GRABBER_NO_INTERFACE, GRABBER_FAIL_SETCALLBACK, GRABBER_FAIL_CONNECTED_TYPE };
HRESULT CreateFaultyGrabber(GrabberFault fault, REFIID iid, void **ppv);

// The real capture graph builder behind a wrapper whose SetFiltergraph fails.
HRESULT CreateBuilderRefusingGraph(REFIID iid, void **ppv);

}  // namespace stage

#endif  // KOR_TESTS_CAPTURE_CAPTURETESTSUPPORT_H
