// AutoFocus.cpp - the sensor's autofocus firmware: single-trigger runs,
// release to manual focus, focus state and lens position.
//
// The firmware takes a command in 0x3022 and clears the acknowledge register
// 0x3023 (set to 1 by us before the command) when the command is done.
#include "KORFwSw.h"
#include "LibTrace.h"
#include "SensorRegister.h"

namespace {

const USHORT kRegAfCommand = 0x3022;
const USHORT kRegAfAck = 0x3023;
const USHORT kRegAfParameter = 0x3027;
const USHORT kRegAfPosition = 0x3028;
const USHORT kRegAfState = 0x3029;

const USHORT kAfCmdSingleTrigger = 0x03;
const USHORT kAfCmdRelease = 0x08;
const USHORT kAfCmdMove = 0x1A;    // to the position in 0x3028
const USHORT kAfCmdReport = 0x1B;  // the position into 0x3028

const USHORT kAfStateFocusing = 0x00;
const USHORT kAfStateFocused = 0x10;
const USHORT kAfStateManual = 0x70;

const int kAfStateReads = 6;  // the state settles; the last read counts
const DWORD kAfStateReadGapMs = 10;
const DWORD kAfReleaseSettleMs = 100;
const int kAfTriggerAckPolls = 10;  // further reads after the first
const DWORD kAfTriggerAckGapMs = 10;
const int kAfMoveAckPolls = 5;

const SHORT kLensPositionMin = 0;
const SHORT kLensPositionMax = 255;

int RunReleaseToManual() {
    if (!WriteSensorRegister(kRegAfCommand, kAfCmdRelease)) return -1;
    Sleep(kAfReleaseSettleMs);
    int iStatus = -1;
    int iStatusResult = GetAFStatus(&iStatus);
    LibTrace(L"GetAFStatus curAFStatus: %d \n", iStatus);
    if (iStatusResult != 1 || iStatus != AF_MANUAL) return -1;
    SetLastError(ERROR_SUCCESS);
    return 1;
}

int RunSingleTrigger() {
    if (!WriteSensorRegister(kRegAfAck, 1)) return -1;
    // A trigger command that cannot be sent reports 0, as for an unknown mode.
    if (!WriteSensorRegister(kRegAfCommand, kAfCmdSingleTrigger)) return 0;

    int iAck = ReadRegister(kRegAfAck);
    for (int i = 0; iAck != 0 && i < kAfTriggerAckPolls; ++i) {
        Sleep(kAfTriggerAckGapMs);
        iAck = ReadRegister(kRegAfAck);
    }

    int iStatus = -1;
    int iStatusResult = GetAFStatus(&iStatus);
    LibTrace(L"GetAFStatus curAFStatus: %d \n", iStatus);
    if (iStatusResult != 1 || (iStatus != AF_SINGLE_TRIGGER && iStatus != AF_SINGLE_TRIGGER_FOCUSED)) return -1;
    SetLastError(ERROR_SUCCESS);
    return 1;
}

}  // namespace

extern "C" int KORFWSW_CALL AFFreezeControl(int iMode) {
    if (!RequireReadySensor()) return -1;
    switch (iMode) {
    case AF_MANUAL:
        return RunReleaseToManual();
    case AF_SINGLE_TRIGGER:
        return RunSingleTrigger();
    default:
        return 0;
    }
}

extern "C" int KORFWSW_CALL GetAFStatus(int *piStatus) {
    if (!piStatus) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!RequireReadySensor()) return -1;

    USHORT usState = 0xFFFF;
    for (int i = 0; i < kAfStateReads; ++i) {
        usState = static_cast<USHORT>(ReadRegister(kRegAfState));  // a failed read gives 0xFFFF
        LibTrace(L"AFStatus : 0x%x \n", usState);
        Sleep(kAfStateReadGapMs);
    }

    switch (usState) {
    case kAfStateFocusing:
        LibTrace(L"Focusing\r\n");
        *piStatus = AF_SINGLE_TRIGGER;
        return 1;
    case kAfStateFocused:
        LibTrace(L"Single Trigger\r\n");
        *piStatus = AF_SINGLE_TRIGGER_FOCUSED;
        return 1;
    case kAfStateManual:
        LibTrace(L"Manual Focus\r\n");
        *piStatus = AF_MANUAL;
        return 1;
    default:
        *piStatus = -1;
        return -1;
    }
}

extern "C" int KORFWSW_CALL SetManualFocusPosition(SHORT sPosition) {
    if (!RequireReadySensor()) return -1;
    if (sPosition < kLensPositionMin || sPosition > kLensPositionMax) {
        SetLastError(ERR_FOCUS_RANGE);
        return -1;
    }
    if (!WriteSensorRegister(kRegAfParameter, 0) ||
        !WriteSensorRegister(kRegAfPosition, static_cast<USHORT>(sPosition)) || !WriteSensorRegister(kRegAfAck, 1) ||
        !WriteSensorRegister(kRegAfCommand, kAfCmdMove)) {
        return -1;
    }

    // The move is reported done even when the firmware never acknowledges it.
    int iAck = ReadRegister(kRegAfAck);
    for (int i = 0; iAck != 0 && i < kAfMoveAckPolls; ++i) {
        iAck = ReadRegister(kRegAfAck);
    }
    LibTrace(L"SetManualFocusPosition: %d Val %d \n", sPosition, iAck);
    return 1;
}

extern "C" int KORFWSW_CALL GetManualFocusPosition(SHORT *psPosition) {
    if (!psPosition) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    *psPosition = 0;
    if (!RequireReadySensor()) return -1;
    if (!WriteSensorRegister(kRegAfAck, 1) || !WriteSensorRegister(kRegAfCommand, kAfCmdReport)) return -1;

    // Without the acknowledge the position is reported as 0.
    if (ReadRegister(kRegAfAck) == 0) *psPosition = static_cast<SHORT>(ReadRegister(kRegAfPosition));
    return (*psPosition >= kLensPositionMin && *psPosition <= kLensPositionMax) ? 1 : -1;
}
