// CaptureGraphTest.cpp - the capture manager's graph on the simulated camera,
// through the platform's real graph objects: build, preview, stills into a
// folder, rebuilds after a format change, teardown, the Running Object
// Table, the scenarios that change the graph's shape, the image properties
// and the creation failures with their message boxes.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CaptureGuids.h"
#include "CaptureTestSupport.h"
#include "GraphFixture.h"
#include "Dshow.h"
#include "KORFwSw.h"
#include "SampleGrabberCallback.h"
#include "SimCamControl.h"
#include "common/DebugCapture.h"

TEST_F(CaptureGraph, DefaultCameraPreviewsAndTearsDownCompletely) {
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    BoxRecorder boxes;
    std::vector<std::wstring> rotBefore = GraphRotEntries();
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    EXPECT_TRUE(m_pManager->IsInitialized());
    EXPECT_TRUE(m_pManager->HasStillPin());
    EXPECT_TRUE(DShowManagerTestAccess::GraphBuilt(*m_pManager));
    EXPECT_TRUE(DShowManagerTestAccess::Previewing(*m_pManager));
    EXPECT_EQ(0u, boxes.Count());
    EXPECT_STREQ(L"Tessaline 5MPixel Cam", m_pManager->GetFriendlyName());

    // The named filters, and what each branch ends in.
    std::vector<std::wstring> names = FilterNames(Graph());
    for (const wchar_t *pszName :
         {L"Tessaline 5MPixel Cam", L"SampleGrab", L"Null Filter", L"Null Filter2", L"Video Renderer"})
        EXPECT_EQ(1u, CountOf(names, pszName)) << pszName;
    IBaseFilter *pCap = DShowManagerTestAccess::CapFilter(*m_pManager);
    EXPECT_EQ(L"SampleGrab", ConnectedFilterOf(pCap, PIN_CATEGORY_STILL));
    EXPECT_NE(L"", ConnectedFilterOf(pCap, PIN_CATEGORY_CAPTURE));
    ASSERT_NE(nullptr, DShowManagerTestAccess::VidControl(*m_pManager));
    ASSERT_NE(nullptr, DShowManagerTestAccess::StillPin(*m_pManager));
    ASSERT_NE(nullptr, DShowManagerTestAccess::SampleGrabber(*m_pManager));

    // Formats: capture 640 x 480 in its own subtype, still 2592 x 1944 MJPG.
    int w = 0, h = 0;
    m_pManager->GetVideoResolution(&w, &h);
    EXPECT_EQ(640, w);
    EXPECT_EQ(480, h);
    m_pManager->GetStillResolution(&w, &h);
    EXPECT_EQ(2592, w);
    EXPECT_EQ(1944, h);
    WCHAR szStill[5] = L"?", szVideo[5] = L"?";
    m_pManager->GetCurrentStillFormat(szStill);
    m_pManager->GetCurrentVideoFormat(szVideo);
    EXPECT_STREQ(L"MJPG", szStill);
    EXPECT_STREQ(L"YUY2", szVideo);
    std::vector<StillFormat> formats(static_cast<size_t>(m_pManager->EnumStillFormats(nullptr)));
    ASSERT_EQ(6u, formats.size());
    EXPECT_EQ(6, m_pManager->EnumStillFormats(formats.data()));
    EXPECT_STREQ(L"MJPG", formats[0].Compression);
    EXPECT_EQ(2592, formats[0].Width);
    EXPECT_STREQ(L"YUY2", formats[5].Compression);
    EXPECT_EQ(480, formats[5].Height);

    // The video window belongs to the main window and shows.
    IVideoWindow *pVideoWindow = nullptr;
    ASSERT_TRUE(SUCCEEDED(Graph()->QueryInterface(IID_IVideoWindow, reinterpret_cast<void **>(&pVideoWindow))));
    OAHWND owner = 0;
    long visible = 0;
    pVideoWindow->get_Owner(&owner);
    pVideoWindow->get_Visible(&visible);
    pVideoWindow->Release();
    EXPECT_EQ(reinterpret_cast<OAHWND>(m_pWindow->Window()), owner);
    EXPECT_EQ(OATRUE, visible);

    // Fitted on the live renderer: read back what it was given.
    const int S = m_pWindow->StatusHeight();
    m_pWindow->SetClientSize(800, 580 + S);
    m_pManager->ReSizePreview();
    IBasicVideo *pBasic = nullptr;
    ASSERT_TRUE(SUCCEEDED(Graph()->QueryInterface(IID_IBasicVideo, reinterpret_cast<void **>(&pBasic))));
    long l = -1, t = -1, sw = -1, sh = -1;
    EXPECT_EQ(S_OK, pBasic->GetSourcePosition(&l, &t, &sw, &sh));
    pBasic->Release();
    EXPECT_EQ(0, l);
    EXPECT_EQ(0, t);
    EXPECT_EQ(640, sw);
    EXPECT_EQ(463, sh);
    ASSERT_TRUE(SUCCEEDED(Graph()->QueryInterface(IID_IVideoWindow, reinterpret_cast<void **>(&pVideoWindow))));
    long wl = -1, wt = -1, ww = -1, wh = -1;
    EXPECT_EQ(S_OK, pVideoWindow->GetWindowPosition(&wl, &wt, &ww, &wh));
    pVideoWindow->Release();
    // Wine answers with the screen position of the client area's corner.
    POINT origin = {0, 0};
    ClientToScreen(m_pWindow->Window(), &origin);
    EXPECT_TRUE((wl == 0 && wt == 0) || (wl == origin.x && wt == origin.y)) << wl << "," << wt;
    EXPECT_EQ(800, ww);
    EXPECT_EQ(580, wh);

    // Two registrations under one name while it runs.
    EXPECT_EQ(2u, RotEntriesOfGraph());

    // The status timer runs.
    EXPECT_TRUE(PumpUntil([&] { return m_pWindow->StatusText(0) == L"Resolution : 640x480"; }, 3000));

    // Teardown lets go of the graph and the camera: these references are the last.
    IGraphBuilder *pGraph = Graph();
    pGraph->AddRef();
    pCap->AddRef();
    DebugCapture debug;
    m_pManager->DeInitDShow();
    EXPECT_FALSE(m_pManager->IsInitialized());
    EXPECT_EQ(rotBefore, GraphRotEntries());
    // The graph goes first: the capture filter stays in it until then.
    EXPECT_EQ(0u, pGraph->Release());
    EXPECT_EQ(0u, pCap->Release());
    EXPECT_EQ(0u, g_RotRegistration.Cookie());
    debug.Clear();
    m_pManager->DeInitDShow();
    std::vector<std::wstring> lines = debug.Lines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(L"DeInitDShow....\r\n", lines[0]);
}

