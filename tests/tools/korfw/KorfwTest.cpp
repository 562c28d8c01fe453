// KorfwTest.cpp - korfw.exe as a user runs it, a process per command on the
// test's simulated cameras: exit codes, output, JSON, usage errors refused
// with an empty call log, sessions balanced (its debugger lines), the still
// files and what the camera saw (strobe, trigger, focus). Its Ctrl+C
// handler runs in this process: Wine 8 delivers no console control event a
// test could send to the tool.
#include <windows.h>
#include <strsafe.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "common/CameraFixture.h"
#include "CaptureTestSupport.h"
#include "KORFwSw.h"
#include "Picture.h"
#include "PictureCommands.h"
#include "Program.h"
#include "Session.h"
#include "SimCamControl.h"
#include "Yuy2Convert.h"
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

std::wstring Wide(const std::string &text) { return std::wstring(text.begin(), text.end()); }

// The camera of OurCamera() in korfw's JSON, at this index of the list.
std::string DeviceJson(int iIndex = 0) {
    return "{\"index\":" + std::to_string(iIndex) + ",\"name\":\"Tessaline 5MPixel Cam\",\"path\":" + Json(kOurPath) +
           ",\"accepted\":true}";
}

// The strobe switched (chip register 0xB03C) and the still pin triggered, in
// the call log's order: "on trigger off ".
std::string StrobeAndTrigger() {
    std::string events;
    for (DWORD i = 0; i < SimLogCount(); ++i) {
        SimLogEntry entry;
        if (!SimLogRead(i, &entry)) continue;
        if (entry.op == SIM_OP_WRITE_CHIP && entry.arg[0] == 0xB03C) events += entry.arg[1] == 0x22 ? "on " : "off ";
        if (entry.op == SIM_OP_SET_MODE && (entry.arg[1] & VideoControlFlag_Trigger)) events += "trigger ";
    }
    return events;
}

// The file names a still taken from now on for the next minute could get
// before "_2": yyyyMMddHHmmss.jpg.
std::vector<std::wstring> NamesOfTheNextMinute() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME ft;
    SystemTimeToFileTime(&now, &ft);
    ULARGE_INTEGER t = {{ft.dwLowDateTime, ft.dwHighDateTime}};
    std::vector<std::wstring> names;
    for (int i = 0; i <= 60; ++i, t.QuadPart += 10000000ULL) {
        FILETIME at = {t.LowPart, t.HighPart};
        SYSTEMTIME st;
        FileTimeToSystemTime(&at, &st);
        WCHAR szName[32];
        StringCchPrintfW(szName, 32, L"%04u%02u%02u%02u%02u%02u.jpg", st.wYear, st.wMonth, st.wDay, st.wHour,
                         st.wMinute, st.wSecond);
        names.push_back(szName);
    }
    return names;
}

// The share of a 640 x 480 bitmap's pixel bytes that equal the camera's
// still picture (lens in focus, no flash) converted here: the moving ball
// and the frame's counter differ, the rest of the scene must not.
double ShareLikeTheCamerasPicture(const std::vector<BYTE> &bitmap) {
    SimPictureInput input = SimDefaultPictureInput(160);
    input.still = TRUE;
    std::vector<BYTE> yuy2(640 * 480 * 2), bgr(640 * 480 * 3);
    if (SimRenderFrame(input, SIM_FOURCC_YUY2, 640, 480, yuy2.data(), static_cast<DWORD>(yuy2.size())) == 0 ||
        bitmap.size() != 54 + bgr.size())
        return 0;
    Yuy2ToBgr24(yuy2.data(), bgr.data(), 640, 480);
    size_t cSame = 0;
    for (size_t i = 0; i < bgr.size(); ++i) cSame += bitmap[54 + i] == bgr[i];
    return static_cast<double>(cSame) / static_cast<double>(bgr.size());
}

class KorfwTest : public CameraTest {
protected:
    void SetUp() override {
        CameraTest::SetUp();
        ASSERT_TRUE(m_camera.Load(OurCamera()));
    }

    static ToolResult Korfw(const std::wstring &arguments, DWORD dwExpectedExit) {
        ToolResult result = RunTool(L"korfw.exe", arguments);
        EXPECT_TRUE(result.bStarted);
        EXPECT_EQ(dwExpectedExit, result.dwExitCode) << "korfw " << std::string(arguments.begin(), arguments.end())
                                                     << "\nstdout: " << result.output << "\nstderr: " << result.errors;
        return result;
    }

