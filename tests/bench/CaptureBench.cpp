// CaptureBench.cpp - figures of the viewer's capture subsystem (not a test:
// run it with scripts/bench.sh):
//  - BufferCB for a 2592 x 1944 YUY2 still (converted and written in bands) next
//    to the conversion alone and the write alone, and for an MJPG still
//    (the write only);
//  - StillTrigger to the file being closed, on the simulated camera, for
//    MJPG and YUY2 2592 x 1944 stills;
//  - InitDShow and the first preview frame after it, on the default camera;
//  - the window thread's CPU share while previewing 640 x 480 at 30 fps.
#include <windows.h>
#include <commctrl.h>
#include <strsafe.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BenchKit.h"
#include "CaptureTestSupport.h"
#include "Dshow.h"
#include "MessageBoxSeam.h"
#include "SampleGrabberCallback.h"
#include "SimCamControl.h"
#include "Yuy2Convert.h"

namespace {

const int kStillWidth = 2592;
const int kStillHeight = 1944;
const int kRuns = 5;

int CALLBACK SilentBox(HWND, LPCWSTR pszText, LPCWSTR pszCaption, UINT) {
    fwprintf(stderr, L"message box: %ls (%ls)\n", pszText ? pszText : L"", pszCaption ? pszCaption : L"");
    return IDOK;
}

ULONGLONG ThreadCpu100ns(HANDLE hThread) {
    FILETIME c, e, k, u;
    GetThreadTimes(hThread, &c, &e, &k, &u);
    return (static_cast<ULONGLONG>(k.dwHighDateTime) << 32 | k.dwLowDateTime) +
           (static_cast<ULONGLONG>(u.dwHighDateTime) << 32 | u.dwLowDateTime);
}

LONG FramesDelivered() {
    SimCameraState state;
    ZeroMemory(&state, sizeof(state));
    SimGetCameraState(0, &state);
    return state.framesDelivered;
}

// BufferCB on prepared samples, in this thread.
void BenchBufferCB(const TempFolder &scratch) {
    const std::wstring &folder = scratch.Path();
    const size_t cbYuy2 = static_cast<size_t>(kStillWidth) * kStillHeight * 2;
    std::vector<BYTE> yuy2(cbYuy2);
    for (size_t i = 0; i < cbYuy2; ++i) yuy2[i] = static_cast<BYTE>((i * 7) ^ (i >> 11));
    const size_t cbPixels = static_cast<size_t>(PaddedRowBytes(kStillWidth)) * kStillHeight;
    std::vector<BYTE> pixels(cbPixels);
    const BYTE headers[54] = {'B', 'M'};
    std::vector<BYTE> jpeg(1200 * 1024);
    for (size_t i = 0; i < jpeg.size(); ++i) jpeg[i] = static_cast<BYTE>(i * 13);

    g_FlashEnabled = 0;
    g_SampleGrabberCB.SetStillPath(folder.c_str());
    std::vector<double> convert, freshConvert, write, bufferYuy2, bufferMjpg;
    for (int run = 0; run < kRuns; ++run) {
        double t0 = NowMs();
        Yuy2ToBgr24(yuy2.data(), pixels.data(), kStillWidth, kStillHeight);
        convert.push_back(NowMs() - t0);

        // The same into a buffer allocated for it, as BufferCB does per still.
        t0 = NowMs();
        BYTE *pFresh = new BYTE[cbPixels];
        Yuy2ToBgr24(yuy2.data(), pFresh, kStillWidth, kStillHeight);
        delete[] pFresh;
        freshConvert.push_back(NowMs() - t0);

        std::wstring path = folder + L"\\plain.bmp";
        t0 = NowMs();
        HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD dw = 0;
        WriteFile(hFile, headers, sizeof(headers), &dw, nullptr);
        WriteFile(hFile, pixels.data(), static_cast<DWORD>(cbPixels), &dw, nullptr);
        CloseHandle(hFile);
        write.push_back(NowMs() - t0);
        scratch.RemoveFiles();

        g_SampleGrabberCB.ConfigureStill(1, GetTickCount(), kStillWidth, kStillHeight, nullptr);
        t0 = NowMs();
        g_SampleGrabberCB.BufferCB(0.0, yuy2.data(), static_cast<LONG>(cbYuy2));
        bufferYuy2.push_back(NowMs() - t0);
        scratch.RemoveFiles();

        g_SampleGrabberCB.ConfigureStill(0, GetTickCount(), kStillWidth, kStillHeight, nullptr);
        t0 = NowMs();
        g_SampleGrabberCB.BufferCB(0.0, jpeg.data(), static_cast<LONG>(jpeg.size()));
        bufferMjpg.push_back(NowMs() - t0);
        scratch.RemoveFiles();
    }
    wprintf(
        L"BufferCB, YUY2 2592x1944 still to bitmap: %.1f ms  (conversion alone %.1f ms, into a fresh buffer %.1f "
        L"ms; write of %.1f MB alone %.1f ms)\n",
        Median(bufferYuy2), Median(convert), Median(freshConvert), (cbPixels + 54) / 1048576.0, Median(write));
    wprintf(L"BufferCB against its target of 1.5 x (conversion + write): %.2f\n",
            Median(bufferYuy2) / (1.5 * (Median(convert) + Median(write))));
    wprintf(L"BufferCB, MJPG still of %.1f MB to JPEG:   %7.1f ms\n", jpeg.size() / 1048576.0, Median(bufferMjpg));
}

HWND MakeMainWindow(HWND *phStatus) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KorCaptureBench";
    RegisterClassW(&wc);
    HWND hWnd = CreateWindowExW(0, wc.lpszClassName, L"capture bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 660, 560,
                                nullptr, nullptr, wc.hInstance, nullptr);
    *phStatus = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hWnd, nullptr,
                                wc.hInstance, nullptr);
    return hWnd;
}

