// CaptureTestSupport.cpp - hooks, windows, folders and fakes of the capture tests.
#include "CaptureTestSupport.h"

#include <commctrl.h>
#include <strsafe.h>

#include <algorithm>
#include <mutex>

#include "CaptureGuids.h"
#include "ComCreate.h"
#include "CreateSeam.h"
#include "MessageBoxSeam.h"
#include "SimCamControl.h"

// ---------------------------------------------------------------------------
// Message boxes

namespace {

struct BoxState {
    std::mutex lock;
    std::vector<RecordedBox> boxes;
    std::vector<int> answers;
};
BoxState g_boxState;

int CALLBACK RecordBox(HWND hWndOwner, LPCWSTR pszText, LPCWSTR pszCaption, UINT uType) {
    std::lock_guard<std::mutex> guard(g_boxState.lock);
    g_boxState.boxes.push_back(
        {hWndOwner, pszText ? pszText : L"(null)", pszCaption ? pszCaption : L"(null)", uType, GetCurrentThreadId()});
    if (g_boxState.answers.empty()) return IDOK;
    int answer = g_boxState.answers.front();
    g_boxState.answers.erase(g_boxState.answers.begin());
    return answer;
}

}  // namespace

BoxRecorder::BoxRecorder() {
    Clear();
    SetKorMessageBoxHook(RecordBox);
}

BoxRecorder::~BoxRecorder() { SetKorMessageBoxHook(nullptr); }

std::vector<RecordedBox> BoxRecorder::Boxes() const {
    std::lock_guard<std::mutex> guard(g_boxState.lock);
    return g_boxState.boxes;
}

size_t BoxRecorder::Count() const {
    std::lock_guard<std::mutex> guard(g_boxState.lock);
    return g_boxState.boxes.size();
}

void BoxRecorder::Clear() {
    std::lock_guard<std::mutex> guard(g_boxState.lock);
    g_boxState.boxes.clear();
    g_boxState.answers.clear();
}

void BoxRecorder::ScriptAnswers(std::vector<int> answers) {
    std::lock_guard<std::mutex> guard(g_boxState.lock);
    g_boxState.answers = std::move(answers);
}

bool BoxRecorder::Saw(const std::wstring &text, const wchar_t *pszCaption) const {
    std::lock_guard<std::mutex> guard(g_boxState.lock);
    int n = 0;
    for (const RecordedBox &box : g_boxState.boxes)
        if (box.text == text && (!pszCaption || box.caption == pszCaption)) ++n;
    return n == 1;
}

// ---------------------------------------------------------------------------
// Creation

namespace {

struct CreateRule {
    CLSID clsid;
    HRESULT hrFail;  // S_OK: not failing
    int nth;         // 0: every time
    CreateInterceptor::Factory factory;
};

struct CreateState {
    std::vector<CreateRule> rules;
    std::vector<std::pair<CLSID, int>> created;
};
CreateState g_createState;

int &CreatedCount(REFCLSID clsid) {
    for (auto &entry : g_createState.created)
        if (IsEqualCLSID(entry.first, clsid)) return entry.second;
    g_createState.created.push_back({clsid, 0});
    return g_createState.created.back().second;
}

HRESULT STDAPICALLTYPE InterceptCreate(REFCLSID clsid, LPUNKNOWN pUnkOuter, DWORD dwContext, REFIID iid, LPVOID *ppv) {
    int &count = CreatedCount(clsid);
    ++count;
    for (const CreateRule &rule : g_createState.rules) {
        if (!IsEqualCLSID(rule.clsid, clsid)) continue;
        if (rule.factory) return rule.factory(iid, ppv);
        if (rule.nth == 0 || rule.nth == count) {
            if (ppv) *ppv = nullptr;
            return rule.hrFail;
        }
    }
    return CoCreateInstance(clsid, pUnkOuter, dwContext, iid, ppv);
}

}  // namespace

CreateInterceptor::CreateInterceptor() {
    g_createState.rules.clear();
    g_createState.created.clear();
    SetKorCreateHook(InterceptCreate);
}

