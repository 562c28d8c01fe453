// Dshow.cpp - DShowManager: building the graph (the filters, the default
// formats, the three branches, the video window and the Running Object
// Table), running and stopping it, taking it apart, and the status bar.
#include "Dshow.h"

#include <commctrl.h>
#include <strsafe.h>

#include <new>

#include "CaptureGuids.h"
#include "CreateSeam.h"
#include "DebugPrint.h"
#include "DshowShared.h"
#include "PropertyBag.h"
#include "MessageBoxSeam.h"

DShowManager *g_pDShowManager = nullptr;
RotRegistration g_RotRegistration;
DShowManager *volatile g_pTimerTarget = nullptr;
LONG g_StillShownTicks = 0;

namespace {

// The window style of the video window: WS_CHILD | WS_CLIPCHILDREN.
const long kVideoWindowStyle = WS_CHILD | WS_CLIPCHILDREN;

// Hands a stored size to whichever of the two out-values is asked for.
void CopySize(int width, int height, int *pWidth, int *pHeight) {
    if (pWidth) *pWidth = width;
    if (pHeight) *pHeight = height;
}

}  // namespace

DShowManager::DShowManager()
    : m_StillState(kStillIdle),
      m_StillTimeMs(0),
      m_StillTriggerTick(0),
      m_StillStrobeOn(0),
      m_StillSamplesAtTrigger(0),
      m_hWndMain(nullptr),
      m_hWndStatus(nullptr),
      m_Initialized(FALSE),
      m_pMoniker(nullptr),
      m_pSampleGrabber(nullptr),
      m_HasStillPin(FALSE),
      m_NativeWidth(0),
      m_NativeHeight(0),
      m_GraphBuilt(FALSE),
      m_Previewing(FALSE),
      m_StillWidth(0),
      m_StillHeight(0),
      m_VideoWidth(0),
      m_VideoHeight(0),
      m_GraphEpoch(0) {
    m_FriendlyName[0] = L'\0';
    m_MsgBuffer[0] = L'\0';
}

// The status timer no longer reaches a manager that is gone. Whatever a
// graph still holds is let go here too, so nothing outlives the manager.
DShowManager::~DShowManager() {
    if (g_pTimerTarget == this) g_pTimerTarget = nullptr;
    ReleaseGraphObjects();
}

DShowManager *DShowManager::GetInstance() {
    OutputDebugStringW(L"\r\n DShowManager::GetInstance \r\n");
    return new (std::nothrow) DShowManager();
}

void DShowManager::GetStillResolution(int *pWidth, int *pHeight) const {
    CopySize(m_StillWidth, m_StillHeight, pWidth, pHeight);
}

void DShowManager::SetStillResolution(int width, int height) {
    m_StillWidth = width;
    m_StillHeight = height;
}

void DShowManager::GetVideoResolution(int *pWidth, int *pHeight) const {
    CopySize(m_VideoWidth, m_VideoHeight, pWidth, pHeight);
}

void DShowManager::SetVideoResolution(int width, int height) {
    m_VideoWidth = width;
    m_VideoHeight = height;
}

int DShowManager::CreateGraphBuilder() {
    m_pBuilder.reset(new (std::nothrow) ISampleCaptureGraphBuilder());
    if (m_pBuilder && !m_pBuilder->Exists()) m_pBuilder.reset();
    return m_pBuilder ? 1 : 0;
}

int DShowManager::CreateFilterGraph() {
    HRESULT hr =
        KorCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, m_pGraph.OutVoid());
    if (FAILED(hr)) {
        (void)StringCchCopyW(m_MsgBuffer, ARRAYSIZE(m_MsgBuffer), L"CoCreateInstance failed for Filter Graph \n");
        OutputDebugStringW(m_MsgBuffer);
    }
    return hr == S_OK ? 1 : 0;
}

