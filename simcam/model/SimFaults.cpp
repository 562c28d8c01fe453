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

bool SimAddFault(SimShared *pState, int iOp, int iNth, LONG lResult, int iCamera, int iArgIndex, DWORD dwArgValue) {
    if (iOp <= SIM_OP_NONE || iOp >= SIM_OP_COUNT || iNth < 0) return false;
    if (iCamera < -1 || iCamera >= SIMCAM_MAX_CAMERAS || iArgIndex < -1 || iArgIndex > 2) return false;
    if (pState->faultCount >= SIM_MAX_FAULTS) return false;
    SimFault &fault = pState->faults[pState->faultCount++];
    fault.op = iOp;
    fault.nth = iNth;
    fault.calls = 0;
    fault.result = lResult;
    fault.camera = iCamera;
    fault.argIndex = iArgIndex;
    fault.argValue = iArgIndex >= 0 ? dwArgValue : 0;
    return true;
}

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
