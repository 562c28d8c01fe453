// PropertyPageBase.cpp - the IPropertyPage plumbing shared by the pages.
#include "PropertyPageBase.h"

#include <commctrl.h>
#include <prsht.h>
#include <strsafe.h>

#include "server/Module.h"
#include "SimTrace.h"

namespace {

// Subclass identifier on the frame's window; one page lives in each.
const UINT_PTR kParentHookId = 0x53434D50;  // "SCMP"

// Dialog procedure of the throw-away copy GetPageInfo measures.
INT_PTR CALLBACK MeasureProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

bool IsSheetNotification(UINT code) {
    return code <= static_cast<UINT>(PSN_FIRST) && code >= static_cast<UINT>(PSN_LAST);
}

}  // namespace

SimPropertyPage::SimPropertyPage(UINT idTemplate, const WCHAR *pszTitle)
    : SimComObject<IPropertyPage>(IID_IPropertyPage),
      m_idTemplate(idTemplate),
      m_pszTitle(pszTitle),
      m_hDlg(nullptr),
      m_hParent(nullptr),
      m_hSheet(nullptr),
      m_bDirty(false),
      m_bHaveObjects(false) {}

SimPropertyPage::~SimPropertyPage() {
    // A frame that releases an active page without Deactivate.
    Unhook();
    if (m_hDlg) DestroyWindow(m_hDlg);
}

STDMETHODIMP SimPropertyPage::SetPageSite(IPropertyPageSite *pPageSite) {
    if (pPageSite && m_pSite) return E_UNEXPECTED;
    m_pSite.Assign(pPageSite);
    return S_OK;
}

STDMETHODIMP SimPropertyPage::Activate(HWND hWndParent, LPCRECT pRect, BOOL bModal) {
    (void)bModal;
    if (m_hDlg) return E_UNEXPECTED;
    if (!pRect) return E_POINTER;

    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    (void)InitCommonControlsEx(&icc);

    // WM_INITDIALOG stores the handle in m_hDlg and fills the controls.
    HWND hDlg = CreateDialogParamW(SimModuleInstance(), MAKEINTRESOURCEW(m_idTemplate), hWndParent, DlgProc,
                                   reinterpret_cast<LPARAM>(this));
    if (!hDlg) {
        SimTraceLastError(L"CreateDialogParam (property page)");
        DWORD dwError = GetLastError();
        m_hDlg = nullptr;
        return dwError ? HRESULT_FROM_WIN32(dwError) : E_FAIL;
    }
    m_hDlg = hDlg;
    MoveWindow(m_hDlg, pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top, FALSE);

    if (hWndParent && SetWindowSubclass(hWndParent, ParentProc, kParentHookId, reinterpret_cast<DWORD_PTR>(this))) {
        m_hParent = hWndParent;
    }
    return S_OK;
}

STDMETHODIMP SimPropertyPage::Deactivate() {
    if (!m_hDlg) return E_UNEXPECTED;
    Unhook();
    DestroyWindow(m_hDlg);
    m_hDlg = nullptr;
    return S_OK;
}

void SimPropertyPage::Unhook() {
    if (m_hParent) {
        RemoveWindowSubclass(m_hParent, ParentProc, kParentHookId);
        m_hParent = nullptr;
    }
    m_hSheet = nullptr;
}

SIZE SimPropertyPage::MeasureDialog() {
    SIZE size = {0, 0};
    RECT rc;
    if (m_hDlg && GetWindowRect(m_hDlg, &rc)) {
        size.cx = rc.right - rc.left;
        size.cy = rc.bottom - rc.top;
        return size;
    }
    // The template is in dialog units of its font: let the dialog manager
    // convert them by making a hidden copy.
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    (void)InitCommonControlsEx(&icc);
    HWND hTmp =
        CreateDialogParamW(SimModuleInstance(), MAKEINTRESOURCEW(m_idTemplate), GetDesktopWindow(), MeasureProc, 0);
    if (hTmp) {
        if (GetWindowRect(hTmp, &rc)) {
            size.cx = rc.right - rc.left;
            size.cy = rc.bottom - rc.top;
        }
        DestroyWindow(hTmp);
    }
    return size;
}

STDMETHODIMP SimPropertyPage::GetPageInfo(PROPPAGEINFO *pPageInfo) {
    if (!pPageInfo) return E_POINTER;
    size_t cch = 0;
    if (FAILED(StringCchLengthW(m_pszTitle, STRSAFE_MAX_CCH, &cch))) return E_UNEXPECTED;
    // The caller frees the title with CoTaskMemFree.
    LPOLESTR pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc((cch + 1) * sizeof(WCHAR)));
    if (!pszTitle) return E_OUTOFMEMORY;
    StringCchCopyW(pszTitle, cch + 1, m_pszTitle);

    SIZE size = MeasureDialog();
    if (size.cx == 0 || size.cy == 0) {
        CoTaskMemFree(pszTitle);
        return E_FAIL;
    }
    pPageInfo->cb = sizeof(PROPPAGEINFO);
    pPageInfo->pszTitle = pszTitle;
    pPageInfo->size = size;
    pPageInfo->pszDocString = nullptr;
    pPageInfo->pszHelpFile = nullptr;
    pPageInfo->dwHelpContext = 0;
    return S_OK;
}