namespace {

// A failed step of InitCapFilters: its debug line and its box.
bool ReportCreateFailure(LPCWSTR pszDebug, LPCWSTR pszBox) {
    OutputDebugStringW(pszDebug);
    KorMessageBox(nullptr, pszBox, L"PreviewVideo", MB_OK);
    OutputDebugStringW(L"InitCapFiltersFail .... \n");
    return false;
}

// A failed step of building the branches: its box, and 0 for the build.
bool ReportBuildFailure(LPCWSTR pszBox) {
    KorMessageBox(nullptr, pszBox, L"KORViewer", MB_OK);
    return false;
}

}  // namespace

int DShowManager::InitCapFilters() {
    OutputDebugStringW(L"InitCapFilters ++ \n");
    if (!CreateGraphBuilder()) {
        OutputDebugStringW(L"Cannot instantiate graph builder....\r\n");
        KorMessageBox(nullptr, L"Cannot instantiate graph builder", L"PreviewVideo", MB_OK);
        return 0;
    }
    OutputDebugStringW(L"Instantiate graph builder....\r\n");
    if (!CreateCaptureFilters() || !AddCaptureFilter()) {
        OutputDebugStringW(L"InitCapFilters failed \n");
        ReleaseCapFilters();
        return 0;
    }
    FindStreamConfigs();
    OutputDebugStringW(L"InitCapFilters -- true \n");
    if (FAILED(m_CapFiltersRot.Register(m_pGraph.Get())))
        KorMessageBox(nullptr, L"Failed to register filter graph with ROT!", nullptr, MB_OK);
    OutputDebugStringW(L"Added Graph to Rot\n");
    return 1;
}

// The capture filter from the camera's moniker (with its friendly name),
// the Video Renderer, the Sample Grabber, the two Null Renderers and the
// filter graph.
bool DShowManager::CreateCaptureFilters() {
    m_pCapFilter.Clear();
    if (m_pMoniker) {
        m_FriendlyName[0] = L'\0';
        ComPtr<IPropertyBag> bag;
        if (SUCCEEDED(m_pMoniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.OutVoid())))
            (void)ReadPropertyBagString(bag.Get(), L"FriendlyName", m_FriendlyName, ARRAYSIZE(m_FriendlyName));
        (void)m_pMoniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, m_pCapFilter.OutVoid());
    }
    if (!m_pCapFilter)
        return ReportCreateFailure(L"Cannot create video capture filter....\r\n",
                                   L"Cannot create video capture filter");
    OutputDebugStringW(L"video capture filter created....\r\n");

    if (!m_Windowless && KorCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                           m_pVideoRender.OutVoid()) != S_OK)
        return ReportCreateFailure(L"Cannot create capture graph builder....\r\n",
                                   L"Cannot create capture graph builder");
    OutputDebugStringW(L"capture graph builder created....\r\n");

    if (FAILED(KorCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                 m_pGrabberFilter.OutVoid())))
        return ReportBuildFailure(L"Error creating  SampleGrabber");
    HRESULT hr = KorCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   m_pNullRenderer.OutVoid());
    if (SUCCEEDED(hr))
        hr = KorCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               m_pNullRenderer2.OutVoid());
    if (FAILED(hr)) return ReportBuildFailure(L"Error Creating CLSID_NullRenderer");

    if (!CreateFilterGraph())
        return ReportCreateFailure(L"Cannot instantiate filtergraph....\r\n", L"Cannot instantiate filtergraph");
    OutputDebugStringW(L"filtergraph instantiated....\r\n");
    return true;
}

// The renderer's video interfaces, the graph handed to the builder and the
// capture filter added to the graph under its friendly name.
bool DShowManager::AddCaptureFilter() {
    if (m_pVideoRender && m_pVideoRender->QueryInterface(IID_IBasicVideo, m_pBasicVideo.OutVoid()) == S_OK)
        (void)m_pGraph->QueryInterface(IID_IVideoWindow, m_pVideoWindow.OutVoid());
    if (m_pBuilder->SetFiltergraph(m_pGraph.Get()) != S_OK)
        return ReportCreateFailure(L"Cannot give graph to builder! \n", L"Cannot give graph to builder!");
    OutputDebugStringW(L"Graph to builder! \n");
    if (m_pGraph->AddFilter(m_pCapFilter.Get(), m_FriendlyName) != S_OK)
        return ReportCreateFailure(L"Cannot add vidcap to filtergraph \n", L"Cannot add vidcap to filtergraph");
    OutputDebugStringW(L"add vidcap to filtergraph \n");
    return true;
}

