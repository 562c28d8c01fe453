// PreviewGraphTest.cpp - preview graphs built as the viewer builds them:
// simulated camera -> Video Renderer through the capture graph builder
// (PIN_CATEGORY_PREVIEW) or IGraphBuilder::Connect. The filter graph's own
// intelligent connect must insert a decompressor (the AVI Decompressor over
// simcam's codec) for YUY2 and MJPG, and the video window must show the
// camera's scene.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <math.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "common/TestKit.h"
#include "CameraScene.h"
#include "server/SimGuids.h"
#include "Yuy2ToRgb.h"
#include "ComCreate.h"
#include "ComPtr.h"
#include "VideoMonikers.h"
#include "MediaType.h"
#include "Picture.h"

namespace {

// {CF49D4E0-1115-11CE-B03A-0020AF0BA770}
const CLSID CLSID_AviDecompressor = {0xcf49d4e0, 0x1115, 0x11ce, {0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};

const LONG kWidth = 640;
const LONG kHeight = 480;

// The simulated camera's capture filter from the video-input category.
HRESULT CreateSimulatedCamera(IBaseFilter **ppFilter) {
    ComPtr<IEnumMoniker> monikers = EnumVideoMonikers();
    ComPtr<IMoniker> moniker;
    while (monikers && monikers->Next(1, &moniker, nullptr) == S_OK) {
        ComPtr<IBaseFilter> filter;
        if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void **>(&filter))))
            continue;
        CLSID clsid = GUID_NULL;
        if (SUCCEEDED(filter->GetClassID(&clsid)) && IsEqualCLSID(clsid, CLSID_SimCamSource)) {
            *ppFilter = filter.Get();
            (*ppFilter)->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

// Sets the capture pin to the first 640x480 capability of the subtype.
HRESULT SetCaptureFormat(ICaptureGraphBuilder2 *pBuilder, IBaseFilter *pCamera, const GUID &subtype) {
    ComPtr<IAMStreamConfig> config;
    HRESULT hr = pBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, pCamera, IID_IAMStreamConfig,
                                         reinterpret_cast<void **>(&config));
    if (FAILED(hr)) return hr;
    int nCount = 0, nSize = 0;
    hr = config->GetNumberOfCapabilities(&nCount, &nSize);
    if (FAILED(hr)) return hr;
    std::vector<BYTE> caps(static_cast<size_t>(nSize));
    for (int i = 0; i < nCount; ++i) {
        MediaTypePtr pmt;
        if (FAILED(config->GetStreamCaps(i, &pmt, caps.data()))) continue;
        bool bMatch = IsEqualGUID(pmt->subtype, subtype) && IsEqualGUID(pmt->formattype, FORMAT_VideoInfo) &&
                      pmt->cbFormat >= sizeof(VIDEOINFOHEADER);
        if (bMatch) {
            const VIDEOINFOHEADER *pvi = reinterpret_cast<const VIDEOINFOHEADER *>(pmt->pbFormat);
            bMatch = pvi->bmiHeader.biWidth == kWidth && pvi->bmiHeader.biHeight == kHeight;
        }
        if (bMatch) return config->SetFormat(pmt.Get());
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT FirstPin(IBaseFilter *pFilter, PIN_DIRECTION dir, IPin **ppPin) {
    ComPtr<IEnumPins> pins;
    HRESULT hr = pFilter->EnumPins(&pins);
    if (FAILED(hr)) return hr;
    ComPtr<IPin> pin;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == dir) {
            *ppPin = pin.Get();
            (*ppPin)->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

// Subtype of the media type on the pin's connection (GUID_NULL when none).
GUID ConnectedSubtype(IPin *pPin) {
    MediaTypeHolder mt;
    if (FAILED(pPin->ConnectionMediaType(mt.Get()))) return GUID_NULL;
    return mt->subtype;
}

// The filter of the graph with this class, if any (no reference kept: the
// graph holds one while the test runs).
IBaseFilter *FindFilterOfClass(IGraphBuilder *pGraph, const CLSID &clsid) {
    ComPtr<IEnumFilters> filters;
    if (FAILED(pGraph->EnumFilters(&filters))) return nullptr;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
        CLSID c = GUID_NULL;
        if (SUCCEEDED(filter->GetClassID(&c)) && IsEqualCLSID(c, clsid)) return filter.Get();
    }
    return nullptr;
}

// A plain top-level window that hosts the video window as its child.
class HostWindow {
public:
    HostWindow() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KORDecoderTestHost";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        RegisterClassW(&wc);
        m_hWnd = CreateWindowExW(0, wc.lpszClassName, L"preview", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, kWidth,
                                 kHeight, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~HostWindow() {
        if (m_hWnd) DestroyWindow(m_hWnd);
    }
    HWND Get() const { return m_hWnd; }

private:
    HWND m_hWnd;
};

// What the window shows: its client area read back as top-down BGRX.
std::vector<BYTE> CaptureWindow(HWND hWnd, LONG lWidth, LONG lHeight) {
    std::vector<BYTE> pixels;
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = lWidth;
    bmi.bmiHeader.biHeight = -lHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void *pBits = nullptr;
    HDC hdcWindow = GetDC(hWnd);
    HDC hdcMem = CreateCompatibleDC(hdcWindow);
    HBITMAP hbm = CreateDIBSection(hdcWindow, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    if (hdcMem && hbm && pBits) {
        HGDIOBJ hOld = SelectObject(hdcMem, hbm);
        if (BitBlt(hdcMem, 0, 0, lWidth, lHeight, hdcWindow, 0, 0, SRCCOPY)) {
            GdiFlush();
            const BYTE *p = static_cast<const BYTE *>(pBits);
            pixels.assign(p, p + static_cast<size_t>(lWidth) * lHeight * 4);
        }
        SelectObject(hdcMem, hOld);
    }
    if (hbm) DeleteObject(hbm);
    if (hdcMem) DeleteDC(hdcMem);
    ReleaseDC(hWnd, hdcWindow);
    return pixels;
}

struct PictureStats {
    double mean[3];  // B, G, R
    double stddev[3];
    int nColourfulPixels;  // pixels whose channels differ by more than 40
};

PictureStats Measure(const std::vector<BYTE> &bgrx) {
    PictureStats s = {};
    const size_t n = bgrx.size() / 4;
    double sum[3] = {}, sum2[3] = {};
    for (size_t i = 0; i < n; ++i) {
        const BYTE *p = &bgrx[i * 4];
        for (int c = 0; c < 3; ++c) {
            sum[c] += p[c];
            sum2[c] += static_cast<double>(p[c]) * p[c];
        }
        const int lo = p[0] < p[1] ? (p[0] < p[2] ? p[0] : p[2]) : (p[1] < p[2] ? p[1] : p[2]);
        const int hi = p[0] > p[1] ? (p[0] > p[2] ? p[0] : p[2]) : (p[1] > p[2] ? p[1] : p[2]);
        if (hi - lo > 40) ++s.nColourfulPixels;
    }
    for (int c = 0; c < 3; ++c) {
        s.mean[c] = sum[c] / static_cast<double>(n);
        s.stddev[c] = sqrt(sum2[c] / static_cast<double>(n) - s.mean[c] * s.mean[c]);
    }
    return s;
}

// Mean colour of each 40x40 block of a 640x480 BGRX picture, top row of
// blocks first: coarse enough that focus and the moving parts hardly count.
std::vector<double> BlockMeans(const BYTE *pTopRow, LONG lStride) {
    const int kBlock = 40;
    std::vector<double> means;
    for (LONG by = 0; by < kHeight / kBlock; ++by) {
        for (LONG bx = 0; bx < kWidth / kBlock; ++bx) {
            double sum[3] = {};
            for (LONG y = by * kBlock; y < (by + 1) * kBlock; ++y) {
                const BYTE *p = pTopRow + static_cast<LONG_PTR>(y) * lStride + bx * kBlock * 4;
                for (LONG x = 0; x < kBlock; ++x, p += 4)
                    for (int c = 0; c < 3; ++c) sum[c] += p[c];
            }
            for (int c = 0; c < 3; ++c) means.push_back(sum[c] / (kBlock * kBlock));
        }
    }
    return means;
}

double MeanAbsDifference(const std::vector<double> &a, const std::vector<double> &b) {
    double sum = 0.0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) sum += fabs(a[i] - b[i]);
    return a.empty() ? 0.0 : sum / static_cast<double>(a.size());
}

enum BuildWay { BY_RENDER_STREAM, BY_CONNECT };

struct GraphCase {
    const char *pszName;
    GUID subtype;
    BuildWay way;
};

class PreviewGraphTest : public ::testing::TestWithParam<GraphCase> {};

TEST_P(PreviewGraphTest, DecompressorIsInsertedAndTheSceneShows) {
    const GraphCase &c = GetParam();
    ComApartment apartment;

    ComPtr<IBaseFilter> camera;
    ASSERT_EQ(S_OK, CreateSimulatedCamera(&camera)) << "no simulated camera in the video-input category";
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, CreateComObject(CLSID_FilterGraph, IID_IGraphBuilder, graph));
    ComPtr<ICaptureGraphBuilder2> builder;
    ASSERT_EQ(S_OK, CreateComObject(CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2, builder));
    ASSERT_EQ(S_OK, builder->SetFiltergraph(graph.Get()));
    ComPtr<IBaseFilter> renderer;
    ASSERT_EQ(S_OK, CreateComObject(CLSID_VideoRenderer, IID_IBaseFilter, renderer));
    ASSERT_EQ(S_OK, graph->AddFilter(camera.Get(), L"SimCam"));
    ASSERT_EQ(S_OK, graph->AddFilter(renderer.Get(), L"Video Renderer"));
    ASSERT_EQ(S_OK, SetCaptureFormat(builder.Get(), camera.Get(), c.subtype));

    if (c.way == BY_RENDER_STREAM) {
        ASSERT_TRUE(SUCCEEDED(
            builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera.Get(), nullptr, renderer.Get())));
    } else {
        ComPtr<IPin> capturePin, rendererPin;
        ASSERT_EQ(S_OK, builder->FindPin(camera.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, TRUE, 0,
                                         &capturePin));
        ASSERT_EQ(S_OK, FirstPin(renderer.Get(), PINDIR_INPUT, &rendererPin));
        ASSERT_EQ(S_OK, graph->Connect(capturePin.Get(), rendererPin.Get()));
    }

    // The graph chose the decompressor itself: compressed in, RGB out.
    IBaseFilter *pDecoder = FindFilterOfClass(graph.Get(), CLSID_AviDecompressor);
    ASSERT_NE(nullptr, pDecoder) << "no decompressor was inserted";
    ComPtr<IPin> decoderIn, rendererIn;
    ASSERT_EQ(S_OK, FirstPin(pDecoder, PINDIR_INPUT, &decoderIn));
    ASSERT_EQ(S_OK, FirstPin(renderer.Get(), PINDIR_INPUT, &rendererIn));
    EXPECT_TRUE(IsEqualGUID(c.subtype, ConnectedSubtype(decoderIn.Get())));
    const GUID shown = ConnectedSubtype(rendererIn.Get());
    EXPECT_TRUE(IsEqualGUID(shown, MEDIASUBTYPE_RGB32) || IsEqualGUID(shown, MEDIASUBTYPE_RGB24));

    // Show the video in a window of ours, run, and read back what it shows.
    HostWindow host;
    ASSERT_NE(nullptr, host.Get());
    ComPtr<IVideoWindow> videoWindow;
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void **>(&videoWindow)));
    ASSERT_EQ(S_OK, videoWindow->put_Owner(reinterpret_cast<OAHWND>(host.Get())));
    ASSERT_EQ(S_OK, videoWindow->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS));
    ASSERT_EQ(S_OK, videoWindow->SetWindowPosition(0, 0, kWidth, kHeight));
    ASSERT_EQ(S_OK, videoWindow->put_Visible(OATRUE));

    ComPtr<IMediaControl> control;
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void **>(&control)));
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    PumpMessages(1500);
    HWND hVideo = GetWindow(host.Get(), GW_CHILD);
    const std::vector<BYTE> pixels = CaptureWindow(hVideo ? hVideo : host.Get(), kWidth, kHeight);
    EXPECT_TRUE(SUCCEEDED(control->Stop()));
    (void)videoWindow->put_Visible(OAFALSE);
    (void)videoWindow->put_Owner(0);

    ASSERT_EQ(static_cast<size_t>(kWidth * kHeight * 4), pixels.size());
    const PictureStats s = Measure(pixels);
    printf("%s: mean B %.0f G %.0f R %.0f, stddev %.0f %.0f %.0f, colourful pixels %d\n", c.pszName, s.mean[0],
           s.mean[1], s.mean[2], s.stddev[0], s.stddev[1], s.stddev[2], s.nColourfulPixels);
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_GT(s.stddev[ch], 20.0) << "a uniform window shows no scene";
        EXPECT_GT(s.mean[ch], 20.0) << "the picture is (nearly) black";
        EXPECT_LT(s.mean[ch], 235.0) << "the picture is (nearly) white";
    }
    EXPECT_GT(s.nColourfulPixels, kWidth * kHeight / 20) << "the scene has coloured parts";

    // The camera's scene, upright and in its colours: block by block the
    // window must look like the scene converted here, not like it upside down.
    const std::vector<BYTE> yuy2 = RenderCameraFrame(SIM_FOURCC_YUY2, 0);
    ASSERT_EQ(static_cast<size_t>(kWidth * kHeight * 2), yuy2.size());
    std::vector<BYTE> scene(static_cast<size_t>(kWidth * kHeight * 4));
    Yuy2ToRgb(yuy2.data(), kWidth * 2, kWidth, kHeight, scene.data(), kWidth * 4, 4);
    const std::vector<double> shownBlocks = BlockMeans(pixels.data(), kWidth * 4);
    const double dUpright = MeanAbsDifference(shownBlocks, BlockMeans(scene.data(), kWidth * 4));
    const double dFlipped = MeanAbsDifference(
        shownBlocks, BlockMeans(scene.data() + static_cast<size_t>(kWidth) * 4 * (kHeight - 1), -kWidth * 4));
    printf("block difference to the scene: %.1f upright, %.1f upside down\n", dUpright, dFlipped);
    EXPECT_LT(dUpright, 12.0);
    EXPECT_GT(dFlipped, 2.0 * dUpright);
}

