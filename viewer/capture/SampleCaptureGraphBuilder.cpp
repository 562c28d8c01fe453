// SampleCaptureGraphBuilder.cpp - the capture graph builder wrapper.
//
// Video, interleaved and untyped streams go straight to the platform
// builder. An MPEG-2 program stream (MEDIATYPE_Stream) gets its own path:
// source -> [encoder -> [bridge ->]] MPEG-2 demultiplexer, whose two output
// pins (video 0xE0, audio 0xC0) are then rendered through the platform
// builder.
#include "SampleCaptureGraphBuilder.h"

#include <dvdmedia.h>
#include <mmreg.h>

#include "CaptureGuids.h"
#include "CreateSeam.h"
#include "MediaType.h"

// MinGW's ksuuids.h entries, declared here so the GUIDs come from strmiids.
EXTERN_C const GUID MEDIASUBTYPE_MPEG2_VIDEO;
EXTERN_C const GUID MEDIASUBTYPE_MPEG2_AUDIO;
EXTERN_C const GUID MEDIASUBTYPE_MPEG2_PROGRAM;
EXTERN_C const GUID FORMAT_MPEG2Video;

namespace {

// The kernel-streaming pin interface, only as far as its mediums.
// {B61178D1-A2D9-11CF-9E53-00AA00A216A1}
const IID IID_KorKsPin = {0xB61178D1, 0xA2D9, 0x11CF, {0x9E, 0x53, 0x00, 0xAA, 0x00, 0xA2, 0x16, 0xA1}};
// {4747B320-62CE-11CF-A5D6-28DB04C10000}
const GUID KOR_KSMEDIUMSETID_Standard = {0x4747B320, 0x62CE, 0x11CF, {0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00}};

struct KorKsMultipleItem {
    ULONG Size;
    ULONG Count;
};

struct KorKsMedium {
    GUID Set;
    ULONG Id;
    ULONG Flags;
};

struct IKorKsPin : public IUnknown {
    // Returns a CoTaskMem block: KorKsMultipleItem followed by Count mediums.
    virtual HRESULT STDMETHODCALLTYPE KsQueryMediums(KorKsMultipleItem **ppMediums) = 0;
};

// The sequence header of the fixed MPEG-2 video format (86 bytes).
const BYTE kSequenceHeader[86] = {
    0x00, 0x00, 0x01, 0xB3, 0x2D, 0x01, 0xE0, 0x24, 0x09, 0xC4, 0x23, 0x81, 0x10, 0x11, 0x11, 0x12, 0x12, 0x12,
    0x13, 0x13, 0x13, 0x13, 0x14, 0x14, 0x14, 0x14, 0x14, 0x15, 0x15, 0x15, 0x15, 0x15, 0x15, 0x16, 0x16, 0x16,
    0x16, 0x16, 0x16, 0x16, 0x17, 0x17, 0x17, 0x17, 0x17, 0x17, 0x17, 0x17, 0x18, 0x18, 0x18, 0x19, 0x18, 0x18,
    0x18, 0x19, 0x1A, 0x1A, 0x1A, 0x1A, 0x19, 0x1B, 0x1B, 0x1B, 0x1B, 0x1B, 0x1C, 0x1C, 0x1C, 0x1C, 0x1E, 0x1E,
    0x1E, 0x1F, 0x1F, 0x21, 0x00, 0x00, 0x01, 0xB5, 0x14, 0x82, 0x00, 0x01, 0x00, 0x00};

// The first medium of a pin that is neither null nor the standard set.
bool QueryPinMedium(IPin *pPin, KorKsMedium *pMedium) {
    ComPtr<IKorKsPin> ksPin;
    if (FAILED(pPin->QueryInterface(IID_KorKsPin, ksPin.OutVoid()))) return false;
    KorKsMultipleItem *pItems = nullptr;
    if (FAILED(ksPin->KsQueryMediums(&pItems)) || !pItems) return false;
    bool found = false;
    const KorKsMedium *pList = reinterpret_cast<const KorKsMedium *>(pItems + 1);
    ULONG count = pItems->Count;
    // Never read past the block the pin says it returned.
    ULONG fits = pItems->Size > sizeof(KorKsMultipleItem)
                     ? static_cast<ULONG>((pItems->Size - sizeof(KorKsMultipleItem)) / sizeof(KorKsMedium))
                     : 0;
    if (count > fits) count = fits;
    for (ULONG i = 0; i < count && !found; ++i) {
        if (!IsEqualGUID(pList[i].Set, GUID_NULL) && !IsEqualGUID(pList[i].Set, KOR_KSMEDIUMSETID_Standard)) {
            *pMedium = pList[i];
            found = true;
        }
    }
    CoTaskMemFree(pItems);
    return found;
}

bool PinCarriesMedium(IPin *pPin, const KorKsMedium &medium) {
    KorKsMedium pinMedium = {};
    return QueryPinMedium(pPin, &pinMedium) && IsEqualGUID(pinMedium.Set, medium.Set) && pinMedium.Id == medium.Id;
}

// Does any of the pin's media types carry MPEG-2 video or a program stream?
bool PinOffersMpeg2(IPin *pPin) {
    ComPtr<IEnumMediaTypes> types;
    if (FAILED(pPin->EnumMediaTypes(&types)) || !types) return false;
    AM_MEDIA_TYPE *pmt = nullptr;
    bool found = false;
    while (!found && types->Next(1, &pmt, nullptr) == S_OK) {
        bool major = IsEqualGUID(pmt->majortype, MEDIATYPE_Video) || IsEqualGUID(pmt->majortype, MEDIATYPE_Stream);
        bool sub = IsEqualGUID(pmt->subtype, MEDIASUBTYPE_MPEG2_VIDEO) ||
                   IsEqualGUID(pmt->subtype, MEDIASUBTYPE_MPEG2_PROGRAM);
        found = major && sub;
        DeleteMediaTypeBlock(pmt);
        pmt = nullptr;
    }
    return found;
}

// Pins of one direction, each handed to visit until it returns true.
template <class Visit>
bool ForEachPin(IBaseFilter *pFilter, PIN_DIRECTION direction, Visit visit) {
    ComPtr<IEnumPins> pins;
    if (!pFilter || FAILED(pFilter->EnumPins(&pins)) || !pins) return false;
    ComPtr<IPin> pin;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION dir;
        if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == direction && visit(pin.Get())) return true;
    }
    return false;
}

