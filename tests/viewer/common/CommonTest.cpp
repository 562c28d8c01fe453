// CommonTest.cpp - the viewer's common seams as the capture manager and
// the shell use them: the debug printers, the message-box seam, debug lines
// in a real debugger; and the test programs' crash report.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "CaptureTestSupport.h"
#include "DebugPrint.h"
#include "Dshow.h"
#include "MessageBoxSeam.h"
#include "common/DebugCapture.h"
#include "common/DebuggerRun.h"
#include "common/TestMain.h"
#include "common/ToolRunner.h"

namespace {

const char kCrashArg[] = "--crash";
const char kPrintCaptureLinesArg[] = "--print-capture-lines";

// A child that crashes on another thread.
int RunCrashChild() {
    std::thread([] { *static_cast<volatile int *>(nullptr) = 1; }).join();
    return 0;
}
const TestChildMode g_CrashChild(kCrashArg, RunCrashChild);

// A child whose capture manager prints its first lines.
int RunPrintCaptureLinesChild() {
    DShowManager *pManager = DShowManager::GetInstance();
    pManager->SetStillFormat(2592, 1944, L"MJPG");
    delete pManager;
    return 0;
}
const TestChildMode g_PrintCaptureLinesChild(kPrintCaptureLinesArg, RunPrintCaptureLinesChild);

class ViewerCommon : public ::testing::Test {
protected:
    void SetUp() override { ResetCaptureProcessState(); }
    void TearDown() override { ResetCaptureProcessState(); }
};

}  // namespace

TEST_F(ViewerCommon, DebugPrintersCutLongLinesAndKeepThreadsApart) {
    DebugCapture debug;
    std::wstring longText(3000, L'x');
    DShowDebugPrint(L"%s", longText.c_str());
    DebugPrint(L"%s|", longText.c_str());
    std::vector<std::wstring> lines = debug.Lines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(std::wstring(2046, L'x'), lines[0]);
    EXPECT_EQ(std::wstring(2046, L'x'), lines[1]);
    DebugPrint(L"%s and %d\r\n", L"wide", 7);
    EXPECT_TRUE(debug.Contains(L"wide and 7\r\n"));

    // Two threads on the capture printer: every line stays whole.
    debug.Clear();
    auto printer = [](wchar_t c) {
        std::wstring text(400, c);
        for (int i = 0; i < 200; ++i) DShowDebugPrint(L"%s\r\n", text.c_str());
    };
    std::thread a(printer, L'a'), b(printer, L'b');
    a.join();
    b.join();
    lines = debug.Lines();
    EXPECT_EQ(400u, lines.size());
    for (const std::wstring &line : lines) {
        ASSERT_EQ(402u, line.size());
        EXPECT_EQ(std::wstring(400, line[0]), line.substr(0, 400));
    }
}

TEST_F(ViewerCommon, MessageBoxSeamRecordsOrShowsTheRealBox) {
    {
        BoxRecorder boxes;
        boxes.ScriptAnswers({IDCANCEL});
        EXPECT_EQ(IDCANCEL, KorMessageBox(nullptr, L"text", L"caption", MB_OKCANCEL));
        EXPECT_EQ(IDOK, KorMessageBox(nullptr, L"second", nullptr, MB_OK));
        std::vector<RecordedBox> shown = boxes.Boxes();
        ASSERT_EQ(2u, shown.size());
        EXPECT_EQ(L"(null)", shown[1].caption);
        EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), shown[0].uType);
    }
    // Without a hook the real box appears; a watcher reads and closes it.
    RealBoxWatcher watcher(L"Still pin property");
    int answer = KorMessageBox(nullptr, L"Real box text", L"Still pin property", MB_OK);
    EXPECT_EQ(IDOK, answer);
    EXPECT_EQ(L"Real box text", watcher.Text());
}

// The plain way: this program run under a debugger shows the same lines.
TEST_F(ViewerCommon, DebugLinesReachARealDebugger) {
    DebuggerRunResult run = RunUnderDebugger(L"\"" + CurrentProgramPath() + L"\" --print-capture-lines", 30000);
    ASSERT_TRUE(run.bStarted);
    ASSERT_TRUE(run.bFinished);
    bool sawManager = false, sawStill = false;
    for (const std::wstring &line : run.lines) {
        sawManager = sawManager || line == L"\r\n DShowManager::GetInstance \r\n";
        sawStill = sawStill || line == L"chSubType=MJPG\r\n";
    }
    EXPECT_TRUE(sawManager);
    EXPECT_TRUE(sawStill);
}

// The plain way: a crash on another thread ends the program within seconds,
// with the exception code as its exit code and named on its error output.
TEST_F(ViewerCommon, CrashEndsTheTestProgramWithItsCode) {
    ToolResult run = RunTool(L"capture_unit_test.exe", L"--crash");
    ASSERT_TRUE(run.bStarted);
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), run.dwExitCode);
    EXPECT_NE(std::string::npos, run.errors.find("unhandled exception 0xC0000005")) << run.errors;
}
