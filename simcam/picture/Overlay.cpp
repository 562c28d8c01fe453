// Overlay.cpp - the moving ball and the frame counter, drawn into YUY2.
#include "Overlay.h"

#include <math.h>
#include <string.h>
#include <strsafe.h>

#include "Font.h"
#include "Scene.h"

namespace {

// Studio-range colours of the on-screen display.
const BYTE kOsdBlack[3] = {16, 128, 128};  // Y, U, V
const BYTE kOsdWhite = 235;
const BYTE kOsdRed[3] = {81, 90, 240};

struct Rect {
    LONG left, top, right, bottom;  // right and bottom exclusive
};

// Where the ball is: centre, radius and the width of its blurred edge.
struct BallGeometry {
    float cx, cy, radius, edge;

    BallGeometry(LONG width, LONG height, const SimBallLook &ball, LONGLONG timestamp)
        : cx(SimBallCentreX(timestamp, width, height)),
          cy(kSimBallCentreY * height),
          radius(kSimBallRadius * height),
          // A blurred edge rises over about 2.5 standard deviations.
          edge(ball.sigma * 2.5f > 1.0f ? ball.sigma * 2.5f : 1.0f) {}

    Rect Bounds() const {
        const float reach = radius + edge;
        Rect rc = {static_cast<LONG>(floorf(cx - reach)), static_cast<LONG>(floorf(cy - reach)),
                   static_cast<LONG>(ceilf(cx + reach)) + 1, static_cast<LONG>(ceilf(cy + reach)) + 1};
        return rc;
    }
};

// Where the counter goes: its text, scale and the box around it.
struct CounterGeometry {
    char szText[32];
    LONG scale;
    Rect text;
    Rect box;     // black background
    Rect marker;  // red square of a still

    CounterGeometry(LONG width, LONG height, const SimPictureInput &input) {
        // "fffffff sssss.cc": frame number and stream time in seconds.
        const LONGLONG centiseconds = input.timestamp > 0 ? input.timestamp / 100000 : 0;
        if (FAILED(StringCchPrintfA(szText, ARRAYSIZE(szText), "%07lu %05ld.%02ld",
                                    static_cast<unsigned long>(input.frameNumber % 10000000u),
                                    static_cast<long>((centiseconds / 100) % 100000),
                                    static_cast<long>(centiseconds % 100)))) {
            szText[0] = '\0';
        }
        scale = height / 240 > 1 ? height / 240 : 1;
        const LONG textWidth = SimTextWidth(szText, scale);
        const LONG textHeight = SimTextHeight(scale);
        const LONG right = SimFracToPixel(kSimCounterRight, width);
        text.left = right - scale - textWidth;
        text.top = SimFracToPixel(kSimCounterCentreY, height) - textHeight / 2;
        text.right = text.left + textWidth;
        text.bottom = text.top + textHeight;
        box = {text.left - scale, text.top - scale, right, text.bottom + scale};
        marker = {text.left - 3 * scale - textHeight, text.top, text.left - 3 * scale, text.bottom};
    }
};

// rc limited to the band's rows and the frame's columns, left on a YUY2 pair.
Rect ClipToBand(Rect rc, const SimYuy2Band &band) {
    if (rc.left < 0) rc.left = 0;
    rc.left &= ~1L;
    if (rc.right > band.width) rc.right = band.width;
    if (rc.top < band.top) rc.top = band.top;
    if (rc.bottom > band.bottom) rc.bottom = band.bottom;
    return rc;
}

inline BYTE Blend(BYTE under, BYTE over, float alpha) {
    return static_cast<BYTE>(under + (over - under) * alpha + 0.5f);
}

void DrawBall(const SimYuy2Band &band, const SimBallLook &ball, LONGLONG timestamp) {
    const BallGeometry g(band.width, band.height, ball, timestamp);
    if (g.radius < 1.0f) return;
    const Rect rc = ClipToBand(g.Bounds(), band);
    for (LONG y = rc.top; y < rc.bottom; ++y) {
        BYTE *row = band.Row(y);
        const float dy = y + 0.5f - g.cy;
        for (LONG x = rc.left; x < rc.right && x + 1 < band.width; x += 2) {
            float alpha[2];
            for (int i = 0; i < 2; ++i) {
                const float dx = x + i + 0.5f - g.cx;
                const float a = (g.radius - sqrtf(dx * dx + dy * dy)) / g.edge + 0.5f;
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

void FillBox(const SimYuy2Band &band, const Rect &box, const BYTE yuv[3]) {
    const Rect rc = ClipToBand(box, band);
    for (LONG y = rc.top; y < rc.bottom; ++y) {
        BYTE *p = band.Row(y) + rc.left * 2;
        for (LONG x = rc.left; x < rc.right && x + 1 < band.width; x += 2, p += 4) {
            p[0] = yuv[0];
            p[1] = yuv[1];
            p[2] = yuv[0];
            p[3] = yuv[2];
        }
    }
}

void DrawCounter(const SimYuy2Band &band, const SimPictureInput &input) {
    const CounterGeometry g(band.width, band.height, input);
    FillBox(band, g.box, kOsdBlack);
    if (input.still) FillBox(band, g.marker, kOsdRed);
    const size_t cch = strlen(g.szText);
    const Rect rc = ClipToBand(g.text, band);
    for (LONG y = rc.top; y < rc.bottom; ++y) {
        BYTE *row = band.Row(y);
        for (LONG x = rc.left; x < rc.right; ++x) {
            if (SimTextInk(g.szText, cch, g.scale, x - g.text.left, y - g.text.top)) row[2 * x] = kOsdWhite;
        }
    }
}

}  // namespace

void SimOverlayRows(LONG width, LONG height, const SimBallLook &ball, LONG *pTop, LONG *pBottom) {
    SimPictureInput input;
    ZeroMemory(&input, sizeof(input));
    const Rect ballRows = BallGeometry(width, height, ball, 0).Bounds();
    const Rect counterRows = CounterGeometry(width, height, input).box;
    LONG top = ballRows.top < counterRows.top ? ballRows.top : counterRows.top;
    LONG bottom = ballRows.bottom > counterRows.bottom ? ballRows.bottom : counterRows.bottom;
    *pTop = top < 0 ? 0 : (top > height ? height : top);
    *pBottom = bottom > height ? height : (bottom < *pTop ? *pTop : bottom);
}

float SimBallCentreX(LONGLONG timestamp, LONG width, LONG height) {
    const float radius = kSimBallRadius * height;
    const float from = kSimTrackLeft * width + radius;
    const float to = kSimTrackRight * width - radius;
    LONGLONG phase = timestamp % kSimBallPeriod;
    if (phase < 0) phase += kSimBallPeriod;
    const float f = static_cast<float>(phase) / kSimBallPeriod;
    const float there = f < 0.5f ? 2.0f * f : 2.0f - 2.0f * f;
    return from + (to - from) * there;
}

void SimDrawOverlays(const SimYuy2Band &band, const SimBallLook &ball, const SimPictureInput &input) {
    DrawBall(band, ball, input.timestamp);
    DrawCounter(band, input);
}
