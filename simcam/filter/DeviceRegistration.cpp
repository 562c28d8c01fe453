// DeviceRegistration.cpp - keeps the video-input category's instance keys in
// line with the cameras of the active scenario.
#include "filter/DeviceRegistration.h"

#include <objbase.h>
#include <strsafe.h>

#include "SimSharedState.h"
#include "server/SimGuids.h"
#include "SimTrace.h"

namespace {

const WCHAR kInstanceKey[] = L"CLSID\\{860BB310-5D01-11d0-BD3B-00A0C911CE86}\\Instance";
const WCHAR kKeyPrefix[] = L"simcam-";
const size_t kPrefixLength = ARRAYSIZE(kKeyPrefix) - 1;

struct DeviceEntry {
    bool bPresent;
    WCHAR szName[128];
    WCHAR szPath[256];
};

bool DevicesDisabled() {
    WCHAR szValue[8];
    DWORD cch = GetEnvironmentVariableW(L"SIMCAM_DEVICES", szValue, ARRAYSIZE(szValue));
    return cch > 0 && cch < ARRAYSIZE(szValue) && lstrcmpW(szValue, L"0") == 0;
}

HRESULT SetText(HKEY hKey, const WCHAR *pszName, const WCHAR *pszValue) {
    DWORD cb = static_cast<DWORD>((lstrlenW(pszValue) + 1) * sizeof(WCHAR));
    return HRESULT_FROM_WIN32(RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE *>(pszValue), cb));
}

HRESULT WriteDevice(HKEY hInstance, int iCamera, const DeviceEntry &entry) {
    WCHAR szKey[32];
    HRESULT hr = StringCchPrintfW(szKey, ARRAYSIZE(szKey), L"%s%d", kKeyPrefix, iCamera);
    if (FAILED(hr)) return hr;
    WCHAR szClsid[64];
    if (StringFromGUID2(CLSID_SimCamSource, szClsid, ARRAYSIZE(szClsid)) == 0) return E_UNEXPECTED;

    HKEY hKey = nullptr;
    LONG lErr =
        RegCreateKeyExW(hInstance, szKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &hKey, nullptr);
    if (lErr != ERROR_SUCCESS) {
        SimTraceFailure(L"RegCreateKeyEx (video-input device)", HRESULT_FROM_WIN32(lErr));
        return HRESULT_FROM_WIN32(lErr);
    }
    hr = SetText(hKey, L"CLSID", szClsid);
    if (SUCCEEDED(hr)) hr = SetText(hKey, L"FriendlyName", entry.szName);
    if (SUCCEEDED(hr)) hr = SetText(hKey, L"DevicePath", entry.szPath);
    if (SUCCEEDED(hr)) {
        DWORD dwIndex = static_cast<DWORD>(iCamera);
        hr = HRESULT_FROM_WIN32(RegSetValueExW(hKey, L"SimCamIndex", 0, REG_DWORD,
                                               reinterpret_cast<const BYTE *>(&dwIndex), sizeof(dwIndex)));
    }
    RegCloseKey(hKey);
    if (FAILED(hr)) SimTraceFailure(L"RegSetValueEx (video-input device)", hr);
    return hr;
}

// Index named by one of our key names, or -1 for a key that is not ours.
int IndexOfKey(const WCHAR *pszKey) {
    if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, pszKey, static_cast<int>(kPrefixLength), kKeyPrefix,
                       static_cast<int>(kPrefixLength)) != CSTR_EQUAL) {
        return -1;
    }
    const WCHAR *pch = pszKey + kPrefixLength;
    if (*pch == L'\0') return -1;
    int iIndex = 0;
    for (; *pch; ++pch) {
        if (*pch < L'0' || *pch > L'9' || iIndex > 1000) return -1;
        iIndex = iIndex * 10 + (*pch - L'0');
    }
    return iIndex;
}

