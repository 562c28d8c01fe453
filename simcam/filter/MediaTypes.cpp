// MediaTypes.cpp - capabilities as media types and stream capabilities.
#include "filter/MediaTypes.h"

#include "Picture.h"

namespace {

// Frame sizes up to which the camera keeps its faster rates.
const LONG kVgaPixels = 640 * 480;
const LONG kSxgaPixels = 1280 * 960;

const REFERENCE_TIME k30Fps = 333333;
const REFERENCE_TIME k15Fps = 666666;
const REFERENCE_TIME k10Fps = 1000000;
const REFERENCE_TIME k3Fps = 3333333;

bool IsKnownSubtype(DWORD dwFourcc) {
    return dwFourcc == SIM_FOURCC_YUY2 || dwFourcc == SIM_FOURCC_MJPG || dwFourcc == SIM_FOURCC_I420;
}

bool IsUncompressed(DWORD dwFourcc) { return dwFourcc == SIM_FOURCC_YUY2 || dwFourcc == SIM_FOURCC_I420; }

WORD BitCountOf(DWORD dwFourcc) {
    if (dwFourcc == SIM_FOURCC_YUY2) return 16;
    return dwFourcc == SIM_FOURCC_I420 ? 12 : 24;
}

// Bits per second for a full frame buffer at the given interval.
DWORD BitRateOf(DWORD cbFrame, REFERENCE_TIME rtInterval) {
    if (rtInterval <= 0) return 0;
    ULONGLONG ullBits = static_cast<ULONGLONG>(cbFrame) * 8ULL * 10000000ULL / static_cast<ULONGLONG>(rtInterval);
    return ullBits > 0xFFFFFFFFULL ? 0xFFFFFFFFu : static_cast<DWORD>(ullBits);
}

}  // namespace

DWORD SimFormatBufferSize(DWORD dwFourcc, LONG lWidth, LONG lHeight) {
    if (dwFourcc != SIM_FOURCC_I420) return SimFrameBufferSize(dwFourcc, lWidth, lHeight);
    if (lWidth <= 0 || lHeight <= 0 || (lWidth % 2) != 0 || (lHeight % 2) != 0) return 0;
    return static_cast<DWORD>(lWidth) * static_cast<DWORD>(lHeight) * 3u / 2u;
}

