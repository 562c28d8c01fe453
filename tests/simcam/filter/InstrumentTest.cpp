// InstrumentTest.cpp - what a capture manager's tests stage and watch on the
// simulated camera: the filter's calls in the component's log, a fault for
// every kind of call through the real interfaces, the ring log, the camera
// variations of the scenario, and the state another process reads.
#include <windows.h>
#include <dshow.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "DShowTestSupport.h"
#include "model/SimCamDefaults.h"
#include "server/SimGuids.h"
#include "component/XUComponent.h"
#include "include/SimCamControl.h"
#include "common/TestKit.h"
#include "common/ToolRunner.h"

// The component's identifiers (simcam.dll keeps its own copies inside).
const CLSID CLSID_SimXUVMControl = {0xA917C75A, 0x4119, 0x11DA, {0xAE, 0x0E, 0x00, 0x0D, 0x56, 0xAC, 0x7B, 0x4C}};
const IID IID_ISimXUVMControl = {0xA917C75B, 0x4119, 0x11DA, {0xAE, 0x0E, 0x00, 0x0D, 0x56, 0xAC, 0x7B, 0x4C}};

using namespace dshowtest;

namespace {

const DWORD kI420 = 0x30323449;

std::vector<SimLogEntry> EntriesOf(int op) {
    std::vector<SimLogEntry> entries;
    SimLogEntry entry;
    for (DWORD i = 0; SimLogReadOp(op, i, &entry); ++i) entries.push_back(entry);
    return entries;
}

class InstrumentTest : public CameraTest {
protected:
    // Capture and still pins rendered, the graph running, a still triggered.
    static void RunAndTrigger(CameraGraph &graph) {
        ASSERT_EQ(S_OK, graph.Create(0));
        ASSERT_EQ(S_OK, graph.RenderCapture(false));
        ASSERT_EQ(S_OK, graph.RenderStill());
        ASSERT_TRUE(SUCCEEDED(graph.Run()));
        EXPECT_EQ(S_OK, graph.Trigger());
    }
};

// The capture filter made straight through COM (bound to camera 0), with
// the interfaces the viewer uses.
struct FilterParts {
    ComPtr<IBaseFilter> pFilter;
    ComPtr<IPin> pCapture, pStill;
    ComPtr<IAMStreamConfig> pCaptureConfig, pStillConfig;
    ComPtr<IKsPropertySet> pProps;
    ComPtr<IAMVideoControl> pVideoControl;
    ComPtr<IAMVideoProcAmp> pProcAmp;
    ComPtr<IAMCameraControl> pCameraControl;

    HRESULT Make() {
        HRESULT hr = CreateComObject(CLSID_SimCamSource, IID_IBaseFilter, pFilter);
        if (SUCCEEDED(hr)) hr = pFilter->FindPin(L"Capture", &pCapture);
        if (SUCCEEDED(hr)) hr = pFilter->FindPin(L"Still", &pStill);
        if (SUCCEEDED(hr)) hr = pCapture->QueryInterface(IID_IAMStreamConfig, pCaptureConfig.OutVoid());
        if (SUCCEEDED(hr)) hr = pStill->QueryInterface(IID_IAMStreamConfig, pStillConfig.OutVoid());
        if (SUCCEEDED(hr)) hr = pCapture->QueryInterface(IID_IKsPropertySet, pProps.OutVoid());
        if (SUCCEEDED(hr)) hr = pFilter->QueryInterface(IID_IAMVideoControl, pVideoControl.OutVoid());
        if (SUCCEEDED(hr)) (void)pFilter->QueryInterface(IID_IAMVideoProcAmp, pProcAmp.OutVoid());
        if (SUCCEEDED(hr)) (void)pFilter->QueryInterface(IID_IAMCameraControl, pCameraControl.OutVoid());
        return hr;
    }
};

}  // namespace

