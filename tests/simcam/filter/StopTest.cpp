// StopTest.cpp - stopping a running camera while its streaming thread is
// inside a downstream callback that asks the filter and its pins something,
// and the failure lines of the allocator set-up.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "DShowTestSupport.h"
#include "server/SimGuids.h"
#include "common/DebugCapture.h"
#include "common/DebuggerRun.h"
#include "include/SimCamControl.h"

using namespace dshowtest;

namespace {

// Ends the process when the test does not finish in time: a hang fails the
// test run at once instead of holding CTest until its own timeout.
class Watchdog {
public:
    explicit Watchdog(DWORD dwMs) : m_dwMs(dwMs), m_hDone(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        m_hThread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    }
    ~Watchdog() {
        SetEvent(m_hDone);
        if (m_hThread) {
            WaitForSingleObject(m_hThread, INFINITE);
            CloseHandle(m_hThread);
        }
        if (m_hDone) CloseHandle(m_hDone);
    }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;
    bool Armed() const { return m_hThread && m_hDone; }

private:
    static DWORD WINAPI ThreadProc(LPVOID pParam) {
        Watchdog *pThis = static_cast<Watchdog *>(pParam);
        if (WaitForSingleObject(pThis->m_hDone, pThis->m_dwMs) == WAIT_TIMEOUT) {
            std::fprintf(stderr, "FAILED: the graph hung (no progress for %lu ms); ending the test process\n",
                         static_cast<unsigned long>(pThis->m_dwMs));
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        return 0;
    }

    DWORD m_dwMs;
    HANDLE m_hDone;
    HANDLE m_hThread;
};

// A grabber callback (method 1, on the streaming thread) that asks the
// camera's still pin for its format and the filter for the still pin's mode,
// after letting the test start a Stop.
class AskingCallback : public FakeComObject<ISampleGrabberCB> {
public:
    AskingCallback(IAMStreamConfig *pConfig, IAMVideoControl *pVideoControl, IPin *pStill)
        : FakeComObject(FAKE_COUNT_ONLY),
          m_pConfig(pConfig),
          m_pVideoControl(pVideoControl),
          m_pStill(pStill),
          m_hEntered(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          m_lAnswers(0),
          m_lFailures(0) {}
    ~AskingCallback() {
        if (m_hEntered) CloseHandle(m_hEntered);
    }
    STDMETHODIMP SampleCB(double, IMediaSample *) override { return S_OK; }
    STDMETHODIMP BufferCB(double, BYTE *, LONG) override {
        SetEvent(m_hEntered);
        Sleep(30);  // the test calls Stop meanwhile
        MediaTypePtr pmt;
        long lMode = -1;
        bool bOk = m_pConfig->GetFormat(&pmt) == S_OK && m_pVideoControl->GetMode(m_pStill, &lMode) == S_OK;
        InterlockedIncrement(bOk ? &m_lAnswers : &m_lFailures);
        return S_OK;
    }

    bool WaitEntered(DWORD dwMs) { return WaitForSingleObject(m_hEntered, dwMs) == WAIT_OBJECT_0; }
    LONG Answers() const { return m_lAnswers; }
    LONG Failures() const { return m_lFailures; }

private:
    IAMStreamConfig *m_pConfig;  // borrowed from the test
    IAMVideoControl *m_pVideoControl;
    IPin *m_pStill;
    HANDLE m_hEntered;
    volatile LONG m_lAnswers;
    volatile LONG m_lFailures;
};

class StopTest : public CameraTest {};

}  // namespace

// Capture pin -> Null Renderer, still pin -> Sample Grabber -> Null Renderer;
// every run takes a still whose callback is still asking the camera when
// the graph stops. A hundred rounds, none may hang.
TEST_F(StopTest, StopDoesNotWaitOnTheCameraLockHeldByACallback) {
    ASSERT_TRUE(m_camera.Load("[camera]\ncapture = YUY2 320x240\nstill = YUY2 640x480\n"));
    Watchdog watchdog(60000);
    ASSERT_TRUE(watchdog.Armed());
    {
        CameraGraph graph;
        ASSERT_EQ(S_OK, graph.Create(0));
        ASSERT_EQ(S_OK, graph.RenderCapture(false));
        ASSERT_EQ(S_OK, graph.RenderStill());
        ComPtr<IPin> pStill;
        ASSERT_EQ(S_OK, FindPinByCategory(graph.m_pCapFilter.Get(), PIN_CATEGORY_STILL, &pStill));
        ComPtr<IAMStreamConfig> pConfig;
        ASSERT_EQ(S_OK, pStill->QueryInterface(IID_IAMStreamConfig, pConfig.OutVoid()));
        ComPtr<IAMVideoControl> pVideoControl;
        ASSERT_EQ(S_OK, graph.m_pCapFilter->QueryInterface(IID_IAMVideoControl, pVideoControl.OutVoid()));
        AskingCallback callback(pConfig.Get(), pVideoControl.Get(), pStill.Get());
        ComPtr<ISampleGrabber> pGrabber;
        ASSERT_EQ(S_OK, graph.m_pStillGrabber->QueryInterface(kIID_ISampleGrabber, pGrabber.OutVoid()));
        ASSERT_EQ(S_OK, pGrabber->SetCallback(&callback, 1));

        const int kRounds = 100;
        int iEntered = 0;
        for (int i = 0; i < kRounds; ++i) {
            ASSERT_TRUE(SUCCEEDED(graph.Run())) << i;
            ASSERT_EQ(S_OK, graph.Trigger()) << i;
            if (callback.WaitEntered(5000)) ++iEntered;
            ASSERT_TRUE(SUCCEEDED(graph.Stop())) << i;
            FILTER_STATE state = State_Running;
            EXPECT_EQ(S_OK, graph.m_pCapFilter->GetState(0, &state));
            EXPECT_EQ(State_Stopped, state);
        }
        EXPECT_EQ(kRounds, iEntered);
        // Every callback that ran got its answers, during the Stop too.
        EXPECT_EQ(kRounds, callback.Answers());
        EXPECT_EQ(0, callback.Failures());
        (void)pGrabber->SetCallback(nullptr, 1);
    }
}

namespace {

// An input pin that takes any type but refuses the allocator it is given.
class RefusingInputPin : public FakeComObject<IPin, IMemInputPin> {
public:
    explicit RefusingInputPin(HRESULT hrNotify)
        : FakeComObject(FAKE_COUNT_ONLY), m_hrNotify(hrNotify), m_cDisconnects(0) {}

