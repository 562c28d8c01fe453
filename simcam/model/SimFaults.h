// SimFaults.h - the faults a test injects (SimInjectFault, SimInjectFaultFor)
// and the check each simulated call makes against them.
#ifndef KOR_SIMCAM_MODEL_SIMFAULTS_H
#define KOR_SIMCAM_MODEL_SIMFAULTS_H

#include <windows.h>

#include "SimSharedState.h"

// Which injected faults a call meets, and what a fault does to it.
enum SimFaultRule {
    // Faults for its operation, limited or not to its camera and an
    // argument of its log entry; a fault takes the place of the work (the
    // component's transfers, every filter call).
    SIM_FAULT_FOR_CALL,
    // Faults for its operation without limits only: a fault limited to a
    // camera or an argument never fails it (the component's enumeration,
    // open and bind). A fault takes the place of the work.
    SIM_FAULT_FOR_OP,
    // As SIM_FAULT_FOR_OP, but only a failing result refuses the work; a
    // succeeding one (S_FALSE, say) lets it run and is given back unless
    // the work fails (the component's class factories).
    SIM_FAULT_FOR_CREATION,
};

// Adds a fault (lock held) as SimInjectFaultFor describes it: false for a bad
// op, nth, camera or argIndex, or when SIM_MAX_FAULTS are in place.
bool SimAddFault(SimShared *pState, int iOp, int iNth, LONG lResult, int iCamera, int iArgIndex, DWORD dwArgValue);

// Fault check for one call (lock held): counts the call against every fault
// it meets and returns true, with the result to give back, when one of them
// makes it fail.
bool SimTakeFault(SimShared *pState, const SimLogEntry &call, SimFaultRule rule, LONG *pResult);

#endif  // KOR_SIMCAM_MODEL_SIMFAULTS_H
