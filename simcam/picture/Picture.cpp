// Picture.cpp - one frame of the simulated camera: the cached still part of
// the scene, the moving parts drawn over it, delivered as YUY2 or as JPEG.
#include "picture/Picture.h"

#include <stdlib.h>
#include <string.h>

#include "LayerCache.h"
#include "Overlay.h"
#include "jpeg/JpegEncoder.h"

namespace {

const LONG kMaxDimension = 8192;
// Beyond the YUY2 size, an MJPG buffer has room for the headers and the
// encoder's reserve for its last MCU.
const DWORD kJpegReserve = 4096;
// Should a frame not fit at the normal quality, it is sent coarser.
const int kJpegQualities[] = {JPEG_DEFAULT_QUALITY, 50, 10};

bool IsValidSize(LONG width, LONG height)
{
    return width > 0 && height > 0 && (width & 1) == 0 && width <= kMaxDimension && height <= kMaxDimension;
}

DWORD EncodeFrame(const BYTE *pYuy2, LONG width, LONG height, BYTE *pDst, DWORD cbDst)
{
    for (int quality : kJpegQualities) {
        const DWORD cb = JpegEncodeYuy2(pYuy2, width, height, width * 2, TRUE, quality, pDst, cbDst);
        if (cb != 0) return cb;
    }
    return 0;
}

}  // namespace

DWORD SimFrameBufferSize(DWORD subtype, LONG width, LONG height)
{
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

DWORD SimRenderFrame(const SimPictureInput &input, DWORD subtype, LONG width, LONG height,
                     BYTE *pDst, DWORD cbDst)
{
    const DWORD cbNeeded = SimFrameBufferSize(subtype, width, height);
    if (cbNeeded == 0 || !pDst || cbDst < cbNeeded) return 0;

    const SimSceneLayer *pLayer = SimAcquireLayer(input, width, height);
    if (!pLayer) return 0;
    const size_t cbYuy2 = static_cast<size_t>(width) * height * 2;
    DWORD cbWritten = 0;
    if (subtype == SIM_FOURCC_YUY2) {
        memcpy(pDst, pLayer->Yuy2(), cbYuy2);
        SimDrawOverlays(pDst, width, height, pLayer->Ball(), input);
        cbWritten = static_cast<DWORD>(cbYuy2);
    } else {
        BYTE *pFrame = static_cast<BYTE *>(malloc(cbYuy2));
        if (pFrame) {
            memcpy(pFrame, pLayer->Yuy2(), cbYuy2);
            SimDrawOverlays(pFrame, width, height, pLayer->Ball(), input);
            cbWritten = EncodeFrame(pFrame, width, height, pDst, cbDst);
            free(pFrame);
        }
    }
    pLayer->Release();
    return cbWritten;
}
