// Yuy2ToRgb.cpp - YUY2 to RGB conversion (see Yuy2ToRgb.h).
#include "Yuy2ToRgb.h"

namespace {

// 16-bit fixed point: R = 1.164 (Y-16) + 1.596 (V-128),
// G = 1.164 (Y-16) - 0.813 (V-128) - 0.391 (U-128), B = 1.164 (Y-16) + 2.018 (U-128).
struct Yuy2Tables {
    int y[256];  // includes the rounding
    int vR[256];
    int vG[256];
    int uG[256];
    int uB[256];

    Yuy2Tables() {
        for (int i = 0; i < 256; ++i) {
            y[i] = 76309 * (i - 16) + 32768;
            vR[i] = 104597 * (i - 128);
            vG[i] = -53279 * (i - 128);
            uG[i] = -25675 * (i - 128);
            uB[i] = 132201 * (i - 128);
        }
    }
};

const Yuy2Tables kYuy2Tables;

inline BYTE Clamp255(int v) {
    if (v < 0) return 0;
    if (v > 255) return 255;
    return static_cast<BYTE>(v);
}

template <int BPP>
inline void PutPixel(BYTE *pDst, int y, int r, int g, int b) {
    pDst[0] = Clamp255((y + b) >> 16);
    pDst[1] = Clamp255((y + g) >> 16);
    pDst[2] = Clamp255((y + r) >> 16);
    if (BPP == 4) pDst[3] = 0;
}

template <int BPP>
void ConvertRows(const BYTE *pSrc, LONG lSrcStride, LONG lWidth, LONG lHeight, BYTE *pDst, LONG lDstStride) {
    const Yuy2Tables &t = kYuy2Tables;
    for (LONG row = 0; row < lHeight; ++row) {
        const BYTE *s = pSrc + static_cast<LONG_PTR>(row) * lSrcStride;
        BYTE *d = pDst + static_cast<LONG_PTR>(row) * lDstStride;
        for (LONG x = 0; x < lWidth; x += 2, s += 4, d += 2 * BPP) {
            const int r = t.vR[s[3]];
            const int g = t.uG[s[1]] + t.vG[s[3]];
            const int b = t.uB[s[1]];
            PutPixel<BPP>(d, t.y[s[0]], r, g, b);
            if (x + 1 < lWidth) PutPixel<BPP>(d + BPP, t.y[s[2]], r, g, b);
        }
    }
}

}  // namespace

void Yuy2ToRgb(const BYTE *pSrc, LONG lSrcStride, LONG lWidth, LONG lHeight, BYTE *pDstTopRow, LONG lDstStride,
               int nBytesPerPixel) {
    if (nBytesPerPixel == 4)
        ConvertRows<4>(pSrc, lSrcStride, lWidth, lHeight, pDstTopRow, lDstStride);
    else
        ConvertRows<3>(pSrc, lSrcStride, lWidth, lHeight, pDstTopRow, lDstStride);
}