// The capture pin's stream configuration, asked for 640 x 480, and the
// still pin's, with the still default, when the camera has a still pin.
void DShowManager::FindStreamConfigs() {
    m_pStreamConfig = FindCaptureStreamConfig();
    OutputDebugStringW(L"FORMAT_VideoInfo -- \n");
    if (m_pStreamConfig) ForceCaptureFrameSize();

    m_pStillStreamConfig.Clear();
    HRESULT hr = m_pBuilder->FindInterface(&PIN_CATEGORY_STILL, &MEDIATYPE_Video, m_pCapFilter.Get(),
                                           IID_IAMStreamConfig, m_pStillStreamConfig.OutVoid());
    if (FAILED(hr) || !m_pStillStreamConfig) {
        m_pStillStreamConfig.Clear();
        m_HasStillPin = FALSE;
    } else {
        m_HasStillPin = TRUE;
        SetStillDefault();
    }
}

ComPtr<IAMStreamConfig> DShowManager::FindCaptureStreamConfig() {
    ComPtr<IAMStreamConfig> config;
    if (!m_pBuilder) return config;
    HRESULT hr = m_pBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, m_pCapFilter.Get(),
                                           IID_IAMStreamConfig, config.OutVoid());
    if (hr != S_OK)
        hr = m_pBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_pCapFilter.Get(), IID_IAMStreamConfig,
                                       config.OutVoid());
    if (FAILED(hr)) config.Clear();
    return config;
}

// Asks the capture pin for 640 x 480 in its current subtype and rate.
void DShowManager::ForceCaptureFrameSize() {
    int count = 0, size = 0;
    if (FAILED(m_pStreamConfig->GetNumberOfCapabilities(&count, &size))) return;
    DShowDebugPrint(L" iCount ,  iSize. ... %d  %d  \r\n", count, size);
    if (size != kVideoCapsSize) return;
    WalkCapabilities(m_pStreamConfig.Get(), count, [&](int i, MediaTypePtr &) {
        MediaTypePtr current;
        if (FAILED(m_pStreamConfig->GetFormat(&current)) || !current) return true;
        VIDEOINFOHEADER *pvi = VideoInfoOf(current.Get());
        if (!pvi) return true;
        DShowDebugPrint(L"iFormat pvi->bmiHeader. ...%d %d  %d  \r\n", i, pvi->bmiHeader.biHeight,
                        pvi->bmiHeader.biWidth);
        pvi->bmiHeader.biWidth = 640;
        pvi->bmiHeader.biHeight = 480;
        SetVideoResolution(640, 480);
        DShowDebugPrint(L" pvi->rcSource. ... %d  %d , %d , %d \r\n", pvi->rcSource.left, pvi->rcSource.top,
                        pvi->rcSource.right, pvi->rcSource.bottom);
        DShowDebugPrint(L" pvi->rcTarget. ... %d  %d , %d , %d \r\n", pvi->rcTarget.left, pvi->rcTarget.top,
                        pvi->rcTarget.right, pvi->rcTarget.bottom);
        (void)m_pStreamConfig->SetFormat(current.Get());
        return false;
    });
}

void DShowManager::SetStillDefault() {
    m_StillWidth = 2592;
    m_StillHeight = 1944;
    int r = SetStillFormat(2592, 1944, L"MJPG");
    if (r != 1) return;
    OutputDebugStringW(L"No 2048x1536 so trying to set to 640x480\r\n");
    m_StillWidth = 640;
    m_StillHeight = 480;
    r = SetStillFormat(640, 480, L"MJPG");
    OutputDebugStringW(r == 0 ? L"set to 640x480 still resolution\r\n" : L"failed set to 640x480 still resolution\r\n");
}

