// SensorModel.cpp - what sits behind the extension unit: the bridge chip's
// registers and controls, the sensor's register file and its autofocus
// firmware. Time-dependent behaviour is worked out lazily against
// GetTickCount whenever a register is touched, so it runs without a thread
// and looks the same from every process that shares the state.
//
// Bridge chip:
//   0x8102  transfer announce. A control-16 transfer (SetXUControl 16) is
//           accepted only when the last value written here is 9; the
//           transfer uses the announce up, so every packet needs its own.
//           A transfer without one fails with SIM_E_NOT_ANNOUNCED and leaves
//           the sensor untouched.
//   0xB306  sensor state: 4 ready, 3 while the sensor starts up (after
//           power-up for notReadyMs, after a reset for resetNotReadyMs).
//           Control-16 transfers fail with SIM_E_SENSOR_BUSY meanwhile.
//   0xB005  write 0x80: reset; the sensor is not ready for a while and its
//           autofocus returns to the power-up state.
//   0xB03C  output 8: 0x22 on (strobe fires), 0x20 off.
//   0x8107  inputs: bit 1 set while no flash is connected, bit 0 a latch set
//           by a flash being connected or disconnected and by a still; a
//           write with bit 0 at 0 clears the latch, nothing else is writable.
//   others  plain storage (up to SIM_MAX_CHIP_REGS of them).
// Control 7 reads the 4 chip identification bytes; control 16 carries the
// 9-byte sensor command (0x79 write / 0x78 read, 2 address bytes, 1 data
// byte, address low byte first in bytes 3-4, value in byte 6). Get on
// control 16 returns the last packet, with byte 6 holding the register's
// value after a read.
//
// Autofocus firmware (0x3022 command, 0x3023 acknowledge, 0x3028 lens
// position, 0x3029 state):
//   0x03 single trigger: state 0x00 (focusing) while the lens travels to the
//        best position; acknowledge clears after SIM_AF_ACK_MS, state 0x10
//        after SIM_AF_SETTLE_MS with the lens at the best position.
//   0x08 release: state 0x70 (manual), the lens stops where it is.
//   0x1A move: the lens travels to the value of 0x3028; state 0x70.
//   0x1B report: the lens position is written to 0x3028.
//   Other commands are acknowledged and do nothing. Every acknowledge except
//   the single trigger's clears after SIM_CMD_ACK_MS; with stickyAck it
//   never clears. 0x3029 is read-only for the host.
#include <windows.h>
#include <string.h>

#include "SensorModel.h"

