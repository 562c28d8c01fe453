// FilterTest.cpp - the capture filter bound from the device moniker, while it
// is not streaming: the interfaces it and its pins expose, pin categories,
// every capability through GetStreamCaps/SetFormat/GetFormat/EnumMediaTypes,
// image controls, the video control's modes, and the scenario variants.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>
#include <strsafe.h>

#include "DShowTestSupport.h"
#include "server/SimGuids.h"
#include "include/SimCamControl.h"

using namespace dshowtest;

namespace {

template <class T>
bool Exposes(IUnknown *pUnk, const IID &iid) {
    T *p = nullptr;
    HRESULT hr = pUnk->QueryInterface(iid, reinterpret_cast<void **>(&p));
    if (p) p->Release();
    return hr == S_OK;
}

bool ExposesAny(IUnknown *pUnk, const IID &iid) { return Exposes<IUnknown>(pUnk, iid); }

GUID CategoryOf(IPin *pPin) {
    GUID category = GUID_NULL;
    ComPtr<IKsPropertySet> pProps;
    DWORD cbReturned = 0;
    if (SUCCEEDED(pPin->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void **>(&pProps)))) {
        (void)pProps->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof(category),
                          &cbReturned);
    }
    return category;
}

std::vector<FormatInfo> Enumerated(IPin *pPin) {
    std::vector<FormatInfo> infos;
    ComPtr<IEnumMediaTypes> pEnum;
    if (FAILED(pPin->EnumMediaTypes(&pEnum))) return infos;
    MediaTypePtr pmt;
    while (pEnum->Next(1, &pmt, nullptr) == S_OK) infos.push_back(InfoOf(pmt.Get()));
    return infos;
}

bool SameFormat(const FormatInfo &a, const FormatInfo &b) {
    return a.fourcc == b.fourcc && a.width == b.width && a.height == b.height;
}

std::string Describe(const FormatInfo &info) {
    char sz[64];
    char szFourcc[5] = {static_cast<char>(info.fourcc), static_cast<char>(info.fourcc >> 8),
                        static_cast<char>(info.fourcc >> 16), static_cast<char>(info.fourcc >> 24), 0};
    (void)StringCchPrintfA(sz, ARRAYSIZE(sz), "%s %ldx%ld", szFourcc, info.width, info.height);
    return sz;
}

class FilterTest : public CameraTest {
protected:
    void SetUp() override {
        CameraTest::SetUp();
        ASSERT_EQ(S_OK, BindVideoDevice(0, &m_pFilter));
    }
    void TearDown() override {
        m_pFilter.Clear();
        CameraTest::TearDown();
    }
    // Rebinds the filter after a scenario change.
    void Rebind(const char *pszScenario) {
        m_pFilter.Clear();
        ASSERT_TRUE(m_camera.Load(pszScenario));
        ASSERT_EQ(S_OK, BindVideoDevice(0, &m_pFilter));
    }
    void CheckRoundTrip(const GUID &category);

    ComPtr<IBaseFilter> m_pFilter;
};

}  // namespace

TEST_F(FilterTest, FilterExposesCameraInterfacesButNoStreamConfiguration) {
    IUnknown *pUnk = m_pFilter.Get();
    for (const IID *pIid :
         {&IID_IBaseFilter, &IID_IMediaFilter, &IID_IPersist, &IID_IPersistPropertyBag, &IID_IAMVideoControl,
          &IID_IAMVideoProcAmp, &IID_IAMCameraControl, &IID_ISpecifyPropertyPages, &IID_IAMFilterMiscFlags}) {
        EXPECT_TRUE(ExposesAny(pUnk, *pIid));
    }
    // The capture graph builder asks the filter first: stream configuration
    // and pin properties must stay on the pins.
    for (const IID *pIid : {&IID_IAMStreamConfig, &IID_IKsPropertySet, &IID_IPin, &IID_IMemInputPin}) {
        EXPECT_FALSE(ExposesAny(pUnk, *pIid));
    }

    ComPtr<IAMFilterMiscFlags> pFlags;
    ASSERT_EQ(S_OK, m_pFilter->QueryInterface(IID_IAMFilterMiscFlags, reinterpret_cast<void **>(&pFlags)));
    EXPECT_EQ(static_cast<ULONG>(AM_FILTER_MISC_FLAGS_IS_SOURCE), pFlags->GetMiscFlags());

    ComPtr<ISpecifyPropertyPages> pPages;
    ASSERT_EQ(S_OK, m_pFilter->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void **>(&pPages)));
    CAUUID pages = {0, nullptr};
    ASSERT_EQ(S_OK, pPages->GetPages(&pages));
    ASSERT_EQ(1u, pages.cElems);
    EXPECT_TRUE(IsEqualGUID(CLSID_SimCamImagePage, pages.pElems[0]));
    CoTaskMemFree(pages.pElems);
}

