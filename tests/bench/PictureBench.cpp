// PictureBench.cpp - how much the simulated camera's picture costs.
//
//   capture 640x480: ms per frame, steady state (cached scene, moving ball
//   and counter changing), for YUY2 and MJPG; the CPU share that implies at
//   30 fps; and the share measured with GetProcessTimes while frames are
//   paced at 30 fps for a few seconds.
//   lens moving: ms per 640x480 frame when every frame has a new defocus
//   (autofocus sweep: the scene layer is rebuilt each time).
//   still 2592x1944: ms for MJPG and YUY2, first ever (nothing cached), with
//   a new setting (flash; scene cached, layer rebuilt), defocused, and repeated.
// Wall-clock times follow the machine's load; the CPU times beside them
// (GetThreadTimes / GetProcessTimes) do much less.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "BenchKit.h"
#include "Picture.h"

namespace {

double FileTimeMs(const FILETIME &kernel, const FILETIME &user) {
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (k.QuadPart + u.QuadPart) / 10000.0;
}

double ProcessCpuMs() {
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) return 0.0;
    return FileTimeMs(kernel, user);
}

double ThreadCpuMs() {
    FILETIME creation, exit, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user)) return 0.0;
    return FileTimeMs(kernel, user);
}

// Wall-clock and CPU milliseconds of one piece of work.
struct Cost {
    double wall;
    double cpu;
};

SimPictureInput DefaultInput() { return SimDefaultPictureInput(128); }

const char *Name(DWORD subtype) { return subtype == SIM_FOURCC_MJPG ? "MJPG" : "YUY2"; }

class Bench {
public:
    Bench() : m_buffer(SimFrameBufferSize(SIM_FOURCC_MJPG, 2592, 1944)) {}

    // One frame; returns its milliseconds (wall clock).
    double Frame(const SimPictureInput &input, DWORD subtype, LONG width, LONG height) {
        return Timed(input, subtype, width, height).wall;
    }

    Cost Timed(const SimPictureInput &input, DWORD subtype, LONG width, LONG height) {
        const double start = NowMs();
        const double cpuStart = ThreadCpuMs();
        m_lastSize =
            SimRenderFrame(input, subtype, width, height, m_buffer.data(), static_cast<DWORD>(m_buffer.size()));
        const Cost cost = {NowMs() - start, ThreadCpuMs() - cpuStart};
        if (m_lastSize == 0) {
            printf("render failed: %s %ldx%ld\n", Name(subtype), width, height);
            exit(1);
        }
        return cost;
    }

    // Steady capture: frames with the ball and the counter moving on.
    void Capture(DWORD subtype, int frames) {
        SimPictureInput input = DefaultInput();
        Frame(input, subtype, 640, 480);  // warm the cache
        const double cpuStart = ProcessCpuMs();
        double total = 0;
        for (int i = 1; i <= frames; ++i) {
            input.frameNumber = i;
            input.timestamp = i * 333333LL;
            total += Frame(input, subtype, 640, 480);
        }
        const double cpu = (ProcessCpuMs() - cpuStart) / frames;
        const double ms = total / frames;
        printf("capture 640x480 %s: %.2f ms/frame (cpu %.2f ms), %.1f %% of a core at 30 fps, %lu bytes\n",
               Name(subtype), ms, cpu, ms * 30.0 / 10.0, m_lastSize);
    }

    // Frames paced to 30 fps deadlines; CPU time over elapsed time.
    void Paced(DWORD subtype, double seconds) {
        SimPictureInput input = DefaultInput();
        Frame(input, subtype, 640, 480);
        const int frames = static_cast<int>(seconds * 30);
        const double start = NowMs();
        const double cpuStart = ProcessCpuMs();
        for (int i = 1; i <= frames; ++i) {
            input.frameNumber = i;
            input.timestamp = i * 333333LL;
            Frame(input, subtype, 640, 480);
            const double wait = start + i * (1000.0 / 30) - NowMs();
            if (wait > 0) Sleep(static_cast<DWORD>(wait));
        }
        const double elapsed = NowMs() - start;
        const double cpu = ProcessCpuMs() - cpuStart;
        printf("paced 30 fps 640x480 %s: %d frames in %.2f s, GetProcessTimes %.1f %% of a core\n", Name(subtype),
               frames, elapsed / 1000, 100.0 * cpu / elapsed);
    }

    void LensSweep(DWORD subtype, int frames) {
        SimPictureInput input = DefaultInput();
        Cost total = {0, 0};
        for (int i = 0; i < frames; ++i) {
            input.lensPosition = 20 + (i * 7) % 216;  // a new defocus each frame
            input.frameNumber = i;
            const Cost cost = Timed(input, subtype, 640, 480);
            total.wall += cost.wall;
            total.cpu += cost.cpu;
        }
        printf("lens moving 640x480 %s: %.2f ms/frame (cpu %.2f ms)\n", Name(subtype), total.wall / frames,
               total.cpu / frames);
    }

    // sceneCached: the scene at the still size was built by an earlier call.
    void Stills(DWORD subtype, bool sceneCached) {
        SimPictureInput input = DefaultInput();
        input.still = TRUE;
        input.procAmp[SIM_PA_BRIGHTNESS].value += (subtype == SIM_FOURCC_MJPG) ? 1 : 2;  // a layer of its own
        const Cost first = Timed(input, subtype, 2592, 1944);
        const Cost repeated = Timed(input, subtype, 2592, 1944);
        input.strobe = TRUE;
        const Cost flash = Timed(input, subtype, 2592, 1944);
        input.lensPosition += 60;
        const Cost defocused = Timed(input, subtype, 2592, 1944);
        printf(
            "still 2592x1944 %s, ms (cpu ms): first %.1f (%.1f) %s; new setting (flash) %.1f (%.1f); "
            "defocused %.1f (%.1f); repeated %.1f (%.1f); %lu bytes\n",
            Name(subtype), first.wall, first.cpu, sceneCached ? "layer built" : "scene and layer built", flash.wall,
            flash.cpu, defocused.wall, defocused.cpu, repeated.wall, repeated.cpu, m_lastSize);
    }

private:
    std::vector<BYTE> m_buffer;
    DWORD m_lastSize = 0;
};

}  // namespace

int main() {
    Bench bench;
    // Stills first, while the scene for their size is not cached yet.
    bench.Stills(SIM_FOURCC_MJPG, false);
    bench.Stills(SIM_FOURCC_YUY2, true);
    bench.Capture(SIM_FOURCC_YUY2, 300);
    bench.Capture(SIM_FOURCC_MJPG, 300);
    bench.Paced(SIM_FOURCC_YUY2, 3.0);
    bench.Paced(SIM_FOURCC_MJPG, 3.0);
    bench.LensSweep(SIM_FOURCC_MJPG, 60);
    return 0;
}
