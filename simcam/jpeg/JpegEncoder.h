// JpegEncoder.h - baseline JPEG encoder for packed YUY2 pictures.
//
// Writes one complete JFIF stream: SOI, APP0, DQT (luma and chroma), SOF0
// with 4:2:2 sampling (Y 2x1, Cb and Cr 1x1: what UVC MJPG cameras send),
// DHT with the four standard tables, SOS and the entropy-coded data, EOI.
// Sizes that are not whole MCUs (16x8) are padded by repeating the last
// column and row.
#ifndef KOR_SIMCAM_JPEG_JPEGENCODER_H
#define KOR_SIMCAM_JPEG_JPEGENCODER_H

#include <windows.h>

#define JPEG_DEFAULT_QUALITY 85
#define JPEG_MAX_DIMENSION   65535

// Bytes of everything before the entropy-coded data (SOI .. SOS).
#define JPEG_HEADER_BYTES 607

// Encodes width x height YUY2 pixels (rows stride bytes apart, top row first)
// into pDst. studioRange: the samples use Y 16..235 and chroma 16..240 (the
// YUY2 convention) and are stretched to the full range JFIF stores; FALSE
// takes them as full range. quality 1..100 scales the standard quantisation
// tables (clamped). Returns the stream's length, or 0 when the arguments are
// bad (null pointers, odd or zero width, size beyond JPEG_MAX_DIMENSION) or
// the stream would not fit in cbDst. Nothing beyond cbDst is ever written;
// the encoder wants about 1800 bytes of room beyond the stream while it works.
DWORD JpegEncodeYuy2(const BYTE *pSrc, LONG width, LONG height, LONG stride, BOOL studioRange, int quality, BYTE *pDst,
                     DWORD cbDst);

// The same from height row pointers (top row first), each width * 2 bytes:
// rows can come from different buffers.
DWORD JpegEncodeYuy2Rows(const BYTE *const *ppRows, LONG width, LONG height, BOOL studioRange, int quality, BYTE *pDst,
                         DWORD cbDst);

#endif  // KOR_SIMCAM_JPEG_JPEGENCODER_H
