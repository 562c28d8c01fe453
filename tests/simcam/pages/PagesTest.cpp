// PagesTest.cpp - the simulated camera's property pages, created through COM
// as a frame creates them, against fake devices: what they show, what Apply
// writes, and how failures surface; then inside OleCreatePropertyFrame.
#include <windows.h>
#include <commctrl.h>
#include <dshow.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/CameraFixture.h"
#include "ComCreate.h"
#include "ComPtr.h"
#include "FakeDevice.h"
#include "MediaType.h"
#include "PageDriver.h"
#include "SimCamControl.h"
#include "server/SimGuids.h"
#include "pages/PageResources.h"

namespace {

const DWORD kYUY2 = MAKEFOURCC('Y', 'U', 'Y', '2');
const DWORD kMJPG = MAKEFOURCC('M', 'J', 'P', 'G');

const int kRowBrightness = 0;
const int kRowGamma = 4;
const int kRowWhiteBalance = 5;
const int kRowExposure = 6;

// A page made by COM and activated in a hidden window, released at the end.
class ActivePage {
public:
    explicit ActivePage(const CLSID &clsid) : m_hHost(nullptr) {
        m_hr = CreateComObject(clsid, IID_IPropertyPage, m_pPage);
        m_hHost = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 500, nullptr, nullptr, nullptr,
                                  nullptr);
    }
    ~ActivePage() {
        if (m_pPage) {
            if (Dialog()) m_pPage->Deactivate();
            m_pPage->SetObjects(0, nullptr);
            m_pPage.Clear();
        }
        if (m_hHost) DestroyWindow(m_hHost);
    }
    HRESULT Created() const { return m_hr; }
    IPropertyPage *operator->() const { return m_pPage.Get(); }

    HRESULT SetObject(IUnknown *pUnk) { return m_pPage->SetObjects(1, &pUnk); }
    HRESULT Activate() {
        RECT rc = {0, 0, 400, 300};
        return m_pPage->Activate(m_hHost, &rc, TRUE);
    }
    HWND Dialog() const { return GetWindow(m_hHost, GW_CHILD); }
    HWND Item(int id) const { return GetDlgItem(Dialog(), id); }
    std::wstring Text(int id) const { return WindowText(Item(id)); }

private:
    ComPtr<IPropertyPage> m_pPage;
    HWND m_hHost;
    HRESULT m_hr;
};