// Connects pOut directly to the first input pin of pTarget that accepts it.
HRESULT ConnectToFilter(IGraphBuilder *pGraph, IPin *pOut, IBaseFilter *pTarget) {
    bool connected = ForEachPin(pTarget, PINDIR_INPUT, [&](IPin *pIn) {
        ComPtr<IPin> peer;
        if (SUCCEEDED(pIn->ConnectedTo(&peer))) return false;
        return SUCCEEDED(pGraph->ConnectDirect(pOut, pIn, nullptr));
    });
    return connected ? S_OK : E_FAIL;
}

// Connects the first output pin of pFrom that fits to an input of pTo.
HRESULT ConnectFilters(IGraphBuilder *pGraph, IBaseFilter *pFrom, IBaseFilter *pTo) {
    bool connected = ForEachPin(pFrom, PINDIR_OUTPUT, [&](IPin *pOut) {
        ComPtr<IPin> peer;
        if (SUCCEEDED(pOut->ConnectedTo(&peer))) return false;
        return SUCCEEDED(ConnectToFilter(pGraph, pOut, pTo));
    });
    return connected ? S_OK : E_FAIL;
}

// Every filter registered in a device category, bound in turn, until visit
// returns true.
template <class Visit>
bool ForEachDevice(const GUID &category, Visit visit) {
    ComPtr<ICreateDevEnum> devEnum;
    if (FAILED(KorCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                 devEnum.OutVoid())))
        return false;
    ComPtr<IEnumMoniker> monikers;
    if (devEnum->CreateClassEnumerator(category, &monikers, 0) != S_OK || !monikers) return false;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        ComPtr<IBaseFilter> filter;
        if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.OutVoid()))) continue;
        if (visit(filter.Get())) return true;
    }
    return false;
}

}  // namespace

void FillMpeg2VideoFormat(BYTE *pFormat) {
    ZeroMemory(pFormat, kMpeg2VideoFormatBytes);
    MPEG2VIDEOINFO *pInfo = reinterpret_cast<MPEG2VIDEOINFO *>(pFormat);
    VIDEOINFOHEADER2 &hdr = pInfo->hdr;
    SetRect(&hdr.rcSource, 0, 0, 720, 480);
    SetRectEmpty(&hdr.rcTarget);
    hdr.dwBitRate = 4000000;
    hdr.AvgTimePerFrame = 333667;
    hdr.dwPictAspectRatioX = 4;
    hdr.dwPictAspectRatioY = 3;
    hdr.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    hdr.bmiHeader.biWidth = 720;
    hdr.bmiHeader.biHeight = 480;
    hdr.bmiHeader.biXPelsPerMeter = 2000;
    hdr.bmiHeader.biYPelsPerMeter = 53031;
    pInfo->dwStartTimeCode = 455832;
    pInfo->cbSequenceHeader = sizeof(kSequenceHeader);
    pInfo->dwProfile = 2;  // Main
    pInfo->dwLevel = 2;    // Main
    CopyMemory(pInfo->dwSequenceHeader, kSequenceHeader, sizeof(kSequenceHeader));
}

