// FeaturesTest.cpp - KORFwSw's camera features on an open session:
// sensor register packets, readiness, autofocus and manual focus, strobe,
// output 8 and the inputs, identification; every failing component step and
// the result and error-code conventions.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ExtlibTestSupport.h"
#include "common/DebugCapture.h"

namespace {

const DWORD kUntouchedError = 0xABCDu;

std::vector<BYTE> PacketOf(const SimLogEntry &entry) {
    return std::vector<BYTE>(entry.data, entry.data + entry.dataLen);
}

// Index of the control-16 packet that writes value to address, or -1.
int FindSensorWritePacket(const std::vector<SimLogEntry> &log, WORD address, BYTE value) {
    for (size_t i = 0; i < log.size(); ++i) {
        const SimLogEntry &entry = log[i];
        if (entry.op == SIM_OP_SET_XU && entry.arg[0] == 16 && entry.dataLen == 9 && entry.data[0] == 0x79 &&
            (entry.data[3] | (entry.data[4] << 8)) == address && entry.data[6] == value) {
            return (int)i;
        }
    }
    return -1;
}

bool HasTransfers(const std::vector<SimLogEntry> &log) {
    return !EntriesOf(log, SIM_OP_SET_XU).empty() || !EntriesOf(log, SIM_OP_WRITE_CHIP).empty();
}

}  // namespace

class SensorRegisterTest : public ExtlibTest {};
class AutoFocusTest : public ExtlibTest {};
class StrobeGpioTest : public ExtlibTest {};
class IdentificationTest : public ExtlibTest {};

// ---------------------------------------------------------------------------
// Sensor register access.

TEST_F(SensorRegisterTest, ReadIsReadinessQueryAnnouncePacketAndReply) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimSetSensorRegister(0, 0x300A, 0xC5));
    SetLastError(kUntouchedError);
    EXPECT_EQ(0xC5, ReadRegister(0x300A));
    EXPECT_EQ(kUntouchedError, GetLastError()) << "success leaves the last error alone";

    std::vector<SimLogEntry> log = ReadComponentLog();
    ASSERT_EQ(4u, log.size());
    EXPECT_EQ((DWORD)SIM_OP_READ_CHIP, log[0].op);
    EXPECT_EQ(kChipSensorState, log[0].arg[0]);
    EXPECT_EQ((DWORD)SIM_OP_WRITE_CHIP, log[1].op);
    EXPECT_EQ(kChipAnnounce, log[1].arg[0]);
    EXPECT_EQ(9u, log[1].arg[1]);
    EXPECT_EQ((DWORD)SIM_OP_SET_XU, log[2].op);
    EXPECT_EQ(16u, log[2].arg[0]);
    EXPECT_EQ(9u, log[2].arg[1]);
    EXPECT_EQ((std::vector<BYTE>{0x78, 0x02, 0x01, 0x0A, 0x30, 0x00, 0x00, 0x00, 0x00}), PacketOf(log[2]));
    EXPECT_EQ((DWORD)SIM_OP_GET_XU, log[3].op);
    EXPECT_EQ(16u, log[3].arg[0]);
    EXPECT_EQ(9u, log[3].arg[1]);
}

TEST_F(SensorRegisterTest, RegisterHoldingFFReadsAs255) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimSetSensorRegister(0, 0x5000, 0xFF));
    EXPECT_EQ(255, ReadRegister(0x5000));
}

TEST_F(SensorRegisterTest, FirmwareVersion4NeverAsksWhetherTheSensorIsReady) {
    ASSERT_TRUE(m_camera.Load(CameraScenario("firmware = 4\nsensor_id = 0x5640\n")));
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimHoldSensorState(0, 3));  // would say "not ready" if asked
    EXPECT_EQ(1, IsSensorReady());
    EXPECT_EQ(0x40, ReadRegister(0x300B));
    std::vector<SimLogEntry> log = ReadComponentLog();
    EXPECT_TRUE(EntriesOf(log, SIM_OP_READ_CHIP).empty());
    EXPECT_EQ(1u, SensorReadCount(log, 0x300B));
}

TEST_F(SensorRegisterTest, FirmwareVersion5AsksWhetherTheSensorIsReady) {
    ASSERT_TRUE(m_camera.Load(CameraScenario("firmware = 5\n")));
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimHoldSensorState(0, 3));
    SetLastError(0);
    EXPECT_EQ(0, IsSensorReady());
    EXPECT_EQ(ERR_SENSOR_NOT_READY, GetLastError());
    EXPECT_EQ(-1, ReadRegister(0x300B));
    std::vector<SimLogEntry> log = ReadComponentLog();
    EXPECT_EQ(2u, ChipEntries(log, SIM_OP_READ_CHIP, kChipSensorState).size());
    EXPECT_FALSE(HasTransfers(log));
}

