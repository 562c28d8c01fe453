// ExtensionFocusTest.cpp - the UVC Extension Controls and Focus Mode dialogs
// against the simulated camera through KORFwSw: the boxes and their owners,
// the camera calls each button makes, the flash choice, one Focus Mode
// dialog at a time, the focus states, the trackbar and the painting.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "AppGlobals.h"
#include "DebugCapture.h"
#include "DialogTestSupport.h"
#include "Dialogs.h"
#include "SampleGrabberCallback.h"
#include "extlib/ExtlibTestSupport.h"
#include "resource.h"

namespace {

// sensor register 0x3029 values: manual, focused, and one the library does
// not know (GetAFStatus fails).
const int kStateManual = 0x70;
const int kStateFocused = 0x10;
const int kStateUnknown = 0x55;

class ExtensionDialogTest : public ExtlibTest {
protected:
    void SetUp() override {
        ExtlibTest::SetUp();
        ResetAppGlobals();
        ASSERT_TRUE(OpenSession());
        m_hExt = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_UVC_EXTENSION), nullptr,
                                    ExtensionDlgProc, 0);
        ASSERT_NE(m_hExt, nullptr);
        g_hWndUvcDialog = m_hExt;
        ShowWindow(m_hExt, SW_SHOW);
        g_ExtDlgClosed = 0;
    }
    void TearDown() override {
        if (IsWindow(m_hExt)) DestroyWindow(m_hExt);
        SimHoldFocusState(0, -1);
        ExtlibTest::TearDown();
        ResetAppGlobals();
    }
    void Click(HWND hDlg, int id) { SendDlgItemMessageW(hDlg, id, BM_CLICK, 0, 0); }
    HWND OpenFocusDialog() {
        Click(m_hExt, IDC_FOCUS_MODE);
        std::vector<HWND> found = FindOwnedWindows(m_hExt, L"Focus Mode");
        return found.size() == 1 ? found[0] : nullptr;
    }

    HWND m_hExt = nullptr;
};

size_t CountWrites(const std::vector<SensorAccess> &writes, WORD address, BYTE value) {
    return static_cast<size_t>(std::count(writes.begin(), writes.end(), SensorWrite(address, value)));
}

}  // namespace

TEST_F(ExtensionDialogTest, AfStatusBoxFollowsTheCameraState) {
    MessageBoxRecorder boxes;
    SimHoldFocusState(0, kStateManual);
    Click(m_hExt, IDC_AF_STATUS);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(L"AF is Manual", boxes.Boxes()[0].text);
    EXPECT_EQ(L"CAM", boxes.Boxes()[0].caption);
    EXPECT_EQ(m_hExt, boxes.Boxes()[0].hOwner);
    EXPECT_EQ(static_cast<UINT>(MB_OK), boxes.Boxes()[0].type);
    EXPECT_EQ(AF_MANUAL, g_AFStatus);

    SimHoldFocusState(0, kStateFocused);
    Click(m_hExt, IDC_AF_STATUS);
    ASSERT_EQ(2u, boxes.Boxes().size());
    EXPECT_EQ(L"AF is Single Trigger Focused", boxes.Boxes()[1].text);

    // A state the library cannot name: the failure box has no owner.
    DebugCapture capture;
    SimHoldFocusState(0, kStateUnknown);
    Click(m_hExt, IDC_AF_STATUS);
    ASSERT_EQ(3u, boxes.Boxes().size());
    EXPECT_EQ(L"Failed to get AF Status", boxes.Boxes()[2].text);
    EXPECT_EQ(L"Error", boxes.Boxes()[2].caption);
    EXPECT_EQ(nullptr, boxes.Boxes()[2].hOwner);
    EXPECT_TRUE(capture.Contains(L"GetAFStatus Failed....\r\n"));
}

