// PropertyPageBase.h - what the simulated camera's property pages share: the
// IPropertyPage object with its page site, the child dialog made from a
// template in simcam.dll, the dirty flag and the status line.
//
// A concrete page keeps the values the user picked in its own fields (not
// only in the controls), so Apply works whether or not the dialog exists,
// and implements four hooks: OnSetObjects, OnInitDialog, OnApply and the
// control handlers.
//
// Frames: a frame calls Apply itself when its OK or Apply button is pressed.
// Wine's OleCreatePropertyFrame instead puts each page into a property-sheet
// page and never calls Apply; the page therefore listens on its parent for
// the sheet's PSN_APPLY and applies then, and tells the sheet about changes
// (PSM_CHANGED) once the sheet has introduced itself with a notification.
#ifndef KOR_SIMCAM_PAGES_PROPERTYPAGEBASE_H
#define KOR_SIMCAM_PAGES_PROPERTYPAGEBASE_H

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include "server/ComObject.h"
#include "ComPtr.h"

// IUnknown (one reference count, the module reference) is SimComObject's.
class SimPropertyPage : public SimComObject<IPropertyPage> {
public:
    // IPropertyPage
    STDMETHODIMP SetPageSite(IPropertyPageSite *pPageSite) override;
    STDMETHODIMP Activate(HWND hWndParent, LPCRECT pRect, BOOL bModal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO *pPageInfo) override;
    STDMETHODIMP SetObjects(ULONG cObjects, IUnknown **ppUnk) override;
    STDMETHODIMP Show(UINT nCmdShow) override;
    STDMETHODIMP Move(LPCRECT pRect) override;
    STDMETHODIMP IsPageDirty() override;
    STDMETHODIMP Apply() override;
    STDMETHODIMP Help(LPCOLESTR pszHelpDir) override;
    STDMETHODIMP TranslateAccelerator(MSG *pMsg) override;

protected:
    SimPropertyPage(UINT idTemplate, const WCHAR *pszTitle);
    virtual ~SimPropertyPage();

    // Takes the objects to edit (cObjects > 0) or drops them (cObjects == 0).
    virtual HRESULT OnSetObjects(ULONG cObjects, IUnknown **ppUnk) = 0;
    // Fills the freshly made dialog, or refills it after new objects.
    virtual void OnInitDialog() = 0;
    // Writes the pending values; called only while the page is dirty.
    virtual HRESULT OnApply() = 0;
    virtual void OnCommand(WORD wId, WORD wCode) {
        (void)wId;
        (void)wCode;
    }
    virtual void OnHScroll(HWND hCtl) { (void)hCtl; }

    HWND Dialog() const { return m_hDlg; }
    void SetDirty(bool bDirty);
    void SetStatusText(UINT idStatic, const WCHAR *pszText);

private:
    static INT_PTR CALLBACK DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR uIdSubclass,
                                       DWORD_PTR dwRefData);
    LRESULT OnSheetApply();
    SIZE MeasureDialog();
    void Unhook();

    UINT m_idTemplate;
    const WCHAR *m_pszTitle;
    ComPtr<IPropertyPageSite> m_pSite;
    HWND m_hDlg;
    HWND m_hParent;  // the frame's window we live in, hooked while active
    HWND m_hSheet;   // property sheet that sent us PSN_ notifications, or null
    bool m_bDirty;
    bool m_bHaveObjects;
};

#endif  // KOR_SIMCAM_PAGES_PROPERTYPAGEBASE_H
