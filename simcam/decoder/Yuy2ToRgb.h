// Yuy2ToRgb.h - packed 4:2:2 YUV (YUY2: Y0 U Y1 V) to BGR or BGRX pixels,
// BT.601 with studio range (Y 16..235, U and V 16..240).
#ifndef KOR_SIMCAM_DECODER_YUY2TORGB_H
#define KOR_SIMCAM_DECODER_YUY2TORGB_H

#include <windows.h>

// pSrc: top row of the YUY2 picture, lSrcStride bytes per row (at least
// 2 * width rounded up to a whole macropixel). pDstTopRow: the destination
// row that shows the top of the picture; lDstStride may be negative (bottom-
// up DIB). nBytesPerPixel is 3 or 4 (the fourth byte is written as 0).
void Yuy2ToRgb(const BYTE *pSrc, LONG lSrcStride, LONG lWidth, LONG lHeight, BYTE *pDstTopRow, LONG lDstStride,
               int nBytesPerPixel);

#endif  // KOR_SIMCAM_DECODER_YUY2TORGB_H
