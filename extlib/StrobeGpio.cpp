// StrobeGpio.cpp - the sensor's LED strobe, general-purpose output 8 and the
// general-purpose inputs.
#include "ComponentAccess.h"
#include "KORFwSw.h"
#include "LibLock.h"
#include "LibTrace.h"
#include "SensorRegister.h"
#include "Session.h"

namespace {

const USHORT kStrobeTypeEnable = 6;
const USHORT kStrobeTypeDisable = 7;
const USHORT kRegStrobePrepare = 0x3016;  // written before the strobe goes on
const USHORT kStrobePrepareValue = 0x02;
const USHORT kRegStrobe = 0x3B00;
const USHORT kStrobeOn = 0xC3;
const USHORT kStrobeOff = 0x00;

const int kGpoFlash = 8;
const USHORT kChipGpo8 = 0xB03C;
const USHORT kGpo8On = 0x22;
const USHORT kGpo8Off = 0x20;

const USHORT kChipGpi = 0x8107;
const USHORT kGpiLatch = 0x0001;  // cleared by writing the value back without it

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

    USHORT usStrobe = kStrobeOff;
    if (usType == kStrobeTypeEnable) {
        if (!IsSensorReady()) {
            SetLastError(ERR_SENSOR_NOT_READY);
            return -1;
        }
        if (!WriteSensorRegister(kRegStrobePrepare, kStrobePrepareValue)) {
            SetLastError(ERR_STROBE_UPDATE);
            return -1;
        }
        LibTrace(L"LED Strobe Enabled\n");
        usStrobe = kStrobeOn;
    } else if (usType == kStrobeTypeDisable) {
        LibTrace(L"LED Strobe Disabled\n");
    }

    if (!WriteSensorRegister(kRegStrobe, usStrobe)) {
        SetLastError(ERR_STROBE_UPDATE);
        LibTrace(L"Not able to update sensor register\n");
        return -1;
    }
    return 1;
}

extern "C" int KORFWSW_CALL ControlGPO(int iOutput, int iState) {
    if (!RequireSession()) return -1;
    if (iOutput != kGpoFlash) {
        SetLastError(ERR_GPO_NUMBER);
        return -1;
    }
    // Other states leave the output as it is.
    if (iState == 1 || iState == 0) {
        XuResult result = XuWriteChipRegister(kChipGpo8, iState == 1 ? kGpo8On : kGpo8Off);
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
    XuResult result = XuReadChipRegister(kChipGpi, &usInputs);
    if (result != XU_OK) {
        SetXuError(result);
        return -1;
    }
    *piInputBits = InputBitsFromRegister(usInputs);
    result = XuWriteChipRegister(kChipGpi, static_cast<USHORT>(usInputs & ~kGpiLatch));
    if (result != XU_OK) {
        SetXuError(result);
        return -1;
    }
    return 1;
}