TEST_F(FilterTest, PinsAreCaptureAndStillFoundByCategoryWithoutPreview) {
    ComPtr<IPin> pCapture, pStill, pPreview;
    ASSERT_EQ(S_OK, FindPinByCategory(m_pFilter.Get(), PIN_CATEGORY_CAPTURE, &pCapture));
    ASSERT_EQ(S_OK, FindPinByCategory(m_pFilter.Get(), PIN_CATEGORY_STILL, &pStill));
    EXPECT_TRUE(FAILED(FindPinByCategory(m_pFilter.Get(), PIN_CATEGORY_PREVIEW, &pPreview)));
    EXPECT_NE(pCapture.Get(), pStill.Get());
    EXPECT_TRUE(IsEqualGUID(PIN_CATEGORY_CAPTURE, CategoryOf(pCapture.Get())));
    EXPECT_TRUE(IsEqualGUID(PIN_CATEGORY_STILL, CategoryOf(pStill.Get())));

    // Names, direction and owner; the filter finds them by id.
    for (IPin *pPin : {pCapture.Get(), pStill.Get()}) {
        PIN_INFO info;
        ASSERT_EQ(S_OK, pPin->QueryPinInfo(&info));
        EXPECT_EQ(PINDIR_OUTPUT, info.dir);
        EXPECT_EQ(m_pFilter.Get(), info.pFilter);
        info.pFilter->Release();
        ComPtr<IPin> pById;
        EXPECT_EQ(S_OK, m_pFilter->FindPin(info.achName, &pById));
        EXPECT_EQ(pPin, pById.Get());
    }
    ComPtr<IPin> pNone;
    EXPECT_EQ(VFW_E_NOT_FOUND, m_pFilter->FindPin(L"Preview", &pNone));

    // FindInterface reaches each pin's own stream configuration.
    for (IPin *pPin : {pCapture.Get(), pStill.Get()}) {
        ComPtr<IAMStreamConfig> pConfig;
        ASSERT_EQ(S_OK, StreamConfigOf(m_pFilter.Get(), CategoryOf(pPin), &pConfig));
        ComPtr<IPin> pOwner;
        ASSERT_EQ(S_OK, pConfig->QueryInterface(IID_IPin, reinterpret_cast<void **>(&pOwner)));
        EXPECT_EQ(pPin, pOwner.Get());
        EXPECT_FALSE(ExposesAny(pPin, IID_IMemInputPin));
    }

    // The category is read-only and the only property of the set.
    ComPtr<IKsPropertySet> pProps;
    ASSERT_EQ(S_OK, pCapture->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void **>(&pProps)));
    GUID category = PIN_CATEGORY_STILL;
    DWORD dwSupport = 0, cbReturned = 0;
    EXPECT_EQ(S_OK, pProps->QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &dwSupport));
    EXPECT_EQ(static_cast<DWORD>(KSPROPERTY_SUPPORT_GET), dwSupport);
    EXPECT_TRUE(FAILED(pProps->Set(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof(category))));
    EXPECT_TRUE(FAILED(pProps->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 4, &cbReturned)));
    EXPECT_EQ(E_PROP_SET_UNSUPPORTED,
              pProps->Get(PIN_CATEGORY_CAPTURE, 0, nullptr, 0, &category, sizeof(category), &cbReturned));

    // The format page sits on the capture pin (reached from its stream
    // configuration), not on the still pin.
    ComPtr<IAMStreamConfig> pCaptureConfig;
    ASSERT_EQ(S_OK, StreamConfigOf(m_pFilter.Get(), PIN_CATEGORY_CAPTURE, &pCaptureConfig));
    ComPtr<ISpecifyPropertyPages> pPages;
    ASSERT_EQ(S_OK, pCaptureConfig->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void **>(&pPages)));
    CAUUID pages = {0, nullptr};
    ASSERT_EQ(S_OK, pPages->GetPages(&pages));
    ASSERT_EQ(1u, pages.cElems);
    EXPECT_TRUE(IsEqualGUID(CLSID_SimCamFormatPage, pages.pElems[0]));
    CoTaskMemFree(pages.pElems);
    EXPECT_FALSE(ExposesAny(pStill.Get(), IID_ISpecifyPropertyPages));

    // Pins count their references on the filter.
    ULONG ulBefore = m_pFilter->AddRef();
    pCapture->AddRef();
    EXPECT_EQ(ulBefore + 2, m_pFilter->AddRef());
    m_pFilter->Release();
    pCapture->Release();
    m_pFilter->Release();
}

