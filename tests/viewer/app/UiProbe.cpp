// UiProbe.cpp - reading and answering the viewer's windows.
#include "UiProbe.h"

namespace {

struct EnumContext {
    DWORD dwProcessId;
    std::vector<HWND> *pWindows;
};

BOOL CALLBACK CollectTopLevel(HWND hWnd, LPARAM lParam) {
    EnumContext *pCtx = reinterpret_cast<EnumContext *>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    if (dwProcessId == pCtx->dwProcessId && IsWindowVisible(hWnd)) pCtx->pWindows->push_back(hWnd);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND hWnd, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND> *>(lParam)->push_back(hWnd);
    return TRUE;
}

std::vector<HWND> Children(HWND hWnd) {
    std::vector<HWND> children;
    EnumChildWindows(hWnd, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

}  // namespace

bool WaitFor(const std::function<bool()> &condition, DWORD dwTimeoutMs) {
    DWORD dwStart = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - dwStart > dwTimeoutMs) return condition();
        PumpMessages(0);
        Sleep(20);
    }
}

std::vector<HWND> VisibleTopLevelWindows(DWORD dwProcessId) {
    std::vector<HWND> windows;
    EnumContext ctx = {dwProcessId, &windows};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&ctx));
    return windows;
}

std::wstring WindowClass(HWND hWnd) {
    wchar_t szClass[128] = L"";
    GetClassNameW(hWnd, szClass, ARRAYSIZE(szClass));
    return szClass;
}

HWND FindDialog(DWORD dwProcessId, const std::wstring &caption) {
    for (HWND hWnd : VisibleTopLevelWindows(dwProcessId)) {
        if (WindowClass(hWnd) == L"#32770" && WindowText(hWnd) == caption) return hWnd;
    }
    return nullptr;
}

HWND WaitForDialog(DWORD dwProcessId, const std::wstring &caption, DWORD dwTimeoutMs) {
    HWND hFound = nullptr;
    WaitFor(
        [&] {
            hFound = FindDialog(dwProcessId, caption);
            return hFound != nullptr;
        },
        dwTimeoutMs);
    return hFound;
}

std::wstring MessageBoxText(HWND hBox) {
    std::wstring best;
    for (HWND hChild : Children(hBox)) {
        if (_wcsicmp(WindowClass(hChild).c_str(), L"Static") != 0) continue;
        std::wstring text = WindowText(hChild);
        if (text.size() > best.size()) best = text;
    }
    return best;
}

std::vector<int> MessageBoxButtons(HWND hBox) {
    std::vector<int> buttons;
    const int aIds[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO};
    for (int id : aIds) {
        HWND hButton = GetDlgItem(hBox, id);
        if (hButton && IsWindowVisible(hButton)) buttons.push_back(id);
    }
    return buttons;
}

bool AnswerDialog(HWND hBox, int iButton, DWORD dwTimeoutMs) {
    HWND hButton = GetDlgItem(hBox, iButton);
    PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(iButton, BN_CLICKED), reinterpret_cast<LPARAM>(hButton));
    return WaitFor([&] { return !IsWindow(hBox) || !IsWindowVisible(hBox); }, dwTimeoutMs);
}

std::wstring MenuText(HMENU hMenu, UINT uPosition) {
    wchar_t szText[256] = L"";
    GetMenuStringW(hMenu, uPosition, szText, ARRAYSIZE(szText), MF_BYPOSITION);
    return szText;
}

std::vector<MenuEntry> MenuEntries(HMENU hMenu) {
    std::vector<MenuEntry> entries;
    int cItems = GetMenuItemCount(hMenu);
    for (int i = 0; i < cItems; ++i) {
        MENUITEMINFOW mii = {};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE;
        if (!GetMenuItemInfoW(hMenu, static_cast<UINT>(i), TRUE, &mii)) continue;
        MenuEntry entry;
        entry.bSeparator = (mii.fType & MFT_SEPARATOR) != 0;
        entry.id = mii.wID;
        entry.bChecked = (mii.fState & MFS_CHECKED) != 0;
        entry.text = entry.bSeparator ? std::wstring() : MenuText(hMenu, static_cast<UINT>(i));
        entries.push_back(entry);
    }
    return entries;
}
