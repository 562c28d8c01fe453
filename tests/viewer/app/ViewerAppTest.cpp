// ViewerAppTest.cpp - the viewer's shell in-process: its own entry point and
// message loop run on a second thread of this test (ViewerHost), driven from
// the test's thread the way a person drives it: menu commands, the Enter
// key, the Alt accelerators and message-box buttons. What a person sees is
// read back through the window system (menus, check marks, status bar,
// message boxes with caption, text and owner), what the camera did through
// the simulated camera's state and call log, and the debugger output.
//
// The cameras are registered with the system device enumerator, so this
// test runs alone (RUN_SERIAL); every scenario is staged before its start.
#include <windows.h>
#include <dbt.h>
#include <dshow.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "AppGlobals.h"
#include "Devices.h"
#include "Dshow.h"
#include "ImportCounter.h"
#include "KORFwSw.h"
#include "MainWindow.h"
#include "SampleGrabberCallback.h"
#include "SimCamControl.h"
#include "resource.h"
#include "common/CameraFixture.h"
#include "common/DebugCapture.h"
#include "common/TestKit.h"
#include "common/ToolRunner.h"
#include "ViewerHost.h"

namespace {

// Command IDs of the main menu.
const int kCmdAbout = 104;
const int kCmdVideoRenderer = 32772;
const int kCmdStillPin = 32775;
const int kCmdCurrentSettings = 32776;
const int kCmdGetStill = 32777;
const int kCmdStillPath = 32778;
const int kCmdUvcExtension = 32779;
const int kCmdNothing = 32780;
const int kCmdResetCamera = 32783;
const int kCmdTriggerAf = 32784;

// lParam of a key message with Alt held (context code, bit 29). Wine's
// TranslateAcceleratorW matches an ASCII accelerator with ALT on the key-down
// message whose wParam is the character itself (Windows matches WM_SYSCHAR).
const LPARAM kAltDown = 0x20000001;

const wchar_t kPreferred[] = L"Tessaline 5MPixel Cam";
const wchar_t kWebcam[] = L"Integrated HD Webcam";
const wchar_t kFlashQuestion[] =
    L"The flash is not detected. Please check your connection.\r\n  Do you wish to capture picture anyway?\r\n";

// A folder of its own for the stills of one test.
class StillFolder {
public:
    StillFolder() {
        wchar_t szTemp[MAX_PATH] = L"";
        GetTempPathW(MAX_PATH, szTemp);
        m_path = std::wstring(szTemp) + L"korviewer_app_test";
        CreateDirectoryW(m_path.c_str(), nullptr);
        Clear();
    }
    ~StillFolder() { Clear(); }
    const std::wstring &Path() const { return m_path; }
    std::vector<std::wstring> Files() const {
        std::vector<std::wstring> files;
        WIN32_FIND_DATAW fd;
        HANDLE hFind = FindFirstFileW((m_path + L"\\*.*").c_str(), &fd);
        if (hFind == INVALID_HANDLE_VALUE) return files;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(fd.cFileName);
        } while (FindNextFileW(hFind, &fd));
        FindClose(hFind);
        return files;
    }
    void Clear() const {
        for (const std::wstring &file : Files()) DeleteFileW((m_path + L"\\" + file).c_str());
    }

private:
    std::wstring m_path;
};

// Cameras named "Camera 00", "Camera 01" and so on.
std::wstring NumberedCameras(int cCameras) {
    std::wstring text;
    for (int i = 0; i < cCameras; ++i) {
        wchar_t szSection[128];
        swprintf(szSection, ARRAYSIZE(szSection), L"[camera]\nname = Camera %02d\n", i);
        text += szSection;
    }
    return text;
}

// The friendly names in the order the system device enumerator lists them.
std::vector<std::wstring> EnumeratedNames() {
    std::vector<std::wstring> names;
    for (const VideoDeviceTexts &device : ListVideoDeviceTexts()) names.push_back(device.name);
    return names;
}

class ViewerAppTest : public CameraTest {
protected:
    void SetUp() override {
        CameraTest::SetUp();
        ASSERT_TRUE(InstallLibraryCallCounters());
    }

    void TearDown() override {
        if (m_host.Running()) {
            DismissAllBoxes();
            EXPECT_EQ(0, m_host.Stop());
        }
        CameraTest::TearDown();
    }

    void StartViewer() {
        ASSERT_TRUE(m_host.Start());
        ASSERT_TRUE(IsWindow(m_host.Main()));
    }

    // Stills of this test go to a folder of its own.
    void UseStillFolder() { g_SampleGrabberCB.SetStillPath(m_stills.Path().c_str()); }

    // Waits for a message box, checks it and answers it.
    void ExpectBox(const std::wstring &caption, const std::wstring &text, HWND hOwner, int iAnswer = IDOK) {
        HWND hBox = m_host.WaitForBox(caption);
        ASSERT_NE(nullptr, hBox) << "no box captioned " << Narrow(caption);
        EXPECT_EQ(text, MessageBoxText(hBox));
        EXPECT_EQ(hOwner, GetWindow(hBox, GW_OWNER));
        EXPECT_TRUE(AnswerDialog(hBox, iAnswer));
        // The command goes on after the box; let it finish.
        EXPECT_TRUE(m_host.Sync());
    }

    // The action raises no box (the Still Pin Properties dialog it may open
    // aside): the windows open before it are recorded, and everything it
    // posted has been through the viewer's loop (a modal box would have
    // taken the marker in its own loop) when the windows are compared again.
    bool RaisesNoBox(const std::function<void()> &action) {
        const std::vector<HWND> open = VisibleTopLevelWindows(GetCurrentProcessId());
        action();
        if (!m_host.DrainPosted()) return false;
        for (HWND hWnd : VisibleTopLevelWindows(GetCurrentProcessId())) {
            if (WindowClass(hWnd) == L"#32770" && hWnd != g_hWndStillPinDialog &&
                std::find(open.begin(), open.end(), hWnd) == open.end())
                return false;
        }
        return true;
    }

    void DismissAllBoxes() {
        for (int i = 0; i < 10; ++i) {
            bool bAny = false;
            for (HWND hWnd : VisibleTopLevelWindows(GetCurrentProcessId())) {
                if (WindowClass(hWnd) == L"#32770" && GetWindow(hWnd, GW_OWNER) != m_host.Main()) {
                    // Message boxes: OK (or Cancel for a question).
                    if (GetDlgItem(hWnd, IDOK) || GetDlgItem(hWnd, IDCANCEL)) {
                        AnswerDialog(hWnd, GetDlgItem(hWnd, IDCANCEL) ? IDCANCEL : IDOK, 3000);
                        bAny = true;
                    }
                }
            }
            if (!bAny) break;
        }
    }

    // Posts plain messages, one a pass, until a pass of the loop has run the
    // autofocus trigger to success; false after 30 seconds.
    bool WaitForAutofocusDone() {
        return WaitFor(
            [&] {
                m_host.Post(WM_USER + 7, 0, 0);
                m_host.DrainPosted();
                return LastMarkerSnapshot().iAfDone == 1;
            },
            30000);
    }

