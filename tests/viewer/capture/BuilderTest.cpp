// BuilderTest.cpp - the capture graph builder wrapper: forwarding to the
// platform builder, and the MPEG-2 route with recording fakes of the
// capture graph builder, the graph, the source, the demultiplexer and the
// "Dump" filter, handed out through the capture subsystem's creation seam.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>
#include <dvdmedia.h>
#include <mmreg.h>

#include <string>
#include <vector>

#include "CaptureGuids.h"
#include "CaptureTestSupport.h"
#include "SampleCaptureGraphBuilder.h"
#include "common/FakeComObject.h"

EXTERN_C const GUID MEDIASUBTYPE_MPEG2_VIDEO;
EXTERN_C const GUID MEDIASUBTYPE_MPEG2_AUDIO;
EXTERN_C const GUID FORMAT_MPEG2Video;

template <>
inline const IID &FakeIidOf<IMPEG2StreamIdMap>() {
    return IID_IMPEG2StreamIdMap;
}

namespace {

// The fakes live on the test's stack (or with the filter that made them)
// and only count.

class FakeEnumMediaTypes : public FakeComObject<IEnumMediaTypes> {
public:
    explicit FakeEnumMediaTypes(const GUID &major, const GUID &sub)
        : FakeComObject(FAKE_COUNT_ONLY), m_major(major), m_sub(sub) {}
    STDMETHODIMP Next(ULONG, AM_MEDIA_TYPE **ppmt, ULONG *pFetched) override {
        if (m_done) return S_FALSE;
        m_done = true;
        AM_MEDIA_TYPE *pmt = static_cast<AM_MEDIA_TYPE *>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        ZeroMemory(pmt, sizeof(*pmt));
        pmt->majortype = m_major;
        pmt->subtype = m_sub;
        ppmt[0] = pmt;
        if (pFetched) *pFetched = 1;
        return S_OK;
    }
    STDMETHODIMP Skip(ULONG) override { return E_NOTIMPL; }
    STDMETHODIMP Reset() override {
        m_done = false;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumMediaTypes **) override { return E_NOTIMPL; }

private:
    GUID m_major, m_sub;
    bool m_done = false;
};

// A pin; an output pin of the demultiplexer also maps stream identifiers.
class FakePin : public FakeComObject<IPin, IMPEG2StreamIdMap> {
public:
    FakePin(PIN_DIRECTION dir, const GUID &major, const GUID &sub)
        : FakeComObject(FAKE_COUNT_ONLY), m_dir(dir), m_types(major, sub) {}
    ~FakePin() override {}
    STDMETHODIMP Connect(IPin *, const AM_MEDIA_TYPE *) override { return E_NOTIMPL; }
    STDMETHODIMP ReceiveConnection(IPin *, const AM_MEDIA_TYPE *) override { return E_NOTIMPL; }
    STDMETHODIMP Disconnect() override { return S_OK; }
    STDMETHODIMP ConnectedTo(IPin **ppPin) override {
        *ppPin = nullptr;
        return VFW_E_NOT_CONNECTED;
    }
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE *) override { return VFW_E_NOT_CONNECTED; }
    STDMETHODIMP QueryPinInfo(PIN_INFO *) override { return E_NOTIMPL; }
    STDMETHODIMP QueryDirection(PIN_DIRECTION *pDir) override {
        *pDir = m_dir;
        return S_OK;
    }
    STDMETHODIMP QueryId(LPWSTR *) override { return E_NOTIMPL; }
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE *) override { return S_OK; }
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes **ppEnum) override {
        m_types.Reset();
        m_types.AddRef();
        *ppEnum = &m_types;
        return S_OK;
    }
    STDMETHODIMP QueryInternalConnections(IPin **, ULONG *) override { return E_NOTIMPL; }
    STDMETHODIMP EndOfStream() override { return S_OK; }
    STDMETHODIMP BeginFlush() override { return S_OK; }
    STDMETHODIMP EndFlush() override { return S_OK; }
    STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }
    // IMPEG2StreamIdMap
    STDMETHODIMP MapStreamId(ULONG ulStreamId, DWORD content, ULONG substream, int offset) override {
        mapped.push_back({ulStreamId, content, substream, static_cast<ULONG>(offset)});
        return S_OK;
    }
    STDMETHODIMP UnmapStreamId(ULONG, ULONG *) override { return E_NOTIMPL; }
    STDMETHODIMP EnumStreamIdMap(IEnumStreamIdMap **) override { return E_NOTIMPL; }

    struct Map {
        ULONG id;
        DWORD content;
        ULONG substream, offset;
    };
    std::vector<Map> mapped;

