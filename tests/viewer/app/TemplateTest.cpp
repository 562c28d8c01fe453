// TemplateTest.cpp - the viewer's resources as the program loads them: every
// dialog template created with a trivial procedure and compared with its
// layout (IDs, classes, styles, texts, rectangles, caption and font), the
// main menu, the accelerators as the message loop translates them, the
// strings, icons, manifest and version.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Dialogs.h"
#include "DialogTestSupport.h"
#include "common/DialogTemplate.h"
#include "resource.h"

namespace {

INT_PTR CALLBACK TrivialDlgProc(HWND, UINT uMsg, WPARAM, LPARAM) { return uMsg == WM_INITDIALOG; }

struct ExpectedControl {
    int id;
    const WCHAR *className;
    DWORD styleBits;    // bits the control must have (the low word's type compared whole for buttons)
    const WCHAR *text;  // null: not compared
    int x, y, cx, cy;
};

struct ExpectedDialog {
    int id;
    const WCHAR *caption;
    const WCHAR *typeface;
    bool popup;
    int cx, cy;
    std::vector<ExpectedControl> controls;
};

const DWORD kRadio = BS_AUTORADIOBUTTON;
const DWORD kPush = BS_PUSHBUTTON;
const DWORD kDefPush = BS_DEFPUSHBUTTON;

std::vector<ExpectedDialog> AllDialogs() {
    return {
        {IDD_FOCUS_MODE,
         L"Focus Mode",
         L"MS Shell Dlg",
         true,
         180,
         170,
         {{1033, L"Static", SS_LEFT, L"Manual Focus Control", 9, 54, 81, 13},
          {1034, L"Button", kRadio, L"Auto Focus", 60, 11, 51, 17},
          {1035, L"Button", kRadio, L"Manual Focus", 60, 31, 55, 12},
          {1036, L"msctls_trackbar32", TBS_HORZ | TBS_NOTICKS, nullptr, 7, 74, 130, 16},
          {1037, L"Edit", WS_BORDER | ES_AUTOHSCROLL, L"", 141, 73, 29, 16},
          {1038, L"Button", kPush, L"Apply", 36, 128, 50, 14},
          {1039, L"Button", kPush, L"Close", 96, 128, 50, 14}}},
        {IDD_UVC_EXTENSION,
         L" UVC Extension Controls",
         L"MS Shell Dlg",
         true,
         225,
         192,
         {{1044, L"Static", SS_LEFT, L"Auto Focus", 3, 12, 42, 12},
          {1040, L"Button", kPush, L"AF Status", 48, 34, 45, 16},
          {1041, L"Button", kPush, L"AF Trigger", 105, 34, 45, 16},
          {1042, L"Button", kPush, L"Focus Mode", 161, 34, 45, 16},
          {1102, L"Static", SS_LEFT, L"Flash Control", 3, 68, 49, 12},
          {1107, L"Button", kRadio, L"Flash ON", 42, 84, 45, 10},
          {1108, L"Button", kRadio, L"Flash OFF", 42, 108, 48, 10},
          {1051, L"Static", SS_LEFT, L"Debug Control", 5, 143, 56, 13},
          {1046, L"Button", kPush, L"Sensor ID", 55, 160, 53, 16},
          {1049, L"Button", kPush, L"Firmware Ver", 143, 160, 54, 16}}},
        {IDD_STILL_PATH,
         L"Still Path",
         L"MS Shell Dlg",
         true,
         200,
         84,
         {{1060, L"Static", SS_LEFT, L" Path", 13, 26, 18, 8},
          {1058, L"Edit", WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, L"", 42, 23, 95, 14},
          {1059, L"Button", kPush, L"Browse", 140, 23, 50, 14},
          {1061, L"Button", kDefPush, L"OK", 69, 47, 44, 14}}},
        {IDD_STILL_PIN_PROPERTIES,
         L"Still Pin Properties",
         L"MS Shell Dlg",
         true,
         210,
         112,
         {{1064, L"ComboBox", CBS_DROPDOWN | CBS_SORT, nullptr, 108, 30, 90, -1},
          {1065, L"ComboBox", CBS_DROPDOWN, nullptr, 108, 52, 90, -1},
          {1067, L"Static", SS_LEFT, L"Color Space/Compression:", 14, 32, 90, 8},
          {1068, L"Static", SS_LEFT, L"Output Size:", 14, 54, 90, 8},
          {1069, L"Static", SS_LEFT, L"Still Capture", 7, 8, 50, 12},
          {1070, L"Button", kDefPush, L"OK", 42, 88, 46, 14},
          {1071, L"Button", kPush, L"Cancel", 96, 88, 46, 14},
          {1072, L"Button", kPush, L"Apply", 150, 88, 46, 14}}},
        {IDD_CURRENT_SETTINGS,
         L"Current Settings",
         L"MS Shell Dlg",
         true,
         421,
         257,
         {{1098, L"Static", SS_LEFT, L"Still Resolution", 33, 34, 47, 8},
          {1105, L"Static", SS_LEFT, L"Static", 129, 35, 51, 8},
          {1099, L"Static", SS_LEFT, L"Video Resolution", 33, 57, 54, 8},
          {1106, L"Static", SS_LEFT, L"Static", 129, 57, 57, 8},
          {1100, L"Static", SS_LEFT, L"StillPath", 33, 78, 26, 8},
          {1107, L"Static", SS_LEFT, L"Static", 129, 80, 137, 8},
          {1101, L"Static", SS_LEFT, L"Focus Mode", 33, 102, 39, 8},
          {1108, L"Static", SS_LEFT, L"Static", 129, 102, 63, 8},
          {1102, L"Static", SS_LEFT, L"Firmware Version", 33, 126, 56, 8},
          {1109, L"Static", SS_LEFT, L"Static", 127, 127, 73, 8},
          {1124, L"Static", SS_LEFT, L"Sensor ID", 34, 147, 32, 8},
          {1125, L"Static", SS_LEFT, L"Static", 128, 148, 19, 8},
          {1103, L"Static", SS_LEFT, L"Still Format", 33, 171, 36, 8},
          {1110, L"Static", SS_LEFT, L"Static", 127, 172, 120, 8},
          {1104, L"Static", SS_LEFT, L"Video format", 33, 196, 42, 8},
          {1111, L"Static", SS_LEFT, L"Static", 127, 197, 106, 8},
          {1112, L"Static", SS_LEFT, L"Brightness", 270, 38, 34, 8},
          {1118, L"Static", SS_LEFT, L" Static", 335, 38, 67, 8},
          {1113, L"Static", SS_LEFT, L"Contrast", 269, 59, 29, 8},
          {1119, L"Static", SS_LEFT, L"Static", 336, 60, 19, 8},
          {1114, L"Static", SS_LEFT, L"Saturation", 269, 81, 34, 8},
          {1120, L"Static", SS_LEFT, L"Static", 335, 83, 19, 8},
          {1115, L"Static", SS_LEFT, L"Sharpness", 270, 102, 34, 8},
          {1121, L"Static", SS_LEFT, L"Static", 335, 106, 19, 8},
          {1116, L"Static", SS_LEFT, L"Gamma", 270, 126, 24, 8},
          {1122, L"Static", SS_LEFT, L"Static", 334, 129, 19, 8},
          {1117, L"Static", SS_LEFT, L"WhiteBalance", 268, 149, 44, 8},
          {1123, L"Static", SS_LEFT, L"Static", 333, 150, 19, 8},
          {1127, L"Static", SS_LEFT, L"Static", 333, 175, 19, 8},
          {1128, L"Static", SS_LEFT, L"Exposure", 268, 198, 31, 8},
          {1129, L"Static", SS_LEFT, L"Static", 333, 198, 19, 8},
          {1096, L"Button", kPush, L"OK", 183, 224, 50, 14}}},
        {IDD_ABOUTBOX,
         L"About",
         L"System",
         false,
         230,
         75,
         {{107, L"Static", SS_ICON, nullptr, 14, 9, -1, -1},
          {1096, L"Static", SS_NOPREFIX, L"Camera Viewer Version ", 49, 10, 119, 8},
          {IDOK, L"Button", kDefPush, L"OK", 194, 13, 30, 11}}},
    };
}

void ExpectControl(HWND hDlg, int dialogId, const ExpectedControl &want) {
    SCOPED_TRACE(testing::Message() << "control " << want.id);
    HWND hCtl = GetDlgItem(hDlg, want.id);
    ASSERT_NE(hCtl, nullptr);
    WCHAR szClass[64] = L"";
    GetClassNameW(hCtl, szClass, ARRAYSIZE(szClass));
    EXPECT_EQ(0, lstrcmpiW(szClass, want.className)) << "class";
    const DWORD style =
        static_cast<DWORD>(GetWindowLongW(hCtl, GWL_STYLE)) | (TemplateItemStyle(dialogId, want.id) & WS_BORDER);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(style & WS_VISIBLE);
    const bool bStatic = lstrcmpiW(want.className, L"Static") == 0;
    DWORD typeMask = 0;
    if (lstrcmpiW(want.className, L"Button") == 0) {
        typeMask = BS_TYPEMASK;
    } else if (lstrcmpiW(want.className, L"ComboBox") == 0) {
        typeMask = 3;
    } else if (bStatic) {
        typeMask = SS_TYPEMASK;
    }
    EXPECT_EQ(want.styleBits & typeMask, style & typeMask) << "control type";
    const DWORD otherBits = want.styleBits & ~(bStatic ? static_cast<DWORD>(SS_TYPEMASK) : 0xFu);
    EXPECT_EQ(otherBits, style & otherBits) << "style";
    if (want.text) {
        EXPECT_EQ(std::wstring(want.text), WindowText(hCtl));
    }

    // Position and size are converted each on its own, as the dialog
    // manager does.
    RECT rcExpected = {want.x, want.y, want.cx < 0 ? 0 : want.cx, want.cy < 0 ? 0 : want.cy};
    MapDialogRect(hDlg, &rcExpected);
    rcExpected.right += rcExpected.left;
    rcExpected.bottom += rcExpected.top;
    RECT rc;
    GetWindowRect(hCtl, &rc);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT *>(&rc), 2);
    EXPECT_EQ(rcExpected.left, rc.left);
    EXPECT_EQ(rcExpected.top, rc.top);
    if (want.cx >= 0) {
        EXPECT_EQ(rcExpected.right, rc.right);
    }
    if (want.cy >= 0) {
        EXPECT_EQ(rcExpected.bottom, rc.bottom);
    }
}

}  // namespace

