// Devices.h - the video-input devices, as the system device enumerator lists
// them, and the camera a command works on.
#ifndef KOR_TOOLS_KORFW_DEVICES_H
#define KOR_TOOLS_KORFW_DEVICES_H

#include <windows.h>

#include <string>
#include <vector>

struct VideoDevice {
    std::wstring name;  // "FriendlyName"
    std::wstring path;  // "DevicePath" (empty when the device has none)
    bool bAccepted;     // IsKORCamera accepts the path
};

// Lists the devices of CLSID_VideoInputDeviceCategory in the enumerator's
// order. COM must be initialised on the calling thread. Returns the
// enumerator's failure, or S_OK (also for no device at all).
HRESULT ListVideoDevices(std::vector<VideoDevice> *pDevices);

#endif  // KOR_TOOLS_KORFW_DEVICES_H
