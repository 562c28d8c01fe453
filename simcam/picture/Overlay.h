// Overlay.h - what changes from frame to frame, drawn over the cached scene
// straight into YUY2: the moving ball (driven by the stream time, blurred
// like the scene) and the frame counter with the stream time, with a red
// marker on stills (both drawn after the optics, always sharp).
#ifndef SIMCAM_OVERLAY_H
#define SIMCAM_OVERLAY_H

#include <windows.h>

#include "picture/Picture.h"

struct SimBallLook {
    BYTE y, u, v;   // the ball's colour through the image controls
    float sigma;    // defocus blur, pixels of standard deviation
};

// Ball centre x in pixels at the stream time: there and back along the track
// once per kSimBallPeriod.
float SimBallCentreX(LONGLONG timestamp, LONG width, LONG height);

void SimDrawOverlays(BYTE *pYuy2, LONG width, LONG height, const SimBallLook &ball, const SimPictureInput &input);

#endif  // SIMCAM_OVERLAY_H
