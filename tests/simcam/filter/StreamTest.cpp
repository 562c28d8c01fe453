// StreamTest.cpp - the camera streaming in a graph built like the viewer's:
// the capture graph builder's Smart Tee on the capture pin, capture frames
// paced and time-stamped, one still per trigger in the still pin's format,
// state rules while connected and running, and the image controls visible
// in the picture.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "DShowTestSupport.h"
#include "include/SimCamControl.h"

using namespace dshowtest;

namespace {

bool IsJpeg(const std::vector<BYTE> &bytes) {
    size_t n = bytes.size();
    return n > 4 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[n - 2] == 0xFF && bytes[n - 1] == 0xD9;
}

// Mean luma of a packed YUY2 frame.
double MeanLuma(const std::vector<BYTE> &bytes) {
    if (bytes.size() < 2) return 0;
    double dSum = 0;
    for (size_t i = 0; i < bytes.size(); i += 2) dSum += bytes[i];
    return dSum / static_cast<double>(bytes.size() / 2);
}

LONG StillsDelivered() {
    SimCameraState state;
    return SimGetCameraState(0, &state) ? state.stillsDelivered : -1;
}

LONG FramesDelivered() {
    SimCameraState state;
    return SimGetCameraState(0, &state) ? state.framesDelivered : -1;
}

class StreamTest : public CameraTest {
protected:
    void SetUp() override {
        CameraTest::SetUp();
        m_pGraph = new CameraGraph();
        ASSERT_EQ(S_OK, m_pGraph->Create(0));
    }
    void TearDown() override {
        delete m_pGraph;
        CameraTest::TearDown();
    }
    // One still in the given format: stops, sets the format (the graph
    // reconnects the still pin), runs and triggers. Returns the sample and
    // the milliseconds from trigger to BufferCB.
    void TakeStill(DWORD dwFourcc, LONG lWidth, LONG lHeight, GrabbedSample *pSample, DWORD *pdwMs) {
        ASSERT_EQ(S_OK, m_pGraph->SetStillFormat(dwFourcc, lWidth, lHeight));
        ComPtr<IPin> pStill;
        ASSERT_EQ(S_OK, FindPinByCategory(m_pGraph->m_pCapFilter.Get(), PIN_CATEGORY_STILL, &pStill));
        MediaTypeHolder mt;
        ASSERT_EQ(S_OK, pStill->ConnectionMediaType(mt.Get()));
        FormatInfo info = InfoOf(mt.Get());
        EXPECT_EQ(dwFourcc, info.fourcc);
        EXPECT_EQ(lWidth, info.width);

        ASSERT_TRUE(SUCCEEDED(m_pGraph->Run()));
        Sleep(250);  // past the graph's start time, so stream time is positive
        m_pGraph->m_StillCallback.Clear();
        LONG lBefore = StillsDelivered();
        DWORD dwStart = GetTickCount();
        ASSERT_EQ(S_OK, m_pGraph->Trigger());
        ASSERT_TRUE(m_pGraph->m_StillCallback.WaitFor(1, 5000));
        Sleep(300);  // time for a second (wrong) still to show up
        std::vector<GrabbedSample> samples = m_pGraph->m_StillCallback.Samples();
        ASSERT_EQ(1u, samples.size());
        EXPECT_EQ(lBefore + 1, StillsDelivered());
        *pdwMs = samples[0].dwTick - dwStart;
        *pSample = samples[0];
        ASSERT_TRUE(SUCCEEDED(m_pGraph->Stop()));
    }

    CameraGraph *m_pGraph = nullptr;
};

}  // namespace

