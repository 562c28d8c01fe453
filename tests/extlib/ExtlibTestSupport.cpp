// ExtlibTestSupport.cpp - scenarios, log decoding and the common fixture.
#include "ExtlibTestSupport.h"

#include "common/TestKit.h"

#include <stdio.h>

#include <iomanip>
#include <ostream>

#define CAMERA_PATH_TEXT \
    "\\\\?\\usb#vid_2c7a&pid_04e1&mi_00#6&2f3a8c1&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global"
#define OTHER_CAMERA_PATH_TEXT \
    "\\\\?\\USB#VID_AB12&PID_3C4D&MI_00#7&1B4E92A&0&0000#{65E8773D-8F56-11D0-A3B9-00A0C9223196}\\GLOBAL"
#define WIDEN2(text) L##text
#define WIDEN(text)  WIDEN2(text)

const WCHAR kCameraPath[] = WIDEN(CAMERA_PATH_TEXT);
const char kCameraPathText[] = CAMERA_PATH_TEXT;
const WCHAR kOtherCameraPath[] = WIDEN(OTHER_CAMERA_PATH_TEXT);

std::string CameraScenario(const std::string &extraKeys) {
    return std::string("[camera]\nname = Tessaline 5MPixel Cam\npath = ") + kCameraPathText + "\n" + extraKeys;
}

std::string TwoCameraScenario() {
    return std::string("[camera]\nname = Integrated HD Webcam\npath = ") + OTHER_CAMERA_PATH_TEXT + "\nfirmware = 2\n" +
           CameraScenario();
}

std::vector<SimLogEntry> ReadComponentLog() {
    std::vector<SimLogEntry> log;
    DWORD dwCount = SimLogCount();
    if (dwCount > SIMCAM_MAX_LOG) dwCount = SIMCAM_MAX_LOG;
    for (DWORD i = 0; i < dwCount; ++i) {
        SimLogEntry entry;
        if (SimLogRead(i, &entry)) log.push_back(entry);
    }
    return log;
}

std::vector<SimLogEntry> EntriesOf(const std::vector<SimLogEntry> &log, SimOp op) {
    std::vector<SimLogEntry> entries;
    for (const SimLogEntry &entry : log) {
        if (entry.op == (DWORD)op) entries.push_back(entry);
    }
    return entries;
}

std::vector<SimLogEntry> ChipEntries(const std::vector<SimLogEntry> &log, SimOp op, WORD address) {
    std::vector<SimLogEntry> entries;
    for (const SimLogEntry &entry : EntriesOf(log, op)) {
        if (entry.arg[0] == address) entries.push_back(entry);
    }
    return entries;
}

std::ostream &operator<<(std::ostream &os, const SensorAccess &access) {
    return os << (access.bWrite ? "write " : "read ") << std::hex << "0x" << access.address << " = 0x"
              << (int)access.value << std::dec;
}

std::vector<SensorAccess> SensorAccesses(const std::vector<SimLogEntry> &log) {
    std::vector<SensorAccess> accesses;
    for (size_t i = 0; i < log.size(); ++i) {
        const SimLogEntry &entry = log[i];
        if (entry.op != SIM_OP_SET_XU || entry.arg[0] != kSensorSelector || entry.dataLen < 9 || entry.result != 0) {
            continue;
        }
        SensorAccess access;
        access.bWrite = entry.data[0] == kSensorWriteOp;
        access.address = (WORD)(entry.data[3] | (entry.data[4] << 8));
        access.value = entry.data[6];
        if (!access.bWrite) {
            access.value = 0;
            if (i + 1 < log.size() && log[i + 1].op == SIM_OP_GET_XU && log[i + 1].arg[0] == kSensorSelector &&
                log[i + 1].result == 0) {
                access.value = log[i + 1].data[6];
            }
        }
        accesses.push_back(access);
    }
    return accesses;
}

std::vector<SensorAccess> SensorWrites(const std::vector<SimLogEntry> &log) {
    std::vector<SensorAccess> writes;
    for (const SensorAccess &access : SensorAccesses(log)) {
        if (access.bWrite) writes.push_back(access);
    }
    return writes;
}

size_t SensorReadCount(const std::vector<SimLogEntry> &log, WORD address) {
    size_t cReads = 0;
    for (const SensorAccess &access : SensorAccesses(log)) {
        if (!access.bWrite && access.address == address) ++cReads;
    }
    return cReads;
}

double ElapsedMs(const std::function<void()> &run) {
    const double dStart = NowMs();
    run();
    return NowMs() - dStart;
}

HRESULT SimcamCanUnloadNow() {
    typedef HRESULT(STDAPICALLTYPE * CanUnloadNowFn)();
    HMODULE hSimcam = GetModuleHandleW(L"simcam.dll");
    if (!hSimcam) return E_FAIL;
    CanUnloadNowFn pfnCanUnloadNow =
        reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void (*)()>(GetProcAddress(hSimcam, "DllCanUnloadNow")));
    return pfnCanUnloadNow ? pfnCanUnloadNow() : E_FAIL;
}

void ExtlibTest::SetUp() {
    (void)DeInitLibrary();
    CameraTest::SetUp();
}

void ExtlibTest::TearDown() {
    (void)DeInitLibrary();
    CameraTest::TearDown();
}

void ExtlibTest::FailOnly(SimOp op, int nth) {
    m_camera.ClearFaults();
    EXPECT_EQ(1, SimInjectFault(op, nth, E_FAIL));
    m_camera.ClearLog();
    SetLastError(0);
}

bool ExtlibTest::OpenSession() {
    int iResult = InitLibrary(kCameraPath);
    EXPECT_EQ(1, iResult) << "InitLibrary, last error 0x" << std::hex << GetLastError();
    m_camera.ClearLog();
    return iResult == 1;
}
