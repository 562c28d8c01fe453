// SimCallLog.h - the shared call log and the one road of every logged call.
// The extension-unit component's calls and the capture filter's are numbered
// in one sequence, in a ring of the latest SIMCAM_MAX_LOG calls of every
// process of the instance, and each meets the faults a test injects
// (SimFaults.h) on its way in.
#ifndef KOR_SIMCAM_MODEL_SIMCALLLOG_H
#define KOR_SIMCAM_MODEL_SIMCALLLOG_H

#include <windows.h>

#include "SimFaults.h"
#include "SimSharedState.h"

// A log entry for a call of op reaching camera lCamera (-1: none, or not
// known yet).
SimLogEntry SimNewCall(SimOp op, LONG lCamera, DWORD dwArg0 = 0, DWORD dwArg1 = 0, DWORD dwArg2 = 0);

// Appends a log entry (lock held) and numbers it; the ring keeps the latest
// SIMCAM_MAX_LOG entries.
void SimAppendLog(SimShared *pState, const SimLogEntry &entry);
// Index into pState->log of the index-th held entry, oldest first.
DWORD SimLogSlot(const SimShared *pState, DWORD index);
DWORD SimLogHeld(const SimShared *pState);

// The two ends of a logged call: the fault check on the way in and the log
// entry with the result on the way out. pLocked is the state when the caller
// holds its lock; with null each takes the lock itself (and, when the state
// cannot be mapped, meets no fault and logs nothing).
bool SimCallFault(SimShared *pLocked, const SimLogEntry &call, SimFaultRule rule, LONG *pResult);
void SimCallDone(SimShared *pLocked, SimLogEntry *pCall, LONG lResult);

// Runs one logged call: a fault injected for it takes the place of body (as
// rule says), and the call goes into the log with its result. body may fill
// in *pCall (values it read) before it returns.
//
// pLocked is the camera state when the caller holds its lock around the
// whole call, so that fault, work and log are one step to every other thread
// and process (the component). With null, body runs without the lock and the
// fault check and the log take it each (the capture filter, whose calls reach
// DirectShow and wait for the streaming thread).
template <class Body>
LONG SimRunCall(SimShared *pLocked, SimLogEntry *pCall, SimFaultRule rule, Body body) {
    LONG lResult = S_OK;
    bool bFault = SimCallFault(pLocked, *pCall, rule, &lResult);
    if (!bFault || (rule == SIM_FAULT_FOR_CREATION && SUCCEEDED(lResult))) {
        LONG lWork = body();
        if (!bFault || FAILED(lWork)) lResult = lWork;
    }
    SimCallDone(pLocked, pCall, lResult);
    return lResult;
}

// A capture filter's call: faults for the whole call, body without the lock.
template <class Body>
HRESULT SimLoggedCall(SimLogEntry &call, Body body) {
    return SimRunCall(nullptr, &call, SIM_FAULT_FOR_CALL, body);
}

#endif  // KOR_SIMCAM_MODEL_SIMCALLLOG_H
