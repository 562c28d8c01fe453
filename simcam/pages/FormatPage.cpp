// FormatPage.cpp - a pin's stream format page: subtype and frame size chosen
// from the pin's capability list (IAMStreamConfig::GetStreamCaps), written
// with SetFormat on Apply. The result of the last Apply, failures included,
// is shown in the page's status line.
#include <windows.h>
#include <strmif.h>
#include <uuids.h>
#include <amvideo.h>
#include <vfwmsgs.h>
#include <strsafe.h>

#include <new>
#include <vector>

#include "MediaType.h"
#include "filter/MediaTypes.h"
#include "PageResources.h"
#include "Pages.h"
#include "PropertyPageBase.h"

namespace {

// Capability list bound: a pin that reports more is not believed.
const int kMaxCapabilities = 256;

struct FormatChoice {
    DWORD dwFourCC;  // 'YUY2' or 'MJPG' (the subtype GUID's first field)
    LONG lWidth;
    LONG lHeight;
    int iCapIndex;  // for GetStreamCaps
};

// Reads the subtype and size of a VIDEOINFOHEADER format with one of the two
// subtypes the page offers.
bool ReadChoice(const AM_MEDIA_TYPE *pmt, FormatChoice *pChoice) {
    const VIDEOINFOHEADER *pVih = VideoInfoOf(pmt);
    if (!pVih) return false;
    if (pmt->subtype != MEDIASUBTYPE_YUY2 && pmt->subtype != MEDIASUBTYPE_MJPG) return false;
    pChoice->dwFourCC = pmt->subtype.Data1;
    pChoice->lWidth = pVih->bmiHeader.biWidth;
    pChoice->lHeight = pVih->bmiHeader.biHeight;
    return true;
}

void FourCCText(DWORD dwFourCC, WCHAR (&szText)[5]) {
    for (int i = 0; i < 4; ++i) szText[i] = static_cast<WCHAR>((dwFourCC >> (8 * i)) & 0xFF);
    szText[4] = L'\0';
}

// Text for the failures SetFormat is documented to give, else the system's.
void ErrorText(HRESULT hr, WCHAR *pszText, size_t cchText) {
    const WCHAR *pszKnown = nullptr;
    switch (hr) {
    case VFW_E_NOT_STOPPED:
        pszKnown = L"The filter must be stopped to change the format.";
        break;
    case VFW_E_WRONG_STATE:
        pszKnown = L"The format cannot be changed in the current state.";
        break;
    case VFW_E_INVALIDMEDIATYPE:
        pszKnown = L"The pin does not accept this format.";
        break;
    case VFW_E_TYPE_NOT_ACCEPTED:
        pszKnown = L"The connected filter does not accept this format.";
        break;
    }
    if (pszKnown) {
        StringCchCopyW(pszText, cchText, pszKnown);
        return;
    }
    DWORD cch = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               static_cast<DWORD>(hr), 0, pszText, static_cast<DWORD>(cchText), nullptr);
    // Drop the line end the system texts carry.
    while (cch > 0 && (pszText[cch - 1] == L'\n' || pszText[cch - 1] == L'\r')) pszText[--cch] = L'\0';
    if (cch == 0) StringCchCopyW(pszText, cchText, L"The format could not be set.");
}

class FormatPage : public SimPropertyPage {
public:
    FormatPage()
        : SimPropertyPage(IDD_SIM_FORMATPAGE, L"Stream Format"),
          m_iCurrent(-1),
          m_iChosen(-1),
          m_cbCaps(sizeof(VIDEO_STREAM_CONFIG_CAPS)) {}

protected:
    HRESULT OnSetObjects(ULONG cObjects, IUnknown **ppUnk) override;
    void OnInitDialog() override;
    HRESULT OnApply() override;
    void OnCommand(WORD wId, WORD wCode) override;

private:
    void ReadCapabilities();
    void ReadCurrentFormat();
    void FillSizes(DWORD dwFourCC);
    void SelectSize(int iChoice);
    void Choose(int iChoice);

    ComPtr<IAMStreamConfig> m_pConfig;
    std::vector<FormatChoice> m_Choices;  // one per usable capability, in capability order
    int m_iCurrent;                       // the pin's format in m_Choices, -1 when it is none of them
    int m_iChosen;                        // what Apply will set, -1 for nothing
    // The capability block is only a scratch area here: large enough for a
    // video capability whatever size the pin reports.
    size_t m_cbCaps;
};

