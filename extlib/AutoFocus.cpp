// AutoFocus.cpp - the sensor's autofocus firmware: single-trigger runs,
// release to manual focus, focus state and lens position.
//
// The firmware takes a command in 0x3022 and clears the acknowledge register
// 0x3023 (set to 1 by us before the command) when the command is done.
#include "KORFwSw.h"
#include "LibTrace.h"
#include "SensorRegister.h"

namespace {

const USHORT REG_AF_COMMAND = 0x3022;
const USHORT REG_AF_ACK = 0x3023;
const USHORT REG_AF_PARAMETER = 0x3027;
const USHORT REG_AF_POSITION = 0x3028;
const USHORT REG_AF_STATE = 0x3029;

const USHORT AF_CMD_SINGLE_TRIGGER = 0x03;
const USHORT AF_CMD_RELEASE = 0x08;
const USHORT AF_CMD_MOVE = 0x1A;    // to the position in 0x3028
const USHORT AF_CMD_REPORT = 0x1B;  // the position into 0x3028

const USHORT AF_STATE_FOCUSING = 0x00;
const USHORT AF_STATE_FOCUSED = 0x10;
const USHORT AF_STATE_MANUAL = 0x70;

const int AF_STATE_READS = 6;  // the state settles; the last read counts
const DWORD AF_STATE_READ_GAP_MS = 10;
const DWORD AF_RELEASE_SETTLE_MS = 100;
const int AF_TRIGGER_ACK_POLLS = 10;  // further reads after the first
const DWORD AF_TRIGGER_ACK_GAP_MS = 10;
const int AF_MOVE_ACK_POLLS = 5;

const SHORT LENS_POSITION_MIN = 0;
const SHORT LENS_POSITION_MAX = 255;

int RunReleaseToManual() {
    if (!WriteSensorRegister(REG_AF_COMMAND, AF_CMD_RELEASE)) return -1;
    Sleep(AF_RELEASE_SETTLE_MS);
    int iStatus = -1;
    int iStatusResult = GetAFStatus(&iStatus);
    LibTrace(L"GetAFStatus curAFStatus: %d \n", iStatus);
    if (iStatusResult != 1 || iStatus != AF_MANUAL) return -1;
    SetLastError(ERROR_SUCCESS);
    return 1;
}

int RunSingleTrigger() {
    if (!WriteSensorRegister(REG_AF_ACK, 1)) return -1;
    // A trigger command that cannot be sent reports 0, as for an unknown mode.
    if (!WriteSensorRegister(REG_AF_COMMAND, AF_CMD_SINGLE_TRIGGER)) return 0;

    int iAck = ReadRegister(REG_AF_ACK);
    for (int i = 0; iAck != 0 && i < AF_TRIGGER_ACK_POLLS; ++i) {
        Sleep(AF_TRIGGER_ACK_GAP_MS);
        iAck = ReadRegister(REG_AF_ACK);
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
    for (int i = 0; i < AF_STATE_READS; ++i) {
        usState = (USHORT)ReadRegister(REG_AF_STATE);  // a failed read gives 0xFFFF
        LibTrace(L"AFStatus : 0x%x \n", usState);
        Sleep(AF_STATE_READ_GAP_MS);
    }

    switch (usState) {
    case AF_STATE_FOCUSING:
        LibTrace(L"Focusing\r\n");
        *piStatus = AF_SINGLE_TRIGGER;
        return 1;
    case AF_STATE_FOCUSED:
        LibTrace(L"Single Trigger\r\n");
        *piStatus = AF_SINGLE_TRIGGER_FOCUSED;
        return 1;
    case AF_STATE_MANUAL:
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
    if (sPosition < LENS_POSITION_MIN || sPosition > LENS_POSITION_MAX) {
        SetLastError(ERR_FOCUS_RANGE);
        return -1;
    }
    if (!WriteSensorRegister(REG_AF_PARAMETER, 0) || !WriteSensorRegister(REG_AF_POSITION, (USHORT)sPosition) ||
        !WriteSensorRegister(REG_AF_ACK, 1) || !WriteSensorRegister(REG_AF_COMMAND, AF_CMD_MOVE)) {
        return -1;
    }

    // The move is reported done even when the firmware never acknowledges it.
    int iAck = ReadRegister(REG_AF_ACK);
    for (int i = 0; iAck != 0 && i < AF_MOVE_ACK_POLLS; ++i) {
        iAck = ReadRegister(REG_AF_ACK);
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
    if (!WriteSensorRegister(REG_AF_ACK, 1) || !WriteSensorRegister(REG_AF_COMMAND, AF_CMD_REPORT)) return -1;

    // Without the acknowledge the position is reported as 0.
    if (ReadRegister(REG_AF_ACK) == 0) *psPosition = (SHORT)ReadRegister(REG_AF_POSITION);
    return (*psPosition >= LENS_POSITION_MIN && *psPosition <= LENS_POSITION_MAX) ? 1 : -1;
}
