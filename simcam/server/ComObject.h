// ComObject.h - the IUnknown of a simcam object that exposes one interface:
// one reference count, QueryInterface for IUnknown and that interface, and a
// module reference for DllCanUnloadNow while the object lives.
#ifndef KOR_SIMCAM_SERVER_COMOBJECT_H
#define KOR_SIMCAM_SERVER_COMOBJECT_H

#include <windows.h>

#include "Module.h"

template <class I>
class SimComObject : public I {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, m_iid)) {
            *ppv = static_cast<I *>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_lRef)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG lRef = InterlockedDecrement(&m_lRef);
        if (lRef == 0) delete this;
        return static_cast<ULONG>(lRef);
    }

protected:
    explicit SimComObject(REFIID iid) : m_iid(iid), m_lRef(1) { SimModuleAddRef(); }
    virtual ~SimComObject() { SimModuleRelease(); }
    SimComObject(const SimComObject &) = delete;
    SimComObject &operator=(const SimComObject &) = delete;

private:
    const IID m_iid;
    LONG m_lRef;
};

// Hands a new object out the way class factories do: queries it for riid
// into *ppv and drops the creation reference, so the caller holds the only
// one (or none, when the query fails). A null object is E_OUTOFMEMORY.
template <class T>
HRESULT SimHandOut(T *pObject, REFIID riid, void **ppv) {
    if (!pObject) return E_OUTOFMEMORY;
    HRESULT hr = pObject->QueryInterface(riid, ppv);
    pObject->Release();
    return hr;
}

#endif  // KOR_SIMCAM_SERVER_COMOBJECT_H
