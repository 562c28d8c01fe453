// DeviceRegistration.h - the cameras' entries in the video-input device
// category, where the system device enumerator lists them.
//
// Each present camera of the active scenario has one key
// HKCR\CLSID\{860BB310-5D01-11d0-BD3B-00A0C911CE86}\Instance\simcam-<index>
// with the values CLSID (the capture filter), FriendlyName, DevicePath and
// SimCamIndex. The device moniker binds the filter and hands it that key as
// a property bag; the filter finds its camera by DevicePath. Keys with the
// "simcam-" prefix are ours: a sync removes those no present camera needs.
#ifndef KOR_SIMCAM_FILTER_DEVICEREGISTRATION_H
#define KOR_SIMCAM_FILTER_DEVICEREGISTRATION_H

#include <windows.h>

// Registration step for DllRegisterServer (bRegister TRUE: the scenario's
// cameras) and DllUnregisterServer (FALSE: every key of ours removed).
HRESULT SimRegisterVideoDevices(BOOL bRegister);

#endif  // KOR_SIMCAM_FILTER_DEVICEREGISTRATION_H