CreateInterceptor::~CreateInterceptor() {
    SetKorCreateHook(nullptr);
    g_createState.rules.clear();
}

void CreateInterceptor::Fail(REFCLSID clsid, HRESULT hr) { g_createState.rules.push_back({clsid, hr, 0, nullptr}); }

void CreateInterceptor::FailNth(REFCLSID clsid, int nth, HRESULT hr) {
    CreatedCount(clsid) = 0;
    g_createState.rules.push_back({clsid, hr, nth, nullptr});
}

void CreateInterceptor::Replace(REFCLSID clsid, Factory factory) {
    g_createState.rules.push_back({clsid, S_OK, 0, std::move(factory)});
}

int CreateInterceptor::Created(REFCLSID clsid) const { return CreatedCount(clsid); }

// ---------------------------------------------------------------------------
// Main window

namespace {

LRESULT CALLBACK TestWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_GETMINMAXINFO) {
        // Large enough for a 2592 x 1964 client on a smaller screen.
        MINMAXINFO *pInfo = reinterpret_cast<MINMAXINFO *>(lParam);
        pInfo->ptMaxTrackSize.x = pInfo->ptMaxSize.x = 4000;
        pInfo->ptMaxTrackSize.y = pInfo->ptMaxSize.y = 4000;
        return 0;
    }
    if (uMsg == WM_SIZE) {
        HWND hWndStatus = FindWindowExW(hWnd, nullptr, STATUSCLASSNAMEW, nullptr);
        if (hWndStatus) SendMessageW(hWndStatus, WM_SIZE, 0, 0);
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

const wchar_t kTestClass[] = L"KorCaptureTestMain";

}  // namespace

TestMainWindow::TestMainWindow(int clientWidth, int clientHeight) : m_hWnd(nullptr), m_hWndStatus(nullptr) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = TestWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kTestClass;
    RegisterClassExW(&wc);
    m_hWnd = CreateWindowExW(0, kTestClass, L"capture test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    m_hWndStatus = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, m_hWnd, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    HMENU hMenu = CreateMenu();
    AppendMenuW(hMenu, MF_STRING, 1, L"File");
    SetMenu(m_hWnd, hMenu);
    ShowWindow(m_hWnd, SW_SHOW);
    SetClientSize(clientWidth, clientHeight);
}

TestMainWindow::~TestMainWindow() {
    if (m_hWnd) DestroyWindow(m_hWnd);
}

int TestMainWindow::StatusHeight() const {
    RECT rc;
    GetWindowRect(m_hWndStatus, &rc);
    return rc.bottom - rc.top;
}

void TestMainWindow::SetClientSize(int width, int height) {
    RECT rc = {0, 0, width, height};
    AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, TRUE);
    SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
}

std::wstring TestMainWindow::StatusText(int part) const {
    WCHAR szText[256] = L"";
    LRESULT len = SendMessageW(m_hWndStatus, SB_GETTEXTLENGTHW, part, 0);
    if (LOWORD(len) >= 255) return L"<too long>";
    SendMessageW(m_hWndStatus, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(szText));
    return szText;
}

std::vector<int> TestMainWindow::StatusParts() const {
    int parts[8] = {0};
    int n = static_cast<int>(SendMessageW(m_hWndStatus, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(parts)));
    return std::vector<int>(parts, parts + n);
}

// ---------------------------------------------------------------------------
// Messages

// ---------------------------------------------------------------------------
// Folders

// ---------------------------------------------------------------------------
// Running Object Table and graphs

