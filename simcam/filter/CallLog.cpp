// CallLog.cpp - logging and fault injection for the capture filter's calls.
#include "filter/CallLog.h"

#include "SimCallLog.h"
#include "SimFaults.h"
#include "SimSharedState.h"

SimLogEntry SimNewCall(SimOp op, int iCamera, DWORD dwArg0, DWORD dwArg1, DWORD dwArg2) {
    SimLogEntry call;
    ZeroMemory(&call, sizeof(call));
    call.op = op;
    call.threadId = GetCurrentThreadId();
    call.camera = iCamera;
    call.arg[0] = dwArg0;
    call.arg[1] = dwArg1;
    call.arg[2] = dwArg2;
    return call;
}

bool SimCallFault(const SimLogEntry &call, HRESULT *phr) {
    SimStateGuard state;
    LONG lResult = S_OK;
    if (!state.Get() || !SimTakeFaultFor(state.Get(), call, &lResult)) return false;
    *phr = static_cast<HRESULT>(lResult);
    return true;
}

void SimLogCall(SimLogEntry *pCall, HRESULT hr) {
    pCall->result = hr;
    SimStateGuard state;
    if (state.Get()) SimAppendLog(state.Get(), *pCall);
}
