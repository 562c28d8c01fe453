// ToneMap.cpp - scene reflectances to YUY2 under the image controls.
#include "ToneMap.h"

#include <math.h>
#include <string.h>

#include "ImageControls.h"

namespace {

const float kStrobeGain = 1.6f;
const int kSharpenAtDefault = 3;   // sixteenths of the Laplacian added at the default sharpness
const int kSharpenMax = 24;
const float kWhiteBalanceSwing = 0.3f;  // channel gain change at either end of the range

// BT.601 studio range, 16.16 fixed point, per 8-bit R'G'B'.
const int kYr = 16829, kYg = 33039, kYb = 6416;            // 65.481, 128.553, 24.966 / 255
const float kUr = -37.797f / 255, kUg = -74.203f / 255, kUb = 112.0f / 255;
const float kVr = 112.0f / 255, kVg = -93.786f / 255, kVb = -18.214f / 255;

inline int ClampInt(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

LONG ControlValue(const SimPictureInput &input, int index)
{
    return SimClampControl(g_SimProcAmpRanges[index], input.procAmp[index].value);
}

LONG DefaultOf(int index)
{
    return g_SimProcAmpRanges[index].lDefault;
}

bool IsAuto(const SimControlValue &control)
{
    return (control.flags & SIM_CONTROL_FLAG_AUTO) != 0;
}

}  // namespace

void SimToneFromInput(const SimPictureInput &input, SimTone *pTone)
{
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
    pTone->exposureSteps = IsAuto(input.exposure)
        ? 0 : SimClampControl(g_SimExposureRange, input.exposure.value) - g_SimExposureRange.lDefault;
    pTone->strobe = input.strobe ? 1 : 0;
}

SimToneMapper::SimToneMapper(const SimTone &tone)
{
    // Light on the sensor: exposure and flash for all channels; a white
    // balance set warmer than the scene lifts red and cuts blue, cooler the reverse.
    float light = powf(2.0f, tone.exposureSteps * 0.5f);
    if (tone.strobe) light *= kStrobeGain;
    const SimControlRange &wb = g_SimProcAmpRanges[SIM_PA_WHITEBALANCE];
    const LONG sceneKelvin = wb.lDefault;
    float warmth = 0.0f;
    if (tone.kelvin > sceneKelvin) warmth = static_cast<float>(tone.kelvin - sceneKelvin) / (wb.lMax - sceneKelvin);
    if (tone.kelvin < sceneKelvin) warmth = static_cast<float>(tone.kelvin - sceneKelvin) / (sceneKelvin - wb.lMin);
    const float gains[3] = {light * (1.0f + kWhiteBalanceSwing * warmth), light,
                            light * (1.0f - kWhiteBalanceSwing * warmth)};
    const float exponent = static_cast<float>(DefaultOf(SIM_PA_GAMMA)) / tone.gamma;
    const float contrast = static_cast<float>(tone.contrast) / DefaultOf(SIM_PA_CONTRAST);
    const float offset = static_cast<float>(tone.brightness - DefaultOf(SIM_PA_BRIGHTNESS)) / 255.0f;

    for (int c = 0; c < 3; ++c) {
        for (int v = 0; v < 256; ++v) {
            float x = v / 255.0f * gains[c];
            if (x > 1.0f) x = 1.0f;
            x = powf(x, exponent);
            x = (x - 0.5f) * contrast + 0.5f + offset;
            m_curve[c][v] = static_cast<BYTE>(ClampInt(static_cast<int>(x * 255.0f + 0.5f), 0, 255));
        }
    }

    const float kPi = 3.14159265f;
    const float saturation = tone.colorEnable ? static_cast<float>(tone.saturation) / DefaultOf(SIM_PA_SATURATION) : 0.0f;
    const float cosHue = cosf(tone.hue * kPi / 180.0f) * saturation;
    const float sinHue = sinf(tone.hue * kPi / 180.0f) * saturation;
    const float u[3] = {kUr, kUg, kUb};
    const float v[3] = {kVr, kVg, kVb};
    for (int c = 0; c < 3; ++c) {
        m_u[c] = static_cast<int>(lrintf((cosHue * u[c] - sinHue * v[c]) * 65536.0f));
        m_v[c] = static_cast<int>(lrintf((sinHue * u[c] + cosHue * v[c]) * 65536.0f));
    }
    const int sharpen = DefaultOf(SIM_PA_SHARPNESS) > 0
        ? tone.sharpness * kSharpenAtDefault / DefaultOf(SIM_PA_SHARPNESS) : 0;
    m_sharpen = sharpen < kSharpenMax ? sharpen : kSharpenMax;
}

int SimToneMapper::Luma(int r, int g, int b) const
{
    return (kYr * r + kYg * g + kYb * b + (16 << 16) + 0x8000) >> 16;
}

void SimToneMapper::Chroma(int r2, int g2, int b2, BYTE *pU, BYTE *pV) const
{
    // Sums of two pixels: one more bit of shift averages them.
    const int u = (m_u[0] * r2 + m_u[1] * g2 + m_u[2] * b2 + (128 << 17) + 0x10000) >> 17;
    const int v = (m_v[0] * r2 + m_v[1] * g2 + m_v[2] * b2 + (128 << 17) + 0x10000) >> 17;
    *pU = static_cast<BYTE>(ClampInt(u, 16, 240));
    *pV = static_cast<BYTE>(ClampInt(v, 16, 240));
}

void SimToneMapper::MapColour(const BYTE rgb[3], BYTE *pY, BYTE *pU, BYTE *pV) const
{
    const int r = m_curve[0][rgb[0]], g = m_curve[1][rgb[1]], b = m_curve[2][rgb[2]];
    *pY = static_cast<BYTE>(ClampInt(Luma(r, g, b), 16, 235));
    Chroma(2 * r, 2 * g, 2 * b, pU, pV);
}

void SimToneMapper::MapPlanes(const BYTE *pRed, const BYTE *pGreen, const BYTE *pBlue, LONG width, LONG height,
                              BYTE *pYuy2, BYTE *pLuma) const
{
    const size_t count = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < count; i += 2) {
        const int r0 = m_curve[0][pRed[i]], g0 = m_curve[1][pGreen[i]], b0 = m_curve[2][pBlue[i]];
        const int r1 = m_curve[0][pRed[i + 1]], g1 = m_curve[1][pGreen[i + 1]], b1 = m_curve[2][pBlue[i + 1]];
        pLuma[i] = static_cast<BYTE>(ClampInt(Luma(r0, g0, b0), 16, 235));
        pLuma[i + 1] = static_cast<BYTE>(ClampInt(Luma(r1, g1, b1), 16, 235));
        BYTE *d = pYuy2 + 2 * i;
        Chroma(r0 + r1, g0 + g1, b0 + b1, d + 1, d + 3);
    }
    Sharpen(pLuma, width, height, pYuy2);
}

// Y + m_sharpen / 16 * (4 Y - left - right - up - down), into the luma bytes of the YUY2.
void SimToneMapper::Sharpen(const BYTE *pLuma, LONG width, LONG height, BYTE *pYuy2) const
{
    for (LONG y = 0; y < height; ++y) {
        const BYTE *row = pLuma + static_cast<size_t>(y) * width;
        BYTE *d = pYuy2 + static_cast<size_t>(y) * width * 2;
        if (m_sharpen == 0) {
            for (LONG x = 0; x < width; ++x) d[2 * x] = row[x];
            continue;
        }
        const BYTE *up = y > 0 ? row - width : row;
        const BYTE *down = y + 1 < height ? row + width : row;
        for (LONG x = 0; x < width; ++x) {
            const int left = row[x > 0 ? x - 1 : x];
            const int right = row[x + 1 < width ? x + 1 : x];
            const int laplace = 4 * row[x] - left - right - up[x] - down[x];
            d[2 * x] = static_cast<BYTE>(ClampInt(row[x] + ((m_sharpen * laplace) >> 4), 16, 235));
        }
    }
}
