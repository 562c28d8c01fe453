// VersionAboutTest.cpp - the About dialog's text, the built-in version
// number, and the version of "KORLensView.exe" missing and present beside
// the program.
#include <windows.h>
#include <strsafe.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "AppGlobals.h"
#include "DebugCapture.h"
#include "DebuggerRun.h"
#include "DialogTestSupport.h"
#include "Dialogs.h"
#include "resource.h"

namespace {

class LensViewFile {
public:
    LensViewFile() : m_path(ProgramFolder() + L"KORLensView.exe") {}
    ~LensViewFile() { Remove(); }
    bool Place() {
        return CopyFileW((ProgramFolder() + L"korlensview_fixture.exe").c_str(), m_path.c_str(), FALSE) != 0;
    }
    void Remove() { DeleteFileW(m_path.c_str()); }

private:
    std::wstring m_path;
};

bool StartsWith(const std::wstring &text, const std::wstring &prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

TEST(VersionOperations, KorLensViewMissingLogsZeroVersionWithTheError) {
    LensViewFile file;
    file.Remove();
    WCHAR szText[FILE_VERSION_CCH] = L"unchanged";
    GetversionInfoForFile(L"KORLensView.exe", szText);
    EXPECT_STREQ(L"0.0.0.0", szText);

    DebugCapture capture;
    LogFileVersion();
    const std::vector<std::wstring> lines = capture.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(L"GetversionInfoForFile File Name KORLensView.exe\r\n", lines[0]);
    EXPECT_TRUE(StartsWith(lines[1], L"GetProdVersion_PCSetup GetFileVersionInfoSize failed...=")) << lines[1];
    EXPECT_EQ(L"Printing version file no:0.0.0.0", lines.back());
}

TEST(VersionOperations, KorLensViewBesideTheProgramLogsItsOwnVersion) {
    LensViewFile file;
    ASSERT_TRUE(file.Place());
    DebugCapture capture;
    LogFileVersion();
    EXPECT_TRUE(capture.Contains(L"GetProdVersion_PCSetup GetFileVersionInfo success..\r\n"));
    EXPECT_TRUE(capture.Contains(L"dwFileVersionMS=196609dwFileVersionLS=262159\r\n"));
    EXPECT_TRUE(
        capture.Contains(L"m_PCSetup_dwLaeftMost = 3,m_PCSetup_dwSecondLeft=1,m_PCSetup_dwSecondRight=4,"
                         L"m_PCSetup_dwRightMost=15\r\n"));
    EXPECT_EQ(L"Printing version file no:3.1.4.15", capture.Lines().back());
}

TEST(VersionOperations, VersionLineReachesARealDebugger) {
    // The child has no handler of its own: its lines come out through the
    // platform's debug output.
    LensViewFile file;
    ASSERT_TRUE(file.Place());
    WCHAR szPath[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    const std::wstring commandLine =
        L"\"" + std::wstring(szPath) + L"\" " +
        std::wstring(kChildLogVersionArg, kChildLogVersionArg + strlen(kChildLogVersionArg));
    DebuggerRunResult result = RunUnderDebugger(commandLine, 60000);
    ASSERT_TRUE(result.bStarted);
    ASSERT_TRUE(result.bFinished);
    EXPECT_EQ(0u, result.dwExitCode);
    ASSERT_FALSE(result.lines.empty());
    EXPECT_EQ(L"Printing version file no:3.1.4.15", result.lines.back());
}

TEST(VersionOperations, NullArgumentsAndTheTwentyCharacterCut) {
    WCHAR szText[FILE_VERSION_CCH] = L"kept";
    GetversionInfoForFile(nullptr, szText);
    EXPECT_STREQ(L"kept", szText);
    GetversionInfoForFile(L"KORLensView.exe", nullptr);  // no crash

    // The built-in number is copied, cut to the caller's 100 characters.
    WCHAR szVersion[VERSION_NUMBER_CCH] = L"";
    GetVersionNumber(szVersion);
    EXPECT_STREQ(L"2.2.0.1", szVersion);
    std::wstring longVersion(150, L'9');
    (void)StringCchCopyW(g_szVersion, VERSION_TEXT_CCH, longVersion.c_str());
    GetVersionNumber(szVersion);
    EXPECT_EQ(std::wstring(99, L'9'), szVersion);
    ResetAppGlobals();
}

TEST(AboutDialog, ShowsTheBuiltInVersionOnPaintAndClosesOnce) {
    ResetAppGlobals();
    HWND hDlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX), nullptr, AboutDlgProc, 0);
    ASSERT_NE(hDlg, nullptr);
    g_AboutDlgClosed = 0;
    EXPECT_EQ(L"Camera Viewer Version ", ItemText(hDlg, IDC_ABOUT_VERSION)) << "before the first paint";
    {
        DebugCapture capture;
        ShowWindow(hDlg, SW_SHOW);
        UpdateWindow(hDlg);
        PumpMessages(100);
        EXPECT_TRUE(capture.Contains(L"GetVersionNumber 2.2.0.1\r\n"));
        bool bRect = false;
        for (const std::wstring &line : capture.Lines()) bRect = bRect || StartsWith(line, L"clntRc rect l=");
        EXPECT_TRUE(bRect);
    }
    EXPECT_EQ(L"Camera Viewer Version: 2.2.0.1", ItemText(hDlg, IDC_ABOUT_VERSION));
    EXPECT_EQ(0, g_AboutDlgClosed);

    // The close box (IDCANCEL) closes it and re-arms the command.
    SendMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(hDlg));
    EXPECT_EQ(1, g_AboutDlgClosed);
}