TEST(DialogTemplates, EveryTemplateCreatesWithItsControlsCaptionAndFont) {
    for (const ExpectedDialog &want : AllDialogs()) {
        SCOPED_TRACE(testing::Message() << "dialog " << want.id);
        DialogTemplate header;
        ASSERT_TRUE(ReadDialogTemplate(want.id, &header));
        const DWORD frame = DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
        EXPECT_EQ(frame | (want.popup ? WS_POPUP : 0), header.style) << std::hex << header.style;
        EXPECT_EQ(std::wstring(want.caption), header.caption);
        EXPECT_EQ(8, header.pointSize);
        EXPECT_EQ(std::wstring(want.typeface), header.typeface);
        EXPECT_EQ(want.cx, header.cx);
        EXPECT_EQ(want.cy, header.cy);
        EXPECT_EQ(want.controls.size() + (want.id == IDD_ABOUTBOX           ? 1u
                                          : want.id == IDD_CURRENT_SETTINGS ? 1u
                                                                            : 0u),
                  header.items.size());

        HWND hDlg =
            CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(want.id), nullptr, TrivialDlgProc, 0);
        ASSERT_NE(hDlg, nullptr);
        EXPECT_FALSE(IsWindowVisible(hDlg)) << "shown by its command";
        EXPECT_EQ(std::wstring(want.caption), WindowText(hDlg));
        LOGFONTW lf = {};
        HFONT hFont = reinterpret_cast<HFONT>(SendMessageW(hDlg, WM_GETFONT, 0, 0));
        if (want.id != IDD_ABOUTBOX) {
            ASSERT_NE(hFont, nullptr);
            ASSERT_NE(0, GetObjectW(hFont, sizeof(lf), &lf));
            EXPECT_EQ(std::wstring(want.typeface), lf.lfFaceName);
        }
        for (const ExpectedControl &control : want.controls) ExpectControl(hDlg, want.id, control);
        DestroyWindow(hDlg);
    }
}