STDMETHODIMP SimPropertyPage::SetObjects(ULONG cObjects, IUnknown **ppUnk) {
    if (cObjects == 0) {
        (void)OnSetObjects(0, nullptr);
        m_bHaveObjects = false;
        m_bDirty = false;
        return S_OK;
    }
    if (!ppUnk) return E_POINTER;
    HRESULT hr = OnSetObjects(cObjects, ppUnk);
    m_bHaveObjects = SUCCEEDED(hr);
    m_bDirty = false;
    if (m_hDlg) OnInitDialog();
    return hr;
}

STDMETHODIMP SimPropertyPage::Show(UINT nCmdShow) {
    if (!m_hDlg) return E_UNEXPECTED;
    ShowWindow(m_hDlg, static_cast<int>(nCmdShow));
    return S_OK;
}

STDMETHODIMP SimPropertyPage::Move(LPCRECT pRect) {
    if (!pRect) return E_POINTER;
    if (!m_hDlg) return E_UNEXPECTED;
    MoveWindow(m_hDlg, pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top, TRUE);
    return S_OK;
}

STDMETHODIMP SimPropertyPage::IsPageDirty() { return m_bDirty ? S_OK : S_FALSE; }

STDMETHODIMP SimPropertyPage::Apply() {
    if (!m_bDirty) return S_OK;
    if (!m_bHaveObjects) return E_UNEXPECTED;
    HRESULT hr = OnApply();
    if (SUCCEEDED(hr)) SetDirty(false);
    return hr;
}

STDMETHODIMP SimPropertyPage::Help(LPCOLESTR pszHelpDir) {
    (void)pszHelpDir;
    return E_NOTIMPL;
}

STDMETHODIMP SimPropertyPage::TranslateAccelerator(MSG *pMsg) {
    if (!pMsg) return E_POINTER;
    if (!m_hDlg) return S_FALSE;
    return IsDialogMessageW(m_hDlg, pMsg) ? S_OK : S_FALSE;
}

void SimPropertyPage::SetDirty(bool bDirty) {
    if (m_bDirty == bDirty) return;
    m_bDirty = bDirty;
    if (bDirty && m_pSite) (void)m_pSite->OnStatusChange(PROPPAGESTATUS_DIRTY);
    if (m_hSheet && m_hParent && IsWindow(m_hSheet)) {
        SendMessageW(m_hSheet, bDirty ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hParent), 0);
    }
}

void SimPropertyPage::SetStatusText(UINT idStatic, const WCHAR *pszText) {
    if (m_hDlg) SetDlgItemTextW(m_hDlg, static_cast<int>(idStatic), pszText);
}

LRESULT SimPropertyPage::OnSheetApply() {
    // Keep the sheet open when the values could not be written: the page
    // shows why in its status line.
    return SUCCEEDED(Apply()) ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
}

LRESULT CALLBACK SimPropertyPage::ParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR uIdSubclass,
                                             DWORD_PTR dwRefData) {
    SimPropertyPage *pPage = reinterpret_cast<SimPropertyPage *>(dwRefData);
    switch (uMsg) {
    case WM_NOTIFY: {
        const NMHDR *pHdr = reinterpret_cast<const NMHDR *>(lParam);
        if (pHdr && IsSheetNotification(pHdr->code)) {
            pPage->m_hSheet = pHdr->hwndFrom;
            if (pHdr->code == static_cast<UINT>(PSN_APPLY)) return pPage->OnSheetApply();
        }
        break;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(hWnd, ParentProc, uIdSubclass);
        pPage->m_hParent = nullptr;
        pPage->m_hSheet = nullptr;
        break;
    }
    return DefSubclassProc(hWnd, uMsg, wParam, lParam);
}

INT_PTR CALLBACK SimPropertyPage::DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    SimPropertyPage *pPage = reinterpret_cast<SimPropertyPage *>(GetWindowLongPtrW(hDlg, DWLP_USER));
    switch (uMsg) {
    case WM_INITDIALOG:
        pPage = reinterpret_cast<SimPropertyPage *>(lParam);
        SetWindowLongPtrW(hDlg, DWLP_USER, reinterpret_cast<LONG_PTR>(pPage));
        pPage->m_hDlg = hDlg;
        pPage->OnInitDialog();
        return FALSE;  // a page does not take the focus from its frame
    case WM_COMMAND:
        if (!pPage) return FALSE;
        pPage->OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_HSCROLL:
        if (!pPage) return FALSE;
        pPage->OnHScroll(reinterpret_cast<HWND>(lParam));
        return TRUE;
    }
    return FALSE;
}