// {C1F400A0-3F08-11D3-9F0B-006008039E37}, {C1F400A4-3F08-11D3-9F0B-006008039E37}
const CLSID CLSID_SampleGrabberFilter = {0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};
const CLSID CLSID_NullRendererFilter = {0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

HRESULT AddNewFilter(IGraphBuilder *pGraph, const CLSID &clsid, const WCHAR *pszName, IBaseFilter **ppFilter) {
    ComPtr<IBaseFilter> pFilter;
    HRESULT hr = CreateComObject(clsid, IID_IBaseFilter, pFilter);
    if (SUCCEEDED(hr)) hr = pGraph->AddFilter(pFilter.Get(), pszName);
    if (SUCCEEDED(hr)) *ppFilter = pFilter.Detach();
    return hr;
}

class ViewerGraphTest : public ::testing::TestWithParam<GraphCase> {};

// The viewer's order: every branch end is in the graph before the first
// RenderStream; capture pin to a Null Renderer, still pin through a Sample
// Grabber, then the preview. The preview's decompressor must go between the
// tee and the renderer without taking the still branch's grabber.
TEST_P(ViewerGraphTest, PreviewGetsItsOwnDecompressor) {
    const GraphCase &c = GetParam();
    ComApartment apartment;
    ComPtr<IBaseFilter> camera, grabber, nullStill, nullCapture, renderer;
    ASSERT_EQ(S_OK, CreateSimulatedCamera(&camera));
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, CreateComObject(CLSID_FilterGraph, IID_IGraphBuilder, graph));
    ComPtr<ICaptureGraphBuilder2> builder;
    ASSERT_EQ(S_OK, CreateComObject(CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2, builder));
    ASSERT_EQ(S_OK, builder->SetFiltergraph(graph.Get()));
    ASSERT_EQ(S_OK, graph->AddFilter(camera.Get(), L"SimCam"));
    ASSERT_EQ(S_OK, SetCaptureFormat(builder.Get(), camera.Get(), c.subtype));
    ASSERT_EQ(S_OK, AddNewFilter(graph.Get(), CLSID_SampleGrabberFilter, L"SampleGrab", &grabber));
    ASSERT_EQ(S_OK, AddNewFilter(graph.Get(), CLSID_NullRendererFilter, L"Null Filter", &nullStill));
    ASSERT_EQ(S_OK, AddNewFilter(graph.Get(), CLSID_NullRendererFilter, L"Null Filter2", &nullCapture));
    ASSERT_EQ(S_OK, AddNewFilter(graph.Get(), CLSID_VideoRenderer, L"Video Renderer", &renderer));

    ASSERT_TRUE(SUCCEEDED(
        builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(), nullptr, nullCapture.Get())));
    ASSERT_TRUE(SUCCEEDED(
        builder->RenderStream(&PIN_CATEGORY_STILL, &MEDIATYPE_Video, camera.Get(), grabber.Get(), nullStill.Get())));
    ASSERT_TRUE(SUCCEEDED(
        builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera.Get(), nullptr, renderer.Get())));

    IBaseFilter *pDecoder = FindFilterOfClass(graph.Get(), CLSID_AviDecompressor);
    ASSERT_NE(nullptr, pDecoder);
    // decompressor -> renderer, in RGB
    ComPtr<IPin> rendererIn, upstream;
    ASSERT_EQ(S_OK, FirstPin(renderer.Get(), PINDIR_INPUT, &rendererIn));
    ASSERT_EQ(S_OK, rendererIn->ConnectedTo(&upstream));
    PIN_INFO info = {};
    ASSERT_EQ(S_OK, upstream->QueryPinInfo(&info));
    EXPECT_EQ(pDecoder, info.pFilter);
    if (info.pFilter) info.pFilter->Release();
    // the grabber still hangs off the camera's still pin
    ComPtr<IPin> grabberIn, grabberUpstream;
    ASSERT_EQ(S_OK, FirstPin(grabber.Get(), PINDIR_INPUT, &grabberIn));
    ASSERT_EQ(S_OK, grabberIn->ConnectedTo(&grabberUpstream));
    ASSERT_EQ(S_OK, grabberUpstream->QueryPinInfo(&info));
    EXPECT_EQ(camera.Get(), info.pFilter);
    if (info.pFilter) info.pFilter->Release();

    ComPtr<IMediaControl> control;
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void **>(&control)));
    ComPtr<IVideoWindow> videoWindow;
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void **>(&videoWindow)));
    (void)videoWindow->put_AutoShow(OAFALSE);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    PumpMessages(500);
    EXPECT_TRUE(SUCCEEDED(control->Stop()));
}