namespace {

bool Reached(DWORD dwNow, DWORD dwTick) { return static_cast<LONG>(dwNow - dwTick) >= 0; }

DWORD Elapsed(DWORD dwNow, DWORD dwStart) { return dwNow - dwStart; }

SimChipRegister *FindChipRegister(SimCamera *pCam, WORD address) {
    for (LONG i = 0; i < pCam->chipRegCount; ++i) {
        if (pCam->chipRegs[i].address == address) return &pCam->chipRegs[i];
    }
    return nullptr;
}

const SimChipRegister *FindChipRegister(const SimCamera *pCam, WORD address) {
    for (LONG i = 0; i < pCam->chipRegCount; ++i) {
        if (pCam->chipRegs[i].address == address) return &pCam->chipRegs[i];
    }
    return nullptr;
}

WORD StoredChipValue(const SimCamera *pCam, WORD address) {
    const SimChipRegister *pReg = FindChipRegister(pCam, address);
    return pReg ? pReg->value : 0;
}

void StoreChipValue(SimCamera *pCam, WORD address, WORD value) {
    SimChipRegister *pReg = FindChipRegister(pCam, address);
    if (!pReg) {
        if (pCam->chipRegCount >= SIM_MAX_CHIP_REGS) return;  // the table is full: the write is lost
        pReg = &pCam->chipRegs[pCam->chipRegCount++];
        pReg->address = address;
    }
    pReg->value = value;
}

// Brings the time-dependent registers up to now.
void Advance(SimCamera *pCam) {
    DWORD dwNow = GetTickCount();
    if (pCam->ackPending && Reached(dwNow, pCam->ackClearTick)) {
        pCam->ackPending = 0;
        pCam->sensor[SIM_REG_AF_ACK] = 0;
    }
    if (pCam->lensMoving && Elapsed(dwNow, pCam->lensMoveTick) >= pCam->lensMoveMs) {
        pCam->lensMoving = 0;
        pCam->lensPosition = pCam->lensTo;
    }
    if (pCam->afRunning && Elapsed(dwNow, pCam->afStartTick) >= SIM_AF_SETTLE_MS) {
        pCam->afRunning = 0;
        pCam->sensor[SIM_REG_AF_STATE] = SIM_AF_STATE_FOCUSED;
    }
}

// Lens position now, with a travel in progress interpolated (after Advance).
LONG LensNow(const SimCamera *pCam) {
    if (!pCam->lensMoving || pCam->lensMoveMs == 0) return pCam->lensPosition;
    DWORD dwElapsed = Elapsed(GetTickCount(), pCam->lensMoveTick);
    if (dwElapsed >= pCam->lensMoveMs) return pCam->lensTo;
    LONG lSpan = pCam->lensTo - pCam->lensFrom;
    return pCam->lensFrom + static_cast<LONG>((static_cast<LONGLONG>(lSpan) * dwElapsed) / pCam->lensMoveMs);
}

// Stops the lens where it is now.
void StopLens(SimCamera *pCam) {
    pCam->lensPosition = LensNow(pCam);
    pCam->lensMoving = 0;
}

void StartLensTravel(SimCamera *pCam, LONG lTarget, DWORD dwMs) {
    LONG lFrom = LensNow(pCam);
    pCam->lensFrom = lFrom;
    pCam->lensTo = lTarget;
    pCam->lensPosition = lFrom;
    pCam->lensMoveTick = GetTickCount();
    pCam->lensMoveMs = dwMs;
    pCam->lensMoving = 1;
}

void Acknowledge(SimCamera *pCam, DWORD dwMs) {
    if (pCam->stickyAck) return;
    pCam->ackPending = 1;
    pCam->ackClearTick = GetTickCount() + dwMs;
}

void RunAfCommand(SimCamera *pCam, BYTE command) {
    switch (command) {
    case SIM_AF_CMD_SINGLE:
        StartLensTravel(pCam, pCam->bestPosition, SIM_AF_SETTLE_MS);
        pCam->afRunning = 1;
        pCam->afStartTick = pCam->lensMoveTick;
        pCam->sensor[SIM_REG_AF_STATE] = SIM_AF_STATE_FOCUSING;
        Acknowledge(pCam, SIM_AF_ACK_MS);
        break;
    case SIM_AF_CMD_RELEASE:
        StopLens(pCam);
        pCam->afRunning = 0;
        pCam->sensor[SIM_REG_AF_STATE] = SIM_AF_STATE_MANUAL;
        Acknowledge(pCam, SIM_CMD_ACK_MS);
        break;
    case SIM_AF_CMD_MOVE:
        pCam->afRunning = 0;
        StartLensTravel(pCam, pCam->sensor[SIM_REG_AF_LENS], SIM_LENS_MOVE_MS);
        pCam->sensor[SIM_REG_AF_STATE] = SIM_AF_STATE_MANUAL;
        Acknowledge(pCam, SIM_CMD_ACK_MS);
        break;
    case SIM_AF_CMD_REPORT:
        pCam->sensor[SIM_REG_AF_LENS] = static_cast<BYTE>(LensNow(pCam));
        Acknowledge(pCam, SIM_CMD_ACK_MS);
        break;
    default:
        Acknowledge(pCam, SIM_CMD_ACK_MS);
        break;
    }
}

// Autofocus back to its power-up state: manual focus, lens parked.
void ResetAutofocus(SimCamera *pCam) {
    pCam->afRunning = 0;
    pCam->lensMoving = 0;
    pCam->ackPending = 0;
    pCam->lensPosition = pCam->initialLens;
    pCam->sensor[SIM_REG_AF_COMMAND] = 0;
    pCam->sensor[SIM_REG_AF_ACK] = 0;
    pCam->sensor[SIM_REG_AF_PARAM] = 0;
    pCam->sensor[SIM_REG_AF_LENS] = 0;
    pCam->sensor[SIM_REG_AF_STATE] = SIM_AF_STATE_MANUAL;
    pCam->sensor[SIM_REG_STROBE_MODE] = 0;
    pCam->sensor[SIM_REG_STROBE] = 0;
    pCam->xuAnnounced = 0;
    ZeroMemory(pCam->xuPacket, sizeof(pCam->xuPacket));
}

HRESULT SensorTransfer(SimCamera *pCam, const BYTE *pPacket) {
    // The announce is used up by this transfer whatever becomes of it.
    LONG lAnnounced = pCam->xuAnnounced;
    pCam->xuAnnounced = 0;
    if (lAnnounced != SIM_XU_PACKET_SIZE) return SIM_E_NOT_ANNOUNCED;
    if (!SimSensorReady(pCam)) return SIM_E_SENSOR_BUSY;
    bool bWrite = pPacket[0] == 0x79;
    bool bRead = pPacket[0] == 0x78;
    if ((!bWrite && !bRead) || pPacket[1] != 2 || pPacket[2] != 1) return SIM_E_BAD_PACKET;
    WORD address = static_cast<WORD>(pPacket[3] | (pPacket[4] << 8));
    CopyMemory(pCam->xuPacket, pPacket, SIM_XU_PACKET_SIZE);
    if (bWrite) {
        SimSensorWrite(pCam, address, pPacket[6]);
    } else {
        pCam->xuPacket[6] = SimSensorRead(pCam, address);
        pCam->xuPacket[7] = 0;
    }
    return S_OK;
}

}  // namespace

BYTE SimSensorRead(SimCamera *pCam, WORD address) {
    Advance(pCam);
    if (address == SIM_REG_AF_STATE && pCam->holdFocusState >= 0) return static_cast<BYTE>(pCam->holdFocusState);
    return pCam->sensor[address];
}

