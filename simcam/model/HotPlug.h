// HotPlug.h - device-change notifications for the simulated cameras, sent the
// way Windows sends them for a capture device (HotPlug.cpp tells how).
#ifndef KOR_SIMCAM_MODEL_HOTPLUG_H
#define KOR_SIMCAM_MODEL_HOTPLUG_H

#include <windows.h>

// Announces that camera iCamera arrived (bArrived) or went, to every top-level
// window; dwFlags are SIM_NOTIFY_UPPERCASE and SIM_NOTIFY_TWICE. False for a
// bad index or when the record cannot be made.
bool SimAnnounceDeviceChange(int iCamera, bool bArrived, DWORD dwFlags);

#endif  // KOR_SIMCAM_MODEL_HOTPLUG_H
