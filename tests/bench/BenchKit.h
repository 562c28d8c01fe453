// BenchKit.h - what the benchmarks add to the test kit (its clock NowMs,
// PumpUntil and the camera fixture): the median of a set of figures and a
// scratch folder for still files.
#ifndef KOR_TESTS_BENCH_BENCHKIT_H
#define KOR_TESTS_BENCH_BENCHKIT_H

#include <windows.h>
#include <strsafe.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/CameraFixture.h"
#include "common/TestKit.h"

// The middle figure (the upper one of an even count); values must not be empty.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A folder under the temporary directory named after pszPrefix and this process.
inline std::wstring MakeTempFolder(const WCHAR *pszPrefix) {
    WCHAR szTemp[MAX_PATH], szPath[MAX_PATH];
    GetTempPathW(MAX_PATH, szTemp);
    StringCchPrintfW(szPath, MAX_PATH, L"%ls%ls_%lu", szTemp, pszPrefix, GetCurrentProcessId());
    CreateDirectoryW(szPath, nullptr);
    return szPath;
}

// Deletes the files of a folder (not its subfolders).
inline void EmptyFolder(const std::wstring &folder) {
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE) return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + data.cFileName).c_str());
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
}

#endif  // KOR_TESTS_BENCH_BENCHKIT_H
