// SimCallLog.cpp - the shared call log's ring.
#include "SimCallLog.h"

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
