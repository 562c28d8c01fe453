// ViewerProcess.cpp - KORViewer.exe as a child process under the test.
#include "ViewerProcess.h"

#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include "UiProbe.h"

namespace {

const wchar_t kMainClass[] = L"RAVIRU5RI";
const int kStatusBarId = 1000;
const int kExitCommand = 105;

struct FindContext {
    DWORD dwExcludeBefore;
    HWND hFound;
};

BOOL CALLBACK FindMain(HWND hWnd, LPARAM lParam) {
    FindContext *pCtx = reinterpret_cast<FindContext *>(lParam);
    wchar_t szClass[64] = L"";
    GetClassNameW(hWnd, szClass, ARRAYSIZE(szClass));
    if (lstrcmpW(szClass, kMainClass) == 0 && IsWindowVisible(hWnd)) {
        pCtx->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindViewerWindow() {
    FindContext ctx = {0, nullptr};
    EnumWindows(FindMain, reinterpret_cast<LPARAM>(&ctx));
    return ctx.hFound;
}

}  // namespace

std::wstring ViewerProgramPath() {
    std::wstring self = CurrentProgramPath();
    return self.substr(0, self.find_last_of(L"\\/") + 1) + L"KORViewer.exe";
}

int CountViewerProcesses() {
    int cFound = 0;
    HANDLE hSnap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnap == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32W pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL b = Process32FirstW(hSnap, &pe); b; b = Process32NextW(hSnap, &pe)) {
        if (_wcsicmp(pe.szExeFile, L"KORViewer.exe") == 0) ++cFound;
    }
    CloseHandle(hSnap);
    return cFound;
}

ViewerProcess::~ViewerProcess() {
    if (m_bRunning) (void)Exit(10000);
    if (m_debugger.joinable()) m_debugger.join();
}

bool ViewerProcess::Start(DWORD dwTimeoutMs) {
    std::wstring commandLine = L"\"" + ViewerProgramPath() + L"\"";
    // The debug loop must run on the thread that created the process.
    m_debugger = std::thread(
        [this, commandLine, dwTimeoutMs] { m_result = RunUnderDebugger(commandLine, dwTimeoutMs + 600000); });
    m_bRunning = true;
    if (!WaitFor([&] { return (m_hWndMain = FindViewerWindow()) != nullptr; }, dwTimeoutMs)) return false;
    m_dwThreadId = GetWindowThreadProcessId(m_hWndMain, &m_dwProcessId);
    // Start-up is over once the message loop answers.
    DWORD_PTR dwResult = 0;
    return SendMessageTimeoutW(m_hWndMain, WM_NULL, 0, 0, SMTO_NORMAL, dwTimeoutMs, &dwResult) != 0;
}

bool ViewerProcess::Exit(DWORD dwTimeoutMs) {
    if (!m_bRunning) return true;
    if (IsWindow(m_hWndMain)) PostCommand(kExitCommand);
    HANDLE hProcess = OpenProcess(SYNCHRONIZE, FALSE, m_dwProcessId);
    bool bEnded = true;
    if (hProcess) {
        bEnded = WaitForSingleObject(hProcess, dwTimeoutMs) == WAIT_OBJECT_0;
        if (!bEnded) {
            HANDLE hKill = OpenProcess(PROCESS_TERMINATE, FALSE, m_dwProcessId);
            if (hKill) {
                TerminateProcess(hKill, 0xDEAD);
                CloseHandle(hKill);
            }
            WaitForSingleObject(hProcess, 10000);
        }
        CloseHandle(hProcess);
    }
    if (m_debugger.joinable()) m_debugger.join();
    m_bRunning = false;
    return bEnded;
}

std::wstring ViewerProcess::Status(int iPart) { return ReadStatusText(m_hWndMain, iPart); }

std::wstring ReadStatusText(HWND hMain, int iPart) {
    HWND hStatus = GetDlgItem(hMain, kStatusBarId);
    if (!hStatus) return L"<no status bar>";
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hMain, &dwProcessId);
    HANDLE hProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, dwProcessId);
    if (!hProcess) return L"<no access>";
    const SIZE_T cbBuffer = 512 * sizeof(wchar_t);
    void *pRemote = VirtualAllocEx(hProcess, nullptr, cbBuffer, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    std::wstring text = L"<no buffer>";
    if (pRemote) {
        DWORD_PTR dwLength = 0;
        if (SendMessageTimeoutW(hStatus, SB_GETTEXTLENGTHW, iPart, 0, SMTO_NORMAL, 5000, &dwLength) &&
            LOWORD(dwLength) < 512) {
            DWORD_PTR dwResult = 0;
            wchar_t szText[512] = L"";
            SIZE_T cbRead = 0;
            if (SendMessageTimeoutW(hStatus, SB_GETTEXTW, iPart, reinterpret_cast<LPARAM>(pRemote), SMTO_NORMAL, 5000,
                                    &dwResult) &&
                ReadProcessMemory(hProcess, pRemote, szText, cbBuffer, &cbRead)) {
                szText[511] = L'\0';
                text = szText;
            }
        }
        VirtualFreeEx(hProcess, pRemote, 0, MEM_RELEASE);
    }
    CloseHandle(hProcess);
    return text;
}

void ViewerProcess::PostCommand(int iCommand) { PostMessageW(m_hWndMain, WM_COMMAND, MAKEWPARAM(iCommand, 0), 0); }

bool ViewerProcess::Focus() {
    return WaitFor(
        [&] {
            if (GetForegroundWindow() != m_hWndMain) {
                SetForegroundWindow(m_hWndMain);
                return false;
            }
            GUITHREADINFO gti = {};
            gti.cbSize = sizeof(gti);
            return GetGUIThreadInfo(m_dwThreadId, &gti) && gti.hwndFocus == m_hWndMain;
        },
        10000);
}

bool ViewerProcess::TypeKey(WORD wVirtualKey, bool bAlt) {
    INPUT aInput[4] = {};
    UINT cInput = 0;
    auto key = [&](WORD wVk, bool bUp) {
        aInput[cInput].type = INPUT_KEYBOARD;
        aInput[cInput].ki.wVk = wVk;
        aInput[cInput].ki.wScan = static_cast<WORD>(MapVirtualKeyW(wVk, MAPVK_VK_TO_VSC));
        aInput[cInput].ki.dwFlags = bUp ? KEYEVENTF_KEYUP : 0;
        ++cInput;
    };
    if (bAlt) key(VK_MENU, false);
    key(wVirtualKey, false);
    key(wVirtualKey, true);
    if (bAlt) key(VK_MENU, true);
    return SendInput(cInput, aInput, sizeof(INPUT)) == cInput;
}

std::wstring DesktopPath() {
    wchar_t szPath[MAX_PATH] = L"";
    SHGetSpecialFolderPathW(nullptr, szPath, CSIDL_DESKTOPDIRECTORY, FALSE);
    return szPath;
}

std::vector<std::wstring> DesktopFiles(const wchar_t *pszPattern) {
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW((DesktopPath() + L"\\" + pszPattern).c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE) return files;
    do {
        files.push_back(fd.cFileName);
    } while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
    return files;
}
