// ViewerTestSupport.h - small helpers shared by the viewer's tests: narrow
// text for test messages and the simulated camera's state.
#ifndef KOR_TESTS_VIEWER_APP_VIEWERTESTSUPPORT_H
#define KOR_TESTS_VIEWER_APP_VIEWERTESTSUPPORT_H

#include <gtest/gtest.h>

#include <string>

#include "SimCamControl.h"

// ASCII text of a wide string, for assertion messages and scenario texts.
inline std::string Narrow(const std::wstring &text) { return std::string(text.begin(), text.end()); }

// The simulated camera's state; a failed read fails the test and gives zeros.
inline SimCameraState CameraState(int iCamera) {
    SimCameraState state = {};
    EXPECT_TRUE(SimGetCameraState(iCamera, &state));
    return state;
}

#endif  // KOR_TESTS_VIEWER_APP_VIEWERTESTSUPPORT_H