void FilterTest::CheckRoundTrip(const GUID &category) {
    ComPtr<IAMStreamConfig> pConfig;
    ASSERT_EQ(S_OK, StreamConfigOf(m_pFilter.Get(), category, &pConfig));
    ComPtr<IPin> pPin;
    ASSERT_EQ(S_OK, pConfig->QueryInterface(IID_IPin, reinterpret_cast<void **>(&pPin)));
    int iCount = 0, iSize = 0;
    ASSERT_EQ(S_OK, pConfig->GetNumberOfCapabilities(&iCount, &iSize));
    ASSERT_GT(iCount, 0);
    ASSERT_EQ(static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)), iSize);
    ASSERT_EQ(128, iSize);

    std::vector<FormatInfo> caps;
    for (int i = 0; i < iCount; ++i) {
        MediaTypePtr pmt;
        VIDEO_STREAM_CONFIG_CAPS scc;
        ASSERT_EQ(S_OK, pConfig->GetStreamCaps(i, &pmt, reinterpret_cast<BYTE *>(&scc)));
        FormatInfo info = InfoOf(pmt.Get());
        SCOPED_TRACE(Describe(info));
        caps.push_back(info);
        EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, pmt->majortype));
        EXPECT_TRUE(info.fourcc == kYuy2 || info.fourcc == kMjpg);
        EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, scc.guid));
        EXPECT_EQ(info.width, scc.InputSize.cx);
        EXPECT_EQ(info.height, scc.InputSize.cy);
        EXPECT_EQ(info.width, scc.MaxOutputSize.cx);
        EXPECT_EQ(info.height, scc.MinOutputSize.cy);
        EXPECT_LE(scc.MinFrameInterval, info.interval);
        EXPECT_GE(scc.MaxFrameInterval, info.interval);
        const VIDEOINFOHEADER *pVih = reinterpret_cast<const VIDEOINFOHEADER *>(pmt->pbFormat);
        EXPECT_EQ(info.fourcc, pVih->bmiHeader.biCompression);
        if (info.fourcc == kYuy2) {
            EXPECT_EQ(static_cast<DWORD>(info.width * info.height * 2), pVih->bmiHeader.biSizeImage);
        }
        EXPECT_EQ(S_OK, pPin->QueryAccept(pmt.Get()));

        // Set it, read it back, and find it first in the enumeration.
        ASSERT_EQ(S_OK, pConfig->SetFormat(pmt.Get()));
        MediaTypePtr pCurrent;
        ASSERT_EQ(S_OK, pConfig->GetFormat(&pCurrent));
        EXPECT_TRUE(SameFormat(info, InfoOf(pCurrent.Get())));
        std::vector<FormatInfo> listed = Enumerated(pPin.Get());
        ASSERT_FALSE(listed.empty());
        EXPECT_TRUE(SameFormat(info, listed[0]));
    }
    // After the current format, the enumeration lists the capabilities in order.
    std::vector<FormatInfo> listed = Enumerated(pPin.Get());
    ASSERT_EQ(caps.size() + 1, listed.size());
    for (size_t i = 0; i < caps.size(); ++i) EXPECT_TRUE(SameFormat(caps[i], listed[i + 1])) << i;

    MediaTypePtr pmt;
    BYTE abCaps[128];
    EXPECT_EQ(S_FALSE, pConfig->GetStreamCaps(iCount, &pmt, abCaps));
    EXPECT_EQ(S_FALSE, pConfig->GetStreamCaps(-1, &pmt, abCaps));
    EXPECT_EQ(E_POINTER, pConfig->GetStreamCaps(0, nullptr, abCaps));
    EXPECT_EQ(E_POINTER, pConfig->GetStreamCaps(0, &pmt, nullptr));
    EXPECT_EQ(E_POINTER, pConfig->GetNumberOfCapabilities(nullptr, &iSize));
}