TEST_F(CaptureGraph, StillsInBothSubtypesAndRebuildsKeepTheRegistrations) {
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    BoxRecorder boxes;
    TempFolder folder;
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    m_pManager->SetStillPath(folder.Path().c_str());

    // The library drives the strobe: on before the trigger, off when the file is there.
    ASSERT_EQ(1, InitLibrary(CameraState(0).devicePath));
    g_FlashEnabled = 1;
    SimLogClear();
    ASSERT_TRUE(TakeStill());
    std::vector<std::wstring> files = folder.Files();
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ(L".jpg", files[0].substr(14));
    std::vector<BYTE> jpeg = folder.Read(files[0]);
    ASSERT_GT(jpeg.size(), 1000u);
    EXPECT_EQ(0xFF, jpeg[0]);
    EXPECT_EQ(0xD8, jpeg[1]);
    std::vector<DWORD> strobe;
    for (DWORD i = 0; i < SimLogCount(); ++i) {
        SimLogEntry entry;
        if (SimLogRead(i, &entry) && entry.op == SIM_OP_WRITE_CHIP && entry.arg[0] == 0xB03C)
            strobe.push_back(entry.arg[1]);
    }
    EXPECT_EQ(std::vector<DWORD>({0x22, 0x20}), strobe);
    EXPECT_EQ(0, CameraState(0).strobeOutput);
    EXPECT_EQ(1u, m_pManager->GetStillTimeMs() < 10000 ? 1u : 0u);

    // YUY2 640 x 480 stills after a rebuild, as the Still Pin Properties do it.
    g_FlashEnabled = 0;
    Rebuild([&] { EXPECT_EQ(0, m_pManager->SetStillFormat(640, 480, L"YUY2")); });
    int w = 0, h = 0;
    m_pManager->GetStillResolution(&w, &h);
    EXPECT_EQ(640, w);
    EXPECT_EQ(480, h);
    folder.RemoveFiles();
    ASSERT_TRUE(TakeStill());
    files = folder.Files();
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ(L".bmp", files[0].substr(14));
    EXPECT_EQ(54u + 921600u, folder.Read(files[0]).size());

    // Every rebuild leaves exactly the two registrations, never more.
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(1, m_pManager->StopPreview());
        m_pManager->DismantleGraph();
        EXPECT_EQ(1u, RotEntriesOfGraph()) << i;
        // After taking apart only the capture filter is left in the graph.
        std::vector<std::wstring> names = FilterNames(Graph());
        ASSERT_EQ(1u, names.size());
        EXPECT_EQ(L"Tessaline 5MPixel Cam", names[0]);
        ASSERT_EQ(1, m_pManager->BuildPreviewGraph());
        ASSERT_EQ(1, m_pManager->StartPreview());
        EXPECT_EQ(2u, RotEntriesOfGraph()) << i;
    }
    // A device change (a new InitDShow) replaces the old graph entirely.
    IGraphBuilder *pOld = Graph();
    pOld->AddRef();
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    EXPECT_EQ(0u, pOld->Release());
    EXPECT_EQ(2u, RotEntriesOfGraph());
    EXPECT_EQ(2u, GraphRotEntries().size());
    EXPECT_EQ(0u, boxes.Count());
    DeInitLibrary();
}

