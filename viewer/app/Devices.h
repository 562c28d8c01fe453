// Devices.h - video device discovery, the Devices menu, camera selection and
// hot-plug.
#ifndef KOR_VIEWER_APP_DEVICES_H
#define KOR_VIEWER_APP_DEVICES_H

#include <windows.h>
#include <dbt.h>
#include <objidl.h>

// The device table holds this many devices; the menu lists them all, but
// only the first six (IDs 1015 to 1020) can be selected.
#define MAX_VIDEO_DEVICES 10
#define MENU_VDEVICE0     1015
#define MENU_VDEVICE_LAST 1020
#define DEVICE_NAME_CCH   255
// Position of the Devices popup on the menu bar.
#define DEVICES_MENU_POS 1

typedef HDEVNOTIFY(WINAPI *PFN_REGISTER_DEVICE_NOTIFICATION)(HANDLE hRecipient, LPVOID pFilter, DWORD dwFlags);
typedef BOOL(WINAPI *PFN_UNREGISTER_DEVICE_NOTIFICATION)(HDEVNOTIFY hHandle);

// The device table: entries 0 to g_imonikerIndx_vid - 1 each own one
// reference; entries past the count are null.
extern IMoniker *g_pVideoMonikers[MAX_VIDEO_DEVICES];
extern WCHAR g_szDeviceNames[MAX_VIDEO_DEVICES][DEVICE_NAME_CCH];
extern int g_imonikerIndx_vid;
// The current camera: a borrowed alias of one table entry, never released
// through this name.
extern IMoniker *g_curVideoMoniker;
extern BYTE g_SkipNextRemoval;
extern HDEVNOTIFY g_hDevNotify;
extern PFN_REGISTER_DEVICE_NOTIFICATION gpRegisterDeviceNotification;
extern PFN_UNREGISTER_DEVICE_NOTIFICATION gpUnregisterDeviceNotification;

namespace DeviceManager {
// Lists the video-input devices into the table. True when at least one
// device path was read and no device's properties failed to open.
bool DetectDevice();
}  // namespace DeviceManager

void ClearDeviceMenu();
void BuildDeviceMenu();
// Writes the moniker's "DevicePath" to pszPath (DEVICE_PATH_CCH characters);
// false, and pszPath untouched, when it cannot be read.
bool GetDevicePathForMoniker(IMoniker *pMoniker, WCHAR *pszPath);
// Makes the moniker the current camera: its path goes to g_szDevicePath
// (kept when it cannot be read), its IDs to g_SelctdVid and g_SelctdPid,
// and the library's session is opened on that path (g_LibStatus). Start-up
// selection and device selection both bind through it.
void BindCamera(IMoniker *pMoniker);
void SetCurrentDevicePath(IMoniker *pMoniker);
// Cuts the 4 characters after "vid_" and "pid_" out of the path. Either
// output may be null; each holds cchId characters (at least 5).
void GetVidPidForDevicePath(const WCHAR *pszPath, WCHAR *pszVid, size_t cchVid, WCHAR *pszPid, size_t cchPid);

void SelectStartupCamera();
void SelectDevice(int iCommand);
void RegisterDeviceNotifications();
void UnregisterDeviceNotifications();
// WM_DEVICECHANGE of the main window: the record is read, and the event
// handled now or, while another handler runs, after it.
void OnDeviceChange(WPARAM wParam, LPARAM lParam);
// One arrival or removal (DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE) of
// the capture device with this name.
void HandleDeviceChange(WPARAM wEvent, LPCWSTR pszName);

// Releases every table entry and empties the table (tests that run the
// viewer more than once; the viewer itself keeps the table to the end).
void ReleaseDeviceTable();

#endif  // KOR_VIEWER_APP_DEVICES_H