TEST_F(ExtensionDialogTest, AfTriggerNeedsAutoFocusModeAndReportsFailure) {
    MessageBoxRecorder boxes;
    g_AutoFocusMode = 0;
    SimLogClear();
    Click(m_hExt, IDC_AF_TRIGGER);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(L"Not in Auto focus mode", boxes.Boxes()[0].text);
    EXPECT_EQ(L"CAM", boxes.Boxes()[0].caption);
    EXPECT_EQ(0u, SimLogCount()) << "the camera is not asked";

    g_AutoFocusMode = 1;
    boxes.Clear();
    {
        DebugCapture capture;
        Click(m_hExt, IDC_AF_TRIGGER);
        EXPECT_TRUE(boxes.Boxes().empty());
        EXPECT_TRUE(capture.Contains(L"AF_SINGLE_TRIGGER Succeed....\r\n"));
    }
    EXPECT_EQ(1u, CountWrites(SensorWrites(ReadComponentLog()), 0x3022, 0x03)) << "one single trigger";

    SimInjectFault(SIM_OP_SET_XU, 0, E_FAIL);
    Click(m_hExt, IDC_AF_TRIGGER);
    SimClearFaults();
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(L" Failed....AF_SINGLE_TRIGGER", boxes.Boxes()[0].text);
    EXPECT_EQ(L"CAM", boxes.Boxes()[0].caption);
}

TEST_F(ExtensionDialogTest, SensorIdAndFirmwareVersionBoxes) {
    MessageBoxRecorder boxes;
    Click(m_hExt, IDC_SENSOR_ID);
    Click(m_hExt, IDC_FIRMWARE_VER);
    ASSERT_EQ(2u, boxes.Boxes().size());
    EXPECT_EQ(L" Sensor id is 5640\r\n", boxes.Boxes()[0].text);
    EXPECT_EQ(L"CAM", boxes.Boxes()[0].caption);
    EXPECT_EQ(L"Firmware version is 2013.5.21 Ver 7 \r\n", boxes.Boxes()[1].text);
    EXPECT_EQ(0x5640, g_SensorId);
    EXPECT_STREQ(L"2013.5.21 Ver 7", g_FirmwareVersionText);

    // A failed information read: the library's code in the log, no box.
    boxes.Clear();
    DebugCapture capture;
    SimInjectFault(SIM_OP_READ_INFO, 0, E_FAIL);
    Click(m_hExt, IDC_FIRMWARE_VER);
    SimClearFaults();
    EXPECT_TRUE(boxes.Boxes().empty());
    const std::vector<std::wstring> lines = capture.Lines();
    auto it = std::find(lines.begin(), lines.end(), L"GetLastError 536870917\r\n");
    ASSERT_NE(it, lines.end());
    ASSERT_NE(it + 1, lines.end());
    EXPECT_EQ(L"GetFirmware version Failed....\r\n", *(it + 1));
}

TEST_F(ExtensionDialogTest, FlashRadioButtonsChooseTheStillFlash) {
    CheckRadioButton(m_hExt, IDC_FLASH_ON, IDC_FLASH_OFF, IDC_FLASH_ON);
    DebugCapture capture;
    SimLogClear();
    Click(m_hExt, IDC_FLASH_OFF);
    EXPECT_EQ(0, g_FlashEnabled);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(m_hExt, IDC_FLASH_OFF));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(m_hExt, IDC_FLASH_ON));
    Click(m_hExt, IDC_FLASH_ON);
    EXPECT_EQ(1, g_FlashEnabled);
    EXPECT_TRUE(capture.Contains(L"Flash OFF Enabled\r\n"));
    EXPECT_TRUE(capture.Contains(L"Flash ON Enabled\r\n"));
    EXPECT_EQ(0u, SimLogCount()) << "the strobe is fired at still capture only";
}

TEST_F(ExtensionDialogTest, OneFocusModeDialogAtATimeLivingInsideTheExtensionDialog) {
    SimHoldFocusState(0, kStateFocused);
    HWND hFocus = OpenFocusDialog();
    ASSERT_NE(hFocus, nullptr);
    EXPECT_EQ(0, g_FocusDlgClosed);
    {
        DebugCapture capture;
        Click(m_hExt, IDC_FOCUS_MODE);
        EXPECT_TRUE(capture.Contains(L"Already Opened\r\n"));
        EXPECT_EQ(1u, FindOwnedWindows(m_hExt, L"Focus Mode").size());
    }

    // Closing the extension dialog takes the Focus Mode dialog with it.
    SendMessageW(m_hExt, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(m_hExt));
    EXPECT_FALSE(IsWindow(hFocus));
    EXPECT_EQ(1, g_ExtDlgClosed);
    EXPECT_EQ(1, g_FocusDlgClosed);
    EXPECT_EQ(nullptr, g_hWndUvcDialog);

    // Destroyed from outside (a device removal) after a "not supported" box
    // cleared g_ExtensionAvailable: the command can open it again.
    m_hExt = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_UVC_EXTENSION), nullptr,
                                ExtensionDlgProc, 0);
    ASSERT_NE(m_hExt, nullptr);
    g_ExtDlgClosed = 0;
    EXPECT_NE(nullptr, OpenFocusDialog());
    g_ExtensionAvailable = 0;
    DestroyWindow(m_hExt);
    EXPECT_EQ(1, g_ExtDlgClosed);
    EXPECT_EQ(1, g_FocusDlgClosed);
}

