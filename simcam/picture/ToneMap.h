// ToneMap.h - from scene light to YUY2: exposure, flash and white balance
// gains, gamma, contrast and brightness per colour channel, then BT.601
// studio-range Y'CbCr with saturation, hue and colour enable, and edge
// enhancement of the luma (ranges and meanings in ImageControls.h).
#ifndef KOR_SIMCAM_PICTURE_TONEMAP_H
#define KOR_SIMCAM_PICTURE_TONEMAP_H

#include <windows.h>

#include "Picture.h"

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
    LONG kelvin;         // white balance; the default (neutral) when automatic
    LONG exposureSteps;  // manual exposure minus the default; 0 when automatic
    LONG strobe;         // 0 or 1
};

void SimToneFromInput(const SimPictureInput &input, SimTone *pTone);

class SimToneMapper {
public:
    explicit SimToneMapper(const SimTone &tone);

    // One colour as the camera reports it.
    void MapColour(const BYTE rgb[3], BYTE *pY, BYTE *pU, BYTE *pV) const;

    // Three planes of width x height reflectances -> packed YUY2 (width even).
    // pLuma is scratch of width * height bytes.
    void MapPlanes(const BYTE *pRed, const BYTE *pGreen, const BYTE *pBlue, LONG width, LONG height, BYTE *pYuy2,
                   BYTE *pLuma) const;

private:
    void Sharpen(const BYTE *pLuma, LONG width, LONG height, BYTE *pYuy2) const;

    // Per channel and scene reflectance, what it adds to Y, Cb and Cr (16.16):
    // the channel's tone curve times its row of the colour matrix, with
    // saturation and hue in the colour-difference rows.
    int m_y[3][256];
    int m_u[3][256];
    int m_v[3][256];
    int m_sharpen;  // sixteenths of the Laplacian added to luma
};

#endif  // KOR_SIMCAM_PICTURE_TONEMAP_H
