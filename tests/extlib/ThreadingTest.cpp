// ThreadingTest.cpp - the strobe-off call ControlGPO(8, 0) from a
// second thread, as the viewer's still callback makes it, against register
// sequences and session changes on the first thread. The component log
// shows whether any sensor transfer or input acknowledge was split.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "ExtlibTestSupport.h"

namespace {

// Calls ControlGPO(8, 0) in a loop on its own thread until stopped, at most
// cMaxCalls times, dwPauseMs apart (0: just yields), and keeps count of what
// came back.
class StrobeOffHammer {
public:
    explicit StrobeOffHammer(LONG cMaxCalls, DWORD dwPauseMs = 0) : m_cMaxCalls(cMaxCalls), m_dwPauseMs(dwPauseMs) {}
    ~StrobeOffHammer() { Stop(); }

    void Start() {
        m_bStop = false;
        m_thread = std::thread([this] { Run(); });
        while (m_dwThreadId == 0) SwitchToThread();
    }
    void Stop() {
        m_bStop = true;
        if (m_thread.joinable()) m_thread.join();
    }
    DWORD ThreadId() const { return m_dwThreadId; }
    LONG Succeeded() const { return m_cSucceeded; }
    LONG NoSession() const { return m_cNoSession; }
    LONG OtherResults() const { return m_cOther; }

private:
    void Run() {
        m_dwThreadId = GetCurrentThreadId();
        for (LONG i = 0; i < m_cMaxCalls && !m_bStop; ++i) {
            int iResult = ControlGPO(8, 0);
            DWORD dwError = GetLastError();
            if (iResult == 1) {
                ++m_cSucceeded;
            } else if (iResult == -1 && dwError == ERR_NOT_INITIALISED) {
                ++m_cNoSession;
            } else {
                ++m_cOther;
            }
            if (m_dwPauseMs > 0) {
                Sleep(m_dwPauseMs);
            } else {
                SwitchToThread();
            }
        }
    }

    const LONG m_cMaxCalls;
    const DWORD m_dwPauseMs;
    std::thread m_thread;
    std::atomic<bool> m_bStop{false};
    std::atomic<DWORD> m_dwThreadId{0};
    std::atomic<LONG> m_cSucceeded{0};
    std::atomic<LONG> m_cNoSession{0};
    std::atomic<LONG> m_cOther{0};
};

// Checks that every sensor transfer in the log is whole: the 0x8102
// announce is directly followed by the same thread's control-16 packet and,
// for a read, by its reply; every input read directly by its acknowledge.
// A sequence cut off by the end of the kept log is not judged. Returns the
// number of complete transfers seen.
size_t ExpectSequencesWhole(const std::vector<SimLogEntry> &log) {
    size_t cTransfers = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        const SimLogEntry &entry = log[i];
        if (entry.op == SIM_OP_SET_XU && entry.arg[0] == kSensorSelector) {
            EXPECT_EQ(0, entry.result) << "packet refused at seq " << entry.seq;
        }
        if (entry.op == SIM_OP_READ_CHIP && entry.arg[0] == kChipInputs) {
            if (i + 1 >= log.size()) break;
            const SimLogEntry &ack = log[i + 1];
            EXPECT_TRUE(ack.op == SIM_OP_WRITE_CHIP && ack.arg[0] == kChipInputs && ack.threadId == entry.threadId)
                << "input read at seq " << entry.seq << " not followed by its acknowledge";
            continue;
        }
        if (entry.op != SIM_OP_WRITE_CHIP || entry.arg[0] != kChipAnnounce) continue;
        if (i + 1 >= log.size()) break;
        const SimLogEntry &packet = log[i + 1];
        bool bPacketFollows =
            packet.op == SIM_OP_SET_XU && packet.arg[0] == kSensorSelector && packet.threadId == entry.threadId;
        EXPECT_TRUE(bPacketFollows) << "announce at seq " << entry.seq << " followed by op " << packet.op
                                    << " of thread " << packet.threadId;
        if (!bPacketFollows) continue;
        if (packet.dataLen > 0 && packet.data[0] == kSensorReadOp) {
            if (i + 2 >= log.size()) break;
            const SimLogEntry &reply = log[i + 2];
            EXPECT_TRUE(reply.op == SIM_OP_GET_XU && reply.arg[0] == kSensorSelector &&
                        reply.threadId == entry.threadId)
                << "read packet at seq " << packet.seq << " not followed by its reply";
        }
        ++cTransfers;
    }
    return cTransfers;
}

// Log entries of the given thread that lie between the first and the last
// entry of another thread: calls that came in while that thread was busy.
size_t CallsInside(const std::vector<SimLogEntry> &log, DWORD dwIntruder) {
    size_t iFirst = log.size(), iLast = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].threadId == dwIntruder) continue;
        if (iFirst == log.size()) iFirst = i;
        iLast = i;
    }
    size_t cInside = 0;
    for (size_t i = iFirst; i < iLast; ++i) {
        if (log[i].threadId == dwIntruder) ++cInside;
    }
    return cInside;
}

}  // namespace