    // The first camera's state after a command that succeeds.
    static SimCameraState StateAfter(const std::wstring &arguments) {
        Korfw(arguments, 0);
        return CameraState(0);
    }
};

TEST_F(KorfwTest, ListShowsEveryDeviceAndWhetherTheLibraryAcceptsIt) {
    ASSERT_TRUE(m_camera.Load(TwoCameras()));
    ToolResult result = Korfw(L"list", 0);
    EXPECT_TRUE(Contains(result.output, "#0 Integrated \"HD\" Webcam\n    path:     " + std::string(kOtherPath) +
                                            "\n    accepted: no\n") &&
                Contains(result.output,
                         "#1 Tessaline 5MPixel Cam\n    path:     " + std::string(kOurPath) + "\n    accepted: yes"))
        << result.output;

    result = Korfw(L"--json list", 0);
    EXPECT_EQ(
        "{\"command\":\"list\",\"ok\":true,\"devices\":[{\"index\":0,\"name\":" + Json("Integrated \"HD\" Webcam") +
            ",\"path\":" + Json(kOtherPath) + ",\"accepted\":false}," + DeviceJson(1) + "]}\n",
        result.output);
}

TEST_F(KorfwTest, InfoReportsTheIdentificationOfTheFirstAcceptedCamera) {
    ASSERT_TRUE(m_camera.Load(TwoCameras()));
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
    EXPECT_EQ(77, StateAfter(L"focus set 77").lensPosition);
    EXPECT_EQ("{\"command\":\"focus get\",\"ok\":true,\"device\":" + DeviceJson() + ",\"position\":77}\n",
              Korfw(L"--json focus get", 0).output);

    EXPECT_EQ(1, StateAfter(L"strobe on").strobeLed);
    EXPECT_EQ(0, StateAfter(L"strobe off").strobeLed);
    EXPECT_EQ(1, StateAfter(L"gpo 8 1").strobeOutput);
    EXPECT_EQ(0, StateAfter(L"gpo 8 0").strobeOutput);

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
    // Reset writes the bridge chip's USB reset register (0xB005).
    SimLogClear();
    Korfw(L"reset", 0);
    bool bResetWrite = false;
    SimLogEntry write = {};
    for (DWORD dwSeq = 0; !bResetWrite && SimLogFind(SIM_OP_WRITE_CHIP, dwSeq, &write); dwSeq = write.seq)
        bResetWrite = write.arg[0] == 0xB005u;
    EXPECT_TRUE(bResetWrite);
}

TEST_F(KorfwTest, RefusalsNameTheLibrarysErrorCode) {
    ASSERT_TRUE(m_camera.Load(TwoCameras()));
    ToolResult result = Korfw(L"-d 0 info", 1);
    EXPECT_TRUE(Contains(result.errors, "InitLibrary failed: ERR_NOT_KOR_CAMERA (0x20000003)")) << result.errors;
    EXPECT_EQ("", result.output);
    // By path (any case), with JSON for the script.
    result = Korfw(L"--json -d \"" + Wide(kOtherPath) + L"\" gpi", 1);
    EXPECT_EQ(
        "{\"command\":\"gpi\",\"ok\":false,\"error\":{\"call\":\"InitLibrary\",\"code\":536870915,"
        "\"name\":\"ERR_NOT_KOR_CAMERA\",\"message\":\"the device is not the requested camera or not a KOR "
        "camera\"}}\n",
        result.output);

    ASSERT_TRUE(m_camera.Load(OurCamera()));
    // Extension-unit control 7 carries the chip ID.
    ASSERT_TRUE(SimInjectFaultFor(SIM_OP_GET_XU, 0, 1, -1, 0, 7));
    result = Korfw(L"info", 1);
    EXPECT_TRUE(Contains(result.errors, "korfw: GetUVCChipId failed: ERR_XU_TRANSFER (0x20000005)")) << result.errors;

    ASSERT_TRUE(m_camera.Load("[camera]\nname = Other\npath = " + std::string(kOtherPath) + "\n"));
    result = Korfw(L"info", 1);
    EXPECT_TRUE(Contains(result.errors, "none of the 1 video-input devices is a camera the library accepts"))
        << result.errors;
}

