// Commands.h - the camera commands, each one or a few library calls.
#ifndef KOR_TOOLS_KORFW_COMMANDS_H
#define KOR_TOOLS_KORFW_COMMANDS_H

#include "Arguments.h"
#include "Report.h"

// Runs a camera command in the open session. True with its values in
// *pReport; false with the refusing call and its code in *pFailure.
bool RunCameraCommand(const Request &request, Report *pReport, Failure *pFailure);

#endif  // KOR_TOOLS_KORFW_COMMANDS_H
