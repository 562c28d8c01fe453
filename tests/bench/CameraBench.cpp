// CameraBench.cpp - the simulated camera measured as a device, in a graph
// built like the viewer's: capture frame rate and the process's CPU share at
// 640x480 (YUY2 and MJPG), and how long a triggered 2592x1944 still takes to
// reach the Sample Grabber after IAMVideoControl::SetMode. Prints figures;
// it checks nothing.
#include <windows.h>
#include <dshow.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "include/SimCamControl.h"
#include "DShowTestSupport.h"

using namespace dshowtest;

namespace {

ULONGLONG ProcessCpu100ns() {
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    if (!GetProcessTimes(GetCurrentProcess(), &ftCreate, &ftExit, &ftKernel, &ftUser)) return 0;
    ULARGE_INTEGER k, u;
    k.LowPart = ftKernel.dwLowDateTime;
    k.HighPart = ftKernel.dwHighDateTime;
    u.LowPart = ftUser.dwLowDateTime;
    u.HighPart = ftUser.dwHighDateTime;
    return k.QuadPart + u.QuadPart;
}

const char *FourccText(DWORD dwFourcc) { return dwFourcc == kMjpg ? "MJPG" : "YUY2"; }

void MeasureCapture(DWORD dwFourcc) {
    CameraGraph graph;
    if (FAILED(graph.Create(0)) || FAILED(graph.SetPinFormat(PIN_CATEGORY_CAPTURE, dwFourcc, 640, 480)) ||
        FAILED(graph.RenderCapture(true))) {
        printf("capture %s 640x480: graph could not be built\n", FourccText(dwFourcc));
        return;
    }
    graph.m_CaptureCallback.SetKeepBytes(false);
    if (FAILED(graph.Run())) return;
    Sleep(1000);  // settle: start offset, first frames
    const DWORD dwSeconds = 5;
    size_t cStart = graph.m_CaptureCallback.Count();
    ULONGLONG ullCpuStart = ProcessCpu100ns();
    const double dStart = NowMs();
    Sleep(dwSeconds * 1000);
    size_t cFrames = graph.m_CaptureCallback.Count() - cStart;
    const double dSeconds = (NowMs() - dStart) / 1000.0;
    ULONGLONG ullCpu = ProcessCpu100ns() - ullCpuStart;
    (void)graph.Stop();
    printf("capture %s 640x480: %.2f frames/s over %.1f s, process CPU %.1f %% of one core\n", FourccText(dwFourcc),
           cFrames / dSeconds, dSeconds, 100.0 * (ullCpu / 1e7) / dSeconds);
}

void MeasureStill(DWORD dwFourcc) {
    CameraGraph graph;
    if (FAILED(graph.Create(0)) || FAILED(graph.RenderCapture(false)) || FAILED(graph.RenderStill()) ||
        FAILED(graph.SetStillFormat(dwFourcc, 2592, 1944)) || FAILED(graph.Run())) {
        printf("still %s 2592x1944: graph could not be built\n", FourccText(dwFourcc));
        return;
    }
    Sleep(500);
    std::vector<DWORD> latencies;
    for (int i = 0; i < 8; ++i) {
        // A different flash state each time, so no still is a cached repeat.
        (void)SimSetChipRegister(0, 0xB03C, (i % 2) ? 0x22 : 0x20);
        graph.m_StillCallback.Clear();
        DWORD dwStart = GetTickCount();
        if (FAILED(graph.Trigger()) || !graph.m_StillCallback.WaitFor(1, 5000)) break;
        latencies.push_back(graph.m_StillCallback.Samples()[0].dwTick - dwStart);
        Sleep(200);
    }
    (void)SimSetChipRegister(0, 0xB03C, 0x20);
    (void)graph.Stop();
    if (latencies.empty()) {
        printf("still %s 2592x1944: no still arrived\n", FourccText(dwFourcc));
        return;
    }
    std::vector<DWORD> sorted = latencies;
    std::sort(sorted.begin(), sorted.end());
    printf("still %s 2592x1944: SetMode to BufferCB min %lu ms, median %lu ms, max %lu ms (%u stills)\n",
           FourccText(dwFourcc), static_cast<unsigned long>(sorted.front()),
           static_cast<unsigned long>(sorted[sorted.size() / 2]), static_cast<unsigned long>(sorted.back()),
           static_cast<unsigned>(sorted.size()));
}

}  // namespace

int main() {
    CameraFixture camera;
    camera.LoadDefault();
    MeasureCapture(kYuy2);
    MeasureCapture(kMjpg);
    MeasureStill(kMjpg);
    MeasureStill(kYuy2);
    return 0;
}
