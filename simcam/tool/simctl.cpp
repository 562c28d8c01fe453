// simctl.cpp - the simulated camera's control tool.
//
//   simctl scenario <file>                 switch the cameras to a scenario file
//   simctl run <file> <program> [args...]  load a scenario, run a program on it,
//                                          keep the cameras until it exits, then
//                                          go back to the default camera
//   simctl plug <n> | unplug <n> [upper] [twice]
//                                          plug camera n in or out and announce
//                                          it (the path in capitals; twice)
//   simctl flash on|off [n]                connect or disconnect camera n's flash
//   simctl state [n]                       show camera n (all cameras without n)
//   simctl list                            list the scenario's cameras
//
// The tool works on the camera state of SIMCAM_INSTANCE (unset: the default
// camera, as the viewer uses it). That state lives while some process holds
// it: "scenario", "plug" and "flash" change the cameras of programs that are
// running; "run" starts a program on a scenario of its own choosing.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <strsafe.h>

#include <stdarg.h>
#include <wchar.h>

#include "SimCamControl.h"
#include "model/SimCamDefaults.h"

namespace {

enum ExitCode { EXIT_OK = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

// Formats into a bounded buffer and writes it to stdout or stderr.
void WriteText(DWORD dwStd, const WCHAR *pszFormat, va_list args) {
    WCHAR szText[1024];
    (void)StringCchVPrintfW(szText, ARRAYSIZE(szText), pszFormat, args);  // cut when longer
    HANDLE hOut = GetStdHandle(dwStd);
    DWORD dwMode = 0, dwWritten = 0;
    if (GetConsoleMode(hOut, &dwMode)) {
        size_t cch = 0;
        (void)StringCchLengthW(szText, ARRAYSIZE(szText), &cch);
        (void)WriteConsoleW(hOut, szText, static_cast<DWORD>(cch), &dwWritten, nullptr);
        return;
    }
    // Redirected: UTF-8.
    char szUtf8[3 * ARRAYSIZE(szText)];
    int cb = WideCharToMultiByte(CP_UTF8, 0, szText, -1, szUtf8, sizeof(szUtf8), nullptr, nullptr);
    if (cb <= 1) return;
    (void)WriteFile(hOut, szUtf8, static_cast<DWORD>(cb - 1), &dwWritten, nullptr);
}

void Print(const WCHAR *pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    WriteText(STD_OUTPUT_HANDLE, pszFormat, args);
    va_end(args);
}

void PrintError(const WCHAR *pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    WriteText(STD_ERROR_HANDLE, pszFormat, args);
    va_end(args);
}

int Usage() {
    PrintError(
        L"usage: simctl scenario <file>\n"
        L"       simctl run <file> <program> [arguments...]\n"
        L"       simctl plug <n> | unplug <n> [upper] [twice]\n"
        L"       simctl flash on|off [n]\n"
        L"       simctl state [n]\n"
        L"       simctl list\n");
    return EXIT_USAGE;
}

// A camera index: decimal digits only, within the scenario.
bool ParseCamera(const WCHAR *pszText, int *piCamera) {
    if (!pszText || !*pszText) return false;
    long lValue = 0;
    for (const WCHAR *p = pszText; *p; ++p) {
        if (*p < L'0' || *p > L'9') return false;
        lValue = lValue * 10 + (*p - L'0');
        if (lValue >= SIMCAM_MAX_CAMERAS) return false;
    }
    *piCamera = static_cast<int>(lValue);
    return true;
}

// Optional camera argument (default 0), checked against the scenario.
bool CameraArgument(int argc, WCHAR **argv, int iArg, int *piCamera) {
    *piCamera = 0;
    if (iArg < argc && !ParseCamera(argv[iArg], piCamera)) {
        PrintError(L"simctl: '%s' is not a camera number\n", argv[iArg]);
        return false;
    }
    if (*piCamera >= SimCameraCount()) {
        PrintError(L"simctl: no camera %d (the scenario has %d)\n", *piCamera, SimCameraCount());
        return false;
    }
    return true;
}

void PrintAnsiError(const WCHAR *pszWhat) {
    const char *pszError = SimLastError();
    WCHAR szError[256] = L"";
    if (pszError) (void)MultiByteToWideChar(CP_UTF8, 0, pszError, -1, szError, ARRAYSIZE(szError));
    szError[ARRAYSIZE(szError) - 1] = L'\0';
    PrintError(L"simctl: %s: %s\n", pszWhat, szError);
}

bool LoadScenario(const WCHAR *pszFile) {
    if (SimLoadScenarioFile(pszFile)) return true;
    PrintAnsiError(pszFile);
    return false;
}

const WCHAR *YesNo(LONG lValue) { return lValue ? L"yes" : L"no"; }

const WCHAR *FocusStateName(LONG lState) {
    switch (lState) {
    case SIM_AF_STATE_FOCUSING:
        return L"focusing";
    case SIM_AF_STATE_FOCUSED:
        return L"focused";
    case SIM_AF_STATE_MANUAL:
        return L"manual";
    }
    return L"other";
}

const WCHAR *FilterStateName(LONG lState) {
    switch (lState) {
    case SIMCAM_FILTER_STOPPED:
        return L"stopped";
    case SIMCAM_FILTER_PAUSED:
        return L"paused";
    case SIMCAM_FILTER_RUNNING:
        return L"running";
    }
    return L"other";
}

// The four characters of a FOURCC ("none" for 0).
void FourccText(DWORD dwFourcc, WCHAR szText[5]) {
    if (dwFourcc == 0) {
        (void)StringCchCopyW(szText, 5, L"none");
        return;
    }
    for (int i = 0; i < 4; ++i) {
        WCHAR ch = static_cast<WCHAR>((dwFourcc >> (8 * i)) & 0xFF);
        szText[i] = ch >= 0x20 && ch < 0x7F ? ch : L'?';
    }
    szText[4] = L'\0';
}

void PrintState(int iCamera) {
    SimCameraState state = {};
    if (!SimGetCameraState(iCamera, &state)) {
        PrintError(L"simctl: camera %d cannot be read\n", iCamera);
        return;
    }
    Print(L"camera %d: %s\n", iCamera, state.name);
    Print(L"  present: %s\n", YesNo(state.present));
    Print(L"  flash connected: %s\n", YesNo(state.flashConnected));
    Print(L"  strobe output: %s\n", state.strobeOutput ? L"on" : L"off");
    Print(L"  lens position: %ld\n", static_cast<long>(state.lensPosition));
    Print(L"  best position: %ld\n", static_cast<long>(state.bestPosition));
    Print(L"  focus state: 0x%02lX (%s)\n", static_cast<unsigned long>(state.focusState),
          FocusStateName(state.focusState));
    Print(L"  stills delivered: %ld\n", static_cast<long>(state.stillsDelivered));
    Print(L"  frames delivered: %ld\n", static_cast<long>(state.framesDelivered));
    Print(L"  firmware: %ld\n", static_cast<long>(state.firmwareVersion));
    Print(L"  filter: %s\n", FilterStateName(state.filterState));
    Print(L"  filters alive: %ld\n", static_cast<long>(state.filtersAlive));
    Print(L"  still triggers: %ld\n", static_cast<long>(state.stillTriggers));
    WCHAR szSubtype[5];
    FourccText(state.captureSubtype, szSubtype);
    Print(L"  capture format: %s %ldx%ld\n", szSubtype, static_cast<long>(state.captureWidth),
          static_cast<long>(state.captureHeight));
    FourccText(state.stillSubtype, szSubtype);
    Print(L"  still format: %s %ldx%ld\n", szSubtype, static_cast<long>(state.stillWidth),
          static_cast<long>(state.stillHeight));
}

int CommandList() {
    int cCameras = SimCameraCount();
    for (int i = 0; i < cCameras; ++i) {
        SimCameraState state = {};
        if (!SimGetCameraState(i, &state)) continue;
        Print(L"%d %s %s\n    %s\n", i, state.present ? L"present  " : L"unplugged", state.name, state.devicePath);
    }
    if (cCameras == 0) Print(L"no cameras\n");
    return EXIT_OK;
}

int CommandPlug(int argc, WCHAR **argv, bool bPlug) {
    int iCamera = 0;
    if (argc < 3 || argc > 5) return Usage();
    DWORD dwFlags = 0;
    for (int i = 3; i < argc; ++i) {
        if (lstrcmpiW(argv[i], L"upper") == 0) {
            dwFlags |= SIM_NOTIFY_UPPERCASE;
        } else if (lstrcmpiW(argv[i], L"twice") == 0) {
            dwFlags |= SIM_NOTIFY_TWICE;
        } else {
            return Usage();
        }
    }
    if (!CameraArgument(3, argv, 2, &iCamera)) return EXIT_FAILED;
    if (!SimPlug(iCamera, bPlug ? 1 : 0)) {
        PrintError(L"simctl: camera %d could not be %s\n", iCamera, bPlug ? L"plugged in" : L"unplugged");
        return EXIT_FAILED;
    }
    // The enumeration has changed; now tell the windows, as the system would.
    if (!SimBroadcastDeviceChangeEx(iCamera, bPlug ? 1 : 0, dwFlags)) {
        PrintError(L"simctl: the device change of camera %d could not be announced\n", iCamera);
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

int CommandFlash(int argc, WCHAR **argv) {
    if (argc < 3 || argc > 4) return Usage();
    bool bOn = lstrcmpiW(argv[2], L"on") == 0;
    if (!bOn && lstrcmpiW(argv[2], L"off") != 0) return Usage();
    int iCamera = 0;
    if (!CameraArgument(argc, argv, 3, &iCamera)) return EXIT_FAILED;
    if (!SimSetFlash(iCamera, bOn ? 1 : 0)) {
        PrintError(L"simctl: the flash of camera %d could not be changed\n", iCamera);
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

int CommandState(int argc, WCHAR **argv) {
    if (argc > 3) return Usage();
    if (argc == 3) {
        int iCamera = 0;
        if (!CameraArgument(argc, argv, 2, &iCamera)) return EXIT_FAILED;
        PrintState(iCamera);
        return EXIT_OK;
    }
    int cCameras = SimCameraCount();
    for (int i = 0; i < cCameras; ++i) PrintState(i);
    if (cCameras == 0) Print(L"no cameras\n");
    return EXIT_OK;
}

// Appends one argument to a command line, quoted the way CommandLineToArgvW
// reads it back.
bool AppendArgument(WCHAR *pszLine, size_t cchLine, const WCHAR *pszArg) {
    bool bQuote = *pszArg == L'\0' || wcspbrk(pszArg, L" \t\"") != nullptr;
    if (pszLine[0] != L'\0' && FAILED(StringCchCatW(pszLine, cchLine, L" "))) return false;
    if (!bQuote) return SUCCEEDED(StringCchCatW(pszLine, cchLine, pszArg));
    if (FAILED(StringCchCatW(pszLine, cchLine, L"\""))) return false;
    size_t cBackslashes = 0;
    for (const WCHAR *p = pszArg;; ++p) {
        if (*p == L'\\') {
            ++cBackslashes;
            continue;
        }
        // Backslashes before a quote (or before the closing quote) double.
        size_t cCopies = (*p == L'"' || *p == L'\0') ? 2 * cBackslashes : cBackslashes;
        for (size_t i = 0; i < cCopies; ++i) {
            if (FAILED(StringCchCatW(pszLine, cchLine, L"\\"))) return false;
        }
        cBackslashes = 0;
        if (*p == L'\0') break;
        if (*p == L'"' && FAILED(StringCchCatW(pszLine, cchLine, L"\\"))) return false;
        WCHAR szChar[2] = {*p, L'\0'};
        if (FAILED(StringCchCatW(pszLine, cchLine, szChar))) return false;
    }
    return SUCCEEDED(StringCchCatW(pszLine, cchLine, L"\""));
}

int CommandRun(int argc, WCHAR **argv) {
    if (argc < 4) return Usage();
    if (!LoadScenario(argv[2])) return EXIT_FAILED;

    static WCHAR szCommandLine[32768];
    szCommandLine[0] = L'\0';
    for (int i = 3; i < argc; ++i) {
        if (!AppendArgument(szCommandLine, ARRAYSIZE(szCommandLine), argv[i])) {
            PrintError(L"simctl: the command line is too long\n");
            return EXIT_FAILED;
        }
    }
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, szCommandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        PrintError(L"simctl: %s could not be started (error %lu)\n", argv[3],
                   static_cast<unsigned long>(GetLastError()));
        return EXIT_FAILED;
    }
    CloseHandle(pi.hThread);
    // This process keeps the cameras alive until the program is done.
    (void)WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD dwExit = EXIT_FAILED;
    (void)GetExitCodeProcess(pi.hProcess, &dwExit);
    CloseHandle(pi.hProcess);
    // Back to the default camera, so the video-input devices listed in the
    // prefix match what the next program will find.
    SimLoadDefaultScenario();
    return static_cast<int>(dwExit);
}

int Dispatch(int argc, WCHAR **argv) {
    if (argc < 2) return Usage();
    const WCHAR *pszCommand = argv[1];
    if (lstrcmpiW(pszCommand, L"scenario") == 0) {
        if (argc != 3) return Usage();
        return LoadScenario(argv[2]) ? EXIT_OK : EXIT_FAILED;
    }
    if (lstrcmpiW(pszCommand, L"run") == 0) return CommandRun(argc, argv);
    if (lstrcmpiW(pszCommand, L"plug") == 0) return CommandPlug(argc, argv, true);
    if (lstrcmpiW(pszCommand, L"unplug") == 0) return CommandPlug(argc, argv, false);
    if (lstrcmpiW(pszCommand, L"flash") == 0) return CommandFlash(argc, argv);
    if (lstrcmpiW(pszCommand, L"state") == 0) return CommandState(argc, argv);
    if (lstrcmpiW(pszCommand, L"list") == 0) {
        if (argc != 2) return Usage();
        return CommandList();
    }
    return Usage();
}

}  // namespace

int main() {
    int argc = 0;
    WCHAR **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) {
        PrintError(L"simctl: the command line cannot be read\n");
        return EXIT_FAILED;
    }
    // The device registration that follows a camera change may use COM.
    HRESULT hrCom = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int iExit = Dispatch(argc, argv);
    if (SUCCEEDED(hrCom)) CoUninitialize();
    LocalFree(argv);
    return iExit;
}