INSTANTIATE_TEST_SUITE_P(SimulatedCamera, ViewerGraphTest,
                         ::testing::Values(GraphCase{"YUY2", MEDIASUBTYPE_YUY2, BY_RENDER_STREAM},
                                           GraphCase{"MJPG", MEDIASUBTYPE_MJPG, BY_RENDER_STREAM}),
                         [](const ::testing::TestParamInfo<GraphCase> &info) {
                             return std::string(IsEqualGUID(info.param.subtype, MEDIASUBTYPE_YUY2) ? "Yuy2" : "Mjpg");
                         });

INSTANTIATE_TEST_SUITE_P(SimulatedCamera, PreviewGraphTest,
                         ::testing::Values(GraphCase{"YUY2 via RenderStream", MEDIASUBTYPE_YUY2, BY_RENDER_STREAM},
                                           GraphCase{"MJPG via RenderStream", MEDIASUBTYPE_MJPG, BY_RENDER_STREAM},
                                           GraphCase{"YUY2 via Connect", MEDIASUBTYPE_YUY2, BY_CONNECT},
                                           GraphCase{"MJPG via Connect", MEDIASUBTYPE_MJPG, BY_CONNECT}),
                         [](const ::testing::TestParamInfo<GraphCase> &info) {
                             return std::string(IsEqualGUID(info.param.subtype, MEDIASUBTYPE_YUY2) ? "Yuy2" : "Mjpg") +
                                    (info.param.way == BY_RENDER_STREAM ? "RenderStream" : "Connect");
                         });

}  // namespace
