// ImageControls.h - what the image controls do to the simulated camera's
// picture. Their ranges and defaults are the camera's own
// (kSimProcAmpRanges and kSimExposureRange in SimControls.h, which the
// filter also reports); every control is neutral at its default:
//
//   brightness    offset added to every colour channel, (value - default) / 255 of full scale
//   contrast      spread around mid-grey, factor value / default
//   hue           rotation of the colour-difference plane, degrees
//   saturation    colour-difference gain, factor value / default
//   sharpness     edge enhancement on luma, in proportion to value / default; 0 is none
//   gamma         gamma * 100; out = in ^ (default / value): higher is brighter
//   colorenable   0 gives a grey picture
//   whitebalance  kelvin. Automatic, or manual at the default, leaves greys neutral
//                 (the scene is lit at that temperature); lower manual values
//                 look bluer, higher ones warmer
//   exposure      log2 seconds. Automatic keeps the nominal level; in manual mode
//                 each step above the default brightens by a factor of sqrt(2)
//   flash         a still taken with the strobe gets 1.6 times the light
//
// Values outside a range are taken as the nearest end.
#ifndef KOR_SIMCAM_PICTURE_IMAGECONTROLS_H
#define KOR_SIMCAM_PICTURE_IMAGECONTROLS_H

#include <windows.h>

#include "SimControls.h"

// Control flags (VideoProcAmp_Flags_* and CameraControl_Flags_* alike).
#define SIM_CONTROL_FLAG_AUTO   1
#define SIM_CONTROL_FLAG_MANUAL 2

// value limited to the range.
inline LONG SimClampControl(const SimControlRange &range, LONG value) {
    if (value < range.lMin) return range.lMin;
    if (value > range.lMax) return range.lMax;
    return value;
}

#endif  // KOR_SIMCAM_PICTURE_IMAGECONTROLS_H
