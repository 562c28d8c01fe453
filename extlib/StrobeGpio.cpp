// StrobeGpio.cpp - the sensor's LED strobe, general-purpose output 8 and the
// general-purpose inputs.
#include "ComponentAccess.h"
#include "KORFwSw.h"
#include "LibLock.h"
#include "LibTrace.h"
#include "SensorRegister.h"
#include "Session.h"

namespace {

const USHORT STROBE_TYPE_ENABLE = 6;
const USHORT STROBE_TYPE_DISABLE = 7;
const USHORT REG_STROBE_PREPARE = 0x3016;  // written before the strobe goes on
const USHORT STROBE_PREPARE_VALUE = 0x02;
const USHORT REG_STROBE = 0x3B00;
const USHORT STROBE_ON = 0xC3;
const USHORT STROBE_OFF = 0x00;

const int GPO_FLASH = 8;
const USHORT CHIP_GPO8 = 0xB03C;
const USHORT GPO8_ON = 0x22;
const USHORT GPO8_OFF = 0x20;

const USHORT CHIP_GPI = 0x8107;
const USHORT GPI_LATCH = 0x0001;  // cleared by writing the value back without it

// The input bits as callers see them: register bits 0 and 1 swap places,
// bit 2 stays; the other bits are not inputs.
int InputBitsFromRegister(USHORT usRegister) {
    int iBits = 0;
    if (usRegister & 0x0002) iBits |= 0x1;
    if (usRegister & 0x0001) iBits |= 0x2;
    if (usRegister & 0x0004) iBits |= 0x4;
    return iBits;
}

}  // namespace

extern "C" int KORFWSW_CALL StrobeControl(USHORT usType) {
    if (!RequireSession()) return -1;

    USHORT usStrobe = STROBE_OFF;
    if (usType == STROBE_TYPE_ENABLE) {
        if (!IsSensorReady()) {
            SetLastError(ERR_SENSOR_NOT_READY);
            return -1;
        }
        if (!WriteSensorRegister(REG_STROBE_PREPARE, STROBE_PREPARE_VALUE)) {
            SetLastError(ERR_STROBE_UPDATE);
            return -1;
        }
        LibTrace(L"LED Strobe Enabled\n");
        usStrobe = STROBE_ON;
    } else if (usType == STROBE_TYPE_DISABLE) {
        LibTrace(L"LED Strobe Disabled\n");
    }

    if (!WriteSensorRegister(REG_STROBE, usStrobe)) {
        SetLastError(ERR_STROBE_UPDATE);
        LibTrace(L"Not able to update sensor register\n");
        return -1;
    }
    return 1;
}

extern "C" int KORFWSW_CALL ControlGPO(int iOutput, int iState) {
    if (!RequireSession()) return -1;
    if (iOutput != GPO_FLASH) {
        SetLastError(ERR_GPO_NUMBER);
        return -1;
    }
    // Other states leave the output as it is.
    if (iState == 1 || iState == 0) {
        XuResult result = XuWriteChipRegister(CHIP_GPO8, iState == 1 ? GPO8_ON : GPO8_OFF);
        if (result != XU_OK) {
            SetXuError(result);
            return -1;
        }
        LibTrace(iState == 1 ? L"GPO ON...\n" : L"GPO OFF...\n");
    }
    return 1;
}

extern "C" int KORFWSW_CALL GetGPIStatus(int *piInputBits) {
    if (!piInputBits) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!RequireSession()) return -1;

    CritSecLock lock(LibraryLock());  // read and acknowledge as one
    USHORT usInputs = 0;
    XuResult result = XuReadChipRegister(CHIP_GPI, &usInputs);
    if (result != XU_OK) {
        SetXuError(result);
        return -1;
    }
    *piInputBits = InputBitsFromRegister(usInputs);
    result = XuWriteChipRegister(CHIP_GPI, (USHORT)(usInputs & ~GPI_LATCH));
    if (result != XU_OK) {
        SetXuError(result);
        return -1;
    }
    return 1;
}
