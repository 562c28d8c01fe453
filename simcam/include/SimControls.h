// SimControls.h - the image controls of the simulated camera: which there
// are, the value and flags each holds, and the ranges IAMVideoProcAmp and
// IAMCameraControl report. The camera state and the picture share them.
#ifndef KOR_SIMCAM_INCLUDE_SIMCONTROLS_H
#define KOR_SIMCAM_INCLUDE_SIMCONTROLS_H

#include <windows.h>

// Indexes into SimCamera::procAmp (same order as VideoProcAmpProperty).
enum SimProcAmp {
    SIM_PA_BRIGHTNESS = 0,
    SIM_PA_CONTRAST = 1,
    SIM_PA_HUE = 2,
    SIM_PA_SATURATION = 3,
    SIM_PA_SHARPNESS = 4,
    SIM_PA_GAMMA = 5,
    SIM_PA_COLORENABLE = 6,
    SIM_PA_WHITEBALANCE = 7,
    SIM_PA_COUNT = 8
};

struct SimControlValue {
    LONG value;
    LONG flags;  // VideoProcAmp_Flags_Auto (1) or _Manual (2); same values for CameraControl
};

// One control's range, as GetRange reports it. lCapsFlags: 1 auto, 2 manual
// (VideoProcAmp_Flags_* and CameraControl_Flags_* have the same values).
struct SimControlRange {
    LONG lMin;
    LONG lMax;
    LONG lStep;
    LONG lDefault;
    LONG lCapsFlags;
    LONG lDefaultFlags;
};

// Indexed by SimProcAmp, the order of VideoProcAmpProperty.
static const SimControlRange kSimProcAmpRanges[SIM_PA_COUNT] = {
    {0, 255, 1, 128, 2, 2},        // brightness
    {0, 255, 1, 32, 2, 2},         // contrast
    {-180, 180, 1, 0, 2, 2},       // hue
    {0, 255, 1, 64, 2, 2},         // saturation
    {0, 255, 1, 24, 2, 2},         // sharpness
    {72, 500, 1, 100, 2, 2},       // gamma
    {0, 1, 1, 1, 2, 2},            // color enable
    {2800, 6500, 10, 4600, 3, 1},  // white balance (Kelvin), automatic by default
};

// CameraControl_Exposure: log2 of seconds, automatic by default.
static const SimControlRange kSimExposureRange = {-11, -1, 1, -5, 3, 1};

#endif  // KOR_SIMCAM_INCLUDE_SIMCONTROLS_H
