// Module.h - the in-process server: one table of the classes simcam.dll
// serves, used by DllGetClassObject and by (un)registration.
#ifndef KOR_SIMCAM_SERVER_MODULE_H
#define KOR_SIMCAM_SERVER_MODULE_H

#include <windows.h>

// Creates a new object and queries it for riid (the object starts with one
// reference that this function hands over or releases).
typedef HRESULT (*SimCreateFn)(REFIID riid, void **ppv);

struct SimClassEntry {
    const CLSID *pClsid;
    const WCHAR *pszName;
    SimCreateFn pfnCreate;
};

extern const SimClassEntry kSimClasses[];
extern const int kSimClassCount;

// The module handle of simcam.dll and its full path.
HINSTANCE SimModuleInstance();
const WCHAR *SimModulePath();

// Objects alive and server locks, for DllCanUnloadNow.
void SimModuleAddRef();
void SimModuleRelease();

// Registration steps beyond the class keys (e.g. a filter's entry in a
// DirectShow category). DllRegisterServer writes every class's keys first and
// then calls each step with bRegister TRUE, in table order; when one fails it
// calls the steps done so far with FALSE (reverse order) and removes the
// class keys again. DllUnregisterServer calls every step with FALSE (reverse
// order, failures ignored) and then removes the class keys. A step must
// tolerate being undone when it was never done.
typedef HRESULT (*SimRegisterFn)(BOOL bRegister);

struct SimRegistrar {
    const WCHAR *pszName;
    SimRegisterFn pfnRegister;
};

extern const SimRegistrar kSimRegistrars[];
extern const int kSimRegistrarCount;

#endif  // KOR_SIMCAM_SERVER_MODULE_H