    // A plug change the way the system reports it, from another process.
    void Simctl(const std::wstring &arguments) {
        ToolResult result = RunSimctl(arguments);
        ASSERT_TRUE(result.bStarted);
        ASSERT_EQ(0u, result.dwExitCode) << Narrow(arguments) << ": " << result.output;
        ASSERT_TRUE(m_host.Sync());
    }

    std::vector<std::wstring> DeviceNames() {
        std::vector<std::wstring> names;
        for (const MenuEntry &e : m_host.DevicesMenu()) {
            if (!e.bSeparator) names.push_back(e.text);
        }
        return names;
    }

    // The ID of the one checked device item, or 0 for none.
    UINT CheckedDevice() {
        UINT uChecked = 0;
        for (const MenuEntry &e : m_host.DevicesMenu()) {
            if (e.bChecked) {
                EXPECT_EQ(0u, uChecked) << "two device items are checked";
                uChecked = e.id;
            }
        }
        return uChecked;
    }

    // The ID of the device item with this text, or 0 for none.
    UINT DeviceId(const std::wstring &name) {
        for (const MenuEntry &e : m_host.DevicesMenu())
            if (e.text == name) return e.id;
        return 0;
    }

    bool TakesStillWithin(int iCamera, LONG lBefore, DWORD dwMs = 15000) {
        return WaitFor([&] { return CameraState(iCamera).stillsDelivered > lBefore; }, dwMs);
    }

    ViewerHost m_host;
    StillFolder m_stills;
};

// ---------------------------------------------------------------------------
// One camera of ours: start-up, the menu bar, the Devices menu, the status
// bar, the still by Enter, the accelerators, the commands without a menu
// item and shutdown.

TEST_F(ViewerAppTest, OneCameraStartsPreviewsTakesStillsAndShutsDown) {
    ASSERT_TRUE(m_camera.LoadFile(ScenarioPath(L"default.txt")));
    DebugCapture debug;
    StartViewer();

    // Window, title, size and menu bar.
    EXPECT_EQ(L"KOR Viewer", WindowText(m_host.Main()));
    EXPECT_EQ(L"RAVIRU5RI", WindowClass(m_host.Main()));
    std::vector<MenuEntry> top = m_host.TopMenu();
    ASSERT_EQ(7u, top.size());
    const wchar_t *apszTop[] = {L"&File", L"Devices", L"Options", L"Capture", L"Focus", L"UVC Extension", L"&Help"};
    for (size_t i = 0; i < top.size(); ++i) EXPECT_EQ(apszTop[i], top[i].text) << i;
    EXPECT_EQ(static_cast<UINT>(kCmdUvcExtension), top[5].id);  // a plain command
    EXPECT_EQ(nullptr, GetSubMenu(GetMenu(m_host.Main()), 5));
    EXPECT_EQ(IDC_STATUS_BAR, GetDlgCtrlID(g_hWndStatus));

    // The Devices menu: the camera, checked, and the closing separator.
    std::vector<MenuEntry> devices = m_host.DevicesMenu();
    ASSERT_EQ(2u, devices.size());
    EXPECT_EQ(kPreferred, devices[0].text);
    EXPECT_EQ(1015u, devices[0].id);
    EXPECT_TRUE(devices[0].bChecked);
    EXPECT_TRUE(devices[1].bSeparator);

    // The current camera's path, IDs and library session; the preview runs.
    EXPECT_EQ(std::wstring(CameraState(0).devicePath), g_szDevicePath);
    EXPECT_STREQ(L"2c7a", g_SelctdVid);
    EXPECT_STREQ(L"04e1", g_SelctdPid);
    EXPECT_GT(g_LibStatus, 0);
    ASSERT_NE(nullptr, g_pDShowManager);
    EXPECT_TRUE(g_pDShowManager->IsInitialized());

    // Registered for notifications through the entry points of user32.dll.
    EXPECT_NE(nullptr, g_hDevNotify);
    HMODULE hUser32 = GetModuleHandleW(L"user32.dll");
    EXPECT_EQ(reinterpret_cast<void *>(GetProcAddress(hUser32, "RegisterDeviceNotificationW")),
              reinterpret_cast<void *>(gpRegisterDeviceNotification));
    EXPECT_EQ(reinterpret_cast<void *>(GetProcAddress(hUser32, "UnregisterDeviceNotification")),
              reinterpret_cast<void *>(gpUnregisterDeviceNotification));

    // Start-up order in the debugger output.
    std::vector<std::wstring> lines = debug.Lines();
    auto at = [&](const std::wstring &line) { return std::find(lines.begin(), lines.end(), line) - lines.begin(); };
    ASSERT_LT(at(L"gpRegisterDeviceNotification succeed ..\r\n"), static_cast<ptrdiff_t>(lines.size()));
    EXPECT_LT(at(L"RegisterDeviceNotifications ++ \r\n"), at(L"gpRegisterDeviceNotification succeed ..\r\n"));
    EXPECT_LT(at(L"RegisterDeviceNotifications -- \r\n"), at(L"The still path\r\r"));
    EXPECT_LT(at(L"The still path\r\r"), at(L"1 video Devicename Tessaline 5MPixel Cam\r\n"));
    wchar_t szDesktop[MAX_PATH] = L"";
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, szDesktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    EXPECT_STREQ(szDesktop, g_szStillPath);
    EXPECT_EQ(lines[at(L"The still path\r\r") + 1], std::wstring(szDesktop));

    // The status timer divides the bar and shows the resolution.
    EXPECT_TRUE(WaitFor([&] { return m_host.Status(0) == L"Resolution : 640x480"; }, 5000)) << Narrow(m_host.Status(0));

    // Enter takes a still through the message loop.
    UseStillFolder();
    LONG lStills = CameraState(0).stillsDelivered;
    m_host.Post(WM_KEYDOWN, VK_RETURN, 0x001C0001);
    ASSERT_TRUE(TakesStillWithin(0, lStills));
    EXPECT_TRUE(WaitFor([&] { return m_stills.Files().size() == 1; }));
    EXPECT_TRUE(WaitFor([&] { return m_host.Status(2).find(L"Still Captured in ") == 0; }, 5000));
    // Other keys do nothing.
    // (A still comes only from a trigger, made before the handler returns.)
    const LONG lTriggers = CameraState(0).stillTriggers;
    m_host.Post(WM_KEYDOWN, VK_SPACE, 0x00390001);
    ASSERT_TRUE(m_host.DrainPosted());
    EXPECT_EQ(lTriggers, CameraState(0).stillTriggers);

    // Alt with "?" and with "/" open About once: the accelerators go
    // through the message loop, and an open dialog is not opened again.
    EXPECT_EQ(1, g_AboutDlgClosed);
    m_host.Post(WM_SYSKEYDOWN, L'?', kAltDown);
    ASSERT_TRUE(m_host.DrainPosted());
    EXPECT_EQ(0, g_AboutDlgClosed);
    size_t cWindows = VisibleTopLevelWindows(GetCurrentProcessId()).size();
    m_host.Post(WM_SYSKEYDOWN, L'/', kAltDown);
    ASSERT_TRUE(m_host.DrainPosted());
    EXPECT_EQ(cWindows, VisibleTopLevelWindows(GetCurrentProcessId()).size());

    // Commands without a menu item: 32780 does nothing, 32783 resets the
    // camera through the library; devices past 1020 fall through.
    SimLogClear();
    m_host.Command(kCmdNothing);
    m_host.Command(1021);
    EXPECT_FALSE(debug.Contains(L"MENU_VDEVICE0\r\n"));
    m_host.Command(kCmdResetCamera);
    bool bReset = false;
    SimLogEntry write = {};
    for (DWORD dwSeq = 0; !bReset && SimLogFind(SIM_OP_WRITE_CHIP, dwSeq, &write); dwSeq = write.seq)
        bReset = write.arg[0] == 0xB005;
    EXPECT_TRUE(bReset);

    // Choosing the checked camera again changes nothing.
    m_host.Command(1015);
    EXPECT_TRUE(debug.Contains(L"Monikers are same\r\n"));
    EXPECT_FALSE(debug.Contains(L"Monikers are diff\r\n"));
    EXPECT_TRUE(g_pDShowManager->IsInitialized());

    // File > Exit: shutdown, the loop ends with WM_QUIT's 0.
    debug.Clear();
    EXPECT_EQ(0, m_host.Stop());
    EXPECT_EQ(nullptr, g_hDevNotify);
    EXPECT_EQ(0, g_LibStatus);
    EXPECT_EQ(1, g_SettingsDlgClosed);
    EXPECT_TRUE(debug.Contains(L"DeInitDShow....\r\n"));
    EXPECT_FALSE(IsWindow(g_hWndMain));
    EXPECT_EQ(0, CameraState(0).strobeOutput);
}