void BenchGraph(const TempFolder &scratch) {
    const std::wstring &folder = scratch.Path();
    CameraFixture camera;
    camera.LoadDefault();
    IMoniker *pMoniker = camera.Moniker();
    if (!pMoniker) {
        wprintf(L"no video-input device: graph figures skipped\n");
        return;
    }
    HWND hStatus = nullptr;
    HWND hWnd = MakeMainWindow(&hStatus);
    DShowManager *pManager = DShowManager::GetInstance();
    pManager->SetMainWindow(hWnd);
    pManager->SetStatusBar(hStatus);

    // InitDShow and the first preview frame after it.
    std::vector<double> init, firstFrame;
    for (int run = 0; run < kRuns; ++run) {
        pManager->DeInitDShow();
        PumpMessages(200);
        LONG framesBefore = FramesDelivered();
        double t0 = NowMs();
        int ok = pManager->InitDShow(pMoniker);
        double tInit = NowMs() - t0;
        if (!ok || !pManager->IsInitialized()) {
            wprintf(L"InitDShow failed\n");
            break;
        }
        PumpUntil([&] { return FramesDelivered() > framesBefore; }, 5000);
        init.push_back(tInit);
        firstFrame.push_back(NowMs() - t0);
    }
    if (!init.empty())
        wprintf(L"InitDShow:                                 %7.1f ms;  first preview frame after %.1f ms\n",
                Median(init), Median(firstFrame));

    // The window thread's CPU share while previewing 640 x 480 at 30 fps.
    HANDLE hThread = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &hThread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    PumpMessages(500);
    LONG frames0 = FramesDelivered();
    ULONGLONG cpu0 = ThreadCpu100ns(hThread);
    FILETIME c, e, k0, u0, k1, u1;
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k0, &u0);
    double t0 = NowMs();
    PumpMessages(5000);
    double wall = NowMs() - t0;
    ULONGLONG cpu1 = ThreadCpu100ns(hThread);
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k1, &u1);
    LONG frames1 = FramesDelivered();
    auto ft = [](const FILETIME &f) { return static_cast<ULONGLONG>(f.dwHighDateTime) << 32 | f.dwLowDateTime; };
    double processMs = static_cast<double>(ft(k1) + ft(u1) - ft(k0) - ft(u0)) / 10000.0;
    wprintf(L"Previewing 640x480 (%.1f frames/s):        window thread %.1f %% of one core, whole process %.1f %%\n",
            (frames1 - frames0) * 1000.0 / wall, (cpu1 - cpu0) / 10000.0 * 100.0 / wall, processMs * 100.0 / wall);
    CloseHandle(hThread);

    // StillTrigger to the file being closed.
    g_FlashEnabled = 0;
    pManager->SetStillPath(folder.c_str());
    struct StillKind {
        const wchar_t *pszSubtype;
    } kinds[] = {{L"MJPG"}, {L"YUY2"}};
    for (const StillKind &kind : kinds) {
        pManager->StopPreview();
        pManager->DismantleGraph();
        pManager->SetStillFormat(kStillWidth, kStillHeight, kind.pszSubtype);
        pManager->BuildPreviewGraph();
        pManager->StartPreview();
        PumpMessages(500);
        std::vector<double> still, reported;
        for (int run = 0; run < kRuns; ++run) {
            pManager->SetStillState(0);
            double tStart = NowMs();
            pManager->StillTrigger();
            if (!PumpUntil([&] { return pManager->GetStillState() == 2; }, 15000)) {
                wprintf(L"%ls still did not arrive\n", kind.pszSubtype);
                break;
            }
            still.push_back(NowMs() - tStart);
            reported.push_back(pManager->GetStillTimeMs());
            scratch.RemoveFiles();
            PumpMessages(300);
        }
        if (!still.empty())
            wprintf(L"StillTrigger to file closed, %ls 2592x1944: %7.1f ms (the manager's own figure %.0f ms)\n",
                    kind.pszSubtype, Median(still), Median(reported));
    }

    pManager->DeInitDShow();
    delete pManager;
    DestroyWindow(hWnd);
}

}  // namespace

int main() {
    ComApartment com;
    SetKorMessageBoxHook(SilentBox);
    const TempFolder scratch;
    SYSTEM_INFO si;
    GetNativeSystemInfo(&si);
    wprintf(L"capture benchmark: %lu processors, median of %d runs\n", si.dwNumberOfProcessors, kRuns);
    BenchBufferCB(scratch);
    BenchGraph(scratch);
    return 0;
}