    STDMETHODIMP Connect(IPin *, const AM_MEDIA_TYPE *) override { return E_UNEXPECTED; }
    STDMETHODIMP ReceiveConnection(IPin *, const AM_MEDIA_TYPE *) override { return S_OK; }
    STDMETHODIMP Disconnect() override {
        ++m_cDisconnects;
        return S_OK;
    }
    STDMETHODIMP ConnectedTo(IPin **ppPin) override {
        if (ppPin) *ppPin = nullptr;
        return VFW_E_NOT_CONNECTED;
    }
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE *) override { return VFW_E_NOT_CONNECTED; }
    STDMETHODIMP QueryPinInfo(PIN_INFO *pInfo) override {
        if (!pInfo) return E_POINTER;
        ZeroMemory(pInfo, sizeof(*pInfo));
        pInfo->dir = PINDIR_INPUT;
        return S_OK;
    }
    STDMETHODIMP QueryDirection(PIN_DIRECTION *pDir) override {
        if (!pDir) return E_POINTER;
        *pDir = PINDIR_INPUT;
        return S_OK;
    }
    STDMETHODIMP QueryId(LPWSTR *) override { return E_NOTIMPL; }
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE *) override { return S_OK; }
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes **) override { return E_NOTIMPL; }
    STDMETHODIMP QueryInternalConnections(IPin **, ULONG *) override { return E_NOTIMPL; }
    STDMETHODIMP EndOfStream() override { return S_OK; }
    STDMETHODIMP BeginFlush() override { return S_OK; }
    STDMETHODIMP EndFlush() override { return S_OK; }
    STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    STDMETHODIMP GetAllocator(IMemAllocator **ppAllocator) override {
        if (ppAllocator) *ppAllocator = nullptr;
        return VFW_E_NO_ALLOCATOR;
    }
    STDMETHODIMP NotifyAllocator(IMemAllocator *, BOOL) override { return m_hrNotify; }
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES *) override { return E_NOTIMPL; }
    STDMETHODIMP Receive(IMediaSample *) override { return S_OK; }
    STDMETHODIMP ReceiveMultiple(IMediaSample **, long, long *pnProcessed) override {
        if (pnProcessed) *pnProcessed = 0;
        return S_OK;
    }
    STDMETHODIMP ReceiveCanBlock() override { return S_FALSE; }

    int Disconnects() const { return m_cDisconnects; }

