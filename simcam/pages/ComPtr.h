// ComPtr.h - a small owning interface pointer for the property pages.
//
// Holds exactly one reference: releases it when cleared, overwritten or
// destroyed. operator& releases the old pointer first, so the pointer can be
// passed straight to QueryInterface-style out-parameters.
#ifndef SIMCAM_PAGES_COMPTR_H
#define SIMCAM_PAGES_COMPTR_H

#include <windows.h>
#include <unknwn.h>

template <class T>
class ComPtr {
public:
    ComPtr() : m_p(nullptr) {}
    ~ComPtr() { Clear(); }
    ComPtr(const ComPtr &) = delete;
    ComPtr &operator=(const ComPtr &) = delete;

    T *Get() const { return m_p; }
    T *operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T **operator&() {
        Clear();
        return &m_p;
    }

    // Takes a reference of its own to p.
    void Assign(T *p) {
        if (p) p->AddRef();
        Clear();
        m_p = p;
    }

    void Clear() {
        if (m_p) {
            T *p = m_p;
            m_p = nullptr;
            p->Release();
        }
    }

    // Queries pUnk for T; returns the QueryInterface result.
    HRESULT QueryFrom(IUnknown *pUnk) {
        Clear();
        if (!pUnk) return E_POINTER;
        return pUnk->QueryInterface(__uuidof(T), reinterpret_cast<void **>(&m_p));
    }

private:
    T *m_p;
};

#endif  // SIMCAM_PAGES_COMPTR_H
