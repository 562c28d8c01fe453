// CaptureFailureTest.cpp - the failure tables and the orders of calls, seen
// through the simulated camera's call log and staged with its faults: what
// the manager asks the pins for, what it does when a pin, the filter or a
// property call fails, and that nothing (graph, camera, registration) is
// left behind.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <thread>
#include <vector>

#include "CaptureGuids.h"
#include "GraphFixture.h"
#include "KORFwSw.h"
#include "SampleGrabberCallback.h"
#include "common/DebugCapture.h"
#include "common/CameraFixture.h"

namespace {

const DWORD kYuy2 = 0x32595559;
const DWORD kMjpg = 0x47504A4D;

std::vector<SimLogEntry> EntriesOf(int op) {
    std::vector<SimLogEntry> entries;
    DWORD count = SimLogCountOp(op);
    for (DWORD i = 0; i < count; ++i) {
        SimLogEntry entry;
        if (SimLogReadOp(op, i, &entry)) entries.push_back(entry);
    }
    return entries;
}

LONG DataLong(const SimLogEntry &entry, int i) { return reinterpret_cast<const LONG *>(entry.data)[i]; }

// The Sample Grabber behind a wrapper that fails one of its calls.
CreateInterceptor::Factory FaultyGrabber(stage::GrabberFault fault) {
    return [fault](REFIID iid, void **ppv) { return stage::CreateFaultyGrabber(fault, iid, ppv); };
}

class CaptureFailures : public CaptureGraph {};

}  // namespace

TEST_F(CaptureFailures, FormatsGivenToThePinsAreTheOnesDescribed) {
    // No MJPG still capability is 2592 x 1944: the first of that size (YUY2)
    // is taken with MJPG put in and its format block unchanged. The capture
    // pin starts at YUY2 1280 x 960 and is asked for 640 x 480 with its
    // image size kept.
    ASSERT_TRUE(
        m_camera.Load("[camera]\ncapture = YUY2 1280x960, YUY2 640x480\n"
                      "still = YUY2 2592x1944, MJPG 1280x960, MJPG 640x480\n"));
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    std::vector<SimLogEntry> sets = EntriesOf(SIM_OP_SET_FORMAT);
    ASSERT_GE(sets.size(), 2u);
    const SimLogEntry &capture = sets[0];
    EXPECT_EQ(static_cast<DWORD>(SIMCAM_PIN_CAPTURE), capture.arg[0]);
    EXPECT_EQ(kYuy2, capture.arg[1]);
    EXPECT_EQ(640, DataLong(capture, 0));
    EXPECT_EQ(480, DataLong(capture, 1));
    EXPECT_EQ(1280 * 960 * 2, DataLong(capture, 2));
    const SimLogEntry &still = sets[1];
    EXPECT_EQ(static_cast<DWORD>(SIMCAM_PIN_STILL), still.arg[0]);
    EXPECT_EQ(kMjpg, still.arg[1]);
    EXPECT_EQ(kYuy2, still.arg[2]);  // biCompression as the capability had it
    EXPECT_EQ(2592, DataLong(still, 0));
    EXPECT_EQ(1944, DataLong(still, 1));
    EXPECT_EQ(2592 * 1944 * 2, DataLong(still, 2));
    // The capture pin's size is walked only with 128-byte capabilities,
    // the capture pin before the still pin.
    std::vector<SimLogEntry> counts = EntriesOf(SIM_OP_GET_CAPS_COUNT);
    ASSERT_GE(counts.size(), 2u);
    EXPECT_EQ(static_cast<DWORD>(SIMCAM_PIN_CAPTURE), counts[0].arg[0]);
    EXPECT_EQ(static_cast<DWORD>(SIMCAM_PIN_STILL), counts[1].arg[0]);
}

