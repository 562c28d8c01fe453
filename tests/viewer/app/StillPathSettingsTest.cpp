// StillPathSettingsTest.cpp - the Still Path dialog (folder picker through
// its stand-in, the "Enter Path" box as a real message box) and the Current
// Settings dialog's fields from the simulated camera.
#include <windows.h>
#include <shlobj.h>
#include <strsafe.h>

#include <gtest/gtest.h>

#include <string>

#include "AppGlobals.h"
#include "DebugCapture.h"
#include "DialogTestSupport.h"
#include "Dialogs.h"
#include "Dshow.h"
#include "extlib/ExtlibTestSupport.h"
#include "resource.h"

namespace {

struct PickerCall {
    int calls;
    HWND hOwner;
    std::wstring title;
    UINT flags;
    bool bRoot;
    bool bDisplayBuffer;
    PIDLIST_ABSOLUTE pidlAnswer;
};
PickerCall g_Picker;

PIDLIST_ABSOLUTE WINAPI FakePicker(LPBROWSEINFOW pInfo) {
    ++g_Picker.calls;
    g_Picker.hOwner = pInfo->hwndOwner;
    g_Picker.title = pInfo->lpszTitle ? pInfo->lpszTitle : L"";
    g_Picker.flags = pInfo->ulFlags;
    g_Picker.bRoot = pInfo->pidlRoot != nullptr;
    g_Picker.bDisplayBuffer = pInfo->pszDisplayName != nullptr;
    PIDLIST_ABSOLUTE pidl = g_Picker.pidlAnswer;
    g_Picker.pidlAnswer = nullptr;
    return pidl;
}

std::wstring TempFolder() {
    WCHAR szPath[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, szPath);
    std::wstring path(szPath);
    if (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

class StillPathDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAppGlobals();
        g_Picker = PickerCall{};
        (void)StringCchCopyW(g_szStillPath, STILL_PATH_CCH, L"C:\\users\\Public\\Desktop");
        g_hWndMain = CreateWindowW(L"STATIC", L"main", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        SetBrowseForFolderHook(FakePicker);
        m_hDlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_STILL_PATH), g_hWndMain,
                                    StillPathDlgProc, 0);
        ASSERT_NE(m_hDlg, nullptr);
        ShowWindow(m_hDlg, SW_SHOW);
        g_StillPathDlgClosed = 0;
    }
    void TearDown() override {
        SetBrowseForFolderHook(nullptr);
        if (IsWindow(m_hDlg)) DestroyWindow(m_hDlg);
        DestroyWindow(g_hWndMain);
        g_hWndMain = nullptr;
    }
    HWND m_hDlg = nullptr;
};

// Waits for the real "Alert" box, reads it and presses OK.
struct BoxWatch {
    HWND hExpectedOwner;
    std::wstring text;
    HWND hOwner;
    bool bFound;
};

DWORD WINAPI WatchForAlert(LPVOID pParam) {
    BoxWatch *pWatch = static_cast<BoxWatch *>(pParam);
    for (int i = 0; i < 200 && !pWatch->bFound; ++i) {
        Sleep(25);
        std::vector<HWND> boxes = FindOwnedWindows(nullptr, L"Alert");
        if (boxes.empty()) continue;
        pWatch->bFound = true;
        pWatch->hOwner = GetWindow(boxes[0], GW_OWNER);
        WCHAR szText[256] = L"";
        GetDlgItemTextW(boxes[0], 0xFFFF, szText, ARRAYSIZE(szText));
        pWatch->text = szText;
        PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
    }
    return 0;
}

}  // namespace

