// SensorModelTest.cpp - the bridge chip and the sensor behind the extension
// unit: the control-16 protocol with its announce, readiness and reset, the
// input latch, and the autofocus firmware's timing.
#include <windows.h>

#include <gtest/gtest.h>

#include "Scenario.h"
#include "SensorModel.h"
#include "ModelTestSupport.h"

namespace {

class SensorModel : public ::testing::Test {
protected:
    void SetUp() override {
        m_pState = NewState();
        ASSERT_TRUE(SimParseScenario(m_pState.get(), SimDefaultScenarioText()));
        m_pCam = &m_pState->cameras[0];
    }

    static void MakePacket(BYTE op, WORD address, BYTE value, BYTE packet[SIM_XU_PACKET_SIZE]) {
        ZeroMemory(packet, SIM_XU_PACKET_SIZE);
        packet[0] = op;
        packet[1] = 2;
        packet[2] = 1;
        packet[3] = static_cast<BYTE>(address & 0xFF);
        packet[4] = static_cast<BYTE>(address >> 8);
        packet[6] = value;
    }

    // One sensor write as the library sends it: announce, then the packet.
    HRESULT WriteSensor(WORD address, BYTE value) {
        BYTE packet[SIM_XU_PACKET_SIZE];
        MakePacket(0x79, address, value, packet);
        SimChipWrite(m_pCam, SIM_CHIP_ANNOUNCE, SIM_XU_PACKET_SIZE);
        return SimXUSet(m_pCam, SIM_XU_SENSOR, SIM_XU_PACKET_SIZE, packet);
    }

    // One sensor read: announce, read packet, reply; -1 when a step fails.
    int ReadSensor(WORD address) {
        BYTE packet[SIM_XU_PACKET_SIZE];
        MakePacket(0x78, address, 0, packet);
        SimChipWrite(m_pCam, SIM_CHIP_ANNOUNCE, SIM_XU_PACKET_SIZE);
        if (FAILED(SimXUSet(m_pCam, SIM_XU_SENSOR, SIM_XU_PACKET_SIZE, packet))) return -1;
        BYTE reply[SIM_XU_PACKET_SIZE] = {};
        if (FAILED(SimXUGet(m_pCam, SIM_XU_SENSOR, SIM_XU_PACKET_SIZE, reply))) return -1;
        return reply[6];
    }

    // Acknowledge to 1, then the command, as the library does.
    void Command(BYTE command) {
        ASSERT_EQ(S_OK, WriteSensor(SIM_REG_AF_ACK, 1));
        ASSERT_EQ(S_OK, WriteSensor(SIM_REG_AF_COMMAND, command));
    }

    static void SleepUntil(DWORD dwStart, DWORD dwMs) {
        DWORD dwElapsed = GetTickCount() - dwStart;
        if (dwElapsed < dwMs) Sleep(dwMs - dwElapsed);
    }