class ThreadingTest : public ExtlibTest {};

TEST_F(ThreadingTest, StrobeOffFromAnotherThreadNeverSplitsASequence) {
    ASSERT_TRUE(m_camera.Load(CameraScenario("sensor_reg = 0x300A:0x56\nsensor_reg = 0x300B:0x40\n")));
    ASSERT_TRUE(OpenSession());
    const DWORD dwMain = GetCurrentThreadId();

    struct Step {
        const char *pszName;
        std::function<void()> run;
    };
    const Step steps[] = {
        {"strobe writes",
         [] {
             for (int i = 0; i < 150; ++i) EXPECT_EQ(1, StrobeControl(7));
         }},
        {"manual focus move", [] { EXPECT_EQ(1, SetManualFocusPosition(150)); }},
        {"manual focus report",
         [] {
             SHORT sPosition = -1;
             EXPECT_EQ(1, GetManualFocusPosition(&sPosition));
         }},
        {"sensor id",
         [] {
             int iId = 0;
             EXPECT_EQ(1, GetSensorId(&iId));
             EXPECT_EQ(0x5640, iId);
         }},
        {"inputs",
         [] {
             for (int i = 0; i < 100; ++i) {
                 int iBits = 0;
                 EXPECT_EQ(1, GetGPIStatus(&iBits));
             }
         }},
        {"single trigger autofocus", [] { EXPECT_EQ(1, AFFreezeControl(AF_SINGLE_TRIGGER)); }},
    };

    size_t cIntrusions = 0;
    for (const Step &step : steps) {
        SCOPED_TRACE(step.pszName);
        // The second thread's calls are spread so the log (4096 entries) is
        // not filled before the step's first transfers.
        StrobeOffHammer hammer(3000);
        SimLogClear();
        hammer.Start();
        step.run();
        hammer.Stop();
        std::vector<SimLogEntry> log = ReadComponentLog();
        size_t cTransfers = ExpectSequencesWhole(log);
        cIntrusions += CallsInside(log, hammer.ThreadId());
        EXPECT_GT(hammer.Succeeded(), 0);
        EXPECT_EQ(0, hammer.OtherResults());
        EXPECT_EQ(0, hammer.NoSession());
        bool bMainSeen = false;
        for (const SimLogEntry &entry : log) bMainSeen = bMainSeen || entry.threadId == dwMain;
        EXPECT_TRUE(bMainSeen);
        if (std::string(step.pszName) != "inputs") {
            EXPECT_GT(cTransfers, 0u);
        }
    }
    EXPECT_GT(cIntrusions, 0u) << "the second thread never ran while the first was busy";
}

TEST_F(ThreadingTest, StrobeOffWaitsWhileATransferStallsAfterItsAnnounce) {
    // Every 0x8102 announce stalls 20 ms with the component free: a
    // strobe-off call from the other thread that is not held back lands
    // between an announce and its packet, on every transfer.
    ASSERT_TRUE(m_camera.Load(CameraScenario("chip_reg = 0xFFF0:20\n")));
    ASSERT_TRUE(OpenSession());
    // About one call a millisecond: many chances in each stall, and the log
    // (4096 entries) does not fill up.
    StrobeOffHammer hammer(100000, 1);
    hammer.Start();
    while (hammer.Succeeded() == 0) SwitchToThread();
    SimLogClear();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(1, StrobeControl(7));
    SHORT sPosition = -1;
    EXPECT_EQ(1, GetManualFocusPosition(&sPosition));
    hammer.Stop();
    std::vector<SimLogEntry> log = ReadComponentLog();
    EXPECT_GE(ExpectSequencesWhole(log), 13u);
    EXPECT_GT(CallsInside(log, hammer.ThreadId()), 0u) << "the other thread never ran between the transfers";
    EXPECT_EQ(0, hammer.OtherResults());
}

TEST_F(ThreadingTest, SessionCloseWaitsForAndStopsTheOtherThread) {
    ASSERT_TRUE(m_camera.Load(CameraScenario()));
    StrobeOffHammer hammer(0x7FFFFFFF);
    hammer.Start();
    for (int iRound = 0; iRound < 3; ++iRound) {
        ASSERT_EQ(1, InitLibrary(kCameraPath));
        Sleep(20);
        EXPECT_EQ(1, DeInitLibrary());
        // Nothing reaches the component once the session is closed.
        SimLogClear();
        Sleep(30);
        EXPECT_EQ(0u, SimLogCount()) << "round " << iRound;
    }
    hammer.Stop();
    EXPECT_GT(hammer.Succeeded(), 0);
    EXPECT_GT(hammer.NoSession(), 0);
    EXPECT_EQ(0, hammer.OtherResults());
    EXPECT_EQ(S_OK, SimcamCanUnloadNow());
}