TEST_F(CaptureFailures, StrobeComesBeforeTheTriggerAndGoesOffWhenTheTriggerFails) {
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    BoxRecorder boxes;
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    ASSERT_EQ(1, InitLibrary(CameraState(0).devicePath));
    g_FlashEnabled = 1;
    SimLogClear();
    ASSERT_TRUE(TakeStill());
    SimLogEntry strobeOn, setMode, strobeOff;
    ASSERT_TRUE(SimLogFind(SIM_OP_WRITE_CHIP, 0, &strobeOn));
    EXPECT_EQ(0xB03Cu, strobeOn.arg[0]);
    EXPECT_EQ(0x22u, strobeOn.arg[1]);
    ASSERT_TRUE(SimLogFind(SIM_OP_SET_MODE, 0, &setMode));
    EXPECT_LT(strobeOn.seq, setMode.seq);
    EXPECT_EQ(static_cast<DWORD>(SIMCAM_PIN_STILL), setMode.arg[0]);
    EXPECT_EQ(static_cast<DWORD>(VideoControlFlag_Trigger), setMode.arg[1]);
    ASSERT_TRUE(SimLogFind(SIM_OP_WRITE_CHIP, setMode.seq, &strobeOff));
    EXPECT_EQ(0x20u, strobeOff.arg[1]);
    // The strobe-off call and the file run on the still branch's streaming
    // thread, the trigger on the window thread.
    EXPECT_EQ(GetCurrentThreadId(), setMode.threadId);
    EXPECT_EQ(GetCurrentThreadId(), strobeOn.threadId);
    EXPECT_NE(GetCurrentThreadId(), strobeOff.threadId);

    // Without the flash the strobe is left alone.
    g_FlashEnabled = 0;
    SimLogClear();
    ASSERT_TRUE(TakeStill());
    EXPECT_EQ(0u, SimLogCountOp(SIM_OP_WRITE_CHIP));

    // A failing SetMode: box, the strobe off again, the still given up.
    g_FlashEnabled = 1;
    m_pManager->SetStillState(0);
    SimLogClear();
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_SET_MODE, 0, E_FAIL, 0, -1, 0));
    EXPECT_EQ(E_FAIL, m_pManager->StillTrigger());
    SimClearFaults();
    EXPECT_TRUE(boxes.Saw(L"Error StillTrigger", L"KORViewer"));
    EXPECT_EQ(kStillIdle, m_pManager->GetStillState());
    std::vector<SimLogEntry> writes = EntriesOf(SIM_OP_WRITE_CHIP);
    ASSERT_EQ(2u, writes.size());
    EXPECT_EQ(0x22u, writes[0].arg[1]);
    EXPECT_EQ(0x20u, writes[1].arg[1]);
    EXPECT_EQ(0, CameraState(0).strobeOutput);
    m_pManager->UpdateStatusBar();
    EXPECT_EQ(L"", m_pWindow->StatusText(2));
    DeInitLibrary();
}

TEST_F(CaptureFailures, StillThatNeverArrivesAndAThirdSubtype) {
    ASSERT_TRUE(m_camera.Load("[camera]\nstill = MJPG 2592x1944, I420 640x480\nstill_lost = yes\n"));
    TempFolder folder;
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    m_pManager->SetStillPath(folder.Path().c_str());
    ASSERT_EQ(1, InitLibrary(CameraState(0).devicePath));
    g_FlashEnabled = 1;
    // Not given up before its time; then given up, the strobe off and the
    // window told. (Each stop of the graph gives it up too: the viewer's tests.)
    EXPECT_EQ(S_OK, m_pManager->StillTrigger());
    PumpMessages(1500);
    EXPECT_EQ(1, CameraState(0).strobeOutput);
    EXPECT_FALSE(m_pManager->GiveUpLateStill(GetTickCount()));
    EXPECT_TRUE(m_pManager->GiveUpLateStill(GetTickCount() + kStillTimeoutMs));
    EXPECT_EQ(kStillIdle, m_pManager->GetStillState());
    EXPECT_EQ(0, CameraState(0).strobeOutput);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, m_pWindow->Window(), kStillNotSavedMessage, kStillNotSavedMessage, PM_REMOVE));
    EXPECT_FALSE(m_pManager->AbandonStill());
    EXPECT_EQ(1, CameraState(0).stillTriggers);
    EXPECT_TRUE(folder.Files().empty());
    DeInitLibrary();
}

