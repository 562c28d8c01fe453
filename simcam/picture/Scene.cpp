// Scene.cpp - renders the test scene (see Scene.h) as reflectances.
#include "Scene.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "Font.h"

namespace {

const BYTE kBackground = 96;
const BYTE kInkBlack = 16;
const BYTE kPaperWhite = 240;
const int kStarSectors = 32;
const float kPi = 3.14159265f;

struct Planes {
    LONG width;
    LONG height;
    BYTE *p[3];

    void Set(LONG x, LONG y, BYTE r, BYTE g, BYTE b) {
        const size_t i = static_cast<size_t>(y) * width + x;
        p[0][i] = r;
        p[1][i] = g;
        p[2][i] = b;
    }
    void SetGrey(LONG x, LONG y, BYTE v) { Set(x, y, v, v, v); }
};

struct PixelRect {
    LONG left, top, right, bottom;  // right and bottom exclusive
};

PixelRect FracRect(const Planes &planes, float left, float top, float right, float bottom) {
    PixelRect rc = {SimFracToPixel(left, planes.width), SimFracToPixel(top, planes.height),
                    SimFracToPixel(right, planes.width), SimFracToPixel(bottom, planes.height)};
    if (rc.right > planes.width) rc.right = planes.width;
    if (rc.bottom > planes.height) rc.bottom = planes.height;
    return rc;
}

void FillRect(Planes *pPlanes, const PixelRect &rc, const BYTE rgb[3]) {
    if (rc.right <= rc.left) return;
    for (LONG y = rc.top; y < rc.bottom; ++y) {
        for (int c = 0; c < 3; ++c) {
            memset(pPlanes->p[c] + static_cast<size_t>(y) * pPlanes->width + rc.left, rgb[c],
                   static_cast<size_t>(rc.right - rc.left));
        }
    }
}

void FillGrey(Planes *pPlanes, const PixelRect &rc, BYTE value) {
    const BYTE rgb[3] = {value, value, value};
    FillRect(pPlanes, rc, rgb);
}

void DrawChart(Planes *pPlanes) {
    for (int row = 0; row < SIM_CHART_ROWS; ++row) {
        const float top = kSimChartTop + row * kSimChartPitchY;
        for (int col = 0; col < SIM_CHART_COLUMNS; ++col) {
            const float left = kSimChartLeft + col * kSimChartPitchX;
            FillRect(pPlanes, FracRect(*pPlanes, left, top, left + kSimChartPatchWidth, top + kSimChartPatchHeight),
                     kSimChartColours[row][col]);
        }
    }
}

// atan2 to within about 1e-5 radians (Abramowitz and Stegun 4.4.49), several
// times faster than the library's: the star needs it for every pixel.
float FastAtan2(float y, float x) {
    const float ax = fabsf(x), ay = fabsf(y);
    const float big = ax > ay ? ax : ay;
    if (big == 0.0f) return 0.0f;
    const float a = (ax < ay ? ax : ay) / big;
    const float s = a * a;
    float r = a * (0.9998660f + s * (-0.3302995f + s * (0.1801410f + s * (-0.0851330f + s * 0.0208351f))));
    if (ay > ax) r = 0.5f * kPi - r;
    if (x < 0.0f) r = kPi - r;
    return y < 0.0f ? -r : r;
}

inline float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

inline BYTE Mix(float a, BYTE first, BYTE second) { return static_cast<BYTE>(second + a * (first - second) + 0.5f); }

// Sectors alternate white and black; edges are anti-aliased by the pixel's
// distance to the nearest sector edge, and where the sectors get narrower
// than two pixels they fade into the grey they average to.
void DrawSiemensStar(Planes *pPlanes) {
    const float radius = 0.17f * pPlanes->height;
    if (radius < 2.0f) return;
    const float cx = 0.20f * pPlanes->width;
    const float cy = 0.64f * pPlanes->height;
    const float sectorsPerRadian = kStarSectors / (2.0f * kPi);
    const BYTE grey = static_cast<BYTE>((kInkBlack + kPaperWhite + 1) / 2);

    LONG x0 = static_cast<LONG>(cx - radius - 1), x1 = static_cast<LONG>(cx + radius + 2);
    LONG y0 = static_cast<LONG>(cy - radius - 1), y1 = static_cast<LONG>(cy + radius + 2);
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > pPlanes->width) x1 = pPlanes->width;
    if (y1 > pPlanes->height) y1 = pPlanes->height;

    for (LONG y = y0; y < y1; ++y) {
        const float dy = y + 0.5f - cy;
        for (LONG x = x0; x < x1; ++x) {
            const float dx = x + 0.5f - cx;
            const float d = sqrtf(dx * dx + dy * dy);
            const float disc = Clamp01(radius + 0.5f - d);
            if (disc <= 0.0f) continue;
            const float t = (FastAtan2(dy, dx) + kPi) * sectorsPerRadian;
            const int sector = static_cast<int>(t);
            const float f = t - sector;
            const float pixelInSectors = d > 0.0f ? sectorsPerRadian / d : 1.0f;
            const float edgeDistance = (f < 0.5f ? f : 1.0f - f) / pixelInSectors;
            const BYTE own = (sector & 1) == 0 ? kPaperWhite : kInkBlack;
            const BYTE other = (sector & 1) == 0 ? kInkBlack : kPaperWhite;
            BYTE v = Mix(Clamp01(0.5f + edgeDistance), own, other);
            const float fade = Clamp01(2.0f * pixelInSectors - 1.0f);  // 0 at 2 px per sector, 1 at 1 px
            v = Mix(fade, grey, v);
            pPlanes->SetGrey(x, y, Mix(disc, v, kBackground));
        }
    }
}