private:
    PIN_DIRECTION m_dir;
    FakeEnumMediaTypes m_types;
};

class FakeEnumPins : public FakeComObject<IEnumPins> {
public:
    explicit FakeEnumPins(std::vector<IPin *> *pPins) : FakeComObject(FAKE_COUNT_ONLY), m_pPins(pPins) {}
    STDMETHODIMP Next(ULONG, IPin **ppPins, ULONG *pFetched) override {
        if (m_next >= m_pPins->size()) return S_FALSE;
        ppPins[0] = (*m_pPins)[m_next++];
        ppPins[0]->AddRef();
        if (pFetched) *pFetched = 1;
        return S_OK;
    }
    STDMETHODIMP Skip(ULONG) override { return E_NOTIMPL; }
    STDMETHODIMP Reset() override {
        m_next = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins **) override { return E_NOTIMPL; }

private:
    std::vector<IPin *> *m_pPins;
    size_t m_next = 0;
};

// A filter with the pins given; the demultiplexer also makes output pins,
// the "Dump" filter also takes a file name.
class FakeFilter : public FakeComObject<IBaseFilter, IMpeg2Demultiplexer, IFileSinkFilter> {
public:
    FakeFilter() : FakeComObject(FAKE_COUNT_ONLY), m_enum(&pins) {}
    ~FakeFilter() override {
        for (FakePin *pPin : created) delete pPin;
    }
    // IMediaFilter and IPersist, which IBaseFilter extends, are the filter too.
    HRESULT QueryOther(REFIID riid, void **ppv) override {
        if (!IsEqualIID(riid, IID_IMediaFilter) && !IsEqualIID(riid, IID_IPersist)) return E_NOINTERFACE;
        *ppv = static_cast<IBaseFilter *>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP GetClassID(CLSID *) override { return E_NOTIMPL; }
    STDMETHODIMP Stop() override { return S_OK; }
    STDMETHODIMP Pause() override { return S_OK; }
    STDMETHODIMP Run(REFERENCE_TIME) override { return S_OK; }
    STDMETHODIMP GetState(DWORD, FILTER_STATE *) override { return E_NOTIMPL; }
    STDMETHODIMP SetSyncSource(IReferenceClock *) override { return S_OK; }
    STDMETHODIMP GetSyncSource(IReferenceClock **) override { return E_NOTIMPL; }
    STDMETHODIMP EnumPins(IEnumPins **ppEnum) override {
        m_enum.Reset();
        m_enum.AddRef();
        *ppEnum = &m_enum;
        return S_OK;
    }
    STDMETHODIMP FindPin(LPCWSTR, IPin **) override { return E_NOTIMPL; }
    STDMETHODIMP QueryFilterInfo(FILTER_INFO *) override { return E_NOTIMPL; }
    STDMETHODIMP JoinFilterGraph(IFilterGraph *, LPCWSTR) override { return S_OK; }
    STDMETHODIMP QueryVendorInfo(LPWSTR *) override { return E_NOTIMPL; }
    // IMpeg2Demultiplexer
    STDMETHODIMP CreateOutputPin(AM_MEDIA_TYPE *pmt, LPWSTR pszName, IPin **ppPin) override {
        OutputPin out;
        out.name = pszName;
        out.major = pmt->majortype;
        out.sub = pmt->subtype;
        out.formattype = pmt->formattype;
        out.fixed = pmt->bFixedSizeSamples;
        out.format.assign(pmt->pbFormat, pmt->pbFormat + pmt->cbFormat);
        outputs.push_back(out);
        FakePin *pPin = new FakePin(PINDIR_OUTPUT, pmt->majortype, pmt->subtype);
        created.push_back(pPin);
        pPin->AddRef();
        *ppPin = pPin;
        return S_OK;
    }
    STDMETHODIMP SetOutputPinMediaType(LPWSTR, AM_MEDIA_TYPE *) override { return E_NOTIMPL; }
    STDMETHODIMP DeleteOutputPin(LPWSTR) override { return E_NOTIMPL; }
    // IFileSinkFilter
    STDMETHODIMP SetFileName(LPCOLESTR pszName, const AM_MEDIA_TYPE *pmt) override {
        fileName = pszName;
        fileTypeGiven = pmt != nullptr;
        return S_OK;
    }
    STDMETHODIMP GetCurFile(LPOLESTR *, AM_MEDIA_TYPE *) override { return E_NOTIMPL; }

    struct OutputPin {
        std::wstring name;
        GUID major, sub, formattype;
        BOOL fixed;
        std::vector<BYTE> format;
    };
    std::vector<IPin *> pins;
    std::vector<OutputPin> outputs;
    std::vector<FakePin *> created;
    std::wstring fileName;
    bool fileTypeGiven = false;

private:
    FakeEnumPins m_enum;
};

// The graph: records what is added, removed and connected.
class FakeGraph : public FakeComObject<IGraphBuilder> {
public:
    FakeGraph() : FakeComObject(FAKE_COUNT_ONLY) {}
    HRESULT QueryOther(REFIID riid, void **ppv) override {
        if (!IsEqualIID(riid, IID_IFilterGraph)) return E_NOINTERFACE;
        *ppv = static_cast<IGraphBuilder *>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP AddFilter(IBaseFilter *pFilter, LPCWSTR pszName) override {
        calls.push_back(L"AddFilter " + std::wstring(pszName ? pszName : L"(null)"));
        added.push_back(pFilter);
        return S_OK;
    }
    STDMETHODIMP RemoveFilter(IBaseFilter *pFilter) override {
        calls.push_back(L"RemoveFilter");
        removed.push_back(pFilter);
        return S_OK;
    }
    STDMETHODIMP EnumFilters(IEnumFilters **) override { return E_NOTIMPL; }
    STDMETHODIMP FindFilterByName(LPCWSTR, IBaseFilter **) override { return E_NOTIMPL; }
    STDMETHODIMP ConnectDirect(IPin *pOut, IPin *pIn, const AM_MEDIA_TYPE *) override {
        calls.push_back(L"ConnectDirect");
        connected.push_back({pOut, pIn});
        return hrConnect;
    }
    STDMETHODIMP Reconnect(IPin *) override { return E_NOTIMPL; }
    STDMETHODIMP Disconnect(IPin *) override { return E_NOTIMPL; }
    STDMETHODIMP SetDefaultSyncSource() override { return E_NOTIMPL; }
    STDMETHODIMP Connect(IPin *, IPin *) override { return E_NOTIMPL; }
    STDMETHODIMP Render(IPin *) override { return E_NOTIMPL; }
    STDMETHODIMP RenderFile(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter **) override { return E_NOTIMPL; }
    STDMETHODIMP SetLogFile(DWORD_PTR) override { return E_NOTIMPL; }
    STDMETHODIMP Abort() override { return E_NOTIMPL; }
    STDMETHODIMP ShouldOperationContinue() override { return E_NOTIMPL; }

    std::vector<std::wstring> calls;
    std::vector<IBaseFilter *> added, removed;
    std::vector<std::pair<IPin *, IPin *>> connected;
    HRESULT hrConnect = S_OK;
};

// The platform builder: hands out the graph and records the renders.
class FakeCaptureBuilder : public FakeComObject<ICaptureGraphBuilder2> {
public:
    explicit FakeCaptureBuilder(FakeGraph *pGraph) : FakeComObject(FAKE_COUNT_ONLY), m_pGraph(pGraph) {}
    STDMETHODIMP SetFiltergraph(IGraphBuilder *) override {
        ++setGraph;
        return S_OK;
    }
    STDMETHODIMP GetFiltergraph(IGraphBuilder **ppGraph) override {
        ++getGraph;
        m_pGraph->AddRef();
        *ppGraph = m_pGraph;
        return S_OK;
    }
    STDMETHODIMP SetOutputFileName(const GUID *, LPCOLESTR, IBaseFilter **, IFileSinkFilter **) override {
        ++forwardedOutput;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindInterface(const GUID *, const GUID *, IBaseFilter *, REFIID, void **) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP RenderStream(const GUID *pCategory, const GUID *pType, IUnknown *pSource, IBaseFilter *pInter,
                              IBaseFilter *pSink) override {
        renders.push_back({pCategory, pType ? *pType : GUID_NULL, pType != nullptr, pSource, pInter, pSink});
        return hrRender;
    }
    STDMETHODIMP ControlStream(const GUID *, const GUID *, IBaseFilter *, REFERENCE_TIME *, REFERENCE_TIME *, WORD,
                               WORD) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP AllocCapFile(LPCOLESTR, DWORDLONG) override { return E_NOTIMPL; }
    STDMETHODIMP CopyCaptureFile(LPOLESTR, LPOLESTR, int, IAMCopyCaptureFileProgress *) override { return E_NOTIMPL; }
    STDMETHODIMP FindPin(IUnknown *, PIN_DIRECTION, const GUID *, const GUID *, BOOL, int, IPin **ppPin) override {
        *ppPin = nullptr;
        return E_FAIL;
    }

    struct Render {
        const GUID *pCategory;
        GUID type;
        bool typeGiven;
        IUnknown *pSource;
        IBaseFilter *pIntermediate, *pSink;
    };
    std::vector<Render> renders;
    int setGraph = 0, getGraph = 0, forwardedOutput = 0;
    HRESULT hrRender = S_OK;

private:
    FakeGraph *m_pGraph;
};

FakeCaptureBuilder *g_pFakeBuilder = nullptr;
FakeFilter *g_pFakeDemux = nullptr;
FakeFilter *g_pFakeDump = nullptr;

HRESULT HandOut(IUnknown *pObject, REFIID iid, void **ppv) { return pObject->QueryInterface(iid, ppv); }

class BuilderMpeg2 : public ::testing::Test {
protected:
    void SetUp() override {
        g_pFakeBuilder = &m_builder;
        g_pFakeDemux = &m_demux;
        g_pFakeDump = &m_dump;
        m_intercept.Replace(CLSID_CaptureGraphBuilder2, [](REFIID iid, void **ppv) {
            return HandOut(static_cast<ICaptureGraphBuilder2 *>(g_pFakeBuilder), iid, ppv);
        });
        m_demuxIn = new FakePin(PINDIR_INPUT, GUID_NULL, GUID_NULL);
        m_demux.pins.push_back(m_demuxIn);
        m_sourceOut = new FakePin(PINDIR_OUTPUT, MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
        m_source.pins.push_back(m_sourceOut);
    }
    void TearDown() override {
        delete m_demuxIn;
        delete m_sourceOut;
    }
    void DemuxCanBeCreated() {
        m_intercept.Replace(CLSID_MPEG2Demultiplexer, [](REFIID iid, void **ppv) {
            return HandOut(static_cast<IBaseFilter *>(g_pFakeDemux), iid, ppv);
        });
    }

    FakeGraph m_graph;
    FakeCaptureBuilder m_builder{&m_graph};
    FakeFilter m_demux, m_source, m_dump;
    FakePin *m_demuxIn = nullptr;
    FakePin *m_sourceOut = nullptr;
    CreateInterceptor m_intercept;
};

template <class T>
T At(const std::vector<BYTE> &bytes, size_t offset) {
    T value;
    memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

}  // namespace

TEST_F(BuilderMpeg2, DirectRouteConnectsTheSourceAndMakesTheTwoStreams) {
    DemuxCanBeCreated();
    {
        ISampleCaptureGraphBuilder builder;
        ASSERT_TRUE(builder.Exists());
        EXPECT_EQ(S_OK, builder.SetFiltergraph(&m_graph));
        EXPECT_EQ(1, m_builder.setGraph);
        EXPECT_EQ(0, m_builder.getGraph);  // SetFiltergraph keeps no graph of its own
        EXPECT_EQ(S_OK, builder.RenderStream(nullptr, &MEDIATYPE_Stream, static_cast<IBaseFilter *>(&m_source), nullptr,
                                             nullptr));
        EXPECT_EQ(1, m_builder.getGraph);

        ASSERT_EQ(2u, m_graph.calls.size());
        EXPECT_EQ(L"AddFilter MPEG2 Demux", m_graph.calls[0]);
        EXPECT_EQ(L"ConnectDirect", m_graph.calls[1]);
        EXPECT_EQ(static_cast<IPin *>(m_sourceOut), m_graph.connected[0].first);
        EXPECT_EQ(static_cast<IPin *>(m_demuxIn), m_graph.connected[0].second);

        ASSERT_EQ(2u, m_demux.outputs.size());
        const FakeFilter::OutputPin &video = m_demux.outputs[0];
        EXPECT_EQ(L"MpegVideo", video.name);
        EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, video.major));
        EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_MPEG2_VIDEO, video.sub));
        EXPECT_TRUE(IsEqualGUID(FORMAT_MPEG2Video, video.formattype));
        EXPECT_TRUE(video.fixed);
        ASSERT_EQ(218u, video.format.size());
        const std::vector<BYTE> &v = video.format;
        EXPECT_EQ(720, At<LONG>(v, 8));          // rcSource.right
        EXPECT_EQ(480, At<LONG>(v, 12));         // rcSource.bottom
        EXPECT_EQ(0, At<LONG>(v, 24));           // rcTarget.right
        EXPECT_EQ(4000000u, At<DWORD>(v, 32));   // dwBitRate
        EXPECT_EQ(333667, At<LONGLONG>(v, 40));  // AvgTimePerFrame
        EXPECT_EQ(4u, At<DWORD>(v, 56));         // dwPictAspectRatioX
        EXPECT_EQ(3u, At<DWORD>(v, 60));         // dwPictAspectRatioY
        EXPECT_EQ(40u, At<DWORD>(v, 72));        // biSize
        EXPECT_EQ(720, At<LONG>(v, 76));         // biWidth
        EXPECT_EQ(480, At<LONG>(v, 80));         // biHeight
        EXPECT_EQ(2000, At<LONG>(v, 96));        // biXPelsPerMeter
        EXPECT_EQ(53031, At<LONG>(v, 100));      // biYPelsPerMeter
        EXPECT_EQ(455832u, At<DWORD>(v, 112));   // dwStartTimeCode
        EXPECT_EQ(86u, At<DWORD>(v, 116));       // cbSequenceHeader
        EXPECT_EQ(2u, At<DWORD>(v, 120));        // dwProfile
        EXPECT_EQ(2u, At<DWORD>(v, 124));        // dwLevel
        EXPECT_EQ(0x00u, v[132]);
        EXPECT_EQ(0xB3u, v[135]);
        EXPECT_EQ(0x21u, v[132 + 75]);
        EXPECT_EQ(0xB5u, v[132 + 79]);
        EXPECT_EQ(0x00u, v[217]);

