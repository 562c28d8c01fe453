// SensorRegister.h - the image sensor's registers (16-bit addresses, 8-bit
// values), reached one 9-byte command packet at a time through the
// extension unit. ReadRegister, IsSensorReady and ResetUSBCamera are exports
// (KORFwSw.h); these are the library's own helpers.
#ifndef KOR_EXTLIB_SENSORREGISTER_H
#define KOR_EXTLIB_SENSORREGISTER_H

#include <windows.h>

// Writes one sensor register. Returns 1 written, 0 failure (code set). No
// readiness check and no wait; the sensor's own outcome is not read back.
int WriteSensorRegister(USHORT usAddress, USHORT usValue);

// The first checks of the feature exports: a session and a ready sensor.
// False with ERR_NOT_INITIALISED or ERR_SENSOR_NOT_READY set.
bool RequireReadySensor();

#endif  // KOR_EXTLIB_SENSORREGISTER_H
