// ViewerBench.cpp - the viewer's own figures. Prints them; checks nothing.
//
// 1. Message round trip of the window thread: a message posted to the main
//    window until its loop pass (dispatch and the autofocus retry step) is
//    over, while the single-trigger autofocus keeps failing (the firmware is
//    held in manual focus), and once it has succeeded. The viewer's own entry
//    point and loop run on a thread of this program.
// 2. The real KORViewer.exe: start (process creation) to the first preview
//    frame delivered by the camera, and Enter (typed into the main window) to
//    the still file on the desktop.
#include <windows.h>
#include <objbase.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BenchKit.h"
#include "ImportCounter.h"
#include "MainWindow.h"
#include "SimCamControl.h"
#include "UiProbe.h"
#include "ViewerHost.h"
#include "ViewerProcess.h"

namespace {

void PrintStats(const char *pszWhat, std::vector<double> values) {
    if (values.empty()) {
        printf("%-58s no samples\n", pszWhat);
        return;
    }
    std::sort(values.begin(), values.end());
    double dSum = 0;
    for (double d : values) dSum += d;
    printf("%-58s median %8.1f ms  mean %8.1f  min %8.1f  max %8.1f  (n=%u)\n", pszWhat, values[values.size() / 2],
           dSum / static_cast<double>(values.size()), values.front(), values.back(),
           static_cast<unsigned>(values.size()));
}

// One posted message until its pass is over (the marker's pass included).
double RoundTrip(ViewerHost &host) {
    double dStart = NowMs();
    host.DrainPosted(120000);
    return NowMs() - dStart;
}

void MeasureRoundTrip() {
    CameraFixture camera;
    camera.LoadDefault();
    InstallLibraryCallCounters();
    (void)SimHoldFocusState(0, 0x70);  // every single trigger fails
    ViewerHost host;
    if (!host.Start()) {
        printf("message round trip: the viewer did not start\n");
        return;
    }
    host.DrainPosted(120000);
    std::vector<double> failing;
    LONG lFreeze = AFFreezeControlCalls();
    LONG lTaken = HostMessagesTaken();
    double dStart = NowMs();
    for (int i = 0; i < 10; ++i) failing.push_back(RoundTrip(host));
    double dTotal = NowMs() - dStart;
    LONG lPasses = HostMessagesTaken() - lTaken;
    PrintStats("message round trip, autofocus failing", failing);
    printf("  loop passes %ld (status timer included), %.1f ms each; AFFreezeControl calls %ld, g_AfDone %d\n", lPasses,
           lPasses > 0 ? dTotal / static_cast<double>(lPasses) : 0.0, AFFreezeControlCalls() - lFreeze, g_AfDone);

    (void)SimHoldFocusState(0, -1);
    WaitFor(
        [&] {
            host.DrainPosted(120000);
            return g_AfDone == 1;
        },
        30000);
    std::vector<double> done;
    for (int i = 0; i < 10; ++i) done.push_back(RoundTrip(host));
    PrintStats("message round trip, autofocus done", done);
    host.Stop();
}

// Full paths of the JPEG stills on the desktop.
std::vector<std::wstring> Stills() {
    std::vector<std::wstring> files;
    for (const std::wstring &name : DesktopFiles(L"*.jpg")) files.push_back(DesktopPath() + L"\\" + name);
    return files;
}

// A file that is complete: it opens without sharing and is not empty.
bool FileClosed(const std::wstring &path) {
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size = {};
    GetFileSizeEx(hFile, &size);
    CloseHandle(hFile);
    return size.QuadPart > 0;
}

void MeasureProgram() {
    CameraFixture camera;
    camera.LoadDefault();
    for (const std::wstring &file : Stills()) DeleteFileW(file.c_str());
    std::vector<double> startups, stills;
    for (int iRun = 0; iRun < 3; ++iRun) {
        SimCameraState state = {};
        SimGetCameraState(0, &state);
        LONG lFrames = state.framesDelivered;
        ViewerProcess viewer;
        double dStart = NowMs();
        if (!viewer.Start()) {
            printf("KORViewer.exe did not start\n");
            return;
        }
        bool bFrame = WaitFor(
            [&] {
                SimCameraState now = {};
                SimGetCameraState(0, &now);
                return now.framesDelivered > lFrames;
            },
            60000);
        if (bFrame) startups.push_back(NowMs() - dStart);
        WaitFor([&] { return viewer.Status(0).find(L"Resolution") == 0; }, 10000);

        for (int iStill = 0; iStill < 3 && viewer.Focus(); ++iStill) {
            size_t cBefore = Stills().size();
            double dEnter = NowMs();
            viewer.TypeKey(VK_RETURN);
            std::vector<std::wstring> files;
            bool bWritten = WaitFor(
                [&] {
                    files = Stills();
                    return files.size() > cBefore && FileClosed(files.back());
                },
                30000);
            if (bWritten) stills.push_back(NowMs() - dEnter);
            Sleep(1100);  // one still per second keeps the file names apart
        }
        viewer.Exit();
    }
    PrintStats("KORViewer.exe start to first preview frame", startups);
    PrintStats("KORViewer.exe Enter to still file (2592x1944 MJPG)", stills);
    for (const std::wstring &file : Stills()) DeleteFileW(file.c_str());
}

}  // namespace

int main() {
    ComApartment com;
    MeasureRoundTrip();
    MeasureProgram();
    return 0;
}
