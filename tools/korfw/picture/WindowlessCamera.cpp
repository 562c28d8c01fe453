// WindowlessCamera.cpp - the capture manager without a window: its boxes
// turned into text, its failed stills caught by a message-only window.
#include "WindowlessCamera.h"

#include "Console.h"
#include "CritSecLock.h"
#include "MessageBoxSeam.h"
#include "SampleGrabberCallback.h"
#include "VideoMonikers.h"

namespace {

const WCHAR kReportClass[] = L"KorfwStillReport";

CritSec g_csBoxes;
std::wstring g_boxes;  // the capture library's messages since the last failure
volatile LONG g_lNotSaved = 0;

int CALLBACK RecordBox(HWND, LPCWSTR pszText, LPCWSTR, UINT) {
    CritSecLock lock(g_csBoxes);
    if (!g_boxes.empty()) g_boxes += L"; ";
    g_boxes += pszText ? pszText : L"";
    return IDOK;
}

std::wstring TakeBoxes() {
    CritSecLock lock(g_csBoxes);
    std::wstring boxes;
    boxes.swap(g_boxes);
    return boxes;
}

LRESULT CALLBACK ReportWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == kStillNotSavedMessage) {
        InterlockedExchange(&g_lNotSaved, 1);
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

HWND CreateReportWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ReportWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kReportClass;
    (void)RegisterClassW(&wc);  // fails harmlessly when it is registered already
    return CreateWindowExW(0, kReportClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

}  // namespace

std::wstring SystemText(HRESULT hr) {
    WCHAR szText[512] = L"";
    HMODULE hQuartz = GetModuleHandleW(L"quartz.dll");  // DirectShow's VFW_E_... texts
    DWORD dwFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (hQuartz) dwFlags |= FORMAT_MESSAGE_FROM_HMODULE;
    DWORD cch = FormatMessageW(dwFlags, hQuartz, static_cast<DWORD>(hr), 0, szText, ARRAYSIZE(szText), nullptr);
    std::wstring text(szText, cch < ARRAYSIZE(szText) ? cch : 0);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

WindowlessCamera::WindowlessCamera() : m_pManager(nullptr), m_hWndReport(CreateReportWindow()) {
    (void)SetKorMessageBoxHook(RecordBox);
    (void)TakeBoxes();
    InterlockedExchange(&g_lNotSaved, 0);
}

WindowlessCamera::~WindowlessCamera() {
    if (m_pManager) {
        m_pManager->DeInitDShow();
        delete m_pManager;
    }
    m_pMoniker.Clear();
    g_SampleGrabberCB.SetStillFile(nullptr);
    (void)SetKorMessageBoxHook(nullptr);
    if (m_hWndReport) DestroyWindow(m_hWndReport);
}

bool WindowlessCamera::Open(const VideoDevice &device, Failure *pFailure) {
    m_pMoniker = FindVideoMoniker(device.path.c_str());
    if (!m_pMoniker) return Fail(L"the camera is no longer among the video-input devices", S_OK, pFailure);
    m_pManager = DShowManager::GetInstance();
    if (!m_pManager) return Fail(L"no memory for the capture manager", E_OUTOFMEMORY, pFailure);
    m_pManager->SetMainWindow(m_hWndReport);
    if (!m_pManager->OpenWindowless(m_pMoniker.Get())) return Fail(L"the camera could not be opened", S_OK, pFailure);
    return true;
}

bool WindowlessCamera::Run(Failure *pFailure) {
    if (!m_pManager->HasStillPin()) return Fail(L"the camera has no still pin", S_OK, pFailure);
    HRESULT hr = m_pManager->RunWindowless();
    if (FAILED(hr)) return Fail(L"the camera's graph could not be built and run", hr, pFailure);
    if (!m_pManager->IsStillReady()) return Fail(L"the camera's still pin takes no trigger", S_OK, pFailure);
    return true;
}

bool WindowlessCamera::TakeNotSaved() { return InterlockedExchange(&g_lNotSaved, 0) != 0; }

bool WindowlessCamera::Fail(const std::wstring &what, HRESULT hr, Failure *pFailure) {
    std::wstring reason = what;
    if (FAILED(hr)) {
        std::wstring text = SystemText(hr);
        reason += Format(L" (0x%08lX", static_cast<unsigned long>(hr)) + (text.empty() ? L"" : L": " + text) + L")";
    }
    std::wstring boxes = TakeBoxes();
    if (!boxes.empty()) reason += L"; the capture library said: " + boxes;
    *pFailure = Failure{nullptr, 0, reason};
    return false;
}