        const FakeFilter::OutputPin &audio = m_demux.outputs[1];
        EXPECT_EQ(L"MpegAudio", audio.name);
        EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Audio, audio.major));
        EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_MPEG2_AUDIO, audio.sub));
        EXPECT_TRUE(IsEqualGUID(FORMAT_WaveFormatEx, audio.formattype));
        ASSERT_EQ(40u, audio.format.size());
        const std::vector<BYTE> &a = audio.format;
        EXPECT_EQ(0x50, At<WORD>(a, 0));
        EXPECT_EQ(2, At<WORD>(a, 2));
        EXPECT_EQ(48000u, At<DWORD>(a, 4));
        EXPECT_EQ(32000u, At<DWORD>(a, 8));
        EXPECT_EQ(768, At<WORD>(a, 12));
        EXPECT_EQ(0, At<WORD>(a, 14));
        EXPECT_EQ(22, At<WORD>(a, 16));
        EXPECT_EQ(2, At<WORD>(a, 18));         // layer 2
        EXPECT_EQ(256000u, At<DWORD>(a, 20));  // header bit rate
        EXPECT_EQ(1, At<WORD>(a, 24));         // mode
        EXPECT_EQ(1, At<WORD>(a, 26));         // mode extension
        EXPECT_EQ(1, At<WORD>(a, 28));         // emphasis
        EXPECT_EQ(0x1C, At<WORD>(a, 30));      // flags
        EXPECT_EQ(0u, At<DWORD>(a, 32));       // presentation time stamp

        ASSERT_EQ(2u, m_demux.created.size());
        ASSERT_EQ(1u, m_demux.created[0]->mapped.size());
        EXPECT_EQ(0xE0u, m_demux.created[0]->mapped[0].id);
        EXPECT_EQ(static_cast<DWORD>(MPEG2_PROGRAM_ELEMENTARY_STREAM), m_demux.created[0]->mapped[0].content);
        EXPECT_EQ(0u, m_demux.created[0]->mapped[0].offset);
        EXPECT_EQ(0xC0u, m_demux.created[1]->mapped[0].id);

        // The demultiplexer's streams go through the platform builder.
        ASSERT_EQ(2u, m_builder.renders.size());
        EXPECT_EQ(nullptr, m_builder.renders[0].pCategory);
        EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, m_builder.renders[0].type));
        EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Audio, m_builder.renders[1].type));
        EXPECT_EQ(nullptr, m_builder.renders[0].pSink);

        // After ReleaseFilters every call is still forwarded.
        builder.ReleaseFilters();
        EXPECT_EQ(S_OK, builder.RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, static_cast<IBaseFilter *>(&m_source),
                                             nullptr, nullptr));
        EXPECT_FALSE(m_builder.renders.back().typeGiven);
        EXPECT_EQ(3u, m_builder.renders.size());
    }
    // Every reference the wrapper took is given back.
    EXPECT_EQ(1, m_builder.Refs());
    EXPECT_EQ(1, m_graph.Refs());
    EXPECT_EQ(1, m_demux.Refs());
    EXPECT_EQ(1, m_source.Refs());
}

