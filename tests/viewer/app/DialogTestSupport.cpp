// DialogTestSupport.cpp - recorded message boxes, message pumping and the
// main window's values for the dialog tests.
#include "DialogTestSupport.h"

#include <gtest/gtest.h>

#include "AppGlobals.h"
#include "Dialogs.h"
#include "MessageBoxSeam.h"
#include "common/TestMain.h"

// The main window's values; the dialogs read them, the tests set them.
HINSTANCE g_hInst = nullptr;
HWND g_hWndMain = nullptr;
WCHAR g_szStillPath[STILL_PATH_CCH];

namespace {

std::vector<RecordedBox> g_Boxes;
int g_BoxAnswer = IDOK;

int CALLBACK RecordBox(HWND hWndOwner, LPCWSTR pszText, LPCWSTR pszCaption, UINT uType) {
    g_Boxes.push_back(RecordedBox{hWndOwner, pszText ? pszText : L"", pszCaption ? pszCaption : L"", uType});
    return g_BoxAnswer;
}

struct FindContext {
    HWND hOwner;
    std::wstring caption;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam) {
    FindContext *pContext = reinterpret_cast<FindContext *>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (pid != GetCurrentProcessId()) return TRUE;
    if (pContext->hOwner && GetWindow(hWnd, GW_OWNER) != pContext->hOwner) return TRUE;
    if (WindowText(hWnd) == pContext->caption) pContext->found.push_back(hWnd);
    return TRUE;
}

}  // namespace

MessageBoxRecorder::MessageBoxRecorder(int answer) {
    g_Boxes.clear();
    g_BoxAnswer = answer;
    SetKorMessageBoxHook(RecordBox);
}

MessageBoxRecorder::~MessageBoxRecorder() { SetKorMessageBoxHook(nullptr); }

const std::vector<RecordedBox> &MessageBoxRecorder::Boxes() const { return g_Boxes; }

void MessageBoxRecorder::Clear() { g_Boxes.clear(); }

std::wstring ItemText(HWND hDlg, int id) { return WindowText(GetDlgItem(hDlg, id)); }

std::wstring ProgramFolder() {
    WCHAR szPath[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, szPath, ARRAYSIZE(szPath));
    std::wstring path(szPath);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::vector<HWND> FindOwnedWindows(HWND hOwner, const std::wstring &caption) {
    FindContext context{hOwner, caption, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&context));
    return context.found;
}

// The child of the debugger test: the start-up version line, nothing else.
const char kChildLogVersionArg[] = "--log-file-version";

namespace {

int RunLogVersionChild() {
    LogFileVersion();
    return 0;
}
const TestChildMode g_LogVersionChild(kChildLogVersionArg, RunLogVersionChild);

// What the viewer's start-up gives the dialogs: the module and the bold
// label font.
class DialogEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_hInst = GetModuleHandleW(nullptr);
        g_hLabelFont = CreateFontW(15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, OEM_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, 0, L"Arial");
    }
};
::testing::Environment *const g_pDialogEnvironment = ::testing::AddGlobalTestEnvironment(new DialogEnvironment);

}  // namespace