// The subtype a still-format text names, or null for any other text.
static const GUID *SubtypeOfText(LPCWSTR pszSubType) {
    if (!pszSubType) return nullptr;
    if (lstrcmpW(pszSubType, L"MJPG") == 0) return &MEDIASUBTYPE_MJPG;
    if (lstrcmpW(pszSubType, L"YUY2") == 0) return &MEDIASUBTYPE_YUY2;
    return nullptr;
}

// Among the capabilities of the requested size, the first whose own subtype
// is the requested one is handed to the pin as it stands (its format block,
// image size and frame interval describe that subtype). Only when no
// capability of that size has the subtype is the first of that size taken
// with its subtype replaced.
int DShowManager::SetStillFormat(int width, int height, LPCWSTR pszSubType) {
    DShowDebugPrint(L"chSubType=%s\r\n", pszSubType ? pszSubType : L"(null)");
    if (!m_pStillStreamConfig) return 1;
    int count = 0, size = 0;
    if (FAILED(m_pStillStreamConfig->GetNumberOfCapabilities(&count, &size))) return 1;
    DShowDebugPrint(L" iCount ,  iSize. ... %d  %d  \r\n", count, size);
    if (size != kVideoCapsSize) return 1;

    const GUID *pWanted = SubtypeOfText(pszSubType);
    MediaTypePtr chosen;
    int iChosen = -1;
    WalkCapabilities(m_pStillStreamConfig.Get(), count, [&](int i, MediaTypePtr &pmt) {
        const VIDEOINFOHEADER *pvi = VideoInfoOf(pmt.Get());
        if (!pvi) return true;
        DShowDebugPrint(L"iFormat pvi->bmiHeader. ...%d %d  %d  \r\n", i, pvi->bmiHeader.biHeight,
                        pvi->bmiHeader.biWidth);
        if (pvi->bmiHeader.biWidth != width || pvi->bmiHeader.biHeight != height) return true;
        const bool bExact = !pWanted || IsEqualGUID(pmt->subtype, *pWanted);
        if (iChosen < 0 || bExact) {
            chosen.TakeFrom(pmt);
            iChosen = i;
        }
        return !bExact;
    });
    if (iChosen < 0) return 1;

    if (!pszSubType) {
        OutputDebugStringW(L"formattype is null\r\n");
    } else if (pWanted) {
        chosen->subtype = *pWanted;
        DShowDebugPrint(pWanted == &MEDIASUBTYPE_MJPG ? L"mjpg format iFormat=%d\r\n" : L"yuy2 format iFormat=%d\r\n",
                        iChosen);
    }
    HRESULT hr = m_pStillStreamConfig->SetFormat(chosen.Get());
    OutputDebugStringW(L"SetFormat 1...\r\n");
    DShowDebugPrint(L"hr=%x\r\n", hr);
    if (SUCCEEDED(hr)) {
        OutputDebugStringW(L"SetFormat 2...\r\n");
        // The still size is the format the pin really has: a refused format
        // leaves the one it had.
        m_StillWidth = width;
        m_StillHeight = height;
    }
    return static_cast<int>(hr);
}

int DShowManager::BuildPreviewGraph() {
    if (!m_pCapFilter || !m_pGraph || !m_pBuilder) return 0;
    if (!AddBranchFilters() || !RenderBranches()) return 0;
    (void)AttachVideoWindow(1);
    if (m_HasStillPin && !ConnectStillCallback()) return 0;

    OutputDebugStringW(L"Adding Graph to Running Object Table\n");
    // A build that was not taken apart first keeps one registration only.
    if (FAILED(g_RotRegistration.Register(m_pGraph.Get())))
        OutputDebugStringW(L"Failed to register filter graph with ROT!");
    m_GraphBuilt = TRUE;
    return 1;
}