TEST_F(CaptureGraph, CameraWithoutStillPinPreviewsOnlyAndRefusesStills) {
    ASSERT_TRUE(m_camera.Load("[camera]\nstill_pin = no\n"));
    {
        BoxRecorder boxes;
        ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
        EXPECT_EQ(0u, boxes.Count());
    }
    EXPECT_TRUE(m_pManager->IsInitialized());
    EXPECT_FALSE(m_pManager->HasStillPin());
    EXPECT_EQ(nullptr, DShowManagerTestAccess::StillStreamConfig(*m_pManager));
    EXPECT_EQ(nullptr, DShowManagerTestAccess::VidControl(*m_pManager));
    EXPECT_EQ(nullptr, DShowManagerTestAccess::StillPin(*m_pManager));
    std::vector<std::wstring> names = FilterNames(Graph());
    for (const wchar_t *pszName : {L"SampleGrab", L"Null Filter", L"Null Filter2", L"Video Renderer"})
        EXPECT_EQ(1u, CountOf(names, pszName)) << pszName;
    EXPECT_EQ(-1, m_pManager->EnumStillFormats(nullptr));

    // The real box shows; a watcher reads and closes it.
    RealBoxWatcher watcher(L"KORViewer");
    EXPECT_EQ(0, m_pManager->StillTrigger());
    EXPECT_EQ(L"Still Pin is not available", watcher.Text());
    EXPECT_EQ(0, m_pManager->GetStillState());
}

TEST_F(CaptureGraph, CameraWithoutVideoControlFiresNothing) {
    ASSERT_TRUE(m_camera.Load("[camera]\nvideo_control = no\n"));
    BoxRecorder boxes;
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    EXPECT_TRUE(m_pManager->HasStillPin());
    std::vector<RecordedBox> shown = boxes.Boxes();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(L"Error IID_IAMVideoControl", shown[0].text);
    EXPECT_EQ(L"KORViewer", shown[0].caption);
    EXPECT_EQ(nullptr, shown[0].hWndOwner);
    boxes.Clear();
    LONG before = StillsDelivered();
    EXPECT_EQ(0, m_pManager->StillTrigger());
    EXPECT_EQ(0, m_pManager->GetStillState());
    EXPECT_EQ(0u, boxes.Count());
    PumpMessages(300);
    EXPECT_EQ(before, StillsDelivered());
}

