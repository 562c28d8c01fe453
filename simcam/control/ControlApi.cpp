// ControlApi.cpp - the plain C control functions of simcam.dll (see
// SimCamControl.h). Each one takes the state lock for its whole work.
#include <windows.h>
#include <strsafe.h>

#include <new>

#include "HotPlug.h"
#include "Scenario.h"
#include "SensorModel.h"
#include "SimCallLog.h"
#include "SimFaults.h"
#include "SimSharedState.h"

namespace {

const DWORD kMaxScenarioFile = 1024 * 1024;

// SimLastError hands out this copy (one per thread), so the text stays put
// while other threads and processes load scenarios.
thread_local char g_szLastError[256] = "";

void SetLastErrorText(SimShared *pState, const char *pszText) {
    (void)StringCchCopyA(pState->lastError, ARRAYSIZE(pState->lastError), pszText);
}

// After a successful load: no faults, no over-report, an empty log.
void ResetInjections(SimShared *pState) {
    pState->faultCount = 0;
    pState->enumerateOverreport = 0;
    pState->logCount = 0;
}

// A pin's current format: the one set, else its first capability, else none.
SimCapability CurrentFormat(const SimCapability &current, const SimCapability *pCaps, LONG lCount) {
    if (current.subtype != 0) return current;
    if (lCount > 0) return pCaps[0];
    SimCapability none = {0, 0, 0};
    return none;
}

// Whether a log entry is of op (0: any).
bool IsOp(const SimLogEntry &entry, int op) { return op == SIM_OP_NONE || entry.op == static_cast<DWORD>(op); }

// A sensor or chip register write (under the lock): 0 when there is no such camera.
template <typename Value>
int PokeRegister(int camera, WORD address, Value value, void (*pfnPoke)(SimCamera *, WORD, Value)) {
    SimStateGuard guard;
    SimCamera *pCam = guard.Camera(camera);
    if (!pCam) return 0;
    pfnPoke(pCam, address, value);
    return 1;
}

// A sensor or chip register read (under the lock): -1 when there is no such camera.
template <typename Value>
int ReadRegister(int camera, WORD address, Value (*pfnRead)(SimCamera *, WORD)) {
    SimStateGuard guard;
    SimCamera *pCam = guard.Camera(camera);
    return pCam ? pfnRead(pCam, address) : -1;
}

// Makes a state register of one camera read value (-1 releases it): 0 when
// there is no such camera or value is out of the register's range.
int HoldState(int camera, int value, int maxValue, LONG SimCamera::*pHeld) {
    SimStateGuard guard;
    SimCamera *pCam = guard.Camera(camera);
    if (!pCam || value < -1 || value > maxValue) return 0;
    pCam->*pHeld = value;
    return 1;
}

LONG Clamp(LONG lValue, LONG lMin, LONG lMax) { return lValue < lMin ? lMin : (lValue > lMax ? lMax : lValue); }

// Reads a whole file into a null-terminated heap buffer (delete[] it).
char *ReadTextFile(const WCHAR *pszPath, const char **ppszError) {
    HANDLE hFile =
        CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        *ppszError = "cannot open the scenario file";
        return nullptr;
    }
    char *pszText = nullptr;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(hFile, &size) || size.QuadPart > kMaxScenarioFile) {
        *ppszError = "scenario file too large";
    } else {
        DWORD cb = static_cast<DWORD>(size.QuadPart);
        pszText = new (std::nothrow) char[cb + 1];
        DWORD cbRead = 0;
        if (!pszText) {
            *ppszError = "out of memory";
        } else if (!ReadFile(hFile, pszText, cb, &cbRead, nullptr) || cbRead != cb) {
            *ppszError = "cannot read the scenario file";
            delete[] pszText;
            pszText = nullptr;
        } else {
            pszText[cb] = '\0';
        }
    }
    CloseHandle(hFile);
    return pszText;
}

}  // namespace