// The filter's calls land in the component's log in the order they happen:
// the strobe write before the trigger, the type handed to SetFormat, the
// state changes around them.
TEST_F(InstrumentTest, FilterCallsShareTheComponentsLogInCallOrder) {
    ASSERT_TRUE(m_camera.Load("[camera]\ncapture = YUY2 320x240\nstill = MJPG 640x480, YUY2 640x480\n"));
    CameraGraph graph;
    ASSERT_EQ(S_OK, graph.Create(0));
    ASSERT_EQ(S_OK, graph.RenderCapture(false));
    ASSERT_EQ(S_OK, graph.RenderStill());

    std::vector<SimLogEntry> joins = EntriesOf(SIM_OP_FILTER_JOIN);
    ASSERT_FALSE(joins.empty());
    EXPECT_EQ(1u, joins[0].arg[0]);
    EXPECT_EQ(0, joins[0].camera);
    bool bCaptureConnect = false, bStillConnect = false;
    for (const SimLogEntry &entry : EntriesOf(SIM_OP_PIN_CONNECT)) {
        if (entry.result != S_OK) continue;
        bCaptureConnect |= entry.arg[0] == SIMCAM_PIN_CAPTURE;
        bStillConnect |= entry.arg[0] == SIMCAM_PIN_STILL;
    }
    EXPECT_TRUE(bCaptureConnect);
    EXPECT_TRUE(bStillConnect);
    std::vector<SimLogEntry> categories = EntriesOf(SIM_OP_PIN_CATEGORY);
    ASSERT_FALSE(categories.empty());
    EXPECT_EQ(static_cast<DWORD>(AMPROPERTY_PIN_CATEGORY), categories[0].arg[1]);

    // SetFormat logs the type it was given.
    ASSERT_EQ(S_OK, graph.SetStillFormat(kYuy2, 640, 480));
    std::vector<SimLogEntry> sets = EntriesOf(SIM_OP_SET_FORMAT);
    ASSERT_EQ(1u, sets.size());
    EXPECT_EQ(static_cast<DWORD>(SIMCAM_PIN_STILL), sets[0].arg[0]);
    EXPECT_EQ(kYuy2, sets[0].arg[1]);
    EXPECT_EQ(kYuy2, sets[0].arg[2]);
    ASSERT_EQ(12u, sets[0].dataLen);
    LONG alSize[3];
    CopyMemory(alSize, sets[0].data, sizeof(alSize));
    EXPECT_EQ(640, alSize[0]);
    EXPECT_EQ(480, alSize[1]);
    EXPECT_EQ(640 * 480 * 2, alSize[2]);
    EXPECT_EQ(S_OK, sets[0].result);

    // The strobe on through the component, then the trigger.
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ComPtr<ISimXUVMControl> pControl;
    ASSERT_EQ(S_OK, CreateComObject(CLSID_SimXUVMControl, IID_ISimXUVMControl, pControl));
    ASSERT_EQ(S_OK, pControl->BindDeviceValue(SIM_DEVICE_VALUE_TAG | 0));
    ASSERT_EQ(S_OK, pControl->WriteChipRegister(SIM_CHIP_GPO8, SIM_GPO8_ON));
    ASSERT_EQ(S_OK, graph.Trigger());
    ASSERT_TRUE(graph.m_StillCallback.WaitFor(1, 10000));
    ASSERT_TRUE(SUCCEEDED(graph.Stop()));

    SimLogEntry run, write, mode, stop;
    ASSERT_EQ(1, SimLogFind(SIM_OP_FILTER_RUN, sets[0].seq, &run));
    ASSERT_EQ(1, SimLogFind(SIM_OP_WRITE_CHIP, run.seq, &write));
    EXPECT_EQ(static_cast<DWORD>(SIM_CHIP_GPO8), write.arg[0]);
    ASSERT_EQ(1, SimLogFind(SIM_OP_SET_MODE, write.seq, &mode));
    EXPECT_EQ(static_cast<DWORD>(SIMCAM_PIN_STILL), mode.arg[0]);
    EXPECT_EQ(static_cast<DWORD>(VideoControlFlag_Trigger), mode.arg[1]);
    EXPECT_EQ(S_OK, mode.result);
    EXPECT_EQ(0, mode.camera);
    ASSERT_EQ(1, SimLogFind(SIM_OP_FILTER_STOP, mode.seq, &stop));
    EXPECT_NE(static_cast<DWORD>(State_Stopped), stop.arg[0]);  // the graph may pause the filter first
    EXPECT_EQ(S_OK, stop.result);
    EXPECT_EQ(1, CameraState(0).stillTriggers);
}

