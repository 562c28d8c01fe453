// ToneMap.cpp - scene reflectances to YUY2 under the image controls.
#include "ToneMap.h"

#include <math.h>
#include <string.h>

#include "ImageControls.h"

namespace {

const float kStrobeGain = 1.6f;
const int kSharpenAtDefault = 3;  // sixteenths of the Laplacian added at the default sharpness
const int kSharpenMax = 24;
const float kWhiteBalanceSwing = 0.3f;  // channel gain change at either end of the range

// BT.601 studio range, 16.16 fixed point, per 8-bit R'G'B'.
const int kYr = 16829, kYg = 33039, kYb = 6416;  // 65.481, 128.553, 24.966 / 255
const float kUr = -37.797f / 255, kUg = -74.203f / 255, kUb = 112.0f / 255;
const float kVr = 112.0f / 255, kVg = -93.786f / 255, kVb = -18.214f / 255;

inline int ClampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

LONG ControlValue(const SimPictureInput &input, int index) {
    return SimClampControl(kSimProcAmpRanges[index], input.procAmp[index].value);
}

LONG DefaultOf(int index) { return kSimProcAmpRanges[index].lDefault; }

bool IsAuto(const SimControlValue &control) { return (control.flags & SIM_CONTROL_FLAG_AUTO) != 0; }

}  // namespace

void SimToneFromInput(const SimPictureInput &input, SimTone *pTone) {
    memset(pTone, 0, sizeof(*pTone));
    pTone->brightness = ControlValue(input, SIM_PA_BRIGHTNESS);
    pTone->contrast = ControlValue(input, SIM_PA_CONTRAST);
    pTone->hue = ControlValue(input, SIM_PA_HUE);
    pTone->saturation = ControlValue(input, SIM_PA_SATURATION);
    pTone->sharpness = ControlValue(input, SIM_PA_SHARPNESS);
    pTone->gamma = ControlValue(input, SIM_PA_GAMMA);
    pTone->colorEnable = ControlValue(input, SIM_PA_COLORENABLE);
    pTone->kelvin = IsAuto(input.procAmp[SIM_PA_WHITEBALANCE]) ? DefaultOf(SIM_PA_WHITEBALANCE)
                                                               : ControlValue(input, SIM_PA_WHITEBALANCE);
    pTone->exposureSteps = IsAuto(input.exposure) ? 0
                                                  : SimClampControl(kSimExposureRange, input.exposure.value) -
                                                        kSimExposureRange.lDefault;
    pTone->strobe = input.strobe ? 1 : 0;
}

SimToneMapper::SimToneMapper(const SimTone &tone) {
    // Light on the sensor: exposure and flash for all channels; a white
    // balance set warmer than the scene lifts red and cuts blue, cooler the reverse.
    float light = powf(2.0f, tone.exposureSteps * 0.5f);
    if (tone.strobe) light *= kStrobeGain;
    const SimControlRange &wb = kSimProcAmpRanges[SIM_PA_WHITEBALANCE];
    const LONG sceneKelvin = wb.lDefault;
    float warmth = 0.0f;
    if (tone.kelvin > sceneKelvin) warmth = static_cast<float>(tone.kelvin - sceneKelvin) / (wb.lMax - sceneKelvin);
    if (tone.kelvin < sceneKelvin) warmth = static_cast<float>(tone.kelvin - sceneKelvin) / (sceneKelvin - wb.lMin);
    const float gains[3] = {light * (1.0f + kWhiteBalanceSwing * warmth), light,
                            light * (1.0f - kWhiteBalanceSwing * warmth)};
    const float exponent = static_cast<float>(DefaultOf(SIM_PA_GAMMA)) / tone.gamma;
    const float contrast = static_cast<float>(tone.contrast) / DefaultOf(SIM_PA_CONTRAST);
    const float offset = static_cast<float>(tone.brightness - DefaultOf(SIM_PA_BRIGHTNESS)) / 255.0f;

    BYTE curve[3][256];  // per channel: scene reflectance -> R'G'B'
    for (int c = 0; c < 3; ++c) {
        for (int v = 0; v < 256; ++v) {
            float x = v / 255.0f * gains[c];
            if (x > 1.0f) x = 1.0f;
            x = powf(x, exponent);
            x = (x - 0.5f) * contrast + 0.5f + offset;
            curve[c][v] = static_cast<BYTE>(ClampInt(static_cast<int>(x * 255.0f + 0.5f), 0, 255));
        }
    }

    const float kPi = 3.14159265f;
    const float saturation =
        tone.colorEnable ? static_cast<float>(tone.saturation) / DefaultOf(SIM_PA_SATURATION) : 0.0f;
    const float cosHue = cosf(tone.hue * kPi / 180.0f) * saturation;
    const float sinHue = sinf(tone.hue * kPi / 180.0f) * saturation;
    const int yRow[3] = {kYr, kYg, kYb};
    const float uRow[3] = {kUr, kUg, kUb};
    const float vRow[3] = {kVr, kVg, kVb};
    for (int c = 0; c < 3; ++c) {
        const int u = static_cast<int>(lrintf((cosHue * uRow[c] - sinHue * vRow[c]) * 65536.0f));
        const int v = static_cast<int>(lrintf((sinHue * uRow[c] + cosHue * vRow[c]) * 65536.0f));
        for (int i = 0; i < 256; ++i) {
            m_y[c][i] = yRow[c] * curve[c][i];
            m_u[c][i] = u * curve[c][i];
            m_v[c][i] = v * curve[c][i];
        }
    }
    const int sharpen =
        DefaultOf(SIM_PA_SHARPNESS) > 0 ? tone.sharpness * kSharpenAtDefault / DefaultOf(SIM_PA_SHARPNESS) : 0;
    m_sharpen = sharpen < kSharpenMax ? sharpen : kSharpenMax;
}

