// Module.cpp - the in-process server of simcam.dll: DllMain, one generic
// class factory over the class table, server lifetime and registration.
#include <windows.h>
#include <objbase.h>
#include <strsafe.h>

#include <new>

#include "SimSharedState.h"
#include "ComObject.h"
#include "Module.h"
#include "SimGuids.h"
#include "SimTrace.h"
#include "component/XUComponent.h"
#include "decoder/VideoCodec.h"
#include "filter/DeviceRegistration.h"
#include "filter/SourceFilter.h"
#include "pages/Pages.h"

// Every class simcam.dll serves. Add new classes here.
const SimClassEntry kSimClasses[] = {
    {&CLSID_SimCamSource, L"Tessaline Video Capture", SimCreateSourceFilter},
    {&CLSID_SimVMDevice, L"CVMDevice", SimCreateVMDevice},
    {&CLSID_SimXUVMControl, L"CXUVMControl", SimCreateXUVMControl},
    {&CLSID_SimCamImagePage, L"SimCam Image Properties Page", SimCreateImagePage},
    {&CLSID_SimCamFormatPage, L"SimCam Stream Format Page", SimCreateFormatPage},
};
const int kSimClassCount = static_cast<int>(sizeof(kSimClasses) / sizeof(kSimClasses[0]));

// Registration steps beyond the class keys. Add new steps above the end
// marker; the marker itself is never called.
const SimRegistrar kSimRegistrars[] = {
    {L"video-input devices", SimRegisterVideoDevices},
    {L"video decompressor", SimRegisterVideoCodecStep},
    {nullptr, nullptr},  // end marker
};
const int kSimRegistrarCount = static_cast<int>(sizeof(kSimRegistrars) / sizeof(kSimRegistrars[0])) - 1;

namespace {

HINSTANCE g_hModule = nullptr;
WCHAR g_szModulePath[MAX_PATH * 2] = L"";
LONG g_lServerRefs = 0;  // live objects and LockServer(TRUE) calls

// ---------------------------------------------------------------------------
// Class factory: one object per DllGetClassObject call, bound to one entry.

class SimClassFactory final : public SimComObject<IClassFactory> {
public:
    explicit SimClassFactory(const SimClassEntry *pEntry)
        : SimComObject<IClassFactory>(IID_IClassFactory), m_pEntry(pEntry) {}

    STDMETHODIMP CreateInstance(IUnknown *pUnkOuter, REFIID riid, void **ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (pUnkOuter) return CLASS_E_NOAGGREGATION;
        return m_pEntry->pfnCreate(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL bLock) override {
        if (bLock)
            SimModuleAddRef();
        else
            SimModuleRelease();
        return S_OK;
    }

private:
    const SimClassEntry *m_pEntry;
};

// ---------------------------------------------------------------------------
// Registration: HKCR\CLSID\{clsid} = name, InprocServer32 = module path with
// ThreadingModel Both.

HRESULT ClsidKeyName(const CLSID &clsid, WCHAR *pszKey, size_t cchKey) {
    WCHAR szClsid[64];
    if (StringFromGUID2(clsid, szClsid, ARRAYSIZE(szClsid)) == 0) return E_UNEXPECTED;
    return StringCchPrintfW(pszKey, cchKey, L"CLSID\\%ls", szClsid);
}

HRESULT SetStringValue(HKEY hKey, const WCHAR *pszName, const WCHAR *pszValue) {
    DWORD cb = static_cast<DWORD>((lstrlenW(pszValue) + 1) * sizeof(WCHAR));
    LONG lErr = RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE *>(pszValue), cb);
    return HRESULT_FROM_WIN32(lErr);
}

HRESULT WriteKeyWithValue(const WCHAR *pszKey, const WCHAR *pszName, const WCHAR *pszValue, HKEY *phKey) {
    HKEY hKey = nullptr;
    LONG lErr = RegCreateKeyExW(HKEY_CLASSES_ROOT, pszKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                &hKey, nullptr);
    if (lErr != ERROR_SUCCESS) return HRESULT_FROM_WIN32(lErr);
    HRESULT hr = SetStringValue(hKey, pszName, pszValue);
    if (SUCCEEDED(hr) && phKey) {
        *phKey = hKey;
    } else {
        RegCloseKey(hKey);
    }
    return hr;
}

HRESULT RegisterClassEntry(const SimClassEntry &entry) {
    WCHAR szKey[128];
    HRESULT hr = ClsidKeyName(*entry.pClsid, szKey, ARRAYSIZE(szKey));
    if (FAILED(hr)) return hr;
    hr = WriteKeyWithValue(szKey, nullptr, entry.pszName, nullptr);
    if (FAILED(hr)) return hr;
    WCHAR szServerKey[160];
    hr = StringCchPrintfW(szServerKey, ARRAYSIZE(szServerKey), L"%ls\\InprocServer32", szKey);
    if (FAILED(hr)) return hr;
    HKEY hServer = nullptr;
    hr = WriteKeyWithValue(szServerKey, nullptr, SimModulePath(), &hServer);
    if (FAILED(hr)) return hr;
    hr = SetStringValue(hServer, L"ThreadingModel", L"Both");
    RegCloseKey(hServer);
    return hr;
}

// Removes the class key and everything below it; a missing key is fine.
HRESULT UnregisterClassEntry(const SimClassEntry &entry) {
    WCHAR szKey[128];
    HRESULT hr = ClsidKeyName(*entry.pClsid, szKey, ARRAYSIZE(szKey));
    if (FAILED(hr)) return hr;
    LONG lErr = RegDeleteTreeW(HKEY_CLASSES_ROOT, szKey);
    if (lErr == ERROR_FILE_NOT_FOUND) return S_OK;
    return HRESULT_FROM_WIN32(lErr);
}

// "registration step video-input devices", say, with the step's result.
void TraceStep(const WCHAR *pszWhat, const WCHAR *pszName, HRESULT hr) {
    WCHAR szOperation[128];
    (void)StringCchPrintfW(szOperation, ARRAYSIZE(szOperation), L"%ls %ls", pszWhat, pszName);
    SimTraceFailure(szOperation, hr);
}

void UndoRegistrars(int iCount) {
    for (int i = iCount - 1; i >= 0; --i) {
        (void)kSimRegistrars[i].pfnRegister(FALSE);
    }
}

void UndoClasses(int iCount) {
    for (int i = iCount - 1; i >= 0; --i) {
        (void)UnregisterClassEntry(kSimClasses[i]);
    }
}

}  // namespace