TEST_F(FilterTest, EveryCapabilityRoundTripsOnBothPins) {
    {
        SCOPED_TRACE("capture pin");
        CheckRoundTrip(PIN_CATEGORY_CAPTURE);
    }
    {
        SCOPED_TRACE("still pin");
        CheckRoundTrip(PIN_CATEGORY_STILL);
    }
}

TEST_F(FilterTest, PinsOfferTheCamerasSizes) {
    auto Offers = [&](const GUID &category, DWORD dwFourcc, LONG lWidth, LONG lHeight) {
        ComPtr<IAMStreamConfig> pConfig;
        if (FAILED(StreamConfigOf(m_pFilter.Get(), category, &pConfig))) return false;
        int iCount = 0, iSize = 0;
        if (FAILED(pConfig->GetNumberOfCapabilities(&iCount, &iSize))) return false;
        bool bFound = false;
        for (int i = 0; i < iCount && !bFound; ++i) {
            MediaTypePtr pmt;
            VIDEO_STREAM_CONFIG_CAPS scc;
            if (pConfig->GetStreamCaps(i, &pmt, reinterpret_cast<BYTE *>(&scc)) != S_OK) continue;
            FormatInfo info = InfoOf(pmt.Get());
            bFound = info.fourcc == dwFourcc && info.width == lWidth && info.height == lHeight;
        }
        return bFound;
    };
    for (DWORD dwFourcc : {kYuy2, kMjpg}) {
        EXPECT_TRUE(Offers(PIN_CATEGORY_CAPTURE, dwFourcc, 640, 480));
        EXPECT_TRUE(Offers(PIN_CATEGORY_CAPTURE, dwFourcc, 1280, 960));
        EXPECT_TRUE(Offers(PIN_CATEGORY_CAPTURE, dwFourcc, 2592, 1944));
    }
    EXPECT_TRUE(Offers(PIN_CATEGORY_STILL, kMjpg, 2592, 1944));
}

