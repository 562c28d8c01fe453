// ToneMap.h - from scene light to YUY2: exposure, flash and white balance
// gains, gamma, contrast and brightness per colour channel, then BT.601
// studio-range Y'CbCr with saturation, hue and colour enable, and edge
// enhancement of the luma (ranges and meanings in ImageControls.h).
#ifndef SIMCAM_TONEMAP_H
#define SIMCAM_TONEMAP_H

#include <windows.h>

#include "picture/Picture.h"

// The image controls in force, limited to their ranges, with automatic ones
// at their neutral setting. Plain LONGs without padding: comparable bytewise.
struct SimTone {
    LONG brightness;
    LONG contrast;
    LONG hue;
    LONG saturation;
    LONG sharpness;
    LONG gamma;
    LONG colorEnable;
    LONG kelvin;          // white balance; the default (neutral) when automatic
    LONG exposureSteps;   // manual exposure minus the default; 0 when automatic
    LONG strobe;          // 0 or 1
};

void SimToneFromInput(const SimPictureInput &input, SimTone *pTone);

class SimToneMapper {
public:
    explicit SimToneMapper(const SimTone &tone);

    // One colour as the camera reports it.
    void MapColour(const BYTE rgb[3], BYTE *pY, BYTE *pU, BYTE *pV) const;

    // Three planes of width x height reflectances -> packed YUY2 (width even).
    // pLuma is scratch of width * height bytes.
    void MapPlanes(const BYTE *pRed, const BYTE *pGreen, const BYTE *pBlue, LONG width, LONG height,
                   BYTE *pYuy2, BYTE *pLuma) const;

private:
    int Luma(int r, int g, int b) const;
    void Chroma(int r2, int g2, int b2, BYTE *pU, BYTE *pV) const;  // sums of two pixels
    void Sharpen(const BYTE *pLuma, LONG width, LONG height, BYTE *pYuy2) const;

    BYTE m_curve[3][256];  // per channel: scene reflectance -> R'G'B'
    int m_u[3];            // colour-difference rows with saturation and hue, 16.16
    int m_v[3];
    int m_sharpen;         // sixteenths of the Laplacian added to luma
};

#endif  // SIMCAM_TONEMAP_H
