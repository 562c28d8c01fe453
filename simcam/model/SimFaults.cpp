// SimFaults.cpp - injected faults matched against the calls they are for.
#include "SimFaults.h"

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