TEST_F(CaptureFailures, ThirdStillSubtypeKeepsThePreviousConfiguration) {
    ASSERT_TRUE(m_camera.Load("[camera]\nstill = I420 640x480, MJPG 640x480\n"));
    TempFolder folder;
    DebugCapture debug;
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    m_pManager->SetStillPath(folder.Path().c_str());
    g_FlashEnabled = 0;
    // The fallback takes the first 640 x 480 capability (I420) and makes it MJPG.
    WCHAR szStill[5] = L"?";
    m_pManager->GetCurrentStillFormat(szStill);
    EXPECT_STREQ(L"MJPG", szStill);
    // Back to I420 itself: the subtype text "I420" leaves the subtype alone.
    Rebuild([&] { EXPECT_EQ(0, m_pManager->SetStillFormat(640, 480, L"I420")); });
    m_pManager->GetCurrentStillFormat(szStill);
    EXPECT_STREQ(L"", szStill);
    std::vector<StillFormat> formats(2);
    EXPECT_EQ(2, m_pManager->EnumStillFormats(formats.data()));
    EXPECT_STREQ(L"", formats[0].Compression);
    EXPECT_EQ(0, formats[0].Width);
    EXPECT_STREQ(L"MJPG", formats[1].Compression);
    debug.Clear();
    LONG before = StillsDelivered();
    EXPECT_EQ(S_OK, m_pManager->StillTrigger());
    EXPECT_TRUE(debug.Contains(L"m_StillMediaType is set\r\n"));
    ASSERT_TRUE(PumpUntil([&] { return StillsDelivered() > before && !folder.Files().empty(); }, 5000));
    // Written on the callback's start-up route (JPEG, no completion).
    PumpMessages(300);
    EXPECT_EQ(1, m_pManager->GetStillState());
    std::vector<std::wstring> files = folder.Files();
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ(L".jpg", files[0].substr(14));
}

TEST_F(CaptureFailures, BranchesThatCannotBeConnected) {
    struct Case {
        const char *pszScenario;
        int op, argIndex;
        DWORD argValue;
        const wchar_t *pszBox;
    } cases[] = {
        {"[camera]\n", SIM_OP_PIN_CONNECT, 0, SIMCAM_PIN_CAPTURE, L"Error PIN_CATEGORY_CAPTURE"},
        {"[camera]\n", SIM_OP_PIN_CONNECT, 0, SIMCAM_PIN_STILL, L"Error PIN_CATEGORY_STILL"},
        {"[camera]\ndecoder_refuses = yes\n", 0, 0, 0, L"Error PIN_CATEGORY_PREVIEW"},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(m_camera.Load(c.pszScenario));
        BoxRecorder boxes;
        DebugCapture debug;
        std::vector<std::wstring> rotBefore = GraphRotEntries();
        if (c.op) {
            ASSERT_EQ(1, SimInjectFaultFor(c.op, 0, E_FAIL, 0, c.argIndex, c.argValue));
        }
        EXPECT_EQ(0, m_pManager->InitDShow(Camera())) << c.pszBox;
        SimClearFaults();
        EXPECT_TRUE(boxes.Saw(c.pszBox, L"KORViewer")) << c.pszBox;
        EXPECT_EQ(1u, boxes.Count());
        EXPECT_TRUE(debug.Contains(L"BuildPreviewGraph Failed....\r\n"));
        EXPECT_FALSE(m_pManager->IsInitialized());
        EXPECT_EQ(rotBefore, GraphRotEntries());
        PumpMessages(100);
        EXPECT_EQ(0, CameraState(0).filtersAlive) << c.pszBox;
        NewManager();
    }
}

TEST_F(CaptureFailures, GraphThatNeverBecameReadyIsReleasedBeforeTheNextBuild) {
    // A graph whose Run fails in StartPreview cannot be staged here (Wine
    // runs a live graph's filters from its own thread once they have paused,
    // and reports their failures there), so the state it leaves is made
    // directly: built, never previewed, not ready.
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    // Built but never previewed: the state a failed StartPreview leaves.
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    m_pManager->DeInitDShow();
    ASSERT_EQ(1, m_pManager->InitCapFilters());
    ASSERT_EQ(1, m_pManager->BuildPreviewGraph());
    EXPECT_FALSE(m_pManager->IsInitialized());
    EXPECT_TRUE(DShowManagerTestAccess::GraphBuilt(*m_pManager));
    EXPECT_EQ(2u, RotEntriesOfGraph());
    EXPECT_EQ(1, CameraState(0).filtersAlive);

    // DeInitDShow leaves a manager that is not ready alone, but the next
    // build replaces the graph without leaking it or the camera.
    IGraphBuilder *pOld = Graph();
    pOld->AddRef();
    m_pManager->DeInitDShow();
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    EXPECT_TRUE(m_pManager->IsInitialized());
    EXPECT_EQ(0u, pOld->Release());
    EXPECT_EQ(2u, GraphRotEntries().size());
    EXPECT_EQ(1, CameraState(0).filtersAlive);
    m_pManager->DeInitDShow();
    PumpMessages(100);
    EXPECT_EQ(0, CameraState(0).filtersAlive);
    EXPECT_TRUE(GraphRotEntries().empty());
}

