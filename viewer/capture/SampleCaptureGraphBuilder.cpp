// SampleCaptureGraphBuilder.cpp - first cut: forwarding only.
#include "SampleCaptureGraphBuilder.h"

#include "CreateSeam.h"

ISampleCaptureGraphBuilder::ISampleCaptureGraphBuilder() : m_VideoStreamId(0xE0), m_AudioStreamId(0xC0) {
    (void)KorCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                            m_pCaptureBuilder.OutVoid());
}
ISampleCaptureGraphBuilder::~ISampleCaptureGraphBuilder() {}
HRESULT ISampleCaptureGraphBuilder::AllocCapFile(LPCOLESTR, DWORDLONG) { return E_NOTIMPL; }
HRESULT ISampleCaptureGraphBuilder::ControlStream(const GUID *, const GUID *, IBaseFilter *, REFERENCE_TIME *,
                                                  REFERENCE_TIME *, WORD, WORD) {
    return E_NOTIMPL;
}
HRESULT ISampleCaptureGraphBuilder::CopyCaptureFile(LPOLESTR, LPOLESTR, int, IAMCopyCaptureFileProgress *) {
    return E_NOTIMPL;
}
HRESULT ISampleCaptureGraphBuilder::FindInterface(const GUID *, const GUID *, IBaseFilter *, REFIID, void **) {
    return E_NOTIMPL;
}
HRESULT ISampleCaptureGraphBuilder::FindPin(IUnknown *, PIN_DIRECTION, const GUID *, const GUID *, BOOL, int, IPin **) {
    return E_NOTIMPL;
}
HRESULT ISampleCaptureGraphBuilder::GetFiltergraph(IGraphBuilder **) { return E_NOTIMPL; }
HRESULT ISampleCaptureGraphBuilder::RenderStream(const GUID *, const GUID *, IUnknown *, IBaseFilter *, IBaseFilter *) {
    return E_NOTIMPL;
}
HRESULT ISampleCaptureGraphBuilder::SetFiltergraph(IGraphBuilder *) { return E_NOTIMPL; }
HRESULT ISampleCaptureGraphBuilder::SetOutputFileName(const GUID *, LPCOLESTR, IBaseFilter **, IFileSinkFilter **) {
    return E_NOTIMPL;
}
void ISampleCaptureGraphBuilder::ReleaseFilters() {
    m_pBridgeFilter.Clear();
    m_pVideoEncoder.Clear();
    m_pDemux.Clear();
}
HRESULT ISampleCaptureGraphBuilder::CreateVideoEncoderPath(IBaseFilter *) { return E_NOTIMPL; }
HRESULT ISampleCaptureGraphBuilder::ConnectEncoderToDemux(IBaseFilter *, IPin *) { return E_NOTIMPL; }
HRESULT ISampleCaptureGraphBuilder::FindEncoderForPin(IPin *, const GUID *, ULONG, IBaseFilter **) { return E_NOTIMPL; }
HRESULT ISampleCaptureGraphBuilder::ConnectAudio(IBaseFilter *) { return E_NOTIMPL; }
HRESULT ISampleCaptureGraphBuilder::ConfigureDemuxPins() { return E_NOTIMPL; }
HRESULT ISampleCaptureGraphBuilder::EnsureFilterGraph() { return E_NOTIMPL; }
void ISampleCaptureGraphBuilder::RemoveDemux() {}
void FillMpeg2VideoFormat(BYTE *) {}
void FillMpeg1AudioFormat(BYTE *) {}
