// ViewerE2ETest.cpp - the real KORViewer.exe, whole roads: start-up to the
// first still by the Enter key, unplug and replug of the camera with
// simctl.exe, the flash question, the Alt accelerator, and shutdown leaving
// no process behind. Keys are typed with SendInput into the foreground main
// window; the status bar is read through a buffer in the viewer's process.
//
// The cameras are registered with the system device enumerator and plugged
// with notifications to every window of the prefix, so this test runs alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "SimCamControl.h"
#include "UiProbe.h"
#include "ViewerProcess.h"
#include "common/CameraFixture.h"
#include "common/TestKit.h"
#include "common/ToolRunner.h"

namespace {

const int kCmdGetStill = 32777;
const int kCmdSelectFirst = 1015;
const wchar_t kFlashQuestion[] =
    L"The flash is not detected. Please check your connection.\r\n  Do you wish to capture picture anyway?\r\n";

// Names of the stills on the desktop.
std::vector<std::wstring> Stills() {
    std::vector<std::wstring> files = DesktopFiles(L"*.jpg");
    const std::vector<std::wstring> bitmaps = DesktopFiles(L"*.bmp");
    files.insert(files.end(), bitmaps.begin(), bitmaps.end());
    return files;
}

void RemoveStills() {
    for (const std::wstring &file : Stills()) DeleteFileW((DesktopPath() + L"\\" + file).c_str());
}

size_t CountLines(const std::vector<std::wstring> &lines, const std::wstring &line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

bool FramesFlowing(int iCamera) {
    LONG lBefore = CameraState(iCamera).framesDelivered;
    Sleep(700);
    return CameraState(iCamera).framesDelivered > lBefore;
}

class ViewerE2ETest : public CameraTest {
protected:
    void SetUp() override {
        CameraTest::SetUp();
        ASSERT_EQ(0, CountViewerProcesses()) << "a viewer is left from before";
        RemoveStills();
    }
    void TearDown() override {
        RemoveStills();
        CameraTest::TearDown();
    }

    void Simctl(const std::wstring &arguments) {
        ToolResult result = RunSimctl(arguments);
        ASSERT_TRUE(result.bStarted);
        ASSERT_EQ(0u, result.dwExitCode) << Narrow(arguments) << ": " << result.output;
    }
};

TEST_F(ViewerE2ETest, StartupStillByEnterUnplugReplugAndShutdown) {
    ASSERT_TRUE(m_camera.LoadFile(ScenarioPath(L"default.txt")));
    ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start());
    EXPECT_EQ(L"KOR Viewer", WindowText(viewer.Main()));
    EXPECT_EQ(1, CountViewerProcesses());

    // The preview runs and the status bar shows its resolution.
    EXPECT_TRUE(WaitFor([&] { return viewer.Status(0) == L"Resolution : 640x480"; }, 15000))
        << Narrow(viewer.Status(0));
    EXPECT_TRUE(FramesFlowing(0));

    // Enter, typed into the focused main window, takes a still.
    ASSERT_TRUE(viewer.Focus());
    LONG lStills = CameraState(0).stillsDelivered;
    ASSERT_TRUE(viewer.TypeKey(VK_RETURN));
    EXPECT_TRUE(WaitFor([&] { return CameraState(0).stillsDelivered > lStills; }, 15000));
    EXPECT_TRUE(WaitFor([&] { return Stills().size() == 1; }, 15000));
    EXPECT_TRUE(WaitFor([&] { return viewer.Status(2).find(L"Still Captured in ") == 0; }, 5000))
        << Narrow(viewer.Status(2));

    // Alt with "/" opens About, as the accelerator table says. Wine matches
    // an ASCII accelerator on the key-down whose virtual key equals the
    // character ('/' is 0x2F), not on WM_SYSCHAR as Windows does, so the key
    // typed is the one with that code.
    ASSERT_TRUE(viewer.Focus());
    ASSERT_TRUE(viewer.TypeKey(L'/', true));
    HWND hAbout = WaitForDialog(viewer.ProcessId(), L"About");
    ASSERT_NE(nullptr, hAbout);
    EXPECT_TRUE(AnswerDialog(hAbout, IDOK));

    // Unplugged: the graph goes, no frames flow. Plugged back: listed, but
    // no preview until the camera is chosen from the Devices menu.
    Simctl(L"unplug 0");
    EXPECT_TRUE(WaitFor([&] { return !FramesFlowing(0); }, 5000));
    Simctl(L"plug 0");
    EXPECT_FALSE(FramesFlowing(0));
    viewer.PostCommand(kCmdSelectFirst);
    EXPECT_TRUE(WaitFor([&] { return FramesFlowing(0); }, 15000));
    EXPECT_TRUE(WaitFor([&] { return viewer.Status(0) == L"Resolution : 640x480"; }, 5000));

    // File > Exit: the process ends with 0 and nothing of it is left.
    ASSERT_TRUE(viewer.Exit());
    EXPECT_EQ(0, CountViewerProcesses());
    const DebuggerRunResult &result = viewer.Result();
    EXPECT_TRUE(result.bFinished);
    EXPECT_EQ(0u, result.dwExitCode);
    EXPECT_EQ(1u, CountLines(result.lines, L"gpRegisterDeviceNotification succeed ..\r\n"));
    EXPECT_EQ(1u, CountLines(result.lines, L"DBT_DEVICEREMOVECOMPLETE...\r\n"));
    EXPECT_EQ(1u, CountLines(result.lines, L"DBT_DEVICEARRIVAL...\r\n"));
    // The only camera gone: discovery finds an empty category.
    EXPECT_EQ(1u, CountLines(result.lines, L"DeviceManager::DetectDevice -- false \n"));
    EXPECT_EQ(1u, CountLines(result.lines, L"Monikers are diff\r\n"));
    EXPECT_GE(CountLines(result.lines, L"DeInitDShow....\r\n"), 2u);
    EXPECT_FALSE(FramesFlowing(0));
}

TEST_F(ViewerE2ETest, FlashQuestionCancelAndOkFromTheMenu) {
    ASSERT_TRUE(m_camera.LoadFile(ScenarioPath(L"no-flash.txt")));
    ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start());
    ASSERT_TRUE(WaitFor([&] { return FramesFlowing(0); }, 15000));

    LONG lStills = CameraState(0).stillsDelivered;
    viewer.PostCommand(kCmdGetStill);
    HWND hBox = WaitForDialog(viewer.ProcessId(), L"KORView");
    ASSERT_NE(nullptr, hBox);
    EXPECT_EQ(kFlashQuestion, MessageBoxText(hBox));
    EXPECT_EQ((std::vector<int>{IDOK, IDCANCEL}), MessageBoxButtons(hBox));
    EXPECT_TRUE(AnswerDialog(hBox, IDCANCEL));
    Sleep(1500);
    EXPECT_EQ(lStills, CameraState(0).stillsDelivered);
    EXPECT_TRUE(Stills().empty());

    viewer.PostCommand(kCmdGetStill);
    hBox = WaitForDialog(viewer.ProcessId(), L"KORView");
    ASSERT_NE(nullptr, hBox);
    EXPECT_TRUE(AnswerDialog(hBox, IDOK));
    EXPECT_TRUE(WaitFor([&] { return CameraState(0).stillsDelivered > lStills; }, 15000));
    EXPECT_TRUE(WaitFor([&] { return Stills().size() == 1; }, 15000));

    ASSERT_TRUE(viewer.Exit());
    EXPECT_EQ(0, CountViewerProcesses());
}

}  // namespace