GUID SimSubtypeFromFourcc(DWORD dwFourcc) {
    GUID guid = {dwFourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    return guid;
}

REFERENCE_TIME SimMinFrameInterval(const SimCapability &cap) {
    LONG lPixels = cap.width * cap.height;
    if (cap.subtype == SIM_FOURCC_MJPG) return lPixels <= kSxgaPixels ? k30Fps : k15Fps;
    if (lPixels <= kVgaPixels) return k30Fps;
    return lPixels <= kSxgaPixels ? k10Fps : k3Fps;
}

REFERENCE_TIME SimPickFrameInterval(const SimCapability &cap, REFERENCE_TIME rtRequested) {
    REFERENCE_TIME rtMin = SimMinFrameInterval(cap);
    if (rtRequested == 0) return rtMin;
    // Rates written as rounded intervals (333333 for 30 fps) are taken as meant.
    if (rtRequested < rtMin - rtMin / 100 || rtRequested > SIM_MAX_FRAME_INTERVAL) return 0;
    return rtRequested < rtMin ? rtMin : rtRequested;
}

HRESULT SimBuildMediaType(const SimCapability &cap, REFERENCE_TIME rtInterval, AM_MEDIA_TYPE *pmt) {
    if (!pmt) return E_POINTER;
    ZeroMemory(pmt, sizeof(*pmt));
    DWORD cbFrame = SimFormatBufferSize(cap.subtype, cap.width, cap.height);
    if (!IsKnownSubtype(cap.subtype) || cbFrame == 0) return VFW_E_INVALIDMEDIATYPE;

    VIDEOINFOHEADER *pVih = static_cast<VIDEOINFOHEADER *>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (!pVih) return E_OUTOFMEMORY;
    ZeroMemory(pVih, sizeof(*pVih));
    pVih->dwBitRate = BitRateOf(cbFrame, rtInterval);
    pVih->AvgTimePerFrame = rtInterval;
    pVih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    pVih->bmiHeader.biWidth = cap.width;
    pVih->bmiHeader.biHeight = cap.height;
    pVih->bmiHeader.biPlanes = 1;
    pVih->bmiHeader.biBitCount = BitCountOf(cap.subtype);
    pVih->bmiHeader.biCompression = cap.subtype;
    pVih->bmiHeader.biSizeImage = cbFrame;

    pmt->majortype = MEDIATYPE_Video;
    pmt->subtype = SimSubtypeFromFourcc(cap.subtype);
    pmt->bFixedSizeSamples = IsUncompressed(cap.subtype) ? TRUE : FALSE;
    pmt->bTemporalCompression = FALSE;
    pmt->lSampleSize = IsUncompressed(cap.subtype) ? cbFrame : 0;
    pmt->formattype = FORMAT_VideoInfo;
    pmt->pUnk = nullptr;
    pmt->cbFormat = sizeof(VIDEOINFOHEADER);
    pmt->pbFormat = reinterpret_cast<BYTE *>(pVih);
    return S_OK;
}

void SimFillStreamCaps(const SimCapability &cap, VIDEO_STREAM_CONFIG_CAPS *pCaps) {
    ZeroMemory(pCaps, sizeof(*pCaps));
    SIZE size = {cap.width, cap.height};
    DWORD cbFrame = SimFormatBufferSize(cap.subtype, cap.width, cap.height);
    REFERENCE_TIME rtMin = SimMinFrameInterval(cap);
    pCaps->guid = FORMAT_VideoInfo;
    pCaps->VideoStandard = 0;  // AnalogVideo_None
    pCaps->InputSize = size;
    pCaps->MinCroppingSize = size;
    pCaps->MaxCroppingSize = size;
    pCaps->CropGranularityX = 1;
    pCaps->CropGranularityY = 1;
    pCaps->CropAlignX = 1;
    pCaps->CropAlignY = 1;
    pCaps->MinOutputSize = size;
    pCaps->MaxOutputSize = size;
    pCaps->OutputGranularityX = 0;
    pCaps->OutputGranularityY = 0;
    pCaps->StretchTapsX = 0;
    pCaps->StretchTapsY = 0;
    pCaps->ShrinkTapsX = 0;
    pCaps->ShrinkTapsY = 0;
    pCaps->MinFrameInterval = rtMin;
    pCaps->MaxFrameInterval = SIM_MAX_FRAME_INTERVAL;
    pCaps->MinBitsPerSecond = static_cast<LONG>(BitRateOf(cbFrame, SIM_MAX_FRAME_INTERVAL) & 0x7FFFFFFF);
    pCaps->MaxBitsPerSecond = static_cast<LONG>(BitRateOf(cbFrame, rtMin) & 0x7FFFFFFF);
}

bool SimMatchCapability(const AM_MEDIA_TYPE *pmt, const SimCapability *pCaps, LONG lCount, SimCapability *pFound,
                        REFERENCE_TIME *prtInterval) {
    if (!pmt || !IsEqualGUID(pmt->majortype, MEDIATYPE_Video)) return false;
    const VIDEOINFOHEADER *pVih = VideoInfoOf(pmt);
    if (!pVih) return false;
    for (LONG i = 0; i < lCount; ++i) {
        const SimCapability &cap = pCaps[i];
        if (!IsEqualGUID(pmt->subtype, SimSubtypeFromFourcc(cap.subtype))) continue;
        if (pVih->bmiHeader.biWidth != cap.width || pVih->bmiHeader.biHeight != cap.height) continue;
        REFERENCE_TIME rtInterval = SimPickFrameInterval(cap, pVih->AvgTimePerFrame);
        if (rtInterval == 0) continue;
        *pFound = cap;
        *prtInterval = rtInterval;
        return true;
    }
    return false;
}

bool SimIsFullySpecified(const AM_MEDIA_TYPE *pmt) {
    return pmt && !IsEqualGUID(pmt->majortype, GUID_NULL) && !IsEqualGUID(pmt->subtype, GUID_NULL) &&
           !IsEqualGUID(pmt->formattype, GUID_NULL);
}

bool SimPartialMatch(const AM_MEDIA_TYPE *pmt, const AM_MEDIA_TYPE *pPartial) {
    if (!pPartial) return true;
    if (!IsEqualGUID(pPartial->majortype, GUID_NULL) && !IsEqualGUID(pPartial->majortype, pmt->majortype)) return false;
    if (!IsEqualGUID(pPartial->subtype, GUID_NULL) && !IsEqualGUID(pPartial->subtype, pmt->subtype)) return false;
    if (!IsEqualGUID(pPartial->formattype, GUID_NULL) && !IsEqualGUID(pPartial->formattype, pmt->formattype))
        return false;
    return true;
}
