// ComCreate.h - create an in-process COM object and take the interface asked for.
#ifndef KOR_TOOLKIT_INCLUDE_COMCREATE_H
#define KOR_TOOLKIT_INCLUDE_COMCREATE_H

#include <windows.h>
#include <objbase.h>

#include "ComPtr.h"

// CoCreateInstance for interface T into out (released first). Returns the
// creation result; out stays empty on failure.
template <class T>
HRESULT CreateComObject(REFCLSID clsid, ComPtr<T> &out, DWORD dwContext = CLSCTX_INPROC_SERVER) {
    return CoCreateInstance(clsid, nullptr, dwContext, __uuidof(T), out.OutVoid());
}

// The same with an explicit interface identifier, for interfaces that MinGW
// declares without __uuidof (the caller's IID must name T).
template <class T>
HRESULT CreateComObject(REFCLSID clsid, REFIID iid, ComPtr<T> &out, DWORD dwContext = CLSCTX_INPROC_SERVER) {
    return CoCreateInstance(clsid, nullptr, dwContext, iid, out.OutVoid());
}

#endif  // KOR_TOOLKIT_INCLUDE_COMCREATE_H
