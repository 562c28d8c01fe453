// SessionTest.cpp - KORFwSw sessions: InitLibrary and DeInitLibrary
// through the real COM activation of the simulated component, camera
// identification by path, calls without a session, and the debug lines.
#include <windows.h>
#include <objbase.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ExtlibTestSupport.h"
#include "common/DebugCapture.h"
#include "common/DebuggerRun.h"
#include "common/TestMain.h"

namespace {

const wchar_t kLineNoDevices[] = L"Failed to get capture devices\r\n";
const wchar_t kLineNotRequested[] = L"Non KOR Device 1  ...\r\n";
const wchar_t kLineNotOpened[] = L"Non KOR Device...\r\n";
const wchar_t kLineNoVMDevice[] = L"CoCreateInstance Failed for CLSID_CVMDevice\r\n";
const wchar_t kLineNoXUControl[] = L"CoCreateInstance Failed for CLSID_CXUVMControl\r\n";

// Child mode of this program, started under a debugger by a test.
const char kChildInitArg[] = "--child-init-library";

const ULONG kEnumerateCapacity = 10;
const DWORD kDeviceValueTag = 0x53430000;  // simcam's device values: tag | camera index

std::vector<DWORD> Ops(const std::vector<SimLogEntry> &log) {
    std::vector<DWORD> ops;
    for (const SimLogEntry &entry : log) ops.push_back(entry.op);
    return ops;
}

// True when a session is open, asked through an export that needs one and
// makes no component call with firmware below 5 or fails at once without.
bool SessionOpen() {
    SetLastError(0);
    int iReady = IsSensorReady();
    return !(iReady == 0 && GetLastError() == ERR_NOT_INITIALISED);
}

}  // namespace

class SessionTest : public ExtlibTest {};

// ---------------------------------------------------------------------------
// Without a session.

TEST_F(SessionTest, DeviceExportsWithoutSessionFailWithNotInitialised) {
    int iStatus = 42;
    SHORT sPosition = 77;
    int iBits = 42;
    int iSensorId = 42;
    WCHAR szVersion[30] = L"untouched";
    USHORT usChipId = 42;
    struct Call {
        const char *pszName;
        std::function<int()> call;
        int iExpected;
    };
    const Call calls[] = {
        {"AFFreezeControl", [] { return AFFreezeControl(AF_SINGLE_TRIGGER); }, -1},
        {"AFFreezeControl(other mode)", [] { return AFFreezeControl(4); }, -1},
        {"GetAFStatus", [&] { return GetAFStatus(&iStatus); }, -1},
        {"SetManualFocusPosition", [] { return SetManualFocusPosition(100); }, -1},
        {"GetManualFocusPosition", [&] { return GetManualFocusPosition(&sPosition); }, -1},
        {"StrobeControl", [] { return StrobeControl(6); }, -1},
        {"ControlGPO", [] { return ControlGPO(8, 1); }, -1},
        {"ControlGPO(wrong output)", [] { return ControlGPO(7, 1); }, -1},
        {"GetGPIStatus", [&] { return GetGPIStatus(&iBits); }, -1},
        {"GetSensorId", [&] { return GetSensorId(&iSensorId); }, -1},
        {"GetFirmwareVersionInfo", [&] { return GetFirmwareVersionInfo(szVersion); }, -1},
        {"GetUVCChipId", [&] { return GetUVCChipId(&usChipId); }, -1},
        {"ReadRegister", [] { return ReadRegister(0x300A); }, -1},
        {"IsSensorReady", [] { return IsSensorReady(); }, 0},
        {"ResetUSBCamera", [] { return ResetUSBCamera(); }, 0},
    };
    SimLogClear();
    for (const Call &call : calls) {
        SetLastError(0);
        EXPECT_EQ(call.iExpected, call.call()) << call.pszName;
        EXPECT_EQ(ERR_NOT_INITIALISED, GetLastError()) << call.pszName;
    }
    EXPECT_EQ(0, sPosition) << "GetManualFocusPosition clears its out-value first";
    EXPECT_EQ(42, iStatus);
    EXPECT_EQ(42, iBits);
    EXPECT_EQ(42, iSensorId);
    EXPECT_STREQ(L"untouched", szVersion);
    EXPECT_EQ(42, usChipId);
    EXPECT_EQ(0u, SimLogCount()) << "no component call without a session";
}