TEST_F(ExtensionDialogTest, FocusModeOpensInTheCameraStateOrAutoWhenUnknown) {
    struct Case {
        int state;
        int checked;
        BOOL trackEnabled;
        BOOL applyEnabled;
        int mode;
    };
    const Case cases[] = {{kStateManual, IDC_RADIO_MANUAL_FOCUS, TRUE, FALSE, 0},
                          {kStateFocused, IDC_RADIO_AUTO_FOCUS, FALSE, TRUE, 1},
                          {kStateUnknown, IDC_RADIO_AUTO_FOCUS, FALSE, TRUE, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.state);
        SimHoldFocusState(0, c.state);
        g_AutoFocusMode = 1 - c.mode;
        DebugCapture capture;
        HWND hFocus = OpenFocusDialog();
        ASSERT_NE(hFocus, nullptr);
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hFocus, c.checked));
        EXPECT_EQ(c.trackEnabled, IsWindowEnabled(GetDlgItem(hFocus, IDC_FOCUS_TRACKBAR)));
        EXPECT_EQ(c.trackEnabled, IsWindowEnabled(GetDlgItem(hFocus, IDC_FOCUS_EDIT)));
        EXPECT_EQ(c.applyEnabled, IsWindowEnabled(GetDlgItem(hFocus, IDC_FOCUS_APPLY)));
        EXPECT_EQ(c.mode, g_AutoFocusMode);
        if (c.state == kStateUnknown) {
            EXPECT_TRUE(capture.Contains(L"Set AF Auto Focus when GetAFStatus fails....\r\n"));
        }
        Click(hFocus, IDC_FOCUS_CLOSE);
        EXPECT_FALSE(IsWindow(hFocus));
        EXPECT_EQ(1, g_FocusDlgClosed);
    }
}

TEST_F(ExtensionDialogTest, TrackbarDragMovesTheLensOnceAtTheEndAndIsRemembered) {
    SimHoldFocusState(0, kStateManual);
    HWND hFocus = OpenFocusDialog();
    ASSERT_NE(hFocus, nullptr);
    HWND hTrack = GetDlgItem(hFocus, IDC_FOCUS_TRACKBAR);
    EXPECT_EQ(0, SendMessageW(hTrack, TBM_GETRANGEMIN, 0, 0));
    EXPECT_EQ(255, SendMessageW(hTrack, TBM_GETRANGEMAX, 0, 0));
    EXPECT_EQ(25, SendMessageW(hTrack, TBM_GETPAGESIZE, 0, 0));
    EXPECT_EQ(L"0", ItemText(hFocus, IDC_FOCUS_EDIT));

    // A drag from 0 to 100, as the trackbar reports it to its dialog.
    SimLogClear();
    bool bEveryStepShown = true;
    for (int pos = 1; pos <= 100; ++pos) {
        SendMessageW(hTrack, TBM_SETPOS, TRUE, pos);
        SendMessageW(hFocus, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, pos), reinterpret_cast<LPARAM>(hTrack));
        bEveryStepShown = bEveryStepShown && ItemText(hFocus, IDC_FOCUS_EDIT) == std::to_wstring(pos);
    }
    EXPECT_TRUE(bEveryStepShown);
    EXPECT_EQ(0u, CountWrites(SensorWrites(ReadComponentLog()), 0x3022, 0x1A)) << "no move while dragging";
    SendMessageW(hFocus, WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(hTrack));
    std::vector<SensorAccess> writes = SensorWrites(ReadComponentLog());
    EXPECT_EQ(1u, CountWrites(writes, 0x3022, 0x1A));
    EXPECT_EQ(1u, CountWrites(writes, 0x3028, 100));
    EXPECT_EQ(100, g_FocusPosition);
    EXPECT_EQ(0, g_AutoFocusMode);

    // The trackbar's own keyboard handling: one step right, then the end of
    // the move when the key comes up.
    SimLogClear();
    SetFocus(hTrack);
    SendMessageW(hTrack, WM_KEYDOWN, VK_RIGHT, 0x014D0001);
    SendMessageW(hTrack, WM_KEYUP, VK_RIGHT, 0xC14D0001);
    EXPECT_EQ(L"101", ItemText(hFocus, IDC_FOCUS_EDIT));
    EXPECT_EQ(1u, CountWrites(SensorWrites(ReadComponentLog()), 0x3028, 101));

    // Reopened, it shows the last position of this run, not the camera's.
    Click(hFocus, IDC_FOCUS_CLOSE);
    hFocus = OpenFocusDialog();
    ASSERT_NE(hFocus, nullptr);
    EXPECT_EQ(L"101", ItemText(hFocus, IDC_FOCUS_EDIT));
    EXPECT_EQ(101, SendDlgItemMessageW(hFocus, IDC_FOCUS_TRACKBAR, TBM_GETPOS, 0, 0));

    // Back to auto: the camera is told on Apply only; AF Trigger in manual
    // focus is refused.
    MessageBoxRecorder boxes;
    Click(m_hExt, IDC_AF_TRIGGER);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(L"Not in Auto focus mode", boxes.Boxes()[0].text);
    SimHoldFocusState(0, -1);
    SimLogClear();
    Click(hFocus, IDC_RADIO_AUTO_FOCUS);
    EXPECT_EQ(1, g_AutoFocusMode);
    EXPECT_FALSE(IsWindowEnabled(hTrack = GetDlgItem(hFocus, IDC_FOCUS_TRACKBAR)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hFocus, IDC_FOCUS_APPLY)));
    EXPECT_EQ(0u, CountWrites(SensorWrites(ReadComponentLog()), 0x3022, 0x03));
    DebugCapture capture;
    Click(hFocus, IDC_FOCUS_APPLY);
    EXPECT_EQ(1u, CountWrites(SensorWrites(ReadComponentLog()), 0x3022, 0x03));
    EXPECT_TRUE(capture.Contains(L"Auto Focus Succeed....\r\n"));
}

