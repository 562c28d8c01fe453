// KorfwTest.cpp - korfw.exe as a user runs it, a process per command on the
// test's simulated cameras: exit codes, output, JSON, usage errors refused
// with an empty call log, sessions balanced (its debugger lines). Its Ctrl+C
// handler runs in this process: Wine 8 delivers no console control event a
// test could send to the tool.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "KORFwSw.h"
#include "Session.h"
#include "SimCamControl.h"
#include "common/DebugCapture.h"
#include "common/DebuggerRun.h"
#include "common/TestKit.h"
#include "common/ToolRunner.h"

namespace {

const char kOurPath[] =
    "\\\\?\\usb#vid_2c7a&pid_04e1&mi_00#6&2f3a8c1&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
const char kOtherPath[] =
    "\\\\?\\USB#VID_AB12&PID_3C4D&MI_00#7&1B4E92A&0&0000#{65E8773D-8F56-11D0-A3B9-00A0C9223196}\\GLOBAL";

bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// A JSON string literal of plain ASCII text.
std::string Json(const std::string &text) {
    std::string json = "\"";
    for (char ch : text) {
        if (ch == '"' || ch == '\\') json += '\\';
        json += ch;
    }
    return json + "\"";
}

std::string OurCamera(const std::string &extraKeys = std::string()) {
    return std::string("[camera]\nname = Tessaline 5MPixel Cam\npath = ") + kOurPath + "\nsensor_id = 0x5640\n" +
           extraKeys;
}

// Another vendor's webcam first, then ours.
std::string TwoCameras() {
    return std::string("[camera]\nname = Integrated \"HD\" Webcam\npath = ") + kOtherPath + "\n" + OurCamera();
}

SimCameraState State(int iCamera) {
    SimCameraState state = {};
    EXPECT_TRUE(SimGetCameraState(iCamera, &state));
    return state;
}

class KorfwTest : public testing::Test {
protected:
    void SetUp() override { Load(OurCamera()); }
    void TearDown() override { SimLoadDefaultScenario(); }

    static void Load(const std::string &scenario) {
        ASSERT_TRUE(SimLoadScenarioText(scenario.c_str())) << SimLastError();
    }

