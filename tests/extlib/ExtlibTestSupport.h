// ExtlibTestSupport.h - what the KORFwSw tests share: the simulated camera's
// paths and scenarios, the component call log decoded into sensor register
// accesses, and a fixture that starts every test from the default camera
// without a session.
#ifndef TESTS_EXTLIB_EXTLIBTESTSUPPORT_H
#define TESTS_EXTLIB_EXTLIBTESTSUPPORT_H

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "KORFwSw.h"
#include "SimCamControl.h"

// Device path of the simulated camera in every scenario built here.
extern const WCHAR kCameraPath[];
extern const char kCameraPathText[];
// Another vendor's webcam (2 cameras scenario lists it first).
extern const WCHAR kOtherCameraPath[];

// A scenario with our camera (index 0) plus the given [camera] keys.
std::string CameraScenario(const std::string &extraKeys = std::string());
// Another vendor's webcam first, then our camera (index 1).
std::string TwoCameraScenario();

// The component call log since the last SimLogClear.
std::vector<SimLogEntry> ReadComponentLog();
std::vector<SimLogEntry> EntriesOf(const std::vector<SimLogEntry> &log, SimOp op);
// Log entries of one operation on one chip register (arg[0]).
std::vector<SimLogEntry> ChipEntries(const std::vector<SimLogEntry> &log, SimOp op, WORD address);

// One sensor register access, decoded from a successful control-16 packet
// (and, for a read, the reply that followed it).
struct SensorAccess {
    bool bWrite;
    WORD address;
    BYTE value;
    bool operator==(const SensorAccess &other) const {
        return bWrite == other.bWrite && address == other.address && value == other.value;
    }
};
std::ostream &operator<<(std::ostream &os, const SensorAccess &access);
inline SensorAccess SensorWrite(WORD address, BYTE value) { return SensorAccess{true, address, value}; }

std::vector<SensorAccess> SensorAccesses(const std::vector<SimLogEntry> &log);
std::vector<SensorAccess> SensorWrites(const std::vector<SimLogEntry> &log);
// How many reads of one sensor register the log holds.
size_t SensorReadCount(const std::vector<SimLogEntry> &log, WORD address);

// Milliseconds that run takes (performance counter). Tests assert lower
// bounds only: the library's fixed waits; upper bounds would measure the
// machine.
double ElapsedMs(const std::function<void()> &run);
// What a lower bound allows for clock granularity: a sleep may end a little
// before its time as the counter sees it.
const double kWaitSlackMs = 2.0;

// simcam's DllCanUnloadNow: S_OK when no component object is alive.
HRESULT SimcamCanUnloadNow();

// Starts every test with the default camera, no session, no faults, an
// empty log; ends it with the session closed.
class ExtlibTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Loads the scenario (default camera when null) and opens a session on
    // our camera; the log is cleared afterwards. False when either failed.
    bool OpenSession(const std::string &scenario = std::string());
    bool LoadScenario(const std::string &scenario);
};

#endif  // TESTS_EXTLIB_EXTLIBTESTSUPPORT_H
