// JpegDecoder.h - baseline JPEG decoder for the preview path: Huffman coded,
// 8-bit samples, one interleaved scan, grey or YCbCr with 4:4:4, 4:2:2 (H2V1),
// 4:4:0 (H1V2) or 4:2:0 sampling, restart intervals. A frame without DHT gets
// the standard tables, as motion-JPEG streams from cameras usually omit them.
//
// Output goes straight into a DIB: BGR (3 bytes) or BGRX (4 bytes) pixels,
// rows addressed through a signed stride so bottom-up bitmaps need no copy.
#ifndef KOR_SIMCAM_JPEG_JPEGDECODER_H
#define KOR_SIMCAM_JPEG_JPEGDECODER_H

#include <windows.h>

#include <stddef.h>

// Results besides S_OK, E_INVALIDARG and E_OUTOFMEMORY.
#define JPEG_E_TRUNCATED   HRESULT_FROM_WIN32(ERROR_HANDLE_EOF)     // data ends inside the image
#define JPEG_E_CORRUPT     HRESULT_FROM_WIN32(ERROR_INVALID_DATA)   // malformed segment or entropy data
#define JPEG_E_UNSUPPORTED HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED)  // progressive, 12-bit, arithmetic ...

struct JpegFrameInfo {
    LONG lWidth;
    LONG lHeight;
    int nComponents;  // 1 (grey) or 3 (YCbCr)
    int nLumaH;       // sampling factors of the first component
    int nLumaV;
    UINT uRestartInterval;  // MCUs between restart markers, 0 = none
};

// Where decoded pixels go. Row 0 is the top of the picture; for a bottom-up
// DIB pass the address of its last row in memory and a negative stride.
struct JpegPixelTarget {
    BYTE *pTopRow;
    LONG lStride;        // bytes from one row to the row below it
    int nBytesPerPixel;  // 3 (BGR) or 4 (BGRX, X written as 0)
    LONG lWidth;         // target size; the overlap with the frame is written
    LONG lHeight;
};

// One decoder keeps its tables and scratch buffers between frames, so a
// stream of equally sized frames allocates nothing after the first. Not
// thread-safe: one decoder per stream.
class JpegDecoder {
public:
    JpegDecoder();
    ~JpegDecoder();

    // Reads the headers up to the first scan and fills *pInfo (written only
    // on success).
    HRESULT ReadInfo(const BYTE *pData, size_t cbData, JpegFrameInfo *pInfo);

    // Decodes one complete image into the target. On failure the rows decoded
    // so far stay in the target; nothing is read outside [pData, pData+cbData).
    HRESULT Decode(const BYTE *pData, size_t cbData, const JpegPixelTarget &target);

private:
    JpegDecoder(const JpegDecoder &) = delete;
    JpegDecoder &operator=(const JpegDecoder &) = delete;

    struct Impl;
    Impl *m_pImpl;
};

#endif  // KOR_SIMCAM_JPEG_JPEGDECODER_H
