// CameraFixture.cpp - loading the simulated camera and finding it listed.
#include "CameraFixture.h"

#include <gtest/gtest.h>

#include "SimCamControl.h"
#include "VideoMonikers.h"

bool CameraFixture::Load(const std::string &scenarioText) {
    const bool bLoaded = SimLoadScenarioText(scenarioText.c_str()) == 1;
    if (!bLoaded) ADD_FAILURE() << "scenario not loaded: " << SimLastError();
    Loaded();
    return bLoaded;
}

bool CameraFixture::LoadFile(const std::wstring &scenarioPath) {
    const bool bLoaded = SimLoadScenarioFile(scenarioPath.c_str()) == 1;
    if (!bLoaded) ADD_FAILURE() << "scenario file not loaded: " << SimLastError();
    Loaded();
    return bLoaded;
}

void CameraFixture::LoadDefault() {
    SimLoadDefaultScenario();
    Loaded();
}

void CameraFixture::ClearLog() { SimLogClear(); }

void CameraFixture::ClearFaults() { SimClearFaults(); }

void CameraFixture::Loaded() {
    m_pMoniker.Clear();
    m_iMonikerCamera = -1;
    ClearLog();
}

IMoniker *CameraFixture::Moniker(int iCamera) {
    if (m_iMonikerCamera != iCamera) {
        const std::wstring path = DevicePath(iCamera);
        m_pMoniker = path.empty() ? ComPtr<IMoniker>() : FindVideoMoniker(path.c_str());
        m_iMonikerCamera = iCamera;
    }
    return m_pMoniker.Get();
}

std::wstring CameraFixture::DevicePath(int iCamera) const {
    SimCameraState state = {};
    return SimGetCameraState(iCamera, &state) ? std::wstring(state.devicePath) : std::wstring();
}