// Every logged call can be made to fail with a chosen result through the
// real interface; the fault replaces the call, and once cleared the call works.
TEST_F(InstrumentTest, EveryFilterCallFailsWithTheInjectedResult) {
    FilterParts parts;
    ASSERT_EQ(S_OK, parts.Make());
    ASSERT_TRUE(parts.pProcAmp);
    ASSERT_TRUE(parts.pCameraControl);
    MediaTypePtr pCap;
    VIDEO_STREAM_CONFIG_CAPS scc;
    ASSERT_EQ(S_OK, parts.pCaptureConfig->GetStreamCaps(1, &pCap, reinterpret_cast<BYTE *>(&scc)));

    long lA = 0, lB = 0, lC = 0, lD = 0, lE = 0;
    int iA = 0, iB = 0;
    const struct {
        SimOp op;
        std::function<HRESULT()> call;
    } cases[] = {
        {SIM_OP_FILTER_JOIN, [&] { return parts.pFilter->JoinFilterGraph(nullptr, nullptr); }},
        {SIM_OP_FILTER_PAUSE, [&] { return parts.pFilter->Pause(); }},
        {SIM_OP_FILTER_RUN, [&] { return parts.pFilter->Run(0); }},
        {SIM_OP_FILTER_STOP, [&] { return parts.pFilter->Stop(); }},
        {SIM_OP_PIN_CONNECT, [&] { return parts.pCapture->Connect(nullptr, nullptr); }},
        {SIM_OP_GET_CAPS_COUNT, [&] { return parts.pCaptureConfig->GetNumberOfCapabilities(&iA, &iB); }},
        {SIM_OP_GET_STREAM_CAPS,
         [&] {
             MediaTypePtr pmt;
             return parts.pStillConfig->GetStreamCaps(0, &pmt, reinterpret_cast<BYTE *>(&scc));
         }},
        {SIM_OP_GET_FORMAT,
         [&] {
             MediaTypePtr pmt;
             return parts.pCaptureConfig->GetFormat(&pmt);
         }},
        {SIM_OP_SET_FORMAT, [&] { return parts.pCaptureConfig->SetFormat(pCap.Get()); }},
        {SIM_OP_SET_MODE,
         [&] { return parts.pVideoControl->SetMode(parts.pStill.Get(), VideoControlFlag_ExternalTriggerEnable); }},
        {SIM_OP_GET_MODE, [&] { return parts.pVideoControl->GetMode(parts.pStill.Get(), &lA); }},
        {SIM_OP_GET_VC_CAPS, [&] { return parts.pVideoControl->GetCaps(parts.pStill.Get(), &lA); }},
        {SIM_OP_PIN_CATEGORY,
         [&] {
             GUID category;
             DWORD cb = 0;
             return parts.pProps->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof(category),
                                      &cb);
         }},
        {SIM_OP_PROCAMP_GET, [&] { return parts.pProcAmp->Get(VideoProcAmp_Brightness, &lA, &lB); }},
        {SIM_OP_PROCAMP_RANGE, [&] { return parts.pProcAmp->GetRange(VideoProcAmp_Gamma, &lA, &lB, &lC, &lD, &lE); }},
        {SIM_OP_CAMCTRL_GET, [&] { return parts.pCameraControl->Get(CameraControl_Exposure, &lA, &lB); }},
        {SIM_OP_CAMCTRL_RANGE,
         [&] { return parts.pCameraControl->GetRange(CameraControl_Exposure, &lA, &lB, &lC, &lD, &lE); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.op));
        const HRESULT hrInjected = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200 + c.op);
        ASSERT_EQ(1, SimInjectFault(c.op, 0, hrInjected));
        SimLogClear();
        EXPECT_EQ(hrInjected, c.call());
        std::vector<SimLogEntry> entries = EntriesOf(c.op);
        ASSERT_EQ(1u, entries.size());
        EXPECT_EQ(hrInjected, entries[0].result);
        EXPECT_EQ(0, entries[0].camera);
        SimClearFaults();
        EXPECT_NE(hrInjected, c.call());
        (void)parts.pFilter->Stop();
    }

    // Limited to an argument: one capability index, one property, one pin.
    const HRESULT hrFail = HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_GET_STREAM_CAPS, 0, hrFail, -1, 1, 2));
    MediaTypePtr pmt;
    EXPECT_EQ(hrFail, parts.pCaptureConfig->GetStreamCaps(2, &pmt, reinterpret_cast<BYTE *>(&scc)));
    EXPECT_EQ(S_OK, parts.pCaptureConfig->GetStreamCaps(1, &pmt, reinterpret_cast<BYTE *>(&scc)));
    SimClearFaults();
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_PROCAMP_GET, 0, hrFail, -1, 0, VideoProcAmp_Gamma));
    EXPECT_EQ(hrFail, parts.pProcAmp->Get(VideoProcAmp_Gamma, &lA, &lB));
    EXPECT_EQ(S_OK, parts.pProcAmp->Get(VideoProcAmp_Brightness, &lA, &lB));
    SimClearFaults();
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_GET_FORMAT, 0, hrFail, -1, 0, SIMCAM_PIN_STILL));
    EXPECT_EQ(hrFail, parts.pStillConfig->GetFormat(&pmt));
    EXPECT_EQ(S_OK, parts.pCaptureConfig->GetFormat(&pmt));
    SimClearFaults();

    // Limited to a camera: another camera's fault leaves camera 0 alone.
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_GET_FORMAT, 0, hrFail, 1, -1, 0));
    EXPECT_EQ(S_OK, parts.pCaptureConfig->GetFormat(&pmt));
    SimClearFaults();

    // The n-th matching call only: still-pin calls do not count.
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_GET_CAPS_COUNT, 2, hrFail, 0, 0, SIMCAM_PIN_CAPTURE));
    EXPECT_EQ(S_OK, parts.pCaptureConfig->GetNumberOfCapabilities(&iA, &iB));
    EXPECT_EQ(S_OK, parts.pStillConfig->GetNumberOfCapabilities(&iA, &iB));
    EXPECT_EQ(hrFail, parts.pCaptureConfig->GetNumberOfCapabilities(&iA, &iB));
    EXPECT_EQ(S_OK, parts.pCaptureConfig->GetNumberOfCapabilities(&iA, &iB));
    SimClearFaults();

    // The component's register reads: the flash-presence register fails, the
    // readiness register does not; a fault for another camera fails neither.
    ComPtr<ISimXUVMControl> pControl;
    ASSERT_EQ(S_OK, CreateComObject(CLSID_SimXUVMControl, IID_ISimXUVMControl, pControl));
    ASSERT_EQ(S_OK, pControl->BindDeviceValue(SIM_DEVICE_VALUE_TAG | 0));
    USHORT usValue = 0;
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_READ_CHIP, 0, E_FAIL, 0, 0, SIM_CHIP_GPI));
    EXPECT_EQ(E_FAIL, pControl->ReadChipRegister(SIM_CHIP_GPI, &usValue));
    EXPECT_EQ(S_OK, pControl->ReadChipRegister(SIM_CHIP_SENSOR_STATE, &usValue));
    SimClearFaults();
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_READ_CHIP, 0, E_FAIL, 1, 0, SIM_CHIP_GPI));
    EXPECT_EQ(S_OK, pControl->ReadChipRegister(SIM_CHIP_GPI, &usValue));
    SimClearFaults();

    // Bad limits are refused.
    EXPECT_EQ(0, SimInjectFaultFor(SIM_OP_GET_FORMAT, 0, hrFail, -1, 3, 0));
    EXPECT_EQ(0, SimInjectFaultFor(SIM_OP_GET_FORMAT, 0, hrFail, SIMCAM_MAX_CAMERAS, -1, 0));
    EXPECT_EQ(0, SimInjectFaultFor(SIM_OP_COUNT, 0, hrFail, -1, -1, 0));
}

