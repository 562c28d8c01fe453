// CreateSeam.h - the capture subsystem's one way to create COM objects.
//
// The capture manager and the builder wrapper create the filter graph, the
// capture graph builder, the renderers and the Sample Grabber through
// KorCreateInstance. It is CoCreateInstance unless a test installed a hook,
// which may answer with a fake object or a failure for one class and pass
// every other class on to CoCreateInstance.
#ifndef KOR_VIEWER_COMMON_CREATESEAM_H
#define KOR_VIEWER_COMMON_CREATESEAM_H

#include <windows.h>
#include <objbase.h>

typedef HRESULT(STDAPICALLTYPE *PFN_KOR_CREATE_HOOK)(REFCLSID clsid, LPUNKNOWN pUnkOuter, DWORD dwContext, REFIID iid,
                                                     LPVOID *ppv);

HRESULT KorCreateInstance(REFCLSID clsid, LPUNKNOWN pUnkOuter, DWORD dwContext, REFIID iid, LPVOID *ppv);

// Installs a hook (null removes it) and returns the one it replaced.
PFN_KOR_CREATE_HOOK SetKorCreateHook(PFN_KOR_CREATE_HOOK pfnHook);

#endif  // KOR_VIEWER_COMMON_CREATESEAM_H
