// DeviceTest.cpp - the simulated camera in the video-input device category:
// what the system device enumerator lists, how the list follows scenarios
// and plugs, and that each moniker binds a filter for its own camera.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>
#include <strsafe.h>

#include <algorithm>
#include <cwctype>

#include "DShowTestSupport.h"
#include "server/SimGuids.h"
#include "include/SimCamControl.h"

using namespace dshowtest;

namespace {

const char kTwoCameras[] =
    "[camera]\n"
    "name = Integrated HD Webcam\n"
    "path = \\\\?\\USB#VID_AB12&PID_3C4D&MI_00#7&1B4E92A&0&0000#{65E8773D-8F56-11D0-A3B9-00A0C9223196}\\GLOBAL\n"
    "still_pin = no\n"
    "capture = YUY2 640x480, MJPG 1280x720\n"
    "[camera]\n"
    "name = Tessaline 5MPixel Cam\n";

const WCHAR kInstanceKey[] = L"CLSID\\{860BB310-5D01-11d0-BD3B-00A0C911CE86}\\Instance";

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t ch) { return static_cast<wchar_t>(towlower(ch)); });
    return text;
}

int PinCountOf(IBaseFilter *pFilter) {
    ComPtr<IEnumPins> pEnum;
    if (FAILED(pFilter->EnumPins(&pEnum))) return -1;
    int iCount = 0;
    IPin *pPin = nullptr;
    while (pEnum->Next(1, &pPin, nullptr) == S_OK) {
        ++iCount;
        pPin->Release();
    }
    return iCount;
}

class DeviceTest : public CameraTest {};

}  // namespace

TEST_F(DeviceTest, DefaultScenarioListsOneTessalineCamera) {
    std::vector<VideoDevice> devices = ListVideoDevices();
    ASSERT_EQ(1u, devices.size());
    EXPECT_EQ(L"Tessaline 5MPixel Cam", devices[0].name);

    // A USB video device's interface path, as a real camera has it.
    std::wstring path = Lower(devices[0].path);
    EXPECT_EQ(0u, path.find(L"\\\\?\\usb#vid_2c7a&pid_04e1&mi_00#")) << devices[0].path;
    EXPECT_NE(std::wstring::npos, path.find(L"#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global")) << devices[0].path;

    // The same text the camera (and so the extension-unit component) has.
    SimCameraState state;
    ASSERT_EQ(1, SimGetCameraState(0, &state));
    EXPECT_EQ(std::wstring(state.devicePath), devices[0].path);

    EXPECT_EQ(0u, Lower(devices[0].displayName).find(L"@device:sw:{860bb310-5d01-11d0-bd3b-00a0c911ce86}\\"))
        << devices[0].displayName;
}

TEST_F(DeviceTest, ListFollowsScenarioAndPlugAndKeepsForeignEntries) {
    // A device some other driver registered stays untouched by our syncs.
    HKEY hForeign = nullptr;
    WCHAR szForeign[160];
    ASSERT_EQ(S_OK, StringCchPrintfW(szForeign, ARRAYSIZE(szForeign), L"%s\\OtherVendorCam", kInstanceKey));
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CLASSES_ROOT, szForeign, 0, nullptr, 0, KEY_WRITE, nullptr, &hForeign, nullptr));
    const WCHAR szName[] = L"Other Vendor Cam";
    RegSetValueExW(hForeign, L"FriendlyName", 0, REG_SZ, reinterpret_cast<const BYTE *>(szName), sizeof(szName));
    RegCloseKey(hForeign);

    ASSERT_TRUE(m_camera.Load(kTwoCameras));
    std::vector<VideoDevice> devices = ListVideoDevices();
    auto Names = [](const std::vector<VideoDevice> &list) {
        std::vector<std::wstring> names;
        for (const VideoDevice &device : list) names.push_back(device.name);
        return names;
    };
    EXPECT_EQ((std::vector<std::wstring>{L"Other Vendor Cam", L"Integrated HD Webcam", L"Tessaline 5MPixel Cam"}),
              Names(devices));

    ASSERT_EQ(1, SimPlug(0, 0));
    EXPECT_EQ((std::vector<std::wstring>{L"Other Vendor Cam", L"Tessaline 5MPixel Cam"}), Names(ListVideoDevices()));
    ASSERT_EQ(1, SimPlug(0, 1));
    EXPECT_EQ(3u, ListVideoDevices().size());

    // A scenario without cameras leaves only the foreign entry.
    ASSERT_TRUE(m_camera.Load("# no camera\n"));
    EXPECT_EQ((std::vector<std::wstring>{L"Other Vendor Cam"}), Names(ListVideoDevices()));

    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CLASSES_ROOT, szForeign));
}

TEST_F(DeviceTest, RegistrationIsLeftAloneWhenDevicesAreOff) {
    ASSERT_TRUE(SetEnvironmentVariableW(L"SIMCAM_DEVICES", L"0"));
    ASSERT_TRUE(m_camera.Load(kTwoCameras));
    size_t cListed = ListVideoDevices().size();
    ASSERT_TRUE(SetEnvironmentVariableW(L"SIMCAM_DEVICES", L"1"));
    EXPECT_EQ(1u, cListed);
}

TEST_F(DeviceTest, EachMonikerBindsAFilterForItsOwnCamera) {
    ASSERT_TRUE(m_camera.Load(kTwoCameras));
    ComPtr<IBaseFilter> pWebcam, pOurs;
    ASSERT_EQ(S_OK, BindVideoDevice(0, &pWebcam));
    ASSERT_EQ(S_OK, BindVideoDevice(1, &pOurs));

    // The other camera has no still pin and two capture formats.
    EXPECT_EQ(1, PinCountOf(pWebcam.Get()));
    EXPECT_EQ(2, PinCountOf(pOurs.Get()));
    ComPtr<IAMStreamConfig> pConfig;
    ASSERT_EQ(S_OK, StreamConfigOf(pWebcam.Get(), PIN_CATEGORY_CAPTURE, &pConfig));
    int iCount = 0, iSize = 0;
    ASSERT_EQ(S_OK, pConfig->GetNumberOfCapabilities(&iCount, &iSize));
    EXPECT_EQ(2, iCount);

    CLSID clsid = GUID_NULL;
    EXPECT_EQ(S_OK, pOurs->GetClassID(&clsid));
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_SimCamSource));
}

TEST_F(DeviceTest, UnpluggedCameraNoLongerBinds) {
    // Unplugged behind the enumerator's back (its key stays): the filter
    // itself refuses the moniker's camera.
    std::vector<IMoniker *> monikers;
    ASSERT_EQ(1u, ListVideoDevices(&monikers).size());
    ASSERT_TRUE(SetEnvironmentVariableW(L"SIMCAM_DEVICES", L"0"));
    ASSERT_EQ(1, SimPlug(0, 0));
    IBaseFilter *pFilter = nullptr;
    HRESULT hr = monikers[0]->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void **>(&pFilter));
    ASSERT_TRUE(SetEnvironmentVariableW(L"SIMCAM_DEVICES", L"1"));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED), hr);
    EXPECT_EQ(nullptr, pFilter);
    if (pFilter) pFilter->Release();

    // Plugged in again, the same moniker binds.
    ASSERT_EQ(1, SimPlug(0, 1));
    hr = monikers[0]->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void **>(&pFilter));
    EXPECT_EQ(S_OK, hr);
    if (pFilter) pFilter->Release();
    ReleaseMonikers(&monikers);
}
