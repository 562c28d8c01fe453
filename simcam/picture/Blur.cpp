// Blur.cpp - defocus blur by repeated box filters (running sums, so the cost
// does not depend on the radius).
#include "Blur.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Blur grows linearly with the lens distance beyond a small depth of field:
// 0.065 pixels of standard deviation per step on a 480-line frame.
const LONG kDepthOfField = 3;
const float kSigmaPerStep480 = 0.065f;
const int kPasses = 3;
// Far beyond recognition; also keeps the rounded box average below 256.
const LONG kMaxRadius = 100;

// One horizontal box pass from pSrc to pDst.
void BoxRows(const BYTE *pSrc, BYTE *pDst, LONG width, LONG height, LONG radius, DWORD reciprocal, BYTE *pPadded)
{
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
void BoxColumns(const BYTE *pSrc, BYTE *pDst, LONG width, LONG height, LONG radius, DWORD reciprocal, DWORD *pSums)
{
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
void BoxBlur(BYTE *pPlane, LONG width, LONG height, LONG radius, BYTE *pScratch)
{
    const DWORD reciprocal = (65536u + radius) / (2 * radius + 1);
    BYTE *pPadded = static_cast<BYTE *>(malloc(static_cast<size_t>(width) + 2 * radius + 1));
    DWORD *pSums = static_cast<DWORD *>(malloc(static_cast<size_t>(width) * sizeof(DWORD)));
    if (pPadded && pSums) {
        for (int pass = 0; pass < kPasses; ++pass) {
            BoxRows(pPlane, pScratch, width, height, radius, reciprocal, pPadded);
            BoxColumns(pScratch, pPlane, width, height, radius, reciprocal, pSums);
        }
    }
    free(pPadded);
    free(pSums);
}

// Averages factor x factor blocks of the plane into pSmall (edges repeated).
// pSums holds smallWidth values.
void Shrink(const BYTE *pPlane, LONG width, LONG height, LONG factor, BYTE *pSmall, LONG smallWidth, LONG smallHeight,
            DWORD *pSums)
{
    const DWORD area = static_cast<DWORD>(factor * factor);
    const LONG wholeBlocks = width / factor;
    for (LONG sy = 0; sy < smallHeight; ++sy) {
        memset(pSums, 0, static_cast<size_t>(smallWidth) * sizeof(DWORD));
        for (LONG dy = 0; dy < factor; ++dy) {
            const LONG y = sy * factor + dy < height ? sy * factor + dy : height - 1;
            const BYTE *row = pPlane + static_cast<size_t>(y) * width;
            for (LONG sx = 0; sx < wholeBlocks; ++sx) {
                const BYTE *s = row + sx * factor;
                DWORD sum = 0;
                for (LONG dx = 0; dx < factor; ++dx) sum += s[dx];
                pSums[sx] += sum;
            }
            for (LONG sx = wholeBlocks; sx < smallWidth; ++sx) {
                for (LONG dx = 0; dx < factor; ++dx) {
                    pSums[sx] += row[sx * factor + dx < width ? sx * factor + dx : width - 1];
                }
            }
        }
        BYTE *d = pSmall + static_cast<size_t>(sy) * smallWidth;
        for (LONG sx = 0; sx < smallWidth; ++sx) d[sx] = static_cast<BYTE>((pSums[sx] + area / 2) / area);
    }
}

// Where output coordinate i falls between two samples of the small plane.
struct Tap {
    LONG first;
    LONG second;
    DWORD weight;  // of the second, 0..256
};

Tap TapFor(LONG i, LONG factor, LONG smallLength)
{
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

// Bilinear enlargement of pSmall back over the whole plane.
bool Enlarge(const BYTE *pSmall, LONG smallWidth, LONG smallHeight, LONG factor, BYTE *pPlane, LONG width, LONG height)
{
    Tap *pColumns = static_cast<Tap *>(malloc(static_cast<size_t>(width) * sizeof(Tap)));
    DWORD *pRow = static_cast<DWORD *>(malloc(static_cast<size_t>(smallWidth) * sizeof(DWORD)));
    const bool ok = pColumns && pRow;
    if (ok) {
        for (LONG x = 0; x < width; ++x) pColumns[x] = TapFor(x, factor, smallWidth);
        for (LONG y = 0; y < height; ++y) {
            const Tap rowTap = TapFor(y, factor, smallHeight);
            const BYTE *a = pSmall + static_cast<size_t>(rowTap.first) * smallWidth;
            const BYTE *b = pSmall + static_cast<size_t>(rowTap.second) * smallWidth;
            for (LONG sx = 0; sx < smallWidth; ++sx) pRow[sx] = a[sx] * (256 - rowTap.weight) + b[sx] * rowTap.weight;
            BYTE *d = pPlane + static_cast<size_t>(y) * width;
            for (LONG x = 0; x < width; ++x) {
                const Tap &t = pColumns[x];
                d[x] = static_cast<BYTE>((pRow[t.first] * (256 - t.weight) + pRow[t.second] * t.weight + 32768) >> 16);
            }
        }
    }
    free(pColumns);
    free(pRow);
    return ok;
}

}  // namespace

void SimBlurPlane(BYTE *pPlane, LONG width, LONG height, LONG radius, BYTE *pScratch)
{
    if (radius <= 0 || width <= 0 || height <= 0) return;
    if (radius > kMaxRadius) radius = kMaxRadius;
    // Wide blurs are done on a smaller copy: nothing finer than a few of its
    // pixels survives them anyway, and the work drops by the factor squared.
    const LONG factor = radius >= 16 ? 4 : (radius >= 4 ? 2 : 1);
    if (factor == 1) {
        BoxBlur(pPlane, width, height, radius, pScratch);
        return;
    }
    const LONG smallWidth = (width + factor - 1) / factor;
    const LONG smallHeight = (height + factor - 1) / factor;
    BYTE *pSmall = static_cast<BYTE *>(malloc(static_cast<size_t>(smallWidth) * smallHeight));
    DWORD *pSums = static_cast<DWORD *>(malloc(static_cast<size_t>(smallWidth) * sizeof(DWORD)));
    if (pSmall && pSums) {
        Shrink(pPlane, width, height, factor, pSmall, smallWidth, smallHeight, pSums);
        BoxBlur(pSmall, smallWidth, smallHeight, (radius + factor / 2) / factor, pScratch);
        Enlarge(pSmall, smallWidth, smallHeight, factor, pPlane, width, height);
    }
    free(pSmall);
    free(pSums);
}

LONG SimBlurRadius(LONG lensDistance, LONG height)
{
    LONG steps = (lensDistance < 0 ? -lensDistance : lensDistance) - kDepthOfField;
    if (steps <= 0 || height <= 0) return 0;
    const float sigma = kSigmaPerStep480 * steps * height / 480.0f;
    // Three boxes of width w have the variance (w^2 - 1) / 4.
    const float width = sqrtf(4.0f * sigma * sigma + 1.0f);
    const LONG radius = static_cast<LONG>((width - 1.0f) * 0.5f + 0.5f);
    return radius < kMaxRadius ? radius : kMaxRadius;
}

float SimBlurSigma(LONG radius)
{
    return sqrtf(static_cast<float>(radius) * (radius + 1));
}
