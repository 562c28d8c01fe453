// ImagePage.cpp - the capture filter's image properties page: one row per
// property with a trackbar over the range the filter reports, the value,
// and an Auto box for the two properties that have an automatic mode.
#include <windows.h>
#include <commctrl.h>
#include <strmif.h>
#include <strsafe.h>

#include <new>

#include "PageResources.h"
#include "Pages.h"
#include "PropertyPageBase.h"

namespace {

struct ImageProperty {
    const WCHAR *pszName;
    bool bCameraControl;  // IAMCameraControl, else IAMVideoProcAmp
    long lProperty;
    bool bHasAuto;
};

const ImageProperty kProperties[SIM_IMAGE_ROWS] = {
    {L"Brightness", false, VideoProcAmp_Brightness, false}, {L"Contrast", false, VideoProcAmp_Contrast, false},
    {L"Saturation", false, VideoProcAmp_Saturation, false}, {L"Sharpness", false, VideoProcAmp_Sharpness, false},
    {L"Gamma", false, VideoProcAmp_Gamma, false},           {L"White Balance", false, VideoProcAmp_WhiteBalance, true},
    {L"Exposure", true, CameraControl_Exposure, true},
};

// Auto and manual share their values in both interfaces.
const long kFlagAuto = VideoProcAmp_Flags_Auto;
const long kFlagManual = VideoProcAmp_Flags_Manual;

struct RowState {
    bool bAvailable;
    long lMin, lMax, lStep, lDefault, lCapsFlags;
    long lValue, lFlags;              // shown on the page, written by Apply
    long lDeviceValue, lDeviceFlags;  // what the filter reported last
    bool Changed() const { return bAvailable && (lValue != lDeviceValue || lFlags != lDeviceFlags); }
};

class ImagePage : public SimPropertyPage {
public:
    ImagePage() : SimPropertyPage(IDD_SIM_IMAGEPAGE, L"Image Properties"), m_Rows() {}

protected:
    HRESULT OnSetObjects(ULONG cObjects, IUnknown **ppUnk) override;
    void OnInitDialog() override;
    HRESULT OnApply() override;
    void OnCommand(WORD wId, WORD wCode) override;
    void OnHScroll(HWND hCtl) override;

private:
    HRESULT GetRange(int iRow, RowState *pRow);
    HRESULT GetValue(int iRow, long *plValue, long *plFlags);
    HRESULT SetValue(int iRow, long lValue, long lFlags);
    void ReadRow(int iRow);
    void ShowRow(int iRow);
    void ChangeRow(int iRow, long lValue, long lFlags);
    long Snap(const RowState &row, long lPos) const;