// The grabber, the two Null Renderers and (with a window) the Video Renderer
// join the graph.
bool DShowManager::AddBranchFilters() {
    if (FAILED(m_pGraph->AddFilter(m_pGrabberFilter.Get(), L"SampleGrab")))
        return ReportBuildFailure(L"Error AddFilter SampleGrabber");
    if (FAILED(m_pGraph->AddFilter(m_pNullRenderer.Get(), L"Null Filter")))
        return ReportBuildFailure(L"Error Add Null Filter");
    if (FAILED(m_pGraph->AddFilter(m_pNullRenderer2.Get(), L"Null Filter2")))
        return ReportBuildFailure(L"Error Add Null Filter");
    if (!m_Windowless && FAILED(m_pGraph->AddFilter(m_pVideoRender.Get(), L"Video Renderer"))) {
        m_pVideoRender.Clear();
        OutputDebugStringW(L"InitCapFiltersFail .... \n");
        return false;
    }
    OutputDebugStringW(L"added the Video Render filter to the graph....\r\n");
    return true;
}

// The capture and still branches (with a still pin), then (with a window)
// the preview branch.
bool DShowManager::RenderBranches() {
    if (m_HasStillPin) {
        if (FAILED(m_pBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_pCapFilter.Get(), nullptr,
                                            m_pNullRenderer2.Get())))
            return ReportBuildFailure(L"Error PIN_CATEGORY_CAPTURE");
        if (FAILED(m_pBuilder->RenderStream(&PIN_CATEGORY_STILL, &MEDIATYPE_Video, m_pCapFilter.Get(),
                                            m_pGrabberFilter.Get(), m_pNullRenderer.Get())))
            return ReportBuildFailure(L"Error PIN_CATEGORY_STILL");
    }
    if (!m_Windowless && FAILED(m_pBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, m_pCapFilter.Get(),
                                                         nullptr, m_pVideoRender.Get())))
        return ReportBuildFailure(L"Error PIN_CATEGORY_PREVIEW");
    return true;
}

// The still callback on the grabber, the still branch's connected type, and
// the still pin and its trigger (SetupStillPin).
bool DShowManager::ConnectStillCallback() {
    // The grabber's interface is kept without a reference of its own; it
    // stays valid while m_pGrabberFilter holds the filter.
    ComPtr<ISampleGrabber> grabber;
    if (FAILED(m_pGrabberFilter->QueryInterface(IID_ISampleGrabber, grabber.OutVoid())))
        return ReportBuildFailure(L"Error IID_ISampleGrabber");
    m_pSampleGrabber = grabber.Get();
    (void)grabber->SetOneShot(FALSE);
    (void)grabber->SetBufferSamples(TRUE);
    if (FAILED(grabber->SetCallback(&g_SampleGrabberCB, 1))) return ReportBuildFailure(L"Error SetCallback");
    m_StillMediaType.Clear();
    if (FAILED(grabber->GetConnectedMediaType(m_StillMediaType.Get()))) {
        m_StillMediaType.Clear();
        KorMessageBox(nullptr, L"Error GetConnectedMediaType", L"KORViewer", MB_OK);
    }
    (void)SetupStillPin();
    return true;
}

HRESULT DShowManager::SetupStillPin() {
    HRESULT hr = S_OK;
    if (m_pGraph) {
        ComPtr<IMediaControl> control;
        hr = m_pGraph->QueryInterface(IID_IMediaControl, control.OutVoid());
        if (SUCCEEDED(hr)) hr = control->Run();
        if (FAILED(hr)) {
            OutputDebugStringW(L"Error run media control");
            KorMessageBox(nullptr, L"Error run media control", L"KORViewer", MB_OK);
        }
    }
    hr = m_pCapFilter->QueryInterface(IID_IAMVideoControl, m_pAMVidControl.OutVoid());
    if (FAILED(hr)) KorMessageBox(nullptr, L"Error IID_IAMVideoControl", L"KORViewer", MB_OK);
    hr = m_pBuilder->FindPin(m_pCapFilter.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_STILL, nullptr, FALSE, 0, &m_pStillPin);
    if (FAILED(hr)) KorMessageBox(nullptr, L"Find Still Pin Failed", L"Tessaline", MB_OK);
    return hr;
}