void FillMpeg1AudioFormat(BYTE *pFormat) {
    ZeroMemory(pFormat, kMpeg1AudioFormatBytes);
    MPEG1WAVEFORMAT *pWave = reinterpret_cast<MPEG1WAVEFORMAT *>(pFormat);
    pWave->wfx.wFormatTag = WAVE_FORMAT_MPEG;
    pWave->wfx.nChannels = 2;
    pWave->wfx.nSamplesPerSec = 48000;
    pWave->wfx.nAvgBytesPerSec = 32000;
    pWave->wfx.nBlockAlign = 768;
    pWave->wfx.wBitsPerSample = 0;
    pWave->wfx.cbSize = 22;
    pWave->fwHeadLayer = ACM_MPEG_LAYER2;
    pWave->dwHeadBitrate = 256000;
    pWave->fwHeadMode = ACM_MPEG_STEREO;
    pWave->fwHeadModeExt = 1;
    pWave->wHeadEmphasis = 1;
    pWave->fwHeadFlags = 0x1C;
    pWave->dwPTSLow = 0;
    pWave->dwPTSHigh = 0;
}

ISampleCaptureGraphBuilder::ISampleCaptureGraphBuilder() : m_VideoStreamId(0xE0), m_AudioStreamId(0xC0) {
    (void)KorCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                            m_pCaptureBuilder.OutVoid());
}

ISampleCaptureGraphBuilder::~ISampleCaptureGraphBuilder() {
    // Reverse declaration order.
    m_pFilterGraph.Clear();
    m_pCaptureBuilder.Clear();
    m_pDemux.Clear();
    m_pVideoEncoder.Clear();
    m_pBridgeFilter.Clear();
}

// The forwarding operations. Without an inner builder (a wrapper that was
// not created) they answer E_UNEXPECTED instead of calling through null.
HRESULT ISampleCaptureGraphBuilder::AllocCapFile(LPCOLESTR pszFile, DWORDLONG dwlSize) {
    if (!m_pCaptureBuilder) return E_UNEXPECTED;
    return m_pCaptureBuilder->AllocCapFile(pszFile, dwlSize);
}

HRESULT ISampleCaptureGraphBuilder::ControlStream(const GUID *pCategory, const GUID *pType, IBaseFilter *pFilter,
                                                  REFERENCE_TIME *pStart, REFERENCE_TIME *pStop, WORD wStartCookie,
                                                  WORD wStopCookie) {
    if (!m_pCaptureBuilder) return E_UNEXPECTED;
    return m_pCaptureBuilder->ControlStream(pCategory, pType, pFilter, pStart, pStop, wStartCookie, wStopCookie);
}

HRESULT ISampleCaptureGraphBuilder::CopyCaptureFile(LPOLESTR pszOld, LPOLESTR pszNew, int fAllowEscAbort,
                                                    IAMCopyCaptureFileProgress *pCallback) {
    if (!m_pCaptureBuilder) return E_UNEXPECTED;
    return m_pCaptureBuilder->CopyCaptureFile(pszOld, pszNew, fAllowEscAbort, pCallback);
}

HRESULT ISampleCaptureGraphBuilder::FindInterface(const GUID *pCategory, const GUID *pType, IBaseFilter *pFilter,
                                                  REFIID riid, void **ppint) {
    if (!m_pCaptureBuilder) return E_UNEXPECTED;
    return m_pCaptureBuilder->FindInterface(pCategory, pType, pFilter, riid, ppint);
}

HRESULT ISampleCaptureGraphBuilder::FindPin(IUnknown *pSource, PIN_DIRECTION pindir, const GUID *pCategory,
                                            const GUID *pType, BOOL fUnconnected, int num, IPin **ppPin) {
    if (!m_pCaptureBuilder) return E_UNEXPECTED;
    return m_pCaptureBuilder->FindPin(pSource, pindir, pCategory, pType, fUnconnected, num, ppPin);
}

