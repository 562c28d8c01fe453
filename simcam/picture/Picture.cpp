// Picture.cpp - one frame of the simulated camera: the cached still part of
// the scene, the moving parts drawn over it, delivered as YUY2 or as JPEG.
#include "Picture.h"

#include <stdlib.h>
#include <string.h>

#include "BufferPool.h"
#include "LayerCache.h"
#include "Overlay.h"
#include "JpegEncoder.h"

namespace {

const LONG kMaxDimension = 8192;
// Beyond the YUY2 size, an MJPG buffer has room for the headers and the
// encoder's reserve for its last MCU.
const DWORD kJpegReserve = 4096;
// Should a frame not fit at the normal quality, it is sent coarser.
const int kJpegQualities[] = {JPEG_DEFAULT_QUALITY, 50, 10};

bool IsValidSize(LONG width, LONG height) {
    return width > 0 && height > 0 && (width & 1) == 0 && width <= kMaxDimension && height <= kMaxDimension;
}

DWORD EncodeRows(const BYTE *const *ppRows, LONG width, LONG height, BYTE *pDst, DWORD cbDst) {
    for (int quality : kJpegQualities) {
        const DWORD cb = JpegEncodeYuy2Rows(ppRows, width, height, TRUE, quality, pDst, cbDst);
        if (cb != 0) return cb;
    }
    return 0;
}

DWORD RenderYuy2(const SimSceneLayer &layer, const SimPictureInput &input, BYTE *pDst) {
    const size_t cb = static_cast<size_t>(layer.Width()) * layer.Height() * 2;
    memcpy(pDst, layer.Yuy2(), cb);
    const SimYuy2Band frame = {pDst, 0, layer.Height(), layer.Width(), layer.Height()};
    SimDrawOverlays(frame, layer.Ball(), input);
    return static_cast<DWORD>(cb);
}

// Only the band of rows with the moving parts is copied and drawn on; the
// encoder reads every other row straight from the cached layer.
DWORD RenderMjpg(const SimSceneLayer &layer, const SimPictureInput &input, BYTE *pDst, DWORD cbDst) {
    const LONG width = layer.Width(), height = layer.Height();
    const size_t cbRow = static_cast<size_t>(width) * 2;
    LONG top = 0, bottom = 0;
    SimOverlayRows(width, height, layer.Ball(), &top, &bottom);
    BYTE *pBand = static_cast<BYTE *>(SimPoolAlloc(cbRow * (bottom - top + 1)));
    const BYTE **ppRows = static_cast<const BYTE **>(malloc(static_cast<size_t>(height) * sizeof(BYTE *)));
    DWORD cbWritten = 0;
    if (pBand && ppRows) {
        memcpy(pBand, layer.Yuy2() + cbRow * top, cbRow * (bottom - top));
        const SimYuy2Band band = {pBand, top, bottom, width, height};
        SimDrawOverlays(band, layer.Ball(), input);
        for (LONG y = 0; y < height; ++y) {
            ppRows[y] = (y >= top && y < bottom) ? band.Row(y) : layer.Yuy2() + cbRow * y;
        }
        cbWritten = EncodeRows(ppRows, width, height, pDst, cbDst);
    }
    SimPoolFree(pBand);
    free(ppRows);
    return cbWritten;
}

}  // namespace

DWORD SimFrameBufferSize(DWORD subtype, LONG width, LONG height) {
    if (!IsValidSize(width, height)) return 0;
    const DWORD cbYuy2 = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 2;
    switch (subtype) {
    case SIM_FOURCC_YUY2:
        return cbYuy2;
    case SIM_FOURCC_MJPG:
        return cbYuy2 + kJpegReserve;
    default:
        return 0;
    }
}

DWORD SimRenderFrame(const SimPictureInput &input, DWORD subtype, LONG width, LONG height, BYTE *pDst, DWORD cbDst) {
    const DWORD cbNeeded = SimFrameBufferSize(subtype, width, height);
    if (cbNeeded == 0 || !pDst || cbDst < cbNeeded) return 0;

    const std::shared_ptr<const SimSceneLayer> pLayer = SimAcquireLayer(input, width, height);
    if (!pLayer) return 0;
    return subtype == SIM_FOURCC_YUY2 ? RenderYuy2(*pLayer, input, pDst) : RenderMjpg(*pLayer, input, pDst, cbDst);
}

SimPictureInput SimDefaultPictureInput(LONG lensPosition) {
    SimPictureInput input;
    ZeroMemory(&input, sizeof(input));
    input.lensPosition = lensPosition;
    input.bestPosition = lensPosition;
    for (int i = 0; i < SIM_PA_COUNT; ++i) {
        input.procAmp[i].value = kSimProcAmpRanges[i].lDefault;
        input.procAmp[i].flags = kSimProcAmpRanges[i].lDefaultFlags;
    }
    input.exposure.value = kSimExposureRange.lDefault;
    input.exposure.flags = kSimExposureRange.lDefaultFlags;
    return input;
}
