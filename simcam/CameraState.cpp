// CameraState.cpp - the shared camera state: one named file mapping and one
// named mutex per SIMCAM_INSTANCE, mapped once per process on first use. The
// process that creates the block loads the default scenario into it.
#include <windows.h>
#include <strsafe.h>
#include <wchar.h>

#include "CameraState.h"

namespace {

INIT_ONCE g_initOnce = INIT_ONCE_STATIC_INIT;
HANDLE g_hMutex = nullptr;
HANDLE g_hMapping = nullptr;
SimShared *g_pShared = nullptr;
// Set when this process created the block: the device registration, which
// outlives the block, still describes whatever scenario the last block held.
LONG g_lSyncDevices = 0;

// The instance suffix of the object names: SIMCAM_INSTANCE with characters
// that object names cannot hold replaced.
void InstanceSuffix(WCHAR *pszSuffix, DWORD cchSuffix) {
    DWORD cch = GetEnvironmentVariableW(L"SIMCAM_INSTANCE", pszSuffix, cchSuffix);
    if (cch == 0 || cch >= cchSuffix) {
        pszSuffix[0] = L'\0';
        return;
    }
    for (DWORD i = 0; pszSuffix[i] != L'\0'; ++i) {
        if (pszSuffix[i] == L'\\') pszSuffix[i] = L'_';
    }
}

bool WaitForLock(HANDLE hMutex) {
    DWORD dwWait = WaitForSingleObject(hMutex, INFINITE);
    // An abandoned lock (a process died holding it) is ours now.
    return dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED;
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

BOOL CALLBACK MapState(PINIT_ONCE, PVOID, PVOID *) {
    WCHAR szSuffix[64];
    InstanceSuffix(szSuffix, ARRAYSIZE(szSuffix));
    WCHAR szMutex[96];
    WCHAR szMapping[96];
    if (FAILED(StringCchPrintfW(szMutex, ARRAYSIZE(szMutex), L"Local\\SimCamLock.%s", szSuffix)) ||
        FAILED(StringCchPrintfW(szMapping, ARRAYSIZE(szMapping), L"Local\\SimCamState.%s", szSuffix))) {
        return TRUE;
    }
    g_hMutex = CreateMutexW(nullptr, FALSE, szMutex);
    if (!g_hMutex) return TRUE;
    if (!WaitForLock(g_hMutex)) {
        CloseAll();
        return TRUE;
    }
    g_hMapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    static_cast<DWORD>(sizeof(SimShared)), szMapping);
    if (g_hMapping) {
        g_pShared = static_cast<SimShared *>(
            MapViewOfFile(g_hMapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(SimShared)));
    }
    if (g_pShared && !BlockIsCurrent(g_pShared)) {
        // A new block (zero-filled by the system) or one left by another build.
        InitialiseBlock(g_pShared);
        g_lSyncDevices = 1;
    }
    ReleaseMutex(g_hMutex);
    if (!g_pShared) CloseAll();
    return TRUE;
}

}  // namespace

SimShared *SimStateLock() {
    if (!InitOnceExecuteOnce(&g_initOnce, MapState, nullptr, nullptr)) return nullptr;
    if (InterlockedExchange(&g_lSyncDevices, 0) != 0) SimOnCamerasChanged();
    if (!g_pShared || !WaitForLock(g_hMutex)) return nullptr;
    return g_pShared;
}

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

bool SimTakeFaultFor(SimShared *pState, const SimLogEntry &call, LONG *pResult) {
    bool bFail = false;
    for (LONG i = 0; i < pState->faultCount; ++i) {
        SimFault &fault = pState->faults[i];
        if (fault.op != static_cast<LONG>(call.op)) continue;
        if (fault.camera >= 0 && fault.camera != call.camera) continue;
        if (fault.argIndex >= 0 && (fault.argIndex > 2 || call.arg[fault.argIndex] != fault.argValue)) continue;
        ++fault.calls;
        if (!bFail && (fault.nth == 0 || fault.calls == fault.nth)) {
            bFail = true;
            *pResult = fault.result;
        }
    }
    return bFail;
}

bool SimTakeFault(SimShared *pState, SimOp op, LONG *pResult) {
    // No camera and no arguments known: only faults for any call match.
    bool bFail = false;
    for (LONG i = 0; i < pState->faultCount; ++i) {
        SimFault &fault = pState->faults[i];
        if (fault.op != op || fault.camera >= 0 || fault.argIndex >= 0) continue;
        ++fault.calls;
        if (!bFail && (fault.nth == 0 || fault.calls == fault.nth)) {
            bFail = true;
            *pResult = fault.result;
        }
    }
    return bFail;
}

void SimAppendLog(SimShared *pState, const SimLogEntry &entry) {
    DWORD dwSeq = ++pState->logCount;
    SimLogEntry &slot = pState->log[(dwSeq - 1) % SIMCAM_MAX_LOG];
    slot = entry;
    slot.seq = dwSeq;
}

DWORD SimLogHeld(const SimShared *pState) {
    return pState->logCount < SIMCAM_MAX_LOG ? pState->logCount : SIMCAM_MAX_LOG;
}

DWORD SimLogSlot(const SimShared *pState, DWORD index) {
    DWORD dwOldestSeq = pState->logCount - SimLogHeld(pState) + 1;
    return (dwOldestSeq - 1 + index) % SIMCAM_MAX_LOG;
}
