// Enumerators.cpp - pin and media-type enumerators of the capture filter.
#include "filter/Enumerators.h"

#include <new>

#include "server/ComObject.h"
#include "ComPtr.h"
#include "server/Module.h"
#include "filter/MediaTypes.h"
#include "filter/SourceFilter.h"

namespace {

// Skip for an enumerator at ulPosition over ulCount items: S_FALSE, and the
// position at the end, when fewer than cItems are left.
HRESULT SkipAhead(ULONG &ulPosition, ULONG cItems, ULONG ulCount) {
    if (ulPosition > ulCount || cItems > ulCount - ulPosition) {
        ulPosition = ulCount;
        return S_FALSE;
    }
    ulPosition += cItems;
    return S_OK;
}

class SimEnumPins final : public SimComObject<IEnumPins> {
public:
    SimEnumPins(SimSourceFilter *pFilter, ULONG ulPosition)
        : SimComObject<IEnumPins>(IID_IEnumPins),
          m_pFilter(pFilter),
          m_ulPosition(ulPosition),
          m_iPinCount(pFilter->PinCount()) {}

    STDMETHODIMP Next(ULONG cPins, IPin **ppPins, ULONG *pcFetched) override {
        if (!ppPins) return E_POINTER;
        if (cPins != 1 && !pcFetched) return E_INVALIDARG;
        if (m_iPinCount != m_pFilter->PinCount()) return VFW_E_ENUM_OUT_OF_SYNC;
        ULONG cFetched = 0;
        while (cFetched < cPins) {
            SimOutputPin *pPin = m_pFilter->PinAt(static_cast<int>(m_ulPosition));
            if (!pPin) break;
            ppPins[cFetched] = static_cast<IPin *>(pPin);
            ppPins[cFetched]->AddRef();
            ++cFetched;
            ++m_ulPosition;
        }
        if (pcFetched) *pcFetched = cFetched;
        return cFetched == cPins ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG cPins) override {
        if (m_iPinCount != m_pFilter->PinCount()) return VFW_E_ENUM_OUT_OF_SYNC;
        return SkipAhead(m_ulPosition, cPins, static_cast<ULONG>(m_iPinCount));
    }
    STDMETHODIMP Reset() override {
        m_iPinCount = m_pFilter->PinCount();
        m_ulPosition = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins **ppEnum) override {
        if (!ppEnum) return E_POINTER;
        if (m_iPinCount != m_pFilter->PinCount()) return VFW_E_ENUM_OUT_OF_SYNC;
        return SimCreateEnumPins(m_pFilter.Get(), m_ulPosition, ppEnum);
    }

private:
    ComPtr<SimSourceFilter> m_pFilter;
    ULONG m_ulPosition;
    int m_iPinCount;  // pins when the enumerator was made or reset
};

class SimEnumMediaTypes final : public SimComObject<IEnumMediaTypes> {
public:
    SimEnumMediaTypes(SimOutputPin *pPin, ULONG ulPosition)
        : SimComObject<IEnumMediaTypes>(IID_IEnumMediaTypes), m_pPin(pPin), m_ulPosition(ulPosition) {}

    STDMETHODIMP Next(ULONG cTypes, AM_MEDIA_TYPE **ppTypes, ULONG *pcFetched) override {
        if (!ppTypes) return E_POINTER;
        if (cTypes != 1 && !pcFetched) return E_INVALIDARG;
        ULONG cFetched = 0;
        while (cFetched < cTypes) {
            AM_MEDIA_TYPE *pmt = static_cast<AM_MEDIA_TYPE *>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
            if (!pmt) break;
            HRESULT hr = m_pPin->GetMediaType(static_cast<int>(m_ulPosition), pmt);
            if (hr != S_OK) {
                CoTaskMemFree(pmt);
                break;
            }
            ppTypes[cFetched++] = pmt;
            ++m_ulPosition;
        }
        if (pcFetched) *pcFetched = cFetched;
        return cFetched == cTypes ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG cTypes) override {
        return SkipAhead(m_ulPosition, cTypes, static_cast<ULONG>(m_pPin->MediaTypeCount()));
    }
    STDMETHODIMP Reset() override {
        m_ulPosition = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumMediaTypes **ppEnum) override {
        if (!ppEnum) return E_POINTER;
        return SimCreateEnumMediaTypes(m_pPin.Get(), m_ulPosition, ppEnum);
    }

private:
    ComPtr<SimOutputPin> m_pPin;  // its reference is the filter's
    ULONG m_ulPosition;
};

}  // namespace

HRESULT SimCreateEnumPins(SimSourceFilter *pFilter, ULONG ulPosition, IEnumPins **ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    SimEnumPins *pEnum = new (std::nothrow) SimEnumPins(pFilter, ulPosition);
    if (!pEnum) return E_OUTOFMEMORY;
    *ppEnum = pEnum;
    return S_OK;
}

HRESULT SimCreateEnumMediaTypes(SimOutputPin *pPin, ULONG ulPosition, IEnumMediaTypes **ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    SimEnumMediaTypes *pEnum = new (std::nothrow) SimEnumMediaTypes(pPin, ulPosition);
    if (!pEnum) return E_OUTOFMEMORY;
    *ppEnum = pEnum;
    return S_OK;
}
