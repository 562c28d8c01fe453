// Yuy2Convert.h - YUY2 still frames to 24-bit top-down bitmap rows.
//
// Fixed point with 14 fractional bits, each product shifted separately
// (arithmetic shift) and then summed and clamped to 0..255:
//   y = Y - 16, u = U - 128, v = V - 128
//   blue  = (y*19070 >> 14) + (u*33062 >> 14)
//   green = (y*19070 >> 14) - (v*13320 >> 14) - (u*6406 >> 14)
//   red   = (y*19070 >> 14) + (v*26148 >> 14)
// Every path computes exactly these values.
#ifndef KOR_VIEWER_CAPTURE_YUY2CONVERT_H
#define KOR_VIEWER_CAPTURE_YUY2CONVERT_H

#include <windows.h>

// Bytes of one bitmap row: width * 3 rounded up to a multiple of four.
inline UINT PaddedRowBytes(int width) { return (static_cast<UINT>(width) * 3u + 3u) & ~3u; }

// Converts height rows of width * 2 YUY2 bytes (width even) into height rows
// of PaddedRowBytes(width) bytes, blue-green-red, top row first, padding
// bytes zero. Uses the fastest path this processor has. Null buffers or a
// width or height of 0 or less convert nothing; with an odd width the last
// pixel of each row, which has no pair, is written as zero bytes.
void Yuy2ToBgr24(const BYTE *pSource, BYTE *pTarget, int width, int height);

// The conversion paths, for tests and the benchmark. All give the same bytes;
// a path this processor or system lacks converts the scalar way.
enum Yuy2Path { YUY2_PATH_SCALAR = 0, YUY2_PATH_SSSE3 = 1, YUY2_PATH_AVX2 = 2 };
bool Yuy2PathAvailable(Yuy2Path path);
void Yuy2ToBgr24With(Yuy2Path path, const BYTE *pSource, BYTE *pTarget, int width, int height);

#endif  // KOR_VIEWER_CAPTURE_YUY2CONVERT_H