// ---------------------------------------------------------------------------
// The autofocus retry after every message: one IsSensorReady per message for
// the life of the process, one AFFreezeControl(5) per message while the
// single trigger keeps failing, none once it succeeded; a camera switch
// re-arms it.

TEST_F(ViewerAppTest, AutofocusRetryRunsAfterEveryMessageUntilOneTriggerSucceeds) {
    ASSERT_TRUE(m_camera.LoadFile(ScenarioPath(L"default.txt")));
    ASSERT_TRUE(SimHoldFocusState(0, 0x70));  // the firmware stays in manual focus: every trigger fails
    DebugCapture debug;
    StartViewer();
    ASSERT_TRUE(m_host.DrainPosted());
    ASSERT_GT(g_LibStatus, 0);
    EXPECT_EQ(0, g_AfDone);

    // Five plain messages, and one that the accelerators consume. Between
    // two markers every message taken had exactly one loop pass.
    HostSnapshot before = LastMarkerSnapshot();
    for (int i = 0; i < 5; ++i) m_host.Post(WM_USER + 7, 0, 0);
    m_host.Post(WM_SYSKEYDOWN, L'?', kAltDown);
    ASSERT_TRUE(m_host.DrainPosted(60000));
    HostSnapshot after = LastMarkerSnapshot();
    LONG lTaken = after.lMessagesTaken - before.lMessagesTaken;
    EXPECT_GE(lTaken, 7);  // the first marker, the six, and timer messages between them
    EXPECT_EQ(lTaken, after.lIsSensorReady - before.lIsSensorReady);
    EXPECT_EQ(lTaken, after.lAFFreezeControl - before.lAFFreezeControl);
    EXPECT_EQ(0, g_AboutDlgClosed);  // the accelerator's message had its pass too
    EXPECT_EQ(AF_SINGLE_TRIGGER, LastAFFreezeMode());
    // Read at the marker: the loop may be in a timer message's pass by now.
    EXPECT_EQ(15, after.iAfCounter);
    EXPECT_EQ(0, after.iAfDone);
    // The failure's two lines, the counter at 15.
    std::vector<std::wstring> lines = debug.Lines();
    auto it = std::find(lines.begin(), lines.end(), L"AF_SINGLE_TRIGGER Failed....\r\n");
    ASSERT_NE(lines.end(), it);
    ASSERT_NE(lines.end(), it + 1);
    EXPECT_EQ(L"Counter=15\r\n", *(it + 1));

    // The firmware focuses: the next message's trigger succeeds, later
    // messages only ask whether the sensor is ready.
    ASSERT_TRUE(SimHoldFocusState(0, -1));
    ASSERT_TRUE(WaitForAutofocusDone());
    lines = debug.Lines();
    it = std::find(lines.begin(), lines.end(), L"AF_SINGLE_TRIGGER Succeed....\r\n");
    ASSERT_NE(lines.end(), it);
    ASSERT_NE(lines.end(), it + 1);
    EXPECT_EQ(0u, (it + 1)->find(L"Counter="));
    ASSERT_TRUE(m_host.DrainPosted());
    before = LastMarkerSnapshot();
    for (int i = 0; i < 5; ++i) m_host.Post(WM_USER + 7, 0, 0);
    ASSERT_TRUE(m_host.DrainPosted());
    after = LastMarkerSnapshot();
    EXPECT_EQ(after.lMessagesTaken - before.lMessagesTaken, after.lIsSensorReady - before.lIsSensorReady);
    EXPECT_EQ(before.lAFFreezeControl, after.lAFFreezeControl);
    LONG lFreeze = AFFreezeControlCalls();

    // Trigger AutoFocus from the menu: one more trigger, no box, g_AfDone kept.
    g_AutoFocusMode = 0;
    EXPECT_TRUE(RaisesNoBox([&] { m_host.Command(kCmdTriggerAf); }));
    EXPECT_EQ(1, g_AutoFocusMode);
    EXPECT_EQ(lFreeze + 1, AFFreezeControlCalls());
    EXPECT_EQ(1, g_AfDone);
}

// ---------------------------------------------------------------------------
// Two cameras, ours enumerated second: listing, selection, a camera the
// library rejects, and hot-plug of the current and the other camera, with
// one and with two notifications per unplug and the path in capitals.