std::vector<std::wstring> ComboItems(HWND hCombo) {
    std::vector<std::wstring> items;
    LRESULT cItems = SendMessageW(hCombo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < cItems; ++i) {
        wchar_t szItem[64] = L"";
        if (SendMessageW(hCombo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < 64)
            SendMessageW(hCombo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(szItem));
        items.push_back(szItem);
    }
    return items;
}

std::wstring ComboSelection(HWND hCombo) {
    LRESULT iSel = SendMessageW(hCombo, CB_GETCURSEL, 0, 0);
    if (iSel < 0) return L"";
    std::vector<std::wstring> items = ComboItems(hCombo);
    return static_cast<size_t>(iSel) < items.size() ? items[static_cast<size_t>(iSel)] : L"";
}

long TrackPos(HWND hTrack) { return static_cast<long>(SendMessageW(hTrack, TBM_GETPOS, 0, 0)); }

// ---------------------------------------------------------------------------
// Image properties page

TEST(ImagePage, DescribesItselfAndRefusesObjectsWithoutImageControls) {
    ActivePage page(CLSID_SimCamImagePage);
    ASSERT_EQ(S_OK, page.Created());

    PROPPAGEINFO info = {};
    ASSERT_EQ(S_OK, page->GetPageInfo(&info));
    ASSERT_NE(nullptr, info.pszTitle);
    EXPECT_STREQ(L"Image Properties", info.pszTitle);
    EXPECT_GT(info.size.cx, 100);
    EXPECT_GT(info.size.cy, 100);
    CoTaskMemFree(info.pszTitle);
    EXPECT_EQ(E_NOTIMPL, page->Help(nullptr));
    EXPECT_EQ(E_UNEXPECTED, page->Show(SW_SHOW));  // not active yet

    FakeStreamConfig config({{kYUY2, 640, 480}}, sizeof(VIDEO_STREAM_CONFIG_CAPS));
    EXPECT_EQ(E_NOINTERFACE, page.SetObject(&config));
    EXPECT_EQ(1, config.Refs());
}

TEST(ImagePage, ShowsEachPropertyWithItsRangeValueAndMode) {
    FakeImageControls controls(true);
    {
        ActivePage page(CLSID_SimCamImagePage);
        ASSERT_EQ(S_OK, page.SetObject(&controls));
        ASSERT_EQ(S_OK, page.Activate());

        EXPECT_EQ(L"Brightness", page.Text(IDC_IMG_LABEL0 + kRowBrightness));
        HWND hTrack = page.Item(IDC_IMG_TRACK0 + kRowBrightness);
        EXPECT_EQ(0, SendMessageW(hTrack, TBM_GETRANGEMIN, 0, 0));
        EXPECT_EQ(255, SendMessageW(hTrack, TBM_GETRANGEMAX, 0, 0));
        EXPECT_EQ(100, TrackPos(hTrack));
        EXPECT_EQ(L"100", page.Text(IDC_IMG_VALUE0 + kRowBrightness));

        HWND hGamma = page.Item(IDC_IMG_TRACK0 + kRowGamma);
        EXPECT_EQ(72, SendMessageW(hGamma, TBM_GETRANGEMIN, 0, 0));
        EXPECT_EQ(500, SendMessageW(hGamma, TBM_GETRANGEMAX, 0, 0));

        // Automatic properties: the box is checked and the trackbar rests.
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page.Dialog(), IDC_IMG_AUTO0 + kRowWhiteBalance));
        EXPECT_FALSE(IsWindowEnabled(page.Item(IDC_IMG_TRACK0 + kRowWhiteBalance)));
        HWND hExposure = page.Item(IDC_IMG_TRACK0 + kRowExposure);
        EXPECT_EQ(-11, SendMessageW(hExposure, TBM_GETRANGEMIN, 0, 0));
        EXPECT_EQ(-1, SendMessageW(hExposure, TBM_GETRANGEMAX, 0, 0));
        EXPECT_EQ(L"-5", page.Text(IDC_IMG_VALUE0 + kRowExposure));
        EXPECT_EQ(S_FALSE, page->IsPageDirty());
    }
    EXPECT_EQ(1, controls.Refs());  // every reference the page took is given back
}

TEST(ImagePage, WritesOnlyTheMovedPropertyAndOnlyOnApply) {
    FakeImageControls controls(true);
    ActivePage page(CLSID_SimCamImagePage);
    ASSERT_EQ(S_OK, page.SetObject(&controls));
    ASSERT_EQ(S_OK, page.Activate());

    MoveTrackbar(page.Dialog(), IDC_IMG_TRACK0 + kRowBrightness, 200);
    EXPECT_EQ(L"200", page.Text(IDC_IMG_VALUE0 + kRowBrightness));
    EXPECT_EQ(S_OK, page->IsPageDirty());
    EXPECT_EQ(0, controls.procAmp[VideoProcAmp_Brightness].cSetCalls);

    ASSERT_EQ(S_OK, page->Apply());
    EXPECT_EQ(200, controls.procAmp[VideoProcAmp_Brightness].lValue);
    EXPECT_EQ(VideoProcAmp_Flags_Manual, controls.procAmp[VideoProcAmp_Brightness].lFlags);
    EXPECT_EQ(S_FALSE, page->IsPageDirty());
    int cOtherSets = 0;
    for (long p = VideoProcAmp_Contrast; p <= VideoProcAmp_WhiteBalance; ++p)
        cOtherSets += controls.procAmp[p].cSetCalls;
    EXPECT_EQ(0, cOtherSets + controls.exposure.cSetCalls);

    // Apply again: nothing pending, nothing written.
    ASSERT_EQ(S_OK, page->Apply());
    EXPECT_EQ(1, controls.procAmp[VideoProcAmp_Brightness].cSetCalls);
}

