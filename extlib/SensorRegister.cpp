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
const BYTE SENSOR_OP_WRITE = 0x79;
const BYTE SENSOR_OP_READ = 0x78;
// Offset of the value (written, or the register's value in a read's reply).
const int SENSOR_VALUE_OFFSET = 6;

const USHORT CHIP_SENSOR_STATE = 0xB306;  // reads 4 when the sensor takes register traffic
const USHORT SENSOR_STATE_READY = 4;
const USHORT CHIP_USB_RESET = 0xB005;
const USHORT USB_RESET_VALUE = 0x80;

// Below this firmware version the camera cannot report the sensor state.
const USHORT FIRST_FIRMWARE_WITH_SENSOR_STATE = 5;

// Delay before every register read, giving the sensor time between accesses.
const DWORD READ_SETTLE_MS = 50;

// Fills a 9-byte SensorCommand: operation, 2 address bytes, 1 data byte,
// address low byte first, value low byte first.
void BuildSensorCommand(BYTE *pPacket, BYTE bOperation, USHORT usAddress, USHORT usValue) {
    memset(pPacket, 0, SENSOR_COMMAND_SIZE);
    pPacket[0] = bOperation;
    pPacket[1] = 2;
    pPacket[2] = 1;
    pPacket[3] = LOBYTE(usAddress);
    pPacket[4] = HIBYTE(usAddress);
    pPacket[SENSOR_VALUE_OFFSET] = LOBYTE(usValue);
    pPacket[SENSOR_VALUE_OFFSET + 1] = HIBYTE(usValue);
}

}  // namespace

int WriteSensorRegister(USHORT usAddress, USHORT usValue) {
    if (!RequireSession()) return 0;
    BYTE abPacket[SENSOR_COMMAND_SIZE];
    BuildSensorCommand(abPacket, SENSOR_OP_WRITE, usAddress, usValue);
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
    Sleep(READ_SETTLE_MS);

    BYTE abPacket[SENSOR_COMMAND_SIZE];
    BuildSensorCommand(abPacket, SENSOR_OP_READ, usAddress, 0);
    XuResult result = XuSensorTransfer(abPacket, true);
    if (result != XU_OK) {
        SetXuError(result);
        return -1;
    }
    return abPacket[SENSOR_VALUE_OFFSET];
}

extern "C" int KORFWSW_CALL IsSensorReady(void) {
    CritSecLock lock(LibraryLock());  // the session and its firmware version belong together
    if (!RequireSession()) return 0;
    if (g_usFirmwareVersion < FIRST_FIRMWARE_WITH_SENSOR_STATE) return 1;

    USHORT usState = 0;
    XuResult result = XuReadChipRegister(CHIP_SENSOR_STATE, &usState);
    if (result != XU_OK) {
        SetXuError(result);
        return 0;
    }
    if (usState == SENSOR_STATE_READY) {
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
    if (XuWriteChipRegister(CHIP_USB_RESET, USB_RESET_VALUE) == XU_OK) {
        LibDebugLine(L"USB Camera is Reset!!!!");
    }
    return 1;
}