TEST_F(ExtensionDialogTest, SectionLabelsAreBlueBoldOnWhiteWithSeparators) {
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ hOldFont = SelectObject(hdc, GetStockObject(SYSTEM_FONT));
    const LRESULT brush = SendMessageW(m_hExt, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                                       reinterpret_cast<LPARAM>(GetDlgItem(m_hExt, IDC_LBL_FLASH_CONTROL)));
    EXPECT_EQ(reinterpret_cast<LRESULT>(g_hWhiteBrush), brush);
    EXPECT_NE(0, brush);
    EXPECT_EQ(RGB(3, 18, 201), GetTextColor(hdc));
    EXPECT_EQ(RGB(255, 255, 255), GetBkColor(hdc));
    EXPECT_EQ(g_hLabelFont, GetCurrentObject(hdc, OBJ_FONT));
    SetTextColor(hdc, RGB(0, 0, 0));
    SendMessageW(m_hExt, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                 reinterpret_cast<LPARAM>(GetDlgItem(m_hExt, IDC_FLASH_ON)));
    EXPECT_EQ(RGB(0, 0, 0), GetTextColor(hdc)) << "other controls keep their text colour";
    SelectObject(hdc, hOldFont);
    DeleteDC(hdc);

    // On screen: white background, a silver line right of each label.
    SetWindowPos(m_hExt, HWND_TOPMOST, 10, 10, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    InvalidateRect(m_hExt, nullptr, TRUE);
    UpdateWindow(m_hExt);
    PumpMessages(200);
    RECT rcWindow, rcClient;
    GetWindowRect(m_hExt, &rcWindow);
    GetClientRect(m_hExt, &rcClient);
    const int frame = (rcWindow.bottom - rcWindow.top) - (rcClient.bottom - rcClient.top);
    HDC hdcDlg = GetDC(m_hExt);
    for (int id : {IDC_LBL_AUTO_FOCUS, IDC_LBL_FLASH_CONTROL, IDC_LBL_DEBUG_CONTROL}) {
        RECT rcLabel;
        GetWindowRect(GetDlgItem(m_hExt, id), &rcLabel);
        const int x = rcLabel.right - rcWindow.left + 4;
        const int y = rcLabel.bottom - rcWindow.top - frame - (rcLabel.bottom - rcLabel.top) / 2;
        EXPECT_EQ(RGB(192, 192, 192), GetPixel(hdcDlg, x, y)) << id;
        EXPECT_EQ(RGB(255, 255, 255), GetPixel(hdcDlg, x, y + 4)) << id;
    }
    ReleaseDC(m_hExt, hdcDlg);
}