TEST_F(SensorRegisterTest, EveryReadWaits50MillisecondsAndWritesDoNot) {
    ASSERT_TRUE(OpenSession());
    int iValue = -1;
    EXPECT_GE(ElapsedMs([&] { iValue = ReadRegister(0x300A); }), 50.0 - kWaitSlackMs);
    EXPECT_EQ(0x56, iValue);
    EXPECT_GE(ElapsedMs([&] {
                  for (int i = 0; i < 3; ++i) EXPECT_EQ(0x56, ReadRegister(0x300A));
              }),
              150.0 - kWaitSlackMs);
}

TEST_F(SensorRegisterTest, NotReadySensorStopsReadsBeforeAnyTransfer) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimHoldSensorState(0, 3));
    SetLastError(0);
    EXPECT_EQ(-1, ReadRegister(0x300A));
    EXPECT_EQ(ERR_SENSOR_NOT_READY, GetLastError());
    SetLastError(0);
    EXPECT_EQ(0, IsSensorReady());
    EXPECT_EQ(ERR_SENSOR_NOT_READY, GetLastError());
    std::vector<SimLogEntry> log = ReadComponentLog();
    EXPECT_EQ(2u, ChipEntries(log, SIM_OP_READ_CHIP, kChipSensorState).size());
    EXPECT_FALSE(HasTransfers(log));
}

TEST_F(SensorRegisterTest, EachFailingStepOfAReadEndsIt) {
    ASSERT_TRUE(OpenSession());
    struct Step {
        SimOp op;
        DWORD dwCode;
        size_t cEntries;  // component calls made, the failing one included
    };
    const Step steps[] = {
        {SIM_OP_READ_CHIP, ERR_SENSOR_NOT_READY, 1},  // readiness query fails: "not ready"
        {SIM_OP_WRITE_CHIP, ERR_XU_TRANSFER, 2},
        {SIM_OP_SET_XU, ERR_XU_TRANSFER, 3},
        {SIM_OP_GET_XU, ERR_XU_TRANSFER, 4},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(testing::Message() << "failing op " << step.op);
        FailOnly(step.op, 1);
        EXPECT_EQ(-1, ReadRegister(0x300A));
        EXPECT_EQ(step.dwCode, GetLastError());
        EXPECT_EQ(step.cEntries, ReadComponentLog().size());
    }
    SimClearFaults();
    ASSERT_EQ(1, SimInjectFault(SIM_OP_READ_CHIP, 1, E_FAIL));
    SetLastError(0);
    EXPECT_EQ(0, IsSensorReady());
    EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());
}

TEST_F(SensorRegisterTest, ResetUSBCameraSucceedsEvenWhenTheWriteFails) {
    ASSERT_TRUE(OpenSession());
    {
        DebugCapture capture;
        SetLastError(kUntouchedError);
        EXPECT_EQ(1, ResetUSBCamera());
        EXPECT_EQ(kUntouchedError, GetLastError());
        std::vector<SimLogEntry> writes = ChipEntries(ReadComponentLog(), SIM_OP_WRITE_CHIP, kChipReset);
        ASSERT_EQ(1u, writes.size());
        EXPECT_EQ(0x80u, writes[0].arg[1]);
        EXPECT_EQ(1u, capture.Count(L"USB Camera is Reset!!!!"));
    }

    // Without a handler the platform's own debug output runs; the caller's
    // last error still stays as it was.
    SetLastError(kUntouchedError);
    EXPECT_EQ(1, ResetUSBCamera());
    EXPECT_EQ(kUntouchedError, GetLastError());

    DebugCapture capture;
    ASSERT_EQ(1, SimInjectFault(SIM_OP_WRITE_CHIP, 1, E_FAIL));
    SetLastError(kUntouchedError);
    EXPECT_EQ(1, ResetUSBCamera());
    EXPECT_EQ(kUntouchedError, GetLastError()) << "a failed reset sets no code";
    EXPECT_TRUE(capture.Lines().empty());
}

// ---------------------------------------------------------------------------
// Autofocus and manual focus.

TEST_F(AutoFocusTest, PositionOutsideRangeTouchesNothing) {
    ASSERT_TRUE(OpenSession());
    for (SHORT sPosition : {(SHORT)256, (SHORT)-1, (SHORT)-32768, (SHORT)32767}) {
        SimLogClear();
        SetLastError(0);
        EXPECT_EQ(-1, SetManualFocusPosition(sPosition)) << sPosition;
        EXPECT_EQ(ERR_FOCUS_RANGE, GetLastError());
        EXPECT_FALSE(HasTransfers(ReadComponentLog()));
    }
}