    ComPtr<IAMVideoProcAmp> m_pProcAmp;
    ComPtr<IAMCameraControl> m_pCameraControl;
    RowState m_Rows[SIM_IMAGE_ROWS];
};

HRESULT ImagePage::GetRange(int iRow, RowState *pRow) {
    const ImageProperty &prop = kProperties[iRow];
    if (prop.bCameraControl) {
        if (!m_pCameraControl) return E_NOINTERFACE;
        return m_pCameraControl->GetRange(prop.lProperty, &pRow->lMin, &pRow->lMax, &pRow->lStep, &pRow->lDefault,
                                          &pRow->lCapsFlags);
    }
    if (!m_pProcAmp) return E_NOINTERFACE;
    return m_pProcAmp->GetRange(prop.lProperty, &pRow->lMin, &pRow->lMax, &pRow->lStep, &pRow->lDefault,
                                &pRow->lCapsFlags);
}

HRESULT ImagePage::GetValue(int iRow, long *plValue, long *plFlags) {
    const ImageProperty &prop = kProperties[iRow];
    if (prop.bCameraControl) {
        if (!m_pCameraControl) return E_NOINTERFACE;
        return m_pCameraControl->Get(prop.lProperty, plValue, plFlags);
    }
    if (!m_pProcAmp) return E_NOINTERFACE;
    return m_pProcAmp->Get(prop.lProperty, plValue, plFlags);
}

HRESULT ImagePage::SetValue(int iRow, long lValue, long lFlags) {
    const ImageProperty &prop = kProperties[iRow];
    if (prop.bCameraControl) {
        if (!m_pCameraControl) return E_NOINTERFACE;
        return m_pCameraControl->Set(prop.lProperty, lValue, lFlags);
    }
    if (!m_pProcAmp) return E_NOINTERFACE;
    return m_pProcAmp->Set(prop.lProperty, lValue, lFlags);
}

// Range and value of one row; a row whose range or value cannot be read, or
// whose range is empty, stays unavailable.
void ImagePage::ReadRow(int iRow) {
    RowState row = {};
    long lValue = 0, lFlags = 0;
    if (SUCCEEDED(GetRange(iRow, &row)) && row.lMin <= row.lMax && SUCCEEDED(GetValue(iRow, &lValue, &lFlags))) {
        if (row.lStep <= 0) row.lStep = 1;
        // A property is automatic or manual here; a value outside the range
        // is shown at its end and counts as a change.
        row.lDeviceValue = lValue;
        row.lDeviceFlags = (lFlags & kFlagAuto) && kProperties[iRow].bHasAuto ? kFlagAuto : kFlagManual;
        row.lValue = lValue < row.lMin ? row.lMin : (lValue > row.lMax ? row.lMax : lValue);
        row.lFlags = row.lDeviceFlags;
        row.bAvailable = true;
    }
    m_Rows[iRow] = row;
}

HRESULT ImagePage::OnSetObjects(ULONG cObjects, IUnknown **ppUnk) {
    m_pProcAmp.Clear();
    m_pCameraControl.Clear();
    for (int i = 0; i < SIM_IMAGE_ROWS; ++i) m_Rows[i] = RowState();
    if (cObjects == 0) return S_OK;

    // The first object that answers either interface is the one edited.
    for (ULONG i = 0; i < cObjects && !m_pProcAmp && !m_pCameraControl; ++i) {
        (void)m_pProcAmp.QueryFrom(ppUnk[i]);
        (void)m_pCameraControl.QueryFrom(ppUnk[i]);
    }
    if (!m_pProcAmp && !m_pCameraControl) return E_NOINTERFACE;
    for (int i = 0; i < SIM_IMAGE_ROWS; ++i) ReadRow(i);
    return S_OK;
}

long ImagePage::Snap(const RowState &row, long lPos) const {
    if (lPos <= row.lMin) return row.lMin;
    if (lPos >= row.lMax) return row.lMax;
    long lSnapped = row.lMin + (lPos - row.lMin + row.lStep / 2) / row.lStep * row.lStep;
    return lSnapped > row.lMax ? row.lMax : lSnapped;
}

void ImagePage::ShowRow(int iRow) {
    HWND hDlg = Dialog();
    if (!hDlg) return;
    const RowState &row = m_Rows[iRow];
    const bool bHasAuto = kProperties[iRow].bHasAuto;
    const bool bAuto = row.lFlags == kFlagAuto;
    HWND hTrack = GetDlgItem(hDlg, IDC_IMG_TRACK0 + iRow);
    HWND hAuto = GetDlgItem(hDlg, IDC_IMG_AUTO0 + iRow);

    WCHAR szValue[16] = L"-";
    if (row.bAvailable) {
        SendMessageW(hTrack, TBM_SETRANGEMIN, FALSE, row.lMin);
        SendMessageW(hTrack, TBM_SETRANGEMAX, FALSE, row.lMax);
        SendMessageW(hTrack, TBM_SETLINESIZE, 0, row.lStep);
        SendMessageW(hTrack, TBM_SETPAGESIZE, 0, row.lStep);
        SendMessageW(hTrack, TBM_SETPOS, TRUE, row.lValue);
        StringCchPrintfW(szValue, ARRAYSIZE(szValue), L"%ld", row.lValue);
    }
    EnableWindow(hTrack, row.bAvailable && !bAuto);
    SetDlgItemTextW(hDlg, IDC_IMG_VALUE0 + iRow, szValue);
    if (hAuto) {
        CheckDlgButton(hDlg, IDC_IMG_AUTO0 + iRow, bAuto ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(hAuto, bHasAuto && row.bAvailable);
        ShowWindow(hAuto, bHasAuto ? SW_SHOWNA : SW_HIDE);
    }
}

void ImagePage::OnInitDialog() {
    HWND hDlg = Dialog();
    bool bAny = false;
    for (int i = 0; i < SIM_IMAGE_ROWS; ++i) {
        SetDlgItemTextW(hDlg, IDC_IMG_LABEL0 + i, kProperties[i].pszName);
        ShowRow(i);
        bAny = bAny || m_Rows[i].bAvailable;
    }
    EnableWindow(GetDlgItem(hDlg, IDC_IMG_DEFAULT), bAny);
    SetStatusText(IDC_IMG_STATUS, L"");
}

void ImagePage::ChangeRow(int iRow, long lValue, long lFlags) {
    m_Rows[iRow].lValue = lValue;
    m_Rows[iRow].lFlags = lFlags;
    bool bDirty = false;
    for (int i = 0; i < SIM_IMAGE_ROWS; ++i) bDirty = bDirty || m_Rows[i].Changed();
    SetDirty(bDirty);
}

void ImagePage::OnHScroll(HWND hCtl) {
    int iRow = GetDlgCtrlID(hCtl) - IDC_IMG_TRACK0;
    if (iRow < 0 || iRow >= SIM_IMAGE_ROWS || !m_Rows[iRow].bAvailable) return;
    long lPos = static_cast<long>(SendMessageW(hCtl, TBM_GETPOS, 0, 0));
    ChangeRow(iRow, Snap(m_Rows[iRow], lPos), m_Rows[iRow].lFlags);
    ShowRow(iRow);
}

void ImagePage::OnCommand(WORD wId, WORD wCode) {
    if (wCode != BN_CLICKED) return;
    if (wId == IDC_IMG_DEFAULT) {
        for (int i = 0; i < SIM_IMAGE_ROWS; ++i) {
            if (!m_Rows[i].bAvailable) continue;
            ChangeRow(i, Snap(m_Rows[i], m_Rows[i].lDefault), m_Rows[i].lFlags);
            ShowRow(i);
        }
        return;
    }
    int iRow = wId - IDC_IMG_AUTO0;
    if (iRow < 0 || iRow >= SIM_IMAGE_ROWS || !kProperties[iRow].bHasAuto || !m_Rows[iRow].bAvailable) return;
    bool bAuto = IsDlgButtonChecked(Dialog(), wId) == BST_CHECKED;
    ChangeRow(iRow, m_Rows[iRow].lValue, bAuto ? kFlagAuto : kFlagManual);
    ShowRow(iRow);
}

HRESULT ImagePage::OnApply() {
    HRESULT hrFirst = S_OK;
    WCHAR szStatus[128] = L"";
    for (int i = 0; i < SIM_IMAGE_ROWS; ++i) {
        RowState &row = m_Rows[i];
        if (!row.Changed()) continue;
        HRESULT hr = SetValue(i, row.lValue, row.lFlags);
        if (FAILED(hr)) {
            if (SUCCEEDED(hrFirst)) {
                hrFirst = hr;
                StringCchPrintfW(szStatus, ARRAYSIZE(szStatus), L"Could not set %s (0x%08lX).", kProperties[i].pszName,
                                 static_cast<unsigned long>(hr));
            }
            continue;  // stays changed, so the next Apply tries again
        }
        ReadRow(i);  // show what the filter made of it
        ShowRow(i);
    }
    SetStatusText(IDC_IMG_STATUS, szStatus);
    return hrFirst;
}

}  // namespace

HRESULT SimCreateImagePage(REFIID riid, void **ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return SimHandOut(new (std::nothrow) ImagePage(), riid, ppv);
}
