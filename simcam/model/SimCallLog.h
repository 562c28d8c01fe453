// SimCallLog.h - the shared call log: a ring of the latest SIMCAM_MAX_LOG
// calls of every process of the instance, numbered in one sequence.
#ifndef KOR_SIMCAM_MODEL_SIMCALLLOG_H
#define KOR_SIMCAM_MODEL_SIMCALLLOG_H

#include <windows.h>

#include "SimSharedState.h"

// Appends a log entry (lock held) and numbers it; the ring keeps the latest
// SIMCAM_MAX_LOG entries.
void SimAppendLog(SimShared *pState, const SimLogEntry &entry);
// Index into pState->log of the index-th held entry, oldest first.
DWORD SimLogSlot(const SimShared *pState, DWORD index);
DWORD SimLogHeld(const SimShared *pState);

#endif  // KOR_SIMCAM_MODEL_SIMCALLLOG_H
