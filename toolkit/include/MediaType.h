// MediaType.h - ownership of AM_MEDIA_TYPE and its CoTaskMem format block.
//
// A media type owns its format block (pbFormat, CoTaskMem) and a reference
// in pUnk. FreeMediaTypeContents frees both exactly once and leaves the
// structure empty, so a second call does nothing. A media type handed out by
// IAMStreamConfig::GetFormat / GetStreamCaps or IEnumMediaTypes is itself a
// CoTaskMem block: DeleteMediaTypeBlock frees the contents and the block.
#ifndef KOR_TOOLKIT_INCLUDE_MEDIATYPE_H
#define KOR_TOOLKIT_INCLUDE_MEDIATYPE_H

#include <windows.h>
#include <dshow.h>

#include <memory>

// Frees the format block and the pUnk reference; the structure stays usable.
inline void FreeMediaTypeContents(AM_MEDIA_TYPE *pmt) {
    if (!pmt) return;
    if (pmt->pbFormat) CoTaskMemFree(pmt->pbFormat);
    pmt->pbFormat = nullptr;
    pmt->cbFormat = 0;
    pmt->formattype = GUID_NULL;
    if (pmt->pUnk) {
        IUnknown *pUnk = pmt->pUnk;
        pmt->pUnk = nullptr;
        pUnk->Release();
    }
}

// Frees a media type that was itself allocated with CoTaskMemAlloc.
inline void DeleteMediaTypeBlock(AM_MEDIA_TYPE *pmt) {
    if (!pmt) return;
    FreeMediaTypeContents(pmt);
    CoTaskMemFree(pmt);
}

// Deep copy of src into *pDst (which must hold nothing that needs freeing).
// On failure *pDst is left empty and E_OUTOFMEMORY is returned.
inline HRESULT CopyMediaTypeContents(AM_MEDIA_TYPE *pDst, const AM_MEDIA_TYPE &src) {
    if (!pDst) return E_POINTER;
    *pDst = src;
    pDst->pbFormat = nullptr;
    pDst->cbFormat = 0;
    if (src.cbFormat && src.pbFormat) {
        pDst->pbFormat = static_cast<BYTE *>(CoTaskMemAlloc(src.cbFormat));
        if (!pDst->pbFormat) {
            pDst->pUnk = nullptr;
            pDst->formattype = GUID_NULL;
            return E_OUTOFMEMORY;
        }
        CopyMemory(pDst->pbFormat, src.pbFormat, src.cbFormat);
        pDst->cbFormat = src.cbFormat;
    }
    if (pDst->pUnk) pDst->pUnk->AddRef();
    return S_OK;
}

// A media type held by value; its contents are freed once, on Clear,
// reassignment or destruction.
class MediaTypeHolder {
public:
    MediaTypeHolder() { ZeroMemory(&m_mt, sizeof(m_mt)); }
    ~MediaTypeHolder() { FreeMediaTypeContents(&m_mt); }
    MediaTypeHolder(const MediaTypeHolder &) = delete;
    MediaTypeHolder &operator=(const MediaTypeHolder &) = delete;

    AM_MEDIA_TYPE *Get() { return &m_mt; }
    const AM_MEDIA_TYPE *Get() const { return &m_mt; }
    AM_MEDIA_TYPE *operator->() { return &m_mt; }
    const AM_MEDIA_TYPE *operator->() const { return &m_mt; }
    AM_MEDIA_TYPE &operator*() { return m_mt; }
    const AM_MEDIA_TYPE &operator*() const { return m_mt; }

    // Frees what it holds and leaves an empty (zeroed) type.
    void Clear() {
        FreeMediaTypeContents(&m_mt);
        ZeroMemory(&m_mt, sizeof(m_mt));
    }
    // Replaces what it holds with a deep copy of src.
    HRESULT CopyFrom(const AM_MEDIA_TYPE &src) {
        if (&src == &m_mt) return S_OK;
        Clear();
        return CopyMediaTypeContents(&m_mt, src);
    }
    // Takes over the contents of a heap media type and frees its block
    // (the format block moves, it is not copied). pmt may be null.
    void TakeFrom(AM_MEDIA_TYPE *pmt) {
        Clear();
        if (!pmt) return;
        m_mt = *pmt;
        CoTaskMemFree(pmt);
    }
    // Gives the contents to the caller, who must free them; this holder is left empty.
    AM_MEDIA_TYPE Detach() {
        AM_MEDIA_TYPE mt = m_mt;
        ZeroMemory(&m_mt, sizeof(m_mt));
        return mt;
    }

private:
    AM_MEDIA_TYPE m_mt;
};

// A media type allocated as a CoTaskMem block by someone else
// (GetFormat, GetStreamCaps, IEnumMediaTypes::Next); deleted once.
class MediaTypePtr {
public:
    MediaTypePtr() : m_pmt(nullptr) {}
    ~MediaTypePtr() { Clear(); }
    MediaTypePtr(const MediaTypePtr &) = delete;
    MediaTypePtr &operator=(const MediaTypePtr &) = delete;

    AM_MEDIA_TYPE *Get() const { return m_pmt; }
    AM_MEDIA_TYPE *operator->() const { return m_pmt; }
    explicit operator bool() const { return m_pmt != nullptr; }
    // For out-parameters: deletes what it held first.
    AM_MEDIA_TYPE **operator&() {
        Clear();
        return &m_pmt;
    }
    void Clear() {
        AM_MEDIA_TYPE *pmt = m_pmt;
        m_pmt = nullptr;
        DeleteMediaTypeBlock(pmt);
    }
    AM_MEDIA_TYPE *Detach() {
        AM_MEDIA_TYPE *pmt = m_pmt;
        m_pmt = nullptr;
        return pmt;
    }
    // Takes over another holder's block, deleting what it held first.
    void TakeFrom(MediaTypePtr &other) {
        if (std::addressof(other) == this) return;
        Clear();
        m_pmt = other.Detach();
    }

private:
    AM_MEDIA_TYPE *m_pmt;
};

// The VIDEOINFOHEADER of a FORMAT_VideoInfo type whose block is large
// enough, or null.
inline const VIDEOINFOHEADER *VideoInfoOf(const AM_MEDIA_TYPE *pmt) {
    if (!pmt || !IsEqualGUID(pmt->formattype, FORMAT_VideoInfo) || !pmt->pbFormat ||
        pmt->cbFormat < sizeof(VIDEOINFOHEADER))
        return nullptr;
    return reinterpret_cast<const VIDEOINFOHEADER *>(pmt->pbFormat);
}
inline VIDEOINFOHEADER *VideoInfoOf(AM_MEDIA_TYPE *pmt) {
    return const_cast<VIDEOINFOHEADER *>(VideoInfoOf(static_cast<const AM_MEDIA_TYPE *>(pmt)));
}

#endif  // KOR_TOOLKIT_INCLUDE_MEDIATYPE_H
