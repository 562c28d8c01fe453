// UiProbe.h - what a person sees of the viewer, read through the window
// system: message boxes (caption, text, owner; answered with a button),
// dialogs, menus of this process and waiting for a condition. Works on the
// windows of this process and, where the window system carries the message
// across, of another process.
#ifndef KOR_TESTS_VIEWER_APP_UIPROBE_H
#define KOR_TESTS_VIEWER_APP_UIPROBE_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/TestKit.h"

// Polls until the condition holds or the time is up; pumps this thread's
// messages meanwhile. Returns the condition's last answer.
bool WaitFor(const std::function<bool()> &condition, DWORD dwTimeoutMs = 10000);

// Top-level windows of a process that are visible, with their class.
std::vector<HWND> VisibleTopLevelWindows(DWORD dwProcessId);

// A visible dialog-class window ("#32770") of the process with this caption,
// or null.
HWND FindDialog(DWORD dwProcessId, const std::wstring &caption);
HWND WaitForDialog(DWORD dwProcessId, const std::wstring &caption, DWORD dwTimeoutMs = 10000);

// Text of a window (WM_GETTEXT, which crosses processes).
std::wstring WindowClass(HWND hWnd);

// The message text of a message box: its static control with text.
std::wstring MessageBoxText(HWND hBox);
// Buttons of a message box (IDOK, IDCANCEL ...) that exist.
std::vector<int> MessageBoxButtons(HWND hBox);
// Clicks a button of a dialog or message box and waits until the box is gone.
bool AnswerDialog(HWND hBox, int iButton, DWORD dwTimeoutMs = 10000);

struct MenuEntry {
    std::wstring text;
    UINT id;
    bool bChecked;
    bool bSeparator;
};
// The items of one popup of a menu of this process.
std::vector<MenuEntry> MenuEntries(HMENU hMenu);
std::wstring MenuText(HMENU hMenu, UINT uPosition);

#endif  // KOR_TESTS_VIEWER_APP_UIPROBE_H