TEST_F(BuilderMpeg2, FailedConnectionTakesTheDemultiplexerOutAgain) {
    DemuxCanBeCreated();
    m_graph.hrConnect = VFW_E_NO_ACCEPTABLE_TYPES;
    {
        ISampleCaptureGraphBuilder builder;
        EXPECT_EQ(E_FAIL, builder.RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Stream,
                                               static_cast<IBaseFilter *>(&m_source), nullptr, nullptr));
        ASSERT_EQ(3u, m_graph.calls.size());
        EXPECT_EQ(L"AddFilter MPEG2 Demux", m_graph.calls[0]);
        EXPECT_EQ(L"RemoveFilter", m_graph.calls[2]);
        EXPECT_EQ(static_cast<IBaseFilter *>(&m_demux), m_graph.removed[0]);
        EXPECT_TRUE(m_demux.outputs.empty());
        EXPECT_TRUE(m_builder.renders.empty());
    }
    EXPECT_EQ(1, m_demux.Refs());
}

TEST_F(BuilderMpeg2, WithoutADemultiplexerTheCreationResultIsReturned) {
    // No demultiplexer registered (as on this platform): nothing is added.
    m_intercept.Fail(CLSID_MPEG2Demultiplexer, REGDB_E_CLASSNOTREG);
    ISampleCaptureGraphBuilder builder;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, builder.RenderStream(nullptr, &MEDIATYPE_Stream,
                                                        static_cast<IBaseFilter *>(&m_source), nullptr, nullptr));
    EXPECT_TRUE(m_graph.calls.empty());
    // A source that is no filter.
    FakeGraph notAFilter;
    EXPECT_EQ(E_INVALIDARG, builder.RenderStream(nullptr, &MEDIATYPE_Stream, &notAFilter, nullptr, nullptr));
}