TEST(ImagePage, AutoBoxesSwitchModesAndManualValuesSnapToTheStep) {
    FakeImageControls controls(true);
    ActivePage page(CLSID_SimCamImagePage);
    ASSERT_EQ(S_OK, page.SetObject(&controls));
    ASSERT_EQ(S_OK, page.Activate());

    // White balance to manual, then a position between two steps of 10.
    ClickCheckBox(page.Dialog(), IDC_IMG_AUTO0 + kRowWhiteBalance);
    EXPECT_TRUE(IsWindowEnabled(page.Item(IDC_IMG_TRACK0 + kRowWhiteBalance)));
    MoveTrackbar(page.Dialog(), IDC_IMG_TRACK0 + kRowWhiteBalance, 3333);
    EXPECT_EQ(L"3330", page.Text(IDC_IMG_VALUE0 + kRowWhiteBalance));

    // Exposure to manual and back to automatic: automatic is written.
    ClickCheckBox(page.Dialog(), IDC_IMG_AUTO0 + kRowExposure);
    ClickCheckBox(page.Dialog(), IDC_IMG_AUTO0 + kRowExposure);

    ASSERT_EQ(S_OK, page->Apply());
    EXPECT_EQ(3330, controls.procAmp[VideoProcAmp_WhiteBalance].lValue);
    EXPECT_EQ(VideoProcAmp_Flags_Manual, controls.procAmp[VideoProcAmp_WhiteBalance].lFlags);
    EXPECT_EQ(0, controls.exposure.cSetCalls);  // back where it started: nothing to write
    EXPECT_EQ(CameraControl_Flags_Auto, controls.exposure.lFlags);

    ClickCheckBox(page.Dialog(), IDC_IMG_AUTO0 + kRowExposure);
    ASSERT_EQ(S_OK, page->Apply());
    EXPECT_EQ(CameraControl_Flags_Manual, controls.exposure.lFlags);
    EXPECT_EQ(-5, controls.exposure.lValue);
}

TEST(ImagePage, DefaultButtonRestoresTheReportedDefaults) {
    FakeImageControls controls(true);
    ActivePage page(CLSID_SimCamImagePage);
    ASSERT_EQ(S_OK, page.SetObject(&controls));
    ASSERT_EQ(S_OK, page.Activate());
    ClickButton(page.Dialog(), IDC_IMG_DEFAULT);
    EXPECT_EQ(128, TrackPos(page.Item(IDC_IMG_TRACK0 + kRowBrightness)));
    ASSERT_EQ(S_OK, page->Apply());
    EXPECT_EQ(128, controls.procAmp[VideoProcAmp_Brightness].lValue);
    EXPECT_EQ(0, controls.procAmp[VideoProcAmp_Contrast].cSetCalls);  // already at its default
}

TEST(ImagePage, FilterWithoutCameraControlLeavesExposureUnavailable) {
    FakeImageControls controls(false);
    ActivePage page(CLSID_SimCamImagePage);
    ASSERT_EQ(S_OK, page.SetObject(&controls));
    ASSERT_EQ(S_OK, page.Activate());
    EXPECT_FALSE(IsWindowEnabled(page.Item(IDC_IMG_TRACK0 + kRowExposure)));
    EXPECT_FALSE(IsWindowEnabled(page.Item(IDC_IMG_AUTO0 + kRowExposure)));
    EXPECT_EQ(L"-", page.Text(IDC_IMG_VALUE0 + kRowExposure));
    MoveTrackbar(page.Dialog(), IDC_IMG_TRACK0 + kRowGamma, 220);
    ASSERT_EQ(S_OK, page->Apply());
    EXPECT_EQ(220, controls.procAmp[VideoProcAmp_Gamma].lValue);
}

TEST(ImagePage, FailedSetIsShownOnThePageAndStaysPending) {
    FakeImageControls controls(true);
    controls.procAmp[VideoProcAmp_Contrast].hrSet = E_INVALIDARG;
    ActivePage page(CLSID_SimCamImagePage);
    ASSERT_EQ(S_OK, page.SetObject(&controls));
    ASSERT_EQ(S_OK, page.Activate());
    MoveTrackbar(page.Dialog(), IDC_IMG_TRACK0 + 1, 90);
    MoveTrackbar(page.Dialog(), IDC_IMG_TRACK0 + kRowBrightness, 10);

    EXPECT_EQ(E_INVALIDARG, page->Apply());
    EXPECT_EQ(10, controls.procAmp[VideoProcAmp_Brightness].lValue);  // the others are still written
    EXPECT_NE(std::wstring::npos, page.Text(IDC_IMG_STATUS).find(L"Contrast"));
    EXPECT_EQ(S_OK, page->IsPageDirty());

    controls.procAmp[VideoProcAmp_Contrast].hrSet = S_OK;
    EXPECT_EQ(S_OK, page->Apply());
    EXPECT_EQ(90, controls.procAmp[VideoProcAmp_Contrast].lValue);
    EXPECT_EQ(1, controls.procAmp[VideoProcAmp_Brightness].cSetCalls);
    EXPECT_EQ(L"", page.Text(IDC_IMG_STATUS));
}