TEST_F(KorfwTest, BadInputIsRefusedBeforeTheComponentIsTouched) {
    // One command line per line.
    std::wstring bad =
        L"\ntake-picture\nfocus set 256\nfocus set -1\nfocus set 12x\ngpo 7 1\ngpo 8 2\nreg read 30zz\n"
        L"reg read 0x10000\naf\n--verbose info\n-d 5 info\n-d \\\\?\\usb#nothing info\n-d 0 list\n"
        L"af trigger --timeout 5\naf trigger --wait --timeout 0\naf trigger --wait --timeout 1.0001\nformats now\n"
        L"still --size 640\nstill --size 0x480\nstill --format RGB24\nstill -o picture.bmp\nstill -o\n"
        L"still --format YUY2 -o picture.jpg\nstill --timeout\nstill --flash\n";
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
    ASSERT_TRUE(m_camera.Load(TwoCameras()));
    struct Case {
        const wchar_t *pszArguments;
        DWORD dwExit;
        int cSessions;
    } const kCases[] = {{L"info", 0, 1}, {L"-d 0 info", 1, 1}, {L"focus set 300", 2, 0},
                        {L"list", 0, 0}, {L"formats", 0, 0},   {L"-d 1 still --size 1x1", 1, 1}};
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
    ASSERT_TRUE(OpenSession(Wide(kOurPath).c_str(), &dwError)) << dwError;
    // Registered by the session: removing it succeeds only then.
    EXPECT_TRUE(SetConsoleCtrlHandler(OnConsoleControl, FALSE)) << GetLastError();
    EXPECT_FALSE(OnConsoleControl(CTRL_C_EVENT)) << "the system's default handling must end the process";
    int iSensorId = 0;
    EXPECT_EQ(-1, GetSensorId(&iSensorId));
    EXPECT_EQ(ERR_NOT_INITIALISED, GetLastError());
    CloseSession();
    EXPECT_FALSE(OnConsoleControl(CTRL_BREAK_EVENT));
    EXPECT_EQ(1u, capture.Count(L"korfw: InitLibrary\n"));
    EXPECT_EQ(1u, capture.Count(L"korfw: DeInitLibrary\n"));
}

TEST_F(KorfwTest, FormatsListBothPinsInBothForms) {
    ASSERT_TRUE(m_camera.Load(
        OurCamera("capture = YUY2 640x480, YUY2 1280x960, MJPG 1920x1080\nstill = MJPG 2592x1944, YUY2 640x480\n")));
    EXPECT_EQ("{\"command\":\"formats\",\"ok\":true,\"device\":" + DeviceJson() +
                  ",\"capture\":[{\"subtype\":\"YUY2\",\"width\":640,\"height\":480,\"fps\":30},{\"subtype\":"
                  "\"YUY2\",\"width\":1280,\"height\":960,\"fps\":10},{\"subtype\":\"MJPG\",\"width\":1920,"
                  "\"height\":1080,\"fps\":15}],\"still\":[{\"subtype\":\"MJPG\",\"width\":2592,\"height\":1944},"
                  "{\"subtype\":\"YUY2\",\"width\":640,\"height\":480}]}\n",
              Korfw(L"--json formats", 0).output);
    std::string human = Korfw(L"formats", 0).output;
    EXPECT_TRUE(Contains(human, "\ncapture:    YUY2 640x480 at 30 fps\n            YUY2 1280x960 at 10 fps\n") &&
                Contains(human, "\nstill:      MJPG 2592x1944\n            YUY2 640x480\n"))
        << human;
}