TEST_F(StillPathDialogTest, BrowseChangesTheFolderAtOnceAndTheCloseBoxKeepsIt) {
    EXPECT_EQ(L"C:\\users\\Public\\Desktop", ItemText(m_hDlg, IDC_STILL_PATH_EDIT));
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(m_hDlg, IDC_STILL_PATH_EDIT), GWL_STYLE) & ES_READONLY);

    // Cancelled picker: nothing changes.
    SendDlgItemMessageW(m_hDlg, IDC_STILL_PATH_BROWSE, BM_CLICK, 0, 0);
    EXPECT_EQ(1, g_Picker.calls);
    EXPECT_EQ(g_hWndMain, g_Picker.hOwner) << "owned by the main window, not the dialog";
    EXPECT_EQ(L"Select Folder to Place Driver Folder", g_Picker.title);
    EXPECT_EQ(0u, g_Picker.flags);
    EXPECT_FALSE(g_Picker.bRoot);
    EXPECT_TRUE(g_Picker.bDisplayBuffer);
    EXPECT_STREQ(L"C:\\users\\Public\\Desktop", g_szStillPath);

    // An item without a file-system path leaves the folder as it was.
    ASSERT_EQ(S_OK, SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &g_Picker.pidlAnswer));
    SendDlgItemMessageW(m_hDlg, IDC_STILL_PATH_BROWSE, BM_CLICK, 0, 0);
    EXPECT_STREQ(L"C:\\users\\Public\\Desktop", g_szStillPath);

    const std::wstring folder = TempFolder();
    g_Picker.pidlAnswer = ILCreateFromPathW(folder.c_str());
    ASSERT_NE(g_Picker.pidlAnswer, nullptr);
    SendDlgItemMessageW(m_hDlg, IDC_STILL_PATH_BROWSE, BM_CLICK, 0, 0);
    EXPECT_EQ(3, g_Picker.calls);
    EXPECT_EQ(folder, std::wstring(g_szStillPath));
    EXPECT_EQ(folder, ItemText(m_hDlg, IDC_STILL_PATH_EDIT));

    SendMessageW(m_hDlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(m_hDlg));
    EXPECT_EQ(1, g_StillPathDlgClosed);
    EXPECT_EQ(folder, std::wstring(g_szStillPath));
}

TEST_F(StillPathDialogTest, OkWithoutAFolderShowsTheRealAlertOwnedByTheDialog) {
    g_szStillPath[0] = L'\0';
    SetDlgItemTextW(m_hDlg, IDC_STILL_PATH_EDIT, L"");
    BoxWatch watch = {m_hDlg, L"", nullptr, false};
    HANDLE hThread = CreateThread(nullptr, 0, WatchForAlert, &watch, 0, nullptr);
    ASSERT_NE(hThread, nullptr);
    SendDlgItemMessageW(m_hDlg, IDC_STILL_PATH_OK, BM_CLICK, 0, 0);  // returns when the box is answered
    WaitForSingleObject(hThread, 10000);
    CloseHandle(hThread);
    EXPECT_TRUE(watch.bFound);
    EXPECT_EQ(L"Enter Path", watch.text);
    EXPECT_EQ(m_hDlg, watch.hOwner);
    EXPECT_TRUE(IsWindow(m_hDlg)) << "the dialog stays";
    EXPECT_EQ(0, g_StillPathDlgClosed);

    // The same through the seam: warning icon, OK button.
    MessageBoxRecorder boxes;
    SendDlgItemMessageW(m_hDlg, IDC_STILL_PATH_OK, BM_CLICK, 0, 0);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING | MB_OK), boxes.Boxes()[0].type);
    EXPECT_EQ(L"Alert", boxes.Boxes()[0].caption);
}

TEST_F(StillPathDialogTest, OkWithAFolderClosesTheDialog) {
    DebugCapture capture;
    SendDlgItemMessageW(m_hDlg, IDC_STILL_PATH_OK, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(m_hDlg));
    EXPECT_EQ(1, g_StillPathDlgClosed);
    EXPECT_TRUE(capture.Contains(L"Path is C:\\users\\Public\\Desktop"));
}

