// SimctlTest.cpp - the control tool as a user runs it: each command in a
// process of its own on the test's camera state, its output and exit code,
// and what it changed, read back through the control API. Also checks that
// each shipped scenario file sets up the camera its name promises. (Plugging
// is in the hot-plug test: its notifications reach every window of the
// prefix, so it runs alone.)
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "common/CameraFixture.h"
#include "ComCreate.h"
#include "ComPtr.h"
#include "SimCamControl.h"
#include "server/SimGuids.h"
#include "common/TestKit.h"
#include "common/ToolRunner.h"

namespace {

bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

class SimctlTest : public CameraTest {
protected:
    ToolResult Run(const std::wstring &arguments) {
        ToolResult result = RunSimctl(arguments);
        EXPECT_TRUE(result.bStarted) << "simctl.exe did not start";
        return result;
    }
    ToolResult ScenarioCommand(const wchar_t *pszFile) {
        ToolResult result = Run(L"scenario \"" + ScenarioPath(pszFile) + L"\"");
        EXPECT_EQ(0u, result.dwExitCode) << result.output;
        return result;
    }
};

TEST_F(SimctlTest, StateShowsWhatTheControlApiReports) {
    ASSERT_TRUE(SimSetBestFocus(0, 123));
    ToolResult result = Run(L"state 0");
    ASSERT_EQ(0u, result.dwExitCode) << result.output;
    SimCameraState state = CameraState(0);
    EXPECT_TRUE(Contains(result.output, "camera 0: " + Narrow(state.name))) << result.output;
    EXPECT_TRUE(Contains(result.output, "present: yes"));
    EXPECT_TRUE(Contains(result.output, "strobe output: off"));
    EXPECT_TRUE(Contains(result.output, "lens position: " + std::to_string(state.lensPosition)));
    EXPECT_TRUE(Contains(result.output, "best position: 123"));
    char szFocus[32];
    snprintf(szFocus, sizeof(szFocus), "focus state: 0x%02lX", static_cast<unsigned long>(state.focusState));
    EXPECT_TRUE(Contains(result.output, szFocus)) << result.output;
    EXPECT_TRUE(Contains(result.output, "stills delivered: 0"));
    EXPECT_TRUE(Contains(result.output, "frames delivered: "));
    EXPECT_TRUE(Contains(result.output, "firmware: 7"));

    // Without a number: every camera.
    ScenarioCommand(L"two-cameras.txt");
    result = Run(L"state");
    EXPECT_TRUE(Contains(result.output, "camera 0: Integrated HD Webcam")) << result.output;
    EXPECT_TRUE(Contains(result.output, "camera 1: Tessaline 5MPixel Cam"));
}

TEST_F(SimctlTest, FlashCommandConnectsAndDisconnects) {
    ToolResult result = Run(L"flash off");
    ASSERT_EQ(0u, result.dwExitCode) << result.output;
    EXPECT_EQ(0, CameraState(0).flashConnected);
    EXPECT_TRUE(Contains(Run(L"state 0").output, "flash connected: no"));

    ScenarioCommand(L"two-cameras.txt");
    ASSERT_EQ(0u, Run(L"flash off 1").dwExitCode);
    ASSERT_EQ(0u, Run(L"flash on 0").dwExitCode);
    EXPECT_EQ(0, CameraState(1).flashConnected);
    EXPECT_EQ(1, CameraState(0).flashConnected);
}

TEST_F(SimctlTest, BadRequestsFailAndChangeNothing) {
    struct Case {
        const wchar_t *pszArgs;
        DWORD dwExit;
        const char *pszSays;
    } cases[] = {
        {L"", 2, "usage"},
        {L"frobnicate", 2, "usage"},
        {L"unplug", 2, "usage"},
        {L"unplug 1", 1, "no camera 1"},
        {L"plug -1", 1, "not a camera number"},
        {L"plug 99999999999", 1, "not a camera number"},
        {L"flash maybe", 2, "usage"},
        {L"flash off 3", 1, "no camera 3"},
        {L"state x", 1, "not a camera number"},
        {L"scenario", 2, "usage"},
        {L"scenario Z:\\no\\such\\scenario.txt", 1, "scenario.txt"},
    };
    for (const Case &c : cases) {
        ToolResult result = Run(c.pszArgs);
        EXPECT_EQ(c.dwExit, result.dwExitCode) << Narrow(c.pszArgs) << ": " << result.output;
        EXPECT_TRUE(Contains(result.output, c.pszSays)) << Narrow(c.pszArgs) << ": " << result.output;
    }
    EXPECT_EQ(1, SimCameraCount());
    SimCameraState state = CameraState(0);
    EXPECT_EQ(1, state.present);
    EXPECT_EQ(1, state.flashConnected);
}

TEST_F(SimctlTest, ScenarioWithABadLineIsRefusedWithItsLine) {
    wchar_t szDir[MAX_PATH], szFile[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, szDir));
    ASSERT_NE(0u, GetTempFileNameW(szDir, L"scn", 0, szFile));
    HANDLE hFile = CreateFileW(szFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    const char text[] = "[camera]\nname = A\n[camera]\nfirmwre = 3\n";
    DWORD cb = 0;
    WriteFile(hFile, text, sizeof(text) - 1, &cb, nullptr);
    CloseHandle(hFile);

    ToolResult result = Run(std::wstring(L"scenario \"") + szFile + L"\"");
    DeleteFileW(szFile);
    EXPECT_EQ(1u, result.dwExitCode);
    EXPECT_TRUE(Contains(result.output, "line 4")) << result.output;
    EXPECT_EQ(1, SimCameraCount());
    EXPECT_STREQ(L"Tessaline 5MPixel Cam", CameraState(0).name);
}

TEST_F(SimctlTest, RunKeepsTheScenarioForTheProgramAndPassesItsExitCode) {
    // The program is the tool itself: it sees the scenario loaded for it.
    ToolResult result = Run(L"run \"" + ScenarioPath(L"no-flash.txt") + L"\" \"" + SimctlPath() + L"\" state 0");
    EXPECT_EQ(0u, result.dwExitCode) << result.output;
    EXPECT_TRUE(Contains(result.output, "flash connected: no")) << result.output;
    EXPECT_EQ(1, CameraState(0).flashConnected);  // the default camera is back afterwards

    result = Run(L"run \"" + ScenarioPath(L"default.txt") + L"\" \"" + SimctlPath() + L"\" unplug 4");
    EXPECT_EQ(1u, result.dwExitCode) << result.output;
    EXPECT_EQ(2u, Run(L"run \"" + ScenarioPath(L"default.txt") + L"\"").dwExitCode);
}

TEST_F(SimctlTest, BroadcastRefusesACameraThatDoesNotExist) {
    EXPECT_EQ(0, SimBroadcastDeviceChange(1, 1));
    EXPECT_EQ(0, SimBroadcastDeviceChange(-1, 0));
}

// ---------------------------------------------------------------------------
// The shipped scenarios: each sets up the camera its name promises.

TEST_F(SimctlTest, ScenarioFilesDescribeTheirCameras) {
    ScenarioCommand(L"default.txt");
    ASSERT_EQ(1, SimCameraCount());
    EXPECT_STREQ(L"Tessaline 5MPixel Cam", CameraState(0).name);
    EXPECT_EQ(7, CameraState(0).firmwareVersion);
    EXPECT_EQ(1, CameraState(0).flashConnected);

    ScenarioCommand(L"two-cameras.txt");
    ASSERT_EQ(2, SimCameraCount());
    EXPECT_STREQ(L"Tessaline 5MPixel Cam", CameraState(1).name);  // the preferred one comes second
    std::wstring foreign = CameraState(0).devicePath;
    EXPECT_NE(std::wstring::npos, foreign.find(L"VID_AB12&PID_3C4D")) << Narrow(foreign);
    EXPECT_EQ(std::wstring::npos, foreign.find(L"vid_"));  // upper case only

    ScenarioCommand(L"not-ours.txt");
    ASSERT_EQ(1, SimCameraCount());
    EXPECT_STRNE(L"Tessaline 5MPixel Cam", CameraState(0).name);
    EXPECT_EQ(std::wstring::npos, std::wstring(CameraState(0).devicePath).find(L"2C7A"));
    EXPECT_EQ(std::wstring::npos, std::wstring(CameraState(0).devicePath).find(L"2c7a"));

    ScenarioCommand(L"no-flash.txt");
    EXPECT_EQ(0, CameraState(0).flashConnected);
    ScenarioCommand(L"firmware-v4.txt");
    EXPECT_EQ(4, CameraState(0).firmwareVersion);
}

// What the capture filter of the scenario's first camera offers.
struct FilterShape {
    int cPins;
    bool bVideoControl;
    int iCapsSize;  // of the first pin's stream configuration
};

FilterShape ShapeOfFilter() {
    FilterShape shape = {0, false, 0};
    ComPtr<IBaseFilter> pFilter;
    HRESULT hr = CreateComObject(CLSID_SimCamSource, IID_IBaseFilter, pFilter);
    EXPECT_EQ(S_OK, hr);
    if (FAILED(hr)) return shape;
    ComPtr<IAMVideoControl> pVideoControl;
    shape.bVideoControl = SUCCEEDED(pFilter->QueryInterface(IID_IAMVideoControl, pVideoControl.OutVoid()));
    ComPtr<IEnumPins> pEnum;
    if (SUCCEEDED(pFilter->EnumPins(&pEnum))) {
        ComPtr<IPin> pPin;
        while (pEnum->Next(1, &pPin, nullptr) == S_OK) {
            ComPtr<IAMStreamConfig> pConfig;
            if (shape.cPins++ == 0 && SUCCEEDED(pPin->QueryInterface(IID_IAMStreamConfig, pConfig.OutVoid()))) {
                int iCount = 0;
                EXPECT_EQ(S_OK, pConfig->GetNumberOfCapabilities(&iCount, &shape.iCapsSize));
            }
        }
    }
    return shape;
}

TEST_F(SimctlTest, ScenarioFilesShapeTheCaptureFilter) {
    ScenarioCommand(L"default.txt");
    FilterShape shape = ShapeOfFilter();
    EXPECT_EQ(2, shape.cPins);
    EXPECT_TRUE(shape.bVideoControl);
    EXPECT_EQ(static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)), shape.iCapsSize);

    ScenarioCommand(L"no-still-pin.txt");
    EXPECT_EQ(1, ShapeOfFilter().cPins);
    ScenarioCommand(L"no-video-control.txt");
    EXPECT_FALSE(ShapeOfFilter().bVideoControl);
    ScenarioCommand(L"caps-size-64.txt");
    EXPECT_EQ(64, ShapeOfFilter().iCapsSize);
}

}  // namespace
