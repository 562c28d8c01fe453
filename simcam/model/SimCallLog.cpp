// SimCallLog.cpp - the shared call log's ring and the ends of a logged call.
#include "SimCallLog.h"

SimLogEntry SimNewCall(SimOp op, LONG lCamera, DWORD dwArg0, DWORD dwArg1, DWORD dwArg2) {
    SimLogEntry call;
    ZeroMemory(&call, sizeof(call));
    call.op = op;
    call.threadId = GetCurrentThreadId();
    call.camera = lCamera;
    call.arg[0] = dwArg0;
    call.arg[1] = dwArg1;
    call.arg[2] = dwArg2;
    return call;
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

bool SimCallFault(SimShared *pLocked, const SimLogEntry &call, SimFaultRule rule, LONG *pResult) {
    if (pLocked) return SimTakeFault(pLocked, call, rule, pResult);
    SimStateGuard state;
    return state.Get() && SimTakeFault(state.Get(), call, rule, pResult);
}

void SimCallDone(SimShared *pLocked, SimLogEntry *pCall, LONG lResult) {
    pCall->result = lResult;
    if (pLocked) {
        SimAppendLog(pLocked, *pCall);
        return;
    }
    SimStateGuard state;
    if (state.Get()) SimAppendLog(state.Get(), *pCall);
}
