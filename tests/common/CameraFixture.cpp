// CameraFixture.cpp - loading the simulated camera and finding it listed.
#include "CameraFixture.h"

#include <gtest/gtest.h>

#include "SimCamControl.h"
#include "VideoMonikers.h"

bool CameraFixture::Load(const std::string &scenarioText) {
    return Loaded(SimLoadScenarioText(scenarioText.c_str()) == 1);
}

bool CameraFixture::LoadFile(const std::wstring &scenarioPath) {
    return Loaded(SimLoadScenarioFile(scenarioPath.c_str()) == 1);
}

void CameraFixture::LoadDefault() {
    SimLoadDefaultScenario();
    (void)Loaded(true);
}

void CameraFixture::ClearLog() { SimLogClear(); }

void CameraFixture::ClearFaults() { SimClearFaults(); }

bool CameraFixture::Loaded(bool bLoaded) {
    if (!bLoaded) ADD_FAILURE() << "scenario not loaded: " << SimLastError();
    m_pMoniker.Clear();
    m_iMonikerCamera = -1;
    ClearLog();
    return bLoaded;
}

IMoniker *CameraFixture::Moniker(int iCamera) {
    if (m_iMonikerCamera != iCamera) {
        const std::wstring path = DevicePath(iCamera);
        m_pMoniker = path.empty() ? ComPtr<IMoniker>() : FindVideoMoniker(path.c_str());
        m_iMonikerCamera = iCamera;
    }
    return m_pMoniker.Get();
}

SimCameraState CameraState(int iCamera) {
    SimCameraState state = {};
    EXPECT_TRUE(SimGetCameraState(iCamera, &state)) << "camera " << iCamera;
    return state;
}

std::wstring CameraFixture::DevicePath(int iCamera) const {
    SimCameraState state = {};
    return SimGetCameraState(iCamera, &state) ? std::wstring(state.devicePath) : std::wstring();
}
