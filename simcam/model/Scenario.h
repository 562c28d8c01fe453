// Scenario.h - the scenario text (Scenario.cpp describes its keys) read
// into the cameras of the shared state.
#ifndef KOR_SIMCAM_MODEL_SCENARIO_H
#define KOR_SIMCAM_MODEL_SCENARIO_H

#include "SimSharedState.h"

// Scenario text -> state. Returns false with pState->lastError set.
bool SimParseScenario(SimShared *pState, const char *text);
const char *SimDefaultScenarioText();

#endif  // KOR_SIMCAM_MODEL_SCENARIO_H