// ---------------------------------------------------------------------------
// Stream format page

std::vector<FakeFormat> MixedCaps() {
    return {{kYUY2, 640, 480}, {kMJPG, 1280, 960}, {kYUY2, 320, 240}, {kMJPG, 640, 480}, {kYUY2, 640, 480}};
}

TEST(FormatPage, ListsSubtypesAndSizesInCapabilityOrderWithTheCurrentFormatSelected) {
    FakeStreamConfig config(MixedCaps(), sizeof(VIDEO_STREAM_CONFIG_CAPS));
    config.current = {kMJPG, 640, 480};
    {
        ActivePage page(CLSID_SimCamFormatPage);
        ASSERT_EQ(S_OK, page.SetObject(&config));
        ASSERT_EQ(S_OK, page.Activate());
        EXPECT_EQ((std::vector<std::wstring>{L"YUY2", L"MJPG"}), ComboItems(page.Item(IDC_FMT_SUBTYPE)));
        EXPECT_EQ(L"MJPG", ComboSelection(page.Item(IDC_FMT_SUBTYPE)));
        EXPECT_EQ((std::vector<std::wstring>{L"1280 x 960", L"640 x 480"}), ComboItems(page.Item(IDC_FMT_SIZE)));
        EXPECT_EQ(L"640 x 480", ComboSelection(page.Item(IDC_FMT_SIZE)));

        // YUY2 640x480 is listed twice by the pin and shown once.
        SelectComboItem(page.Dialog(), IDC_FMT_SUBTYPE, L"YUY2");
        EXPECT_EQ((std::vector<std::wstring>{L"640 x 480", L"320 x 240"}), ComboItems(page.Item(IDC_FMT_SIZE)));
        EXPECT_EQ(L"640 x 480", ComboSelection(page.Item(IDC_FMT_SIZE)));  // the size is kept
        EXPECT_EQ(S_OK, page->IsPageDirty());
    }
    EXPECT_EQ(0, config.cSetFormatCalls);  // nothing applied, nothing written
    EXPECT_EQ(1, config.Refs());
}

TEST(FormatPage, ApplySetsTheChosenCapability) {
    FakeStreamConfig config(MixedCaps(), sizeof(VIDEO_STREAM_CONFIG_CAPS));
    ActivePage page(CLSID_SimCamFormatPage);
    ASSERT_EQ(S_OK, page.SetObject(&config));
    ASSERT_EQ(S_OK, page.Activate());
    EXPECT_EQ(S_OK, page->Apply());  // nothing chosen yet
    EXPECT_EQ(0, config.cSetFormatCalls);

    SelectComboItem(page.Dialog(), IDC_FMT_SUBTYPE, L"MJPG");
    SelectComboItem(page.Dialog(), IDC_FMT_SIZE, L"1280 x 960");
    ASSERT_EQ(S_OK, page->Apply());
    EXPECT_EQ(1, config.cSetFormatCalls);
    EXPECT_EQ(kMJPG, config.current.dwFourCC);
    EXPECT_EQ(1280, config.current.lWidth);
    EXPECT_EQ(960, config.current.lHeight);
    EXPECT_EQ(L"Format set: MJPG 1280 x 960", page.Text(IDC_FMT_STATUS));
    EXPECT_EQ(S_FALSE, page->IsPageDirty());
}

TEST(FormatPage, SetFormatFailureIsShownOnThePageNotReportedAsSuccess) {
    FakeStreamConfig config(MixedCaps(), sizeof(VIDEO_STREAM_CONFIG_CAPS));
    config.hrSetFormat = VFW_E_NOT_STOPPED;
    ActivePage page(CLSID_SimCamFormatPage);
    ASSERT_EQ(S_OK, page.SetObject(&config));
    ASSERT_EQ(S_OK, page.Activate());
    SelectComboItem(page.Dialog(), IDC_FMT_SIZE, L"320 x 240");

    EXPECT_EQ(VFW_E_NOT_STOPPED, page->Apply());
    std::wstring status = page.Text(IDC_FMT_STATUS);
    EXPECT_NE(std::wstring::npos, status.find(L"stopped")) << std::string(status.begin(), status.end());
    EXPECT_NE(std::wstring::npos, status.find(L"0x80040224"));
    EXPECT_EQ(S_OK, page->IsPageDirty());
    EXPECT_EQ(640, config.current.lWidth);

    config.hrSetFormat = VFW_E_WRONG_STATE;
    EXPECT_EQ(VFW_E_WRONG_STATE, page->Apply());
    EXPECT_NE(std::wstring::npos, page.Text(IDC_FMT_STATUS).find(L"state"));
}