TEST_F(AutoFocusTest, MoveWritesItsSequenceAndIgnoresAMissingAcknowledge) {
    ASSERT_TRUE(m_camera.Load(CameraScenario("sticky_ack = yes\n")));
    ASSERT_TRUE(OpenSession());
    SetLastError(kUntouchedError);
    EXPECT_EQ(1, SetManualFocusPosition(128));
    EXPECT_EQ(kUntouchedError, GetLastError());

    std::vector<SimLogEntry> log = ReadComponentLog();
    const std::vector<SensorAccess> expected = {SensorWrite(kRegAfParameter, 0), SensorWrite(kRegAfPosition, 0x80),
                                                SensorWrite(kRegAfAck, 1), SensorWrite(kRegAfCommand, 0x1A)};
    EXPECT_EQ(expected, SensorWrites(log));
    EXPECT_EQ(6u, SensorReadCount(log, kRegAfAck)) << "one read and five more while 0x3023 stays 1";

    int iMove = FindSensorWritePacket(log, kRegAfCommand, 0x1A);
    ASSERT_GT(iMove, 0);
    EXPECT_EQ((std::vector<BYTE>{0x79, 0x02, 0x01, 0x22, 0x30, 0x00, 0x1A, 0x00, 0x00}), PacketOf(log[iMove]));
    const SimLogEntry &announce = log[iMove - 1];
    EXPECT_EQ((DWORD)SIM_OP_WRITE_CHIP, announce.op);
    EXPECT_EQ(kChipAnnounce, announce.arg[0]);
    EXPECT_EQ(9u, announce.arg[1]);
}

TEST_F(AutoFocusTest, MovedLensIsReportedBack) {
    ASSERT_TRUE(OpenSession());
    EXPECT_EQ(1, SetManualFocusPosition(200));
    Sleep(60);  // the lens travels
    SHORT sPosition = -5;
    EXPECT_EQ(1, GetManualFocusPosition(&sPosition));
    EXPECT_EQ(200, sPosition);
    EXPECT_EQ(1, SetManualFocusPosition(0));
    EXPECT_EQ(1, SetManualFocusPosition(255));
}

TEST_F(AutoFocusTest, PositionReportWithoutAcknowledgeGivesZero) {
    ASSERT_TRUE(m_camera.Load(CameraScenario("sticky_ack = yes\n")));
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimSetSensorRegister(0, kRegAfPosition, 99));
    SimLogClear();
    SHORT sPosition = 77;
    EXPECT_EQ(1, GetManualFocusPosition(&sPosition));
    EXPECT_EQ(0, sPosition);
    std::vector<SimLogEntry> log = ReadComponentLog();
    const std::vector<SensorAccess> expected = {SensorWrite(kRegAfAck, 1), SensorWrite(kRegAfCommand, 0x1B)};
    EXPECT_EQ(expected, SensorWrites(log));
    EXPECT_EQ(1u, SensorReadCount(log, kRegAfAck));
    EXPECT_EQ(0u, SensorReadCount(log, kRegAfPosition));
}

TEST_F(AutoFocusTest, FailedPositionReadReportsFailure) {
    ASSERT_TRUE(OpenSession());
    // Transfers: two writes, the acknowledge read, then the position read.
    ASSERT_EQ(1, SimInjectFault(SIM_OP_GET_XU, 2, E_FAIL));
    SHORT sPosition = 77;
    SetLastError(0);
    EXPECT_EQ(-1, GetManualFocusPosition(&sPosition));
    EXPECT_EQ(-1, sPosition);
    EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());
}

TEST_F(AutoFocusTest, UnknownModeDoesNothingButNeedsAReadySensor) {
    ASSERT_TRUE(OpenSession());
    SetLastError(kUntouchedError);
    EXPECT_EQ(0, AFFreezeControl(4));
    EXPECT_EQ(kUntouchedError, GetLastError());
    EXPECT_FALSE(HasTransfers(ReadComponentLog()));

    ASSERT_EQ(1, SimHoldSensorState(0, 3));
    SetLastError(0);
    EXPECT_EQ(-1, AFFreezeControl(4));
    EXPECT_EQ(ERR_SENSOR_NOT_READY, GetLastError());
}