TEST_F(SessionTest, DeInitLibraryWithoutSessionSucceeds) {
    SetLastError(0x1234);
    EXPECT_EQ(1, DeInitLibrary());
    EXPECT_EQ(0u, GetLastError());
    EXPECT_EQ(1, DeInitLibrary());
}

TEST_F(SessionTest, DeInitLibraryNeverClosesTheCallersComApartment) {
    // A thread with its own apartment: one balanced session, then more
    // DeInitLibrary calls than InitLibrary calls. The apartment must stay.
    HRESULT hrOwn = E_FAIL, hrAfter = E_FAIL;
    int iInit = 0;
    std::thread worker([&] {
        hrOwn = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
        iInit = InitLibrary(kCameraPath);
        (void)DeInitLibrary();
        (void)DeInitLibrary();
        (void)DeInitLibrary();
        hrAfter = CoInitialize(NULL);  // S_FALSE: still initialised
        if (SUCCEEDED(hrAfter)) CoUninitialize();
        if (SUCCEEDED(hrOwn)) CoUninitialize();
    });
    worker.join();
    EXPECT_EQ(S_OK, hrOwn);
    EXPECT_EQ(1, iInit);
    EXPECT_EQ(S_FALSE, hrAfter);
}

// ---------------------------------------------------------------------------
// Camera identification by path.

TEST_F(SessionTest, IsKORCameraAcceptsCapitalsAndLowercasesInPlace) {
    WCHAR szPath[] =
        L"\\\\?\\USB#VID_2C7A&PID_04E1&MI_00#6&2F3A8C1&0&0000#{65E8773D-8F56-11D0-A3B9-00A0C9223196}\\GLOBAL";
    SetLastError(0x1234);
    EXPECT_EQ(1, IsKORCamera(szPath));
    EXPECT_EQ(0u, GetLastError());
    EXPECT_STREQ(kCameraPath, szPath);
}

TEST_F(SessionTest, IsKORCameraRejectsOtherPaths) {
    const WCHAR *apszRejected[] = {
        L"\\\\?\\hid#vid_2c7a&pid_04e1&mi_00#6&2f3a8c1&0&0000\\global",  // not usb
        L"\\\\?\\usb#pid_04e1&mi_00#6&2f3a8c1&0&0000\\global",           // no vid_: vendor FFFF
        L"\\\\?\\usb#vid_2c7a&mi_00#6&2f3a8c1&0&0000\\global",           // no pid_
        L"\\\\?\\USB#VID_AB12&PID_3C4D&MI_00#7&1B4E92A&0&0000\\GLOBAL",  // another vendor
        L"\\\\?\\usb#vid_2c7a&pid_04e2&mi_00",                           // another product
        L"\\\\?\\usb#vid_2c7a&pid_04e",                                  // product text cut short
        L"\\\\?\\usb#vid_2c7a&pid_",                                     // product text empty
        L"\\\\?\\usb#vid_ffff&pid_ffff",                                 // the "absent" IDs themselves
        L"",
    };
    for (const WCHAR *pszRejected : apszRejected) {
        std::wstring path = pszRejected;
        SetLastError(0);
        EXPECT_EQ(0, IsKORCamera(&path[0])) << pszRejected;
        EXPECT_EQ(ERR_NOT_KOR_CAMERA, GetLastError());
    }
}

TEST_F(SessionTest, NullPathsAreRejected) {
    SimLogClear();
    SetLastError(0);
    EXPECT_EQ(0, IsKORCamera(NULL));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
    SetLastError(0);
    EXPECT_EQ(-1, InitLibrary(NULL));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(0u, SimLogCount());
}

// ---------------------------------------------------------------------------
// InitLibrary.

