// ComponentChild.cpp - the component test program's child roles: the
// cross-process check and the camera state that cannot be mapped.
#include <windows.h>
#include <objbase.h>
#include <string.h>

#include <gtest/gtest.h>

#include "ComCreate.h"
#include "ComponentChild.h"
#include "common/TestMain.h"
#include "SimCamControl.h"
#include "component/XUComponent.h"

namespace {

// Exit code 0 when the parent's value was there; then leaves ours.
int RunCrossProcessChild() {
    if (SimGetSensorRegister(0, kCrossProcessProbe) != kCrossProcessParentValue) return 1;
    return SimSetSensorRegister(0, kCrossProcessProbe, static_cast<BYTE>(kCrossProcessChildValue)) == 1 ? 0 : 2;
}

// Exit code 0 when creating the component, loading a scenario and reading
// the camera count all failed for want of the state.
int RunStateUnavailableChild() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    ComPtr<IUnknown> pControl;
    HRESULT hr = CreateComObject(CLSID_SimXUVMControl, IID_IUnknown, pControl);
    int iResult = 0;
    if (SUCCEEDED(hr) || pControl) iResult = 4;
    if (SimLoadScenarioText("[camera]\n") != 0) iResult = 5;
    if (SimCameraCount() != 0) iResult = 6;
    pControl.Clear();
    CoUninitialize();
    return iResult;
}

const TestChildMode g_CrossProcessChild(kCrossProcessChildArg, RunCrossProcessChild);
const TestChildMode g_StateUnavailableChild(kStateUnavailableChildArg, RunStateUnavailableChild);

}  // namespace