TEST_F(ViewerAppTest, TwoCamerasSelectionAndHotPlug) {
    ASSERT_TRUE(m_camera.LoadFile(ScenarioPath(L"two-cameras.txt")));
    DebugCapture debug;
    StartViewer();
    UseStillFolder();

    EXPECT_EQ((std::vector<std::wstring>{kWebcam, kPreferred}), DeviceNames());
    EXPECT_EQ(1016u, CheckedDevice());
    EXPECT_STREQ(L"2c7a", g_SelctdVid);
    ASSERT_TRUE(g_pDShowManager->IsInitialized());

    // Another camera goes away (its notification in capitals): the list is
    // rebuilt, the preview goes on.
    debug.Clear();
    Simctl(L"unplug 0 upper");
    EXPECT_EQ((std::vector<std::wstring>{kPreferred}), DeviceNames());
    EXPECT_EQ(1015u, CheckedDevice());
    EXPECT_TRUE(g_pDShowManager->IsInitialized());
    EXPECT_TRUE(debug.Contains(L"EnumerateVideoDevices success 3\r\n"));
    EXPECT_TRUE(debug.Contains(L"DBT_DEVICEREMOVECOMPLETE...RemvdDevVid=ab12 RemvdDevPid=3c4d\r\n"));

    // It comes back: listed again, the current camera found by its IDs.
    Simctl(L"plug 0");
    EXPECT_EQ((std::vector<std::wstring>{kWebcam, kPreferred}), DeviceNames());
    EXPECT_EQ(1016u, CheckedDevice());
    EXPECT_TRUE(debug.Contains(L"Vid pid matched for 1"));
    EXPECT_TRUE(g_pDShowManager->IsInitialized());

    // The UVC Extension Controls dialog, then the current camera unplugged
    // with two notifications: the graph goes, the list is rebuilt with
    // nothing checked, the IDs are forgotten, the dialog closes; the second
    // notification only clears the skip flag.
    m_host.Command(kCmdUvcExtension);
    ASSERT_NE(nullptr, g_hWndUvcDialog);
    HWND hUvc = g_hWndUvcDialog;
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hUvc, 1107));
    debug.Clear();
    Simctl(L"unplug 1 upper twice");
    EXPECT_FALSE(g_pDShowManager->IsInitialized());
    EXPECT_EQ((std::vector<std::wstring>{kWebcam}), DeviceNames());
    EXPECT_EQ(0u, CheckedDevice());
    EXPECT_STREQ(L"", g_SelctdVid);
    EXPECT_STREQ(L"", g_SelctdPid);
    EXPECT_FALSE(IsWindow(hUvc));
    EXPECT_EQ(1u, debug.Count(L"EnumerateVideoDevices success 2\r\n"));
    EXPECT_EQ(0u, debug.Count(L"EnumerateVideoDevices success 3\r\n"));
    EXPECT_EQ(2u, debug.Count(L"DBT_DEVICEREMOVECOMPLETE...\r\n"));
    // The name arrived in capitals; the IDs were cut from its lower-cased copy.
    std::wstring upper = CameraState(1).devicePath;
    CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
    EXPECT_EQ(2u, debug.Count(L"DBT_DEVICEREMOVECOMPLETE dbcc_name=" + upper + L"\r\n"));
    EXPECT_TRUE(debug.Contains(L"DBT_DEVICEREMOVECOMPLETE...RemvdDevVid=2c7a RemvdDevPid=04e1\r\n"));
    EXPECT_EQ(0, g_SkipNextRemoval);
    EXPECT_GT(g_LibStatus, 0);  // removal never closes the library session

    // Plugged back: listed, but no preview starts. With the IDs forgotten
    // the arrival checks the device whose path has no lower-case markers.
    Simctl(L"plug 1");
    EXPECT_EQ((std::vector<std::wstring>{kWebcam, kPreferred}), DeviceNames());
    EXPECT_FALSE(g_pDShowManager->IsInitialized());
    EXPECT_EQ(1015u, CheckedDevice());

    // Chosen from the menu: preview again, the flash off after a switch,
    // the resolution shown at once, the autofocus retry re-armed (the
    // firmware is held in manual focus, so the retry cannot end at once).
    ASSERT_TRUE(SimHoldFocusState(1, 0x70));
    g_AfDone = 1;
    m_host.Command(1016);
    EXPECT_TRUE(g_pDShowManager->IsInitialized());
    EXPECT_EQ(1016u, CheckedDevice());
    EXPECT_STREQ(L"2c7a", g_SelctdVid);
    EXPECT_EQ(0, g_FlashEnabled);
    EXPECT_EQ(0, g_AfDone);
    EXPECT_EQ(L"Resolution : 640x480", m_host.Status(0));
    EXPECT_GT(g_LibStatus, 0);
    ASSERT_TRUE(SimHoldFocusState(1, -1));

    // One notification per unplug: the skip flag stays set until the next
    // removal, which is then ignored apart from closing the dialog.
    debug.Clear();
    Simctl(L"unplug 1");
    EXPECT_EQ(1, g_SkipNextRemoval);
    Simctl(L"unplug 0");
    EXPECT_EQ(0, g_SkipNextRemoval);
    EXPECT_EQ(0u, debug.Count(L"EnumerateVideoDevices success 3\r\n"));
    Simctl(L"plug 0");
    Simctl(L"plug 1");
    EXPECT_EQ(1015u, CheckedDevice());  // the IDs were forgotten again
}

// ---------------------------------------------------------------------------
// No camera at all, and a camera without a usable name (discovery succeeds
// with an empty table): no graph, nothing bound, commands that need the
// manager do nothing, the rest say so.

TEST_F(ViewerAppTest, WithoutCameraTheWindowStaysUpAndCommandsDoNothing) {
    ASSERT_TRUE(m_camera.Load("# no camera\n"));
    DebugCapture debug;
    StartViewer();

    EXPECT_TRUE(m_host.DevicesMenu().empty());
    EXPECT_EQ(0, g_LibStatus);
    EXPECT_FALSE(g_pDShowManager->IsInitialized());
    EXPECT_TRUE(debug.Contains(L"DeviceManager::DetectDevice -- false \n"));
    RECT rc = {};
    GetWindowRect(m_host.Main(), &rc);
    EXPECT_EQ(640, rc.right - rc.left);
    EXPECT_EQ(480, rc.bottom - rc.top);

    // Options, Still File Path and UVC Extension need a ready manager.
    EXPECT_TRUE(RaisesNoBox([&] {
        for (int iCommand : {kCmdCurrentSettings, kCmdStillPin, kCmdStillPath, kCmdUvcExtension, kCmdVideoRenderer})
            m_host.PostCommand(iCommand);
    }));
    EXPECT_EQ(1, g_StillPathDlgClosed);
    EXPECT_EQ(1, g_SettingsDlgClosed);

    // Get Still turns the flash off for good and leaves the rest to the
    // manager.
    ASSERT_EQ(1, g_FlashEnabled);
    m_host.PostCommand(kCmdGetStill);
    ExpectBox(L"KORViewer", L"Still Pin is not available", nullptr);
    EXPECT_EQ(0, g_FlashEnabled);
    EXPECT_EQ(0u, debug.Count(L"Get GPI status succeeded\r\n"));

    // Trigger AutoFocus says the extension is not there.
    m_host.PostCommand(kCmdTriggerAf);
    ExpectBox(L"Error", L"UVC Extension is not supported\r\n", nullptr);
    EXPECT_EQ(0, g_AutoFocusMode);
    EXPECT_EQ(0, g_ExtensionAvailable);
    EXPECT_EQ(0, m_host.Stop());

    // A camera whose friendly name is empty: listed nowhere, never bound.
    ASSERT_TRUE(m_camera.Load("[camera]\nname = \n"));
    debug.Clear();
    StartViewer();
    EXPECT_EQ(0, g_imonikerIndx_vid);
    EXPECT_EQ(nullptr, g_curVideoMoniker);
    EXPECT_TRUE(DeviceNames().empty());
    EXPECT_FALSE(g_pDShowManager->IsInitialized());
    EXPECT_EQ(0, g_LibStatus);
    EXPECT_FALSE(debug.Contains(L"InitDShow....\r\n"));
}

// ---------------------------------------------------------------------------
// Seven devices: all listed, only the first six selectable. Twelve devices:
// the table keeps the first ten enumerated, nothing past it; the preferred
// name enumerated later does not become current.