namespace {

inline BYTE Luma(int sum) { return static_cast<BYTE>(ClampInt((sum + (16 << 16) + 0x8000) >> 16, 16, 235)); }

// From the sum over two pixels: one more bit of shift averages them.
inline BYTE ChromaOfPair(int sum) { return static_cast<BYTE>(ClampInt((sum + (128 << 17) + 0x10000) >> 17, 16, 240)); }

}  // namespace

void SimToneMapper::MapColour(const BYTE rgb[3], BYTE *pY, BYTE *pU, BYTE *pV) const {
    *pY = Luma(m_y[0][rgb[0]] + m_y[1][rgb[1]] + m_y[2][rgb[2]]);
    *pU = ChromaOfPair(2 * (m_u[0][rgb[0]] + m_u[1][rgb[1]] + m_u[2][rgb[2]]));
    *pV = ChromaOfPair(2 * (m_v[0][rgb[0]] + m_v[1][rgb[1]] + m_v[2][rgb[2]]));
}

void SimToneMapper::MapPlanes(const BYTE *pRed, const BYTE *pGreen, const BYTE *pBlue, LONG width, LONG height,
                              BYTE *pYuy2, BYTE *pLuma) const {
    const size_t count = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < count; i += 2) {
        const BYTE r0 = pRed[i], g0 = pGreen[i], b0 = pBlue[i];
        const BYTE r1 = pRed[i + 1], g1 = pGreen[i + 1], b1 = pBlue[i + 1];
        pLuma[i] = Luma(m_y[0][r0] + m_y[1][g0] + m_y[2][b0]);
        pLuma[i + 1] = Luma(m_y[0][r1] + m_y[1][g1] + m_y[2][b1]);
        BYTE *d = pYuy2 + 2 * i;
        d[1] = ChromaOfPair(m_u[0][r0] + m_u[0][r1] + m_u[1][g0] + m_u[1][g1] + m_u[2][b0] + m_u[2][b1]);
        d[3] = ChromaOfPair(m_v[0][r0] + m_v[0][r1] + m_v[1][g0] + m_v[1][g1] + m_v[2][b0] + m_v[2][b1]);
    }
    Sharpen(pLuma, width, height, pYuy2);
}

// Y + m_sharpen / 16 * (4 Y - left - right - up - down), into the luma bytes of the YUY2.
void SimToneMapper::Sharpen(const BYTE *pLuma, LONG width, LONG height, BYTE *pYuy2) const {
    for (LONG y = 0; y < height; ++y) {
        const BYTE *row = pLuma + static_cast<size_t>(y) * width;
        BYTE *d = pYuy2 + static_cast<size_t>(y) * width * 2;
        if (m_sharpen == 0) {
            for (LONG x = 0; x < width; ++x) d[2 * x] = row[x];
            continue;
        }
        const BYTE *up = y > 0 ? row - width : row;
        const BYTE *down = y + 1 < height ? row + width : row;
        auto sharpened = [&](LONG x, int left, int right) {
            const int laplace = 4 * row[x] - left - right - up[x] - down[x];
            return static_cast<BYTE>(ClampInt(row[x] + ((m_sharpen * laplace) >> 4), 16, 235));
        };
        d[0] = sharpened(0, row[0], row[width > 1 ? 1 : 0]);
        for (LONG x = 1; x + 1 < width; ++x) d[2 * x] = sharpened(x, row[x - 1], row[x + 1]);
        if (width > 1) d[2 * (width - 1)] = sharpened(width - 1, row[width - 2], row[width - 1]);
    }
}