private:
    HRESULT m_hrNotify;
    int m_cDisconnects;
};

// Connects the camera's capture pin to a peer that refuses every allocator:
// the connection fails with the peer's own result and the peer is
// disconnected again.
void ConnectToRefusingPeer() {
    ComPtr<IBaseFilter> pFilter;
    ASSERT_EQ(S_OK, CreateComObject(CLSID_SimCamSource, IID_IBaseFilter, pFilter));
    ComPtr<IPin> pCapture;
    ASSERT_EQ(S_OK, pFilter->FindPin(L"Capture", &pCapture));
    ComPtr<IAMStreamConfig> pConfig;
    ASSERT_EQ(S_OK, pCapture->QueryInterface(IID_IAMStreamConfig, pConfig.OutVoid()));
    MediaTypePtr pmt;
    ASSERT_EQ(S_OK, pConfig->GetFormat(&pmt));

    const HRESULT kRefused = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    RefusingInputPin peer(kRefused);
    EXPECT_EQ(kRefused, pCapture->Connect(&peer, pmt.Get()));
    EXPECT_EQ(1, peer.Disconnects());
    ComPtr<IPin> pConnected;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, pCapture->ConnectedTo(&pConnected));
}

size_t CountNotifyFailures(const std::vector<std::wstring> &lines) {
    size_t cLines = 0;
    for (const std::wstring &line : lines) {
        if (line.find(L"simcam: IMemInputPin::NotifyAllocator failed: 0x80070005") == 0) ++cLines;
    }
    return cLines;
}

}  // namespace

// The failing call is named once on the debugger output.
TEST_F(StopTest, AllocatorSetUpFailureIsReportedAndTraced) {
    DebugCapture capture;
    ASSERT_TRUE(capture.IsActive());
    ConnectToRefusingPeer();
    EXPECT_EQ(1u, CountNotifyFailures(capture.Lines()));
}

// The child half of the next test: the same connection, with no handler.
TEST_F(StopTest, DISABLED_ConnectToRefusingPeerAlone) { ConnectToRefusingPeer(); }

// The same line seen the plain way: by a real debugger of a child process.
TEST_F(StopTest, AllocatorSetUpFailureReachesADebugger) {
    std::wstring commandLine =
        L"\"" + CurrentProgramPath() +
        L"\" --gtest_also_run_disabled_tests --gtest_filter=StopTest.DISABLED_ConnectToRefusingPeerAlone";
    DebuggerRunResult result = RunUnderDebugger(commandLine, 60000);
    ASSERT_TRUE(result.bStarted);
    ASSERT_TRUE(result.bFinished);
    EXPECT_EQ(0u, result.dwExitCode);
    EXPECT_EQ(1u, CountNotifyFailures(result.lines));
}
