// ModelTestSupport.h - a private camera state block for tests that drive the
// scenario parser, the register model and the call log directly, without the
// DLL.
#ifndef KOR_TESTS_SIMCAM_MODEL_MODELTESTSUPPORT_H
#define KOR_TESTS_SIMCAM_MODEL_MODELTESTSUPPORT_H

#include <memory>

#include "SimSharedState.h"

typedef std::unique_ptr<SimShared> StatePtr;

// A zeroed block (about a megabyte, so on the heap).
inline StatePtr NewState() { return StatePtr(new SimShared()); }

#endif  // KOR_TESTS_SIMCAM_MODEL_MODELTESTSUPPORT_H
