// ViewerDrive.cpp - viewer_drive.exe, the demo and screenshot scripts' hand
// on a running KORViewer.exe (scripts/run.sh, scripts/screenshots.sh):
//
//   viewer_drive wait                 wait for the main window and the first
//                                     status text; print its rectangle
//   viewer_drive status               wait for the first status text that
//                                     shows the resolution; print it (exit
//                                     code 1 when none came)
//   viewer_drive still                type Enter into the main window, wait
//                                     for the still file; print its path
//   viewer_drive command <id>         send a menu command (posted)
//   viewer_drive dialog <caption>     wait for a dialog; print its rectangle
//   viewer_drive click <caption> <id> press a button of a dialog
//   viewer_drive close <caption>      close a dialog (WM_CLOSE)
//   viewer_drive exit                 File > Exit; wait for the process to end
//
// Rectangles print as "x y width height" in screen coordinates.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "UiProbe.h"
#include "ViewerProcess.h"

namespace {

HWND FindMainWindow() {
    HWND hWnd = nullptr;
    WaitFor([&] { return (hWnd = FindWindowW(L"RAVIRU5RI", nullptr)) != nullptr && IsWindowVisible(hWnd); }, 60000);
    return hWnd;
}

void PrintRect(HWND hWnd) {
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    wprintf(L"%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

std::vector<std::wstring> DesktopStills() {
    wchar_t szDesktop[MAX_PATH] = L"";
    SHGetSpecialFolderPathW(nullptr, szDesktop, CSIDL_DESKTOPDIRECTORY, FALSE);
    std::vector<std::wstring> files;
    const wchar_t *apszPatterns[] = {L"\\*.jpg", L"\\*.bmp"};
    for (const wchar_t *pszPattern : apszPatterns) {
        WIN32_FIND_DATAW fd;
        HANDLE hFind = FindFirstFileW((std::wstring(szDesktop) + pszPattern).c_str(), &fd);
        if (hFind == INVALID_HANDLE_VALUE) continue;
        do {
            files.push_back(std::wstring(szDesktop) + L"\\" + fd.cFileName);
        } while (FindNextFileW(hFind, &fd));
        FindClose(hFind);
    }
    return files;
}

HWND Dialog(HWND hMain, const wchar_t *pszCaption) {
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hMain, &dwProcessId);
    return WaitForDialog(dwProcessId, pszCaption, 15000);
}

int Run(int argc, wchar_t **argv) {
    if (argc < 2) return 2;
    std::wstring command = argv[1];
    HWND hMain = FindMainWindow();
    if (!hMain) {
        fwprintf(stderr, L"viewer_drive: no viewer window\n");
        return 1;
    }
    DWORD dwProcessId = 0;
    DWORD dwThreadId = GetWindowThreadProcessId(hMain, &dwProcessId);
    (void)dwThreadId;

    if (command == L"wait") {
        DWORD_PTR dwResult = 0;
        SendMessageTimeoutW(hMain, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &dwResult);
        // The preview runs once the status timer has shown the resolution.
        WaitFor([&] { return ReadStatusText(hMain, 0).find(L"Resolution") == 0; }, 30000);
        PrintRect(hMain);
        return 0;
    }
    if (command == L"status") {
        std::wstring status;
        if (!WaitFor([&] { return (status = ReadStatusText(hMain, 0)).find(L"Resolution") == 0; }, 30000)) {
            fwprintf(stderr, L"viewer_drive: the status bar shows '%ls'\n", status.c_str());
            return 1;
        }
        wprintf(L"%ls\n", status.c_str());
        return 0;
    }
    if (command == L"still") {
        size_t cBefore = DesktopStills().size();
        SetForegroundWindow(hMain);
        WaitFor([&] { return GetForegroundWindow() == hMain; }, 5000);
        INPUT aInput[2] = {};
        aInput[0].type = aInput[1].type = INPUT_KEYBOARD;
        aInput[0].ki.wVk = aInput[1].ki.wVk = VK_RETURN;
        aInput[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, aInput, sizeof(INPUT));
        std::vector<std::wstring> files;
        if (!WaitFor([&] { return (files = DesktopStills()).size() > cBefore; }, 20000)) {
            fwprintf(stderr, L"viewer_drive: no still file appeared\n");
            return 1;
        }
        Sleep(500);  // let the writer close the file
        wprintf(L"%ls\n", files.back().c_str());
        return 0;
    }
    if (command == L"command" && argc >= 3) {
        PostMessageW(hMain, WM_COMMAND, MAKEWPARAM(_wtoi(argv[2]), 0), 0);
        return 0;
    }
    if (command == L"dialog" && argc >= 3) {
        HWND hDlg = Dialog(hMain, argv[2]);
        if (!hDlg) return 1;
        Sleep(300);
        PrintRect(hDlg);
        return 0;
    }
    if (command == L"click" && argc >= 4) {
        HWND hDlg = Dialog(hMain, argv[2]);
        if (!hDlg) return 1;
        int iButton = _wtoi(argv[3]);
        PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(iButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hDlg, iButton)));
        return 0;
    }
    if (command == L"close" && argc >= 3) {
        HWND hDlg = Dialog(hMain, argv[2]);
        if (!hDlg) return 1;
        PostMessageW(hDlg, WM_CLOSE, 0, 0);
        WaitFor([&] { return !IsWindow(hDlg); }, 5000);
        return 0;
    }
    if (command == L"exit") {
        HANDLE hProcess = OpenProcess(SYNCHRONIZE, FALSE, dwProcessId);
        PostMessageW(hMain, WM_COMMAND, MAKEWPARAM(105, 0), 0);
        bool bEnded = hProcess && WaitForSingleObject(hProcess, 30000) == WAIT_OBJECT_0;
        if (hProcess) CloseHandle(hProcess);
        return bEnded ? 0 : 1;
    }
    return 2;
}

}  // namespace

int wmain() {
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 2;
    int iExit = Run(argc, argv);
    LocalFree(argv);
    return iExit;
}