TEST(FormatPage, PinReportingAShortCapabilitySizeStillWorks) {
    // The pin claims 64-byte capabilities but writes a whole video capability.
    FakeStreamConfig config(MixedCaps(), 64);
    ActivePage page(CLSID_SimCamFormatPage);
    ASSERT_EQ(S_OK, page.SetObject(&config));
    ASSERT_EQ(S_OK, page.Activate());
    EXPECT_EQ(2u, ComboItems(page.Item(IDC_FMT_SUBTYPE)).size());
    SelectComboItem(page.Dialog(), IDC_FMT_SIZE, L"320 x 240");
    ASSERT_EQ(S_OK, page->Apply());
    EXPECT_EQ(320, config.current.lWidth);
}

TEST(FormatPage, PinWithoutUsableFormatsSaysSo) {
    FakeStreamConfig config({{MAKEFOURCC('N', 'V', '1', '2'), 640, 480}}, sizeof(VIDEO_STREAM_CONFIG_CAPS));
    ActivePage page(CLSID_SimCamFormatPage);
    ASSERT_EQ(S_OK, page.SetObject(&config));
    ASSERT_EQ(S_OK, page.Activate());
    EXPECT_TRUE(ComboItems(page.Item(IDC_FMT_SUBTYPE)).empty());
    EXPECT_FALSE(page.Text(IDC_FMT_STATUS).empty());
    EXPECT_EQ(S_OK, page->Apply());
    EXPECT_EQ(0, config.cSetFormatCalls);
}

// ---------------------------------------------------------------------------
// Inside the platform's property frame

HRESULT ShowFrame(IUnknown *pObject, const CLSID &page) {
    CLSID pages[1] = {page};
    return OleCreatePropertyFrame(nullptr, 30, 30, nullptr, 1, &pObject, 1, pages, 0, 0, nullptr);
}

TEST(PropertyFrame, OkWritesTheImagePageAndCancelDoesNot) {
    FakeImageControls controls(true);
    {
        FrameDriver driver(
            IDC_IMG_TRACK0, [](HWND, HWND hPage) { MoveTrackbar(hPage, IDC_IMG_TRACK0 + kRowBrightness, 42); },
            IDCANCEL);
        EXPECT_EQ(S_OK, ShowFrame(&controls, CLSID_SimCamImagePage));
        driver.Join();
        ASSERT_TRUE(driver.FoundFrame());
    }
    EXPECT_EQ(0, controls.procAmp[VideoProcAmp_Brightness].cSetCalls);

    FrameDriver driver(
        IDC_IMG_TRACK0, [](HWND, HWND hPage) { MoveTrackbar(hPage, IDC_IMG_TRACK0 + kRowBrightness, 42); }, IDOK);
    EXPECT_EQ(S_OK, ShowFrame(&controls, CLSID_SimCamImagePage));
    driver.Join();
    ASSERT_TRUE(driver.FoundFrame());
    EXPECT_EQ(42, controls.procAmp[VideoProcAmp_Brightness].lValue);
    EXPECT_EQ(1, controls.Refs());
}

// ---------------------------------------------------------------------------
// The simulated camera's own capture filter: its pages as the viewer opens
// them, changing the camera.

IBaseFilter *CreateCameraFilter() {
    ComPtr<IBaseFilter> pFilter;
    HRESULT hr = CreateComObject(CLSID_SimCamSource, IID_IBaseFilter, pFilter);
    EXPECT_EQ(S_OK, hr);
    return pFilter.Detach();
}