TEST_F(AutoFocusTest, ReleaseToManualSucceedsInManualState) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimHoldFocusState(0, 0x70));
    SetLastError(kUntouchedError);
    EXPECT_EQ(1, AFFreezeControl(AF_MANUAL));
    EXPECT_EQ(0u, GetLastError());
    std::vector<SimLogEntry> log = ReadComponentLog();
    EXPECT_EQ(std::vector<SensorAccess>{SensorWrite(kRegAfCommand, 0x08)}, SensorWrites(log));
    EXPECT_EQ(6u, SensorReadCount(log, kRegAfState));
}

TEST_F(AutoFocusTest, ReleaseFailsWhenTheStateIsNotManual) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimHoldFocusState(0, 0x10));
    EXPECT_EQ(-1, AFFreezeControl(AF_MANUAL));
}

TEST_F(AutoFocusTest, SingleTriggerFocusesTheLens) {
    ASSERT_TRUE(OpenSession());
    SetLastError(kUntouchedError);
    EXPECT_EQ(1, AFFreezeControl(AF_SINGLE_TRIGGER));
    EXPECT_EQ(0u, GetLastError());
    std::vector<SimLogEntry> log = ReadComponentLog();
    const std::vector<SensorAccess> expected = {SensorWrite(kRegAfAck, 1), SensorWrite(kRegAfCommand, 0x03)};
    EXPECT_EQ(expected, SensorWrites(log));
    EXPECT_GE(SensorReadCount(log, kRegAfAck), 1u);

    Sleep(300);
    int iStatus = 0;
    EXPECT_EQ(1, GetAFStatus(&iStatus));
    EXPECT_EQ(AF_SINGLE_TRIGGER_FOCUSED, iStatus);
    SimCameraState state;
    ASSERT_EQ(1, SimGetCameraState(0, &state));
    EXPECT_EQ(state.bestPosition, state.lensPosition);
}

TEST_F(AutoFocusTest, SingleTriggerEndingInManualStateFails) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimHoldFocusState(0, 0x70));
    EXPECT_EQ(-1, AFFreezeControl(AF_SINGLE_TRIGGER));
}

TEST_F(AutoFocusTest, SingleTriggerWriteFailures) {
    ASSERT_TRUE(OpenSession());
    // The acknowledge write fails: -1; the command write fails: 0.
    ASSERT_EQ(1, SimInjectFault(SIM_OP_SET_XU, 1, E_FAIL));
    SetLastError(0);
    EXPECT_EQ(-1, AFFreezeControl(AF_SINGLE_TRIGGER));
    EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());

    FailOnly(SIM_OP_SET_XU, 2);
    EXPECT_EQ(0, AFFreezeControl(AF_SINGLE_TRIGGER));
    EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());
    EXPECT_EQ(0u, SensorReadCount(ReadComponentLog(), kRegAfState));
}

TEST_F(AutoFocusTest, StatusFollowsTheLastOfSixStateReads) {
    ASSERT_TRUE(OpenSession());
    struct Case {
        int iState;
        int iResult;
        int iStatus;
    };
    const Case cases[] = {
        {0x00, 1, AF_SINGLE_TRIGGER}, {0x10, 1, AF_SINGLE_TRIGGER_FOCUSED}, {0x70, 1, AF_MANUAL}, {0x20, -1, -1}};
    for (const Case &c : cases) {
        ASSERT_EQ(1, SimHoldFocusState(0, c.iState));
        SimLogClear();
        int iStatus = 99;
        EXPECT_EQ(c.iResult, GetAFStatus(&iStatus)) << "state " << c.iState;
        EXPECT_EQ(c.iStatus, iStatus) << "state " << c.iState;
        EXPECT_EQ(6u, SensorReadCount(ReadComponentLog(), kRegAfState));
    }

    // A failing last read counts as an unknown state; its code stays.
    ASSERT_EQ(1, SimHoldFocusState(0, 0x10));
    ASSERT_EQ(1, SimInjectFault(SIM_OP_GET_XU, 6, E_FAIL));
    SetLastError(0);
    int iStatus = 99;
    EXPECT_EQ(-1, GetAFStatus(&iStatus));
    EXPECT_EQ(-1, iStatus);
    EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());
}

TEST_F(AutoFocusTest, StatusTakesSixReadsWith10MillisecondGaps) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimHoldFocusState(0, 0x70));
    int iStatus = 0;
    // Six reads of 50 ms each and a 10 ms sleep after each.
    EXPECT_GE(ElapsedMs([&] { EXPECT_EQ(1, GetAFStatus(&iStatus)); }), 360.0 - kWaitSlackMs);
    EXPECT_EQ(AF_MANUAL, iStatus);
}