TEST_F(BuilderMpeg2, WithASinkOnlyTheSegmentIsBuilt) {
    DemuxCanBeCreated();
    ISampleCaptureGraphBuilder builder;
    EXPECT_EQ(S_OK, builder.RenderStream(nullptr, &MEDIATYPE_Stream, static_cast<IBaseFilter *>(&m_source), nullptr,
                                         &m_dump));
    EXPECT_TRUE(m_demux.outputs.empty());
    EXPECT_TRUE(m_builder.renders.empty());
}

TEST_F(BuilderMpeg2, DumpSubtypePlacesTheDumpFilter) {
    m_intercept.Replace(CLSID_KorDumpFilter, [](REFIID iid, void **ppv) {
        return HandOut(static_cast<IBaseFilter *>(g_pFakeDump), iid, ppv);
    });
    {
        ISampleCaptureGraphBuilder builder;
        IBaseFilter *pMux = reinterpret_cast<IBaseFilter *>(0x1234);
        IFileSinkFilter *pSink = nullptr;
        EXPECT_EQ(E_INVALIDARG, builder.SetOutputFileName(&MEDIASUBTYPE_KorDump, nullptr, &pMux, &pSink));
        EXPECT_EQ(S_OK, builder.SetOutputFileName(&MEDIASUBTYPE_KorDump, L"C:\\out.mpg", &pMux, &pSink));
        EXPECT_EQ(reinterpret_cast<IBaseFilter *>(0x1234), pMux);  // left as it was
        ASSERT_EQ(static_cast<IFileSinkFilter *>(&m_dump), pSink);
        pSink->Release();
        EXPECT_EQ(L"C:\\out.mpg", m_dump.fileName);
        EXPECT_FALSE(m_dump.fileTypeGiven);
        ASSERT_EQ(1u, m_graph.calls.size());
        EXPECT_EQ(L"AddFilter Dump", m_graph.calls[0]);
        // Any other subtype goes to the platform builder.
        EXPECT_EQ(E_NOTIMPL, builder.SetOutputFileName(&MEDIASUBTYPE_Avi, L"C:\\out.avi", &pMux, &pSink));
        EXPECT_EQ(1, m_builder.forwardedOutput);
    }
    EXPECT_EQ(1, m_dump.Refs());
}

