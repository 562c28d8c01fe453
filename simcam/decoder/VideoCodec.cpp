// VideoCodec.cpp - the installable VCM decompressor (see VideoCodec.h).
//
// The driver is opened twice by the driver loader: once without ICOPEN (the
// session, which owns nothing) and once per ICOpen with it; each ICOpen gets
// its own instance, so every stream has its own JPEG decoder state.
// ICM_DECOMPRESS checks the formats on every frame, so a caller that skips
// ICM_DECOMPRESS_BEGIN, or begins with another output format, gets no worse
// than ICERR_BADFORMAT.
#include "VideoCodec.h"

#include <new>
#include <strsafe.h>
#include <vfw.h>

#include "SimSharedState.h"
#include "CodecRegistration.h"
#include "server/Module.h"
#include "Yuy2ToRgb.h"
#include "JpegDecoder.h"

namespace {

const DWORD_PTR kSessionId = 1;  // DRV_OPEN without ICOPEN
const LONG kMaxDimension = 16384;

enum InputKind { INPUT_NONE, INPUT_YUY2, INPUT_MJPG };

struct CodecInstance {
    DWORD fccHandler;
    JpegDecoder jpeg;
};

DWORD UpperFourcc(DWORD fcc) {
    DWORD result = 0;
    for (int i = 0; i < 4; ++i) {
        DWORD c = (fcc >> (8 * i)) & 0xFF;
        if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
        result |= c << (8 * i);
    }
    return result;
}

InputKind ClassifyInput(const BITMAPINFOHEADER *pIn) {
    if (!pIn || pIn->biSize < sizeof(BITMAPINFOHEADER)) return INPUT_NONE;
    if (pIn->biWidth <= 0 || pIn->biWidth > kMaxDimension || pIn->biHeight == 0 || pIn->biHeight > kMaxDimension ||
        pIn->biHeight < -kMaxDimension)
        return INPUT_NONE;
    const DWORD fcc = UpperFourcc(pIn->biCompression);
    if (fcc == SIM_CODEC_YUY2) return (pIn->biBitCount == 16 && (pIn->biWidth & 1) == 0) ? INPUT_YUY2 : INPUT_NONE;
    if (fcc == SIM_CODEC_MJPG) return INPUT_MJPG;
    return INPUT_NONE;
}

LONG AbsHeight(const BITMAPINFOHEADER *p) { return p->biHeight < 0 ? -p->biHeight : p->biHeight; }

// Bytes per row of an uncompressed DIB (rows are DWORD-aligned).
LONG DibStride(LONG lWidth, int nBitCount) { return ((lWidth * nBitCount + 31) / 32) * 4; }

BOOL IsSupportedOutput(const BITMAPINFOHEADER *pIn, const BITMAPINFOHEADER *pOut) {
    if (!pOut || pOut->biSize < sizeof(BITMAPINFOHEADER)) return FALSE;
    if (pOut->biCompression != BI_RGB || (pOut->biBitCount != 24 && pOut->biBitCount != 32)) return FALSE;
    if (pOut->biPlanes != 1) return FALSE;
    return pOut->biWidth == pIn->biWidth && AbsHeight(pOut) == AbsHeight(pIn);
}

// A scenario can make the decompressor refuse everything (a camera with
// decoder_refuses), so that a preview branch finds no decoder.
bool RefusesAll() {
    SimStateGuard state;
    if (!state.Get()) return false;
    for (int i = 0; i < state->cameraCount; ++i) {
        if (state->cameras[i].decoderRefuses) return true;
    }
    return false;
}

LRESULT DecompressQuery(const BITMAPINFOHEADER *pIn, const BITMAPINFOHEADER *pOut) {
    if (ClassifyInput(pIn) == INPUT_NONE || RefusesAll()) return ICERR_BADFORMAT;
    if (pOut && !IsSupportedOutput(pIn, pOut)) return ICERR_BADFORMAT;
    return ICERR_OK;
}

// With pOut null: the size of the format. Otherwise fills in 24-bit RGB.
LRESULT DecompressGetFormat(const BITMAPINFOHEADER *pIn, BITMAPINFOHEADER *pOut) {
    if (ClassifyInput(pIn) == INPUT_NONE || RefusesAll()) return ICERR_BADFORMAT;
    if (!pOut) return sizeof(BITMAPINFOHEADER);
    ZeroMemory(pOut, sizeof(*pOut));
    pOut->biSize = sizeof(BITMAPINFOHEADER);
    pOut->biWidth = pIn->biWidth;
    pOut->biHeight = AbsHeight(pIn);
    pOut->biPlanes = 1;
    pOut->biBitCount = 24;
    pOut->biCompression = BI_RGB;
    pOut->biSizeImage = static_cast<DWORD>(DibStride(pOut->biWidth, 24) * pOut->biHeight);
    return ICERR_OK;
}

LRESULT Decompress(CodecInstance *pInst, const ICDECOMPRESS *pDecompress, DWORD cb) {
    if (!pDecompress || cb < sizeof(ICDECOMPRESS)) return ICERR_BADPARAM;
    const BITMAPINFOHEADER *pIn = pDecompress->lpbiInput;
    const BITMAPINFOHEADER *pOut = pDecompress->lpbiOutput;
    const InputKind kind = ClassifyInput(pIn);
    if (kind == INPUT_NONE || !IsSupportedOutput(pIn, pOut)) return ICERR_BADFORMAT;
    if (!pDecompress->lpInput || !pDecompress->lpOutput) return ICERR_BADPARAM;
    // The caller drops this frame anyway.
    if (pDecompress->dwFlags & ICDECOMPRESS_HURRYUP) return ICERR_OK;

    const LONG lWidth = pIn->biWidth;
    const LONG lHeight = AbsHeight(pIn);
    const int nBytesPerPixel = pOut->biBitCount / 8;
    const LONG lStride = DibStride(lWidth, pOut->biBitCount);
    BYTE *pBits = static_cast<BYTE *>(pDecompress->lpOutput);
    // A positive height is a bottom-up DIB: the top row is the last in memory.
    BYTE *pTopRow = pOut->biHeight > 0 ? pBits + static_cast<LONG_PTR>(lHeight - 1) * lStride : pBits;
    const LONG lTopDownStride = pOut->biHeight > 0 ? -lStride : lStride;

    if (kind == INPUT_YUY2) {
        // YUV pictures are top-down whatever the sign of biHeight. The frame
        // must be complete: biSizeImage is the caller's byte count (0: trust
        // the header).
        const DWORD cbNeeded = static_cast<DWORD>(lWidth) * 2u * static_cast<DWORD>(lHeight);
        if (pIn->biSizeImage != 0 && pIn->biSizeImage < cbNeeded) return ICERR_BADSIZE;
        Yuy2ToRgb(static_cast<const BYTE *>(pDecompress->lpInput), lWidth * 2, lWidth, lHeight, pTopRow, lTopDownStride,
                  nBytesPerPixel);
        return ICERR_OK;
    }

    // A JPEG's length is known only from biSizeImage.
    if (pIn->biSizeImage == 0) return ICERR_BADSIZE;
    JpegPixelTarget target;
    target.pTopRow = pTopRow;
    target.lStride = lTopDownStride;
    target.nBytesPerPixel = nBytesPerPixel;
    target.lWidth = lWidth;
    target.lHeight = lHeight;
    const HRESULT hr = pInst->jpeg.Decode(static_cast<const BYTE *>(pDecompress->lpInput), pIn->biSizeImage, target);
    if (SUCCEEDED(hr)) return ICERR_OK;
    if (hr == E_OUTOFMEMORY) return ICERR_MEMORY;
    if (hr == JPEG_E_UNSUPPORTED) return ICERR_BADFORMAT;
    return ICERR_ERROR;
}

LRESULT GetInfo(const CodecInstance *pInst, ICINFO *pInfo, DWORD cb) {
    if (!pInfo || cb < sizeof(ICINFO)) return 0;
    pInfo->dwSize = sizeof(ICINFO);
    pInfo->fccType = ICTYPE_VIDEO;
    pInfo->fccHandler = pInst->fccHandler;
    pInfo->dwFlags = 0;
    pInfo->dwVersion = 0x00010000;
    pInfo->dwVersionICM = ICVERSION;
    (void)StringCchCopyW(pInfo->szName, ARRAYSIZE(pInfo->szName), L"SimCam");
    (void)StringCchCopyW(pInfo->szDescription, ARRAYSIZE(pInfo->szDescription), L"SimCam YUY2/MJPG decompressor");
    return sizeof(ICINFO);
}

LRESULT OpenInstance(ICOPEN *pOpen) {
    if (!pOpen) return kSessionId;  // the loader's session open
    if (UpperFourcc(pOpen->fccType) != UpperFourcc(ICTYPE_VIDEO)) return 0;
    CodecInstance *pInst = new (std::nothrow) CodecInstance();
    if (!pInst) return 0;
    pInst->fccHandler = UpperFourcc(pOpen->fccHandler);
    pOpen->dwError = ICERR_OK;
    return reinterpret_cast<LRESULT>(pInst);
}

}  // namespace