// Length of [0, x) on which a square wave of the period, white on the first
// half of each period, is white.
float WhiteLength(float x, float period) {
    const float whole = floorf(x / period);
    const float rest = x - whole * period;
    return whole * period * 0.5f + (rest < period * 0.5f ? rest : period * 0.5f);
}

// Share of [a, b) on which that square wave is white.
float SquareWaveCoverage(float a, float b, float period) {
    return (WhiteLength(b, period) - WhiteLength(a, period)) / (b - a);
}

// Copies a row of grey values into rows top..bottom of all three planes at left.
void FillRowsWithProfile(Planes *pPlanes, LONG left, LONG top, LONG bottom, const BYTE *pProfile, LONG count) {
    for (LONG y = top; y < bottom; ++y) {
        for (int c = 0; c < 3; ++c) {
            memcpy(pPlanes->p[c] + static_cast<size_t>(y) * pPlanes->width + left, pProfile,
                   static_cast<size_t>(count));
        }
    }
}

// Five groups of bars across rc; vertical bars vary along x, horizontal along y.
void DrawLinePairs(Planes *pPlanes, const PixelRect &rc, bool vertical, BYTE *pProfile) {
    static const float kPeriodsPerHeight[5] = {1.0f / 240, 1.0f / 160, 1.0f / 120, 1.0f / 80, 1.0f / 60};
    const LONG gap = SimFracToPixel(0.01f, pPlanes->width);
    const LONG groupWidth = (rc.right - rc.left - 4 * gap) / 5;
    if (groupWidth <= 0 || rc.bottom <= rc.top) return;
    for (int g = 0; g < 5; ++g) {
        const float period = kPeriodsPerHeight[g] * pPlanes->height;
        if (period < 1.0f) continue;
        const LONG left = rc.left + g * (groupWidth + gap);
        const LONG count = vertical ? groupWidth : rc.bottom - rc.top;
        for (LONG i = 0; i < count; ++i) {
            pProfile[i] = Mix(SquareWaveCoverage(static_cast<float>(i), i + 1.0f, period), kPaperWhite, kInkBlack);
        }
        if (vertical) {
            FillRowsWithProfile(pPlanes, left, rc.top, rc.bottom, pProfile, groupWidth);
            continue;
        }
        for (LONG y = rc.top; y < rc.bottom; ++y) {
            const PixelRect row = {left, y, left + groupWidth, y + 1};
            FillGrey(pPlanes, row, pProfile[y - rc.top]);
        }
    }
}

void DrawTextLine(Planes *pPlanes, const PixelRect &clip, LONG left, LONG top, LONG scale, const char *pszText) {
    const size_t cch = strlen(pszText);
    const LONG right = left + SimTextWidth(pszText, scale);
    const LONG bottom = top + SimTextHeight(scale);
    for (LONG y = top > clip.top ? top : clip.top; y < bottom && y < clip.bottom; ++y) {
        for (LONG x = left > clip.left ? left : clip.left; x < right && x < clip.right; ++x) {
            if (SimTextInk(pszText, cch, scale, x - left, y - top)) pPlanes->SetGrey(x, y, kInkBlack);
        }
    }
}

void DrawTextCard(Planes *pPlanes) {
    const PixelRect card = FracRect(*pPlanes, 0.40f, 0.71f, 0.96f, 0.84f);
    FillGrey(pPlanes, card, kPaperWhite);
    LONG scale = pPlanes->height / 480;
    if (scale < 1) scale = 1;
    const LONG left = card.left + SimFracToPixel(0.01f, pPlanes->width);
    DrawTextLine(pPlanes, card, left, card.top + SimFracToPixel(0.02f, pPlanes->height), scale,
                 "THE QUICK BROWN FOX JUMPS 0123456789");
    DrawTextLine(pPlanes, card, left, card.top + SimFracToPixel(0.06f, pPlanes->height), 2 * scale,
                 "SIMCAM 5MP FOCUS CHART");
}

void DrawTrack(Planes *pPlanes, BYTE *pProfile) {
    const PixelRect rc = FracRect(*pPlanes, kSimTrackLeft, kSimTrackTop, kSimTrackRight, kSimTrackBottom);
    const LONG width = rc.right - rc.left;
    if (width <= 0) return;
    for (LONG i = 0; i < width; ++i) {
        pProfile[i] = static_cast<BYTE>(width > 1 ? (255 * i + (width - 1) / 2) / (width - 1) : 128);
    }
    FillRowsWithProfile(pPlanes, rc.left, rc.top, rc.bottom, pProfile, width);
}

}  // namespace

bool SimRenderScene(LONG width, LONG height, BYTE *pRed, BYTE *pGreen, BYTE *pBlue) {
    // One row or column of grey values, shared by the parts drawn from a pProfile.
    BYTE *pProfile = static_cast<BYTE *>(malloc(static_cast<size_t>(width > height ? width : height)));
    if (!pProfile) return false;
    Planes planes = {width, height, {pRed, pGreen, pBlue}};
    const size_t cb = static_cast<size_t>(width) * height;
    for (int c = 0; c < 3; ++c) memset(planes.p[c], kBackground, cb);
    DrawChart(&planes);
    DrawSiemensStar(&planes);
    DrawLinePairs(&planes, FracRect(planes, 0.40f, 0.45f, 0.96f, 0.56f), true, pProfile);
    DrawLinePairs(&planes, FracRect(planes, 0.40f, 0.58f, 0.96f, 0.69f), false, pProfile);
    DrawTextCard(&planes);
    DrawTrack(&planes, pProfile);
    free(pProfile);
    return true;
}