namespace {

class CurrentSettingsTest : public ExtlibTest {
protected:
    void SetUp() override {
        ExtlibTest::SetUp();
        ResetAppGlobals();
        (void)StringCchCopyW(g_szStillPath, STILL_PATH_CCH, L"C:\\stills");
        g_pDShowManager = DShowManager::GetInstance();
        ASSERT_NE(g_pDShowManager, nullptr);
    }
    void TearDown() override {
        if (IsWindow(m_hDlg)) DestroyWindow(m_hDlg);
        delete g_pDShowManager;
        g_pDShowManager = nullptr;
        SimHoldFocusState(0, -1);
        ExtlibTest::TearDown();
        ResetAppGlobals();
    }
    void Open() {
        m_hDlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CURRENT_SETTINGS), nullptr,
                                    CurrentSettingsDlgProc, 0);
        ASSERT_NE(m_hDlg, nullptr);
        g_SettingsDlgClosed = 0;
    }
    HWND m_hDlg = nullptr;
};

}  // namespace

TEST_F(CurrentSettingsTest, LibraryFieldsFromTheCamera) {
    ASSERT_TRUE(OpenSession());
    SimHoldFocusState(0, 0x70);  // manual
    DebugCapture capture;
    Open();
    EXPECT_EQ(L"2013.5.21 Ver 7\r\n", ItemText(m_hDlg, IDC_VAL_FIRMWARE_VERSION));
    EXPECT_EQ(L"5640 \r\n", ItemText(m_hDlg, IDC_VAL_SENSOR_ID));
    EXPECT_EQ(L"AF is Manual ", ItemText(m_hDlg, IDC_VAL_FOCUS_MODE));
    EXPECT_EQ(L"C:\\stills", ItemText(m_hDlg, IDC_VAL_STILL_PATH));
    EXPECT_EQ(L"40", ItemText(m_hDlg, IDC_VAL_FOCUS)) << "the lens position at power-up";
    int width = 0, height = 0;
    g_pDShowManager->GetVideoResolution(&width, &height);
    EXPECT_EQ(std::to_wstring(width) + L"x" + std::to_wstring(height), ItemText(m_hDlg, IDC_VAL_VIDEO_RESOLUTION));

    // Each property field holds its own property, as the manager reads it.
    int value = 0;
    g_pDShowManager->GetBrightness(&value);
    EXPECT_EQ(std::to_wstring(value), ItemText(m_hDlg, IDC_VAL_BRIGHTNESS));
    const struct {
        int id;
        void (DShowManager::*pfnGet)(int *);
    } unsignedFields[] = {{IDC_VAL_CONTRAST, &DShowManager::GetContrast},
                          {IDC_VAL_SATURATION, &DShowManager::GetSaturation},
                          {IDC_VAL_SHARPNESS, &DShowManager::GetSharpness},
                          {IDC_VAL_GAMMA, &DShowManager::GetGamma}};
    for (const auto &field : unsignedFields) {
        value = 0;
        (g_pDShowManager->*field.pfnGet)(&value);
        EXPECT_EQ(std::to_wstring(static_cast<unsigned>(value)), ItemText(m_hDlg, field.id)) << field.id;
    }
    // White balance and exposure: "Auto", the manual value, or the template
    // text when the manager has no reading.
    PropertyReading reading = {0, 0};
    g_pDShowManager->GetWhiteBalance(&reading);
    EXPECT_EQ(reading.Mode == 1   ? std::wstring(L"Auto")
              : reading.Mode == 2 ? std::to_wstring(static_cast<unsigned>(reading.Value))
                                  : std::wstring(L"Static"),
              ItemText(m_hDlg, IDC_VAL_WHITE_BALANCE));
    reading = PropertyReading{0, 0};
    g_pDShowManager->GetExposure(&reading);
    EXPECT_EQ(reading.Mode == 1   ? std::wstring(L"Auto")
              : reading.Mode == 2 ? std::to_wstring(reading.Value)
                                  : std::wstring(L"Static"),
              ItemText(m_hDlg, IDC_VAL_EXPOSURE));

    // The fillers' order shows in the log.
    const std::vector<std::wstring> lines = capture.Lines();
    auto at = [&lines](const std::wstring &line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    EXPECT_LT(at(L"GetFirmware version Succeed....\r\n"), at(L"GetSensorId Succeed....\r\n"));
    EXPECT_LT(at(L"GetSensorId Succeed....\r\n"), at(L"GetAFStatus Succeed....\r\n"));
    EXPECT_LT(at(L"GetAFStatus Succeed....\r\n"), static_cast<long>(lines.size()));

    // A state the library does not know leaves the field.
    DestroyWindow(m_hDlg);
    SimHoldFocusState(0, 0x55);
    Open();
    EXPECT_EQ(L"Static", ItemText(m_hDlg, IDC_VAL_FOCUS_MODE));
}

TEST_F(CurrentSettingsTest, WithoutASessionTheLibraryFieldsKeepTheirTemplateText) {
    DebugCapture capture;
    Open();
    EXPECT_EQ(L"Static", ItemText(m_hDlg, IDC_VAL_FIRMWARE_VERSION));
    EXPECT_EQ(L"Static", ItemText(m_hDlg, IDC_VAL_SENSOR_ID));
    EXPECT_EQ(L"Static", ItemText(m_hDlg, IDC_VAL_FOCUS_MODE));
    EXPECT_EQ(L"0", ItemText(m_hDlg, IDC_VAL_FOCUS)) << "the position is written 0 first";
    EXPECT_TRUE(capture.Contains(L"GetFirmware version Failed....\r\n"));
    EXPECT_TRUE(capture.Contains(L"GetSensorId Failed....\r\n"));
    EXPECT_TRUE(capture.Contains(L"GetAFStatus Failed....\r\n"));
}

TEST_F(CurrentSettingsTest, ValuesBlueOnWhiteAndEveryCloseReArmsTheCommand) {
    Open();
    HDC hdc = CreateCompatibleDC(nullptr);
    SetTextColor(hdc, RGB(0, 0, 0));
    SendMessageW(m_hDlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                 reinterpret_cast<LPARAM>(GetDlgItem(m_hDlg, IDC_LBL_BRIGHTNESS)));
    EXPECT_EQ(RGB(0, 0, 0), GetTextColor(hdc)) << "labels keep the default colour";
    const LRESULT brush = SendMessageW(m_hDlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                                       reinterpret_cast<LPARAM>(GetDlgItem(m_hDlg, IDC_VAL_BRIGHTNESS)));
    EXPECT_EQ(static_cast<COLORREF>(0x00C91203), GetTextColor(hdc));
    EXPECT_EQ(RGB(255, 255, 255), GetBkColor(hdc));
    EXPECT_EQ(reinterpret_cast<LRESULT>(g_hWhiteBrush), brush);
    DeleteDC(hdc);

    // On screen the client area is white.
    SetWindowPos(m_hDlg, HWND_TOPMOST, 10, 10, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(m_hDlg);
    PumpMessages(200);
    HDC hdcDlg = GetDC(m_hDlg);
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(hdcDlg, 5, 5));
    RECT rcClient;
    GetClientRect(m_hDlg, &rcClient);
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(hdcDlg, rcClient.right - 5, rcClient.bottom - 5));
    ReleaseDC(m_hDlg, hdcDlg);

    // Its own OK button after a "not supported" box cleared the flag: the
    // command still opens the dialog again.
    g_ExtensionAvailable = 0;
    SendDlgItemMessageW(m_hDlg, IDC_SETTINGS_OK, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(m_hDlg));
    EXPECT_EQ(1, g_SettingsDlgClosed);

    Open();
    SendMessageW(m_hDlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(m_hDlg));
    EXPECT_EQ(1, g_SettingsDlgClosed);
}
