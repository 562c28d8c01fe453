// MessageBoxSeam.h - the viewer's one way to show a message box.
//
// Every box of the viewer (capture manager, still callback, shell and
// dialogs) goes through KorMessageBox. Normally it is MessageBoxW; a test
// installs a hook that records the owner, text, caption, style and calling
// thread and answers the way its script says, without blocking.
#ifndef KOR_VIEWER_COMMON_MESSAGEBOXSEAM_H
#define KOR_VIEWER_COMMON_MESSAGEBOXSEAM_H

#include <windows.h>

// Receives what MessageBoxW would receive; returns the button it stands for
// (IDOK, IDCANCEL ...). Called on the thread that shows the box.
typedef int(CALLBACK *PFN_KOR_MESSAGEBOX_HOOK)(HWND hWndOwner, LPCWSTR pszText, LPCWSTR pszCaption, UINT uType);

// Shows the box, or hands it to the installed hook.
int KorMessageBox(HWND hWndOwner, LPCWSTR pszText, LPCWSTR pszCaption, UINT uType);

// Installs a hook (null removes it) and returns the one it replaced.
PFN_KOR_MESSAGEBOX_HOOK SetKorMessageBoxHook(PFN_KOR_MESSAGEBOX_HOOK pfnHook);

#endif  // KOR_VIEWER_COMMON_MESSAGEBOXSEAM_H