void FormatPage::ReadCapabilities() {
    m_Choices.clear();
    m_cbCaps = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    int iCount = 0, iSize = 0;
    if (FAILED(m_pConfig->GetNumberOfCapabilities(&iCount, &iSize)) || iCount <= 0) return;
    if (iCount > kMaxCapabilities) iCount = kMaxCapabilities;
    if (iSize > static_cast<int>(m_cbCaps)) m_cbCaps = static_cast<size_t>(iSize);
    std::vector<BYTE> caps(m_cbCaps);
    for (int i = 0; i < iCount; ++i) {
        MediaTypePtr pmt;
        FormatChoice choice = {};
        if (SUCCEEDED(m_pConfig->GetStreamCaps(i, &pmt, caps.data())) && ReadChoice(pmt.Get(), &choice)) {
            choice.iCapIndex = i;
            m_Choices.push_back(choice);
        }
    }
}

void FormatPage::ReadCurrentFormat() {
    m_iCurrent = -1;
    MediaTypePtr pmt;
    FormatChoice current = {};
    if (SUCCEEDED(m_pConfig->GetFormat(&pmt)) && ReadChoice(pmt.Get(), &current)) {
        for (size_t i = 0; i < m_Choices.size(); ++i) {
            const FormatChoice &c = m_Choices[i];
            if (c.dwFourCC == current.dwFourCC && c.lWidth == current.lWidth && c.lHeight == current.lHeight) {
                m_iCurrent = static_cast<int>(i);
                break;
            }
        }
    }
}

HRESULT FormatPage::OnSetObjects(ULONG cObjects, IUnknown **ppUnk) {
    m_pConfig.Clear();
    m_Choices.clear();
    m_iCurrent = m_iChosen = -1;
    if (cObjects == 0) return S_OK;
    for (ULONG i = 0; i < cObjects && !m_pConfig; ++i) (void)m_pConfig.QueryFrom(ppUnk[i]);
    if (!m_pConfig) return E_NOINTERFACE;
    ReadCapabilities();
    ReadCurrentFormat();
    m_iChosen = m_iCurrent;
    return S_OK;
}

void FormatPage::FillSizes(DWORD dwFourCC) {
    HWND hSize = GetDlgItem(Dialog(), IDC_FMT_SIZE);
    SendMessageW(hSize, CB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < m_Choices.size(); ++i) {
        const FormatChoice &c = m_Choices[i];
        if (c.dwFourCC != dwFourCC) continue;
        // One entry per size: the first capability of that size stands for it.
        bool bListed = false;
        for (size_t j = 0; j < i && !bListed; ++j) {
            bListed = m_Choices[j].dwFourCC == dwFourCC && m_Choices[j].lWidth == c.lWidth &&
                      m_Choices[j].lHeight == c.lHeight;
        }
        if (bListed) continue;
        WCHAR szSize[32];
        StringCchPrintfW(szSize, ARRAYSIZE(szSize), L"%ld x %ld", static_cast<long>(c.lWidth),
                         static_cast<long>(c.lHeight));
        LRESULT iItem = SendMessageW(hSize, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(szSize));
        if (iItem >= 0) SendMessageW(hSize, CB_SETITEMDATA, static_cast<WPARAM>(iItem), static_cast<LPARAM>(i));
    }
}

// Shows choice i selected in the size box (filled for its subtype).
void FormatPage::SelectSize(int iChoice) {
    HWND hSize = GetDlgItem(Dialog(), IDC_FMT_SIZE);
    LRESULT cItems = SendMessageW(hSize, CB_GETCOUNT, 0, 0);
    for (LRESULT k = 0; k < cItems; ++k) {
        if (SendMessageW(hSize, CB_GETITEMDATA, static_cast<WPARAM>(k), 0) == iChoice) {
            SendMessageW(hSize, CB_SETCURSEL, static_cast<WPARAM>(k), 0);
            break;
        }
    }
}

// The user picked choice i: Apply will set it.
void FormatPage::Choose(int iChoice) {
    m_iChosen = iChoice;
    SelectSize(iChoice);
    SetDirty(m_iChosen >= 0 && m_iChosen != m_iCurrent);
}

