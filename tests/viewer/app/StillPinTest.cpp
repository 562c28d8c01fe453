// StillPinTest.cpp - the Still Pin Properties dialog: the format lists (only
// MJPG and YUY2 entries, widest first, at most five subtypes), the typed
// size parser, and the dialog's boxes against the simulated camera's still
// pin through the capture manager.
#include <windows.h>
#include <dshow.h>
#include <strsafe.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "AppGlobals.h"
#include "ComPtr.h"
#include "DebugCapture.h"
#include "DialogTestSupport.h"
#include "Dialogs.h"
#include "Dshow.h"
#include "common/CameraFixture.h"
#include "SimCamControl.h"
#include "resource.h"

namespace {

StillFormat Format(const WCHAR *pszSubType, int width, int height) {
    StillFormat format = {};
    (void)StringCchCopyNW(format.Compression, 5, pszSubType, 4);
    format.Width = width;
    format.Height = height;
    return format;
}

std::wstring Describe(const StillFormat &format) {
    return std::wstring(format.Compression) + L" " + std::to_wstring(format.Width) + L"x" +
           std::to_wstring(format.Height);
}

}  // namespace

TEST(StillFormatLists, SubtypesApartWidestFirstEqualWidthsInCapabilityOrder) {
    std::vector<StillFormat> formats = {Format(L"YUY2", 640, 480),  Format(L"YUY2", 2592, 1944),
                                        Format(L"MJPG", 1280, 960), Format(L"MJPG", 2592, 1944),
                                        Format(L"YUY2", 1280, 960), Format(L"MJPG", 1280, 720)};
    int mjpgCount = -1;
    ASSERT_EQ(6, ArrangeStillFormats(formats.data(), static_cast<int>(formats.size()), &mjpgCount));
    EXPECT_EQ(3, mjpgCount);
    const WCHAR *expected[] = {L"MJPG 2592x1944", L"MJPG 1280x960", L"MJPG 1280x720",
                               L"YUY2 2592x1944", L"YUY2 1280x960", L"YUY2 640x480"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(expected[i], Describe(formats[i])) << i;

    WCHAR unique[STILL_UNIQUE_SUBTYPES][5];
    ASSERT_EQ(2, BuildUniqueSubtypes(formats.data(), 6, unique, STILL_UNIQUE_SUBTYPES));
    EXPECT_STREQ(L"MJPG", unique[0]);
    EXPECT_STREQ(L"YUY2", unique[1]);
}

TEST(StillFormatLists, UnfilledEntriesAreNeverWalkedAndFiveSlotsHold) {
    // Unreadable capabilities and other subtypes leave entries unfilled (or
    // filled with garbage); a list alternating between the subtypes would
    // need more than five slots.
    std::vector<StillFormat> formats;
    for (int i = 0; i < 12; ++i) {
        formats.push_back(Format(i % 2 ? L"YUY2" : L"MJPG", 100 + i, 10));
        formats.push_back(Format(L"", 0, 0));
        formats.push_back(Format(i % 3 ? L"RGB3" : L"\x7fff\x7fff\x7fff\x7fff", 7, 7));
    }
    formats.push_back(Format(L"", 0, 0));
    // Never walked past the usable entries: five slots at most, unfilled
    // texts never taken.
    WCHAR unique[STILL_UNIQUE_SUBTYPES + 1][5];
    (void)StringCchCopyW(unique[STILL_UNIQUE_SUBTYPES], 5, L"____");
    EXPECT_EQ(STILL_UNIQUE_SUBTYPES,
              BuildUniqueSubtypes(formats.data(), static_cast<int>(formats.size()), unique, STILL_UNIQUE_SUBTYPES));
    EXPECT_STREQ(L"____", unique[STILL_UNIQUE_SUBTYPES]) << "nothing past the fifth slot";
    for (int k = 0; k < STILL_UNIQUE_SUBTYPES; ++k)
        EXPECT_TRUE(lstrcmpW(unique[k], L"MJPG") == 0 || lstrcmpW(unique[k], L"YUY2") == 0) << k;

    const int usable = ArrangeStillFormats(formats.data(), static_cast<int>(formats.size()), nullptr);
    EXPECT_EQ(12, usable);
    EXPECT_EQ(2, BuildUniqueSubtypes(formats.data(), usable, unique, STILL_UNIQUE_SUBTYPES));
    EXPECT_EQ(0, ArrangeStillFormats(formats.data() + usable + 1, 0, nullptr));
}

TEST(StillSizeParser, DigitsLowercaseXAndSaturation) {
    struct Case {
        const WCHAR *text;
        int width;
        int height;
    };
    const Case cases[] = {{L"1280 x 720", 1280, 720},
                          {L"640X480", 640480, 0},
                          {L"2592x1944", 2592, 1944},
                          {L"12x34x56", 12, 3456},
                          {L"", 0, 0},
                          {L"x", 0, 0},
                          {L"2147483647x2147483647", INT_MAX, INT_MAX},
                          {L"2147483648x1", INT_MAX, 1},
                          {L"99999999999999999999999999999999x99999999999999999999", INT_MAX, INT_MAX},
                          {L"214748364x9", 214748364, 9}};
    for (const Case &c : cases) {
        int width = -1;
        int height = -1;
        ParseStillSizeText(c.text, &width, &height);
        EXPECT_EQ(c.width, width) << c.text;
        EXPECT_EQ(c.height, height) << c.text;
    }
    // 255 digits, as many as the box gives.
    std::wstring digits(255, L'9');
    int width = 0;
    int height = 0;
    ParseStillSizeText(digits.c_str(), &width, &height);
    EXPECT_EQ(INT_MAX, width);
    EXPECT_EQ(0, height);
}

namespace {

// The still resolution the capture manager holds now.
void ExpectStillResolution(int expectedWidth, int expectedHeight) {
    int width = 0;
    int height = 0;
    g_pDShowManager->GetStillResolution(&width, &height);
    EXPECT_EQ(expectedWidth, width);
    EXPECT_EQ(expectedHeight, height);
}

std::vector<std::wstring> ComboItems(HWND hDlg, int id) {
    std::vector<std::wstring> items;
    const LRESULT count = SendDlgItemMessageW(hDlg, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        WCHAR sz[64] = L"";
        if (SendDlgItemMessageW(hDlg, id, CB_GETLBTEXTLEN, i, 0) < 64)
            SendDlgItemMessageW(hDlg, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(sz));
        items.push_back(sz);
    }
    return items;
}

// Our camera with the given [camera] keys.
std::string OurCamera(const std::string &keys) { return "[camera]\nname = Tessaline 5MPixel Cam\n" + keys; }

class StillPinDialogTest : public CameraTest {
protected:
    void SetUp() override {
        CameraTest::SetUp();
        ResetAppGlobals();
        ResetCaptureProcessState();
    }
    void TearDown() override {
        if (IsWindow(m_hDlg)) DestroyWindow(m_hDlg);
        if (g_pDShowManager) {
            g_pDShowManager->DeInitDShow();
            delete g_pDShowManager;
            g_pDShowManager = nullptr;
        }
        if (g_hWndMain) DestroyWindow(g_hWndMain);
        g_hWndMain = nullptr;
        CameraTest::TearDown();
    }
    // Runs the manager's graph on the loaded camera; false when the capture
    // manager cannot preview it: a fault.
    bool RunManager() {
        IMoniker *pMoniker = m_camera.Moniker();
        if (!pMoniker) {
            ADD_FAILURE() << "camera not listed";
            return false;
        }
        g_hWndMain =
            CreateWindowW(L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
        g_pDShowManager = DShowManager::GetInstance();
        g_pDShowManager->SetMainWindow(g_hWndMain);
        return g_pDShowManager->InitDShow(pMoniker) == 1 && g_pDShowManager->IsInitialized() &&
               g_pDShowManager->EnumStillFormats(nullptr) >= 0;
    }
    void Open() {
        m_hDlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_STILL_PIN_PROPERTIES), g_hWndMain,
                                    StillPinPropDlgProc, 0);
        ASSERT_NE(m_hDlg, nullptr);
        ShowWindow(m_hDlg, SW_SHOW);
        g_StillPinDlgClosed = 0;
        PumpMessages(50);
    }
    void Choose(const WCHAR *pszSubType) {
        const LRESULT index = SendDlgItemMessageW(m_hDlg, IDC_CBO_COMPRESSION, CB_FINDSTRINGEXACT,
                                                  static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(pszSubType));
        ASSERT_NE(CB_ERR, index) << pszSubType;
        SendDlgItemMessageW(m_hDlg, IDC_CBO_COMPRESSION, CB_SETCURSEL, index, 0);
        SendMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(IDC_CBO_COMPRESSION, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(m_hDlg, IDC_CBO_COMPRESSION)));
    }
    HWND m_hDlg = nullptr;
};

}  // namespace