TEST_F(StreamTest, BuilderInsertsSmartTeeAndCaptureStreams) {
    ASSERT_EQ(S_OK, m_pGraph->RenderCapture(false));
    ASSERT_EQ(S_OK, m_pGraph->RenderStill());

    // No preview pin: the capture pin feeds the platform's tee.
    ComPtr<IPin> pCapture, pPeer;
    ASSERT_EQ(S_OK, FindPinByCategory(m_pGraph->m_pCapFilter.Get(), PIN_CATEGORY_CAPTURE, &pCapture));
    ASSERT_EQ(S_OK, pCapture->ConnectedTo(&pPeer));
    PIN_INFO info;
    ASSERT_EQ(S_OK, pPeer->QueryPinInfo(&info));
    CLSID clsid = GUID_NULL;
    EXPECT_EQ(S_OK, info.pFilter->GetClassID(&clsid));
    info.pFilter->Release();
    EXPECT_TRUE(IsEqualCLSID(CLSID_SmartTee, clsid));

    LONG lStills = StillsDelivered();
    ASSERT_TRUE(SUCCEEDED(m_pGraph->Run()));
    Sleep(400);  // past the graph's start offset
    LONG lFrames = FramesDelivered();
    Sleep(1000);
    LONG lDelivered = FramesDelivered() - lFrames;
    ASSERT_TRUE(SUCCEEDED(m_pGraph->Stop()));
    // Paced, not free-running (the frame rate itself is measured by the
    // camera benchmark, not judged here).
    EXPECT_GE(lDelivered, 10);
    EXPECT_LE(lDelivered, 45);
    // No still without a trigger.
    EXPECT_EQ(lStills, StillsDelivered());
    EXPECT_EQ(0u, m_pGraph->m_StillCallback.Count());

    // Stopped means quiet.
    lFrames = FramesDelivered();
    Sleep(200);
    EXPECT_EQ(lFrames, FramesDelivered());
}

TEST_F(StreamTest, CaptureFramesArePacedAndTimeStamped) {
    ASSERT_EQ(S_OK, m_pGraph->RenderCapture(true));
    m_pGraph->m_CaptureCallback.SetKeepBytes(false);
    ASSERT_TRUE(SUCCEEDED(m_pGraph->Run()));
    ASSERT_TRUE(m_pGraph->m_CaptureCallback.WaitFor(61, 5000));
    ASSERT_TRUE(SUCCEEDED(m_pGraph->Stop()));
    std::vector<GrabbedSample> samples = m_pGraph->m_CaptureCallback.Samples();
    ASSERT_GE(samples.size(), 61u);

    // Default capture format: YUY2 640x480 at 30 frames per second, stamped
    // on a 1/30 s grid of stream time.
    for (size_t i = 1; i <= 60; ++i) {
        EXPECT_EQ(640u * 480u * 2u, samples[i].bytes.size());
        double dStep = samples[i].dTime - samples[i - 1].dTime;
        EXPECT_NEAR(1.0 / 30.0, dStep, 0.0005) << i;
    }
    // Delivered against the clock, not as fast as they can be made.
    DWORD dwSpan = samples[60].dwTick - samples[0].dwTick;
    EXPECT_GE(dwSpan, 1900u);
}

TEST_F(StreamTest, EachTriggerDeliversOneStillInThePinsFormat) {
    ASSERT_EQ(S_OK, m_pGraph->RenderCapture(false));
    ASSERT_EQ(S_OK, m_pGraph->RenderStill());
    const struct {
        DWORD dwFourcc;
        LONG lWidth, lHeight;
    } formats[] = {{kMjpg, 2592, 1944}, {kMjpg, 640, 480}, {kYuy2, 1280, 960}, {kYuy2, 640, 480}};
    for (const auto &format : formats) {
        SCOPED_TRACE(format.lWidth);
        GrabbedSample sample;
        DWORD dwMs = 0;
        TakeStill(format.dwFourcc, format.lWidth, format.lHeight, &sample, &dwMs);
        if (HasFatalFailure()) return;
        if (format.dwFourcc == kMjpg) {
            EXPECT_TRUE(IsJpeg(sample.bytes)) << sample.bytes.size();
        } else {
            EXPECT_EQ(static_cast<size_t>(format.lWidth) * format.lHeight * 2, sample.bytes.size());
        }
        // Stamped with the stream time it was taken (an unstamped sample
        // reads 0 here).
        EXPECT_GT(sample.dTime, 0.0);
        EXPECT_LT(sample.dTime, 2.0);
        printf("still %.4s %ldx%ld: %lu bytes after %lu ms\n", reinterpret_cast<const char *>(&format.dwFourcc),
               format.lWidth, format.lHeight, static_cast<unsigned long>(sample.bytes.size()),
               static_cast<unsigned long>(dwMs));
    }
}