TEST(DialogTemplates, AboutNoticeAndSettingsFocusLabelHaveNoId) {
    HWND hDlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CURRENT_SETTINGS), nullptr,
                                   TrivialDlgProc, 0);
    ASSERT_NE(hDlg, nullptr);
    bool bFound = false;
    for (HWND h = GetWindow(hDlg, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (WindowText(h) == L" Focus") bFound = GetDlgCtrlID(h) == 0xFFFF || GetDlgCtrlID(h) == -1;
    EXPECT_TRUE(bFound);
    DestroyWindow(hDlg);

    hDlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX), nullptr, TrivialDlgProc, 0);
    ASSERT_NE(hDlg, nullptr);
    EXPECT_NE(nullptr, reinterpret_cast<HICON>(SendDlgItemMessageW(hDlg, IDC_ABOUT_ICON, STM_GETICON, 0, 0)));
    DestroyWindow(hDlg);
}

TEST(DialogTemplates, ComboBoxesDropDownSeveralItems) {
    HWND hDlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_STILL_PIN_PROPERTIES), nullptr,
                                   TrivialDlgProc, 0);
    ASSERT_NE(hDlg, nullptr);
    for (int id : {IDC_CBO_COMPRESSION, IDC_CBO_OUTPUT_SIZE}) {
        HWND hCombo = GetDlgItem(hDlg, id);
        RECT rcDrop = {};
        SendMessageW(hCombo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&rcDrop));
        RECT rcCombo;
        GetWindowRect(hCombo, &rcCombo);
        const LRESULT itemHeight = SendMessageW(hCombo, CB_GETITEMHEIGHT, 0, 0);
        EXPECT_GE(rcDrop.bottom - rcDrop.top, (rcCombo.bottom - rcCombo.top) + 5 * itemHeight) << id;
    }
    DestroyWindow(hDlg);
}

