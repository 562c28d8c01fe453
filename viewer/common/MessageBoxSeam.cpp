// MessageBoxSeam.cpp - MessageBoxW, or the hook a test installed.
#include "MessageBoxSeam.h"

namespace {
// Read by whichever thread shows a box; replaced whole.
PFN_KOR_MESSAGEBOX_HOOK volatile g_pfnMessageBoxHook = nullptr;
}  // namespace

int KorMessageBox(HWND hWndOwner, LPCWSTR pszText, LPCWSTR pszCaption, UINT uType) {
    PFN_KOR_MESSAGEBOX_HOOK pfnHook = g_pfnMessageBoxHook;
    if (pfnHook) return pfnHook(hWndOwner, pszText, pszCaption, uType);
    return MessageBoxW(hWndOwner, pszText, pszCaption, uType);
}

PFN_KOR_MESSAGEBOX_HOOK SetKorMessageBoxHook(PFN_KOR_MESSAGEBOX_HOOK pfnHook) {
    return reinterpret_cast<PFN_KOR_MESSAGEBOX_HOOK>(InterlockedExchangePointer(
        reinterpret_cast<PVOID volatile *>(&g_pfnMessageBoxHook), reinterpret_cast<PVOID>(pfnHook)));
}