TEST_F(SessionTest, InitLibraryCreatesListsOpensAndBindsTheCamera) {
    DebugCapture capture;
    SimLogClear();
    SetLastError(0x1234);
    ASSERT_EQ(1, InitLibrary(kCameraPath));
    EXPECT_EQ(0u, GetLastError());

    std::vector<SimLogEntry> log = ReadComponentLog();
    const std::vector<DWORD> expected = {SIM_OP_CREATE_VMDEVICE, SIM_OP_CREATE_XUCONTROL, SIM_OP_ENUMERATE, SIM_OP_OPEN,
                                         SIM_OP_BIND_VALUE,      SIM_OP_BIND_OBJECT,      SIM_OP_READ_INFO};
    ASSERT_EQ(expected, Ops(log));
    EXPECT_EQ(kEnumerateCapacity, log[2].arg[0]);
    EXPECT_EQ(wcslen(L"Tessaline 5MPixel Cam"), log[3].arg[0]) << "OpenDevice gets the name's length";
    EXPECT_EQ(0, log[3].result);
    EXPECT_EQ(log[3].arg[1], log[4].arg[0]) << "bound to the opened device value";
    EXPECT_EQ(0, log[4].camera);
    EXPECT_EQ(1u, log[5].arg[0]) << "bound to the opened device object";
    EXPECT_EQ(0, log[5].camera);
    EXPECT_EQ(160u, log[6].arg[0]);
    EXPECT_EQ(153u, log[6].arg[1]);
    EXPECT_TRUE(capture.Lines().empty());

    EXPECT_EQ(1, DeInitLibrary());
    EXPECT_EQ(S_OK, SimcamCanUnloadNow()) << "every component object released";
}

TEST_F(SessionTest, PathDifferingOnlyInLetterCaseIsNotFound) {
    std::wstring upper = kCameraPath;
    for (WCHAR &ch : upper) ch = (WCHAR)towupper(ch);
    DebugCapture capture;
    SimLogClear();
    EXPECT_EQ(-1, InitLibrary(upper.c_str()));
    EXPECT_EQ(ERR_NOT_KOR_CAMERA, GetLastError());
    EXPECT_EQ(1u, capture.Count(kLineNotRequested));
    EXPECT_TRUE(EntriesOf(ReadComponentLog(), SIM_OP_OPEN).empty());
    EXPECT_FALSE(SessionOpen());
    EXPECT_EQ(S_OK, SimcamCanUnloadNow());
}

TEST_F(SessionTest, NoListedDeviceFailsWithNoCaptureDevices) {
    ASSERT_TRUE(m_camera.Load("# no camera plugged in\n"));
    DebugCapture capture;
    EXPECT_EQ(-1, InitLibrary(kCameraPath));
    EXPECT_EQ(ERR_NO_CAPTURE_DEVICES, GetLastError());
    EXPECT_EQ(1u, capture.Count(kLineNoDevices));
    EXPECT_FALSE(SessionOpen());
    EXPECT_EQ(S_OK, SimcamCanUnloadNow());
}

TEST_F(SessionTest, RequestedCameraWithForeignIdsIsOpenedThenRejected) {
    ASSERT_TRUE(m_camera.Load(TwoCameraScenario()));
    DebugCapture capture;
    SimLogClear();
    EXPECT_EQ(-1, InitLibrary(kOtherCameraPath));
    EXPECT_EQ(ERR_NOT_KOR_CAMERA, GetLastError());
    std::vector<SimLogEntry> log = ReadComponentLog();
    ASSERT_EQ(1u, EntriesOf(log, SIM_OP_OPEN).size());
    EXPECT_EQ(0, EntriesOf(log, SIM_OP_OPEN)[0].result);
    EXPECT_TRUE(EntriesOf(log, SIM_OP_BIND_VALUE).empty());
    EXPECT_EQ(1u, capture.Count(kLineNotRequested)) << "our camera, listed second, is not the requested one";
    EXPECT_FALSE(SessionOpen());
    EXPECT_EQ(S_OK, SimcamCanUnloadNow()) << "the rejected device object is released";
}

TEST_F(SessionTest, RequestedCameraListedSecondIsFound) {
    ASSERT_TRUE(m_camera.Load(TwoCameraScenario()));
    DebugCapture capture;
    SimLogClear();
    ASSERT_EQ(1, InitLibrary(kCameraPath));
    std::vector<SimLogEntry> binds = EntriesOf(ReadComponentLog(), SIM_OP_BIND_VALUE);
    ASSERT_EQ(1u, binds.size());
    EXPECT_EQ(kDeviceValueTag | 1u, binds[0].arg[0]);
    EXPECT_EQ(1u, capture.Count(kLineNotRequested));
}

