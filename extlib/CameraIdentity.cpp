// CameraIdentity.cpp - IsKORCamera: is a device path this system's camera?
#include <windows.h>

#include <string.h>
#include <strsafe.h>

#include "KORFwSw.h"
#include "LibTrace.h"

namespace {

// The camera's USB identity, four hexadecimal digits each.
const WCHAR kKorVendorId[] = L"2C7A";
const WCHAR kKorProductId[] = L"04E1";

const size_t kUsbIdCch = 4;

// Lowercases ASCII letters A to Z in place; every other character stays.
void LowercaseAscii(WCHAR *psz) {
    for (; *psz; ++psz) {
        if (*psz >= L'A' && *psz <= L'Z') *psz = static_cast<WCHAR>(*psz - L'A' + L'a');
    }
}

// Copies the (up to) four characters after the first occurrence of
// pszMarker in pszPath, or "FFFF" when the marker is absent.
void CutUsbId(const WCHAR *pszPath, const WCHAR *pszMarker, WCHAR *pszId, size_t cchId) {
    const WCHAR *pszFound = wcsstr(pszPath, pszMarker);
    if (!pszFound) {
        (void)StringCchCopyW(pszId, cchId, L"FFFF");
        return;
    }
    (void)StringCchCopyNW(pszId, cchId, pszFound + wcslen(pszMarker), kUsbIdCch);
}

// Compares an ID text with one of the camera's, regardless of letter case.
bool IsSameUsbId(WCHAR *pszId, const WCHAR *pszExpected) {
    WCHAR szExpected[kUsbIdCch + 1];
    (void)StringCchCopyW(szExpected, ARRAYSIZE(szExpected), pszExpected);
    LowercaseAscii(szExpected);
    LowercaseAscii(pszId);
    return wcscmp(pszId, szExpected) == 0;
}

}  // namespace

extern "C" int KORFWSW_CALL IsKORCamera(WCHAR *pszDevicePath) {
    if (!pszDevicePath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    LibTrace(L"DeviceName = %ls \r\n", pszDevicePath);
    LowercaseAscii(pszDevicePath);
    if (!wcsstr(pszDevicePath, L"usb")) {
        SetLastError(ERR_NOT_KOR_CAMERA);
        return 0;
    }

    WCHAR szVendor[kUsbIdCch + 1];
    WCHAR szProduct[kUsbIdCch + 1];
    CutUsbId(pszDevicePath, L"vid_", szVendor, ARRAYSIZE(szVendor));
    CutUsbId(pszDevicePath, L"pid_", szProduct, ARRAYSIZE(szProduct));
    if (!IsSameUsbId(szVendor, kKorVendorId) || !IsSameUsbId(szProduct, kKorProductId)) {
        SetLastError(ERR_NOT_KOR_CAMERA);
        return 0;
    }
    LibTrace(L"Pid and vid is matched\r\n");
    SetLastError(ERROR_SUCCESS);
    return 1;
}