HRESULT SimRegisterVideoCodecStep(BOOL bRegister) {
    return bRegister ? SimRegisterVideoCodec(SimModulePath()) : SimUnregisterVideoCodec(SimModulePath());
}

extern "C" LRESULT WINAPI DriverProc(DWORD_PTR dwDriverId, HDRVR hDriver, UINT uMsg, LPARAM lParam1, LPARAM lParam2) {
    CodecInstance *pInst = dwDriverId > kSessionId ? reinterpret_cast<CodecInstance *>(dwDriverId) : nullptr;
    switch (uMsg) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_INSTALL:
    case DRV_REMOVE:
        return DRV_OK;
    case DRV_OPEN:
        return OpenInstance(reinterpret_cast<ICOPEN *>(lParam2));
    case DRV_CLOSE:
        delete pInst;
        return DRV_OK;
    case DRV_QUERYCONFIGURE:
        return 0;
    case DRV_CONFIGURE:
        return DRV_CANCEL;
    }

    if (uMsg < DRV_USER) return DefDriverProc(dwDriverId, hDriver, uMsg, lParam1, lParam2);
    if (!pInst) return ICERR_BADHANDLE;

    const BITMAPINFOHEADER *pIn = reinterpret_cast<const BITMAPINFOHEADER *>(lParam1);
    switch (uMsg) {
    case ICM_GETINFO:
        return GetInfo(pInst, reinterpret_cast<ICINFO *>(lParam1), static_cast<DWORD>(lParam2));
    case ICM_GETSTATE:
    case ICM_SETSTATE:
        return 0;
    case ICM_DECOMPRESS_QUERY:
        return DecompressQuery(pIn, reinterpret_cast<const BITMAPINFOHEADER *>(lParam2));
    case ICM_DECOMPRESS_BEGIN:
        // Only the input is checked here: Wine's AVI Decompressor passes its
        // input format in place of the output one. Nothing is prepared that
        // depends on the output, and ICM_DECOMPRESS checks both formats.
        return DecompressQuery(pIn, nullptr);
    case ICM_DECOMPRESS_GET_FORMAT:
        return DecompressGetFormat(pIn, reinterpret_cast<BITMAPINFOHEADER *>(lParam2));
    case ICM_DECOMPRESS:
        return Decompress(pInst, reinterpret_cast<const ICDECOMPRESS *>(lParam1), static_cast<DWORD>(lParam2));
    case ICM_DECOMPRESS_END:
        return ICERR_OK;
    default:
        // Compression, drawing, palettes, configuration and about dialogs.
        return ICERR_UNSUPPORTED;
    }
}
