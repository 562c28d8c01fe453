// SimFaults.h - the faults a test injects (SimInjectFault, SimInjectFaultFor)
// and the check each simulated call makes against them.
#ifndef KOR_SIMCAM_MODEL_SIMFAULTS_H
#define KOR_SIMCAM_MODEL_SIMFAULTS_H

#include <windows.h>

#include "SimSharedState.h"

// Fault check for one call (lock held): returns true and the result to give
// back when the call is to fail. SimTakeFaultFor matches the camera and the
// arguments of the call's log entry; SimTakeFault knows neither, so faults
// limited to a camera or an argument never fail it.
bool SimTakeFault(SimShared *pState, SimOp op, LONG *pResult);
bool SimTakeFaultFor(SimShared *pState, const SimLogEntry &call, LONG *pResult);

#endif  // KOR_SIMCAM_MODEL_SIMFAULTS_H