TEST_F(FilterTest, SetFormatRefusesWhatThePinCannotDeliver) {
    ComPtr<IAMStreamConfig> pConfig;
    ASSERT_EQ(S_OK, StreamConfigOf(m_pFilter.Get(), PIN_CATEGORY_STILL, &pConfig));
    int iCount = 0, iSize = 0;
    ASSERT_EQ(S_OK, pConfig->GetNumberOfCapabilities(&iCount, &iSize));
    EXPECT_EQ(E_POINTER, pConfig->SetFormat(nullptr));

    // Find the still pin's YUY2 2592x1944 capability.
    MediaTypePtr pmt;
    VIDEO_STREAM_CONFIG_CAPS scc;
    for (int i = 0; i < iCount; ++i) {
        ASSERT_EQ(S_OK, pConfig->GetStreamCaps(i, &pmt, reinterpret_cast<BYTE *>(&scc)));
        FormatInfo info = InfoOf(pmt.Get());
        if (info.fourcc == kYuy2 && info.width == 2592) break;
        pmt.Clear();
    }
    ASSERT_TRUE(pmt);
    ASSERT_EQ(S_OK, pConfig->SetFormat(pmt.Get()));
    VIDEOINFOHEADER *pVih = reinterpret_cast<VIDEOINFOHEADER *>(pmt->pbFormat);

    auto CurrentIs = [&](DWORD dwFourcc, LONG lWidth) {
        MediaTypePtr pCurrent;
        if (pConfig->GetFormat(&pCurrent) != S_OK) return false;
        FormatInfo info = InfoOf(pCurrent.Get());
        const VIDEOINFOHEADER *pCurVih = reinterpret_cast<const VIDEOINFOHEADER *>(pCurrent->pbFormat);
        return info.fourcc == dwFourcc && info.width == lWidth && pCurVih->bmiHeader.biCompression == dwFourcc;
    };

    // Another major type, a size not offered, a rate too fast: refused, and
    // the format stays.
    GUID major = pmt->majortype;
    pmt->majortype = MEDIATYPE_Audio;
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, pConfig->SetFormat(pmt.Get()));
    pmt->majortype = major;
    pVih->bmiHeader.biWidth = 800;
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, pConfig->SetFormat(pmt.Get()));
    pVih->bmiHeader.biWidth = 2592;
    pVih->AvgTimePerFrame = 10000;  // 1000 fps
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, pConfig->SetFormat(pmt.Get()));
    EXPECT_TRUE(CurrentIs(kYuy2, 2592));

    // The viewer's way of asking for MJPG: the capability of that size with
    // its subtype replaced and its format block unchanged. The pin delivers
    // MJPG and says so in its own header.
    pVih->AvgTimePerFrame = 0;
    pmt->subtype = MEDIASUBTYPE_MJPG;
    EXPECT_EQ(S_OK, pConfig->SetFormat(pmt.Get()));
    EXPECT_TRUE(CurrentIs(kMjpg, 2592));

    // A slower rate than the fastest is kept.
    ComPtr<IAMStreamConfig> pCapture;
    ASSERT_EQ(S_OK, StreamConfigOf(m_pFilter.Get(), PIN_CATEGORY_CAPTURE, &pCapture));
    ASSERT_EQ(S_OK, pCapture->GetStreamCaps(0, &pmt, reinterpret_cast<BYTE *>(&scc)));
    reinterpret_cast<VIDEOINFOHEADER *>(pmt->pbFormat)->AvgTimePerFrame = 666666;
    EXPECT_EQ(S_OK, pCapture->SetFormat(pmt.Get()));
    ASSERT_EQ(S_OK, pCapture->GetFormat(&pmt));
    EXPECT_EQ(666666, InfoOf(pmt.Get()).interval);
}