TEST_F(CaptureFailures, StopThatFailsKeepsThePreviewFlag) {
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    DebugCapture debug;
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_FILTER_STOP, 1, E_FAIL, 0, -1, 0));
    EXPECT_EQ(0, m_pManager->StopPreview());
    SimClearFaults();
    // The graph takes the filter as stopped; stop it for real so its
    // streaming threads end before the teardown.
    DShowManagerTestAccess::CapFilter(*m_pManager)->Stop();
    EXPECT_TRUE(debug.Contains(L"StopPreview Failed ++\r\n"));
    EXPECT_TRUE(DShowManagerTestAccess::Previewing(*m_pManager));
    // Not previewing: nothing happens at all.
    EXPECT_EQ(1, m_pManager->StopPreview());
    debug.Clear();
    EXPECT_EQ(0, m_pManager->StopPreview());
    EXPECT_TRUE(debug.Lines().empty());
}

TEST_F(CaptureFailures, FiveRebuildsAndTeardownLeaveOneCameraObjectThenNone) {
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    for (int i = 0; i < 5; ++i) {
        Rebuild([] {});
        EXPECT_EQ(1, CameraState(0).filtersAlive) << i;
        EXPECT_EQ(SIMCAM_FILTER_RUNNING, CameraState(0).filterState);
    }
    EXPECT_EQ(2u, RotEntriesOfGraph());
    m_pManager->DeInitDShow();
    PumpMessages(100);
    EXPECT_EQ(0, CameraState(0).filtersAlive);
    EXPECT_TRUE(GraphRotEntries().empty());
}

TEST_F(CaptureFailures, PropertiesThatAreMissingOrFailLeaveTheValuesAlone) {
    ASSERT_TRUE(
        m_camera.Load("[camera]\ncamera_control = no\n"
                      "brightness_range = -64, 64, 1, 0, 2\nbrightness = -20\n"
                      "white_balance_flags = 3\nwhite_balance = 5200\n"));
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    DebugCapture debug;
    int brightness = 0;
    m_pManager->GetBrightness(&brightness);
    EXPECT_EQ(-20, brightness);
    PropertyReading white = {0, 0};
    m_pManager->GetWhiteBalance(&white);
    EXPECT_EQ(0, white.Mode);  // both flags: the mode stays as the caller set it
    EXPECT_EQ(5200, white.Value);
    PropertyReading exposure = {7, 8};
    m_pManager->GetExposure(&exposure);
    EXPECT_EQ(7, exposure.Mode);
    EXPECT_EQ(8, exposure.Value);
    EXPECT_EQ(1u, debug.Count(L"Queru interface failed\r\n"));

    // A failing Get leaves the value; gamma still writes its flag line.
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_PROCAMP_GET, 0, E_FAIL, 0, 0, VideoProcAmp_Gamma));
    int gamma = 55;
    debug.Clear();
    m_pManager->GetGamma(&gamma);
    EXPECT_EQ(55, gamma);
    EXPECT_TRUE(debug.Contains(L"GammaFlag: 0\n"));
    SimClearFaults();
    std::vector<SimLogEntry> reads = EntriesOf(SIM_OP_PROCAMP_GET);
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(static_cast<DWORD>(VideoProcAmp_Gamma), reads.back().arg[0]);
}

TEST_F(CaptureFailures, ProcAmpMissing) {
    ASSERT_TRUE(m_camera.Load("[camera]\nprocamp = no\n"));
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    DebugCapture debug;
    int value = 9;
    m_pManager->GetBrightness(&value);
    m_pManager->GetGamma(&value);
    PropertyReading white = {3, 4};
    m_pManager->GetWhiteBalance(&white);
    EXPECT_EQ(9, value);
    EXPECT_EQ(3, white.Mode);
    EXPECT_EQ(3u, debug.Count(L"Queru interface failed\r\n"));
}

