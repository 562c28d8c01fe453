// HotPlugTest.cpp - plugging and unplugging with the control tool, seen as
// the viewer sees it: WM_DEVICECHANGE at a top-level window of this process
// (sent by simctl.exe, another process, so the record travels as Windows
// delivers it) and the video-input devices listed by the system device
// enumerator.
#include <windows.h>
#include <dbt.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "common/CameraFixture.h"
#include "ComCreate.h"
#include "SimCamControl.h"
#include "common/TestKit.h"
#include "common/ToolRunner.h"

namespace {

// KSCATEGORY_CAPTURE {65E8773D-8F56-11D0-A3B9-00A0C9223196}
const GUID kCaptureCategory = {0x65e8773d, 0x8f56, 0x11d0, {0xa3, 0xb9, 0x00, 0xa0, 0xc9, 0x22, 0x31, 0x96}};

struct Notification {
    WPARAM wEvent;
    DWORD dwSize;
    DWORD dwDeviceType;
    GUID classGuid;
    std::wstring name;
};

std::vector<Notification> g_Notifications;

LRESULT CALLBACK SinkProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_DEVICECHANGE) {
        Notification n = {wParam, 0, 0, GUID_NULL, std::wstring()};
        const DEV_BROADCAST_HDR *pHdr = reinterpret_cast<const DEV_BROADCAST_HDR *>(lParam);
        if (pHdr) {
            n.dwSize = pHdr->dbch_size;
            n.dwDeviceType = pHdr->dbch_devicetype;
            if (pHdr->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
                const DEV_BROADCAST_DEVICEINTERFACE_W *pIf =
                    reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W *>(pHdr);
                n.classGuid = pIf->dbcc_classguid;
                n.name = pIf->dbcc_name;
            }
        }
        g_Notifications.push_back(n);
        return TRUE;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

// A top-level window, like the viewer's main window, that records what it gets.
class NotificationSink {
public:
    NotificationSink() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = SinkProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"HotPlugTestSink";
        RegisterClassW(&wc);
        m_hWnd = CreateWindowExW(0, wc.lpszClassName, L"hot-plug sink", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                 nullptr, wc.hInstance, nullptr);
        g_Notifications.clear();
    }
    ~NotificationSink() {
        if (m_hWnd) DestroyWindow(m_hWnd);
    }
    HWND Window() const { return m_hWnd; }

private:
    HWND m_hWnd;
};

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// (friendly name, device path) of every video-input device.
std::vector<std::pair<std::wstring, std::wstring>> VideoDevices() {
    std::vector<std::pair<std::wstring, std::wstring>> devices;
    for (const VideoDeviceTexts &device : ListVideoDeviceTexts()) devices.emplace_back(device.name, device.path);
    return devices;
}

bool Listed(const std::wstring &path) {
    auto devices = VideoDevices();
    return std::any_of(devices.begin(), devices.end(), [&](const auto &d) { return d.second == path; });
}

std::wstring CameraPath(int iCamera) { return CameraState(iCamera).devicePath; }

// Leaves the prefix's device list as the default camera has it.
class HotPlugTest : public CameraTest {
protected:
    void SetUp() override {
        CameraTest::SetUp();
        ASSERT_TRUE(m_camera.LoadFile(ScenarioPath(L"default.txt")));
    }

    void RunOk(const std::wstring &arguments) {
        ToolResult result = RunSimctl(arguments);
        ASSERT_TRUE(result.bStarted);
        ASSERT_EQ(0u, result.dwExitCode) << Narrow(arguments) << ": " << result.output;
    }

    // The one notification since the last call: event, record and name.
    void ExpectOneNotification(WPARAM wEvent, const std::wstring &path) {
        ASSERT_EQ(1u, g_Notifications.size());
        const Notification &n = g_Notifications[0];
        EXPECT_EQ(wEvent, n.wEvent);
        EXPECT_EQ(static_cast<DWORD>(DBT_DEVTYP_DEVICEINTERFACE), n.dwDeviceType);
        EXPECT_TRUE(IsEqualGUID(kCaptureCategory, n.classGuid));
        EXPECT_EQ(path, n.name);
        EXPECT_EQ(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (path.size() + 1) * sizeof(wchar_t), n.dwSize);
        g_Notifications.clear();
    }
};

