// KorfwBench.cpp - korfw.exe taking stills from a script, as a bench does:
// the time from the process's start to its exit for "korfw still" (MJPG
// 2592 x 1944, the default) and "korfw still --format YUY2", median of 5
// runs each, on the default simulated camera. Prints the figures; checks
// nothing. The target for MJPG is under 1 s.
#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "BenchKit.h"
#include "common/ToolRunner.h"

namespace {

const int kRuns = 5;

// Runs korfw still into the folder kRuns times; the median in ms, or a
// negative number when a run failed.
double MedianStillMs(const std::wstring &folder, const wchar_t *pszOptions) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        double dStart = NowMs();
        ToolResult result = RunTool(L"korfw.exe", L"still -o \"" + folder + L"\" " + pszOptions);
        double dMs = NowMs() - dStart;
        if (!result.bStarted || result.dwExitCode != 0) {
            printf("korfw still %ls failed (exit %lu): %s%s\n", pszOptions, result.dwExitCode, result.output.c_str(),
                   result.errors.c_str());
            return -1;
        }
        times.push_back(dMs);
    }
    return Median(times);
}

}  // namespace

int main() {
    const TempFolder scratch;
    const std::wstring &folder = scratch.Path();
    printf("korfw benchmark: process start to exit, median of %d runs\n", kRuns);
    const struct {
        const char *pszWhat;
        const wchar_t *pszOptions;
    } kStills[] = {{"korfw still (MJPG 2592x1944, target under 1000 ms)", L""},
                   {"korfw still --format YUY2 (2592x1944)", L"--format YUY2"}};
    for (const auto &still : kStills) {
        double dMs = MedianStillMs(folder, still.pszOptions);
        if (dMs >= 0) printf("%-52s %7.1f ms\n", still.pszWhat, dMs);
        scratch.RemoveFiles();
    }
    return 0;
}