TEST_F(CaptureFailures, UnreadableCapabilitiesAndSeparateSizes) {
    ASSERT_TRUE(
        m_camera.Load("[camera]\ncapture_caps_size = 128\nstill_caps_size = 64\n"
                      "capture = YUY2 1280x960, MJPG 320x240\ncapture_caps_fail = 0\n"));
    DebugCapture debug;
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    // Capability 0 cannot be read: the next one drives the capture size.
    int w = 0, h = 0;
    m_pManager->GetVideoResolution(&w, &h);
    EXPECT_EQ(640, w);
    EXPECT_TRUE(debug.Contains(L"iFormat pvi->bmiHeader. ...1 960  1280  \r\n"));
    // The still pin reports 64: its size falls back without a format.
    m_pManager->GetStillResolution(&w, &h);
    EXPECT_EQ(640, w);
    EXPECT_TRUE(debug.Contains(L"failed set to 640x480 still resolution\r\n"));
    // A failing format read writes no subtype text.
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_GET_FORMAT, 0, E_FAIL, 0, 0, SIMCAM_PIN_CAPTURE));
    WCHAR szVideo[5] = L"?";
    m_pManager->GetCurrentVideoFormat(szVideo);
    EXPECT_STREQ(L"", szVideo);
    SimClearFaults();
}

TEST_F(CaptureFailures, StillFormatThatThePinRefuses) {
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    m_pManager->StopPreview();
    m_pManager->DismantleGraph();
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_SET_FORMAT, 0, E_INVALIDARG, 0, 0, SIMCAM_PIN_STILL));
    DebugCapture debug;
    EXPECT_EQ(static_cast<int>(E_INVALIDARG), m_pManager->SetStillFormat(1280, 960, L"YUY2"));
    SimClearFaults();
    EXPECT_TRUE(debug.Contains(L"hr=80070057\r\n"));
    EXPECT_FALSE(debug.Contains(L"SetFormat 2...\r\n"));
    int w = 0, h = 0;
    m_pManager->GetStillResolution(&w, &h);
    EXPECT_EQ(2592, w);  // the format the pin kept
    EXPECT_EQ(1944, h);
    // The pin still delivers MJPG 2592 x 1944; the next still reads its size
    // from the connected type.
    ASSERT_EQ(1, m_pManager->BuildPreviewGraph());
    ASSERT_EQ(1, m_pManager->StartPreview());
    EXPECT_EQ(2592, CameraState(0).stillWidth);
}