// Removes our keys whose camera is not present (all of them with null).
void RemoveStaleKeys(HKEY hInstance, const DeviceEntry *pEntries, int iCount) {
    // Collect first: deleting while enumerating would skip keys.
    WCHAR aszStale[SIMCAM_MAX_CAMERAS * 4][64];
    int iStale = 0;
    WCHAR szKey[64];
    for (DWORD dwIndex = 0; iStale < static_cast<int>(ARRAYSIZE(aszStale)); ++dwIndex) {
        DWORD cch = ARRAYSIZE(szKey);
        LONG lErr = RegEnumKeyExW(hInstance, dwIndex, szKey, &cch, nullptr, nullptr, nullptr, nullptr);
        if (lErr == ERROR_MORE_DATA) continue;  // a name this long is not ours
        if (lErr != ERROR_SUCCESS) break;
        int iCamera = IndexOfKey(szKey);
        if (iCamera < 0) continue;
        bool bNeeded = pEntries && iCamera < iCount && pEntries[iCamera].bPresent;
        if (!bNeeded && SUCCEEDED(StringCchCopyW(aszStale[iStale], ARRAYSIZE(aszStale[iStale]), szKey))) ++iStale;
    }
    for (int i = 0; i < iStale; ++i) (void)RegDeleteTreeW(hInstance, aszStale[i]);
}

HRESULT OpenInstanceKey(HKEY *phKey) {
    LONG lErr = RegCreateKeyExW(HKEY_CLASSES_ROOT, kInstanceKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_READ | KEY_WRITE, nullptr, phKey, nullptr);
    if (lErr != ERROR_SUCCESS) SimTraceFailure(L"RegCreateKeyEx (video-input category)", HRESULT_FROM_WIN32(lErr));
    return HRESULT_FROM_WIN32(lErr);
}

HRESULT SyncDevices() {
    DeviceEntry entries[SIMCAM_MAX_CAMERAS];
    ZeroMemory(entries, sizeof(entries));
    int iCount = 0;
    {
        SimStateGuard state;
        if (!state.Get()) return SimStateError();
        iCount = state->cameraCount;
        if (iCount < 0) iCount = 0;
        if (iCount > SIMCAM_MAX_CAMERAS) iCount = SIMCAM_MAX_CAMERAS;
        for (int i = 0; i < iCount; ++i) {
            const SimCamera *pCam = state.Camera(i);
            if (!pCam) continue;
            entries[i].bPresent = pCam->present != 0;
            (void)StringCchCopyW(entries[i].szName, ARRAYSIZE(entries[i].szName), pCam->name);
            (void)StringCchCopyW(entries[i].szPath, ARRAYSIZE(entries[i].szPath), pCam->devicePath);
        }
    }

    HKEY hInstance = nullptr;
    HRESULT hr = OpenInstanceKey(&hInstance);
    if (FAILED(hr)) return hr;
    RemoveStaleKeys(hInstance, entries, iCount);
    for (int i = 0; i < iCount && SUCCEEDED(hr); ++i) {
        if (entries[i].bPresent) hr = WriteDevice(hInstance, i, entries[i]);
    }
    RegCloseKey(hInstance);
    return hr;
}

}  // namespace

void SimOnCamerasChanged() {
    if (DevicesDisabled()) return;
    HRESULT hr = SyncDevices();
    if (FAILED(hr)) SimTraceFailure(L"sync the video-input device registration", hr);
}

HRESULT SimRegisterVideoDevices(BOOL bRegister) {
    // A failed registration is traced by the module, with the step's name.
    if (bRegister) return DevicesDisabled() ? S_OK : SyncDevices();
    HKEY hInstance = nullptr;
    LONG lErr = RegOpenKeyExW(HKEY_CLASSES_ROOT, kInstanceKey, 0, KEY_READ | KEY_WRITE, &hInstance);
    if (lErr == ERROR_FILE_NOT_FOUND) return S_OK;
    if (lErr != ERROR_SUCCESS) {
        SimTraceFailure(L"unregister the video-input devices", HRESULT_FROM_WIN32(lErr));
        return HRESULT_FROM_WIN32(lErr);
    }
    RemoveStaleKeys(hInstance, nullptr, 0);
    RegCloseKey(hInstance);
    return S_OK;
}