TEST_F(SessionTest, OverReportedDevicesAreLookedAtUpToTheCapacity) {
    ASSERT_TRUE(m_camera.Load(TwoCameraScenario()));
    SimSetEnumerateOverreport(25);
    {
        // Two real records, eight left empty by the component, none beyond.
        DebugCapture capture;
        EXPECT_EQ(-1, InitLibrary(L"\\\\?\\usb#vid_2c7a&pid_04e1&mi_00#not-plugged-in"));
        EXPECT_EQ(ERR_NOT_KOR_CAMERA, GetLastError());
        EXPECT_EQ(kEnumerateCapacity, capture.Count(kLineNotRequested));
    }
    EXPECT_EQ(1, InitLibrary(kCameraPath));
}

TEST_F(SessionTest, RecordTooShortForItsPrefixIsSkipped) {
    // The record's name is "@dev:usb#x": shorter than the 12-character prefix.
    ASSERT_TRUE(m_camera.Load("[camera]\npath = usb#x\nrecord_prefix = @dev:\n"));
    DebugCapture capture;
    SimLogClear();
    EXPECT_EQ(-1, InitLibrary(L""));
    EXPECT_EQ(ERR_NOT_KOR_CAMERA, GetLastError());
    EXPECT_EQ(1u, capture.Count(kLineNotRequested));
    EXPECT_TRUE(EntriesOf(ReadComponentLog(), SIM_OP_OPEN).empty());
}

TEST_F(SessionTest, EachFailingInitStepLeavesItsCode) {
    struct Step {
        SimOp op;
        DWORD dwCode;
        const wchar_t *pszLine;
        bool bSessionKept;
    };
    const Step steps[] = {
        {SIM_OP_CREATE_VMDEVICE, ERR_VMDEVICE_CREATE, kLineNoVMDevice, false},
        {SIM_OP_CREATE_XUCONTROL, ERR_XUCONTROL_CREATE, kLineNoXUControl, false},
        {SIM_OP_ENUMERATE, ERR_NO_CAPTURE_DEVICES, kLineNoDevices, false},
        {SIM_OP_OPEN, ERR_NOT_KOR_CAMERA, kLineNotOpened, false},
        {SIM_OP_READ_INFO, ERR_XU_TRANSFER, NULL, true},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(testing::Message() << "failing op " << step.op);
        SimClearFaults();
        ASSERT_EQ(1, SimInjectFault(step.op, 0, E_FAIL));
        DebugCapture capture;
        EXPECT_EQ(-1, InitLibrary(kCameraPath));
        EXPECT_EQ(step.dwCode, GetLastError());
        if (step.pszLine) {
            EXPECT_EQ(1u, capture.Count(step.pszLine));
        }
        EXPECT_EQ(step.bSessionKept, SessionOpen());
        if (step.bSessionKept) {
            // Bound and usable, with the version of the last successful read.
            SimClearFaults();
            EXPECT_EQ(0x56, ReadRegister(0x300A));
        } else {
            EXPECT_EQ(S_OK, SimcamCanUnloadNow());
        }
        EXPECT_EQ(1, DeInitLibrary());
    }
}

TEST_F(SessionTest, InitLibraryWaitsHalfASecondFirst) {
    ASSERT_TRUE(m_camera.Load(CameraScenario()));
    int iResult = 0;
    double dMs = ElapsedMs([&] { iResult = InitLibrary(kCameraPath); });
    EXPECT_EQ(1, iResult);
    EXPECT_GE(dMs, 500.0 - kWaitSlackMs);
    // The wait comes first: also a call that fails at once takes it.
    (void)DeInitLibrary();
    ASSERT_EQ(1, SimInjectFault(SIM_OP_CREATE_VMDEVICE, 0, E_FAIL));
    dMs = ElapsedMs([&] { iResult = InitLibrary(kCameraPath); });
    EXPECT_EQ(-1, iResult);
    EXPECT_GE(dMs, 500.0 - kWaitSlackMs);
}

TEST_F(SessionTest, FailedFirmwareReadKeepsTheVersionOfTheLastRead) {
    // Firmware 7 asks the sensor whether it is ready; below 5 it would not.
    ASSERT_TRUE(m_camera.Load(CameraScenario("firmware = 7\n")));
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimInjectFault(SIM_OP_READ_INFO, 0, E_FAIL));
    SetLastError(0);
    EXPECT_EQ(-1, InitLibrary(kCameraPath));
    EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());
    SimClearFaults();
    ASSERT_EQ(1, SimHoldSensorState(0, 3));
    SimLogClear();
    EXPECT_EQ(0, IsSensorReady()) << "the readiness check was switched off";
    EXPECT_EQ(1u, ChipEntries(ReadComponentLog(), SIM_OP_READ_CHIP, 0xB306).size());
}

