// JpegIdct.h - 8x8 inverse DCT in integer arithmetic (the Loeffler-
// Ligtenberg-Moschytz factorisation with 13-bit constants), level shift and
// clamping to 8-bit samples.
#ifndef KOR_SIMCAM_JPEG_JPEGIDCT_H
#define KOR_SIMCAM_JPEG_JPEGIDCT_H

#include <windows.h>

// coef: 64 dequantised coefficients in natural (row-major) order; they are
// used as scratch and hold garbage afterwards. Writes 8 rows of 8 samples.
void JpegIdct8x8(int coef[64], BYTE *pOut, LONG lStride);

// The same for a block whose only nonzero coefficient is the DC one.
void JpegIdctDcOnly(int nDc, BYTE *pOut, LONG lStride);

#endif  // KOR_SIMCAM_JPEG_JPEGIDCT_H
