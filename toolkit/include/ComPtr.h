// ComPtr.h - a small owning COM interface pointer (no ATL).
//
// Holds exactly one reference: releases it when cleared, overwritten or
// destroyed. operator& releases the old pointer first, so the pointer can be
// passed straight to QueryInterface-style and Next(1, &p, ...) out-parameters
// without leaking what it held before.
#ifndef KOR_TOOLKIT_INCLUDE_COMPTR_H
#define KOR_TOOLKIT_INCLUDE_COMPTR_H

#include <windows.h>
#include <unknwn.h>

#include <memory>

template <class T>
class ComPtr {
public:
    ComPtr() : m_p(nullptr) {}
    // Takes a reference of its own to p.
    explicit ComPtr(T *p) : m_p(p) {
        if (m_p) m_p->AddRef();
    }
    ComPtr(const ComPtr &other) : m_p(other.m_p) {
        if (m_p) m_p->AddRef();
    }
    ComPtr(ComPtr &&other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    ~ComPtr() { Clear(); }

    ComPtr &operator=(const ComPtr &other) {
        Assign(other.m_p);
        return *this;
    }
    ComPtr &operator=(ComPtr &&other) noexcept {
        if (this != std::addressof(other)) {
            Clear();
            m_p = other.m_p;
            other.m_p = nullptr;
        }
        return *this;
    }

    T *Get() const { return m_p; }
    T *operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T **operator&() {
        Clear();
        return &m_p;
    }
    // The address for a void ** out-parameter (QueryInterface, CoCreateInstance).
    void **OutVoid() {
        Clear();
        return reinterpret_cast<void **>(&m_p);
    }

    // Takes a reference of its own to p.
    void Assign(T *p) {
        if (p) p->AddRef();
        Clear();
        m_p = p;
    }
    // Takes over a reference the caller already holds.
    void Attach(T *p) {
        Clear();
        m_p = p;
    }
    // Gives up the reference without releasing it.
    T *Detach() {
        T *p = m_p;
        m_p = nullptr;
        return p;
    }
    // Hands the caller a reference of its own in *pp (null stays null).
    HRESULT CopyTo(T **pp) const {
        if (!pp) return E_POINTER;
        *pp = m_p;
        if (m_p) m_p->AddRef();
        return S_OK;
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

    // Queries this pointer for another interface into out.
    template <class U>
    HRESULT As(ComPtr<U> &out) const {
        return out.QueryFrom(m_p);
    }

private:
    T *m_p;
};

#endif  // KOR_TOOLKIT_INCLUDE_COMPTR_H
