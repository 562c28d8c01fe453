// SensorRegister.cpp - sensor command packets, WriteSensorRegister and the
// exports ReadRegister, IsSensorReady and ResetUSBCamera.
#include "SensorRegister.h"

#include <string.h>

#include "ComponentAccess.h"
#include "KORFwSw.h"
#include "LibLock.h"
#include "LibTrace.h"
#include "Session.h"

namespace {

// SensorCommand byte 0.
const BYTE kSensorOpWrite = 0x79;
const BYTE kSensorOpRead = 0x78;
// Offset of the value (written, or the register's value in a read's reply).
const int kSensorValueOffset = 6;

const USHORT kChipSensorState = 0xB306;  // reads 4 when the sensor takes register traffic
const USHORT kSensorStateReady = 4;
const USHORT kChipUsbReset = 0xB005;
const USHORT kUsbResetValue = 0x80;

// Below this firmware version the camera cannot report the sensor state.
const USHORT kFirstFirmwareWithSensorState = 5;

// Delay before every register read, giving the sensor time between accesses.
const DWORD kReadSettleMs = 50;

// Fills a 9-byte SensorCommand: operation, 2 address bytes, 1 data byte,
// address low byte first, value low byte first.
void BuildSensorCommand(BYTE *pPacket, BYTE bOperation, USHORT usAddress, USHORT usValue) {
    memset(pPacket, 0, kSensorCommandSize);
    pPacket[0] = bOperation;
    pPacket[1] = 2;
    pPacket[2] = 1;
    pPacket[3] = LOBYTE(usAddress);
    pPacket[4] = HIBYTE(usAddress);
    pPacket[kSensorValueOffset] = LOBYTE(usValue);
    pPacket[kSensorValueOffset + 1] = HIBYTE(usValue);
}

}  // namespace

int WriteSensorRegister(USHORT usAddress, USHORT usValue) {
    if (!RequireSession()) return 0;
    BYTE abPacket[kSensorCommandSize];
    BuildSensorCommand(abPacket, kSensorOpWrite, usAddress, usValue);
    XuResult result = XuSensorTransfer(abPacket, false);
    if (result != XU_OK) {
        SetXuError(result);
        return 0;
    }
    return 1;
}

bool RequireReadySensor() {
    if (!RequireSession()) return false;
    if (!IsSensorReady()) {
        SetLastError(ERR_SENSOR_NOT_READY);
        return false;
    }
    return true;
}

extern "C" int KORFWSW_CALL ReadRegister(USHORT usAddress) {
    if (!RequireReadySensor()) return -1;
    Sleep(kReadSettleMs);

    BYTE abPacket[kSensorCommandSize];
    BuildSensorCommand(abPacket, kSensorOpRead, usAddress, 0);
    XuResult result = XuSensorTransfer(abPacket, true);
    if (result != XU_OK) {
        SetXuError(result);
        return -1;
    }
    return abPacket[kSensorValueOffset];
}

extern "C" int KORFWSW_CALL IsSensorReady(void) {
    CritSecLock lock(LibraryLock());  // the session and its firmware version belong together
    if (!RequireSession()) return 0;
    if (g_usFirmwareVersion < kFirstFirmwareWithSensorState) return 1;

    USHORT usState = 0;
    XuResult result = XuReadChipRegister(kChipSensorState, &usState);
    if (result != XU_OK) {
        SetXuError(result);
        return 0;
    }
    if (usState == kSensorStateReady) {
        LibTrace(L"Sensor is ready to Read and Write!!!!");
        return 1;
    }
    LibTrace(L"Sensor is not ready for Read and Write.Wait!!!!");
    SetLastError(ERR_SENSOR_NOT_READY);
    return 0;
}

extern "C" int KORFWSW_CALL ResetUSBCamera(void) {
    if (!RequireSession()) return 0;
    // A failed reset is not reported: the call succeeds with a session.
    if (XuWriteChipRegister(kChipUsbReset, kUsbResetValue) == XU_OK) {
        LibDebugLine(L"USB Camera is Reset!!!!");
    }
    return 1;
}
