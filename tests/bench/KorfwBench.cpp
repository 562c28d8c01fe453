// KorfwBench.cpp - korfw.exe taking stills from a script, as a bench does:
// the time from the process's start to its exit for "korfw still" (MJPG
// 2592 x 1944, the default) and "korfw still --format YUY2", median of 5
// runs each, on the default simulated camera. Prints the figures; checks
// nothing. The target for MJPG is under 1 s.
#include <windows.h>
#include <strsafe.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/ToolRunner.h"

namespace {

const int kRuns = 5;

double NowMs() {
    static LARGE_INTEGER s_frequency = {};
    if (!s_frequency.QuadPart) QueryPerformanceFrequency(&s_frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(s_frequency.QuadPart);
}

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
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void EmptyFolder(const std::wstring &folder) {
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE) return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + data.cFileName).c_str());
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
}

}  // namespace

int main() {
    WCHAR szTemp[MAX_PATH], szFolder[MAX_PATH];
    GetTempPathW(MAX_PATH, szTemp);
    StringCchPrintfW(szFolder, MAX_PATH, L"%lskorfwbench_%lu", szTemp, GetCurrentProcessId());
    CreateDirectoryW(szFolder, nullptr);
    printf("korfw benchmark: process start to exit, median of %d runs\n", kRuns);
    const struct {
        const char *pszWhat;
        const wchar_t *pszOptions;
    } kStills[] = {{"korfw still (MJPG 2592x1944, target under 1000 ms)", L""},
                   {"korfw still --format YUY2 (2592x1944)", L"--format YUY2"}};
    for (const auto &still : kStills) {
        double dMs = MedianStillMs(szFolder, still.pszOptions);
        if (dMs >= 0) printf("%-52s %7.1f ms\n", still.pszWhat, dMs);
        EmptyFolder(szFolder);
    }
    RemoveDirectoryW(szFolder);
    return 0;
}
