// CreateSeam.cpp - CoCreateInstance, or the hook a test installed.
#include "CreateSeam.h"

namespace {
PFN_KOR_CREATE_HOOK volatile g_pfnCreateHook = nullptr;
}  // namespace

HRESULT KorCreateInstance(REFCLSID clsid, LPUNKNOWN pUnkOuter, DWORD dwContext, REFIID iid, LPVOID *ppv) {
    PFN_KOR_CREATE_HOOK pfnHook = g_pfnCreateHook;
    if (pfnHook) return pfnHook(clsid, pUnkOuter, dwContext, iid, ppv);
    return CoCreateInstance(clsid, pUnkOuter, dwContext, iid, ppv);
}

PFN_KOR_CREATE_HOOK SetKorCreateHook(PFN_KOR_CREATE_HOOK pfnHook) {
    return reinterpret_cast<PFN_KOR_CREATE_HOOK>(InterlockedExchangePointer(
        reinterpret_cast<PVOID volatile *>(&g_pfnCreateHook), reinterpret_cast<PVOID>(pfnHook)));
}