TEST_F(ViewerAppTest, ManyDevicesListTenAndSelectSix) {
    ASSERT_TRUE(m_camera.Load(Narrow(NumberedCameras(7))));
    DebugCapture debug;
    StartViewer();
    std::vector<std::wstring> enumerated = EnumeratedNames();
    ASSERT_EQ(7u, enumerated.size());
    EXPECT_EQ(enumerated, DeviceNames());
    EXPECT_EQ(1015u, CheckedDevice());  // no preferred name: the first

    m_host.Command(1021);  // the seventh: not a device command
    EXPECT_EQ(1015u, CheckedDevice());
    EXPECT_FALSE(debug.Contains(L"MENU_VDEVICE0\r\n"));
    m_host.Command(1020);  // the sixth
    EXPECT_EQ(1020u, CheckedDevice());
    EXPECT_TRUE(g_pDShowManager->IsInitialized());
    EXPECT_EQ(0, m_host.Stop());

    // Twelve, with the preferred camera enumerated last.
    std::wstring text = NumberedCameras(12);
    ASSERT_TRUE(m_camera.Load(Narrow(text)));
    enumerated = EnumeratedNames();
    ASSERT_EQ(12u, enumerated.size());
    // Give the last-enumerated camera the preferred name.
    std::wstring last = enumerated.back();
    size_t pos = text.find(L"name = " + last + L"\n");
    ASSERT_NE(std::wstring::npos, pos);
    text.replace(pos + 7, last.size(), kPreferred);
    ASSERT_TRUE(m_camera.Load(Narrow(text)));
    enumerated = EnumeratedNames();
    ASSERT_EQ(kPreferred, enumerated.back());

    debug.Clear();
    StartViewer();
    EXPECT_EQ(10, g_imonikerIndx_vid);
    EXPECT_EQ(std::vector<std::wstring>(enumerated.begin(), enumerated.begin() + 10), DeviceNames());
    EXPECT_EQ(g_pVideoMonikers[0], g_curVideoMoniker);
    EXPECT_EQ(1015u, CheckedDevice());
    EXPECT_TRUE(debug.Contains(L"Device table full, Tessaline 5MPixel Cam not listed\r\n"));
    EXPECT_TRUE(debug.Contains(L"At end g_imonikerIndx_vid=10\n"));
}

// ---------------------------------------------------------------------------
// Stills and the flash: the flash question (OK and Cancel, no owner), Enter
// without the question, a camera without a still pin, a rejected camera.

TEST_F(ViewerAppTest, FlashQuestionOkCancelAndEnterWithoutIt) {
    ASSERT_TRUE(m_camera.LoadFile(ScenarioPath(L"no-flash.txt")));
    DebugCapture debug;
    StartViewer();
    UseStillFolder();
    ASSERT_GT(g_LibStatus, 0);

    LONG lStills = CameraState(0).stillsDelivered;
    m_host.PostCommand(kCmdGetStill);
    HWND hBox = m_host.WaitForBox(L"KORView");
    ASSERT_NE(nullptr, hBox);
    EXPECT_EQ(kFlashQuestion, MessageBoxText(hBox));
    EXPECT_EQ((std::vector<int>{IDOK, IDCANCEL}), MessageBoxButtons(hBox));
    EXPECT_EQ(nullptr, GetWindow(hBox, GW_OWNER));
    EXPECT_TRUE(debug.Contains(L"Get GPI status succeeded\r\n"));
    const LONG lTriggers = CameraState(0).stillTriggers;
    ASSERT_TRUE(AnswerDialog(hBox, IDCANCEL));
    ASSERT_TRUE(m_host.Sync());
    EXPECT_EQ(lTriggers, CameraState(0).stillTriggers);

    m_host.PostCommand(kCmdGetStill);
    ExpectBox(L"KORView", kFlashQuestion, nullptr, IDOK);
    EXPECT_TRUE(TakesStillWithin(0, lStills));
    EXPECT_EQ(1, g_FlashEnabled);

    // Enter asks nothing.
    lStills = CameraState(0).stillsDelivered;
    m_host.Post(WM_KEYDOWN, VK_RETURN, 0x001C0001);
    EXPECT_TRUE(TakesStillWithin(0, lStills));
    EXPECT_EQ(nullptr, FindDialog(GetCurrentProcessId(), L"KORView"));

    // With the graph apart a still is refused before the question is asked.
    m_host.Command(kCmdStillPin);
    m_host.PostCommand(kCmdGetStill);
    ExpectBox(L"KORViewer", L"Error StillTrigger", nullptr);
    EXPECT_EQ(nullptr, FindDialog(GetCurrentProcessId(), L"KORView"));
    ASSERT_TRUE(AnswerDialog(g_hWndStillPinDialog, IDC_STILL_PIN_CANCEL));
    ASSERT_TRUE(m_host.Sync());

    // A removal while the question is up waits for it and runs after it.
    m_host.PostCommand(kCmdGetStill);
    hBox = m_host.WaitForBox(L"KORView");
    ASSERT_NE(nullptr, hBox);
    debug.Clear();
    ToolResult result = RunSimctl(L"unplug 0");
    ASSERT_EQ(0u, result.dwExitCode) << result.output;
    EXPECT_TRUE(debug.Contains(L"Device change waits for the running handler\r\n"));
    EXPECT_FALSE(debug.Contains(L"DBT_DEVICEREMOVECOMPLETE...\r\n"));
    EXPECT_TRUE(g_pDShowManager->IsInitialized());
    EXPECT_TRUE(AnswerDialog(hBox, IDCANCEL));
    ASSERT_TRUE(m_host.Sync());
    EXPECT_FALSE(g_pDShowManager->IsInitialized());
    EXPECT_TRUE(DeviceNames().empty());
    RunSimctl(L"plug 0");
}

TEST_F(ViewerAppTest, StillPinMissingAndCameraRejected) {
    ASSERT_TRUE(m_camera.LoadFile(ScenarioPath(L"no-still-pin.txt")));
    StartViewer();
    ASSERT_TRUE(g_pDShowManager->IsInitialized());
    EXPECT_FALSE(g_pDShowManager->HasStillPin());
    m_host.PostCommand(kCmdStillPin);
    ExpectBox(L"Still pin property", L"Still pin not supported", m_host.Main());
    EXPECT_EQ(1, g_StillPinDlgClosed);
    EXPECT_EQ(0, m_host.Stop());

    // Another vendor's camera (with a still pin) alone: previewing, extension
    // boxes, the still taken and the flash left off.
    ASSERT_TRUE(m_camera.Load(Narrow(
        L"[camera]\nname = Integrated HD Webcam\npath = "
        L"\\\\?\\USB#VID_AB12&PID_3C4D&MI_00#7&1B4E92A&0&0000#{65E8773D-8F56-11D0-A3B9-00A0C9223196}\\GLOBAL\n")));
    StartViewer();
    UseStillFolder();
    ASSERT_TRUE(g_pDShowManager->IsInitialized());
    EXPECT_LE(g_LibStatus, 0);
    m_host.PostCommand(kCmdCurrentSettings);
    ExpectBox(L"Error", L"Current setting dialog is not supports for this device\r\n", nullptr);
    m_host.PostCommand(kCmdUvcExtension);
    ExpectBox(L"Error", L"UVC Extension is not supported\r\n", nullptr);
    LONG lStills = CameraState(0).stillsDelivered;
    m_host.PostCommand(kCmdGetStill);
    ASSERT_TRUE(WaitFor([&] { return g_FlashEnabled == 0; }));
    EXPECT_TRUE(TakesStillWithin(0, lStills));
    EXPECT_EQ(nullptr, FindDialog(GetCurrentProcessId(), L"KORView"));
}

