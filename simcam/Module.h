// Module.h - the in-process server: one table of the classes simcam.dll
// serves, used by DllGetClassObject and by (un)registration.
#ifndef SIMCAM_MODULE_H
#define SIMCAM_MODULE_H

#include <windows.h>

// Creates a new object and queries it for riid (the object starts with one
// reference that this function hands over or releases).
typedef HRESULT (*SimCreateFn)(REFIID riid, void **ppv);

struct SimClassEntry {
    const CLSID *pClsid;
    const WCHAR *pszName;
    SimCreateFn pfnCreate;
};

extern const SimClassEntry g_SimClasses[];
extern const int g_SimClassCount;

// The module handle of simcam.dll and its full path.
HINSTANCE SimModuleInstance();
const WCHAR *SimModulePath();

// Objects alive and server locks, for DllCanUnloadNow.
void SimModuleAddRef();
void SimModuleRelease();

#endif  // SIMCAM_MODULE_H