HRESULT ISampleCaptureGraphBuilder::GetFiltergraph(IGraphBuilder **ppfg) {
    if (!m_pCaptureBuilder) return E_UNEXPECTED;
    return m_pCaptureBuilder->GetFiltergraph(ppfg);
}

HRESULT ISampleCaptureGraphBuilder::SetFiltergraph(IGraphBuilder *pfg) {
    if (!m_pCaptureBuilder) return E_UNEXPECTED;
    return m_pCaptureBuilder->SetFiltergraph(pfg);
}

HRESULT ISampleCaptureGraphBuilder::RenderStream(const GUID *pCategory, const GUID *pType, IUnknown *pSource,
                                                 IBaseFilter *pIntermediate, IBaseFilter *pSink) {
    if (!pType || !IsEqualGUID(*pType, MEDIATYPE_Stream)) {
        if (!m_pCaptureBuilder) return E_UNEXPECTED;
        return m_pCaptureBuilder->RenderStream(pCategory, pType, pSource, pIntermediate, pSink);
    }

    // An MPEG-2 program stream.
    HRESULT hr = EnsureFilterGraph();
    if (FAILED(hr)) return hr;
    ComPtr<IBaseFilter> source;
    if (!pSource || FAILED(pSource->QueryInterface(IID_IBaseFilter, source.OutVoid()))) return E_INVALIDARG;
    hr = CreateVideoEncoderPath(source.Get());
    if (FAILED(hr) || pSink) return hr;
    hr = ConfigureDemuxPins();
    if (FAILED(hr)) return hr;
    HRESULT hrVideo = RenderStream(nullptr, &MEDIATYPE_Video, m_pDemux.Get(), nullptr, nullptr);
    HRESULT hrAudio = RenderStream(nullptr, &MEDIATYPE_Audio, m_pDemux.Get(), nullptr, nullptr);
    if (FAILED(hrVideo)) return hrVideo;
    if (FAILED(hrAudio)) return hrAudio;
    return S_OK;
}

HRESULT ISampleCaptureGraphBuilder::SetOutputFileName(const GUID *pType, LPCOLESTR pszFile, IBaseFilter **ppf,
                                                      IFileSinkFilter **pSink) {
    if (!pType || !pszFile || !ppf || !pSink) return E_INVALIDARG;
    if (!IsEqualGUID(*pType, MEDIASUBTYPE_KorDump)) {
        if (!m_pCaptureBuilder) return E_UNEXPECTED;
        return m_pCaptureBuilder->SetOutputFileName(pType, pszFile, ppf, pSink);
    }

    HRESULT hr = EnsureFilterGraph();
    if (FAILED(hr)) return hr;
    ComPtr<IFileSinkFilter> fileSink;
    hr = KorCreateInstance(CLSID_KorDumpFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IFileSinkFilter, fileSink.OutVoid());
    if (FAILED(hr)) return hr;
    hr = fileSink->SetFileName(pszFile, nullptr);
    if (FAILED(hr)) return hr;
    hr = fileSink->QueryInterface(IID_IBaseFilter, m_pDemux.OutVoid());
    if (FAILED(hr)) return hr;
    hr = m_pFilterGraph->AddFilter(m_pDemux.Get(), L"Dump");
    if (FAILED(hr)) {
        m_pDemux.Clear();
        return hr;
    }
    *pSink = fileSink.Detach();
    return S_OK;
}

void ISampleCaptureGraphBuilder::ReleaseFilters() {
    m_pBridgeFilter.Clear();
    m_pVideoEncoder.Clear();
    m_pDemux.Clear();
}

HRESULT ISampleCaptureGraphBuilder::EnsureFilterGraph() {
    if (m_pFilterGraph) return S_OK;
    return GetFiltergraph(&m_pFilterGraph);
}

void ISampleCaptureGraphBuilder::RemoveDemux() {
    if (m_pDemux && m_pFilterGraph) (void)m_pFilterGraph->RemoveFilter(m_pDemux.Get());
    m_pDemux.Clear();
}

