// SimSharedState.cpp - the shared camera state: one named file mapping and one
// named mutex per SIMCAM_INSTANCE, mapped once per process on first use. The
// process that creates the block loads the default scenario into it.
#include <windows.h>
#include <strsafe.h>
#include <wchar.h>

#include "SimSharedState.h"

#include "Scenario.h"
#include "SimTrace.h"

namespace {

INIT_ONCE g_initOnce = INIT_ONCE_STATIC_INIT;
HANDLE g_hMutex = nullptr;
HANDLE g_hMapping = nullptr;
SimShared *g_pShared = nullptr;
// Set when this process created the block: the device registration, which
// outlives the block, still describes whatever scenario the last block held.
LONG g_lSyncDevices = 0;
// Why the block could not be mapped (S_OK when it was).
HRESULT g_hrMapState = S_OK;

// The thread's last error as an HRESULT (E_FAIL when there is none).
HRESULT LastErrorResult() {
    DWORD dwError = GetLastError();
    return dwError != ERROR_SUCCESS ? HRESULT_FROM_WIN32(dwError) : E_FAIL;
}

// The instance suffix of the object names: SIMCAM_INSTANCE (empty when
// unset) with characters that object names cannot hold replaced. A value too
// long for the names fails: it must not fall back to the shared default.
HRESULT InstanceSuffix(WCHAR *pszSuffix, DWORD cchSuffix) {
    pszSuffix[0] = L'\0';
    SetLastError(ERROR_SUCCESS);
    DWORD cch = GetEnvironmentVariableW(L"SIMCAM_INSTANCE", pszSuffix, cchSuffix);
    if (cch == 0) {
        // Unset or empty: the default instance.
        DWORD dwError = GetLastError();
        pszSuffix[0] = L'\0';
        return dwError == ERROR_SUCCESS || dwError == ERROR_ENVVAR_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(dwError);
    }
    if (cch >= cchSuffix) {
        pszSuffix[0] = L'\0';
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    }
    for (DWORD i = 0; pszSuffix[i] != L'\0'; ++i) {
        if (pszSuffix[i] == L'\\') pszSuffix[i] = L'_';
    }
    return S_OK;
}

// Takes the lock; S_OK or the reason it could not be taken.
HRESULT WaitForLock(HANDLE hMutex) {
    DWORD dwWait = WaitForSingleObject(hMutex, INFINITE);
    // An abandoned lock (a process died holding it) is ours now.
    if (dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED) return S_OK;
    return dwWait == WAIT_FAILED ? LastErrorResult() : E_UNEXPECTED;
}

bool BlockIsCurrent(const SimShared *pState) {
    return pState->magic == SIM_STATE_MAGIC && pState->version == SIM_STATE_VERSION &&
           pState->structSize == sizeof(SimShared);
}

void InitialiseBlock(SimShared *pState) {
    ZeroMemory(pState, sizeof(*pState));
    pState->magic = SIM_STATE_MAGIC;
    pState->version = SIM_STATE_VERSION;
    pState->structSize = sizeof(SimShared);
    if (!SimParseScenario(pState, SimDefaultScenarioText())) {
        // The built-in text is tested; should it ever fail, start empty.
        SimTraceFailure(L"load the default scenario", E_UNEXPECTED);
        pState->cameraCount = 0;
    }
}

void CloseAll() {
    if (g_pShared) UnmapViewOfFile(g_pShared);
    if (g_hMapping) CloseHandle(g_hMapping);
    if (g_hMutex) CloseHandle(g_hMutex);
    g_pShared = nullptr;
    g_hMapping = nullptr;
    g_hMutex = nullptr;
}

// Traces a failed step of mapping the state and gives its result back.
HRESULT MapFailure(const WCHAR *pszStep, HRESULT hr) {
    SimTraceFailure(pszStep, hr);
    return hr;
}

// Opens (or creates) the lock and the block of this instance and maps it.
HRESULT MapBlock() {
    WCHAR szSuffix[64];
    HRESULT hr = InstanceSuffix(szSuffix, ARRAYSIZE(szSuffix));
    if (FAILED(hr)) return MapFailure(L"read SIMCAM_INSTANCE for the camera state", hr);
    WCHAR szMutex[96];
    WCHAR szMapping[96];
    hr = StringCchPrintfW(szMutex, ARRAYSIZE(szMutex), L"Local\\SimCamLock.%ls", szSuffix);
    if (SUCCEEDED(hr)) hr = StringCchPrintfW(szMapping, ARRAYSIZE(szMapping), L"Local\\SimCamState.%ls", szSuffix);
    if (FAILED(hr)) return MapFailure(L"name the camera state", hr);

    g_hMutex = CreateMutexW(nullptr, FALSE, szMutex);
    if (!g_hMutex) return MapFailure(L"create the camera state lock", LastErrorResult());
    hr = WaitForLock(g_hMutex);
    if (FAILED(hr)) return MapFailure(L"take the camera state lock", hr);
    g_hMapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    static_cast<DWORD>(sizeof(SimShared)), szMapping);
    if (!g_hMapping) {
        hr = MapFailure(L"create the camera state mapping", LastErrorResult());
    } else {
        g_pShared = static_cast<SimShared *>(
            MapViewOfFile(g_hMapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(SimShared)));
        if (!g_pShared) hr = MapFailure(L"map the camera state", LastErrorResult());
    }
    if (g_pShared && !BlockIsCurrent(g_pShared)) {
        // A new block (zero-filled by the system) or one left by another build.
        InitialiseBlock(g_pShared);
        g_lSyncDevices = 1;
    }
    ReleaseMutex(g_hMutex);
    return hr;
}

// Runs once per process. A failure is kept: every later use of the state
// fails with it.
BOOL CALLBACK MapState(PINIT_ONCE, PVOID, PVOID *) {
    g_hrMapState = MapBlock();
    if (FAILED(g_hrMapState)) CloseAll();
    return TRUE;
}

}  // namespace

SimShared *SimStateLock() {
    if (!InitOnceExecuteOnce(&g_initOnce, MapState, nullptr, nullptr)) {
        SimTraceLastError(L"map the camera state once");
        return nullptr;
    }
    if (!g_pShared) {
        // The mapping failed (traced then); so does every use of the state.
        SimTraceFailure(L"use the camera state", g_hrMapState);
        return nullptr;
    }
    if (InterlockedExchange(&g_lSyncDevices, 0) != 0) SimOnCamerasChanged();
    HRESULT hr = WaitForLock(g_hMutex);
    if (FAILED(hr)) {
        SimTraceFailure(L"take the camera state lock", hr);
        return nullptr;
    }
    return g_pShared;
}

HRESULT SimStateError() { return FAILED(g_hrMapState) ? g_hrMapState : E_UNEXPECTED; }

void SimStateUnlock() { ReleaseMutex(g_hMutex); }

void SimStateShutdown() { CloseAll(); }

SimCamera *SimStateGuard::Camera(int index) const {
    if (!m_pState || index < 0 || index >= m_pState->cameraCount) return nullptr;
    return &m_pState->cameras[index];
}

int SimFindCameraByPath(const SimShared *pState, const WCHAR *path) {
    if (!pState || !path) return -1;
    for (int i = 0; i < pState->cameraCount; ++i) {
        if (wcscmp(pState->cameras[i].devicePath, path) == 0) return i;
    }
    return -1;
}
