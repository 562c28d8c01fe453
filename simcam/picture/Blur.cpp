// Blur.cpp - defocus blur by repeated box filters (running sums, so the cost
// does not depend on the radius).
#include "Blur.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "BufferPool.h"

namespace {

// Blur grows linearly with the lens distance beyond a small depth of field:
// 0.065 pixels of standard deviation per step on a 480-line frame.
const LONG kDepthOfField = 3;
const float kSigmaPerStep480 = 0.065f;
const int kPasses = 3;
// Far beyond recognition; also keeps the rounded box average below 256.
const LONG kMaxRadius = 100;

// One horizontal box pass from pSrc to pDst.
void BoxRows(const BYTE *pSrc, BYTE *pDst, LONG width, LONG height, LONG radius, DWORD reciprocal, BYTE *pPadded) {
    for (LONG y = 0; y < height; ++y) {
        const BYTE *s = pSrc + static_cast<size_t>(y) * width;
        BYTE *d = pDst + static_cast<size_t>(y) * width;
        // The row with radius copies of each end value on either side.
        memset(pPadded, s[0], radius);
        memcpy(pPadded + radius, s, width);
        memset(pPadded + radius + width, s[width - 1], radius + 1);
        DWORD sum = 0;
        for (LONG i = 0; i < 2 * radius + 1; ++i) sum += pPadded[i];
        for (LONG x = 0; x < width; ++x) {
            d[x] = static_cast<BYTE>((sum * reciprocal + 0x8000) >> 16);
            sum += pPadded[x + 2 * radius + 1];
            sum -= pPadded[x];
        }
    }
}

// One vertical box pass from pSrc to pDst, a row of column sums at a time.
void BoxColumns(const BYTE *pSrc, BYTE *pDst, LONG width, LONG height, LONG radius, DWORD reciprocal, DWORD *pSums) {
    for (LONG x = 0; x < width; ++x) pSums[x] = pSrc[x] * static_cast<DWORD>(radius + 1);
    for (LONG i = 1; i <= radius; ++i) {
        const BYTE *s = pSrc + static_cast<size_t>(i < height ? i : height - 1) * width;
        for (LONG x = 0; x < width; ++x) pSums[x] += s[x];
    }
    for (LONG y = 0; y < height; ++y) {
        BYTE *d = pDst + static_cast<size_t>(y) * width;
        for (LONG x = 0; x < width; ++x) d[x] = static_cast<BYTE>((pSums[x] * reciprocal + 0x8000) >> 16);
        const LONG add = y + radius + 1 < height ? y + radius + 1 : height - 1;
        const LONG sub = y - radius > 0 ? y - radius : 0;
        const BYTE *a = pSrc + static_cast<size_t>(add) * width;
        const BYTE *s = pSrc + static_cast<size_t>(sub) * width;
        for (LONG x = 0; x < width; ++x) pSums[x] += static_cast<DWORD>(a[x]) - s[x];
    }
}

// Three box passes at full resolution.
bool BoxBlur(BYTE *pPlane, LONG width, LONG height, LONG radius, BYTE *pScratch) {
    const DWORD reciprocal = (65536u + radius) / (2 * radius + 1);
    BYTE *pPadded = static_cast<BYTE *>(malloc(static_cast<size_t>(width) + 2 * radius + 1));
    DWORD *pSums = static_cast<DWORD *>(malloc(static_cast<size_t>(width) * sizeof(DWORD)));
    const bool ok = pPadded && pSums;
    if (ok) {
        for (int pass = 0; pass < kPasses; ++pass) {
            BoxRows(pPlane, pScratch, width, height, radius, reciprocal, pPadded);
            BoxColumns(pScratch, pPlane, width, height, radius, reciprocal, pSums);
        }
    }
    free(pPadded);
    free(pSums);
    return ok;
}

// Averages kFactor x kFactor blocks of the plane into pSmall (edges repeated).
template <int kFactor>
void Shrink(const BYTE *pPlane, LONG width, LONG height, BYTE *pSmall, LONG smallWidth, LONG smallHeight) {
    const DWORD area = kFactor * kFactor;
    const LONG wholeBlocks = width / kFactor;
    for (LONG sy = 0; sy < smallHeight; ++sy) {
        const BYTE *rows[kFactor];
        for (int dy = 0; dy < kFactor; ++dy) {
            const LONG y = sy * kFactor + dy < height ? sy * kFactor + dy : height - 1;
            rows[dy] = pPlane + static_cast<size_t>(y) * width;
        }
        BYTE *d = pSmall + static_cast<size_t>(sy) * smallWidth;
        for (LONG sx = 0; sx < smallWidth; ++sx) {
            DWORD sum = 0;
            if (sx < wholeBlocks) {
                for (int dy = 0; dy < kFactor; ++dy) {
                    for (int dx = 0; dx < kFactor; ++dx) sum += rows[dy][sx * kFactor + dx];
                }
            } else {
                for (int dy = 0; dy < kFactor; ++dy) {
                    for (int dx = 0; dx < kFactor; ++dx) {
                        const LONG x = sx * kFactor + dx;
                        sum += rows[dy][x < width ? x : width - 1];
                    }
                }
            }
            d[sx] = static_cast<BYTE>((sum + area / 2) / area);
        }
    }
}

// Where output coordinate i falls between two samples of the small plane.
struct Tap {
    LONG first;
    LONG second;
    DWORD weight;  // of the second, 0..256
};

Tap TapFor(LONG i, LONG factor, LONG smallLength) {
    const float pos = (i + 0.5f) / factor - 0.5f;
    Tap tap;
    if (pos <= 0.0f) {
        tap.first = tap.second = 0;
        tap.weight = 0;
        return tap;
    }
    tap.first = static_cast<LONG>(pos);
    tap.second = tap.first + 1 < smallLength ? tap.first + 1 : smallLength - 1;
    tap.weight = static_cast<DWORD>((pos - tap.first) * 256.0f + 0.5f);
    return tap;
}

// One row of the small plane stretched to the full width (bilinear), 8.8 fixed point.
void StretchRow(const BYTE *pSmallRow, const Tap *pColumns, LONG width, WORD *pOut) {
    for (LONG x = 0; x < width; ++x) {
        const Tap &t = pColumns[x];
        pOut[x] = static_cast<WORD>(pSmallRow[t.first] * (256 - t.weight) + pSmallRow[t.second] * t.weight);
    }
}

// Bilinear enlargement of pSmall back over the whole plane: each small row is
// stretched once, and every output row blends the two stretched rows around it.
bool Enlarge(const BYTE *pSmall, LONG smallWidth, LONG smallHeight, LONG factor, BYTE *pPlane, LONG width,
             LONG height) {
    Tap *pColumns = static_cast<Tap *>(malloc(static_cast<size_t>(width) * sizeof(Tap)));
    WORD *pRows = static_cast<WORD *>(malloc(2 * static_cast<size_t>(width) * sizeof(WORD)));
    const bool ok = pColumns && pRows;
    if (ok) {
        for (LONG x = 0; x < width; ++x) pColumns[x] = TapFor(x, factor, smallWidth);
        LONG stretched[2] = {-1, -1};  // small row held in each of the two row buffers
        // The buffer holding small row `row`, stretching it into the buffer
        // that does not hold `keep` when it is not there yet.
        auto ensure = [&](LONG row, LONG keep) {
            if (stretched[0] == row) return 0;
            if (stretched[1] == row) return 1;
            const int slot = stretched[0] == keep ? 1 : 0;
            StretchRow(pSmall + static_cast<size_t>(row) * smallWidth, pColumns, width, pRows + slot * width);
            stretched[slot] = row;
            return slot;
        };
        for (LONG y = 0; y < height; ++y) {
            const Tap rowTap = TapFor(y, factor, smallHeight);
            const WORD *upper = pRows + ensure(rowTap.first, rowTap.second) * width;
            const WORD *lower = pRows + ensure(rowTap.second, rowTap.first) * width;
            const DWORD w = rowTap.weight;
            BYTE *d = pPlane + static_cast<size_t>(y) * width;
            for (LONG x = 0; x < width; ++x) {
                d[x] = static_cast<BYTE>((upper[x] * (256 - w) + lower[x] * w + 32768) >> 16);
            }
        }
    }
    free(pColumns);
    free(pRows);
    return ok;
}

}  // namespace