// The log keeps the latest SIMCAM_MAX_LOG calls, numbers them on, and can be
// read by operation.
TEST_F(InstrumentTest, LogIsARingOfTheLatestCallsReadByOperation) {
    FilterParts parts;
    ASSERT_EQ(S_OK, parts.Make());
    SimLogClear();
    EXPECT_EQ(0u, SimLogLastSeq());
    const DWORD kCalls = SIMCAM_MAX_LOG + 100;
    int iCount = 0, iSize = 0;
    DWORD dwFormats = 0;
    for (DWORD i = 0; i < kCalls; ++i) {
        if (i % 10 == 9) {
            MediaTypePtr pmt;
            ASSERT_EQ(S_OK, parts.pCaptureConfig->GetFormat(&pmt));
            if (i >= kCalls - SIMCAM_MAX_LOG) ++dwFormats;
        } else {
            ASSERT_EQ(S_OK, parts.pCaptureConfig->GetNumberOfCapabilities(&iCount, &iSize));
        }
    }
    EXPECT_EQ(static_cast<DWORD>(SIMCAM_MAX_LOG), SimLogCount());
    EXPECT_EQ(kCalls, SimLogLastSeq());
    SimLogEntry entry;
    ASSERT_EQ(1, SimLogRead(0, &entry));
    EXPECT_EQ(kCalls - SIMCAM_MAX_LOG + 1, entry.seq);  // the oldest 100 are gone
    ASSERT_EQ(1, SimLogRead(SIMCAM_MAX_LOG - 1, &entry));
    EXPECT_EQ(kCalls, entry.seq);
    EXPECT_EQ(0, SimLogRead(SIMCAM_MAX_LOG, &entry));

    EXPECT_EQ(dwFormats, SimLogCountOp(SIM_OP_GET_FORMAT));
    EXPECT_EQ(static_cast<DWORD>(SIMCAM_MAX_LOG) - dwFormats, SimLogCountOp(SIM_OP_GET_CAPS_COUNT));
    EXPECT_EQ(static_cast<DWORD>(SIMCAM_MAX_LOG), SimLogCountOp(SIM_OP_NONE));
    ASSERT_EQ(1, SimLogReadOp(SIM_OP_GET_FORMAT, 0, &entry));
    EXPECT_EQ(static_cast<DWORD>(SIM_OP_GET_FORMAT), entry.op);
    EXPECT_EQ(0u, entry.seq % 10);
    const DWORD dwLastFormat = kCalls / 10 * 10;  // every tenth call was a GetFormat
    ASSERT_EQ(1, SimLogReadOp(SIM_OP_GET_FORMAT, dwFormats - 1, &entry));
    EXPECT_EQ(dwLastFormat, entry.seq);
    EXPECT_EQ(0, SimLogReadOp(SIM_OP_GET_FORMAT, dwFormats, &entry));
    ASSERT_EQ(1, SimLogFind(SIM_OP_GET_CAPS_COUNT, 0, &entry));
    EXPECT_EQ(kCalls - SIMCAM_MAX_LOG + 1, entry.seq);
    EXPECT_EQ(static_cast<DWORD>(iCount), entry.arg[1]);
    EXPECT_EQ(static_cast<DWORD>(iSize), entry.arg[2]);
    ASSERT_EQ(1, SimLogFind(SIM_OP_GET_FORMAT, dwLastFormat - 11, &entry));
    EXPECT_EQ(dwLastFormat - 10, entry.seq);
    EXPECT_EQ(0, SimLogFind(SIM_OP_GET_FORMAT, dwLastFormat, &entry));

    SimLogClear();
    EXPECT_EQ(0u, SimLogCount());
    EXPECT_EQ(0u, SimLogCountOp(SIM_OP_GET_FORMAT));
}