// Each still as a script takes it: the file, the report and, in the call
// log, the strobe on before the trigger and off after it.
TEST_F(KorfwTest, StillsAreTakenAsTheViewerTakesThem) {
    TempFolder folder;
    const std::wstring dir = folder.Path();
    ASSERT_TRUE(m_camera.Load(OurCamera("lens = 160\n")));  // in focus
    ToolResult result = Korfw(L"still -o " + dir, 0);
    std::vector<std::wstring> files = folder.Files();
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ(18u, files[0].size());
    std::vector<BYTE> jpeg = folder.Read(files[0]);
    EXPECT_TRUE(jpeg.size() > 1000 && jpeg[0] == 0xFF && jpeg[1] == 0xD8);
    EXPECT_TRUE(Contains(result.output, "path:       " + Narrow(dir + L"\\" + files[0]) + "\nformat:     MJPG\n" +
                                            "size:       2592x1944\nbytes:      " + std::to_string(jpeg.size()) +
                                            "\nflash:      yes\nautofocus:  not run\ntime:       "))
        << result.output;
    EXPECT_EQ("on trigger off ", StrobeAndTrigger());

    // YUY2 into a file of that name, without the flash: a top-down 24-bit bitmap.
    const std::wstring file = dir + L"\\still.bmp";
    SimLogClear();
    result = Korfw(L"--json still --format YUY2 --size 640x480 --no-flash -o " + file, 0);
    EXPECT_EQ(0u, result.output.find("{\"command\":\"still\",\"ok\":true,\"device\":" + DeviceJson() +
                                     ",\"path\":" + Json(Narrow(file)) +
                                     ",\"format\":\"YUY2\",\"width\":640,\"height\":480,\"bytes\":921654,"
                                     "\"flash\":false,\"autofocus\":null,\"ms\":"))
        << result.output;
    EXPECT_EQ("trigger ", StrobeAndTrigger());
    std::vector<BYTE> bitmap = folder.Read(L"still.bmp");
    const BYTE kHeaders[54] = {'B', 'M', 0x36, 0x10, 0x0E, 0,    0,    0, 0, 0,  54, 0, 0, 0, 40, 0, 0,    0,   0x80,
                               2,   0,   0,    0x20, 0xFE, 0xFF, 0xFF, 1, 0, 24, 0,  0, 0, 0, 0,  0, 0x10, 0x0E};
    ASSERT_EQ(921654u, bitmap.size());
    EXPECT_EQ(0, memcmp(kHeaders, bitmap.data(), sizeof(kHeaders)));
    EXPECT_GT(ShareLikeTheCamerasPicture(bitmap), 0.9);

    // No flash connected: taken without it, and the report says so.
    ASSERT_TRUE(m_camera.Load(OurCamera("flash = no\n")));
    EXPECT_TRUE(Contains(Korfw(L"--json still -o " + dir, 0).output, ",\"flash\":false,"));
    EXPECT_EQ("trigger ", StrobeAndTrigger());
}

