// ExtlibTestSupport.h - what the KORFwSw tests share: the simulated camera's
// paths and scenarios, the component call log decoded into sensor register
// accesses, and a fixture that starts every test from the default camera
// without a session.
#ifndef KOR_TESTS_EXTLIB_EXTLIBTESTSUPPORT_H
#define KOR_TESTS_EXTLIB_EXTLIBTESTSUPPORT_H

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "KORFwSw.h"
#include "SimCamControl.h"
#include "common/CameraFixture.h"

// The camera's chip registers, sensor registers and the sensor control, as
// the library's tests name them.
const WORD kChipAnnounce = 0x8102;
const WORD kChipSensorState = 0xB306;
const WORD kChipReset = 0xB005;
const WORD kChipGpo8 = 0xB03C;
const WORD kChipInputs = 0x8107;
const WORD kRegAfCommand = 0x3022;
const WORD kRegAfAck = 0x3023;
const WORD kRegAfParameter = 0x3027;
const WORD kRegAfPosition = 0x3028;
const WORD kRegAfState = 0x3029;
const WORD kRegStrobeMode = 0x3016;
const WORD kRegStrobe = 0x3B00;
const ULONG kSensorSelector = 16;
const BYTE kSensorWriteOp = 0x79;
const BYTE kSensorReadOp = 0x78;

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

// Starts every test on the default camera (our camera at kCameraPath),
// with no session, no faults and an empty log; ends it with the session
// closed.
class ExtlibTest : public CameraTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Opens a session on our camera as the fixture loaded it; the log is
    // cleared afterwards. False when InitLibrary failed.
    bool OpenSession();
    // Makes the nth call of op (counted from now) the only one that fails,
    // with E_FAIL; clears the log and the last error for the call to come.
    void FailOnly(SimOp op, int nth);
};

#endif  // KOR_TESTS_EXTLIB_EXTLIBTESTSUPPORT_H