TEST_F(StreamTest, StateRulesWhileConnectedAndRunning) {
    ASSERT_EQ(S_OK, m_pGraph->RenderCapture(false));
    ASSERT_EQ(S_OK, m_pGraph->RenderStill());
    ComPtr<IAMStreamConfig> pConfig;
    ASSERT_EQ(S_OK, StreamConfigOf(m_pGraph->m_pCapFilter.Get(), PIN_CATEGORY_CAPTURE, &pConfig));
    MediaTypePtr pCurrent;
    ASSERT_EQ(S_OK, pConfig->GetFormat(&pCurrent));
    ComPtr<IPin> pCapture;
    ASSERT_EQ(S_OK, FindPinByCategory(m_pGraph->m_pCapFilter.Get(), PIN_CATEGORY_CAPTURE, &pCapture));

    // Paused: a live source has nothing to cue, and takes no still.
    ComPtr<IMediaControl> pControl;
    ASSERT_EQ(S_OK, m_pGraph->m_pGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void **>(&pControl)));
    ASSERT_TRUE(SUCCEEDED(pControl->Pause()));
    FILTER_STATE state = State_Stopped;
    EXPECT_EQ(VFW_S_CANT_CUE, m_pGraph->m_pCapFilter->GetState(0, &state));
    EXPECT_EQ(State_Paused, state);
    EXPECT_EQ(VFW_E_NOT_STOPPED, pConfig->SetFormat(pCurrent.Get()));
    EXPECT_EQ(VFW_E_NOT_RUNNING, m_pGraph->Trigger());

    ASSERT_TRUE(SUCCEEDED(pControl->Run()));
    EXPECT_EQ(S_OK, m_pGraph->m_pCapFilter->GetState(0, &state));
    EXPECT_EQ(State_Running, state);
    EXPECT_EQ(VFW_E_NOT_STOPPED, pConfig->SetFormat(pCurrent.Get()));
    EXPECT_EQ(VFW_E_NOT_STOPPED, pCapture->Disconnect());
    ComPtr<IPin> pPeer;
    ASSERT_EQ(S_OK, pCapture->ConnectedTo(&pPeer));
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, pCapture->Connect(pPeer.Get(), nullptr));

    // Stopped: the trigger is refused, and a connected pin takes a new format
    // by reconnecting.
    ASSERT_TRUE(SUCCEEDED(pControl->Stop()));
    EXPECT_EQ(VFW_E_NOT_RUNNING, m_pGraph->Trigger());
    EXPECT_EQ(0u, m_pGraph->m_StillCallback.Count());
    VIDEOINFOHEADER *pVih = reinterpret_cast<VIDEOINFOHEADER *>(pCurrent->pbFormat);
    pVih->bmiHeader.biWidth = 1280;
    pVih->bmiHeader.biHeight = 960;
    pVih->AvgTimePerFrame = 0;
    EXPECT_EQ(S_OK, pConfig->SetFormat(pCurrent.Get()));
    MediaTypeHolder mt;
    ASSERT_EQ(S_OK, pCapture->ConnectionMediaType(mt.Get()));
    EXPECT_EQ(1280, InfoOf(mt.Get()).width);
}

TEST_F(StreamTest, ImageControlsShowInThePicture) {
    ASSERT_EQ(S_OK, m_pGraph->RenderCapture(false));
    ASSERT_EQ(S_OK, m_pGraph->RenderStill());
    ComPtr<IAMVideoProcAmp> pProcAmp;
    ASSERT_EQ(S_OK, m_pGraph->m_pCapFilter->QueryInterface(IID_IAMVideoProcAmp, reinterpret_cast<void **>(&pProcAmp)));
    long lMin = 0, lMax = 0, lStep = 0, lDefault = 0, lCaps = 0;
    ASSERT_EQ(S_OK, pProcAmp->GetRange(VideoProcAmp_Brightness, &lMin, &lMax, &lStep, &lDefault, &lCaps));

    GrabbedSample dark, bright;
    DWORD dwMs = 0;
    ASSERT_EQ(S_OK, pProcAmp->Set(VideoProcAmp_Brightness, lMin, VideoProcAmp_Flags_Manual));
    TakeStill(kYuy2, 640, 480, &dark, &dwMs);
    if (HasFatalFailure()) return;
    ASSERT_EQ(S_OK, pProcAmp->Set(VideoProcAmp_Brightness, lMax, VideoProcAmp_Flags_Manual));
    TakeStill(kYuy2, 640, 480, &bright, &dwMs);
    if (HasFatalFailure()) return;
    EXPECT_GT(MeanLuma(bright.bytes), MeanLuma(dark.bytes) + 20.0);
}

