// ComponentTestMain.cpp - COM for the whole run (apartment-threaded, as the
// library's callers have it), and the cross-process child role.
#include <windows.h>
#include <objbase.h>
#include <string.h>

#include <gtest/gtest.h>

#include "ComCreate.h"
#include "ComponentTestMain.h"
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

}  // namespace

int main(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], kCrossProcessChildArg) == 0) return RunCrossProcessChild();
    if (argc == 2 && strcmp(argv[1], kStateUnavailableChildArg) == 0) return RunStateUnavailableChild();
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) return 3;
    ::testing::InitGoogleTest(&argc, argv);
    int iResult = RUN_ALL_TESTS();
    CoUninitialize();
    return iResult;
}