// ---------------------------------------------------------------------------
// Firmware 4 reports no sensor state: the library answers ready at once and
// the retry triggers on the first messages.

TEST_F(ViewerAppTest, FirmwareFourAutofocusAndDialogsAcrossRemoval) {
    ASSERT_TRUE(m_camera.LoadFile(ScenarioPath(L"firmware-v4.txt")));
    DebugCapture debug;
    StartViewer();
    ASSERT_GT(g_LibStatus, 0);
    EXPECT_TRUE(WaitForAutofocusDone());

    // About stays open across a removal; the UVC dialog does not.
    m_host.Command(kCmdAbout);
    EXPECT_EQ(0, g_AboutDlgClosed);
    m_host.Command(kCmdUvcExtension);
    HWND hUvc = g_hWndUvcDialog;
    ASSERT_TRUE(IsWindow(hUvc));
    Simctl(L"unplug 0");
    EXPECT_FALSE(IsWindow(hUvc));
    EXPECT_EQ(0, g_AboutDlgClosed);
    Simctl(L"plug 0");
    EXPECT_EQ((std::vector<std::wstring>{kPreferred}), DeviceNames());

    // The camera chosen again, the Still Pin Properties dialog open (the
    // graph taken apart while it is), the camera unplugged: the dialog
    // closes and the viewer goes on without a graph.
    m_host.Command(1015);
    ASSERT_TRUE(g_pDShowManager->IsInitialized());
    m_host.Command(kCmdStillPin);
    HWND hStillPin = m_host.WaitForBox(L"Still Pin Properties");
    ASSERT_NE(nullptr, hStillPin);
    Simctl(L"unplug 0");
    EXPECT_FALSE(g_pDShowManager->IsInitialized());
    EXPECT_FALSE(IsWindow(hStillPin));  // the removal closed it first
    EXPECT_EQ(1, g_StillPinDlgClosed);
    EXPECT_FALSE(g_pDShowManager->IsInitialized());
    Simctl(L"plug 0");
    m_host.Command(1015);
    EXPECT_TRUE(g_pDShowManager->IsInitialized());
}

// ---------------------------------------------------------------------------
// Two cameras of ours (same IDs, other paths; camera 0 with MJPG stills
// only, camera 1 taking a still trigger even while stopped): the library
// stays on the previewed camera across an arrival; no still is fired while
// the Still Pin Properties dialog has the graph apart; a YUY2 still chosen
// there is a bitmap; the dialog gives way to camera changes and shutdown; a
// still that cannot be saved is told by a box the window answers behind.