// Sum of horizontal luma steps of a packed YUY2 frame: falls as the picture
// blurs.
double LumaDetail(const std::vector<BYTE> &bytes) {
    double dSum = 0;
    for (size_t i = 2; i < bytes.size(); i += 2) dSum += abs(static_cast<int>(bytes[i]) - bytes[i - 2]);
    return dSum;
}

// Focus and flash, set the way the library sets them (sensor lens against
// the scene's best position; output 8 on the bridge chip), reach the stills.
TEST_F(StreamTest, DefocusAndFlashShowInTheStill) {
    ASSERT_EQ(S_OK, m_pGraph->RenderCapture(false));
    ASSERT_EQ(S_OK, m_pGraph->RenderStill());
    SimCameraState state;
    ASSERT_EQ(1, SimGetCameraState(0, &state));
    const LONG lLens = state.lensPosition;

    GrabbedSample sharp, blurred, flash;
    DWORD dwMs = 0;
    ASSERT_EQ(1, SimSetBestFocus(0, lLens));
    TakeStill(kYuy2, 640, 480, &sharp, &dwMs);
    if (HasFatalFailure()) return;
    ASSERT_EQ(1, SimSetBestFocus(0, lLens < 128 ? lLens + 100 : lLens - 100));
    TakeStill(kYuy2, 640, 480, &blurred, &dwMs);
    if (HasFatalFailure()) return;
    EXPECT_LT(LumaDetail(blurred.bytes), 0.8 * LumaDetail(sharp.bytes));

    ASSERT_EQ(1, SimSetBestFocus(0, lLens));
    ASSERT_EQ(1, SimSetChipRegister(0, 0xB03C, 0x22));  // output 8 on: the flash fires
    TakeStill(kYuy2, 640, 480, &flash, &dwMs);
    (void)SimSetChipRegister(0, 0xB03C, 0x20);
    if (HasFatalFailure()) return;
    EXPECT_GT(MeanLuma(flash.bytes), MeanLuma(sharp.bytes) + 10.0);
}

// The preview branch needs a YUY2/MJPG decoder that intelligent connect can
// insert in front of the Video Renderer (RGB only).
TEST_F(StreamTest, PreviewRendersThroughTheTeeToTheVideoRenderer) {
    ASSERT_EQ(S_OK, m_pGraph->RenderCapture(false));
    ASSERT_EQ(S_OK, m_pGraph->RenderStill());
    ComPtr<IBaseFilter> pRenderer;
    ASSERT_EQ(S_OK, CreateComObject(CLSID_VideoRenderer, IID_IBaseFilter, pRenderer));
    ASSERT_EQ(S_OK, m_pGraph->m_pGraph->AddFilter(pRenderer.Get(), L"Video Renderer"));
    HRESULT hr = m_pGraph->m_pBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video,
                                                    m_pGraph->m_pCapFilter.Get(), nullptr, pRenderer.Get());
    ASSERT_EQ(VFW_S_NOPREVIEWPIN, hr) << "no YUY2/MJPG decoder inserted";

    ComPtr<IBasicVideo> pBasicVideo;
    ASSERT_EQ(S_OK, pRenderer->QueryInterface(IID_IBasicVideo, reinterpret_cast<void **>(&pBasicVideo)));
    ASSERT_TRUE(SUCCEEDED(m_pGraph->Run()));
    LONG lFrames = FramesDelivered();
    Sleep(1200);  // the graph starts its stream time 200 ms after Run
    long lWidth = 0, lHeight = 0;
    EXPECT_EQ(S_OK, pBasicVideo->GetVideoSize(&lWidth, &lHeight));
    EXPECT_EQ(640, lWidth);
    EXPECT_EQ(480, lHeight);
    EXPECT_GE(FramesDelivered() - lFrames, 24);
    // Not checked: the AVI Decompressor's stop can fail when ICDecompressEnd
    // races a frame still being decompressed, which is not the camera's doing.
    (void)m_pGraph->Stop();
}
