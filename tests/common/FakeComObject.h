// FakeComObject.h - the IUnknown of every fake COM object in the tests: one
// reference count, and a QueryInterface that answers IUnknown and exactly
// the interfaces listed (a fake adds others through QueryOther).
//
// A fake made with new deletes itself when its count reaches 0; one on the
// test's stack is made with kCountOnly and only counts.
#ifndef KOR_TESTS_COMMON_FAKECOMOBJECT_H
#define KOR_TESTS_COMMON_FAKECOMOBJECT_H

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

// The interface identifier of I. MinGW declares most with __uuidof; the
// video renderer's two dual interfaces are named here.
template <class I>
inline const IID &FakeIidOf() {
    return __uuidof(I);
}
template <>
inline const IID &FakeIidOf<IBasicVideo>() {
    return IID_IBasicVideo;
}
template <>
inline const IID &FakeIidOf<IVideoWindow>() {
    return IID_IVideoWindow;
}

enum FakeLifetime { FAKE_DELETE_AT_ZERO, FAKE_COUNT_ONLY };

template <class First, class... Rest>
class FakeComObject : public First, public Rest... {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = static_cast<First *>(this);
        } else if (!Find<First, Rest...>(riid, ppv)) {
            return QueryOther(riid, ppv);
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_ref)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG ref = InterlockedDecrement(&m_ref);
        if (ref == 0 && m_lifetime == FAKE_DELETE_AT_ZERO) delete this;
        return static_cast<ULONG>(ref);
    }
    LONG Refs() const { return m_ref; }

protected:
    explicit FakeComObject(FakeLifetime lifetime = FAKE_DELETE_AT_ZERO) : m_ref(1), m_lifetime(lifetime) {}
    virtual ~FakeComObject() = default;
    // Interfaces beyond the listed ones; *ppv is null on entry. A result of
    // S_OK must come with a reference taken.
    virtual HRESULT QueryOther(REFIID, void **) { return E_NOINTERFACE; }

private:
    template <class I, class... More>
    bool Find(REFIID riid, void **ppv) {
        if (IsEqualIID(riid, FakeIidOf<I>())) {
            *ppv = static_cast<I *>(this);
            return true;
        }
        if constexpr (sizeof...(More) > 0) return Find<More...>(riid, ppv);
        return false;
    }

    volatile LONG m_ref;
    FakeLifetime m_lifetime;
};

// A fake of a dual interface I: IDispatch answers as I and has nothing to
// dispatch; the calls a test records go in `calls`.
template <class I>
class FakeDualObject : public FakeComObject<I> {
public:
    struct Call {
        std::string what;
        long a, b, c, d;
    };
    std::vector<Call> calls;

    STDMETHODIMP GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *) override {
        return E_NOTIMPL;
    }

protected:
    using FakeComObject<I>::FakeComObject;
    HRESULT QueryOther(REFIID riid, void **ppv) override {
        if (!IsEqualIID(riid, IID_IDispatch)) return E_NOINTERFACE;
        *ppv = static_cast<I *>(this);
        this->AddRef();
        return S_OK;
    }
};

#endif  // KOR_TESTS_COMMON_FAKECOMOBJECT_H