void SimSensorWrite(SimCamera *pCam, WORD address, BYTE value) {
    Advance(pCam);
    switch (address) {
    case SIM_REG_AF_STATE:
        break;  // owned by the firmware
    case SIM_REG_AF_ACK:
        pCam->sensor[address] = value;
        pCam->ackPending = 0;
        break;
    case SIM_REG_AF_COMMAND:
        pCam->sensor[address] = value;
        RunAfCommand(pCam, value);
        break;
    default:
        pCam->sensor[address] = value;
        break;
    }
}

void SimSensorPoke(SimCamera *pCam, WORD address, BYTE value) {
    Advance(pCam);
    if (address == SIM_REG_AF_STATE) pCam->afRunning = 0;
    if (address == SIM_REG_AF_ACK) pCam->ackPending = 0;
    pCam->sensor[address] = value;
}

WORD SimChipRead(SimCamera *pCam, WORD address) {
    switch (address) {
    case SIM_CHIP_SENSOR_STATE:
        if (pCam->holdSensorState >= 0) return static_cast<WORD>(pCam->holdSensorState);
        return SimSensorReady(pCam) ? SIM_SENSOR_STATE_READY : SIM_SENSOR_STATE_BUSY;
    case SIM_CHIP_GPI: {
        WORD value = static_cast<WORD>(StoredChipValue(pCam, address) & ~3u);
        if (!pCam->flashConnected) value |= 2;
        if (pCam->gpiLatch) value |= 1;
        return value;
    }
    default:
        return StoredChipValue(pCam, address);
    }
}

void SimChipWrite(SimCamera *pCam, WORD address, WORD value) {
    switch (address) {
    case SIM_CHIP_ANNOUNCE:
        pCam->xuAnnounced = value;
        StoreChipValue(pCam, address, value);
        break;
    case SIM_CHIP_GPI:
        if ((value & 1) == 0) pCam->gpiLatch = 0;
        break;
    case SIM_CHIP_RESET:
        if (value & SIM_RESET_VALUE) {
            ResetAutofocus(pCam);
            pCam->readyAtTick = GetTickCount() + pCam->resetNotReadyMs;
        }
        StoreChipValue(pCam, address, static_cast<WORD>(value & ~SIM_RESET_VALUE));  // self-clearing
        break;
    case SIM_CHIP_SENSOR_STATE:
        break;  // read-only
    default:
        StoreChipValue(pCam, address, value);
        break;
    }
}

void SimChipPoke(SimCamera *pCam, WORD address, WORD value) {
    switch (address) {
    case SIM_CHIP_GPI:
        pCam->flashConnected = (value & 2) ? 0 : 1;
        pCam->gpiLatch = value & 1;
        StoreChipValue(pCam, address, static_cast<WORD>(value & ~3u));
        break;
    case SIM_CHIP_SENSOR_STATE:
        pCam->holdSensorState = value;
        break;
    case SIM_CHIP_ANNOUNCE:
        pCam->xuAnnounced = value;
        StoreChipValue(pCam, address, value);
        break;
    case SIM_CHIP_TEST_ANNOUNCE_STALL:
        pCam->announceStallMs = value;
        break;
    default:
        StoreChipValue(pCam, address, value);
        break;
    }
}

bool SimSensorReady(const SimCamera *pCam) { return Reached(GetTickCount(), pCam->readyAtTick); }

void SimCameraPowerUp(SimCamera *pCam) {
    ResetAutofocus(pCam);
    pCam->readyAtTick = GetTickCount() + pCam->notReadyMs;
}

void SimLatchGpi(SimCamera *pCam) { pCam->gpiLatch = 1; }

HRESULT SimXUGet(SimCamera *pCam, ULONG selector, ULONG length, BYTE *pBuffer) {
    switch (selector) {
    case SIM_XU_CHIP_ID:
        if (length != sizeof(pCam->chipIdBytes)) return E_INVALIDARG;
        CopyMemory(pBuffer, pCam->chipIdBytes, sizeof(pCam->chipIdBytes));
        return S_OK;
    case SIM_XU_SENSOR:
        if (length != SIM_XU_PACKET_SIZE) return E_INVALIDARG;
        CopyMemory(pBuffer, pCam->xuPacket, SIM_XU_PACKET_SIZE);
        return S_OK;
    default:
        return SIM_E_NO_CONTROL;
    }
}

HRESULT SimXUSet(SimCamera *pCam, ULONG selector, ULONG length, const BYTE *pBuffer) {
    switch (selector) {
    case SIM_XU_CHIP_ID:
        return SIM_E_READ_ONLY;
    case SIM_XU_SENSOR:
        if (length != SIM_XU_PACKET_SIZE) {
            pCam->xuAnnounced = 0;
            return E_INVALIDARG;
        }
        return SensorTransfer(pCam, pBuffer);
    default:
        return SIM_E_NO_CONTROL;
    }
}

bool SimStrobeOn(const SimCamera *pCam) { return StoredChipValue(pCam, SIM_CHIP_GPO8) == SIM_GPO8_ON; }

LONG SimCurrentLens(SimCamera *pCam) {
    Advance(pCam);
    return LensNow(pCam);
}