TEST_F(AutoFocusTest, StatusNeedsAReadySensor) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimHoldSensorState(0, 3));
    SimLogClear();
    int iStatus = 99;
    SetLastError(0);
    EXPECT_EQ(-1, GetAFStatus(&iStatus));
    EXPECT_EQ(ERR_SENSOR_NOT_READY, GetLastError());
    EXPECT_EQ(99, iStatus);
    EXPECT_FALSE(HasTransfers(ReadComponentLog()));
}

TEST_F(AutoFocusTest, ReleaseWaits100MillisecondsBeforeTheStatus) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimHoldFocusState(0, 0x70));
    // The release's 100 ms, then the status's 360 ms.
    EXPECT_GE(ElapsedMs([] { EXPECT_EQ(1, AFFreezeControl(AF_MANUAL)); }), 460.0 - kWaitSlackMs);
}

TEST_F(AutoFocusTest, ReleaseStopsAtAFailedWrite) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimHoldFocusState(0, 0x70));
    for (SimOp op : {SIM_OP_WRITE_CHIP, SIM_OP_SET_XU}) {
        SCOPED_TRACE(testing::Message() << "failing op " << op);
        FailOnly(op, 1);
        EXPECT_EQ(-1, AFFreezeControl(AF_MANUAL));
        EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());
        std::vector<SimLogEntry> log = ReadComponentLog();
        EXPECT_TRUE(SensorWrites(log).empty());
        EXPECT_EQ(0u, SensorReadCount(log, kRegAfState)) << "no status after a failed release";
    }
}

TEST_F(AutoFocusTest, SingleTriggerPollsTheAcknowledgeTenMoreTimes10MillisecondsApart) {
    ASSERT_TRUE(m_camera.Load(CameraScenario("sticky_ack = yes\n")));
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimHoldFocusState(0, 0x10));
    SetLastError(kUntouchedError);
    int iResult = 0;
    // Eleven acknowledge reads (50 ms each) with ten 10 ms sleeps between
    // them, then the status (360 ms).
    double dMs = ElapsedMs([&] { iResult = AFFreezeControl(AF_SINGLE_TRIGGER); });
    EXPECT_GE(dMs, 11 * 50.0 + 10 * 10.0 + 360.0 - kWaitSlackMs);
    EXPECT_EQ(1, iResult);
    EXPECT_EQ(0u, GetLastError());
    std::vector<SimLogEntry> log = ReadComponentLog();
    EXPECT_EQ(11u, SensorReadCount(log, kRegAfAck));
    EXPECT_EQ(6u, SensorReadCount(log, kRegAfState));
}

TEST_F(AutoFocusTest, MoveStopsAtTheFirstFailedWrite) {
    ASSERT_TRUE(OpenSession());
    const std::vector<SensorAccess> sequence = {SensorWrite(kRegAfParameter, 0), SensorWrite(kRegAfPosition, 0x80),
                                                SensorWrite(kRegAfAck, 1), SensorWrite(kRegAfCommand, 0x1A)};
    for (SimOp op : {SIM_OP_WRITE_CHIP, SIM_OP_SET_XU}) {
        for (int iFailing = 1; iFailing <= 4; ++iFailing) {
            SCOPED_TRACE(testing::Message() << "op " << op << " fails on write " << iFailing);
            FailOnly(op, iFailing);
            EXPECT_EQ(-1, SetManualFocusPosition(128));
            EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());
            std::vector<SimLogEntry> log = ReadComponentLog();
            EXPECT_EQ(std::vector<SensorAccess>(sequence.begin(), sequence.begin() + (iFailing - 1)),
                      SensorWrites(log));
            EXPECT_EQ(0u, SensorReadCount(log, kRegAfAck));
        }
    }
}

TEST_F(AutoFocusTest, PositionReportStopsAtAFailedWrite) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimSetSensorRegister(0, kRegAfPosition, 99));
    for (int iFailing = 1; iFailing <= 2; ++iFailing) {
        SCOPED_TRACE(testing::Message() << "write " << iFailing << " fails");
        SimClearFaults();
        ASSERT_EQ(1, SimInjectFault(SIM_OP_SET_XU, iFailing, E_FAIL));
        SimLogClear();
        SHORT sPosition = 77;
        SetLastError(0);
        EXPECT_EQ(-1, GetManualFocusPosition(&sPosition));
        EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());
        EXPECT_EQ(0, sPosition);
        std::vector<SimLogEntry> log = ReadComponentLog();
        EXPECT_EQ((size_t)(iFailing - 1), SensorWrites(log).size());
        EXPECT_EQ(0u, SensorReadCount(log, kRegAfAck));
        EXPECT_EQ(0u, SensorReadCount(log, kRegAfPosition));
    }
}

// ---------------------------------------------------------------------------
// Strobe, output 8 and inputs.