void FormatPage::OnInitDialog() {
    HWND hDlg = Dialog();
    HWND hSubtype = GetDlgItem(hDlg, IDC_FMT_SUBTYPE);
    SendMessageW(hSubtype, CB_RESETCONTENT, 0, 0);
    SendMessageW(GetDlgItem(hDlg, IDC_FMT_SIZE), CB_RESETCONTENT, 0, 0);
    SetStatusText(IDC_FMT_STATUS, m_Choices.empty() && m_pConfig ? L"The pin lists no YUY2 or MJPG formats." : L"");

    // Subtypes in the order of their first capability.
    for (size_t i = 0; i < m_Choices.size(); ++i) {
        bool bListed = false;
        for (size_t j = 0; j < i && !bListed; ++j) bListed = m_Choices[j].dwFourCC == m_Choices[i].dwFourCC;
        if (bListed) continue;
        WCHAR szFourCC[5];
        FourCCText(m_Choices[i].dwFourCC, szFourCC);
        LRESULT iItem = SendMessageW(hSubtype, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(szFourCC));
        if (iItem >= 0) SendMessageW(hSubtype, CB_SETITEMDATA, static_cast<WPARAM>(iItem), m_Choices[i].dwFourCC);
    }
    if (m_Choices.empty()) return;

    int iShown = m_iChosen >= 0 ? m_iChosen : 0;
    DWORD dwFourCC = m_Choices[static_cast<size_t>(iShown)].dwFourCC;
    LRESULT cItems = SendMessageW(hSubtype, CB_GETCOUNT, 0, 0);
    for (LRESULT k = 0; k < cItems; ++k) {
        if (static_cast<DWORD>(SendMessageW(hSubtype, CB_GETITEMDATA, static_cast<WPARAM>(k), 0)) == dwFourCC) {
            SendMessageW(hSubtype, CB_SETCURSEL, static_cast<WPARAM>(k), 0);
            break;
        }
    }
    FillSizes(dwFourCC);
    SelectSize(iShown);
}

void FormatPage::OnCommand(WORD wId, WORD wCode) {
    if (wCode != CBN_SELCHANGE) return;
    HWND hCombo = GetDlgItem(Dialog(), wId);
    LRESULT iSel = SendMessageW(hCombo, CB_GETCURSEL, 0, 0);
    if (iSel < 0) return;
    LRESULT data = SendMessageW(hCombo, CB_GETITEMDATA, static_cast<WPARAM>(iSel), 0);

    if (wId == IDC_FMT_SUBTYPE) {
        DWORD dwFourCC = static_cast<DWORD>(data);
        FillSizes(dwFourCC);
        // Keep the chosen size when the new subtype has it, else its first size.
        int iPick = -1;
        for (size_t i = 0; i < m_Choices.size(); ++i) {
            const FormatChoice &c = m_Choices[i];
            if (c.dwFourCC != dwFourCC) continue;
            if (iPick < 0) iPick = static_cast<int>(i);
            if (m_iChosen >= 0 && c.lWidth == m_Choices[static_cast<size_t>(m_iChosen)].lWidth &&
                c.lHeight == m_Choices[static_cast<size_t>(m_iChosen)].lHeight) {
                iPick = static_cast<int>(i);
                break;
            }
        }
        Choose(iPick);
    } else if (wId == IDC_FMT_SIZE) {
        if (data >= 0 && static_cast<size_t>(data) < m_Choices.size()) Choose(static_cast<int>(data));
    }
}

HRESULT FormatPage::OnApply() {
    if (!m_pConfig || m_iChosen < 0) return S_OK;
    const FormatChoice &choice = m_Choices[static_cast<size_t>(m_iChosen)];
    WCHAR szFourCC[5];
    FourCCText(choice.dwFourCC, szFourCC);

    std::vector<BYTE> caps(m_cbCaps);
    MediaTypePtr pmt;
    HRESULT hr = m_pConfig->GetStreamCaps(choice.iCapIndex, &pmt, caps.data());
    if (SUCCEEDED(hr)) hr = pmt ? m_pConfig->SetFormat(pmt.Get()) : E_POINTER;

    WCHAR szStatus[256];
    if (SUCCEEDED(hr)) {
        m_iCurrent = m_iChosen;
        StringCchPrintfW(szStatus, ARRAYSIZE(szStatus), L"Format set: %s %ld x %ld", szFourCC,
                         static_cast<long>(choice.lWidth), static_cast<long>(choice.lHeight));
    } else {
        WCHAR szError[160];
        ErrorText(hr, szError, ARRAYSIZE(szError));
        StringCchPrintfW(szStatus, ARRAYSIZE(szStatus), L"%s %ld x %ld not set: %s (0x%08lX)", szFourCC,
                         static_cast<long>(choice.lWidth), static_cast<long>(choice.lHeight), szError,
                         static_cast<unsigned long>(hr));
    }
    SetStatusText(IDC_FMT_STATUS, szStatus);
    return hr;
}

}  // namespace

HRESULT SimCreateFormatPage(REFIID riid, void **ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return SimHandOut(new (std::nothrow) FormatPage(), riid, ppv);
}