// The segment from the source to the demultiplexer.
HRESULT ISampleCaptureGraphBuilder::CreateVideoEncoderPath(IBaseFilter *pSource) {
    if (!pSource) return E_FAIL;
    HRESULT hr;
    if (!m_pDemux) {
        // Without a demultiplexer there is no MPEG-2 path: the creation's
        // result (REGDB_E_CLASSNOTREG where none is registered) is returned.
        hr = KorCreateInstance(CLSID_MPEG2Demultiplexer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               m_pDemux.OutVoid());
        if (FAILED(hr)) return hr;
        hr = m_pFilterGraph->AddFilter(m_pDemux.Get(), L"MPEG2 Demux");
        if (FAILED(hr)) {
            m_pDemux.Clear();
            return hr;
        }
    }

    // A source that delivers MPEG-2 itself goes straight to the demultiplexer.
    ComPtr<IPin> mpegPin;
    ForEachPin(pSource, PINDIR_OUTPUT, [&](IPin *pPin) {
        if (!PinOffersMpeg2(pPin)) return false;
        mpegPin.Assign(pPin);
        return true;
    });
    if (mpegPin) {
        if (FAILED(ConnectToFilter(m_pFilterGraph.Get(), mpegPin.Get(), m_pDemux.Get()))) {
            RemoveDemux();
            return E_FAIL;
        }
        return S_OK;
    }

    ComPtr<IPin> videoPin;
    hr = FindPin(pSource, PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, TRUE, 0, &videoPin);
    if (FAILED(hr) || !videoPin) {
        RemoveDemux();
        return E_FAIL;
    }

    KorKsMedium medium = {};
    bool hasMedium = QueryPinMedium(videoPin.Get(), &medium);
    ComPtr<IBaseFilter> encoder;
    hr = FindEncoderForPin(videoPin.Get(), hasMedium ? &medium.Set : nullptr, hasMedium ? medium.Id : 0, &encoder);
    if (FAILED(hr)) {
        RemoveDemux();
        return E_FAIL;
    }
    m_pVideoEncoder = encoder;
    (void)ConnectAudio(pSource);
    return S_OK;
}

// Tries one encoder: add it as "Encoder", connect the source pin to it and
// it to the demultiplexer. Takes it out of the graph again when it does not fit.
HRESULT ISampleCaptureGraphBuilder::FindEncoderForPin(IPin *pSourcePin, const GUID *pMediumSet, ULONG ulMediumId,
                                                      IBaseFilter **ppEncoder) {
    KorKsMedium medium = {};
    if (pMediumSet) {
        medium.Set = *pMediumSet;
        medium.Id = ulMediumId;
    }
    auto tryEncoder = [&](IBaseFilter *pEncoder) {
        if (FAILED(m_pFilterGraph->AddFilter(pEncoder, L"Encoder"))) return false;
        if (SUCCEEDED(ConnectToFilter(m_pFilterGraph.Get(), pSourcePin, pEncoder)) &&
            SUCCEEDED(ConnectEncoderToDemux(pEncoder, pSourcePin))) {
            *ppEncoder = pEncoder;
            pEncoder->AddRef();
            return true;
        }
        (void)m_pFilterGraph->RemoveFilter(pEncoder);
        return false;
    };
    auto carriesMedium = [&](IBaseFilter *pEncoder) {
        return ForEachPin(pEncoder, PINDIR_INPUT, [&](IPin *pIn) { return PinCarriesMedium(pIn, medium); });
    };

    if (!pMediumSet) {
        if (ForEachDevice(kCategoryEncoder, tryEncoder)) return S_OK;
        return E_FAIL;
    }
    if (ForEachDevice(kCategoryEncoder,
                      [&](IBaseFilter *pEncoder) { return carriesMedium(pEncoder) && tryEncoder(pEncoder); }))
        return S_OK;

    // The filter mapper's filters for that medium.
    ComPtr<IFilterMapper2> mapper;
    if (FAILED(KorCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                 mapper.OutVoid())))
        return E_FAIL;
    REGPINMEDIUM regMedium = {medium.Set, medium.Id, 0};
    ComPtr<IEnumMoniker> monikers;
    if (FAILED(mapper->EnumMatchingFilters(&monikers, 0, FALSE, MERIT_DO_NOT_USE + 1, TRUE, 0, nullptr, &regMedium,
                                           nullptr, FALSE, FALSE, 0, nullptr, nullptr, nullptr)) ||
        !monikers)
        return E_FAIL;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        ComPtr<IBaseFilter> filter;
        if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.OutVoid()))) continue;
        if (tryEncoder(filter.Get())) return S_OK;
    }
    return E_FAIL;
}