TEST(MainMenu, TopLevelOrderItemsAndTexts) {
    HMENU hMenu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_KORVIEWER));
    ASSERT_NE(hMenu, nullptr);
    ASSERT_EQ(7, GetMenuItemCount(hMenu));
    auto text = [](HMENU h, UINT pos) {
        WCHAR sz[100] = L"";
        GetMenuStringW(h, pos, sz, ARRAYSIZE(sz), MF_BYPOSITION);
        return std::wstring(sz);
    };
    const WCHAR *tops[] = {L"&File", L"Devices", L"Options", L"Capture", L"Focus", L"UVC Extension", L"&Help"};
    for (UINT i = 0; i < 7; ++i) EXPECT_EQ(std::wstring(tops[i]), text(hMenu, i));

    // "UVC Extension" is a command on the bar; the Devices popup holds one
    // separator until device discovery fills it.
    EXPECT_EQ(nullptr, GetSubMenu(hMenu, 5));
    EXPECT_EQ(static_cast<UINT>(ID_UVC_EXTENSION), GetMenuItemID(hMenu, 5));
    HMENU hDevices = GetSubMenu(hMenu, 1);
    ASSERT_NE(hDevices, nullptr);
    ASSERT_EQ(1, GetMenuItemCount(hDevices));
    EXPECT_EQ(static_cast<UINT>(MF_SEPARATOR), GetMenuState(hDevices, 0, MF_BYPOSITION) & MF_SEPARATOR);

    struct Item {
        int popup;
        const WCHAR *text;  // null: separator
        UINT id;
    };
    const Item items[] = {{0, L"E&xit", 105},
                          {2, L"Video Renderer", 32772},
                          {2, L"Video Capture Filter", 32773},
                          {2, L"Video Capture Pin", 32774},
                          {2, nullptr, 0},
                          {2, L"Still Capture Pin", 32775},
                          {2, nullptr, 0},
                          {2, L"Current Settings", 32776},
                          {3, L"Get Still(Enter)", 32777},
                          {3, L"Still File Path", 32778},
                          {4, L"Trigger AutoFocus", 32784},
                          {6, L"&About ...", 104}};
    int lastPopup = -1;
    UINT pos = 0;
    int counts[7] = {};
    for (const Item &item : items) {
        pos = item.popup == lastPopup ? pos + 1 : 0;
        lastPopup = item.popup;
        ++counts[item.popup];
        HMENU hSub = GetSubMenu(hMenu, item.popup);
        ASSERT_NE(hSub, nullptr);
        if (!item.text) {
            EXPECT_TRUE(GetMenuState(hSub, pos, MF_BYPOSITION) & MF_SEPARATOR);
            continue;
        }
        EXPECT_EQ(std::wstring(item.text), text(hSub, pos));
        EXPECT_EQ(item.id, GetMenuItemID(hSub, pos));
    }
    for (int popup : {0, 2, 3, 4, 6}) EXPECT_EQ(counts[popup], GetMenuItemCount(GetSubMenu(hMenu, popup)));
    DestroyMenu(hMenu);
}

