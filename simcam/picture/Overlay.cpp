// Overlay.cpp - the moving ball and the frame counter, drawn into YUY2.
#include "Overlay.h"

#include <math.h>
#include <string.h>
#include <strsafe.h>

#include "Font.h"
#include "Scene.h"

namespace {

// Studio-range colours of the on-screen display.
const BYTE kOsdBlack = 16;
const BYTE kOsdWhite = 235;
const BYTE kOsdRed[3] = {81, 90, 240};  // Y, U, V

struct Span {
    LONG first, last;  // inclusive, clipped to [0, limit)
};

Span Clip(float from, float to, LONG limit)
{
    Span s = {static_cast<LONG>(floorf(from)), static_cast<LONG>(ceilf(to))};
    if (s.first < 0) s.first = 0;
    if (s.last > limit - 1) s.last = limit - 1;
    return s;
}

inline BYTE Blend(BYTE under, BYTE over, float alpha)
{
    return static_cast<BYTE>(under + (over - under) * alpha + 0.5f);
}

void DrawBall(BYTE *pYuy2, LONG width, LONG height, const SimBallLook &ball, LONGLONG timestamp)
{
    const float radius = kSimBallRadius * height;
    if (radius < 1.0f) return;
    // A blurred edge rises over about 2.5 standard deviations.
    const float edge = ball.sigma * 2.5f > 1.0f ? ball.sigma * 2.5f : 1.0f;
    const float cx = SimBallCentreX(timestamp, width, height);
    const float cy = kSimBallCentreY * height;
    const float reach = radius + edge;
    const Span rows = Clip(cy - reach, cy + reach, height);
    Span cols = Clip(cx - reach, cx + reach, width);
    cols.first &= ~1L;  // whole YUY2 pairs

    for (LONG y = rows.first; y <= rows.last; ++y) {
        BYTE *row = pYuy2 + static_cast<size_t>(y) * width * 2;
        const float dy = y + 0.5f - cy;
        for (LONG x = cols.first; x <= cols.last && x + 1 < width; x += 2) {
            float alpha[2];
            for (int i = 0; i < 2; ++i) {
                const float dx = x + i + 0.5f - cx;
                const float a = (radius - sqrtf(dx * dx + dy * dy)) / edge + 0.5f;
                alpha[i] = a < 0.0f ? 0.0f : (a > 1.0f ? 1.0f : a);
            }
            if (alpha[0] == 0.0f && alpha[1] == 0.0f) continue;
            BYTE *p = row + 2 * x;
            p[0] = Blend(p[0], ball.y, alpha[0]);
            p[2] = Blend(p[2], ball.y, alpha[1]);
            const float pairAlpha = (alpha[0] + alpha[1]) * 0.5f;
            p[1] = Blend(p[1], ball.u, pairAlpha);
            p[3] = Blend(p[3], ball.v, pairAlpha);
        }
    }
}

void FillBox(BYTE *pYuy2, LONG width, LONG height, LONG left, LONG top, LONG right, LONG bottom, const BYTE yuv[3])
{
    left &= ~1L;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > width) right = width;
    if (bottom > height) bottom = height;
    for (LONG y = top; y < bottom; ++y) {
        BYTE *p = pYuy2 + (static_cast<size_t>(y) * width + left) * 2;
        for (LONG x = left; x < right && x + 1 < width; x += 2, p += 4) {
            p[0] = yuv[0];
            p[1] = yuv[1];
            p[2] = yuv[0];
            p[3] = yuv[2];
        }
    }
}

// "fffffff sssss.cc": frame number and stream time in seconds.
void DrawCounter(BYTE *pYuy2, LONG width, LONG height, const SimPictureInput &input)
{
    char szText[32];
    const LONGLONG centiseconds = input.timestamp > 0 ? input.timestamp / 100000 : 0;
    if (FAILED(StringCchPrintfA(szText, ARRAYSIZE(szText), "%07lu %05ld.%02ld",
                                static_cast<unsigned long>(input.frameNumber % 10000000u),
                                static_cast<long>((centiseconds / 100) % 100000),
                                static_cast<long>(centiseconds % 100)))) {
        return;
    }
    const size_t cch = strlen(szText);
    LONG scale = height / 240;
    if (scale < 1) scale = 1;
    const LONG textWidth = SimTextWidth(szText, scale);
    const LONG textHeight = SimTextHeight(scale);
    const LONG right = SimFracToPixel(kSimCounterRight, width);
    const LONG textLeft = right - scale - textWidth;
    const LONG textTop = SimFracToPixel(kSimCounterCentreY, height) - textHeight / 2;
    const BYTE black[3] = {kOsdBlack, 128, 128};
    FillBox(pYuy2, width, height, textLeft - scale, textTop - scale, right, textTop + textHeight + scale, black);
    if (input.still) {
        FillBox(pYuy2, width, height, textLeft - 3 * scale - textHeight, textTop, textLeft - 3 * scale,
                textTop + textHeight, kOsdRed);
    }
    for (LONG y = textTop > 0 ? textTop : 0; y < textTop + textHeight && y < height; ++y) {
        BYTE *row = pYuy2 + static_cast<size_t>(y) * width * 2;
        for (LONG x = textLeft > 0 ? textLeft : 0; x < textLeft + textWidth && x < width; ++x) {
            if (SimTextInk(szText, cch, scale, x - textLeft, y - textTop)) row[2 * x] = kOsdWhite;
        }
    }
}

}  // namespace

float SimBallCentreX(LONGLONG timestamp, LONG width, LONG height)
{
    const float radius = kSimBallRadius * height;
    const float from = kSimTrackLeft * width + radius;
    const float to = kSimTrackRight * width - radius;
    LONGLONG phase = timestamp % kSimBallPeriod;
    if (phase < 0) phase += kSimBallPeriod;
    const float f = static_cast<float>(phase) / kSimBallPeriod;
    const float there = f < 0.5f ? 2.0f * f : 2.0f - 2.0f * f;
    return from + (to - from) * there;
}

void SimDrawOverlays(BYTE *pYuy2, LONG width, LONG height, const SimBallLook &ball, const SimPictureInput &input)
{
    DrawBall(pYuy2, width, height, ball, input.timestamp);
    DrawCounter(pYuy2, width, height, input);
}
