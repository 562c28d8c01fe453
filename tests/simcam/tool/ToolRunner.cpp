// ToolRunner.cpp - simctl.exe as a child process.
#include "ToolRunner.h"

#include <thread>
#include <vector>

namespace {

const DWORD kToolTimeoutMs = 60000;

std::string ReadAll(HANDLE hRead) {
    std::string text;
    char buffer[4096];
    DWORD cb = 0;
    while (ReadFile(hRead, buffer, sizeof(buffer), &cb, nullptr) && cb > 0) text.append(buffer, cb);
    return text;
}

}  // namespace

std::wstring SimctlPath() {
    wchar_t szPath[MAX_PATH] = L"";
    DWORD cch = GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring path(szPath, cch);
    size_t slash = path.find_last_of(L"\\/");
    return path.substr(0, slash + 1) + L"simctl.exe";
}

std::wstring ScenarioPath(const wchar_t *pszFile) {
    std::string dir = SIMCAM_SCENARIO_DIR;
    return std::wstring(dir.begin(), dir.end()) + L"/" + pszFile;
}

ToolResult RunSimctl(const std::wstring &arguments) {
    ToolResult result = {false, 0xFFFFFFFF, std::string()};
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE hRead = nullptr, hWrite = nullptr;
    if (!CreatePipe(&hRead, &hWrite, &sa, 0)) return result;
    SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine = L"\"" + SimctlPath() + L"\" " + arguments;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = hWrite;
    si.hStdError = hWrite;
    PROCESS_INFORMATION pi = {};
    BOOL bStarted =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(hWrite);  // the child holds its own copy; EOF when it exits
    if (!bStarted) {
        CloseHandle(hRead);
        return result;
    }
    result.bStarted = true;
    std::string output;
    std::thread reader([&] { output = ReadAll(hRead); });

    DWORD dwStart = GetTickCount();
    for (;;) {
        DWORD dwWait = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 100, QS_ALLINPUT);
        if (dwWait == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (GetTickCount() - dwStart > kToolTimeoutMs) {
            TerminateProcess(pi.hProcess, 0xDEAD);
            WaitForSingleObject(pi.hProcess, INFINITE);
            break;
        }
    }
    GetExitCodeProcess(pi.hProcess, &result.dwExitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    reader.join();
    CloseHandle(hRead);
    result.output = output;
    return result;
}