    static ToolResult Korfw(const std::wstring &arguments, DWORD dwExpectedExit) {
        ToolResult result = RunTool(L"korfw.exe", arguments);
        EXPECT_TRUE(result.bStarted);
        EXPECT_EQ(dwExpectedExit, result.dwExitCode) << "korfw " << std::string(arguments.begin(), arguments.end())
                                                     << "\nstdout: " << result.output << "\nstderr: " << result.errors;
        return result;
    }
};

TEST_F(KorfwTest, ListShowsEveryDeviceAndWhetherTheLibraryAcceptsIt) {
    Load(TwoCameras());
    ToolResult result = Korfw(L"list", 0);
    EXPECT_TRUE(Contains(result.output, "#0 Integrated \"HD\" Webcam\n    path:     " + std::string(kOtherPath) +
                                            "\n    accepted: no\n") &&
                Contains(result.output,
                         "#1 Tessaline 5MPixel Cam\n    path:     " + std::string(kOurPath) + "\n    accepted: yes"))
        << result.output;

    result = Korfw(L"--json list", 0);
    EXPECT_EQ("{\"command\":\"list\",\"ok\":true,\"devices\":[{\"index\":0,\"name\":" +
                  Json("Integrated \"HD\" Webcam") + ",\"path\":" + Json(kOtherPath) +
                  ",\"accepted\":false},{\"index\":1,\"name\":\"Tessaline 5MPixel Cam\",\"path\":" + Json(kOurPath) +
                  ",\"accepted\":true}]}\n",
              result.output);
}

TEST_F(KorfwTest, InfoReportsTheIdentificationOfTheFirstAcceptedCamera) {
    Load(TwoCameras());
    ToolResult result = Korfw(L"info", 0);
    EXPECT_TRUE(Contains(result.output, "camera:     #1 Tessaline 5MPixel Cam\n") &&
                Contains(result.output, "sensor ID:  0x5640\n") &&
                Contains(result.output, "firmware:   2013.5.21 Ver 7\n"))
        << result.output;
    EXPECT_EQ("", result.errors);

    result = Korfw(L"info --json -d 1", 0);
    EXPECT_EQ(0u, result.output.find("{\"command\":\"info\",\"ok\":true,\"device\":{\"index\":1,")) << result.output;
    EXPECT_TRUE(Contains(result.output, ",\"sensor_id\":22080,\"chip_id\":") &&
                Contains(result.output, ",\"firmware\":\"2013.5.21 Ver 7\"}\n"))
        << result.output;
}

TEST_F(KorfwTest, CommandsReachTheCamera) {
    Korfw(L"focus set 77", 0);
    EXPECT_EQ(77, State(0).lensPosition);
    EXPECT_EQ(
        "{\"command\":\"focus get\",\"ok\":true,\"device\":{\"index\":0,\"name\":\"Tessaline 5MPixel Cam\","
        "\"path\":" +
            Json(kOurPath) + ",\"accepted\":true},\"position\":77}\n",
        Korfw(L"--json focus get", 0).output);

    Korfw(L"strobe on", 0);
    EXPECT_EQ(1, State(0).strobeLed);
    Korfw(L"strobe off", 0);
    EXPECT_EQ(0, State(0).strobeLed);
    Korfw(L"gpo 8 1", 0);
    EXPECT_EQ(1, State(0).strobeOutput);
    Korfw(L"gpo 8 0", 0);
    EXPECT_EQ(0, State(0).strobeOutput);

    EXPECT_TRUE(Contains(Korfw(L"reg read 0x300A", 0).output, "value:      0x56\n"));
    EXPECT_TRUE(Contains(Korfw(L"--json reg read 300b", 0).output, "\"address\":12299,\"value\":64}"));
    EXPECT_TRUE(Contains(Korfw(L"--json gpi", 0).output, "\"flash_connected\":true}"));
    ASSERT_TRUE(SimSetFlash(0, 0));
    EXPECT_TRUE(Contains(Korfw(L"gpi", 0).output, "flash:      no\n"));

    EXPECT_TRUE(Contains(Korfw(L"af trigger", 0).output, "autofocus:  triggered\n"));
    std::string status = Korfw(L"--json af status", 0).output;
    EXPECT_TRUE(Contains(status, "\"status\":\"focusing\",\"code\":5}") ||
                Contains(status, "\"status\":\"focused\",\"code\":6}"))
        << status;
    Korfw(L"reset", 0);
}

TEST_F(KorfwTest, RefusalsNameTheLibrarysErrorCode) {
    Load(TwoCameras());
    ToolResult result = Korfw(L"-d 0 info", 1);
    EXPECT_TRUE(Contains(result.errors, "InitLibrary failed: ERR_NOT_KOR_CAMERA (0x20000003)")) << result.errors;
    EXPECT_EQ("", result.output);
    // By path (any case), with JSON for the script.
    result = Korfw(L"--json -d \"" + std::wstring(kOtherPath, kOtherPath + sizeof(kOtherPath) - 1) + L"\" gpi", 1);
    EXPECT_EQ(
        "{\"command\":\"gpi\",\"ok\":false,\"error\":{\"call\":\"InitLibrary\",\"code\":536870915,"
        "\"name\":\"ERR_NOT_KOR_CAMERA\",\"message\":\"the device is not the requested camera or not a KOR "
        "camera\"}}\n",
        result.output);

    Load(OurCamera());
    // Extension-unit control 7 carries the chip ID.
    ASSERT_TRUE(SimInjectFaultFor(SIM_OP_GET_XU, 0, 1, -1, 0, 7));
    result = Korfw(L"info", 1);
    EXPECT_TRUE(Contains(result.errors, "korfw: GetUVCChipId failed: ERR_XU_TRANSFER (0x20000005)")) << result.errors;

    Load("[camera]\nname = Other\npath = " + std::string(kOtherPath) + "\n");
    result = Korfw(L"info", 1);
    EXPECT_TRUE(Contains(result.errors, "none of the 1 video-input devices is a camera the library accepts"))
        << result.errors;
}

TEST_F(KorfwTest, BadInputIsRefusedBeforeTheComponentIsTouched) {
    // One command line per line.
    std::wstring bad =
        L"\ntake-picture\nfocus set 256\nfocus set -1\nfocus set 12x\ngpo 7 1\ngpo 8 2\nreg read 30zz\n"
        L"reg read 0x10000\naf\n--verbose info\n-d 5 info\n-d \\\\?\\usb#nothing info\n-d 0 list\n";
    for (size_t iStart = 0, iEnd; (iEnd = bad.find(L'\n', iStart)) != std::wstring::npos; iStart = iEnd + 1) {
        std::wstring line = bad.substr(iStart, iEnd - iStart);
        SimLogClear();
        EXPECT_TRUE(Contains(Korfw(line, 2).errors, "\nusage: korfw"));
        EXPECT_EQ(0u, SimLogCount()) << "the component was touched: " << std::string(line.begin(), line.end());
    }
    EXPECT_EQ(0u, Korfw(L"--help", 0).output.find("usage: korfw"));
}

// The tool's own debugger lines around each InitLibrary and DeInitLibrary.
TEST_F(KorfwTest, EverySessionIsClosed) {
    Load(TwoCameras());
    struct Case {
        const wchar_t *pszArguments;
        DWORD dwExit;
        int cSessions;
    } const kCases[] = {{L"info", 0, 1}, {L"-d 0 info", 1, 1}, {L"focus set 300", 2, 0}, {L"list", 0, 0}};
    for (const Case &c : kCases) {
        DebuggerRunResult run = RunUnderDebugger(L"\"" + ToolPath(L"korfw.exe") + L"\" " + c.pszArguments, 60000);
        ASSERT_TRUE(run.bFinished);
        EXPECT_EQ(c.dwExit, run.dwExitCode);
        int cInit = 0, cDeInit = 0;
        for (const std::wstring &line : run.lines) {
            if (line.find(L"korfw: InitLibrary") == 0) ++cInit;
            if (line.find(L"korfw: DeInitLibrary") == 0) ++cDeInit;
        }
        EXPECT_EQ(c.cSessions, cInit) << c.pszArguments;
        EXPECT_EQ(c.cSessions, cDeInit) << c.pszArguments;
    }
}

// Ctrl+C while a command holds the session: the handler closes it, and the
// command's own CloseSession on its way out does not close it again.
TEST_F(KorfwTest, CtrlCClosesTheSessionOnce) {
    DebugCapture capture;
    DWORD dwError = 0;
    std::wstring path(kOurPath, kOurPath + sizeof(kOurPath) - 1);
    ASSERT_TRUE(OpenSession(path.c_str(), &dwError)) << dwError;
    EXPECT_FALSE(OnConsoleControl(CTRL_C_EVENT)) << "the system's default handling must end the process";
    int iSensorId = 0;
    EXPECT_EQ(-1, GetSensorId(&iSensorId));
    EXPECT_EQ(ERR_NOT_INITIALISED, GetLastError());
    CloseSession();
    EXPECT_FALSE(OnConsoleControl(CTRL_BREAK_EVENT));
    EXPECT_EQ(1u, capture.Count(L"korfw: InitLibrary\n"));
    EXPECT_EQ(1u, capture.Count(L"korfw: DeInitLibrary\n"));
}

}  // namespace
