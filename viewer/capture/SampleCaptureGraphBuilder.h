// SampleCaptureGraphBuilder.h - the capture graph builder wrapper.
//
// A plain class (not a COM object) around the platform capture graph
// builder. Seven of its nine virtual operations forward to the inner
// builder; RenderStream builds an MPEG-2 encoder and demultiplexer path for
// a program stream (MEDIATYPE_Stream) and SetOutputFileName places a "Dump"
// sink for one subtype. The capture manager only passes video or
// interleaved types, so everything it asks for is forwarded.
#ifndef KOR_VIEWER_CAPTURE_SAMPLECAPTUREGRAPHBUILDER_H
#define KOR_VIEWER_CAPTURE_SAMPLECAPTUREGRAPHBUILDER_H

#include <windows.h>
#include <dshow.h>

#include "ComPtr.h"

class ISampleCaptureGraphBuilder {
public:
    // Creates the inner builder; Exists() tells whether that worked.
    ISampleCaptureGraphBuilder();
    virtual ~ISampleCaptureGraphBuilder();
    ISampleCaptureGraphBuilder(const ISampleCaptureGraphBuilder &) = delete;
    ISampleCaptureGraphBuilder &operator=(const ISampleCaptureGraphBuilder &) = delete;

    // True when the inner capture graph builder was created.
    bool Exists() const { return static_cast<bool>(m_pCaptureBuilder); }

    virtual HRESULT AllocCapFile(LPCOLESTR pszFile, DWORDLONG dwlSize);
    virtual HRESULT ControlStream(const GUID *pCategory, const GUID *pType, IBaseFilter *pFilter,
                                  REFERENCE_TIME *pStart, REFERENCE_TIME *pStop, WORD wStartCookie, WORD wStopCookie);
    virtual HRESULT CopyCaptureFile(LPOLESTR pszOld, LPOLESTR pszNew, int fAllowEscAbort,
                                    IAMCopyCaptureFileProgress *pCallback);
    virtual HRESULT FindInterface(const GUID *pCategory, const GUID *pType, IBaseFilter *pFilter, REFIID riid,
                                  void **ppint);
    virtual HRESULT FindPin(IUnknown *pSource, PIN_DIRECTION pindir, const GUID *pCategory, const GUID *pType,
                            BOOL fUnconnected, int num, IPin **ppPin);
    virtual HRESULT GetFiltergraph(IGraphBuilder **ppfg);
    virtual HRESULT RenderStream(const GUID *pCategory, const GUID *pType, IUnknown *pSource,
                                 IBaseFilter *pIntermediate, IBaseFilter *pSink);
    virtual HRESULT SetFiltergraph(IGraphBuilder *pfg);
    virtual HRESULT SetOutputFileName(const GUID *pType, LPCOLESTR pszFile, IBaseFilter **ppf, IFileSinkFilter **pSink);

    // Lets go of the MPEG-2 path's filters; keeps the inner builder and graph.
    void ReleaseFilters();

protected:
    // The source-to-demultiplexer segment of the MPEG-2 route.
    HRESULT CreateVideoEncoderPath(IBaseFilter *pSource);
    HRESULT ConnectEncoderToDemux(IBaseFilter *pEncoder, IPin *pSourcePin);
    HRESULT FindEncoderForPin(IPin *pSourcePin, const GUID *pMediumSet, ULONG ulMediumId, IBaseFilter **ppEncoder);
    HRESULT ConnectAudio(IBaseFilter *pSource);
    HRESULT ConfigureDemuxPins();
    HRESULT EnsureFilterGraph();
    void RemoveDemux();

    ComPtr<IBaseFilter> m_pBridgeFilter;
    ComPtr<IBaseFilter> m_pVideoEncoder;
    ComPtr<IBaseFilter> m_pDemux;
    ComPtr<ICaptureGraphBuilder2> m_pCaptureBuilder;
    ComPtr<IGraphBuilder> m_pFilterGraph;
    LONG m_VideoStreamId;
    LONG m_AudioStreamId;
};

// The fixed MPEG-2 formats of the demultiplexer's output pins: a 218-byte
// MPEG2VIDEOINFO and a 40-byte MPEG1WAVEFORMAT (format blocks for the
// "MpegVideo" and "MpegAudio" pins).
const ULONG kMpeg2VideoFormatBytes = 218;
const ULONG kMpeg1AudioFormatBytes = 40;
void FillMpeg2VideoFormat(BYTE *pFormat);  // kMpeg2VideoFormatBytes bytes
void FillMpeg1AudioFormat(BYTE *pFormat);  // kMpeg1AudioFormatBytes bytes

#endif  // KOR_VIEWER_CAPTURE_SAMPLECAPTUREGRAPHBUILDER_H