// Encoder to demultiplexer, directly or through a bridge filter.
HRESULT ISampleCaptureGraphBuilder::ConnectEncoderToDemux(IBaseFilter *pEncoder, IPin *) {
    if (SUCCEEDED(ConnectFilters(m_pFilterGraph.Get(), pEncoder, m_pDemux.Get()))) return S_OK;
    bool bridged = ForEachDevice(kCategoryBridge, [&](IBaseFilter *pBridge) {
        if (FAILED(m_pFilterGraph->AddFilter(pBridge, nullptr))) return false;
        if (SUCCEEDED(ConnectFilters(m_pFilterGraph.Get(), pEncoder, pBridge)) &&
            SUCCEEDED(ConnectFilters(m_pFilterGraph.Get(), pBridge, m_pDemux.Get()))) {
            m_pBridgeFilter.Assign(pBridge);
            return true;
        }
        (void)m_pFilterGraph->RemoveFilter(pBridge);
        return false;
    });
    return bridged ? S_OK : E_FAIL;
}

// The source's audio pin to the bridge, directly or through an "Audio
// Encoder". A failure here does not fail the segment.
HRESULT ISampleCaptureGraphBuilder::ConnectAudio(IBaseFilter *pSource) {
    ComPtr<IPin> audioPin;
    if (FAILED(FindPin(pSource, PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio, TRUE, 0, &audioPin)) || !audioPin)
        return S_OK;
    if (!m_pBridgeFilter) return E_FAIL;
    if (SUCCEEDED(ConnectToFilter(m_pFilterGraph.Get(), audioPin.Get(), m_pBridgeFilter.Get()))) return S_OK;
    KorKsMedium medium = {};
    if (!QueryPinMedium(audioPin.Get(), &medium)) return E_FAIL;
    bool connected = ForEachDevice(kCategoryEncoder, [&](IBaseFilter *pEncoder) {
        if (!ForEachPin(pEncoder, PINDIR_INPUT, [&](IPin *pIn) { return PinCarriesMedium(pIn, medium); })) return false;
        if (FAILED(m_pFilterGraph->AddFilter(pEncoder, L"Audio Encoder"))) return false;
        if (SUCCEEDED(ConnectToFilter(m_pFilterGraph.Get(), audioPin.Get(), pEncoder)) &&
            SUCCEEDED(ConnectFilters(m_pFilterGraph.Get(), pEncoder, m_pBridgeFilter.Get())))
            return true;
        (void)m_pFilterGraph->RemoveFilter(pEncoder);
        return false;
    });
    return connected ? S_OK : E_FAIL;
}

// The demultiplexer's "MpegVideo" and "MpegAudio" pins and their streams.
HRESULT ISampleCaptureGraphBuilder::ConfigureDemuxPins() {
    ComPtr<IMpeg2Demultiplexer> demux;
    HRESULT hr = m_pDemux->QueryInterface(IID_IMpeg2Demultiplexer, demux.OutVoid());
    if (FAILED(hr)) return hr;

    struct PinPlan {
        LPCWSTR pszName;
        const GUID *pMajor;
        const GUID *pSub;
        const GUID *pFormatType;
        ULONG cbFormat;
        void (*pfnFill)(BYTE *);
        LONG streamId;
    } plans[2] = {
        {L"MpegVideo", &MEDIATYPE_Video, &MEDIASUBTYPE_MPEG2_VIDEO, &FORMAT_MPEG2Video, kMpeg2VideoFormatBytes,
         FillMpeg2VideoFormat, m_VideoStreamId},
        {L"MpegAudio", &MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG2_AUDIO, &FORMAT_WaveFormatEx, kMpeg1AudioFormatBytes,
         FillMpeg1AudioFormat, m_AudioStreamId},
    };
    for (const PinPlan &plan : plans) {
        BYTE format[kMpeg2VideoFormatBytes];
        plan.pfnFill(format);
        AM_MEDIA_TYPE mt;
        ZeroMemory(&mt, sizeof(mt));
        mt.majortype = *plan.pMajor;
        mt.subtype = *plan.pSub;
        mt.bFixedSizeSamples = TRUE;
        mt.formattype = *plan.pFormatType;
        mt.cbFormat = plan.cbFormat;
        mt.pbFormat = format;
        WCHAR szName[16];
        lstrcpynW(szName, plan.pszName, 16);
        ComPtr<IPin> pin;
        hr = demux->CreateOutputPin(&mt, szName, &pin);
        if (FAILED(hr)) return hr;
        ComPtr<IMPEG2StreamIdMap> map;
        hr = pin->QueryInterface(IID_IMPEG2StreamIdMap, map.OutVoid());
        if (FAILED(hr)) return hr;
        hr = map->MapStreamId(static_cast<ULONG>(plan.streamId), MPEG2_PROGRAM_ELEMENTARY_STREAM, 0, 0);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}