TEST_F(ViewerAppTest, TwoOfOursStillPinDialogAndUnsavedStills) {
    ASSERT_TRUE(m_camera.LoadFile(ScenarioPath(L"two-ours.txt")));
    DebugCapture debug;
    StartViewer();
    UseStillFolder();
    const std::wstring path1 = CameraState(1).devicePath;
    ASSERT_EQ(path1, g_szDevicePath);
    Simctl(L"plug 0");
    ASSERT_EQ(2u, DeviceNames().size());
    EXPECT_EQ(path1, g_szDevicePath);
    m_host.Command(kCmdUvcExtension);
    SimLogEntry open = {};
    ASSERT_TRUE(SimLogReadOp(SIM_OP_OPEN, SimLogCountOp(SIM_OP_OPEN) - 1, &open));
    EXPECT_EQ(1, open.camera);
    const int iOurs0 = DeviceId(L"Second Tessaline"), iOurs1 = DeviceId(kPreferred);
    ASSERT_TRUE(iOurs0 != 0 && iOurs1 != 0) << "both cameras are listed";
    EXPECT_EQ(static_cast<UINT>(iOurs1), CheckedDevice());  // the previewed one, not the first of the IDs

    const int kCompression = 1064, kOutputSize = 1065, kStillPinOk = 1070;
    auto openStillPin = [&](size_t cSubtypes) {
        m_host.Command(kCmdStillPin);
        HWND hDlg = g_hWndStillPinDialog;
        EXPECT_TRUE(IsWindow(hDlg));
        EXPECT_EQ(static_cast<LRESULT>(cSubtypes), SendDlgItemMessageW(hDlg, kCompression, CB_GETCOUNT, 0, 0));
        EXPECT_FALSE(g_pDShowManager->IsGraphBuilt());
        // Enter: refused before the strobe or the pin is touched; Video
        // Capture Pin does nothing.
        g_FlashEnabled = 1;
        const DWORD dwSetModes = SimLogCountOp(SIM_OP_SET_MODE);
        m_host.Post(WM_KEYDOWN, VK_RETURN, 0x001C0001);
        ExpectBox(L"KORViewer", L"Error StillTrigger", nullptr);
        EXPECT_EQ(dwSetModes, SimLogCountOp(SIM_OP_SET_MODE));
        EXPECT_EQ(0, CameraState(0).strobeOutput + CameraState(1).strobeOutput);
        EXPECT_TRUE(RaisesNoBox([&] { m_host.PostCommand(32774); }));
        EXPECT_FALSE(g_pDShowManager->IsGraphBuilt());
        return hDlg;
    };
    // Chooses a subtype, then a size of it, in the open dialog.
    auto choose = [&](HWND hDlg, const wchar_t *pszSubtype, const wchar_t *pszSize) {
        SendDlgItemMessageW(hDlg, kCompression, CB_SELECTSTRING, static_cast<WPARAM>(-1), LPARAM(pszSubtype));
        SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(kCompression, CBN_SELCHANGE), LPARAM(GetDlgItem(hDlg, kCompression)));
        SendDlgItemMessageW(hDlg, kOutputSize, CB_SELECTSTRING, static_cast<WPARAM>(-1), LPARAM(pszSize));
    };
    HWND hDlg = openStillPin(2);
    choose(hDlg, L"YUY2", L"2592x1944");
    ASSERT_TRUE(AnswerDialog(hDlg, kStillPinOk));
    ASSERT_TRUE(m_host.Sync());
    EXPECT_TRUE(g_pDShowManager->IsGraphBuilt());
    m_host.Post(WM_KEYDOWN, VK_RETURN, 0x001C0001);
    const ULONGLONG cbBitmap = 54ull + 2592ull * 1944ull * 3ull;
    EXPECT_TRUE(WaitFor(
        [&] {
            std::vector<std::wstring> files = m_stills.Files();
            WIN32_FILE_ATTRIBUTE_DATA data = {};
            return files.size() == 1 && files[0].find(L".bmp") == 14 &&
                   GetFileAttributesExW((m_stills.Path() + L"\\" + files[0]).c_str(), GetFileExInfoStandard, &data) &&
                   data.nFileSizeLow == cbBitmap;
        },
        15000));

    // A format the pin refuses: a box names it, the dialog stays open and the
    // still size stays the one the pin has.
    hDlg = openStillPin(2);
    ASSERT_EQ(1, SimInjectFaultFor(SIM_OP_SET_FORMAT, 0, E_INVALIDARG, 1, 0, SIMCAM_PIN_STILL));
    choose(hDlg, L"MJPG", L"640x480");
    PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(kStillPinOk, BN_CLICKED), 0);
    ExpectBox(L"Still pin property", L"The still pin refused the format MJPG 640x480.\r\n", hDlg);
    SimClearFaults();
    EXPECT_TRUE(IsWindow(hDlg));
    int iWidth = 0, iHeight = 0;
    g_pDShowManager->GetStillResolution(&iWidth, &iHeight);
    EXPECT_TRUE(iWidth == 2592 && iHeight == 1944) << iWidth << "x" << iHeight;
    ASSERT_TRUE(AnswerDialog(hDlg, IDC_STILL_PIN_CANCEL));

    // Another camera chosen with the dialog open: the dialog closes, no box,
    // that camera previews; the dialog then lists its formats; ours again.
    hDlg = openStillPin(2);
    EXPECT_TRUE(RaisesNoBox([&] { m_host.Command(iOurs0); }));
    EXPECT_FALSE(IsWindow(hDlg));
    EXPECT_TRUE(g_pDShowManager->IsInitialized());
    EXPECT_EQ(CameraState(0).devicePath, std::wstring(g_szDevicePath));
    hDlg = openStillPin(1);
    m_host.Command(iOurs1);
    EXPECT_FALSE(IsWindow(hDlg));
    EXPECT_TRUE(g_pDShowManager->IsInitialized() && g_pDShowManager->IsGraphBuilt());
    EXPECT_EQ(path1, g_szDevicePath);

    // The still folder names a file: a box on the window thread, the status
    // no longer "Capturing image...", a camera change and exit complete.
    const std::wstring notAFolder = m_stills.Path() + L"\\not-a-folder";
    CloseHandle(CreateFileW(notAFolder.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    g_SampleGrabberCB.SetStillPath(notAFolder.c_str());
    m_host.Post(WM_KEYDOWN, VK_RETURN, 0x001C0001);
    HWND hBox = m_host.WaitForBox(L"Image Capture");
    ASSERT_NE(nullptr, hBox);
    EXPECT_EQ(L"Sorry image cannot be captured", MessageBoxText(hBox));
    EXPECT_EQ(nullptr, GetWindow(hBox, GW_OWNER));
    EXPECT_TRUE(WaitFor([&] { return m_host.Status(2).empty(); }, 3000)) << Narrow(m_host.Status(2));
    m_host.Command(iOurs0);
    EXPECT_EQ(static_cast<UINT>(iOurs0), CheckedDevice());
    EXPECT_TRUE(IsWindow(hBox));
    EXPECT_EQ(0, m_host.Stop());

    // Closing the main window with the dialog open builds no graph.
    StartViewer();
    hDlg = openStillPin(2);
    debug.Clear();
    m_host.Post(WM_CLOSE, 0, 0);
    EXPECT_EQ(0, m_host.Stop());  // a box would have kept the viewer's thread from ending
    EXPECT_FALSE(debug.Contains(L"added the Video Render filter to the graph....\r\n"));
}

// ---------------------------------------------------------------------------
// A still whose picture never comes (ours, camera 1, between two cameras of
// other IDs) is given up on every road that stops its graph (the Still Pin
// dialog, another camera chosen, the camera unplugged, shutdown), with no
// box, and ten seconds after its trigger, with the box: the strobe goes off
// and the status bar drops "Capturing image...".

TEST_F(ViewerAppTest, AStillThatNeverComesIsGivenUp) {
    ASSERT_TRUE(m_camera.Load(
        Narrow(L"[camera]\nname = Integrated HD Webcam\nstill_pin = no\npath = "
               L"\\\\?\\USB#VID_AB12&PID_3C4D&MI_00#7&1B4E92A&0&0000#{65E8773D-8F56-11D0-A3B9-00A0C9223196}\\GLOBAL\n"
               L"[camera]\nname = Tessaline 5MPixel Cam\nstill_lost = yes\n"
               L"[camera]\nname = Bench Cam\nstill_pin = no\npath = "
               L"\\\\?\\usb#vid_1d6b&pid_0102&mi_00#1&2&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global\n")));
    StartViewer();
    // Another camera unplugged: the check stays on the one previewed.
    m_host.Command(1017);
    Simctl(L"unplug 0");
    EXPECT_EQ(1016u, CheckedDevice());
    Simctl(L"plug 0");
    m_host.Command(1016);
    auto fire = [&] {
        g_FlashEnabled = 1;
        m_host.Post(WM_KEYDOWN, VK_RETURN, 0x001C0001);
        return WaitFor([&] { return CameraState(1).strobeOutput == 1 && m_host.Status(2) == L"Capturing image..."; });
    };
    // An unplugged camera's strobe is out of reach (and without power).
    auto givenUp = [&](bool bReachable) {
        return WaitFor([&] {
            return (!bReachable || CameraState(1).strobeOutput == 0) &&
                   g_pDShowManager->GetStillState() == kStillIdle && m_host.Status(2).empty();
        });
    };
    const std::function<void()> roads[][2] = {
        {[&] { m_host.Command(kCmdStillPin); }, [&] { AnswerDialog(g_hWndStillPinDialog, IDC_STILL_PIN_CANCEL); }},
        {[&] { m_host.Command(1015); }, [&] { m_host.Command(1016); }},
        {[&] { Simctl(L"unplug 1"); },
         [&] {
             Simctl(L"plug 1");
             m_host.Command(1016);
         }},
    };
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(fire()) << "road " << i;
        EXPECT_TRUE(RaisesNoBox(roads[i][0]) && givenUp(i != 2)) << "road " << i;
        roads[i][1]();
        ASSERT_TRUE(m_host.Sync() && g_pDShowManager->IsGraphBuilt()) << "road " << i;
    }
    ASSERT_TRUE(fire());
    HWND hBox = m_host.WaitForBox(L"Image Capture", kStillTimeoutMs + 5000);
    ASSERT_NE(nullptr, hBox);
    EXPECT_EQ(L"Sorry image cannot be captured", MessageBoxText(hBox));
    EXPECT_TRUE(givenUp(true));
    EXPECT_TRUE(AnswerDialog(hBox, IDOK));
    // Shutdown gives the still up before the library's session closes.
    ASSERT_TRUE(fire());
    EXPECT_EQ(0, m_host.Stop());
    EXPECT_EQ(0, CameraState(1).strobeOutput);
    EXPECT_TRUE(m_stills.Files().empty());
}

// ---------------------------------------------------------------------------
// A failure box inside a camera selection (the webcam was unplugged before
// it was announced): its removal, another selection and a close of the
// window arriving meanwhile wait for the selection, which fails as a failed
// build does; the close then drops the rest and the viewer ends cleanly.