TEST_F(CaptureGraph, CapabilitySizeOtherThan128LeavesTheFormatsAlone) {
    ASSERT_TRUE(m_camera.Load("[camera]\ncaps_size = 64\n"));
    DebugCapture debug;
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    int w = -1, h = -1;
    m_pManager->GetVideoResolution(&w, &h);
    EXPECT_EQ(0, w);
    EXPECT_EQ(0, h);
    m_pManager->GetStillResolution(&w, &h);
    EXPECT_EQ(640, w);
    EXPECT_EQ(480, h);
    EXPECT_TRUE(debug.Contains(L"No 2048x1536 so trying to set to 640x480\r\n"));
    EXPECT_TRUE(debug.Contains(L"failed set to 640x480 still resolution\r\n"));
    EXPECT_TRUE(debug.Contains(L" iCount ,  iSize. ... 9  64  \r\n"));
    EXPECT_EQ(0, m_pManager->EnumStillFormats(std::vector<StillFormat>(6).data()));
}

TEST_F(CaptureGraph, StillPinWithout2592FallsBackTo640x480) {
    ASSERT_TRUE(
        m_camera.Load("[camera]\nstill = YUY2 1280x960, MJPG 1280x960, YUY2 640x480, MJPG 640x480, YUY2 320x240\n"));
    DebugCapture debug;
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    EXPECT_TRUE(debug.Contains(L"No 2048x1536 so trying to set to 640x480\r\n"));
    EXPECT_TRUE(debug.Contains(L"set to 640x480 still resolution\r\n"));
    int w = 0, h = 0;
    m_pManager->GetStillResolution(&w, &h);
    EXPECT_EQ(640, w);
    EXPECT_EQ(480, h);
    // The MJPG capability of that size is taken as it stands, not the YUY2
    // one before it; only a size without the subtype gets the first
    // capability of that size with the subtype put in.
    WCHAR szStill[5] = L"";
    m_pManager->GetCurrentStillFormat(szStill);
    EXPECT_STREQ(L"MJPG", szStill);
    EXPECT_TRUE(debug.Contains(L"mjpg format iFormat=3\r\n"));
    // A size no capability has changes nothing.
    EXPECT_EQ(1, m_pManager->SetStillFormat(2592, 1944, L"YUY2"));
    m_pManager->GetStillResolution(&w, &h);
    EXPECT_EQ(640, w);
    Rebuild([&] { (void)m_pManager->SetStillFormat(320, 240, L"MJPG"); });
    EXPECT_TRUE(debug.Contains(L"mjpg format iFormat=4\r\n"));
}

TEST_F(CaptureGraph, CapturePinWithout640x480InItsSubtypeStillReads640x480) {
    ASSERT_TRUE(m_camera.Load("[camera]\ncapture = MJPG 1280x960, YUY2 640x480, MJPG 320x240\n"));
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    EXPECT_TRUE(m_pManager->IsInitialized());
    int w = 0, h = 0;
    m_pManager->GetVideoResolution(&w, &h);
    EXPECT_EQ(640, w);
    EXPECT_EQ(480, h);
    WCHAR szVideo[5] = L"";
    m_pManager->GetCurrentVideoFormat(szVideo);
    EXPECT_STREQ(L"MJPG", szVideo);
    MediaTypePtr current;
    ASSERT_TRUE(SUCCEEDED(DShowManagerTestAccess::StreamConfig(*m_pManager)->GetFormat(&current)));
    const VIDEOINFOHEADER *pvi = reinterpret_cast<const VIDEOINFOHEADER *>(current->pbFormat);
    EXPECT_EQ(1280, pvi->bmiHeader.biWidth);
}

TEST_F(CaptureGraph, ImagePropertiesAreReadFromTheCamera) {
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    int brightness = -1, contrast = -1, saturation = -1, sharpness = -1, gamma = -1;
    DebugCapture debug;
    m_pManager->GetBrightness(&brightness);
    m_pManager->GetContrast(&contrast);
    m_pManager->GetSaturation(&saturation);
    m_pManager->GetSharpness(&sharpness);
    m_pManager->GetGamma(&gamma);
    EXPECT_EQ(140, brightness);
    EXPECT_EQ(40, contrast);
    EXPECT_EQ(70, saturation);
    EXPECT_EQ(30, sharpness);
    EXPECT_EQ(120, gamma);
    EXPECT_TRUE(debug.Contains(L"GammaFlag: 2\n"));
    PropertyReading white = {0, -1}, exposure = {0, -1};
    m_pManager->GetWhiteBalance(&white);
    m_pManager->GetExposure(&exposure);
    EXPECT_EQ(2, white.Mode);
    EXPECT_EQ(5000, white.Value);
    EXPECT_EQ(1, exposure.Mode);
    EXPECT_EQ(-6, exposure.Value);
    // Without a graph nothing is read and nothing changes.
    m_pManager->DeInitDShow();
    int untouched = 77;
    m_pManager->GetBrightness(&untouched);
    EXPECT_EQ(77, untouched);
}