TEST_F(CaptureFailures, PlatformObjectsThatFailInsideTheBuild) {
    struct Case {
        const wchar_t *pszName;
        CLSID clsid;  // created by factory instead (none: no replacement)
        CreateInterceptor::Factory factory;
        int simOp;  // a simulated-camera fault instead (0: none)
        int initResult;
        const wchar_t *pszBox;  // null: no box
        const wchar_t *pszCaption;
        const wchar_t *pszLine;  // a debug line that must be there (or null)
    } cases[] = {
        {L"grabber refuses the graph", CLSID_SampleGrabber, stage::CreateRefusingFilter, 0, 0,
         L"Error AddFilter SampleGrabber", L"KORViewer", nullptr},
        {L"first null renderer refuses", CLSID_NullRenderer,
         [](REFIID iid, void **ppv) {
             static int s_made = 0;
             return ++s_made % 2 == 1 ? stage::CreateRefusingFilter(iid, ppv)
                                      : CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, iid, ppv);
         },
         0, 0, L"Error Add Null Filter", L"KORViewer", nullptr},
        {L"video renderer refuses", CLSID_VideoRenderer, stage::CreateRefusingFilter, 0, 0, nullptr, nullptr,
         L"InitCapFiltersFail .... \n"},
        {L"no ISampleGrabber", CLSID_SampleGrabber, FaultyGrabber(stage::GRABBER_NO_INTERFACE), 0, 0,
         L"Error IID_ISampleGrabber", L"KORViewer", nullptr},
        {L"SetCallback fails", CLSID_SampleGrabber, FaultyGrabber(stage::GRABBER_FAIL_SETCALLBACK), 0, 0,
         L"Error SetCallback", L"KORViewer", nullptr},
        {L"no connected type", CLSID_SampleGrabber, FaultyGrabber(stage::GRABBER_FAIL_CONNECTED_TYPE), 0, 1,
         L"Error GetConnectedMediaType", L"KORViewer", nullptr},
        {L"builder refuses the graph", CLSID_CaptureGraphBuilder2, stage::CreateBuilderRefusingGraph, 0, 0,
         L"Cannot give graph to builder!", L"PreviewVideo", L"InitCapFilters failed \n"},
        {L"camera refuses the graph", GUID_NULL, nullptr, SIM_OP_FILTER_JOIN, 0, L"Cannot add vidcap to filtergraph",
         L"PreviewVideo", L"InitCapFilters failed \n"},
    };
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    std::vector<std::wstring> rotBefore = GraphRotEntries();
    for (const Case &c : cases) {
        BoxRecorder boxes;
        DebugCapture debug;
        {
            CreateInterceptor intercept;
            if (c.factory) intercept.Replace(c.clsid, c.factory);
            if (c.simOp) {
                ASSERT_EQ(1, SimInjectFaultFor(c.simOp, 0, E_FAIL, 0, 0, 1));
            }
            EXPECT_EQ(c.initResult, m_pManager->InitDShow(Camera())) << c.pszName;
            SimClearFaults();
        }
        std::vector<RecordedBox> shown = boxes.Boxes();
        if (c.pszBox) {
            ASSERT_EQ(1u, shown.size()) << c.pszName;
            EXPECT_EQ(c.pszBox, shown[0].text);
            EXPECT_EQ(c.pszCaption, shown[0].caption);
            EXPECT_EQ(nullptr, shown[0].hWndOwner);
        } else {
            EXPECT_TRUE(shown.empty()) << c.pszName;
        }
        if (c.pszLine) {
            EXPECT_TRUE(debug.Contains(c.pszLine)) << c.pszName;
        }
        if (c.initResult == 0) {
            EXPECT_TRUE(debug.Contains(L"BuildPreviewGraph Failed....\r\n") ||
                        debug.Contains(L"InitCapFilters failed \n"))
                << c.pszName;
        }
        // The build that goes on previews; every other leaves nothing behind.
        m_pManager->DeInitDShow();
        PumpMessages(100);
        EXPECT_EQ(rotBefore, GraphRotEntries()) << c.pszName;
        EXPECT_EQ(0, CameraState(0).filtersAlive) << c.pszName;
    }
}

TEST_F(CaptureFailures, StillPinThatCannotBeFoundAfterTheBranchIsBuilt) {
    // How many category queries the still pin answers before the graph first
    // runs in a normal build; the next one is the lookup of the still pin.
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    SimLogClear();
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    SimLogEntry run;
    ASSERT_TRUE(SimLogFind(SIM_OP_FILTER_RUN, 0, &run));
    int before = 0;
    for (const SimLogEntry &entry : EntriesOf(SIM_OP_PIN_CATEGORY))
        if (entry.seq < run.seq && entry.arg[0] == SIMCAM_PIN_STILL) ++before;
    m_pManager->DeInitDShow();

    BoxRecorder boxes;
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_PIN_CATEGORY, before + 1, E_FAIL, 0, 0, SIMCAM_PIN_STILL));
    EXPECT_EQ(1, m_pManager->InitDShow(Camera()));
    SimClearFaults();
    EXPECT_TRUE(boxes.Saw(L"Find Still Pin Failed", L"Tessaline"));
    EXPECT_EQ(1u, boxes.Count());
    EXPECT_EQ(nullptr, DShowManagerTestAccess::StillPin(*m_pManager));
    EXPECT_TRUE(m_pManager->IsInitialized());
}

TEST_F(CaptureFailures, PropertyFramesOfTheFilters) {
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    // Wine's Video Renderer has no pages: nothing opens, the call returns.
    m_pManager->ShowRendererPropPage();
    // The capture filter's pages open in a modal frame of the window thread.
    std::wstring statusInFrame;
    SendMessageW(m_pWindow->StatusBar(), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"stale"));
    EXPECT_TRUE(DriveFrame(
        m_pWindow->Window(), [&] { m_pManager->ShowCapFilterPropPage(); },
        [&](HWND) {
            // The status timer keeps running inside the frame's modal loop.
            Sleep(1300);
            statusInFrame = m_pWindow->StatusText(0);
        }));
    EXPECT_EQ(L"Resolution : 640x480", statusInFrame);
    EXPECT_TRUE(m_pManager->IsInitialized());
}