    StatePtr m_pState;
    SimCamera *m_pCam = nullptr;
};

TEST_F(SensorModel, ReadPacketIsAnsweredWithTheRegisterInByteSix) {
    BYTE packet[SIM_XU_PACKET_SIZE];
    MakePacket(0x78, 0x300A, 0, packet);
    SimChipWrite(m_pCam, SIM_CHIP_ANNOUNCE, 9);
    ASSERT_EQ(S_OK, SimXUSet(m_pCam, SIM_XU_SENSOR, 9, packet));
    BYTE reply[SIM_XU_PACKET_SIZE] = {};
    ASSERT_EQ(S_OK, SimXUGet(m_pCam, SIM_XU_SENSOR, 9, reply));
    const BYTE kExpected[SIM_XU_PACKET_SIZE] = {0x78, 2, 1, 0x0A, 0x30, 0, 0x56, 0, 0};
    EXPECT_EQ(0, memcmp(kExpected, reply, sizeof(reply)));

    ASSERT_EQ(S_OK, WriteSensor(0x1234, 0xFF));
    EXPECT_EQ(0xFF, m_pCam->sensor[0x1234]);
    EXPECT_EQ(0xFF, ReadSensor(0x1234));
}

TEST_F(SensorModel, EveryPacketNeedsAFreshAnnounce) {
    BYTE packet[SIM_XU_PACKET_SIZE];
    MakePacket(0x79, 0x5000, 0x42, packet);
    EXPECT_EQ(SIM_E_NOT_ANNOUNCED, SimXUSet(m_pCam, SIM_XU_SENSOR, 9, packet));
    EXPECT_EQ(0, m_pCam->sensor[0x5000]);

    SimChipWrite(m_pCam, SIM_CHIP_ANNOUNCE, 9);
    EXPECT_EQ(S_OK, SimXUSet(m_pCam, SIM_XU_SENSOR, 9, packet));
    EXPECT_EQ(0x42, m_pCam->sensor[0x5000]);
    packet[6] = 0x43;
    EXPECT_EQ(SIM_E_NOT_ANNOUNCED, SimXUSet(m_pCam, SIM_XU_SENSOR, 9, packet));  // used up
    EXPECT_EQ(0x42, m_pCam->sensor[0x5000]);

    SimChipWrite(m_pCam, SIM_CHIP_ANNOUNCE, 8);  // announces another length
    EXPECT_EQ(SIM_E_NOT_ANNOUNCED, SimXUSet(m_pCam, SIM_XU_SENSOR, 9, packet));
    // A chip register access between announce and packet does no harm.
    SimChipWrite(m_pCam, SIM_CHIP_ANNOUNCE, 9);
    SimChipWrite(m_pCam, SIM_CHIP_GPO8, SIM_GPO8_OFF);
    EXPECT_EQ(S_OK, SimXUSet(m_pCam, SIM_XU_SENSOR, 9, packet));
    EXPECT_EQ(0x43, m_pCam->sensor[0x5000]);
}

TEST_F(SensorModel, MalformedTransfersAreRefused) {
    BYTE packet[SIM_XU_PACKET_SIZE];
    MakePacket(0x77, 0x5000, 0x42, packet);  // no such operation
    SimChipWrite(m_pCam, SIM_CHIP_ANNOUNCE, 9);
    EXPECT_EQ(SIM_E_BAD_PACKET, SimXUSet(m_pCam, SIM_XU_SENSOR, 9, packet));
    MakePacket(0x79, 0x5000, 0x42, packet);
    packet[1] = 1;  // one address byte
    SimChipWrite(m_pCam, SIM_CHIP_ANNOUNCE, 9);
    EXPECT_EQ(SIM_E_BAD_PACKET, SimXUSet(m_pCam, SIM_XU_SENSOR, 9, packet));
    MakePacket(0x79, 0x5000, 0x42, packet);
    SimChipWrite(m_pCam, SIM_CHIP_ANNOUNCE, 9);
    EXPECT_EQ(E_INVALIDARG, SimXUSet(m_pCam, SIM_XU_SENSOR, 8, packet));
    EXPECT_EQ(0, m_pCam->sensor[0x5000]);

    BYTE buffer[SIM_XU_PACKET_SIZE] = {};
    EXPECT_EQ(E_INVALIDARG, SimXUGet(m_pCam, SIM_XU_SENSOR, 4, buffer));
    EXPECT_EQ(SIM_E_NO_CONTROL, SimXUGet(m_pCam, 3, 4, buffer));
    EXPECT_EQ(SIM_E_NO_CONTROL, SimXUSet(m_pCam, 3, 4, buffer));
    EXPECT_EQ(SIM_E_READ_ONLY, SimXUSet(m_pCam, SIM_XU_CHIP_ID, 4, buffer));
}

TEST_F(SensorModel, ControlSevenCarriesTheChipId) {
    BYTE id[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(E_INVALIDARG, SimXUGet(m_pCam, SIM_XU_CHIP_ID, 9, id));
    ASSERT_EQ(S_OK, SimXUGet(m_pCam, SIM_XU_CHIP_ID, 4, id));
    EXPECT_EQ(0x17, id[3]);
}

TEST_F(SensorModel, ResetMakesTheSensorBusyAndParksTheLens) {
    Command(SIM_AF_CMD_SINGLE);
    Sleep(SIM_AF_SETTLE_MS + 50);
    ASSERT_EQ(SIM_AF_STATE_FOCUSED, ReadSensor(SIM_REG_AF_STATE));

    DWORD dwStart = GetTickCount();
    SimChipWrite(m_pCam, SIM_CHIP_RESET, SIM_RESET_VALUE);
    EXPECT_EQ(0, SimChipRead(m_pCam, SIM_CHIP_RESET));  // self-clearing
    EXPECT_EQ(SIM_SENSOR_STATE_BUSY, SimChipRead(m_pCam, SIM_CHIP_SENSOR_STATE));
    EXPECT_EQ(SIM_E_SENSOR_BUSY, WriteSensor(0x5000, 1));
    EXPECT_EQ(0, m_pCam->sensor[0x5000]);

    // A held state is what the register reads; the sensor is still busy.
    m_pCam->holdSensorState = SIM_SENSOR_STATE_READY;
    EXPECT_EQ(SIM_SENSOR_STATE_READY, SimChipRead(m_pCam, SIM_CHIP_SENSOR_STATE));
    EXPECT_EQ(SIM_E_SENSOR_BUSY, WriteSensor(0x5000, 1));
    m_pCam->holdSensorState = -1;

    SleepUntil(dwStart, SIM_RESET_NOT_READY_MS + 50);
    EXPECT_EQ(SIM_SENSOR_STATE_READY, SimChipRead(m_pCam, SIM_CHIP_SENSOR_STATE));
    EXPECT_EQ(SIM_AF_STATE_MANUAL, ReadSensor(SIM_REG_AF_STATE));
    EXPECT_EQ(40, SimCurrentLens(m_pCam));
    EXPECT_EQ(S_OK, WriteSensor(0x5000, 1));
}

TEST_F(SensorModel, InputLatchIsClearedByTheWriteBack) {
    EXPECT_EQ(0x0000, SimChipRead(m_pCam, SIM_CHIP_GPI));  // flash connected, no latch
    m_pCam->flashConnected = 0;
    EXPECT_EQ(0x0002, SimChipRead(m_pCam, SIM_CHIP_GPI));
    SimLatchGpi(m_pCam);
    EXPECT_EQ(0x0003, SimChipRead(m_pCam, SIM_CHIP_GPI));

    SimChipWrite(m_pCam, SIM_CHIP_GPI, 0x0003);  // bit 0 still set: the latch stays
    EXPECT_EQ(0x0003, SimChipRead(m_pCam, SIM_CHIP_GPI));
    SimChipWrite(m_pCam, SIM_CHIP_GPI, 0x0000);  // bit 1 is an input, not writable
    EXPECT_EQ(0x0002, SimChipRead(m_pCam, SIM_CHIP_GPI));

    SimChipPoke(m_pCam, SIM_CHIP_GPI, 0x0004);
    EXPECT_EQ(1, m_pCam->flashConnected);
    EXPECT_EQ(0x0004, SimChipRead(m_pCam, SIM_CHIP_GPI));
    SimChipWrite(m_pCam, SIM_CHIP_GPI, 0x0004);
    EXPECT_EQ(0x0004, SimChipRead(m_pCam, SIM_CHIP_GPI));
}

TEST_F(SensorModel, OutputEightDrivesTheStrobe) {
    EXPECT_FALSE(SimStrobeOn(m_pCam));
    SimChipWrite(m_pCam, SIM_CHIP_GPO8, SIM_GPO8_ON);
    EXPECT_TRUE(SimStrobeOn(m_pCam));
    EXPECT_EQ(SIM_GPO8_ON, SimChipRead(m_pCam, SIM_CHIP_GPO8));
    SimChipWrite(m_pCam, SIM_CHIP_GPO8, SIM_GPO8_OFF);
    EXPECT_FALSE(SimStrobeOn(m_pCam));
}

TEST_F(SensorModel, SingleTriggerFocusesInTime) {
    ASSERT_EQ(SIM_AF_STATE_MANUAL, ReadSensor(SIM_REG_AF_STATE));
    DWORD dwStart = GetTickCount();
    Command(SIM_AF_CMD_SINGLE);
    EXPECT_EQ(SIM_AF_STATE_FOCUSING, ReadSensor(SIM_REG_AF_STATE));
    int iAck = ReadSensor(SIM_REG_AF_ACK);
    if (GetTickCount() - dwStart < SIM_AF_ACK_MS) {
        EXPECT_EQ(1, iAck);
    }

    SleepUntil(dwStart, SIM_AF_ACK_MS + 30);
    EXPECT_EQ(0, ReadSensor(SIM_REG_AF_ACK));
    LONG lLens = SimCurrentLens(m_pCam);
    int iState = ReadSensor(SIM_REG_AF_STATE);
    if (GetTickCount() - dwStart < SIM_AF_SETTLE_MS - 50) {
        // Still on its way: focusing, the lens between start and best.
        EXPECT_EQ(SIM_AF_STATE_FOCUSING, iState);
        EXPECT_GE(lLens, 40);
        EXPECT_LT(lLens, 160);
    }
    Sleep(100);
    EXPECT_GE(SimCurrentLens(m_pCam), lLens);

    SleepUntil(dwStart, SIM_AF_SETTLE_MS + 50);
    EXPECT_EQ(SIM_AF_STATE_FOCUSED, ReadSensor(SIM_REG_AF_STATE));
    EXPECT_EQ(160, SimCurrentLens(m_pCam));
    EXPECT_EQ(0, ReadSensor(SIM_REG_AF_ACK));
}

TEST_F(SensorModel, ReleaseStopsTheLensInManualFocus) {
    DWORD dwStart = GetTickCount();
    Command(SIM_AF_CMD_SINGLE);
    SleepUntil(dwStart, SIM_AF_SETTLE_MS / 2);
    Command(SIM_AF_CMD_RELEASE);
    EXPECT_EQ(SIM_AF_STATE_MANUAL, ReadSensor(SIM_REG_AF_STATE));
    LONG lStopped = SimCurrentLens(m_pCam);
    Sleep(SIM_AF_SETTLE_MS);
    EXPECT_EQ(SIM_AF_STATE_MANUAL, ReadSensor(SIM_REG_AF_STATE));
    EXPECT_EQ(lStopped, SimCurrentLens(m_pCam));
    EXPECT_EQ(0, ReadSensor(SIM_REG_AF_ACK));
}

TEST_F(SensorModel, ManualMoveAndReport) {
    ASSERT_EQ(S_OK, WriteSensor(SIM_REG_AF_PARAM, 0));
    ASSERT_EQ(S_OK, WriteSensor(SIM_REG_AF_LENS, 200));
    DWORD dwStart = GetTickCount();
    Command(SIM_AF_CMD_MOVE);
    SleepUntil(dwStart, SIM_LENS_MOVE_MS + 30);
    EXPECT_EQ(0, ReadSensor(SIM_REG_AF_ACK));
    EXPECT_EQ(200, SimCurrentLens(m_pCam));
    EXPECT_EQ(SIM_AF_STATE_MANUAL, ReadSensor(SIM_REG_AF_STATE));

    ASSERT_EQ(S_OK, WriteSensor(SIM_REG_AF_LENS, 0));
    Command(SIM_AF_CMD_REPORT);
    EXPECT_EQ(200, ReadSensor(SIM_REG_AF_LENS));
    Sleep(SIM_CMD_ACK_MS + 20);
    EXPECT_EQ(0, ReadSensor(SIM_REG_AF_ACK));
}

TEST_F(SensorModel, StickyAcknowledgeNeverClears) {
    m_pCam->stickyAck = 1;
    Command(SIM_AF_CMD_REPORT);
    Sleep(SIM_AF_ACK_MS + 50);
    EXPECT_EQ(1, ReadSensor(SIM_REG_AF_ACK));
}

TEST_F(SensorModel, HeldFocusStateWinsUntilReleased) {
    m_pCam->holdFocusState = 0x20;
    Command(SIM_AF_CMD_SINGLE);
    EXPECT_EQ(0x20, ReadSensor(SIM_REG_AF_STATE));
    m_pCam->holdFocusState = -1;
    EXPECT_EQ(SIM_AF_STATE_FOCUSING, ReadSensor(SIM_REG_AF_STATE));
    // The host cannot write the state; a poke from the control side can,
    // and it ends the running single trigger.
    ASSERT_EQ(S_OK, WriteSensor(SIM_REG_AF_STATE, 0x70));
    EXPECT_EQ(SIM_AF_STATE_FOCUSING, ReadSensor(SIM_REG_AF_STATE));
    SimSensorPoke(m_pCam, SIM_REG_AF_STATE, 0x20);
    Sleep(SIM_AF_SETTLE_MS + 50);
    EXPECT_EQ(0x20, ReadSensor(SIM_REG_AF_STATE));
}

}  // namespace