TEST_F(CaptureGraph, CapturePinPageChangesTheVideoFormatAndRebuilds) {
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    IAMStreamConfig *pConfig = DShowManagerTestAccess::StreamConfig(*m_pManager);
    pConfig->AddRef();
    // While the frame is open the user picks YUY2 1280 x 960 and closes the frame.
    EXPECT_TRUE(DriveFrame(
        m_pWindow->Window(), [&] { m_pManager->ShowVideoPinPropPage(); },
        [&](HWND) {
            int count = 0, size = 0;
            pConfig->GetNumberOfCapabilities(&count, &size);
            for (int c = 0; c < count; ++c) {
                AM_MEDIA_TYPE *pmt = nullptr;
                BYTE caps[128];
                if (FAILED(pConfig->GetStreamCaps(c, &pmt, caps))) continue;
                const VIDEOINFOHEADER *pvi = reinterpret_cast<const VIDEOINFOHEADER *>(pmt->pbFormat);
                bool match = IsEqualGUID(pmt->subtype, MEDIASUBTYPE_YUY2) && pvi->bmiHeader.biWidth == 1280;
                if (match) pConfig->SetFormat(pmt);
                DeleteMediaTypeBlock(pmt);
                if (match) break;
            }
        }));
    pConfig->Release();
    int w = 0, h = 0;
    m_pManager->GetVideoResolution(&w, &h);
    EXPECT_EQ(1280, w);
    EXPECT_EQ(960, h);
    EXPECT_TRUE(m_pManager->IsInitialized());
    EXPECT_TRUE(DShowManagerTestAccess::Previewing(*m_pManager));
    RECT rc;
    GetClientRect(m_pWindow->Window(), &rc);
    EXPECT_EQ(1280, rc.right);
    EXPECT_EQ(960 + m_pWindow->StatusHeight(), rc.bottom);
    EXPECT_EQ(2u, RotEntriesOfGraph());
}

// ---------------------------------------------------------------------------
// Creation failures: the box, the caption, and nothing left behind.

TEST_F(CaptureGraph, EachGraphObjectThatCannotBeCreatedIsReported) {
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    struct Case {
        CLSID clsid;
        int nth;
        const wchar_t *pszText;
        const wchar_t *pszCaption;
        bool tail;
    } cases[] = {
        {CLSID_CaptureGraphBuilder2, 0, L"Cannot instantiate graph builder", L"PreviewVideo", false},
        {CLSID_VideoRenderer, 0, L"Cannot create capture graph builder", L"PreviewVideo", true},
        {CLSID_SampleGrabber, 0, L"Error creating  SampleGrabber", L"KORViewer", true},
        {CLSID_NullRenderer, 1, L"Error Creating CLSID_NullRenderer", L"KORViewer", true},
        {CLSID_NullRenderer, 2, L"Error Creating CLSID_NullRenderer", L"KORViewer", true},
        {CLSID_FilterGraph, 0, L"Cannot instantiate filtergraph", L"PreviewVideo", true},
    };
    std::vector<std::wstring> rotBefore = GraphRotEntries();
    for (const Case &c : cases) {
        BoxRecorder boxes;
        DebugCapture debug;
        {
            CreateInterceptor intercept;
            if (c.nth)
                intercept.FailNth(c.clsid, c.nth, E_OUTOFMEMORY);
            else
                intercept.Fail(c.clsid, REGDB_E_CLASSNOTREG);
            EXPECT_EQ(0, m_pManager->InitDShow(Camera())) << c.pszText;  // no filters, no graph
        }
        EXPECT_FALSE(m_pManager->IsInitialized());
        std::vector<RecordedBox> shown = boxes.Boxes();
        ASSERT_EQ(1u, shown.size()) << c.pszText;
        EXPECT_EQ(c.pszText, shown[0].text);
        EXPECT_EQ(c.pszCaption, shown[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK), shown[0].uType);
        EXPECT_EQ(nullptr, shown[0].hWndOwner);
        EXPECT_EQ(c.tail ? 1u : 0u, debug.Count(L"InitCapFilters failed \n")) << c.pszText;
        EXPECT_EQ(nullptr, Graph());
        EXPECT_EQ(nullptr, DShowManagerTestAccess::CapFilter(*m_pManager));
        EXPECT_EQ(rotBefore, GraphRotEntries()) << c.pszText;
        if (IsEqualCLSID(c.clsid, CLSID_FilterGraph)) {
            EXPECT_TRUE(debug.Contains(L"CoCreateInstance failed for Filter Graph \n"));
        }
    }
    // A null moniker: no capture filter.
    BoxRecorder boxes;
    EXPECT_EQ(0, m_pManager->InitDShow(nullptr));
    EXPECT_TRUE(boxes.Saw(L"Cannot create video capture filter", L"PreviewVideo"));
    // After all that a normal build works and the renderer's replacement shows
    // that every object comes through the seam.
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    EXPECT_TRUE(m_pManager->IsInitialized());
}

