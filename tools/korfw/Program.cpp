// Program.cpp - korfw from its command line to its exit code: the command
// line checked in full before any camera is touched, the camera chosen, the
// library's session opened and closed around the command, the result
// printed for people or as JSON.
#include "Program.h"

#include <objbase.h>

#include <vector>

#include "Arguments.h"
#include "CommandSet.h"
#include "Commands.h"
#include "Console.h"
#include "Devices.h"
#include "Report.h"
#include "Session.h"

namespace {

int UsageError(const std::wstring &reason, const CommandSet *pAdded) {
    WriteErr(L"korfw: " + reason + L"\n" + UsageText(pAdded));
    return kExitUsage;
}

int Refusal(const Request &request, const Failure &failure) {
    WriteErr(FailureText(failure));
    if (request.bJson) WriteOut(FailureJson(request.pszName, failure));
    return failure.bStopped ? kExitStopped : kExitRefused;
}

// The camera of -d, or the first one the library accepts. A device that
// does not exist is a usage error; none accepted is a refusal.
int ChooseDevice(const Request &request, const std::vector<VideoDevice> &devices, const CommandSet *pAdded,
                 size_t *piIndex) {
    if (request.device == DeviceChoice::Index) {
        if (static_cast<size_t>(request.iDeviceIndex) >= devices.size()) {
            return UsageError(Format(L"there is no device %d ('korfw list' shows %u)", request.iDeviceIndex,
                                     static_cast<unsigned>(devices.size())),
                              pAdded);
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
        return UsageError(L"no video-input device has the path " + request.devicePath, pAdded);
    }
    Failure failure = {nullptr, 0,
                       Format(L"none of the %u video-input devices is a camera the library accepts",
                              static_cast<unsigned>(devices.size()))};
    return Refusal(request, failure);
}

// The command on the chosen camera, in the library's session when it needs one.
bool RunOnCamera(const Request &request, const VideoDevice &device, CommandSet *pAdded, Report *pReport,
                 Failure *pFailure) {
    const bool bAdded = request.command == Command::External;
    if (bAdded && !pAdded->NeedsSession(request)) return pAdded->Run(request, device, pReport, pFailure);
    DWORD dwError = 0;
    bool bDone = OpenSession(device.path.c_str(), &dwError);
    if (!bDone) {
        *pFailure = Failure{L"InitLibrary", dwError, std::wstring()};
    } else {
        bDone = bAdded ? pAdded->Run(request, device, pReport, pFailure) : RunCameraCommand(request, pReport, pFailure);
    }
    CloseSession();
    return bDone;
}

int Run(const Request &request, CommandSet *pAdded) {
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
    int iExit = ChooseDevice(request, devices, pAdded, &iIndex);
    if (iExit != kExitSuccess) return iExit;

    Report report;
    report.SetDevice(iIndex, devices[iIndex]);
    Failure failure = {nullptr, 0, std::wstring()};
    if (!RunOnCamera(request, devices[iIndex], pAdded, &report, &failure)) return Refusal(request, failure);
    WriteOut(request.bJson ? report.Json(request.pszName) : report.Human());
    return kExitSuccess;
}

}  // namespace

int RunKorfw(int argc, WCHAR **argv, CommandSet *pAdded) {
    Request request;
    std::wstring error;
    if (!ParseArguments(argc, argv, pAdded, &request, &error)) return UsageError(error, pAdded);
    if (request.command == Command::Help) {
        WriteOut(UsageText(pAdded));
        return kExitSuccess;
    }
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) {
        WriteErr(Format(L"korfw: COM could not be initialised (0x%08lX)\n", hr));
        return kExitRefused;
    }
    int iExit = Run(request, pAdded);
    CoUninitialize();
    return iExit;
}