TEST_F(StrobeGpioTest, StrobeOnAndOff) {
    ASSERT_TRUE(OpenSession());
    SetLastError(kUntouchedError);
    EXPECT_EQ(1, StrobeControl(6));
    EXPECT_EQ(kUntouchedError, GetLastError());
    EXPECT_EQ((std::vector<SensorAccess>{SensorWrite(kRegStrobeMode, 0x02), SensorWrite(kRegStrobe, 0xC3)}),
              SensorWrites(ReadComponentLog()));
    SimCameraState state;
    ASSERT_EQ(1, SimGetCameraState(0, &state));
    EXPECT_EQ(1, state.strobeLed);

    SimLogClear();
    EXPECT_EQ(1, StrobeControl(7));
    EXPECT_EQ(std::vector<SensorAccess>{SensorWrite(kRegStrobe, 0x00)}, SensorWrites(ReadComponentLog()));
    ASSERT_EQ(1, SimGetCameraState(0, &state));
    EXPECT_EQ(0, state.strobeLed);
}

TEST_F(StrobeGpioTest, OtherStrobeTypesSwitchOffWithoutReadinessCheck) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimHoldSensorState(0, 3));
    EXPECT_EQ(1, StrobeControl(9));
    std::vector<SimLogEntry> log = ReadComponentLog();
    EXPECT_TRUE(EntriesOf(log, SIM_OP_READ_CHIP).empty());
    EXPECT_EQ(std::vector<SensorAccess>{SensorWrite(kRegStrobe, 0x00)}, SensorWrites(log));

    SimLogClear();
    SetLastError(0);
    EXPECT_EQ(-1, StrobeControl(6));
    EXPECT_EQ(ERR_SENSOR_NOT_READY, GetLastError());
    EXPECT_FALSE(HasTransfers(ReadComponentLog()));
}

TEST_F(StrobeGpioTest, FailedStrobeWritesReportStrobeUpdate) {
    ASSERT_TRUE(OpenSession());
    for (int nth : {1, 2}) {
        FailOnly(SIM_OP_SET_XU, nth);
        EXPECT_EQ(-1, StrobeControl(6)) << nth;
        EXPECT_EQ(ERR_STROBE_UPDATE, GetLastError()) << nth;
        EXPECT_EQ((size_t)nth, EntriesOf(ReadComponentLog(), SIM_OP_SET_XU).size()) << "stops at the failure";
    }
    SimClearFaults();
    ASSERT_EQ(1, SimInjectFault(SIM_OP_WRITE_CHIP, 1, E_FAIL));
    SetLastError(0);
    EXPECT_EQ(-1, StrobeControl(7));
    EXPECT_EQ(ERR_STROBE_UPDATE, GetLastError());
}

TEST_F(StrobeGpioTest, OnlyOutput8AndStates0And1AreDriven) {
    ASSERT_TRUE(OpenSession());
    SetLastError(0);
    EXPECT_EQ(-1, ControlGPO(7, 1));
    EXPECT_EQ(ERR_GPO_NUMBER, GetLastError());
    SetLastError(kUntouchedError);
    EXPECT_EQ(1, ControlGPO(8, 2));
    EXPECT_EQ(kUntouchedError, GetLastError());
    EXPECT_EQ(0u, SimLogCount());

    SimCameraState state;
    EXPECT_EQ(1, ControlGPO(8, 1));
    ASSERT_EQ(1, SimGetCameraState(0, &state));
    EXPECT_EQ(1, state.strobeOutput);
    EXPECT_EQ(1, ControlGPO(8, 0));
    ASSERT_EQ(1, SimGetCameraState(0, &state));
    EXPECT_EQ(0, state.strobeOutput);
    EXPECT_EQ(kUntouchedError, GetLastError());
    std::vector<SimLogEntry> writes = ChipEntries(ReadComponentLog(), SIM_OP_WRITE_CHIP, kChipGpo8);
    ASSERT_EQ(2u, writes.size());
    EXPECT_EQ(0x22u, writes[0].arg[1]);
    EXPECT_EQ(0x20u, writes[1].arg[1]);

    ASSERT_EQ(1, SimInjectFault(SIM_OP_WRITE_CHIP, 1, E_FAIL));
    SetLastError(0);
    EXPECT_EQ(-1, ControlGPO(8, 0));
    EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());
}