extern "C" {

SIMCAM_API int SimLoadScenarioText(const char *text) {
    {
        SimStateGuard guard;
        if (!guard.Get()) return 0;
        if (!SimParseScenario(guard.Get(), text)) return 0;
        ResetInjections(guard.Get());
    }
    // The device enumerator lists the new cameras (outside the lock).
    SimOnCamerasChanged();
    return 1;
}

SIMCAM_API int SimLoadScenarioFile(const WCHAR *path) {
    if (!path) return SimLoadScenarioText(nullptr);
    const char *pszError = nullptr;
    char *pszText = ReadTextFile(path, &pszError);
    if (!pszText) {
        SimStateGuard guard;
        if (guard.Get()) SetLastErrorText(guard.Get(), pszError);
        return 0;
    }
    int iResult = SimLoadScenarioText(pszText);
    delete[] pszText;
    return iResult;
}

SIMCAM_API void SimLoadDefaultScenario(void) { (void)SimLoadScenarioText(SimDefaultScenarioText()); }

SIMCAM_API const char *SimLastError(void) {
    SimStateGuard guard;
    if (!guard.Get()) return "the camera state cannot be mapped";
    (void)StringCchCopyA(g_szLastError, ARRAYSIZE(g_szLastError), guard->lastError);
    return g_szLastError;
}

SIMCAM_API int SimCameraCount(void) {
    SimStateGuard guard;
    return guard.Get() ? guard->cameraCount : 0;
}

SIMCAM_API int SimInjectFault(int op, int nth, LONG result) { return SimInjectFaultFor(op, nth, result, -1, -1, 0); }

SIMCAM_API int SimInjectFaultFor(int op, int nth, LONG result, int camera, int argIndex, DWORD argValue) {
    SimStateGuard guard;
    return guard.Get() && SimAddFault(guard.Get(), op, nth, result, camera, argIndex, argValue) ? 1 : 0;
}

SIMCAM_API void SimClearFaults(void) {
    SimStateGuard guard;
    if (guard.Get()) guard->faultCount = 0;
}

SIMCAM_API void SimSetEnumerateOverreport(int extra) {
    SimStateGuard guard;
    if (guard.Get()) guard->enumerateOverreport = extra > 0 ? extra : 0;
}

SIMCAM_API int SimSetSensorRegister(int camera, WORD address, BYTE value) {
    return PokeRegister(camera, address, value, SimSensorPoke);
}

SIMCAM_API int SimGetSensorRegister(int camera, WORD address) { return ReadRegister(camera, address, SimSensorRead); }

SIMCAM_API int SimSetChipRegister(int camera, WORD address, WORD value) {
    return PokeRegister(camera, address, value, SimChipPoke);
}

SIMCAM_API int SimGetChipRegister(int camera, WORD address) { return ReadRegister(camera, address, SimChipRead); }

SIMCAM_API int SimSetInfoValue(int camera, WORD index, WORD value) {
    SimStateGuard guard;
    SimCamera *pCam = guard.Camera(camera);
    if (!pCam || index < 150 || index > 153) return 0;
    pCam->info[index - 150] = value;
    if (index == 153) pCam->firmwareVersion = value;
    return 1;
}

SIMCAM_API int SimSetXUControlBytes(int camera, DWORD selector, const BYTE *data, DWORD length) {
    SimStateGuard guard;
    SimCamera *pCam = guard.Camera(camera);
    if (!pCam || !data) return 0;
    if (selector == SIM_XU_CHIP_ID && length <= sizeof(pCam->chipIdBytes)) {
        CopyMemory(pCam->chipIdBytes, data, length);
        return 1;
    }
    if (selector == SIM_XU_SENSOR && length <= sizeof(pCam->xuPacket)) {
        CopyMemory(pCam->xuPacket, data, length);
        return 1;
    }
    return 0;
}

SIMCAM_API int SimSetStickyAck(int camera, int sticky) {
    SimStateGuard guard;
    SimCamera *pCam = guard.Camera(camera);
    if (!pCam) return 0;
    pCam->stickyAck = sticky ? 1 : 0;
    if (pCam->stickyAck) pCam->ackPending = 0;
    return 1;
}

SIMCAM_API int SimHoldSensorState(int camera, int value) {
    return HoldState(camera, value, 0xFFFF, &SimCamera::holdSensorState);
}

SIMCAM_API int SimSetSensorNotReadyFor(int camera, DWORD ms) {
    SimStateGuard guard;
    SimCamera *pCam = guard.Camera(camera);
    if (!pCam) return 0;
    pCam->readyAtTick = GetTickCount() + ms;
    return 1;
}

SIMCAM_API int SimHoldFocusState(int camera, int value) {
    return HoldState(camera, value, 0xFF, &SimCamera::holdFocusState);
}

SIMCAM_API int SimSetBestFocus(int camera, int position) {
    SimStateGuard guard;
    SimCamera *pCam = guard.Camera(camera);
    if (!pCam) return 0;
    pCam->bestPosition = Clamp(position, 0, 255);
    // A single trigger under way heads for the new position.
    if (pCam->afRunning && pCam->lensMoving) pCam->lensTo = pCam->bestPosition;
    return 1;
}

SIMCAM_API int SimPlug(int camera, int present) {
    bool bChanged;
    {
        SimStateGuard guard;
        SimCamera *pCam = guard.Camera(camera);
        if (!pCam) return 0;
        LONG lPresent = present ? 1 : 0;
        if (lPresent && !pCam->present) SimCameraPowerUp(pCam);
        bChanged = lPresent != pCam->present;
        if (bChanged) ++guard->generation;
        pCam->present = lPresent;
    }
    // The device enumerator follows the plug (outside the lock).
    if (bChanged) SimOnCamerasChanged();
    return 1;
}

SIMCAM_API int SimBroadcastDeviceChange(int camera, int arrived) {
    return SimBroadcastDeviceChangeEx(camera, arrived, 0);
}

SIMCAM_API int SimBroadcastDeviceChangeEx(int camera, int arrived, DWORD flags) {
    return SimAnnounceDeviceChange(camera, arrived != 0, flags) ? 1 : 0;
}

SIMCAM_API int SimSetFlash(int camera, int connected) {
    SimStateGuard guard;
    SimCamera *pCam = guard.Camera(camera);
    if (!pCam) return 0;
    LONG lConnected = connected ? 1 : 0;
    if (lConnected != pCam->flashConnected) SimLatchGpi(pCam);
    pCam->flashConnected = lConnected;
    return 1;
}

SIMCAM_API int SimGetCameraState(int camera, SimCameraState *state) {
    SimStateGuard guard;
    SimCamera *pCam = guard.Camera(camera);
    if (!pCam || !state) return 0;
    ZeroMemory(state, sizeof(*state));
    state->present = pCam->present;
    state->flashConnected = pCam->flashConnected;
    state->strobeOutput = SimStrobeOn(pCam) ? 1 : 0;
    state->strobeLed = pCam->sensor[SIM_REG_STROBE] == SIM_STROBE_ON ? 1 : 0;
    state->lensPosition = SimCurrentLens(pCam);
    state->bestPosition = pCam->bestPosition;
    state->focusState = SimSensorRead(pCam, SIM_REG_AF_STATE);
    state->firmwareVersion = pCam->info[3];
    state->stillsDelivered = pCam->stillsDelivered;
    state->framesDelivered = pCam->framesDelivered;
    (void)StringCchCopyW(state->name, ARRAYSIZE(state->name), pCam->name);
    (void)StringCchCopyW(state->devicePath, ARRAYSIZE(state->devicePath), pCam->devicePath);
    state->filterState = guard->filterState[camera];
    state->filtersAlive = guard->filtersAlive[camera];
    state->stillTriggers = pCam->stillTriggers;
    SimCapability capture = CurrentFormat(pCam->captureFormat, pCam->captureCaps, pCam->captureCapCount);
    SimCapability still = CurrentFormat(pCam->stillFormat, pCam->stillCaps, pCam->stillCapCount);
    state->captureSubtype = capture.subtype;
    state->captureWidth = capture.width;
    state->captureHeight = capture.height;
    state->stillSubtype = still.subtype;
    state->stillWidth = still.width;
    state->stillHeight = still.height;
    return 1;
}

SIMCAM_API DWORD SimLogCount(void) {
    SimStateGuard guard;
    return guard.Get() ? SimLogHeld(guard.Get()) : 0;
}

SIMCAM_API int SimLogRead(DWORD index, SimLogEntry *entry) {
    SimStateGuard guard;
    if (!guard.Get() || !entry || index >= SimLogHeld(guard.Get())) return 0;
    *entry = guard->log[SimLogSlot(guard.Get(), index)];
    return 1;
}

SIMCAM_API void SimLogClear(void) {
    SimStateGuard guard;
    if (guard.Get()) guard->logCount = 0;
}

SIMCAM_API DWORD SimLogLastSeq(void) {
    SimStateGuard guard;
    return guard.Get() ? guard->logCount : 0;
}

SIMCAM_API DWORD SimLogCountOp(int op) {
    SimStateGuard guard;
    if (!guard.Get()) return 0;
    DWORD dwHeld = SimLogHeld(guard.Get());
    DWORD dwCount = 0;
    for (DWORD i = 0; i < dwHeld; ++i) {
        if (IsOp(guard->log[SimLogSlot(guard.Get(), i)], op)) ++dwCount;
    }
    return dwCount;
}

SIMCAM_API int SimLogReadOp(int op, DWORD index, SimLogEntry *entry) {
    SimStateGuard guard;
    if (!guard.Get() || !entry) return 0;
    DWORD dwHeld = SimLogHeld(guard.Get());
    for (DWORD i = 0; i < dwHeld; ++i) {
        const SimLogEntry &held = guard->log[SimLogSlot(guard.Get(), i)];
        if (!IsOp(held, op)) continue;
        if (index == 0) {
            *entry = held;
            return 1;
        }
        --index;
    }
    return 0;
}

SIMCAM_API int SimLogFind(int op, DWORD afterSeq, SimLogEntry *entry) {
    SimStateGuard guard;
    if (!guard.Get() || !entry) return 0;
    DWORD dwHeld = SimLogHeld(guard.Get());
    for (DWORD i = 0; i < dwHeld; ++i) {
        const SimLogEntry &held = guard->log[SimLogSlot(guard.Get(), i)];
        if (held.seq > afterSeq && IsOp(held, op)) {
            *entry = held;
            return 1;
        }
    }
    return 0;
}

}  // extern "C"