// ---------------------------------------------------------------------------
// The system's own texts, as they are written (odd ones included).

TEST_F(CaptureGraph, EveryFixedTextAsTheSystemWritesIt) {
    DebugCapture debug;
    BoxRecorder boxes;
    TempFolder folder;
    ASSERT_TRUE(m_camera.Load("[camera]\nprocamp = no\n"));
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    m_pManager->SetStillPath(folder.Path().c_str());
    g_FlashEnabled = 0;
    ASSERT_TRUE(TakeStill());
    WCHAR szText[5];
    m_pManager->GetCurrentStillFormat(szText);
    m_pManager->GetCurrentVideoFormat(szText);
    m_pManager->EnumStillFormats(nullptr);
    int value = 0;
    m_pManager->GetBrightness(&value);
    NewManager();
    ASSERT_TRUE(m_camera.Load("[camera]\ncaps_size = 64\nstill_pin = yes\nvideo_control = no\n"));
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    m_pManager->DeInitDShow();
    {
        CreateInterceptor intercept;
        intercept.Fail(CLSID_SampleGrabber, E_OUTOFMEMORY);
        m_pManager->InitDShow(Camera());
    }
    {
        CreateInterceptor intercept;
        intercept.Fail(CLSID_CaptureGraphBuilder2, E_OUTOFMEMORY);
        m_pManager->InitDShow(Camera());
    }
    DShowManagerTestAccess::SetHasStillPin(*m_pManager, FALSE);
    m_pManager->StillTrigger();

    const wchar_t *lines[] = {
        L"\r\n DShowManager::GetInstance \r\n",
        L"InitDShow....\r\n",
        L"DeInitDShow....\r\n",
        L"InitCapFilters ++ \n",
        L"Instantiate graph builder....\r\n",
        L"video capture filter created....\r\n",
        L"capture graph builder created....\r\n",
        L"filtergraph instantiated....\r\n",
        L"Graph to builder! \n",
        L"add vidcap to filtergraph \n",
        L"FORMAT_VideoInfo -- \n",
        L" iCount ,  iSize. ... 9  128  \r\n",
        L"iFormat pvi->bmiHeader. ...0 480  640  \r\n",
        L"chSubType=MJPG\r\n",
        L"mjpg format iFormat=0\r\n",
        L"SetFormat 1...\r\n",
        L"hr=0\r\n",
        L"SetFormat 2...\r\n",
        L"InitCapFilters -- true \n",
        L"Added Graph to Rot\n",
        L"added the Video Render filter to the graph....\r\n",
        L"Adding Graph to Running Object Table\n",
        L"StartPreview ++\r\n",
        L"IID_IMediaControl SUcceed ++\r\n",
        L"StartPreview Succeed ++\r\n",
        L"StartFrameRateTimer\r\n",
        L"SetTimer success\r\n",
        L"StopPreview Succeed ++\r\n",
        L"pininfo.pFilter released\r\n",
        L"Removing Graph from ROT\n",
        L"DShow Still Trigger\r\n",
        L"m_pAMVidControl is not NULL\r\n",
        L"m_StillMediaType is set\r\n",
        L"BufferCB...\r\n",
        L"WriteFile...\r\n",
        L"Triggering function in Dshow using funcptr 3\r\n",
        L"TriggeredOnStillCapture \r\n",
        L"printing time taken 1\r\n",
        L"Triggering function in Dshow using funcptr 4\r\n",
        L"CloseHandle...\r\n",
        L"new path \r\n",
        L"MEDIASUBTYPE_MJPG \r\n",
        L"MEDIASUBTYPE_YUY2 for video format succeded \r\n",
        L"iCount=6,iSize=128\r\n",
        L"Queru interface failed\r\n",
        L" iCount ,  iSize. ... 9  64  \r\n",
        L"No 2048x1536 so trying to set to 640x480\r\n",
        L"failed set to 640x480 still resolution\r\n",
        L"InitCapFilters failed \n",
        L"Cannot instantiate graph builder....\r\n",
    };
    for (const wchar_t *pszLine : lines)
        EXPECT_TRUE(debug.Contains(pszLine)) << "line: " << testing::PrintToString(std::wstring(pszLine));
    const wchar_t *prefixes[] = {L"Still Graph started ", L"Preview Started ",      L"FilePath = ",
                                 L"WriteFile =  ",        L"The path in dshow is ", L"Still Captured in "};
    for (const wchar_t *pszPrefix : prefixes) {
        bool found = false;
        for (const std::wstring &line : debug.Lines()) found = found || line.rfind(pszPrefix, 0) == 0;
        EXPECT_TRUE(found) << "prefix: " << testing::PrintToString(std::wstring(pszPrefix));
    }
    EXPECT_TRUE(debug.Contains(L"The path in dshow is " + folder.Path() + L"\r\n"));
    struct Box {
        const wchar_t *pszText, *pszCaption;
    } shown[] = {
        {L"Error IID_IAMVideoControl", L"KORViewer"},
        {L"Error creating  SampleGrabber", L"KORViewer"},
        {L"Cannot instantiate graph builder", L"PreviewVideo"},
        {L"Still Pin is not available", L"KORViewer"},
    };
    for (const Box &box : shown)
        EXPECT_TRUE(boxes.Saw(box.pszText, box.pszCaption)) << std::wstring(box.pszText).size();
    EXPECT_EQ(4u, boxes.Count());
}