TEST_F(HotPlugTest, UnplugAndPlugAreAnnouncedAndFollowedByTheDeviceList) {
    NotificationSink sink;
    ASSERT_NE(nullptr, sink.Window());
    const std::wstring path = CameraPath(0);
    ASSERT_TRUE(Listed(path));

    RunOk(L"unplug 0");
    ExpectOneNotification(DBT_DEVICEREMOVECOMPLETE, path);
    EXPECT_FALSE(Listed(path));
    SimCameraState state = {};
    ASSERT_TRUE(SimGetCameraState(0, &state));
    EXPECT_EQ(0, state.present);
    ToolResult list = RunSimctl(L"list");
    EXPECT_NE(std::string::npos, list.output.find("0 unplugged Tessaline 5MPixel Cam\n    " + Narrow(path)))
        << list.output;
    EXPECT_TRUE(g_Notifications.empty());  // listing announces nothing

    // What the viewer cuts out of the lower-cased name.
    std::wstring lower = Lower(path);
    EXPECT_EQ(L"2c7a", lower.substr(lower.find(L"vid_") + 4, 4));
    EXPECT_EQ(L"04e1", lower.substr(lower.find(L"pid_") + 4, 4));

    RunOk(L"plug 0");
    ExpectOneNotification(DBT_DEVICEARRIVAL, path);
    EXPECT_TRUE(Listed(path));
    auto devices = VideoDevices();
    ASSERT_EQ(1u, devices.size());
    EXPECT_EQ(L"Tessaline 5MPixel Cam", devices[0].first);
    EXPECT_NE(std::string::npos, RunSimctl(L"state 0").output.find("present: yes"));
}

TEST_F(HotPlugTest, ToolSwitchesToTwoCamerasAndUnplugsTheForeignOne) {
    NotificationSink sink;
    RunOk(L"scenario \"" + ScenarioPath(L"two-cameras.txt") + L"\"");
    EXPECT_TRUE(g_Notifications.empty());  // a scenario switch announces nothing
    ASSERT_EQ(2, SimCameraCount());
    const std::wstring foreign = CameraPath(0);
    const std::wstring ours = CameraPath(1);
    auto devices = VideoDevices();
    ASSERT_EQ(2u, devices.size());
    EXPECT_TRUE(Listed(foreign));
    EXPECT_TRUE(Listed(ours));

    RunOk(L"unplug 0");
    ExpectOneNotification(DBT_DEVICEREMOVECOMPLETE, foreign);  // the name as the device has it, in capitals
    std::wstring lower = Lower(foreign);
    EXPECT_NE(std::wstring::npos, lower.find(L"vid_ab12"));
    EXPECT_FALSE(Listed(foreign));
    EXPECT_TRUE(Listed(ours));

    RunOk(L"unplug 1");
    ExpectOneNotification(DBT_DEVICEREMOVECOMPLETE, ours);
    EXPECT_TRUE(VideoDevices().empty());
    RunOk(L"plug 1");
    ExpectOneNotification(DBT_DEVICEARRIVAL, ours);
    EXPECT_EQ(1u, VideoDevices().size());
}

TEST_F(HotPlugTest, RefusedRequestsAnnounceNothing) {
    NotificationSink sink;
    const std::wstring path = CameraPath(0);
    for (const wchar_t *pszArgs : {L"unplug 3", L"plug", L"unplug x"}) {
        ToolResult result = RunSimctl(pszArgs);
        EXPECT_NE(0u, result.dwExitCode) << Narrow(pszArgs);
    }
    EXPECT_TRUE(g_Notifications.empty());
    EXPECT_TRUE(Listed(path));
}

}  // namespace
