// CallLog.h - the capture filter's calls in the shared call log, in one
// sequence with the extension-unit component's, and the faults a test
// injects into them (SimInjectFault / SimInjectFaultFor).
#ifndef KOR_SIMCAM_FILTER_CALLLOG_H
#define KOR_SIMCAM_FILTER_CALLLOG_H

#include <windows.h>

#include "SimCamControl.h"

// A log entry for a call of op reaching camera iCamera.
SimLogEntry SimNewCall(SimOp op, int iCamera, DWORD dwArg0 = 0, DWORD dwArg1 = 0, DWORD dwArg2 = 0);

// True, with the result to return, when a fault injected for this call
// (its camera and arguments as filled so far) makes it fail.
bool SimCallFault(const SimLogEntry &call, HRESULT *phr);

// Appends the finished call with its result.
void SimLogCall(SimLogEntry *pCall, HRESULT hr);

// Runs body unless a fault replaces it, logs the call and returns its result.
// Take no lock of the camera state around it (it takes that lock itself).
template <class Body>
HRESULT SimLoggedCall(SimLogEntry &call, Body body) {
    HRESULT hr;
    if (!SimCallFault(call, &hr)) hr = body();
    SimLogCall(&call, hr);
    return hr;
}

#endif  // KOR_SIMCAM_FILTER_CALLLOG_H