// The output pin whose category is PIN_CATEGORY_CAPTURE (one reference), or null.
IPin *FindCapturePin(IBaseFilter *pFilter) {
    IEnumPins *pEnum = nullptr;
    if (FAILED(pFilter->EnumPins(&pEnum))) return nullptr;
    IPin *pFound = nullptr;
    IPin *pPin = nullptr;
    while (!pFound && pEnum->Next(1, &pPin, nullptr) == S_OK) {
        IKsPropertySet *pKs = nullptr;
        GUID category = GUID_NULL;
        DWORD cb = 0;
        if (SUCCEEDED(pPin->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void **>(&pKs)))) {
            if (SUCCEEDED(
                    pKs->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof(category), &cb)) &&
                category == PIN_CATEGORY_CAPTURE) {
                pFound = pPin;
                pFound->AddRef();
            }
            pKs->Release();
        }
        pPin->Release();
    }
    pEnum->Release();
    return pFound;
}

// The pages an object names through ISpecifyPropertyPages, in a modal frame.
HRESULT ShowOwnPages(IUnknown *pObject, std::vector<CLSID> *pPages) {
    ISpecifyPropertyPages *pSpecify = nullptr;
    HRESULT hr = pObject->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void **>(&pSpecify));
    if (FAILED(hr)) return hr;
    CAUUID pages = {0, nullptr};
    hr = pSpecify->GetPages(&pages);
    pSpecify->Release();
    if (FAILED(hr)) return hr;
    pPages->assign(pages.pElems, pages.pElems + pages.cElems);
    hr = OleCreatePropertyFrame(nullptr, 30, 30, nullptr, 1, &pObject, pages.cElems, pages.pElems, 0, 0, nullptr);
    CoTaskMemFree(pages.pElems);
    return hr;
}

class CameraPagesTest : public CameraTest {
protected:
    void SetUp() override {
        CameraTest::SetUp();
        m_pFilter = CreateCameraFilter();
        ASSERT_NE(nullptr, m_pFilter);
    }
    void TearDown() override {
        if (m_pFilter) m_pFilter->Release();
        CameraTest::TearDown();
    }
    IBaseFilter *m_pFilter = nullptr;
};

TEST_F(CameraPagesTest, FilterImagePageChangesTheCamera) {
    std::vector<CLSID> pages;
    FrameDriver driver(
        IDC_IMG_TRACK0,
        [](HWND, HWND hPage) {
            MoveTrackbar(hPage, IDC_IMG_TRACK0 + kRowBrightness, 200);
            MoveTrackbar(hPage, IDC_IMG_TRACK0 + kRowGamma, 150);
            ClickCheckBox(hPage, IDC_IMG_AUTO0 + kRowExposure);  // automatic -> manual
            MoveTrackbar(hPage, IDC_IMG_TRACK0 + kRowExposure, -8);
        },
        IDOK);
    ASSERT_EQ(S_OK, ShowOwnPages(m_pFilter, &pages));
    driver.Join();
    ASSERT_TRUE(driver.FoundFrame());
    ASSERT_EQ(1u, pages.size());
    EXPECT_TRUE(IsEqualCLSID(CLSID_SimCamImagePage, pages[0]));

    IAMVideoProcAmp *pProcAmp = nullptr;
    IAMCameraControl *pCameraControl = nullptr;
    ASSERT_EQ(S_OK, m_pFilter->QueryInterface(IID_IAMVideoProcAmp, reinterpret_cast<void **>(&pProcAmp)));
    ASSERT_EQ(S_OK, m_pFilter->QueryInterface(IID_IAMCameraControl, reinterpret_cast<void **>(&pCameraControl)));
    long lValue = 0, lFlags = 0;
    EXPECT_EQ(S_OK, pProcAmp->Get(VideoProcAmp_Brightness, &lValue, &lFlags));
    EXPECT_EQ(200, lValue);
    EXPECT_EQ(S_OK, pProcAmp->Get(VideoProcAmp_Gamma, &lValue, &lFlags));
    EXPECT_EQ(150, lValue);
    EXPECT_EQ(S_OK, pCameraControl->Get(CameraControl_Exposure, &lValue, &lFlags));
    EXPECT_EQ(-8, lValue);
    EXPECT_EQ(CameraControl_Flags_Manual, lFlags);
    pProcAmp->Release();
    pCameraControl->Release();

    // A second filter on the same camera reads the same values.
    IBaseFilter *pOther = CreateCameraFilter();
    ASSERT_NE(nullptr, pOther);
    ASSERT_EQ(S_OK, pOther->QueryInterface(IID_IAMVideoProcAmp, reinterpret_cast<void **>(&pProcAmp)));
    EXPECT_EQ(S_OK, pProcAmp->Get(VideoProcAmp_Brightness, &lValue, &lFlags));
    EXPECT_EQ(200, lValue);
    pProcAmp->Release();
    pOther->Release();
}