TEST_F(FilterTest, ImageControlsReadAndWriteTheCamera) {
    ComPtr<IAMVideoProcAmp> pProcAmp;
    ComPtr<IAMCameraControl> pCameraControl;
    ASSERT_EQ(S_OK, m_pFilter->QueryInterface(IID_IAMVideoProcAmp, reinterpret_cast<void **>(&pProcAmp)));
    ASSERT_EQ(S_OK, m_pFilter->QueryInterface(IID_IAMCameraControl, reinterpret_cast<void **>(&pCameraControl)));

    for (long lProperty : {VideoProcAmp_Brightness, VideoProcAmp_Contrast, VideoProcAmp_Saturation,
                           VideoProcAmp_Sharpness, VideoProcAmp_Gamma, VideoProcAmp_WhiteBalance}) {
        SCOPED_TRACE(lProperty);
        long lMin = 0, lMax = 0, lStep = 0, lDefault = 0, lCaps = 0;
        ASSERT_EQ(S_OK, pProcAmp->GetRange(lProperty, &lMin, &lMax, &lStep, &lDefault, &lCaps));
        EXPECT_LT(lMin, lMax);
        EXPECT_TRUE(lDefault >= lMin && lDefault <= lMax);
        EXPECT_NE(0, lCaps & VideoProcAmp_Flags_Manual);
        EXPECT_EQ(S_OK, pProcAmp->Set(lProperty, lMax, VideoProcAmp_Flags_Manual));
        long lValue = 0, lFlags = 0;
        EXPECT_EQ(S_OK, pProcAmp->Get(lProperty, &lValue, &lFlags));
        EXPECT_EQ(lMax, lValue);
        EXPECT_EQ(VideoProcAmp_Flags_Manual, lFlags);
        EXPECT_EQ(E_INVALIDARG, pProcAmp->Set(lProperty, lMax + lStep, VideoProcAmp_Flags_Manual));
        EXPECT_EQ(E_INVALIDARG, pProcAmp->Set(lProperty, lMin - lStep, VideoProcAmp_Flags_Manual));
        EXPECT_EQ(E_INVALIDARG, pProcAmp->Set(lProperty, lMin, 0));
    }

    // White balance and exposure may be automatic; the value stays readable.
    long lValue = 0, lFlags = 0;
    EXPECT_EQ(S_OK, pProcAmp->Set(VideoProcAmp_WhiteBalance, 0, VideoProcAmp_Flags_Auto));
    EXPECT_EQ(S_OK, pProcAmp->Get(VideoProcAmp_WhiteBalance, &lValue, &lFlags));
    EXPECT_EQ(VideoProcAmp_Flags_Auto, lFlags);
    EXPECT_EQ(E_INVALIDARG, pProcAmp->Set(VideoProcAmp_Brightness, 0, VideoProcAmp_Flags_Auto));

    long lMin = 0, lMax = 0, lStep = 0, lDefault = 0, lCaps = 0;
    ASSERT_EQ(S_OK, pCameraControl->GetRange(CameraControl_Exposure, &lMin, &lMax, &lStep, &lDefault, &lCaps));
    EXPECT_EQ(CameraControl_Flags_Auto | CameraControl_Flags_Manual, lCaps);
    EXPECT_EQ(S_OK, pCameraControl->Set(CameraControl_Exposure, lMin, CameraControl_Flags_Manual));
    EXPECT_EQ(S_OK, pCameraControl->Get(CameraControl_Exposure, &lValue, &lFlags));
    EXPECT_EQ(lMin, lValue);
    EXPECT_EQ(CameraControl_Flags_Manual, lFlags);
    EXPECT_EQ(S_OK, pCameraControl->Set(CameraControl_Exposure, lMin, CameraControl_Flags_Auto));
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, pCameraControl->Get(CameraControl_Focus, &lValue, &lFlags));
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, pProcAmp->Get(42, &lValue, &lFlags));

    // The values belong to the camera: another filter for it reads them.
    ComPtr<IBaseFilter> pSecond;
    ASSERT_EQ(S_OK, BindVideoDevice(0, &pSecond));
    ComPtr<IAMCameraControl> pSecondControl;
    ASSERT_EQ(S_OK, pSecond->QueryInterface(IID_IAMCameraControl, reinterpret_cast<void **>(&pSecondControl)));
    EXPECT_EQ(S_OK, pSecondControl->Get(CameraControl_Exposure, &lValue, &lFlags));
    EXPECT_EQ(lMin, lValue);
    EXPECT_EQ(CameraControl_Flags_Auto, lFlags);
}

TEST_F(FilterTest, VideoControlTriggersOnlyTheStillPin) {
    ComPtr<IAMVideoControl> pVideoControl;
    ASSERT_EQ(S_OK, m_pFilter->QueryInterface(IID_IAMVideoControl, reinterpret_cast<void **>(&pVideoControl)));
    ComPtr<IPin> pCapture, pStill;
    ASSERT_EQ(S_OK, FindPinByCategory(m_pFilter.Get(), PIN_CATEGORY_CAPTURE, &pCapture));
    ASSERT_EQ(S_OK, FindPinByCategory(m_pFilter.Get(), PIN_CATEGORY_STILL, &pStill));

    long lCaps = 0;
    ASSERT_EQ(S_OK, pVideoControl->GetCaps(pStill.Get(), &lCaps));
    EXPECT_NE(0, lCaps & VideoControlFlag_Trigger);
    ASSERT_EQ(S_OK, pVideoControl->GetCaps(pCapture.Get(), &lCaps));
    EXPECT_EQ(0, lCaps & VideoControlFlag_Trigger);
    EXPECT_EQ(E_INVALIDARG, pVideoControl->SetMode(pCapture.Get(), VideoControlFlag_Trigger));

    // A pin of another filter is no pin of ours.
    ComPtr<IBaseFilter> pNull;
    ASSERT_EQ(S_OK, CreateComObject(kCLSID_NullRenderer, IID_IBaseFilter, pNull));
    ComPtr<IEnumPins> pEnum;
    ASSERT_EQ(S_OK, pNull->EnumPins(&pEnum));
    ComPtr<IPin> pForeign;
    ASSERT_EQ(S_OK, pEnum->Next(1, &pForeign, nullptr));
    EXPECT_EQ(E_INVALIDARG, pVideoControl->GetCaps(pForeign.Get(), &lCaps));

    // Modes are kept; a trigger with nothing connected is refused, not lost.
    EXPECT_EQ(S_OK, pVideoControl->SetMode(pStill.Get(), VideoControlFlag_ExternalTriggerEnable));
    long lMode = 0;
    EXPECT_EQ(S_OK, pVideoControl->GetMode(pStill.Get(), &lMode));
    EXPECT_EQ(VideoControlFlag_ExternalTriggerEnable, lMode);
    EXPECT_EQ(VFW_E_NOT_CONNECTED, pVideoControl->SetMode(pStill.Get(), VideoControlFlag_Trigger));

    LONGLONG llInterval = 0;
    SIZE vga = {640, 480};
    EXPECT_EQ(S_OK, pVideoControl->GetMaxAvailableFrameRate(pCapture.Get(), 0, vga, &llInterval));
    EXPECT_EQ(333333, llInterval);
    long lListSize = 0;
    LONGLONG *pRates = nullptr;
    EXPECT_EQ(S_OK, pVideoControl->GetFrameRateList(pCapture.Get(), 0, vga, &lListSize, &pRates));
    ASSERT_GT(lListSize, 0);
    EXPECT_EQ(333333, pRates[0]);
    CoTaskMemFree(pRates);
    SIZE wrong = {123, 45};
    EXPECT_EQ(E_INVALIDARG, pVideoControl->GetMaxAvailableFrameRate(pCapture.Get(), 0, wrong, &llInterval));
}