HRESULT DShowManager::AttachVideoWindow(int visible) {
    if (!m_pVideoWindow) return S_OK;
    HRESULT hr = m_pVideoWindow->put_Owner(reinterpret_cast<OAHWND>(m_hWndMain));
    if (FAILED(hr)) return hr;
    hr = m_pVideoWindow->put_WindowStyle(kVideoWindowStyle);
    if (FAILED(hr)) return hr;
    SetWindowPosition();
    return m_pVideoWindow->put_Visible(visible == 1 ? OATRUE : OAFALSE);
}

void DShowManager::SetWindowPosition() {
    if (!m_Initialized || !m_pVideoWindow) return;
    if (m_pBasicVideo) (void)m_pBasicVideo->GetVideoSize(&m_NativeWidth, &m_NativeHeight);
    (void)m_pVideoWindow->SetWindowPosition(0, 0, m_NativeWidth, m_NativeHeight);
    DShowDebugPrint(L"SetWindowPosition %d , %d", m_NativeWidth, m_NativeHeight);
}

void DShowManager::ReleaseCapFilters() {
    m_pGraph.Clear();
    m_pBuilder.reset();
    m_pCapFilter.Clear();
    m_pStreamConfig.Clear();
    m_CapFiltersRot.Revoke();
}

HRESULT RegisterGraphInRot(IUnknown *pGraph, DWORD *pCookie) {
    if (!pGraph || !pCookie) return E_POINTER;
    ComPtr<IRunningObjectTable> rot;
    HRESULT hr = GetRunningObjectTable(0, &rot);
    if (FAILED(hr)) return hr;
    WCHAR szName[128];
    hr = StringCchPrintfW(szName, ARRAYSIZE(szName), L"FilterGraph %08x pid %08x",
                          static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(pGraph)), GetCurrentProcessId());
    if (FAILED(hr)) return hr;
    ComPtr<IMoniker> moniker;
    hr = CreateItemMoniker(L"!", szName, &moniker);
    if (FAILED(hr)) return hr;
    return rot->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, pGraph, moniker.Get(), pCookie);
}

void RevokeGraphFromRot(DWORD cookie) {
    ComPtr<IRunningObjectTable> rot;
    if (SUCCEEDED(GetRunningObjectTable(0, &rot))) (void)rot->Revoke(cookie);
}

HRESULT RotRegistration::Register(IUnknown *pGraph) {
    Revoke();
    HRESULT hr = RegisterGraphInRot(pGraph, &m_dwCookie);
    if (FAILED(hr)) m_dwCookie = 0;
    return hr;
}

void RotRegistration::Revoke() {
    if (!m_dwCookie) return;
    RevokeGraphFromRot(m_dwCookie);
    m_dwCookie = 0;
}

// ---------------------------------------------------------------------------
// Running, stopping and taking apart.

int DShowManager::InitDShow(IMoniker *pMoniker) {
    OutputDebugStringW(L"InitDShow....\r\n");
    m_pMoniker = pMoniker;
    DeInitDShow();  // a new graph from here on: DeInitDShow moved the epoch on
    // A build that never became ready (DeInitDShow leaves it alone) must not
    // be overwritten while it still holds the graph, the camera and its
    // registrations.
    ReleaseGraphObjects();
    // No capture filters is no graph: the caller behaves as for a failed
    // build (InitCapFilters has shown its box).
    if (!InitCapFilters()) return 0;
    if (!BuildPreviewGraph()) {
        OutputDebugStringW(L"BuildPreviewGraph Failed....\r\n");
        ReleaseGraphObjects();
        m_Initialized = FALSE;
        return 0;
    }
    if (StartPreview()) m_Initialized = TRUE;
    return 1;
}