TEST_F(KorfwTest, StillFilesAreNamedAsTheViewerNamesThemAndNeverReplaced) {
    TempFolder folder;
    const std::wstring dir = folder.Path();
    for (const std::wstring &name : NamesOfTheNextMinute()) {
        HANDLE hFile = CreateFileW((dir + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
        CloseHandle(hFile);
    }
    ToolResult result = Korfw(L"--json still -o " + dir, 0);
    EXPECT_TRUE(Contains(result.output, "_2.jpg\",\"format\":\"MJPG\",")) << result.output;
    EXPECT_EQ(62u, folder.Files().size());
    for (const std::wstring &name : folder.Files())
        EXPECT_EQ(name.find(L"_2") == std::wstring::npos, folder.Read(name).empty()) << Narrow(name);

    const std::wstring taken = dir + L"\\" + NamesOfTheNextMinute()[0];
    SimLogClear();
    result = Korfw(L"still -o " + taken, 1);
    EXPECT_TRUE(Contains(result.errors, "exists: korfw never replaces a file")) << result.errors;
    EXPECT_TRUE(folder.Read(NamesOfTheNextMinute()[0]).empty());
    EXPECT_EQ("", StrobeAndTrigger());
}

// Stills that cannot be taken: exit 1 with the reason, no file, the strobe
// off; the refusals come before any trigger.
TEST_F(KorfwTest, StillsThatCannotBeTakenLeaveNothingBehind) {
    struct Case {
        const char *pszKeys;
        const wchar_t *pszOptions;
        int iFocusHeld;  // the focus state register held, or -1
        HRESULT hrRun;   // the capture filter's Run fails with this, or S_OK
        const char *pszReason;
        const char *pszEvents;
    } const kCases[] = {
        {"", L"--size 1000x1000", -1, S_OK,
         "the still pin does not offer MJPG 1000x1000; it offers MJPG 2592x1944, MJPG 1280x960, MJPG 640x480, YUY2 "
         "2592x1944, YUY2 1280x960, YUY2 640x480",
         ""},
        {"still = MJPG 640x480\n", L"--format YUY2", -1, S_OK, "does not offer YUY2; it offers MJPG 640x480", ""},
        {"still_lost = yes\n", L"--timeout 1", -1, S_OK, "the still did not arrive within 1 s", "on trigger off "},
        {"", L"--af --timeout 1.5", 0x00, S_OK, "the camera did not report focus within 1.5 s", ""},
        // Wine's graph does not pass the camera's failure on: the camera's own state tells.
        {"", L"", -1, HRESULT_FROM_WIN32(ERROR_NO_SYSTEM_RESOURCES),
         "the camera's graph could not be built and run (0x80040226", ""},
    };
    TempFolder folder;
    for (const Case &c : kCases) {
        ASSERT_TRUE(m_camera.Load(OurCamera(c.pszKeys)));
        ASSERT_TRUE(c.iFocusHeld < 0 || SimHoldFocusState(0, c.iFocusHeld));
        ASSERT_TRUE(SUCCEEDED(c.hrRun) || SimInjectFault(SIM_OP_FILTER_RUN, 0, c.hrRun));
        ToolResult result = Korfw(L"--json still -o " + folder.Path() + L" " + c.pszOptions, 1);
        EXPECT_EQ(0u, result.output.find("{\"command\":\"still\",\"ok\":false,\"error\":{\"message\":"));
        EXPECT_TRUE(Contains(result.output, c.pszReason)) << result.output;
        EXPECT_EQ(c.pszEvents, StrobeAndTrigger()) << c.pszReason;
        EXPECT_EQ(0, CameraState(0).strobeOutput);
        EXPECT_EQ(0, CameraState(0).filtersAlive);
        EXPECT_TRUE(folder.Files().empty());
    }
}

// A still with --af and af trigger --wait both end at focused (and no
// still is triggered while the camera keeps focusing: the case above).
TEST_F(KorfwTest, AutofocusIsReachedBeforeTheTrigger) {
    TempFolder folder;
    ToolResult result = Korfw(L"--json still --af -o " + folder.Path(), 0);
    EXPECT_TRUE(Contains(result.output, ",\"autofocus\":{\"state\":\"focused\",\"position\":160},")) << result.output;
    EXPECT_EQ(1u, folder.Files().size());
    EXPECT_EQ(160, CameraState(0).lensPosition);

    EXPECT_TRUE(Contains(Korfw(L"af trigger --wait", 0).output, "autofocus:  focused\nposition:   160\n"));
    EXPECT_TRUE(Contains(Korfw(L"--json af trigger --wait --timeout 5", 0).output,
                         ",\"autofocus\":\"focused\",\"position\":160}\n"));
    ASSERT_TRUE(SimHoldFocusState(0, 0x00));
    result = Korfw(L"af trigger --wait --timeout 0.5", 1);
    EXPECT_TRUE(Contains(result.errors, "did not report focus within 0.5 s (the last state read: focusing)"));
}

// Ctrl+C while a still is awaited: the strobe goes off and the graph stops
// before the session closes.
TEST_F(KorfwTest, CtrlCDuringAStillLetsGoOfTheCameraFirst) {
    ASSERT_TRUE(m_camera.Load(OurCamera("still_lost = yes\n")));
    TempFolder folder;
    bool bTriggered = false;
    std::thread user([&] {
        bTriggered = PumpUntil(
            [] {
                SimCameraState state = {};
                return SimGetCameraState(0, &state) && state.stillTriggers > 0;
            },
            60000);
        (void)OnConsoleControl(CTRL_C_EVENT);
    });
    DebugCapture capture;
    std::wstring dir = folder.Path();
    WCHAR *argv[] = {const_cast<WCHAR *>(L"still"), const_cast<WCHAR *>(L"-o"), &dir[0]};
    PictureCommands pictures;
    EXPECT_EQ(kExitStopped, RunKorfw(3, argv, &pictures));
    user.join();
    EXPECT_TRUE(bTriggered);
    EXPECT_EQ("on trigger off ", StrobeAndTrigger());
    EXPECT_EQ(0, CameraState(0).filtersAlive);
    EXPECT_EQ(1u, capture.Count(L"korfw: DeInitLibrary\n"));
}

}  // namespace