TEST_F(FilterTest, CameraWithoutStillPinHasOnlyACapturePin) {
    Rebind("[camera]\nstill_pin = no\n");
    ComPtr<IPin> pCapture, pStill;
    EXPECT_EQ(S_OK, FindPinByCategory(m_pFilter.Get(), PIN_CATEGORY_CAPTURE, &pCapture));
    EXPECT_TRUE(FAILED(FindPinByCategory(m_pFilter.Get(), PIN_CATEGORY_STILL, &pStill)));
    ComPtr<IAMStreamConfig> pConfig;
    EXPECT_TRUE(FAILED(StreamConfigOf(m_pFilter.Get(), PIN_CATEGORY_STILL, &pConfig)));
    ComPtr<IPin> pByName;
    EXPECT_EQ(VFW_E_NOT_FOUND, m_pFilter->FindPin(L"Still", &pByName));
}

TEST_F(FilterTest, CameraWithoutVideoControlDoesNotExposeIt) {
    Rebind("[camera]\nvideo_control = no\n");
    EXPECT_FALSE(ExposesAny(m_pFilter.Get(), IID_IAMVideoControl));
    ComPtr<IPin> pStill;
    EXPECT_EQ(S_OK, FindPinByCategory(m_pFilter.Get(), PIN_CATEGORY_STILL, &pStill));
}

TEST_F(FilterTest, CapabilitySizeIsTheCamerasAndNeverOverrun) {
    Rebind("[camera]\ncaps_size = 64\n");
    for (const GUID *pCategory : {&PIN_CATEGORY_CAPTURE, &PIN_CATEGORY_STILL}) {
        ComPtr<IAMStreamConfig> pConfig;
        ASSERT_EQ(S_OK, StreamConfigOf(m_pFilter.Get(), *pCategory, &pConfig));
        int iCount = 0, iSize = 0;
        ASSERT_EQ(S_OK, pConfig->GetNumberOfCapabilities(&iCount, &iSize));
        EXPECT_EQ(64, iSize);
        ASSERT_GT(iCount, 0);
        // A buffer of the reported size, followed by guard bytes.
        BYTE abBuffer[256];
        FillMemory(abBuffer, sizeof(abBuffer), 0xA5);
        MediaTypePtr pmt;
        ASSERT_EQ(S_OK, pConfig->GetStreamCaps(0, &pmt, abBuffer));
        for (size_t i = 64; i < sizeof(abBuffer); ++i) ASSERT_EQ(0xA5, abBuffer[i]) << i;
        GUID formatGuid;
        CopyMemory(&formatGuid, abBuffer, sizeof(formatGuid));
        EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, formatGuid));
    }
}
