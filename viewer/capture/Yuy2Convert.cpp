// Yuy2Convert.cpp - the exact scalar conversion.
#include "Yuy2Convert.h"

namespace {

inline BYTE Clamp255(int value) { return static_cast<BYTE>(value < 0 ? 0 : (value > 255 ? 255 : value)); }

void ConvertRowScalar(const BYTE *pSource, BYTE *pTarget, int width) {
    for (int x = 0; x + 1 < width; x += 2) {
        const int u = pSource[1] - 128;
        const int v = pSource[3] - 128;
        const int blueUv = (u * 33062) >> 14;
        const int greenUv = -((v * 13320) >> 14) - ((u * 6406) >> 14);
        const int redUv = (v * 26148) >> 14;
        for (int i = 0; i < 2; ++i) {
            const int y = ((pSource[i * 2] - 16) * 19070) >> 14;
            pTarget[0] = Clamp255(y + blueUv);
            pTarget[1] = Clamp255(y + greenUv);
            pTarget[2] = Clamp255(y + redUv);
            pTarget += 3;
        }
        pSource += 4;
    }
}

void ConvertScalar(const BYTE *pSource, BYTE *pTarget, int width, int height) {
    const UINT cbRow = PaddedRowBytes(width);
    const UINT cbPixels = static_cast<UINT>(width) * 3u;
    for (int row = 0; row < height; ++row) {
        BYTE *pRow = pTarget + static_cast<size_t>(row) * cbRow;
        ConvertRowScalar(pSource + static_cast<size_t>(row) * static_cast<UINT>(width) * 2u, pRow, width);
        for (UINT i = cbPixels; i < cbRow; ++i) pRow[i] = 0;
    }
}

}  // namespace

bool Yuy2PathAvailable(Yuy2Path path) { return path == YUY2_PATH_SCALAR; }

void Yuy2ToBgr24With(Yuy2Path path, const BYTE *pSource, BYTE *pTarget, int width, int height) {
    (void)path;
    ConvertScalar(pSource, pTarget, width, height);
}

void Yuy2ToBgr24(const BYTE *pSource, BYTE *pTarget, int width, int height) {
    ConvertScalar(pSource, pTarget, width, height);
}