TEST_F(StillPinDialogTest, BoxesListSubtypesAndSizesWidestFirst) {
    ASSERT_TRUE(m_camera.Load(
        OurCamera("still = YUY2 640x480, YUY2 2592x1944, MJPG 1280x960, MJPG 2592x1944, YUY2 1280x960\n")));
    ASSERT_TRUE(RunManager()) << "the capture manager does not preview the simulated camera";
    Open();
    EXPECT_EQ((std::vector<std::wstring>{L"MJPG", L"YUY2"}), ComboItems(m_hDlg, IDC_CBO_COMPRESSION));
    // Opened on the current format: the compression box has the focus, and
    // its focus notification filled the size box.
    EXPECT_EQ(L"MJPG", ItemText(m_hDlg, IDC_CBO_COMPRESSION));
    EXPECT_EQ((std::vector<std::wstring>{L"2592x1944", L"1280x960"}), ComboItems(m_hDlg, IDC_CBO_OUTPUT_SIZE));
    EXPECT_EQ(L"2592x1944", ItemText(m_hDlg, IDC_CBO_OUTPUT_SIZE));
    Choose(L"MJPG");
    EXPECT_EQ((std::vector<std::wstring>{L"2592x1944", L"1280x960"}), ComboItems(m_hDlg, IDC_CBO_OUTPUT_SIZE));
    Choose(L"YUY2");
    EXPECT_EQ((std::vector<std::wstring>{L"2592x1944", L"1280x960", L"640x480"}),
              ComboItems(m_hDlg, IDC_CBO_OUTPUT_SIZE));

    // Typed nonsense: Apply parses it, changes nothing and is disabled. The
    // user clicks into the size box first (the compression box refills it on
    // any notification, losing focus included).
    SetFocus(GetDlgItem(m_hDlg, IDC_CBO_OUTPUT_SIZE));
    SetDlgItemTextW(m_hDlg, IDC_CBO_OUTPUT_SIZE, std::wstring(255, L'7').c_str());
    DebugCapture capture;
    SendDlgItemMessageW(m_hDlg, IDC_STILL_PIN_APPLY, BM_CLICK, 0, 0);
    std::wstring parsed;
    for (const std::wstring &line : capture.Lines())
        if (line.find(L"After parsing") == 0) parsed = line;
    EXPECT_EQ(L"After parsing width=2147483647 and height=0\r\n", parsed);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(m_hDlg, IDC_STILL_PIN_APPLY)));

    // Escape (IDCANCEL) does not close it; Cancel does, and the preview runs again.
    SendMessageW(m_hDlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(IsWindow(m_hDlg));
    SendDlgItemMessageW(m_hDlg, IDC_STILL_PIN_CANCEL, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(m_hDlg));
    EXPECT_EQ(1, g_StillPinDlgClosed);
}