int DShowManager::StartPreview() {
    OutputDebugStringW(L"StartPreview ++\r\n");
    if (!m_GraphBuilt || !m_pGraph) return 0;
    ComPtr<IMediaControl> control;
    if (FAILED(m_pGraph->QueryInterface(IID_IMediaControl, control.OutVoid()))) return 0;
    OutputDebugStringW(L"IID_IMediaControl SUcceed ++\r\n");
    ShowVideoWindow(true);
    // The window calls can dispatch sent messages: the graph may be gone.
    if (!m_GraphBuilt || !m_pGraph) return 0;
    HRESULT hr = control->Run();
    if (FAILED(hr)) {
        DWORD dwError = GetLastError();
        (void)StringCchPrintfW(m_MsgBuffer, ARRAYSIZE(m_MsgBuffer), L"StartPreview: hr = %x, Error = %d, %x", hr,
                               dwError, dwError);
        OutputDebugStringW(m_MsgBuffer);
        (void)control->Stop();
        return 0;
    }
    OutputDebugStringW(L"StartPreview Succeed ++\r\n");
    StartFrameRateTimer();
    m_Previewing = TRUE;
    return 1;
}

int DShowManager::StopPreview() {
    if (!m_Previewing) return 0;
    KillTimer(m_hWndMain, kStatusTimerId);
    if (m_pGraph) {
        ComPtr<IMediaControl> control;
        HRESULT hr = m_pGraph->QueryInterface(IID_IMediaControl, control.OutVoid());
        if (SUCCEEDED(hr)) {
            OutputDebugStringW(L"StopPreview Succeed ++\r\n");
            hr = control->Stop();
        }
        if (FAILED(hr)) {
            OutputDebugStringW(L"StopPreview Failed ++\r\n");
            return 0;
        }
    }
    m_Previewing = FALSE;
    // The graph is stopped: a still it was to deliver will not come.
    (void)AbandonStill();
    ShowVideoWindow(false);
    InvalidateRect(m_hWndMain, nullptr, TRUE);
    return 1;
}

// Owner and visibility of the video window. Each call can dispatch sent
// messages, and a handler run there may release the window: it is held for
// the call and looked at again before the next.
void DShowManager::ShowVideoWindow(bool bShow) {
    ComPtr<IVideoWindow> window = m_pVideoWindow;
    if (!window) return;
    if (bShow) {
        (void)window->put_Owner(reinterpret_cast<OAHWND>(m_hWndMain));
        window = m_pVideoWindow;
        if (window) (void)window->put_Visible(OATRUE);
    } else {
        (void)window->put_Visible(OAFALSE);
        window = m_pVideoWindow;
        if (window) (void)window->put_Owner(0);
    }
}

int DShowManager::StartFrameRateTimer() {
    OutputDebugStringW(L"StartFrameRateTimer\r\n");
    g_pTimerTarget = this;
    if (SetTimer(m_hWndMain, kStatusTimerId, kStatusTimerPeriodMs, StatusTimerProc))
        OutputDebugStringW(L"SetTimer success\r\n");
    else
        DShowDebugPrint(L"SetTimer fails %d\r\n", GetLastError());
    return 0;
}

void DShowManager::DismantleGraph() {
    if (m_pCapFilter) {
        RemoveDownstream(m_pCapFilter.Get());
        if (m_pBuilder) m_pBuilder->ReleaseFilters();
    }
    m_GraphBuilt = FALSE;
    if (g_RotRegistration.IsRegistered()) {
        OutputDebugStringW(L"Removing Graph from ROT\n");
        g_RotRegistration.Revoke();
    }
}

void DShowManager::RemoveDownstream(IBaseFilter *pFilter) {
    if (!pFilter || !m_pGraph) return;
    ComPtr<IEnumPins> pins;
    if (FAILED(pFilter->EnumPins(&pins)) || !pins) return;
    (void)pins->Reset();
    ComPtr<IPin> pin;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        ComPtr<IPin> peer;
        if (FAILED(pin->ConnectedTo(&peer)) || !peer) continue;
        PIN_INFO info;
        ZeroMemory(&info, sizeof(info));
        if (peer->QueryPinInfo(&info) == S_OK) {
            if (info.dir == PINDIR_INPUT) {
                OutputDebugStringW(L"pininfo.pFilter released\r\n");
                RemoveDownstream(info.pFilter);
                (void)m_pGraph->Disconnect(peer.Get());
                (void)m_pGraph->Disconnect(pin.Get());
                (void)m_pGraph->RemoveFilter(info.pFilter);
            }
            if (info.pFilter) info.pFilter->Release();
        }
    }
}

