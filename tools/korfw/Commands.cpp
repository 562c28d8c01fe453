// Commands.cpp - korfw's camera commands on KORFwSw's public functions.
//
// Every function reports failure through its result (see KORFwSw.h) and
// leaves the reason in the thread's last-error value, which is read right
// after the call.
#include "Commands.h"

#include "Console.h"
#include "KORFwSw.h"
#include "Session.h"

namespace {

// Between two reads of the focus state (each read takes about 360 ms).
const DWORD kFocusPollGapMs = 50;

// The library's last error for a call that returned something other than
// its success value.
bool Refused(const WCHAR *pszCall, Failure *pFailure) {
    pFailure->pszCall = pszCall;
    pFailure->dwError = GetLastError();
    return false;
}

// Reads the focus state until the camera reports focused or the time is up.
bool WaitUntilFocused(DWORD dwTimeoutMs, Failure *pFailure) {
    const DWORD dwStart = GetTickCount();
    for (;;) {
        int iStatus = 0;
        if (GetAFStatus(&iStatus) != 1) return Refused(L"GetAFStatus", pFailure);
        if (iStatus == AF_SINGLE_TRIGGER_FOCUSED) return true;
        if (GetTickCount() - dwStart >= dwTimeoutMs) {
            *pFailure = Failure{nullptr, 0,
                                Format(L"the camera did not report focus within %s s (the last state read: %s)",
                                       DecimalText(dwTimeoutMs, 3).c_str(), FocusStateWord(iStatus))};
            return false;
        }
        if (!SleepUnlessStopped(kFocusPollGapMs)) return Stopped(pFailure);
    }
}

bool RunAfTrigger(const Request &request, Report *pReport, Failure *pFailure) {
    if (!request.bWait) {
        if (AFFreezeControl(AF_SINGLE_TRIGGER) != 1) return Refused(L"AFFreezeControl", pFailure);
        pReport->AddText(L"autofocus", L"autofocus", L"triggered");
        return true;
    }
    SHORT sPosition = 0;
    if (!FocusAndWait(request.dwTimeoutMs, &sPosition, pFailure)) return false;
    pReport->AddText(L"autofocus", L"autofocus", L"focused");
    pReport->AddNumber(L"position", L"position", sPosition);
    return true;
}

bool RunInfo(Report *pReport, Failure *pFailure) {
    int iSensorId = 0;
    if (GetSensorId(&iSensorId) != 1) return Refused(L"GetSensorId", pFailure);
    USHORT usChipId = 0;
    if (GetUVCChipId(&usChipId) != 1) return Refused(L"GetUVCChipId", pFailure);
    WCHAR szFirmware[64] = L"";  // the library needs at least 30 characters
    if (GetFirmwareVersionInfo(szFirmware) != 1) return Refused(L"GetFirmwareVersionInfo", pFailure);
    szFirmware[ARRAYSIZE(szFirmware) - 1] = L'\0';
    pReport->AddHex(L"sensor_id", L"sensor ID", static_cast<unsigned long>(iSensorId), 4);
    pReport->AddHex(L"chip_id", L"chip ID", usChipId, 4);
    pReport->AddText(L"firmware", L"firmware", szFirmware);
    return true;
}

bool RunAfStatus(Report *pReport, Failure *pFailure) {
    int iStatus = 0;
    if (GetAFStatus(&iStatus) != 1) return Refused(L"GetAFStatus", pFailure);
    pReport->AddText(L"status", L"focus", FocusStateWord(iStatus));
    pReport->AddNumber(L"code", L"code", iStatus);
    return true;
}

bool RunFocusGet(Report *pReport, Failure *pFailure) {
    SHORT sPosition = 0;
    if (GetManualFocusPosition(&sPosition) != 1) return Refused(L"GetManualFocusPosition", pFailure);
    pReport->AddNumber(L"position", L"position", sPosition);
    return true;
}

bool RunGpi(Report *pReport, Failure *pFailure) {
    int iBits = 0;
    if (GetGPIStatus(&iBits) != 1) return Refused(L"GetGPIStatus", pFailure);
    pReport->AddHex(L"inputs", L"inputs", static_cast<unsigned long>(iBits), 1);
    pReport->AddBool(L"flash_connected", L"flash", (iBits & 1) == 0);
    return true;
}

bool RunRegRead(USHORT usAddress, Report *pReport, Failure *pFailure) {
    int iValue = ReadRegister(usAddress);
    if (iValue < 0) return Refused(L"ReadRegister", pFailure);
    pReport->AddHex(L"address", L"address", usAddress, 4);
    pReport->AddHex(L"value", L"value", static_cast<unsigned long>(iValue), 2);
    return true;
}

}  // namespace

bool Stopped(Failure *pFailure) {
    *pFailure = Failure{nullptr, 0, L"stopped by Ctrl+C", true};
    return false;
}

const WCHAR *FocusStateWord(int iStatus) {
    switch (iStatus) {
    case AF_MANUAL:
        return L"manual";
    case AF_SINGLE_TRIGGER:
        return L"focusing";
    case AF_SINGLE_TRIGGER_FOCUSED:
        return L"focused";
    default:
        return L"unknown";
    }
}

bool FocusAndWait(DWORD dwTimeoutMs, SHORT *psPosition, Failure *pFailure) {
    SetLastError(ERROR_SUCCESS);
    if (AFFreezeControl(AF_SINGLE_TRIGGER) != 1) return Refused(L"AFFreezeControl", pFailure);
    if (!WaitUntilFocused(dwTimeoutMs, pFailure)) return false;
    if (GetManualFocusPosition(psPosition) != 1) return Refused(L"GetManualFocusPosition", pFailure);
    return true;
}

bool RunCameraCommand(const Request &request, Report *pReport, Failure *pFailure) {
    // Functions that succeed leave the last error alone, and AFFreezeControl
    // can fail without setting it: start from "no reason".
    SetLastError(ERROR_SUCCESS);
    switch (request.command) {
    case Command::Info:
        return RunInfo(pReport, pFailure);
    case Command::AfTrigger:
        return RunAfTrigger(request, pReport, pFailure);
    case Command::AfStatus:
        return RunAfStatus(pReport, pFailure);
    case Command::FocusGet:
        return RunFocusGet(pReport, pFailure);
    case Command::FocusSet:
        if (SetManualFocusPosition(static_cast<SHORT>(request.iValue)) != 1) {
            return Refused(L"SetManualFocusPosition", pFailure);
        }
        pReport->AddNumber(L"position", L"position", request.iValue);
        return true;
    case Command::Strobe:
        if (StrobeControl(request.iValue ? 6 : 7) != 1) return Refused(L"StrobeControl", pFailure);
        pReport->AddText(L"strobe", L"strobe", request.iValue ? L"on" : L"off");
        return true;
    case Command::Gpo:
        if (ControlGPO(kGpoPin, request.iValue) != 1) return Refused(L"ControlGPO", pFailure);
        pReport->AddNumber(L"output", L"output", kGpoPin);
        pReport->AddNumber(L"state", L"state", request.iValue);
        return true;
    case Command::Gpi:
        return RunGpi(pReport, pFailure);
    case Command::RegRead:
        return RunRegRead(request.usAddress, pReport, pFailure);
    case Command::Reset:
        if (ResetUSBCamera() != 1) return Refused(L"ResetUSBCamera", pFailure);
        pReport->AddText(L"reset", L"reset", L"done");
        return true;
    default:
        break;
    }
    pFailure->pszCall = nullptr;
    pFailure->reason = L"not a camera command";
    return false;
}