namespace {
DShowManager *g_pRemovalTarget = nullptr;
// A device removal handled inside the frame's modal loop, as the main
// window does it: the graph is taken down on the window thread.
void CALLBACK RemoveDeviceInsideFrame(HWND hWnd, UINT, UINT_PTR idEvent, DWORD) {
    KillTimer(hWnd, idEvent);
    if (g_pRemovalTarget) g_pRemovalTarget->DeInitDShow();
}
}  // namespace

TEST_F(CaptureGraph, DeviceRemovedWhileTheCapturePinPageIsOpen) {
    ASSERT_TRUE(m_camera.Load(kDefaultScenario));
    ASSERT_EQ(1, m_pManager->InitDShow(Camera()));
    HWND hMain = m_pWindow->Window();
    g_pRemovalTarget = m_pManager;
    bool removed = false;
    EXPECT_TRUE(DriveFrame(
        hMain, [&] { m_pManager->ShowVideoPinPropPage(); },
        [&](HWND) {
            SetTimer(hMain, 77, 50, RemoveDeviceInsideFrame);
            for (int j = 0; j < 100 && m_pManager->IsInitialized(); ++j) Sleep(20);
            removed = !m_pManager->IsInitialized();
        }));
    g_pRemovalTarget = nullptr;
    EXPECT_TRUE(removed);
    // Nothing was rebuilt on the released fields, and nothing is left.
    EXPECT_FALSE(m_pManager->IsInitialized());
    EXPECT_EQ(nullptr, Graph());
    EXPECT_TRUE(GraphRotEntries().empty());
    PumpMessages(100);
    EXPECT_EQ(0, CameraState(0).filtersAlive);
}
