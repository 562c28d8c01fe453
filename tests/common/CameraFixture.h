// CameraFixture.h - the simulated camera as every test starts it: this
// thread in a single-threaded apartment, a scenario loaded (the camera's
// faults and state with it), the call log emptied, and the camera found
// among the video-input devices when the test asks for its moniker.
#ifndef KOR_TESTS_COMMON_CAMERAFIXTURE_H
#define KOR_TESTS_COMMON_CAMERAFIXTURE_H

#include <windows.h>
#include <objidl.h>

#include <gtest/gtest.h>

#include <string>

#include "ComPtr.h"
#include "SimCamControl.h"
#include "TestKit.h"

class CameraFixture {
public:
    CameraFixture() = default;
    CameraFixture(const CameraFixture &) = delete;
    CameraFixture &operator=(const CameraFixture &) = delete;

    // Loads a scenario given as text, or the named file of the scenario
    // folder, or the default camera. False, with a test failure that says
    // why, when the camera state cannot take it.
    bool Load(const std::string &scenarioText);
    bool LoadFile(const std::wstring &scenarioPath);
    void LoadDefault();

    // Empties the call log (loading does too); takes back injected faults.
    void ClearLog();
    void ClearFaults();

    // The moniker of camera iCamera of the scenario, found by its device
    // path among the video-input devices; null when it is not listed.
    IMoniker *Moniker(int iCamera = 0);
    // Its device path; empty without such a camera.
    std::wstring DevicePath(int iCamera = 0) const;

private:
    // After a load: the test fails when it did not load; nothing is cached.
    bool Loaded(bool bLoaded);

    ComApartment m_com;
    ComPtr<IMoniker> m_pMoniker;
    int m_iMonikerCamera = -1;
};

// The simulated camera's state; a failed read fails the test and gives zeros.
SimCameraState CameraState(int iCamera);

// A test that starts on the default camera and leaves it behind, with no
// fault injected.
class CameraTest : public ::testing::Test {
protected:
    void SetUp() override { m_camera.LoadDefault(); }
    void TearDown() override {
        m_camera.ClearFaults();
        m_camera.LoadDefault();
    }
    CameraFixture m_camera;
};

#endif  // KOR_TESTS_COMMON_CAMERAFIXTURE_H
