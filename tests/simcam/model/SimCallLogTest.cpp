// SimCallLogTest.cpp - the one road of every logged call on a camera state of
// the test's own: which injected faults a call meets under each rule, what a
// fault does to the work, and the log's ring.
#include <windows.h>

#include <gtest/gtest.h>

#include "SimCallLog.h"
#include "ModelTestSupport.h"

// The DLL brings the video-input registration in line after a scenario load
// (filter/DeviceRegistration.cpp); this test has none to sync. The state never
// maps shared memory here: every call runs on the test's own block.
void SimOnCamerasChanged() {}

namespace {

const LONG kFaultResult = E_ACCESSDENIED;
const LONG kWorkResult = S_OK;

class SimCallLog : public ::testing::Test {
protected:
    void SetUp() override { m_pState = NewState(); }

    bool TryAddFault(SimOp op, int iNth, LONG lResult, int iCamera = -1, int iArgIndex = -1, DWORD dwArgValue = 0) {
        return SimAddFault(m_pState.get(), op, iNth, lResult, iCamera, iArgIndex, dwArgValue);
    }
    void AddFault(SimOp op, int iNth, LONG lResult, int iCamera = -1, int iArgIndex = -1, DWORD dwArgValue = 0) {
        ASSERT_TRUE(TryAddFault(op, iNth, lResult, iCamera, iArgIndex, dwArgValue));
    }

    // Runs one call under rule on the test's state; m_bWorked says whether
    // the work ran.
    LONG Run(SimLogEntry call, SimFaultRule rule = SIM_FAULT_FOR_CALL, LONG lWork = kWorkResult) {
        m_bWorked = false;
        return SimRunCall(m_pState.get(), &call, rule, [&]() -> LONG {
            m_bWorked = true;
            return lWork;
        });
    }

    const SimLogEntry &Newest() const {
        return m_pState->log[SimLogSlot(m_pState.get(), SimLogHeld(m_pState.get()) - 1)];
    }