HINSTANCE SimModuleInstance() { return g_hModule; }

const WCHAR *SimModulePath() { return g_szModulePath; }

void SimModuleAddRef() { InterlockedIncrement(&g_lServerRefs); }

void SimModuleRelease() { InterlockedDecrement(&g_lServerRefs); }

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved) {
    switch (dwReason) {
    case DLL_PROCESS_ATTACH:
        g_hModule = hInstance;
        DisableThreadLibraryCalls(hInstance);
        if (GetModuleFileNameW(hInstance, g_szModulePath, ARRAYSIZE(g_szModulePath)) == 0) {
            g_szModulePath[0] = L'\0';
        }
        break;
    case DLL_PROCESS_DETACH:
        // On process exit the system takes the mapping down; only a dynamic
        // unload has to give it back.
        if (pReserved == nullptr) SimStateShutdown();
        break;
    default:
        break;
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID *ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (int i = 0; i < kSimClassCount; ++i) {
        if (!IsEqualCLSID(rclsid, *kSimClasses[i].pClsid)) continue;
        return SimHandOut(new (std::nothrow) SimClassFactory(&kSimClasses[i]), riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return g_lServerRefs == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    if (g_szModulePath[0] == L'\0') {
        SimTraceFailure(L"register simcam.dll: find its own path", E_UNEXPECTED);
        return E_UNEXPECTED;
    }
    for (int i = 0; i < kSimClassCount; ++i) {
        HRESULT hr = RegisterClassEntry(kSimClasses[i]);
        if (FAILED(hr)) {
            TraceStep(L"register class", kSimClasses[i].pszName, hr);
            UndoClasses(i + 1);
            return hr;
        }
    }
    for (int i = 0; i < kSimRegistrarCount; ++i) {
        HRESULT hr = kSimRegistrars[i].pfnRegister(TRUE);
        if (FAILED(hr)) {
            TraceStep(L"registration step", kSimRegistrars[i].pszName, hr);
            UndoRegistrars(i + 1);
            UndoClasses(kSimClassCount);
            return hr;
        }
    }
    return S_OK;
}

STDAPI DllUnregisterServer() {
    UndoRegistrars(kSimRegistrarCount);
    HRESULT hrResult = S_OK;
    for (int i = kSimClassCount - 1; i >= 0; --i) {
        HRESULT hr = UnregisterClassEntry(kSimClasses[i]);
        if (FAILED(hr)) {
            TraceStep(L"unregister class", kSimClasses[i].pszName, hr);
            hrResult = hr;
        }
    }
    return hrResult;
}
