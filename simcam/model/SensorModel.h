// SensorModel.h - the sensor's registers and autofocus firmware and the
// bridge chip's registers and extension-unit controls, on one camera of the
// shared state.
#ifndef KOR_SIMCAM_MODEL_SENSORMODEL_H
#define KOR_SIMCAM_MODEL_SENSORMODEL_H

#include <windows.h>

#include "SimSharedState.h"

// Register model (lock held). Time-dependent registers (0x3023, 0x3029,
// 0xB306) are evaluated against GetTickCount at the time of the access.
BYTE SimSensorRead(SimCamera *pCam, WORD address);
void SimSensorWrite(SimCamera *pCam, WORD address, BYTE value);
WORD SimChipRead(SimCamera *pCam, WORD address);
void SimChipWrite(SimCamera *pCam, WORD address, WORD value);

// Direct access for the control API (lock held): sets what the register
// holds, bypassing the firmware model. A poke of 0x3029 ends a running
// autofocus, a poke of 0x3023 cancels a pending acknowledge; a poke of chip
// register 0x8107 sets the flash presence (bit 1 = no flash) and the latch.
void SimSensorPoke(SimCamera *pCam, WORD address, BYTE value);
void SimChipPoke(SimCamera *pCam, WORD address, WORD value);

// Sensor ready for register traffic (0xB306 would read 4 without a hold).
bool SimSensorReady(const SimCamera *pCam);
// Power-up (scenario load, plug-in): autofocus idle in manual focus at the
// initial lens position, sensor not ready for notReadyMs.
void SimCameraPowerUp(SimCamera *pCam);
// Sets the 0x8107 latch (bit 0): a flash was connected or disconnected, a
// still was taken.
void SimLatchGpi(SimCamera *pCam);

// Extension-unit controls of the bridge (lock held). Return S_OK or a
// failure HRESULT; Get fills pBuffer only on success.
HRESULT SimXUGet(SimCamera *pCam, ULONG selector, ULONG length, BYTE *pBuffer);
HRESULT SimXUSet(SimCamera *pCam, ULONG selector, ULONG length, const BYTE *pBuffer);

// Derived picture state (lock held).
bool SimStrobeOn(const SimCamera *pCam);  // GPO 8 output on (0xB03C == 0x22)
LONG SimCurrentLens(SimCamera *pCam);     // lens position, moving during autofocus

#endif  // KOR_SIMCAM_MODEL_SENSORMODEL_H