// Scenario keys change the camera's shape: capability sizes per pin, a
// capability that cannot be read, an I420 still, missing control
// interfaces, signed ranges and both control flags.
TEST_F(InstrumentTest, ScenarioVariationsShowThroughTheInterfaces) {
    ASSERT_TRUE(
        m_camera.Load("[camera]\ncaps_size = 128\nstill_caps_size = 64\n"
                      "capture = YUY2 320x240, MJPG 640x480, YUY2 640x480\ncapture_caps_fail = 1\n"
                      "still = MJPG 640x480, YUY2 640x480, I420 640x480\n"
                      "procamp = no\nexposure_range = -13, -1, 1, -6, 3\nexposure = -12\nexposure_flags = 3\n"));
    {
        FilterParts parts;
        ASSERT_EQ(S_OK, parts.Make());
        int iCount = 0, iSize = 0;
        ASSERT_EQ(S_OK, parts.pCaptureConfig->GetNumberOfCapabilities(&iCount, &iSize));
        EXPECT_EQ(3, iCount);
        EXPECT_EQ(128, iSize);
        ASSERT_EQ(S_OK, parts.pStillConfig->GetNumberOfCapabilities(&iCount, &iSize));
        EXPECT_EQ(3, iCount);
        EXPECT_EQ(64, iSize);

        BYTE abCaps[128];
        MediaTypePtr pmt;
        EXPECT_EQ(S_OK, parts.pCaptureConfig->GetStreamCaps(0, &pmt, abCaps));
        EXPECT_EQ(E_FAIL, parts.pCaptureConfig->GetStreamCaps(1, &pmt, abCaps));
        EXPECT_FALSE(pmt);
        EXPECT_EQ(S_OK, parts.pCaptureConfig->GetStreamCaps(2, &pmt, abCaps));

        ASSERT_EQ(S_OK, parts.pStillConfig->GetStreamCaps(2, &pmt, abCaps));
        GUID i420 = MEDIASUBTYPE_YUY2;
        i420.Data1 = kI420;
        EXPECT_TRUE(IsEqualGUID(i420, pmt->subtype));
        const VIDEOINFOHEADER *pVih = reinterpret_cast<const VIDEOINFOHEADER *>(pmt->pbFormat);
        EXPECT_EQ(kI420, pVih->bmiHeader.biCompression);
        EXPECT_EQ(12, pVih->bmiHeader.biBitCount);
        EXPECT_EQ(640u * 480u * 3u / 2u, pVih->bmiHeader.biSizeImage);
        EXPECT_EQ(S_OK, parts.pStillConfig->SetFormat(pmt.Get()));
        SimCameraState state = CameraState(0);
        EXPECT_EQ(kI420, state.stillSubtype);
        EXPECT_EQ(640, state.stillWidth);
        EXPECT_EQ(kYuy2, state.captureSubtype);
        EXPECT_EQ(320, state.captureWidth);
        EXPECT_EQ(240, state.captureHeight);

        EXPECT_FALSE(parts.pProcAmp);
        ASSERT_TRUE(parts.pCameraControl);
        long lMin = 0, lMax = 0, lStep = 0, lDefault = 0, lCaps = 0, lValue = 0, lFlags = 0;
        ASSERT_EQ(S_OK,
                  parts.pCameraControl->GetRange(CameraControl_Exposure, &lMin, &lMax, &lStep, &lDefault, &lCaps));
        EXPECT_EQ(-13, lMin);
        EXPECT_EQ(-1, lMax);
        EXPECT_EQ(-6, lDefault);
        EXPECT_EQ(3, lCaps);
        ASSERT_EQ(S_OK, parts.pCameraControl->Get(CameraControl_Exposure, &lValue, &lFlags));
        EXPECT_EQ(-12, lValue);
        EXPECT_EQ(3, lFlags);
        EXPECT_EQ(S_OK, parts.pCameraControl->Set(CameraControl_Exposure, -13, CameraControl_Flags_Manual));
        EXPECT_EQ(E_INVALIDARG, parts.pCameraControl->Set(CameraControl_Exposure, -14, CameraControl_Flags_Manual));
    }

    ASSERT_TRUE(
        m_camera.Load("[camera]\ncamera_control = no\nbrightness_range = -64, 64, 1, 0, 2\nbrightness = -20\n"
                      "white_balance_flags = 3\n"));
    {
        FilterParts parts;
        ASSERT_EQ(S_OK, parts.Make());
        EXPECT_FALSE(parts.pCameraControl);
        ASSERT_TRUE(parts.pProcAmp);
        long lMin = 0, lMax = 0, lStep = 0, lDefault = 0, lCaps = 0, lValue = 0, lFlags = 0;
        ASSERT_EQ(S_OK, parts.pProcAmp->GetRange(VideoProcAmp_Brightness, &lMin, &lMax, &lStep, &lDefault, &lCaps));
        EXPECT_EQ(-64, lMin);
        EXPECT_EQ(64, lMax);
        ASSERT_EQ(S_OK, parts.pProcAmp->Get(VideoProcAmp_Brightness, &lValue, &lFlags));
        EXPECT_EQ(-20, lValue);
        EXPECT_EQ(2, lFlags);
        ASSERT_EQ(S_OK, parts.pProcAmp->Get(VideoProcAmp_WhiteBalance, &lValue, &lFlags));
        EXPECT_EQ(3, lFlags);
        // The log shows the signed reading.
        SimLogEntry entry;
        ASSERT_EQ(1, SimLogFind(SIM_OP_PROCAMP_RANGE, 0, &entry));
        EXPECT_EQ(-64, static_cast<LONG>(entry.arg[1]));
    }

    // Bad values are refused with the line named.
    for (const char *pszBad : {"[camera]\nbrightness_range = 5, 1, 1, 3, 2\n", "[camera]\nstill = I420 641x480\n",
                               "[camera]\ncapture_caps_fail = 16\n", "[camera]\nexposure_flags = 4\n",
                               "[camera]\nexposure_range = -13, -1, 0, -6, 3\n"}) {
        EXPECT_EQ(0, SimLoadScenarioText(pszBad)) << pszBad;
        EXPECT_EQ(0, strncmp(SimLastError(), "line 2:", 7)) << SimLastError();
    }
}