    StatePtr m_pState;
    bool m_bWorked = false;
};

TEST_F(SimCallLog, NewCallNamesOperationCameraArgumentsAndThread) {
    SimLogEntry call = SimNewCall(SIM_OP_READ_CHIP, 2, 0x8107, 7, 9);
    EXPECT_EQ(static_cast<DWORD>(SIM_OP_READ_CHIP), call.op);
    EXPECT_EQ(2, call.camera);
    EXPECT_EQ(0x8107u, call.arg[0]);
    EXPECT_EQ(7u, call.arg[1]);
    EXPECT_EQ(9u, call.arg[2]);
    EXPECT_EQ(GetCurrentThreadId(), call.threadId);
    EXPECT_EQ(0u, call.dataLen);
}

TEST_F(SimCallLog, AddFaultRefusesWhatSimInjectFaultForRefuses) {
    EXPECT_FALSE(TryAddFault(SIM_OP_NONE, 0, E_FAIL)) << "no operation";
    EXPECT_FALSE(TryAddFault(SIM_OP_COUNT, 0, E_FAIL)) << "past the last operation";
    EXPECT_FALSE(TryAddFault(SIM_OP_OPEN, -1, E_FAIL)) << "negative nth";
    EXPECT_FALSE(TryAddFault(SIM_OP_OPEN, 0, E_FAIL, SIMCAM_MAX_CAMERAS)) << "camera";
    EXPECT_FALSE(TryAddFault(SIM_OP_OPEN, 0, E_FAIL, -1, 3)) << "argument index";
    EXPECT_EQ(0, m_pState->faultCount);
    for (int i = 0; i < SIM_MAX_FAULTS; ++i) AddFault(SIM_OP_OPEN, 0, E_FAIL);
    EXPECT_FALSE(TryAddFault(SIM_OP_OPEN, 0, E_FAIL)) << "one fault too many";
    EXPECT_EQ(SIM_MAX_FAULTS, m_pState->faultCount);
}

TEST_F(SimCallLog, WorkRunsAndIsLoggedWithoutFault) {
    EXPECT_EQ(S_FALSE, Run(SimNewCall(SIM_OP_GET_XU, 0, 7), SIM_FAULT_FOR_CALL, S_FALSE));
    EXPECT_TRUE(m_bWorked);
    ASSERT_EQ(1u, SimLogHeld(m_pState.get()));
    EXPECT_EQ(1u, Newest().seq);
    EXPECT_EQ(static_cast<DWORD>(SIM_OP_GET_XU), Newest().op);
    EXPECT_EQ(S_FALSE, Newest().result);
}

TEST_F(SimCallLog, FaultForTheCallReplacesTheWork) {
    AddFault(SIM_OP_READ_CHIP, 0, kFaultResult, 1, 0, 0x8107);
    EXPECT_EQ(kWorkResult, Run(SimNewCall(SIM_OP_READ_CHIP, 0, 0x8107))) << "another camera's call";
    EXPECT_TRUE(m_bWorked);
    EXPECT_EQ(kWorkResult, Run(SimNewCall(SIM_OP_READ_CHIP, 1, 0x8106))) << "another address";
    EXPECT_TRUE(m_bWorked);
    EXPECT_EQ(kFaultResult, Run(SimNewCall(SIM_OP_READ_CHIP, 1, 0x8107)));
    EXPECT_FALSE(m_bWorked);
    EXPECT_EQ(kFaultResult, Newest().result);
    EXPECT_EQ(3u, SimLogHeld(m_pState.get()));
}

TEST_F(SimCallLog, NthCountsOnlyTheCallsAFaultMeets) {
    AddFault(SIM_OP_PIN_CATEGORY, 2, kFaultResult, -1, 0, SIMCAM_PIN_STILL);
    const DWORD adwPins[] = {SIMCAM_PIN_STILL, SIMCAM_PIN_CAPTURE, SIMCAM_PIN_STILL, SIMCAM_PIN_STILL};
    const LONG alExpected[] = {kWorkResult, kWorkResult, kFaultResult, kWorkResult};
    for (size_t i = 0; i < ARRAYSIZE(adwPins); ++i)
        EXPECT_EQ(alExpected[i], Run(SimNewCall(SIM_OP_PIN_CATEGORY, 0, adwPins[i]))) << "call " << i;
    EXPECT_EQ(3, m_pState->faults[0].calls);
}

TEST_F(SimCallLog, OperationRuleMeetsOnlyFaultsWithoutLimits) {
    AddFault(SIM_OP_ENUMERATE, 0, kFaultResult, 0);
    AddFault(SIM_OP_ENUMERATE, 0, kFaultResult, -1, 0, 16);
    EXPECT_EQ(kWorkResult, Run(SimNewCall(SIM_OP_ENUMERATE, 0, 16), SIM_FAULT_FOR_OP));
    EXPECT_TRUE(m_bWorked);
    EXPECT_EQ(0, m_pState->faults[0].calls);
    EXPECT_EQ(0, m_pState->faults[1].calls);

    AddFault(SIM_OP_ENUMERATE, 0, kFaultResult);
    EXPECT_EQ(kFaultResult, Run(SimNewCall(SIM_OP_ENUMERATE, 0, 16), SIM_FAULT_FOR_OP));
    EXPECT_FALSE(m_bWorked);
}

TEST_F(SimCallLog, CreationRuleLetsASucceedingFaultThrough) {
    struct Case {
        LONG lFault;
        LONG lWork;
        bool bWorks;
        LONG lExpected;
    };
    const Case kCases[] = {
        {S_FALSE, S_OK, true, S_FALSE},                 // the object, with the injected result
        {S_FALSE, E_NOINTERFACE, true, E_NOINTERFACE},  // the work's failure wins
        {E_OUTOFMEMORY, S_OK, false, E_OUTOFMEMORY},    // refused before it is made
    };
    for (const Case &c : kCases) {
        m_pState->faultCount = 0;
        AddFault(SIM_OP_CREATE_VMDEVICE, 1, c.lFault);
        EXPECT_EQ(c.lExpected, Run(SimNewCall(SIM_OP_CREATE_VMDEVICE, -1), SIM_FAULT_FOR_CREATION, c.lWork))
            << "fault 0x" << std::hex << c.lFault << ", work 0x" << c.lWork;
        EXPECT_EQ(c.bWorks, m_bWorked) << "fault 0x" << std::hex << c.lFault;
        EXPECT_EQ(c.lExpected, Newest().result);
    }
}

TEST_F(SimCallLog, RingKeepsTheLatestCallsNumberedInOneSequence) {
    const DWORD dwCalls = SIMCAM_MAX_LOG + 3;
    for (DWORD i = 0; i < dwCalls; ++i) SimAppendLog(m_pState.get(), SimNewCall(SIM_OP_GET_MODE, 0, i));
    ASSERT_EQ(static_cast<DWORD>(SIMCAM_MAX_LOG), SimLogHeld(m_pState.get()));
    const SimLogEntry &oldest = m_pState->log[SimLogSlot(m_pState.get(), 0)];
    EXPECT_EQ(4u, oldest.seq);
    EXPECT_EQ(3u, oldest.arg[0]);
    EXPECT_EQ(dwCalls, Newest().seq);
    EXPECT_EQ(dwCalls - 1, Newest().arg[0]);
}

}  // namespace
