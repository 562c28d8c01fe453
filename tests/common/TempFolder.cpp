// TempFolder.cpp - a scratch folder and the files in it.
#include "TempFolder.h"

#include <strsafe.h>

#include <algorithm>

TempFolder::TempFolder() {
    WCHAR szTemp[MAX_PATH];
    GetTempPathW(MAX_PATH, szTemp);
    WCHAR szPath[MAX_PATH];
    StringCchPrintfW(szPath, MAX_PATH, L"%lskorcap_%lu_%lu", szTemp, GetCurrentProcessId(), GetTickCount());
    for (int i = 0; !CreateDirectoryW(szPath, nullptr) && i < 100; ++i)
        StringCchPrintfW(szPath, MAX_PATH, L"%lskorcap_%lu_%lu_%d", szTemp, GetCurrentProcessId(), GetTickCount(), i);
    m_path = szPath;
}

TempFolder::~TempFolder() {
    RemoveFiles();
    RemoveDirectoryW(m_path.c_str());
}

std::vector<std::wstring> TempFolder::Files() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW((m_path + L"\\*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<BYTE> TempFolder::Read(const std::wstring &name) const {
    std::vector<BYTE> bytes;
    HANDLE hFile = CreateFileW((m_path + L"\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return bytes;
    DWORD size = GetFileSize(hFile, nullptr);
    bytes.resize(size);
    DWORD read = 0;
    if (size) ReadFile(hFile, bytes.data(), size, &read, nullptr);
    bytes.resize(read);
    CloseHandle(hFile);
    return bytes;
}

void TempFolder::RemoveFiles() const {
    for (const std::wstring &name : Files()) DeleteFileW((m_path + L"\\" + name).c_str());
}