// A still that is triggered but never arrives, and an I420 still that does.
TEST_F(InstrumentTest, StillsLostAndStillsOfTheThirdSubtype) {
    ASSERT_TRUE(m_camera.Load("[camera]\ncapture = YUY2 320x240\nstill = YUY2 640x480\nstill_lost = yes\n"));
    {
        CameraGraph graph;
        ASSERT_NO_FATAL_FAILURE(RunAndTrigger(graph));
        EXPECT_FALSE(graph.m_StillCallback.WaitFor(1, 1000));
        SimCameraState state = CameraState(0);
        EXPECT_EQ(1, state.stillTriggers);
        EXPECT_EQ(0, state.stillsDelivered);
        ASSERT_TRUE(SUCCEEDED(graph.Stop()));
    }

    ASSERT_TRUE(m_camera.Load("[camera]\ncapture = YUY2 320x240\nstill = I420 320x240\n"));
    {
        CameraGraph graph;
        ASSERT_NO_FATAL_FAILURE(RunAndTrigger(graph));
        ASSERT_TRUE(graph.m_StillCallback.WaitFor(1, 10000));
        std::vector<GrabbedSample> samples = graph.m_StillCallback.Samples();
        ASSERT_EQ(1u, samples.size());
        ASSERT_EQ(320u * 240u * 3u / 2u, samples[0].bytes.size());
        EXPECT_EQ(0x80, samples[0].bytes[0]);
        EXPECT_EQ(0x80, samples[0].bytes.back());
        ASSERT_TRUE(SUCCEEDED(graph.Stop()));
    }
}