namespace {
UINT g_LastCommand = 0;
LRESULT CALLBACK CommandWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_COMMAND) g_LastCommand = LOWORD(wParam);
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}
}  // namespace

TEST(Accelerators, AltQuestionMarkAndAltSlashAreCharactersGivingAbout) {
    HACCEL hAccel = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_KORVIEWER));
    ASSERT_NE(hAccel, nullptr);
    ACCEL entries[8];
    ASSERT_EQ(2, CopyAcceleratorTableW(hAccel, entries, 8));
    EXPECT_EQ('?', entries[0].key);
    EXPECT_EQ('/', entries[1].key);
    for (const ACCEL &a : entries) {
        if (&a == entries + 2) break;
        EXPECT_EQ(FALT, a.fVirt & (FALT | FVIRTKEY | FCONTROL | FSHIFT)) << "ASCII with Alt";
        EXPECT_EQ(IDM_ABOUT, a.cmd);
    }

    // Translated the way the message loop translates them: Alt+character
    // arrives as WM_SYSCHAR; Enter is not in the table.
    WNDCLASSW wc = {};
    wc.lpfnWndProc = CommandWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KorAccelTestWindow";
    RegisterClassW(&wc);
    HWND hWnd = CreateWindowW(L"KorAccelTestWindow", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              wc.hInstance, nullptr);
    ASSERT_NE(hWnd, nullptr);
    // The table is looked at with the real state of the Alt key.
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE altBefore = keys[VK_MENU];
    keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    for (WCHAR ch : {L'?', L'/'}) {
        g_LastCommand = 0;
        MSG msg = {hWnd, WM_SYSCHAR, ch, 0x20000001, 0, {0, 0}};
        EXPECT_NE(0, TranslateAcceleratorW(hWnd, hAccel, &msg)) << static_cast<char>(ch);
        EXPECT_EQ(static_cast<UINT>(IDM_ABOUT), g_LastCommand);
    }
    g_LastCommand = 0;
    MSG msgEnter = {hWnd, WM_SYSKEYDOWN, VK_RETURN, 0x20000001, 0, {0, 0}};
    EXPECT_EQ(0, TranslateAcceleratorW(hWnd, hAccel, &msgEnter)) << "Enter is no accelerator";
    MSG msgVirtual = {hWnd, WM_SYSKEYDOWN, VK_OEM_2, 0x20000001, 0, {0, 0}};
    EXPECT_EQ(0, TranslateAcceleratorW(hWnd, hAccel, &msgVirtual)) << "characters, not virtual keys";
    keys[VK_MENU] = 0;
    SetKeyboardState(keys);
    MSG msgChar = {hWnd, WM_CHAR, L'?', 0x1, 0, {0, 0}};
    EXPECT_EQ(0, TranslateAcceleratorW(hWnd, hAccel, &msgChar)) << "without Alt";
    EXPECT_EQ(0u, g_LastCommand);
    keys[VK_MENU] = altBefore;
    SetKeyboardState(keys);

    // Typed for real: Alt and the "/" key into the foreground window.
    ShowWindow(hWnd, SW_SHOW);
    SetForegroundWindow(hWnd);
    PumpMessages(100);
    if (GetForegroundWindow() == hWnd) {
        INPUT inputs[4] = {};
        const WORD vks[4] = {VK_MENU, VK_OEM_2, VK_OEM_2, VK_MENU};
        for (int i = 0; i < 4; ++i) {
            inputs[i].type = INPUT_KEYBOARD;
            inputs[i].ki.wVk = vks[i];
            inputs[i].ki.dwFlags = (i >= 2) ? KEYEVENTF_KEYUP : 0;
        }
        g_LastCommand = 0;
        EXPECT_EQ(4u, SendInput(4, inputs, sizeof(INPUT)));
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 500 && g_LastCommand == 0) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (!TranslateAcceleratorW(msg.hwnd, hAccel, &msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
            }
            Sleep(10);
        }
        EXPECT_EQ(static_cast<UINT>(IDM_ABOUT), g_LastCommand) << "Alt+/ typed";
    } else {
        ADD_FAILURE() << "the test window did not become the foreground window";
    }
    DestroyWindow(hWnd);
    DestroyAcceleratorTable(hAccel);
}