TEST_F(SessionTest, DeInitLibraryUndoesEachInitLibrarysComInitialisation) {
    // Fresh threads without an apartment of their own: once the sessions are
    // closed, COM is uninitialised there again, so CoInitialize gives S_OK.
    ASSERT_TRUE(m_camera.Load(CameraScenario()));
    for (int cInits : {1, 2}) {
        SCOPED_TRACE(testing::Message() << cInits << " InitLibrary calls");
        int iLastInit = 0, iDeInit = 0;
        HRESULT hrAfter = E_FAIL;
        std::thread worker([&] {
            for (int i = 0; i < cInits; ++i) iLastInit = InitLibrary(kCameraPath);
            iDeInit = DeInitLibrary();
            hrAfter = CoInitialize(NULL);
            if (SUCCEEDED(hrAfter)) CoUninitialize();
        });
        worker.join();
        EXPECT_EQ(1, iLastInit);
        EXPECT_EQ(1, iDeInit);
        EXPECT_EQ(S_OK, hrAfter) << "COM was left initialised on the thread";
    }
}

TEST_F(SessionTest, CodesSurviveTheDebugLinesWithoutAHandler) {
    // No capture handler: the platform's own debug output runs and must not
    // change the code left for the caller.
    ASSERT_TRUE(m_camera.Load("# no camera plugged in\n"));
    SetLastError(0);
    EXPECT_EQ(-1, InitLibrary(kCameraPath));
    EXPECT_EQ(ERR_NO_CAPTURE_DEVICES, GetLastError());

    ASSERT_TRUE(m_camera.Load(CameraScenario()));
    ASSERT_EQ(1, SimInjectFault(SIM_OP_CREATE_VMDEVICE, 0, E_FAIL));
    SetLastError(0);
    EXPECT_EQ(-1, InitLibrary(kCameraPath));
    EXPECT_EQ(ERR_VMDEVICE_CREATE, GetLastError());
}

TEST_F(SessionTest, SecondInitLibraryReplacesTheSession) {
    ASSERT_EQ(1, InitLibrary(kCameraPath));
    SimLogClear();
    ASSERT_EQ(1, InitLibrary(kCameraPath));
    EXPECT_EQ(1u, EntriesOf(ReadComponentLog(), SIM_OP_CREATE_XUCONTROL).size());
    EXPECT_EQ(0x56, ReadRegister(0x300A));

    // A failing third call has closed the second session first.
    ASSERT_EQ(1, SimInjectFault(SIM_OP_CREATE_XUCONTROL, 0, E_FAIL));
    EXPECT_EQ(-1, InitLibrary(kCameraPath));
    EXPECT_EQ(ERR_XUCONTROL_CREATE, GetLastError());
    EXPECT_FALSE(SessionOpen());
    EXPECT_EQ(S_OK, SimcamCanUnloadNow()) << "both sessions' objects released";
}

TEST_F(SessionTest, DebugLineReachesARealDebugger) {
    // The child program has no handler of its own: the line must come out
    // through the platform's debug output to its debugger.
    ASSERT_EQ(1, SimInjectFault(SIM_OP_CREATE_VMDEVICE, 0, E_FAIL));
    std::wstring commandLine =
        L"\"" + CurrentProgramPath() + L"\" " + std::wstring(kChildInitArg, kChildInitArg + strlen(kChildInitArg));
    DebuggerRunResult result = RunUnderDebugger(commandLine, 60000);
    ASSERT_TRUE(result.bStarted);
    ASSERT_TRUE(result.bFinished);
    EXPECT_EQ(0u, result.dwExitCode) << "InitLibrary in the child did not fail as expected";
    size_t cLines = 0;
    for (const std::wstring &line : result.lines) {
        if (line == kLineNoVMDevice) ++cLines;
    }
    EXPECT_EQ(1u, cLines);
}

// The child: opens a session against an injected creation fault.
static int RunChildInitLibrary() {
    int iResult = InitLibrary(kCameraPath);
    DWORD dwError = GetLastError();
    (void)DeInitLibrary();
    return (iResult == -1 && dwError == ERR_VMDEVICE_CREATE) ? 0 : 1;
}

const TestChildMode g_InitChild(kChildInitArg, RunChildInitLibrary);