// decoder_refuses: the simulated decompressor takes no camera format.
TEST_F(InstrumentTest, DecoderRefusesWhenTheScenarioSaysSo) {
    BITMAPINFOHEADER in;
    ZeroMemory(&in, sizeof(in));
    in.biSize = sizeof(in);
    in.biWidth = 320;
    in.biHeight = 240;
    in.biPlanes = 1;
    in.biBitCount = 16;
    in.biCompression = kYuy2;
    in.biSizeImage = 320 * 240 * 2;
    HIC hic = ICLocate(ICTYPE_VIDEO, in.biCompression, &in, nullptr, ICMODE_DECOMPRESS);
    ASSERT_NE(nullptr, hic);
    ICClose(hic);

    ASSERT_TRUE(m_camera.Load("[camera]\ndecoder_refuses = yes\n"));
    hic = ICLocate(ICTYPE_VIDEO, in.biCompression, &in, nullptr, ICMODE_DECOMPRESS);
    EXPECT_EQ(nullptr, hic);
    if (hic) ICClose(hic);
}

// filtersAlive counts the filter objects of a camera; the filter's state
// and the pins' formats are read by another process through the control API.
TEST_F(InstrumentTest, FilterObjectsAndStateAreVisibleFromAnotherProcess) {
    ASSERT_TRUE(m_camera.Load("[camera]\ncapture = YUY2 320x240\nstill = YUY2 640x480\n"));
    EXPECT_EQ(0, CameraState(0).filtersAlive);
    {
        ComPtr<IBaseFilter> pFirst, pSecond;
        ASSERT_EQ(S_OK, CreateComObject(CLSID_SimCamSource, IID_IBaseFilter, pFirst));
        EXPECT_EQ(1, CameraState(0).filtersAlive);
        ASSERT_EQ(S_OK, CreateComObject(CLSID_SimCamSource, IID_IBaseFilter, pSecond));
        EXPECT_EQ(2, CameraState(0).filtersAlive);
        pFirst.Clear();
        EXPECT_EQ(1, CameraState(0).filtersAlive);
    }
    EXPECT_EQ(0, CameraState(0).filtersAlive);

    {
        CameraGraph graph;
        ASSERT_EQ(S_OK, graph.Create(0));
        ASSERT_EQ(S_OK, graph.RenderCapture(false));
        ASSERT_EQ(S_OK, graph.RenderStill());
        ASSERT_TRUE(SUCCEEDED(graph.Run()));
        EXPECT_EQ(SIMCAM_FILTER_RUNNING, CameraState(0).filterState);
        ASSERT_EQ(S_OK, graph.Trigger());
        ASSERT_TRUE(graph.m_StillCallback.WaitFor(1, 10000));

        ToolResult result = RunSimctl(L"state 0");
        ASSERT_TRUE(result.bStarted);
        EXPECT_EQ(0u, result.dwExitCode);
        for (const char *pszLine :
             {"  filter: running", "  filters alive: 1", "  still triggers: 1", "  stills delivered: 1",
              "  capture format: YUY2 320x240", "  still format: YUY2 640x480"}) {
            EXPECT_NE(std::string::npos, result.output.find(pszLine)) << pszLine << "\n" << result.output;
        }
        ASSERT_TRUE(SUCCEEDED(graph.Stop()));
        result = RunSimctl(L"state 0");
        EXPECT_NE(std::string::npos, result.output.find("  filter: stopped")) << result.output;
        EXPECT_NE(std::string::npos, result.output.find("  filters alive: 1")) << result.output;
    }
    // The graph released its filter.
    EXPECT_EQ(0, CameraState(0).filtersAlive);
}