TEST_F(ViewerAppTest, CloseAndDeviceEventsWaitForTheRunningSelection) {
    ASSERT_TRUE(m_camera.LoadFile(ScenarioPath(L"two-cameras.txt")));
    DebugCapture debug;
    StartViewer();
    ASSERT_TRUE(SimPlug(0, 0));
    m_host.PostCommand(1015);
    HWND hBox = m_host.WaitForBox(L"PreviewVideo");
    ASSERT_NE(nullptr, hBox);
    EXPECT_EQ(L"Cannot create video capture filter", MessageBoxText(hBox));
    Simctl(L"unplug 0");
    m_host.Post(WM_COMMAND, 1016, 0);
    m_host.Post(WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return debug.Contains(L"Close waits for the running handler\r\n"); }));
    EXPECT_TRUE(debug.Contains(L"Device change waits for the running handler\r\n"));
    EXPECT_TRUE(debug.Contains(L"Device selection 1016 waits for the running handler\r\n"));
    EXPECT_TRUE(IsWindow(m_host.Main()) && !g_pDShowManager->IsInitialized());
    EXPECT_TRUE(AnswerDialog(hBox, IDOK));
    EXPECT_TRUE(WaitFor([&] { return !m_host.Running(); }));
    EXPECT_EQ(0, m_host.Stop());
    EXPECT_EQ(1u, debug.Count(L"MENU_VDEVICE0\r\n"));
    EXPECT_FALSE(debug.Contains(L"DBT_DEVICEREMOVECOMPLETE...\r\n"));
}

// ---------------------------------------------------------------------------
// WM_DEVICECHANGE comes from any process: records of another type, class or
// size, a null pointer and a name without terminator within its size.

TEST_F(ViewerAppTest, DeviceChangeRecordsAreCheckedBeforeUse) {
    ASSERT_TRUE(m_camera.LoadFile(ScenarioPath(L"default.txt")));
    DebugCapture debug;
    StartViewer();
    HWND hMain = m_host.Main();

    // Removals without a record, with one of another type, of the right type
    // but too short for a class GUID, and of another class; another event.
    DEV_BROADCAST_HDR hdr = {sizeof(hdr), DBT_DEVTYP_VOLUME, 0};
    DEV_BROADCAST_HDR shortHdr = {sizeof(shortHdr), DBT_DEVTYP_DEVICEINTERFACE, 0};
    DEV_BROADCAST_DEVICEINTERFACE_W other = {};
    other.dbcc_size = sizeof(other);
    other.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    for (const void *pRecord : std::initializer_list<const void *>{nullptr, &hdr, &shortHdr, &other})
        SendMessageW(hMain, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(pRecord));
    SendMessageW(hMain, WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, reinterpret_cast<LPARAM>(&other));
    EXPECT_FALSE(debug.Contains(L"DBT_DEVICEREMOVECOMPLETE...\r\n"));
    EXPECT_TRUE(g_pDShowManager->IsInitialized());

    // A capture-class record whose name fills its size without terminator
    // and is followed by more text: only the part within the size is read.
    struct {
        DEV_BROADCAST_DEVICEINTERFACE_W record;
        wchar_t szMore[64];
    } block;
    ZeroMemory(&block, sizeof(block));
    const wchar_t szName[] = L"\\\\?\\USB#VID_AB12&PID_3C4D#X";
    const size_t cchName = ARRAYSIZE(szName) - 1;
    block.record.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    block.record.dbcc_classguid = {0x65e8773d, 0x8f56, 0x11d0, {0xa3, 0xb9, 0x00, 0xa0, 0xc9, 0x22, 0x31, 0x96}};
    wchar_t *pszName = block.record.dbcc_name;
    for (size_t i = 0; i < cchName; ++i) pszName[i] = szName[i];
    for (size_t i = 0; i < 20; ++i) pszName[cchName + i] = L'Z';
    block.record.dbcc_size =
        static_cast<DWORD>(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + cchName * sizeof(wchar_t));
    SendMessageW(hMain, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&block));
    EXPECT_TRUE(debug.Contains(std::wstring(L"DBT_DEVICEREMOVECOMPLETE dbcc_name=") + szName + L"\r\n"));
    EXPECT_TRUE(debug.Contains(L"DBT_DEVICEREMOVECOMPLETE...RemvdDevVid=ab12 RemvdDevPid=3c4d\r\n"));
    EXPECT_EQ(L'Z', pszName[cchName]);  // the sender's record is not written
    EXPECT_EQ(L'V', pszName[8]);
    EXPECT_TRUE(g_pDShowManager->IsInitialized());
}

// ---------------------------------------------------------------------------
// Device paths pass a 255-character buffer: 254 characters stay whole, a
// longer path is cut to 254.

std::wstring PathOfLength(size_t cch, wchar_t chFill) {
    std::wstring head = L"\\\\?\\usb#vid_2c7a&pid_04e1&mi_00#";
    std::wstring tail = L"#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
    return head + std::wstring(cch - head.size() - tail.size(), chFill) + tail;
}

TEST_F(ViewerAppTest, DevicePathsAreKeptToTwoHundredFiftyFourCharacters) {
    const std::wstring path254 = PathOfLength(254, L'a');
    const std::wstring path255 = PathOfLength(255, L'b');
    ASSERT_TRUE(m_camera.Load(Narrow(L"[camera]\nname = Tessaline 5MPixel Cam\npath = " + path254 +
                                     L"\n[camera]\nname = Long Path\npath = " + path255 + L"\n")));
    ASSERT_EQ(path255, std::wstring(CameraState(1).devicePath));
    StartViewer();
    EXPECT_EQ(path254, std::wstring(g_szDevicePath));
    const UINT uLong = DeviceId(L"Long Path");
    ASSERT_NE(0u, uLong);
    m_host.Command(static_cast<int>(uLong));
    EXPECT_EQ(path255.substr(0, 254), std::wstring(g_szDevicePath));
}

// ---------------------------------------------------------------------------
// Device paths and IDs: the 254-character cut, case-sensitive markers.

TEST(ViewerDevicePaths, VidPidMarkersAreCaseSensitiveAndCutToFourCharacters) {
    wchar_t szVid[USB_ID_TEXT_CCH] = L"x", szPid[USB_ID_TEXT_CCH] = L"x";
    GetVidPidForDevicePath(L"\\\\?\\usb#vid_2c7a&pid_04e1&mi_00#6", szVid, ARRAYSIZE(szVid), szPid, ARRAYSIZE(szPid));
    EXPECT_STREQ(L"2c7a", szVid);
    EXPECT_STREQ(L"04e1", szPid);
    GetVidPidForDevicePath(L"\\\\?\\USB#VID_2C7A&PID_04E1", szVid, ARRAYSIZE(szVid), szPid, ARRAYSIZE(szPid));
    EXPECT_STREQ(L"", szVid);
    EXPECT_STREQ(L"", szPid);
    GetVidPidForDevicePath(L"pid_12vid_3", szVid, ARRAYSIZE(szVid), nullptr, 0);
    EXPECT_STREQ(L"3", szVid);
    GetVidPidForDevicePath(nullptr, szVid, ARRAYSIZE(szVid), szPid, ARRAYSIZE(szPid));
    EXPECT_STREQ(L"", szVid);
}

}  // namespace