TEST_F(CameraPagesTest, CapturePinFormatPageSetsTheFormat) {
    IPin *pPin = FindCapturePin(m_pFilter);
    ASSERT_NE(nullptr, pPin);
    IAMStreamConfig *pConfig = nullptr;
    ASSERT_EQ(S_OK, pPin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void **>(&pConfig)));
    pPin->Release();

    std::wstring initialSubtype;
    std::vector<CLSID> pages;
    FrameDriver driver(
        IDC_FMT_SUBTYPE,
        [&](HWND, HWND hPage) {
            initialSubtype = ComboSelection(GetDlgItem(hPage, IDC_FMT_SUBTYPE));
            SelectComboItem(hPage, IDC_FMT_SUBTYPE, L"MJPG");
            SelectComboItem(hPage, IDC_FMT_SIZE, L"1280 x 960");
        },
        IDOK);
    // As the viewer does it: the stream configuration is the frame's object.
    ASSERT_EQ(S_OK, ShowOwnPages(pConfig, &pages));
    driver.Join();
    ASSERT_TRUE(driver.FoundFrame());
    ASSERT_EQ(1u, pages.size());
    EXPECT_TRUE(IsEqualCLSID(CLSID_SimCamFormatPage, pages[0]));
    EXPECT_EQ(L"YUY2", initialSubtype);  // the scenario's first capture format

    MediaTypePtr pmt;
    ASSERT_EQ(S_OK, pConfig->GetFormat(&pmt));
    ASSERT_TRUE(pmt);
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_MJPG, pmt->subtype));
    ASSERT_TRUE(IsEqualGUID(FORMAT_VideoInfo, pmt->formattype));
    ASSERT_GE(pmt->cbFormat, sizeof(VIDEOINFOHEADER));
    const VIDEOINFOHEADER *pVih = reinterpret_cast<const VIDEOINFOHEADER *>(pmt->pbFormat);
    EXPECT_EQ(1280, pVih->bmiHeader.biWidth);
    EXPECT_EQ(960, pVih->bmiHeader.biHeight);
    pmt.Clear();
    pConfig->Release();
}

TEST_F(CameraPagesTest, FormatPageOfAPausedFilterShowsWhyNothingChanged) {
    IPin *pPin = FindCapturePin(m_pFilter);
    ASSERT_NE(nullptr, pPin);
    IAMStreamConfig *pConfig = nullptr;
    ASSERT_EQ(S_OK, pPin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void **>(&pConfig)));
    pPin->Release();
    ASSERT_TRUE(SUCCEEDED(m_pFilter->Pause()));

    std::wstring status;
    bool bStayedOpen = false;
    std::vector<CLSID> pages;
    FrameDriver driver(
        IDC_FMT_SUBTYPE,
        [&](HWND hFrame, HWND hPage) {
            SelectComboItem(hPage, IDC_FMT_SIZE, L"320 x 240");
            PressFrameButton(hFrame, IDOK);
            Sleep(500);
            bStayedOpen = IsWindowVisible(hFrame) != FALSE;
            status = WindowText(GetDlgItem(hPage, IDC_FMT_STATUS));
        },
        IDCANCEL);
    ASSERT_EQ(S_OK, ShowOwnPages(pConfig, &pages));
    driver.Join();
    EXPECT_TRUE(SUCCEEDED(m_pFilter->Stop()));
    ASSERT_TRUE(driver.FoundFrame());
    EXPECT_TRUE(bStayedOpen);
    EXPECT_NE(std::wstring::npos, status.find(L"stopped")) << std::string(status.begin(), status.end());

    MediaTypePtr pmt;
    ASSERT_EQ(S_OK, pConfig->GetFormat(&pmt));
    EXPECT_EQ(640, reinterpret_cast<const VIDEOINFOHEADER *>(pmt->pbFormat)->bmiHeader.biWidth);
    pmt.Clear();
    pConfig->Release();
}

}  // namespace