TEST_F(StillPinDialogTest, UnreadableCapabilitiesGiveEmptyBoxes) {
    ASSERT_TRUE(m_camera.Load(OurCamera("caps_size = 64\n")));
    ASSERT_TRUE(RunManager()) << "the capture manager does not preview the simulated camera";
    DebugCapture capture;
    Open();
    EXPECT_EQ(0, SendDlgItemMessageW(m_hDlg, IDC_CBO_COMPRESSION, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(0, SendDlgItemMessageW(m_hDlg, IDC_CBO_OUTPUT_SIZE, CB_GETCOUNT, 0, 0));
    for (const std::wstring &line : capture.Lines())
        EXPECT_EQ(std::wstring::npos, line.find(L"uniquesubtype[")) << "no unfilled entry walked";
    SendDlgItemMessageW(m_hDlg, IDC_STILL_PIN_OK, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(m_hDlg));
    EXPECT_EQ(1, g_StillPinDlgClosed);
}

TEST_F(StillPinDialogTest, OkAppliesTheShownChoiceWhileThePreviewWaits) {
    ASSERT_TRUE(
        m_camera.Load(OurCamera("capture = MJPG 640x480, YUY2 640x480\n"
                                "still = YUY2 1280x960, MJPG 2592x1944, MJPG 1280x960, YUY2 640x480\n")));
    ASSERT_TRUE(RunManager()) << "the capture manager does not preview the simulated camera";
    Open();
    const LONG framesAtOpen = CameraState(0).framesDelivered;
    PumpMessages(400);
    EXPECT_EQ(framesAtOpen, CameraState(0).framesDelivered) << "no preview while the dialog is open";

    // As a user: the subtype, then into the size box and a size, then OK.
    SetFocus(GetDlgItem(m_hDlg, IDC_CBO_COMPRESSION));
    Choose(L"YUY2");
    SetFocus(GetDlgItem(m_hDlg, IDC_CBO_OUTPUT_SIZE));
    ASSERT_EQ((std::vector<std::wstring>{L"1280x960", L"640x480"}), ComboItems(m_hDlg, IDC_CBO_OUTPUT_SIZE));
    SendDlgItemMessageW(m_hDlg, IDC_CBO_OUTPUT_SIZE, CB_SETCURSEL, 0, 0);
    DebugCapture capture;
    SendDlgItemMessageW(m_hDlg, IDC_STILL_PIN_OK, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(m_hDlg));
    EXPECT_EQ(1, g_StillPinDlgClosed);
    EXPECT_TRUE(capture.Contains(L"Apply was not pressed so press it programatically\r\n"));
    EXPECT_TRUE(capture.Contains(L"After parsing width=1280 and height=960\r\n"));
    ExpectStillResolution(1280, 960);
    WCHAR szSubType[8] = L"";
    g_pDShowManager->GetCurrentStillFormat(szSubType);
    EXPECT_STREQ(L"YUY2", szSubType);

    PumpMessages(600);
    EXPECT_GT(CameraState(0).framesDelivered, framesAtOpen) << "the preview runs again";

    // Current Settings shows the still and video formats of the running graph.
    HWND hSettings = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CURRENT_SETTINGS), nullptr,
                                        CurrentSettingsDlgProc, 0);
    ASSERT_NE(hSettings, nullptr);
    EXPECT_EQ(L"YUY2", ItemText(hSettings, IDC_VAL_STILL_FORMAT));
    EXPECT_EQ(L"MJPG", ItemText(hSettings, IDC_VAL_VIDEO_FORMAT));
    EXPECT_EQ(L"1280x960", ItemText(hSettings, IDC_VAL_STILL_RESOLUTION));
    DestroyWindow(hSettings);
}