TEST(BuilderForwarding, PlatformBuilderAnswersThroughTheWrapper) {
    {
        ISampleCaptureGraphBuilder builder;
        ASSERT_TRUE(builder.Exists());
        // Wine's builder does not implement these: the wrapper returns that.
        EXPECT_EQ(E_NOTIMPL, builder.AllocCapFile(L"C:\\cap.avi", 1024));
        IGraphBuilder *pGraph = nullptr;
        IGraphBuilder *pNew = nullptr;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         reinterpret_cast<void **>(&pNew)));
        EXPECT_EQ(S_OK, builder.SetFiltergraph(pNew));
        EXPECT_EQ(S_OK, builder.GetFiltergraph(&pGraph));
        EXPECT_EQ(pNew, pGraph);
        pGraph->Release();
        pNew->Release();
    }
    {
        // A wrapper whose inner builder cannot be made counts as not created.
        CreateInterceptor intercept;
        intercept.Fail(CLSID_CaptureGraphBuilder2, E_OUTOFMEMORY);
        ISampleCaptureGraphBuilder builder;
        EXPECT_FALSE(builder.Exists());
        EXPECT_EQ(E_UNEXPECTED, builder.RenderStream(nullptr, &MEDIATYPE_Video, nullptr, nullptr, nullptr));
    }
}