TEST_F(StrobeGpioTest, InputBitsAreMappedAndTheLatchAcknowledged) {
    ASSERT_TRUE(OpenSession());
    struct Case {
        WORD wRegister;
        int iBits;
        DWORD dwWrittenBack;
    };
    const Case cases[] = {{0x0003, 3, 0x0002}, {0x0004, 4, 0x0004}, {0x0002, 1, 0x0002}, {0x0001, 2, 0x0000}};
    for (const Case &c : cases) {
        ASSERT_EQ(1, SimSetChipRegister(0, kChipInputs, c.wRegister));
        SimLogClear();
        int iBits = -7;
        EXPECT_EQ(1, GetGPIStatus(&iBits)) << c.wRegister;
        EXPECT_EQ(c.iBits, iBits) << c.wRegister;
        std::vector<SimLogEntry> log = ReadComponentLog();
        ASSERT_EQ(2u, log.size());
        EXPECT_EQ((DWORD)SIM_OP_READ_CHIP, log[0].op);
        EXPECT_EQ(kChipInputs, log[0].arg[0]);
        EXPECT_EQ((DWORD)SIM_OP_WRITE_CHIP, log[1].op);
        EXPECT_EQ(kChipInputs, log[1].arg[0]);
        EXPECT_EQ(c.dwWrittenBack, log[1].arg[1]) << c.wRegister;
    }
}

TEST_F(StrobeGpioTest, InputRegisterBitsAbove2AreNeitherReportedNorCleared) {
    ASSERT_TRUE(OpenSession());
    struct Case {
        WORD wRegister;
        int iBits;
        DWORD dwWrittenBack;
    };
    const Case cases[] = {{0xFFF8, 0, 0xFFF8}, {0xFFFF, 7, 0xFFFE}, {0x5A5B, 2 | 1, 0x5A5A}, {0x8009, 2, 0x8008}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "register 0x" << c.wRegister);
        ASSERT_EQ(1, SimSetChipRegister(0, kChipInputs, c.wRegister));
        SimLogClear();
        int iBits = -7;
        EXPECT_EQ(1, GetGPIStatus(&iBits));
        EXPECT_EQ(c.iBits, iBits);
        std::vector<SimLogEntry> writes = ChipEntries(ReadComponentLog(), SIM_OP_WRITE_CHIP, kChipInputs);
        ASSERT_EQ(1u, writes.size());
        EXPECT_EQ(c.dwWrittenBack, writes[0].arg[1]);
    }
}

TEST_F(StrobeGpioTest, InputFailures) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimSetChipRegister(0, kChipInputs, 0x0003));
    ASSERT_EQ(1, SimInjectFault(SIM_OP_READ_CHIP, 1, E_FAIL));
    int iBits = -7;
    SetLastError(0);
    EXPECT_EQ(-1, GetGPIStatus(&iBits));
    EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());
    EXPECT_EQ(-7, iBits) << "nothing read, nothing written";
    EXPECT_TRUE(EntriesOf(ReadComponentLog(), SIM_OP_WRITE_CHIP).empty());

    SimClearFaults();
    ASSERT_EQ(1, SimInjectFault(SIM_OP_WRITE_CHIP, 1, E_FAIL));
    SetLastError(0);
    EXPECT_EQ(-1, GetGPIStatus(&iBits));
    EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());
    EXPECT_EQ(3, iBits) << "the bits read before the acknowledge failed";
}

// ---------------------------------------------------------------------------
// Identification.

TEST_F(IdentificationTest, SensorIdIsHighByteThenLowByte) {
    ASSERT_TRUE(m_camera.Load(CameraScenario("sensor_reg = 0x300A:0x12\nsensor_reg = 0x300B:0x34\n")));
    ASSERT_TRUE(OpenSession());
    int iSensorId = 0;
    SetLastError(kUntouchedError);
    EXPECT_EQ(1, GetSensorId(&iSensorId));
    EXPECT_EQ(0x1234, iSensorId);
    EXPECT_EQ(kUntouchedError, GetLastError());

    // The low byte's read fails: the high byte stays in the out-value.
    ASSERT_EQ(1, SimInjectFault(SIM_OP_SET_XU, 2, E_FAIL));
    iSensorId = 0;
    SetLastError(0);
    EXPECT_EQ(-1, GetSensorId(&iSensorId));
    EXPECT_EQ(0x1200, iSensorId);
    EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());

    SimClearFaults();
    ASSERT_EQ(1, SimHoldSensorState(0, 3));
    SetLastError(0);
    EXPECT_EQ(-1, GetSensorId(&iSensorId));
    EXPECT_EQ(ERR_SENSOR_NOT_READY, GetLastError());
}