TEST_F(StillPinDialogTest, OkAfterApplyAppliesNothingMore) {
    ASSERT_TRUE(m_camera.Load(OurCamera("")));
    ASSERT_TRUE(RunManager()) << "the capture manager does not preview the simulated camera";
    Open();
    SetFocus(GetDlgItem(m_hDlg, IDC_CBO_COMPRESSION));
    Choose(L"MJPG");
    SetFocus(GetDlgItem(m_hDlg, IDC_CBO_OUTPUT_SIZE));
    SendDlgItemMessageW(m_hDlg, IDC_CBO_OUTPUT_SIZE, CB_SETCURSEL, 1, 0);  // 1280x960
    SendDlgItemMessageW(m_hDlg, IDC_STILL_PIN_APPLY, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(m_hDlg, IDC_STILL_PIN_APPLY)));
    SendDlgItemMessageW(m_hDlg, IDC_CBO_OUTPUT_SIZE, CB_SETCURSEL, 2, 0);  // 640x480, not applied
    DebugCapture capture;
    SendDlgItemMessageW(m_hDlg, IDC_STILL_PIN_OK, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(m_hDlg));
    EXPECT_TRUE(capture.Contains(L"Apply was pressed alredy\r\n"));
    ExpectStillResolution(1280, 960);
}