std::vector<std::wstring> GraphRotEntries() {
    std::vector<std::wstring> names;
    IRunningObjectTable *pRot = nullptr;
    if (FAILED(GetRunningObjectTable(0, &pRot))) return names;
    IEnumMoniker *pEnum = nullptr;
    if (SUCCEEDED(pRot->EnumRunning(&pEnum))) {
        IBindCtx *pCtx = nullptr;
        CreateBindCtx(0, &pCtx);
        IMoniker *pMoniker = nullptr;
        while (pEnum->Next(1, &pMoniker, nullptr) == S_OK) {
            LPOLESTR pszName = nullptr;
            if (pCtx && SUCCEEDED(pMoniker->GetDisplayName(pCtx, nullptr, &pszName)) && pszName) {
                if (wcsncmp(pszName, L"!FilterGraph", 12) == 0) names.push_back(pszName);
                CoTaskMemFree(pszName);
            }
            pMoniker->Release();
        }
        if (pCtx) pCtx->Release();
        pEnum->Release();
    }
    pRot->Release();
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring RotNameFor(IUnknown *pGraph) {
    WCHAR szName[128];
    StringCchPrintfW(szName, 128, L"!FilterGraph %08x pid %08x",
                     static_cast<unsigned>(reinterpret_cast<DWORD_PTR>(pGraph)),
                     static_cast<unsigned>(GetCurrentProcessId()));
    return szName;
}

std::vector<std::wstring> FilterNames(IGraphBuilder *pGraph) {
    std::vector<std::wstring> names;
    if (!pGraph) return names;
    IEnumFilters *pEnum = nullptr;
    if (FAILED(pGraph->EnumFilters(&pEnum))) return names;
    IBaseFilter *pFilter = nullptr;
    while (pEnum->Next(1, &pFilter, nullptr) == S_OK) {
        FILTER_INFO info;
        if (SUCCEEDED(pFilter->QueryFilterInfo(&info))) {
            names.push_back(info.achName);
            if (info.pGraph) info.pGraph->Release();
        }
        pFilter->Release();
    }
    pEnum->Release();
    return names;
}

std::wstring ConnectedFilterOf(IBaseFilter *pFilter, const GUID &category) {
    std::wstring name;
    ICaptureGraphBuilder2 *pBuilder = nullptr;
    if (FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                                reinterpret_cast<void **>(&pBuilder))))
        return name;
    IPin *pPin = nullptr;
    if (SUCCEEDED(pBuilder->FindPin(pFilter, PINDIR_OUTPUT, &category, nullptr, FALSE, 0, &pPin))) {
        IPin *pPeer = nullptr;
        if (SUCCEEDED(pPin->ConnectedTo(&pPeer))) {
            PIN_INFO info;
            if (SUCCEEDED(pPeer->QueryPinInfo(&info)) && info.pFilter) {
                FILTER_INFO finfo;
                if (SUCCEEDED(info.pFilter->QueryFilterInfo(&finfo))) {
                    name = finfo.achName;
                    if (finfo.pGraph) finfo.pGraph->Release();
                }
                info.pFilter->Release();
            }
            pPeer->Release();
        }
        pPin->Release();
    }
    pBuilder->Release();
    return name;
}

// ---------------------------------------------------------------------------
// Fakes

// ---------------------------------------------------------------------------
// Staged failures of the platform's objects