TEST(Resources, StringsIconsManifestAndVersion) {
    HINSTANCE hInst = GetModuleHandleW(nullptr);
    WCHAR sz[100] = L"";
    EXPECT_EQ(10, LoadStringW(hInst, IDS_APP_TITLE, sz, ARRAYSIZE(sz)));
    EXPECT_STREQ(L"KOR Viewer", sz);
    EXPECT_EQ(9, LoadStringW(hInst, IDC_KORVIEWER, sz, ARRAYSIZE(sz)));
    EXPECT_STREQ(L"RAVIRU5RI", sz);

    for (int id : {IDI_KORVIEWER, IDI_SMALL, IDI_KORLENS}) {
        EXPECT_NE(nullptr, FindResourceW(hInst, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14))) << id;  // RT_GROUP_ICON
        HICON hSmall = static_cast<HICON>(LoadImageW(hInst, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
        EXPECT_NE(nullptr, hSmall) << id;
        if (hSmall) DestroyIcon(hSmall);
    }
    EXPECT_NE(nullptr, LoadIconW(hInst, MAKEINTRESOURCEW(IDI_KORVIEWER)));

    HRSRC hManifest = FindResourceW(hInst, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(hManifest, nullptr);
    const char *pText = static_cast<const char *>(LockResource(LoadResource(hInst, hManifest)));
    const std::string manifest(pText, SizeofResource(hInst, hManifest));
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\""));
    EXPECT_EQ(std::string::npos, manifest.find("Common-Controls"));

    // The program's version resource carries the version About shows.
    WCHAR szPath[MAX_PATH];
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    WCHAR szVersion[FILE_VERSION_CCH] = L"";
    GetversionInfoForFile(szPath, szVersion);
    EXPECT_STREQ(L"2.2.0.1", szVersion);
}
