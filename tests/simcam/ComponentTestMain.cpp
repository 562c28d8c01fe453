// ComponentTestMain.cpp - COM for the whole run (apartment-threaded, as the
// library's callers have it), and the cross-process child role.
#include <windows.h>
#include <objbase.h>
#include <string.h>

#include <gtest/gtest.h>

#include "ComponentTestMain.h"
#include "SimCamControl.h"

namespace {

// Exit code 0 when the parent's value was there; then leaves ours.
int RunCrossProcessChild() {
    if (SimGetSensorRegister(0, kCrossProcessProbe) != kCrossProcessParentValue) return 1;
    return SimSetSensorRegister(0, kCrossProcessProbe, static_cast<BYTE>(kCrossProcessChildValue)) == 1 ? 0 : 2;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], kCrossProcessChildArg) == 0) return RunCrossProcessChild();
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) return 3;
    ::testing::InitGoogleTest(&argc, argv);
    int iResult = RUN_ALL_TESTS();
    CoUninitialize();
    return iResult;
}