TEST_F(IdentificationTest, FirmwareTextFromTheInformationBlock) {
    ASSERT_TRUE(m_camera.Load(CameraScenario("firmware = 7\nfirmware_date = 13.5.21\n")));
    ASSERT_TRUE(OpenSession());
    WCHAR szVersion[31];
    EXPECT_EQ(1, GetFirmwareVersionInfo(szVersion));
    EXPECT_STREQ(L"2013.5.21 Ver 7", szVersion);
    std::vector<SimLogEntry> reads = EntriesOf(ReadComponentLog(), SIM_OP_READ_INFO);
    ASSERT_EQ(4u, reads.size());
    for (DWORD i = 0; i < 4; ++i) {
        EXPECT_EQ(160u, reads[i].arg[0]);
        EXPECT_EQ(150u + i, reads[i].arg[1]);
    }

    ASSERT_EQ(1, SimSetInfoValue(0, 150, 9));
    EXPECT_EQ(1, GetFirmwareVersionInfo(szVersion));
    EXPECT_EQ(0, wcsncmp(szVersion, L"2009", 4)) << szVersion;

    // The longest text fills the 30-character buffer and no more.
    for (WORD wIndex = 150; wIndex <= 153; ++wIndex) ASSERT_EQ(1, SimSetInfoValue(0, wIndex, 0xFFFF));
    wmemset(szVersion, L'#', 31);
    EXPECT_EQ(1, GetFirmwareVersionInfo(szVersion));
    EXPECT_STREQ(L"2065535.65535.65535 Ver 65535", szVersion);
    EXPECT_EQ(L'#', szVersion[30]);
}

TEST_F(IdentificationTest, FirmwareTextFailureLeavesTheBuffer) {
    ASSERT_TRUE(OpenSession());
    ASSERT_EQ(1, SimInjectFault(SIM_OP_READ_INFO, 3, E_FAIL));
    WCHAR szVersion[30] = L"untouched";
    SetLastError(0);
    EXPECT_EQ(-1, GetFirmwareVersionInfo(szVersion));
    EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());
    EXPECT_STREQ(L"untouched", szVersion);
    EXPECT_EQ(3u, EntriesOf(ReadComponentLog(), SIM_OP_READ_INFO).size());
}

TEST_F(IdentificationTest, ChipIdIsByte3OfControl7) {
    ASSERT_TRUE(OpenSession());
    const BYTE abId[4] = {0x11, 0x22, 0x33, 0x9A};
    ASSERT_EQ(1, SimSetXUControlBytes(0, 7, abId, 4));
    USHORT usChipId = 0;
    SetLastError(kUntouchedError);
    EXPECT_EQ(1, GetUVCChipId(&usChipId));
    EXPECT_EQ(0x9A, usChipId);
    EXPECT_EQ(kUntouchedError, GetLastError());
    std::vector<SimLogEntry> xuGets = EntriesOf(ReadComponentLog(), SIM_OP_GET_XU);
    ASSERT_EQ(1u, xuGets.size());
    EXPECT_EQ(7u, xuGets[0].arg[0]);
    EXPECT_EQ(4u, xuGets[0].arg[1]);

    ASSERT_EQ(1, SimInjectFault(SIM_OP_GET_XU, 1, E_FAIL));
    usChipId = 42;
    SetLastError(0);
    EXPECT_EQ(-1, GetUVCChipId(&usChipId));
    EXPECT_EQ(ERR_XU_TRANSFER, GetLastError());
    EXPECT_EQ(42, usChipId);
}

// ---------------------------------------------------------------------------
// Conventions shared by the exports.

TEST_F(IdentificationTest, NullOutPointersAreRejectedWithoutComponentCalls) {
    ASSERT_TRUE(OpenSession());
    const struct {
        const char *pszName;
        int iResult;
    } calls[] = {
        {"GetAFStatus", GetAFStatus(NULL)},
        {"GetManualFocusPosition", GetManualFocusPosition(NULL)},
        {"GetGPIStatus", GetGPIStatus(NULL)},
        {"GetSensorId", GetSensorId(NULL)},
        {"GetFirmwareVersionInfo", GetFirmwareVersionInfo(NULL)},
        {"GetUVCChipId", GetUVCChipId(NULL)},
    };
    for (const auto &call : calls) EXPECT_EQ(-1, call.iResult) << call.pszName;
    EXPECT_EQ(0u, SimLogCount());
    SetLastError(0);
    EXPECT_EQ(-1, GetSensorId(NULL));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
}

TEST_F(IdentificationTest, CallsAfterDeInitLibraryFindNoSession) {
    ASSERT_TRUE(OpenSession());
    EXPECT_EQ(1, DeInitLibrary());
    SetLastError(0);
    EXPECT_EQ(-1, ControlGPO(8, 1));
    EXPECT_EQ(ERR_NOT_INITIALISED, GetLastError());
    EXPECT_EQ(0u, SimLogCount());
}
