// SimFaults.cpp - injected faults matched against the calls they are for.
#include "SimFaults.h"

namespace {

bool Meets(const SimFault &fault, const SimLogEntry &call, SimFaultRule rule) {
    if (fault.op != static_cast<LONG>(call.op)) return false;
    // Without the camera and the arguments only faults for any call match.
    if (rule != SIM_FAULT_FOR_CALL) return fault.camera < 0 && fault.argIndex < 0;
    if (fault.camera >= 0 && fault.camera != call.camera) return false;
    return fault.argIndex < 0 || (fault.argIndex <= 2 && call.arg[fault.argIndex] == fault.argValue);
}

}  // namespace

bool SimTakeFault(SimShared *pState, const SimLogEntry &call, SimFaultRule rule, LONG *pResult) {
    bool bFail = false;
    for (LONG i = 0; i < pState->faultCount; ++i) {
        SimFault &fault = pState->faults[i];
        if (!Meets(fault, call, rule)) continue;
        ++fault.calls;
        if (!bFail && (fault.nth == 0 || fault.calls == fault.nth)) {
            bFail = true;
            *pResult = fault.result;
        }
    }
    return bFail;
}
