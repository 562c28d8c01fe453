// CodecRegistration.cpp - the Drivers32 values of the video decompressor
// (see CodecRegistration.h).
#include "CodecRegistration.h"

#include <strsafe.h>

#include "SimTrace.h"

namespace {

const WCHAR kDrivers32Key[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const WCHAR *const kCodecValues[] = {L"vidc.YUY2", L"vidc.MJPG"};

const WCHAR *FileNamePart(const WCHAR *pszPath) {
    const WCHAR *pszName = pszPath;
    for (const WCHAR *p = pszPath; *p; ++p)
        if (*p == L'\\' || *p == L'/' || *p == L':') pszName = p + 1;
    return pszName;
}

// The driver loader cuts a Drivers32 value at its first blank (what follows
// are arguments), so a path with blanks is given in its short form.
HRESULT GetDriverPath(const WCHAR *pszModulePath, WCHAR *pszOut, DWORD cchOut) {
    if (!wcschr(pszModulePath, L' ')) return StringCchCopyW(pszOut, cchOut, pszModulePath);
    const DWORD cch = GetShortPathNameW(pszModulePath, pszOut, cchOut);
    if (cch == 0) {
        HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        SimTraceFailure(L"GetShortPathName (decompressor path)", hr);
        return hr;
    }
    if (cch >= cchOut || wcschr(pszOut, L' ')) return HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME);
    return S_OK;
}

// TRUE when the value exists and names a driver file other than ours.
BOOL IsForeignDriver(HKEY hKey, const WCHAR *pszValue, const WCHAR *pszOurFile) {
    WCHAR szData[MAX_PATH + 64] = L"";
    DWORD cbData = sizeof(szData) - sizeof(WCHAR);  // room for a terminator the data may lack
    DWORD dwType = 0;
    const LONG lResult = RegQueryValueExW(hKey, pszValue, nullptr, &dwType, reinterpret_cast<BYTE *>(szData), &cbData);
    if (lResult == ERROR_FILE_NOT_FOUND) return FALSE;
    if (lResult != ERROR_SUCCESS || (dwType != REG_SZ && dwType != REG_EXPAND_SZ)) return TRUE;
    szData[cbData / sizeof(WCHAR)] = L'\0';
    // Arguments may follow the file after a blank.
    WCHAR *pszBlank = wcschr(szData, L' ');
    if (pszBlank) *pszBlank = L'\0';
    return lstrcmpiW(FileNamePart(szData), pszOurFile) != 0;
}

}  // namespace

HRESULT SimRegisterVideoCodec(const WCHAR *pszModulePath) {
    if (!pszModulePath) return E_POINTER;
    WCHAR szPath[MAX_PATH];
    HRESULT hr = GetDriverPath(pszModulePath, szPath, ARRAYSIZE(szPath));
    if (FAILED(hr)) return hr;

    HKEY hKey = nullptr;
    LONG lResult = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDrivers32Key, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                   nullptr, &hKey, nullptr);
    if (lResult != ERROR_SUCCESS) {
        SimTraceFailure(L"RegCreateKeyEx (Drivers32)", HRESULT_FROM_WIN32(lResult));
        return HRESULT_FROM_WIN32(lResult);
    }

    hr = S_OK;
    const DWORD cbPath = static_cast<DWORD>((wcslen(szPath) + 1) * sizeof(WCHAR));
    for (const WCHAR *pszValue : kCodecValues) {
        if (IsForeignDriver(hKey, pszValue, FileNamePart(szPath))) {
            hr = S_FALSE;  // that format keeps the system's own decompressor
            continue;
        }
        lResult = RegSetValueExW(hKey, pszValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(szPath), cbPath);
        if (lResult != ERROR_SUCCESS) {
            hr = HRESULT_FROM_WIN32(lResult);
            SimTraceFailure(L"RegSetValueEx (Drivers32)", hr);
            break;
        }
    }
    RegCloseKey(hKey);
    if (FAILED(hr)) (void)SimUnregisterVideoCodec(pszModulePath);
    return hr;
}

HRESULT SimUnregisterVideoCodec(const WCHAR *pszModulePath) {
    if (!pszModulePath) return E_POINTER;
    HKEY hKey = nullptr;
    LONG lResult = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDrivers32Key, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &hKey);
    if (lResult == ERROR_FILE_NOT_FOUND) return S_OK;
    if (lResult != ERROR_SUCCESS) return HRESULT_FROM_WIN32(lResult);

    HRESULT hr = S_OK;
    for (const WCHAR *pszValue : kCodecValues) {
        if (IsForeignDriver(hKey, pszValue, FileNamePart(pszModulePath))) continue;
        lResult = RegDeleteValueW(hKey, pszValue);
        if (lResult != ERROR_SUCCESS && lResult != ERROR_FILE_NOT_FOUND) hr = HRESULT_FROM_WIN32(lResult);
    }
    RegCloseKey(hKey);
    return hr;
}
