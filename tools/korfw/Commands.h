// Commands.h - the camera commands, each one or a few library calls.
#ifndef KOR_TOOLS_KORFW_COMMANDS_H
#define KOR_TOOLS_KORFW_COMMANDS_H

#include "Arguments.h"
#include "Report.h"

// Runs a camera command in the open session. True with its values in
// *pReport; false with the refusing call and its code in *pFailure.
bool RunCameraCommand(const Request &request, Report *pReport, Failure *pFailure);

// Starts a single-trigger autofocus run and waits, dwTimeoutMs at most,
// until the camera reports focused: true with the lens position then.
bool FocusAndWait(DWORD dwTimeoutMs, SHORT *psPosition, Failure *pFailure);

// "manual", "focusing", "focused" (AF_... codes), else "unknown".
const WCHAR *FocusStateWord(int iStatus);

// The failure of a command that Ctrl+C stopped; returns false.
bool Stopped(Failure *pFailure);

#endif  // KOR_TOOLS_KORFW_COMMANDS_H
