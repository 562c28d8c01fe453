// Overlay.h - what changes from frame to frame, drawn over the cached scene
// straight into YUY2: the moving ball (driven by the stream time, blurred
// like the scene) and the frame counter with the stream time, with a red
// marker on stills (both drawn after the optics, always sharp).
//
// Everything lies in one band of rows near the bottom of the frame, so a
// frame that is encoded from the cached scene only needs that band copied.
#ifndef KOR_SIMCAM_PICTURE_OVERLAY_H
#define KOR_SIMCAM_PICTURE_OVERLAY_H

#include <windows.h>

#include "Picture.h"

struct SimBallLook {
    BYTE y, u, v;  // the ball's colour through the image controls
    float sigma;   // defocus blur, pixels of standard deviation
};

// Rows top .. bottom - 1 of a YUY2 frame width pixels wide and height rows
// high; pTop points at row top.
struct SimYuy2Band {
    BYTE *pTop;
    LONG top;
    LONG bottom;
    LONG width;
    LONG height;

    BYTE *Row(LONG y) const { return pTop + static_cast<size_t>(y - top) * width * 2; }
};

// The rows the overlays can touch: [*pTop, *pBottom), within the frame.
void SimOverlayRows(LONG width, LONG height, const SimBallLook &ball, LONG *pTop, LONG *pBottom);

// Ball centre x in pixels at the stream time: there and back along the track
// once per kSimBallPeriod.
float SimBallCentreX(LONGLONG timestamp, LONG width, LONG height);

// Draws the overlays into the band; nothing outside it is touched.
void SimDrawOverlays(const SimYuy2Band &band, const SimBallLook &ball, const SimPictureInput &input);

#endif  // KOR_SIMCAM_PICTURE_OVERLAY_H