namespace stage {
namespace {

class EmptyEnumPins : public FakeComObject<IEnumPins> {
public:
    STDMETHODIMP Next(ULONG, IPin **, ULONG *pFetched) override {
        if (pFetched) *pFetched = 0;
        return S_FALSE;
    }
    STDMETHODIMP Skip(ULONG) override { return S_FALSE; }
    STDMETHODIMP Reset() override { return S_OK; }
    STDMETHODIMP Clone(IEnumPins **) override { return E_NOTIMPL; }
};

// IMediaFilter and IPersist, which IBaseFilter extends, are the filter too.
HRESULT FilterBases(IBaseFilter *pFilter, REFIID riid, void **ppv) {
    if (!IsEqualIID(riid, IID_IMediaFilter) && !IsEqualIID(riid, IID_IPersist)) return E_NOINTERFACE;
    *ppv = pFilter;
    pFilter->AddRef();
    return S_OK;
}

class RefusingFilter : public FakeComObject<IBaseFilter> {
public:
    HRESULT QueryOther(REFIID riid, void **ppv) override { return FilterBases(this, riid, ppv); }
    STDMETHODIMP GetClassID(CLSID *) override { return E_NOTIMPL; }
    STDMETHODIMP Stop() override { return S_OK; }
    STDMETHODIMP Pause() override { return S_OK; }
    STDMETHODIMP Run(REFERENCE_TIME) override { return S_OK; }
    STDMETHODIMP GetState(DWORD, FILTER_STATE *pState) override {
        *pState = State_Stopped;
        return S_OK;
    }
    STDMETHODIMP SetSyncSource(IReferenceClock *) override { return S_OK; }
    STDMETHODIMP GetSyncSource(IReferenceClock **ppClock) override {
        *ppClock = nullptr;
        return S_OK;
    }
    STDMETHODIMP EnumPins(IEnumPins **ppEnum) override {
        *ppEnum = new EmptyEnumPins();
        return S_OK;
    }
    STDMETHODIMP FindPin(LPCWSTR, IPin **) override { return VFW_E_NOT_FOUND; }
    STDMETHODIMP QueryFilterInfo(FILTER_INFO *pInfo) override {
        ZeroMemory(pInfo, sizeof(*pInfo));
        return S_OK;
    }
    STDMETHODIMP JoinFilterGraph(IFilterGraph *pGraph, LPCWSTR) override { return pGraph ? E_FAIL : S_OK; }
    STDMETHODIMP QueryVendorInfo(LPWSTR *) override { return E_NOTIMPL; }
};

class FaultyGrabber : public FakeComObject<IBaseFilter, ISampleGrabber> {
public:
    FaultyGrabber(GrabberFault fault, IBaseFilter *pInner) : m_fault(fault) {
        m_inner.Assign(pInner);
        pInner->QueryInterface(IID_ISampleGrabber, m_grabber.OutVoid());
    }
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override {
        if (ppv && IsEqualIID(riid, IID_ISampleGrabber) && m_fault == GRABBER_NO_INTERFACE) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return FakeComObject::QueryInterface(riid, ppv);
    }
    // Anything else the grabber answers is the real grabber's.
    HRESULT QueryOther(REFIID riid, void **ppv) override {
        return FAILED(FilterBases(this, riid, ppv)) ? m_inner->QueryInterface(riid, ppv) : S_OK;
    }
    STDMETHODIMP GetClassID(CLSID *p) override { return m_inner->GetClassID(p); }
    STDMETHODIMP Stop() override { return m_inner->Stop(); }
    STDMETHODIMP Pause() override { return m_inner->Pause(); }
    STDMETHODIMP Run(REFERENCE_TIME t) override { return m_inner->Run(t); }
    STDMETHODIMP GetState(DWORD ms, FILTER_STATE *p) override { return m_inner->GetState(ms, p); }
    STDMETHODIMP SetSyncSource(IReferenceClock *p) override { return m_inner->SetSyncSource(p); }
    STDMETHODIMP GetSyncSource(IReferenceClock **pp) override { return m_inner->GetSyncSource(pp); }
    STDMETHODIMP EnumPins(IEnumPins **pp) override { return m_inner->EnumPins(pp); }
    STDMETHODIMP FindPin(LPCWSTR id, IPin **pp) override { return m_inner->FindPin(id, pp); }
    STDMETHODIMP QueryFilterInfo(FILTER_INFO *p) override { return m_inner->QueryFilterInfo(p); }
    STDMETHODIMP JoinFilterGraph(IFilterGraph *g, LPCWSTR n) override { return m_inner->JoinFilterGraph(g, n); }
    STDMETHODIMP QueryVendorInfo(LPWSTR *p) override { return m_inner->QueryVendorInfo(p); }
    STDMETHODIMP SetOneShot(BOOL b) override { return m_grabber->SetOneShot(b); }
    STDMETHODIMP SetMediaType(const AM_MEDIA_TYPE *p) override { return m_grabber->SetMediaType(p); }
    STDMETHODIMP GetConnectedMediaType(AM_MEDIA_TYPE *p) override {
        return m_fault == GRABBER_FAIL_CONNECTED_TYPE ? VFW_E_NOT_CONNECTED : m_grabber->GetConnectedMediaType(p);
    }
    STDMETHODIMP SetBufferSamples(BOOL b) override { return m_grabber->SetBufferSamples(b); }
    STDMETHODIMP GetCurrentBuffer(LONG *a, LONG *b) override { return m_grabber->GetCurrentBuffer(a, b); }
    STDMETHODIMP GetCurrentSample(IMediaSample **pp) override { return m_grabber->GetCurrentSample(pp); }
    STDMETHODIMP SetCallback(ISampleGrabberCB *p, LONG which) override {
        return m_fault == GRABBER_FAIL_SETCALLBACK ? E_FAIL : m_grabber->SetCallback(p, which);
    }

private:
    GrabberFault m_fault;
    ComPtr<IBaseFilter> m_inner;
    ComPtr<ISampleGrabber> m_grabber;
};

class BuilderRefusingGraph : public FakeComObject<ICaptureGraphBuilder2> {
public:
    explicit BuilderRefusingGraph(ICaptureGraphBuilder2 *pInner) { m_inner.Assign(pInner); }
    STDMETHODIMP SetFiltergraph(IGraphBuilder *) override { return E_FAIL; }
    STDMETHODIMP GetFiltergraph(IGraphBuilder **pp) override { return m_inner->GetFiltergraph(pp); }
    STDMETHODIMP SetOutputFileName(const GUID *t, LPCOLESTR f, IBaseFilter **m, IFileSinkFilter **s) override {
        return m_inner->SetOutputFileName(t, f, m, s);
    }
    STDMETHODIMP FindInterface(const GUID *c, const GUID *t, IBaseFilter *f, REFIID i, void **pp) override {
        return m_inner->FindInterface(c, t, f, i, pp);
    }
    STDMETHODIMP RenderStream(const GUID *c, const GUID *t, IUnknown *s, IBaseFilter *i, IBaseFilter *k) override {
        return m_inner->RenderStream(c, t, s, i, k);
    }
    STDMETHODIMP ControlStream(const GUID *c, const GUID *t, IBaseFilter *f, REFERENCE_TIME *a, REFERENCE_TIME *b,
                               WORD x, WORD y) override {
        return m_inner->ControlStream(c, t, f, a, b, x, y);
    }
    STDMETHODIMP AllocCapFile(LPCOLESTR f, DWORDLONG n) override { return m_inner->AllocCapFile(f, n); }
    STDMETHODIMP CopyCaptureFile(LPOLESTR a, LPOLESTR b, int c, IAMCopyCaptureFileProgress *p) override {
        return m_inner->CopyCaptureFile(a, b, c, p);
    }
    STDMETHODIMP FindPin(IUnknown *s, PIN_DIRECTION d, const GUID *c, const GUID *t, BOOL u, int n,
                         IPin **pp) override {
        return m_inner->FindPin(s, d, c, t, u, n, pp);
    }

private:
    ComPtr<ICaptureGraphBuilder2> m_inner;
};

HRESULT HandOver(IUnknown *pObject, REFIID iid, void **ppv) {
    HRESULT hr = pObject->QueryInterface(iid, ppv);
    pObject->Release();
    return hr;
}

}  // namespace

HRESULT CreateRefusingFilter(REFIID iid, void **ppv) {
    return HandOver(static_cast<IBaseFilter *>(new RefusingFilter()), iid, ppv);
}

HRESULT CreateFaultyGrabber(GrabberFault fault, REFIID iid, void **ppv) {
    ComPtr<IBaseFilter> inner;
    HRESULT hr = CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, inner.OutVoid());
    if (FAILED(hr)) return hr;
    return HandOver(static_cast<IBaseFilter *>(new FaultyGrabber(fault, inner.Get())), iid, ppv);
}

HRESULT CreateBuilderRefusingGraph(REFIID iid, void **ppv) {
    ComPtr<ICaptureGraphBuilder2> inner;
    HRESULT hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                                  inner.OutVoid());
    if (FAILED(hr)) return hr;
    return HandOver(static_cast<ICaptureGraphBuilder2 *>(new BuilderRefusingGraph(inner.Get())), iid, ppv);
}

}  // namespace stage
