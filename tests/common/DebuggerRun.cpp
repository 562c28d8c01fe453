// DebuggerRun.cpp - a minimal debug loop: every event is continued, debug
// strings are read from the child's memory.
#include "DebuggerRun.h"

namespace {

std::wstring ReadDebugString(HANDLE hProcess, const OUTPUT_DEBUG_STRING_INFO &info) {
    size_t cch = info.nDebugStringLength;
    if (cch == 0 || !info.lpDebugStringData) return std::wstring();
    if (info.fUnicode) {
        std::vector<WCHAR> buffer(cch + 1, L'\0');
        SIZE_T cbRead = 0;
        if (!ReadProcessMemory(hProcess, info.lpDebugStringData, buffer.data(), cch * sizeof(WCHAR), &cbRead)) {
            return std::wstring();
        }
        return std::wstring(buffer.data(), wcsnlen(buffer.data(), cch));
    }
    std::vector<char> buffer(cch + 1, '\0');
    SIZE_T cbRead = 0;
    if (!ReadProcessMemory(hProcess, info.lpDebugStringData, buffer.data(), cch, &cbRead)) return std::wstring();
    size_t cchText = strnlen(buffer.data(), cch);
    std::wstring text;
    for (size_t i = 0; i < cchText; ++i) text.push_back((WCHAR)(unsigned char)buffer[i]);
    return text;
}

}  // namespace

DebuggerRunResult RunUnderDebugger(const std::wstring &commandLine, DWORD dwTimeoutMs) {
    DebuggerRunResult result = {false, false, 0, {}};
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    ZeroMemory(&pi, sizeof(pi));
    std::wstring mutableCommandLine = commandLine;
    if (!CreateProcessW(NULL, &mutableCommandLine[0], NULL, NULL, FALSE, DEBUG_ONLY_THIS_PROCESS, NULL, NULL, &si,
                        &pi)) {
        return result;
    }
    result.bStarted = true;

    DWORD dwStart = GetTickCount();
    bool bDone = false;
    while (!bDone) {
        DWORD dwElapsed = GetTickCount() - dwStart;
        if (dwElapsed >= dwTimeoutMs) break;
        DEBUG_EVENT event;
        if (!WaitForDebugEvent(&event, dwTimeoutMs - dwElapsed)) break;
        DWORD dwContinue = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
            break;
        case OUTPUT_DEBUG_STRING_EVENT:
            result.lines.push_back(ReadDebugString(pi.hProcess, event.u.DebugString));
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The loader's first breakpoint is ours to swallow; anything
            // else goes back to the program's own handlers.
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                dwContinue = DBG_EXCEPTION_NOT_HANDLED;
            }
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            result.dwExitCode = event.u.ExitProcess.dwExitCode;
            result.bFinished = true;
            bDone = true;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, dwContinue);
    }
    if (!result.bFinished) {
        TerminateProcess(pi.hProcess, 1);
        DebugActiveProcessStop(pi.dwProcessId);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

std::wstring CurrentProgramPath() {
    WCHAR szPath[MAX_PATH];
    DWORD cch = GetModuleFileNameW(NULL, szPath, ARRAYSIZE(szPath));
    if (cch == 0 || cch >= ARRAYSIZE(szPath)) return std::wstring();
    return std::wstring(szPath, cch);
}
