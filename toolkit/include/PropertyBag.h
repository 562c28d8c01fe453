// PropertyBag.h - read a text value out of a property bag (a device moniker's).
#ifndef KOR_TOOLKIT_INCLUDE_PROPERTYBAG_H
#define KOR_TOOLKIT_INCLUDE_PROPERTYBAG_H

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <strsafe.h>

// Reads the text value pszName into pszOut (cchOut characters with the
// terminator; a longer text is cut). False when the read fails or gives
// anything but a text; a null text reads as empty. pszOut is written only
// when the read succeeds. When phr is given it receives the read's result,
// or E_UNEXPECTED for a value that is not a text. The VARIANT is always
// cleared.
inline bool ReadPropertyBagString(IPropertyBag *pBag, const WCHAR *pszName, WCHAR *pszOut, size_t cchOut,
                                  HRESULT *phr = nullptr) {
    VARIANT var;
    VariantInit(&var);
    var.vt = VT_BSTR;
    HRESULT hr = pBag->Read(pszName, &var, nullptr);
    if (SUCCEEDED(hr) && var.vt != VT_BSTR) hr = E_UNEXPECTED;
    bool bRead = SUCCEEDED(hr);
    if (bRead) (void)StringCchPrintfW(pszOut, cchOut, L"%ls", var.bstrVal ? var.bstrVal : L"");
    (void)VariantClear(&var);
    if (phr) *phr = hr;
    return bRead;
}

#endif  // KOR_TOOLKIT_INCLUDE_PROPERTYBAG_H