void DShowManager::DeInitDShow() {
    OutputDebugStringW(L"DeInitDShow....\r\n");
    ++m_GraphEpoch;
    if (!m_Initialized) return;
    StopPreview();
    DismantleGraph();
    m_pVideoRender.Clear();
    if (m_pVideoWindow) {
        (void)m_pVideoWindow->put_Owner(0);
        (void)m_pVideoWindow->put_Visible(OAFALSE);
        m_pVideoWindow.Clear();
    }
    ReleaseBuiltInterfaces();
    SetStillTimeMs(0);
    m_Initialized = FALSE;
    (void)AbandonStill();
    SetStillState(kStillIdle);
}

// Lets go of everything a build made, whatever state it reached: the graph
// is stopped first (the still branch may have started it), the branches
// taken apart, both registrations revoked and every interface released.
void DShowManager::ReleaseGraphObjects() {
    if (m_pGraph) {
        if (m_Previewing) KillTimer(m_hWndMain, kStatusTimerId);
        ComPtr<IMediaControl> control;
        if (SUCCEEDED(m_pGraph->QueryInterface(IID_IMediaControl, control.OutVoid()))) (void)control->Stop();
        (void)AbandonStill();
        DismantleGraph();
    } else if (m_GraphBuilt) {
        g_RotRegistration.Revoke();
    }
    m_Previewing = FALSE;
    m_GraphBuilt = FALSE;
    ShowVideoWindow(false);
    m_pVideoWindow.Clear();
    m_pVideoRender.Clear();
    ReleaseBuiltInterfaces();
}

void DShowManager::ReleaseBuiltInterfaces() {
    m_pBasicVideo.Clear();
    ReleaseCapFilters();
    m_pStillPin.Clear();
    m_pAMVidControl.Clear();
    m_pGrabberFilter.Clear();
    m_pNullRenderer.Clear();
    m_pNullRenderer2.Clear();
    m_pStillStreamConfig.Clear();
    m_pSampleGrabber = nullptr;
    m_StillMediaType.Clear();
}

void DShowManager::UpdateStatusBar() {
    RECT rc = {0, 0, 0, 0};
    GetWindowRect(m_hWndMain, &rc);
    int w = (rc.right - rc.left) / 3;
    int parts[3] = {w, 2 * w, -1};
    SendMessageW(m_hWndStatus, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));

    WCHAR szResolution[46];
    (void)StringCchPrintfW(szResolution, ARRAYSIZE(szResolution), L"Resolution : %dx%d", m_VideoWidth, m_VideoHeight);
    WCHAR szStill[100];
    szStill[0] = L'\0';
    LONG state = m_StillState;
    if (state == kStillCapturing) {
        (void)StringCchCopyW(szStill, ARRAYSIZE(szStill), L"Capturing image...");
    } else if (state == kStillCaptured) {
        if (g_StillShownTicks < 5) {
            ++g_StillShownTicks;
            (void)StringCchPrintfW(szStill, ARRAYSIZE(szStill), L"Still Captured in %3.1f s",
                                   static_cast<double>(m_StillTimeMs) / 1000.0);
        } else if (MoveStillState(kStillCaptured, kStillIdle)) {
            g_StillShownTicks = 0;
        }
    }
    SendMessageW(m_hWndStatus, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(szResolution));
    SendMessageW(m_hWndStatus, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L""));
    SendMessageW(m_hWndStatus, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(szStill));
}

void CALLBACK StatusTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    DShowManager *pTarget = g_pTimerTarget;
    if (!pTarget) return;
    (void)pTarget->GiveUpLateStill(GetTickCount());
    pTarget->UpdateStatusBar();
}

void ResetCaptureProcessState() {
    g_SampleGrabberCB.Reset();
    g_StillShownTicks = 0;
    g_RotRegistration.Revoke();
    g_pTimerTarget = nullptr;
    SetFlashEnabled(true);
}