bool SimBlurPlane(BYTE *pPlane, LONG width, LONG height, LONG radius, BYTE *pScratch) {
    if (radius <= 0 || width <= 0 || height <= 0) return true;
    if (radius > kMaxRadius) radius = kMaxRadius;
    // Wide blurs are done on a smaller copy: nothing finer than a few of its
    // pixels survives them anyway, and the work drops by the factor squared.
    const LONG factor = radius >= 16 ? 4 : (radius >= 4 ? 2 : 1);
    if (factor == 1) return BoxBlur(pPlane, width, height, radius, pScratch);
    const LONG smallWidth = (width + factor - 1) / factor;
    const LONG smallHeight = (height + factor - 1) / factor;
    BYTE *pSmall = static_cast<BYTE *>(SimPoolAlloc(static_cast<size_t>(smallWidth) * smallHeight));
    if (!pSmall) return false;
    if (factor == 2) {
        Shrink<2>(pPlane, width, height, pSmall, smallWidth, smallHeight);
    } else {
        Shrink<4>(pPlane, width, height, pSmall, smallWidth, smallHeight);
    }
    const bool ok = BoxBlur(pSmall, smallWidth, smallHeight, (radius + factor / 2) / factor, pScratch) &&
                    Enlarge(pSmall, smallWidth, smallHeight, factor, pPlane, width, height);
    SimPoolFree(pSmall);
    return ok;
}

LONG SimBlurRadius(LONG lensDistance, LONG height) {
    LONG steps = (lensDistance < 0 ? -lensDistance : lensDistance) - kDepthOfField;
    if (steps <= 0 || height <= 0) return 0;
    const float sigma = kSigmaPerStep480 * steps * height / 480.0f;
    // Three boxes of width w have the variance (w^2 - 1) / 4.
    const float width = sqrtf(4.0f * sigma * sigma + 1.0f);
    const LONG radius = static_cast<LONG>((width - 1.0f) * 0.5f + 0.5f);
    return radius < kMaxRadius ? radius : kMaxRadius;
}

float SimBlurSigma(LONG radius) { return sqrtf(static_cast<float>(radius) * (radius + 1)); }
