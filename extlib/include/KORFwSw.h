/*
 * KORFwSw.h - camera-extension library for the Tessaline 5-megapixel UVC
 * camera (USB 2C7A/04E1).
 *
 * The library opens a session with the camera's vendor extension-unit
 * component (InitLibrary) and then offers the camera's own features: sensor
 * register reads, autofocus and manual focus, the LED strobe, general-purpose
 * output 8 and the inputs, and the sensor, firmware and bridge-chip
 * identification.
 *
 * Results: 1 for success and -1 for failure unless a function says otherwise;
 * the reason of a failure is left in the thread's last-error value
 * (GetLastError), one of the ERR_... codes below (0x20000000 to 0x20000009),
 * or ERROR_INVALID_PARAMETER for a null pointer argument. Only InitLibrary,
 * DeInitLibrary, IsKORCamera and a successful AFFreezeControl set the last
 * error to 0 on success; the other functions leave it untouched when they
 * succeed. Every out-value lives in memory the caller owns.
 *
 * Threads: the library has no threads of its own. One process-wide lock
 * makes each single access to the component whole: a sensor register
 * transfer (announce, packet and reply), a chip register read or write, the
 * input read-and-acknowledge of GetGPIStatus, and a session change
 * (InitLibrary, DeInitLibrary), so DeInitLibrary cannot pull the session from
 * under a call on another thread. It does not make a whole function one
 * step: a function that makes several accesses (autofocus, focus position,
 * strobe, sensor ID ...) may have another thread's access between two of
 * them. The lock is never held while the library sleeps. The component
 * objects are created on the thread that calls InitLibrary (its COM
 * apartment); the library is meant to be driven from that thread, with one
 * exception: the strobe-off call ControlGPO(8, 0) may come from a second
 * thread (a capture streaming thread) while the first is inside another
 * call. That call reaches the in-process component objects directly, so the
 * component must tolerate calls from a second thread as long as they are
 * serialised, which the library guarantees.
 *
 * Usable from C and C++. Functions use the C calling convention.
 */
#ifndef KOR_EXTLIB_INCLUDE_KORFWSW_H
#define KOR_EXTLIB_INCLUDE_KORFWSW_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The DLL exports through its module-definition file (plain names). */
#ifdef KORFWSW_BUILDING_DLL
#define KORFWSW_API
#else
#define KORFWSW_API __declspec(dllimport)
#endif

#define KORFWSW_CALL __cdecl

/* Last-error codes (ERR_...). */
#define ERR_VMDEVICE_CREATE    0x20000000UL /* creating the device lister failed */
#define ERR_XUCONTROL_CREATE   0x20000001UL /* creating the register object failed */
#define ERR_NO_CAPTURE_DEVICES 0x20000002UL /* the component listed no device */
#define ERR_NOT_KOR_CAMERA     0x20000003UL /* not the requested camera / not ours */
#define ERR_STROBE_UPDATE      0x20000004UL /* a strobe register write failed */
#define ERR_XU_TRANSFER        0x20000005UL /* a component operation failed */
#define ERR_NOT_INITIALISED    0x20000006UL /* no session: call InitLibrary first */
#define ERR_FOCUS_RANGE        0x20000007UL /* focus position outside 0..255 */
#define ERR_GPO_NUMBER         0x20000008UL /* output number other than 8 */
#define ERR_SENSOR_NOT_READY   0x20000009UL /* sensor not ready for register traffic */

/* Focus modes (AFFreezeControl) and focus states (GetAFStatus). */
#define AF_MANUAL                 3
#define AF_SINGLE_TRIGGER         5
#define AF_SINGLE_TRIGGER_FOCUSED 6

/* Session. InitLibrary takes the device's interface path (its "DevicePath"),
   waits 500 ms, and returns 1 with a session open or -1. When only the
   camera's firmware version cannot be read it returns -1 with
   ERR_XU_TRANSFER but leaves the session open and usable, with the version
   the last successful read gave. DeInitLibrary always
   returns 1. IsKORCamera lowercases the path in place and returns 1 when it
   names a USB device with the camera's vendor and product IDs, else 0. */
KORFWSW_API int KORFWSW_CALL InitLibrary(const WCHAR *pszDevicePath);
KORFWSW_API int KORFWSW_CALL DeInitLibrary(void);
KORFWSW_API int KORFWSW_CALL IsKORCamera(WCHAR *pszDevicePath);

/* Autofocus. AFFreezeControl: AF_MANUAL or AF_SINGLE_TRIGGER; returns 0 for
   any other mode. GetAFStatus gives AF_MANUAL, AF_SINGLE_TRIGGER (focusing)
   or AF_SINGLE_TRIGGER_FOCUSED, or -1 for an unknown state (and returns -1);
   it takes at least 360 ms. Focus positions are 0..255. */
KORFWSW_API int KORFWSW_CALL AFFreezeControl(int iMode);
KORFWSW_API int KORFWSW_CALL GetAFStatus(int *piStatus);
KORFWSW_API int KORFWSW_CALL SetManualFocusPosition(SHORT sPosition);
KORFWSW_API int KORFWSW_CALL GetManualFocusPosition(SHORT *psPosition);

/* Strobe and I/O. StrobeControl: 6 enables, 7 disables the LED strobe.
   ControlGPO: output 8 only; state 1 on, 0 off (other states do nothing).
   GetGPIStatus: bit 0 set while no flash is connected, bits 1 and 2 the
   other inputs; reading acknowledges the latched input. */
KORFWSW_API int KORFWSW_CALL StrobeControl(USHORT usType);
KORFWSW_API int KORFWSW_CALL ControlGPO(int iOutput, int iState);
KORFWSW_API int KORFWSW_CALL GetGPIStatus(int *piInputBits);

/* Identification. GetFirmwareVersionInfo writes a text such as
   "2013.5.21 Ver 7" into a buffer of at least 30 characters. */
KORFWSW_API int KORFWSW_CALL GetSensorId(int *piSensorId);
KORFWSW_API int KORFWSW_CALL GetFirmwareVersionInfo(WCHAR *pszVersion);
KORFWSW_API int KORFWSW_CALL GetUVCChipId(USHORT *pusChipId);

/* Sensor registers. ReadRegister returns the 8-bit value (0..255) or -1.
   IsSensorReady returns 1 or 0. ResetUSBCamera returns 1 with a session,
   0 without. */
KORFWSW_API int KORFWSW_CALL ReadRegister(USHORT usAddress);
KORFWSW_API int KORFWSW_CALL IsSensorReady(void);
KORFWSW_API int KORFWSW_CALL ResetUSBCamera(void);

#ifdef __cplusplus
}
#endif

#endif /* KOR_EXTLIB_INCLUDE_KORFWSW_H */
