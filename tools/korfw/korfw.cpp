// korfw.cpp - the camera's extension features from a command line.
//
//   korfw [--json] list
//   korfw [--json] [-d INDEX|PATH] info | af trigger|status | focus get |
//         focus set N | strobe on|off | gpo 8 0|1 | gpi | reg read ADDR | reset
//
// Exit codes: 0 success; 1 the camera or the library refused (the library's
// error code named on standard error); 2 usage error (with the usage text).
// The command line is checked in full before any camera is touched.
//
// Written on KORFwSw.h and its import library only: it is also the example
// program of the library kit.
#include <windows.h>
#include <objbase.h>

#include <vector>

#include "Arguments.h"
#include "Commands.h"
#include "Console.h"
#include "Devices.h"
#include "Report.h"
#include "Session.h"

namespace {

const int kExitSuccess = 0;
const int kExitRefused = 1;
const int kExitUsage = 2;

int UsageError(const std::wstring &reason) {
    WriteErr(L"korfw: " + reason + L"\n" + UsageText());
    return kExitUsage;
}

int Refusal(const Request &request, const Failure &failure) {
    WriteErr(FailureText(failure));
    if (request.bJson) WriteOut(FailureJson(request.pszName, failure));
    return kExitRefused;
}

// The camera of -d, or the first one the library accepts. A device that
// does not exist is a usage error; none accepted is a refusal.
int ChooseDevice(const Request &request, const std::vector<VideoDevice> &devices, size_t *piIndex) {
    if (request.device == DeviceChoice::Index) {
        if (static_cast<size_t>(request.iDeviceIndex) >= devices.size()) {
            return UsageError(Format(L"there is no device %d ('korfw list' shows %u)", request.iDeviceIndex,
                                     static_cast<unsigned>(devices.size())));
        }
        *piIndex = static_cast<size_t>(request.iDeviceIndex);
        return kExitSuccess;
    }
    for (size_t i = 0; i < devices.size(); ++i) {
        bool bMatch = request.device == DeviceChoice::Path
                          ? lstrcmpiW(devices[i].path.c_str(), request.devicePath.c_str()) == 0
                          : devices[i].bAccepted;
        if (bMatch) {
            *piIndex = i;
            return kExitSuccess;
        }
    }
    if (request.device == DeviceChoice::Path) {
        return UsageError(L"no video-input device has the path " + request.devicePath);
    }
    Failure failure = {nullptr, 0,
                       Format(L"none of the %u video-input devices is a camera the library accepts",
                              static_cast<unsigned>(devices.size()))};
    return Refusal(request, failure);
}

int Run(const Request &request) {
    std::vector<VideoDevice> devices;
    HRESULT hr = ListVideoDevices(&devices);
    if (FAILED(hr)) {
        Failure failure = {nullptr, 0, Format(L"the system device enumerator failed (0x%08lX)", hr)};
        return Refusal(request, failure);
    }
    if (request.command == Command::List) {
        WriteOut(request.bJson ? DeviceListJson(devices) : DeviceListHuman(devices));
        return kExitSuccess;
    }
    size_t iIndex = 0;
    int iExit = ChooseDevice(request, devices, &iIndex);
    if (iExit != kExitSuccess) return iExit;

    Report report;
    report.SetDevice(iIndex, devices[iIndex]);
    Failure failure = {nullptr, 0, std::wstring()};
    DWORD dwError = 0;
    bool bDone = OpenSession(devices[iIndex].path.c_str(), &dwError);
    if (!bDone) {
        failure.pszCall = L"InitLibrary";
        failure.dwError = dwError;
    } else {
        bDone = RunCameraCommand(request, &report, &failure);
    }
    CloseSession();
    if (!bDone) return Refusal(request, failure);
    WriteOut(request.bJson ? report.Json(request.pszName) : report.Human());
    return kExitSuccess;
}

}  // namespace

int wmain(int argc, wchar_t **argv) {
    Request request;
    std::wstring error;
    if (!ParseArguments(argc - 1, argv + 1, &request, &error)) return UsageError(error);
    if (request.command == Command::Help) {
        WriteOut(UsageText());
        return kExitSuccess;
    }
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) {
        WriteErr(Format(L"korfw: COM could not be initialised (0x%08lX)\n", hr));
        return kExitRefused;
    }
    int iExit = Run(request);
    CoUninitialize();
    return iExit;
}
