// Blur.h - the defocus of the simulated lens: a Gaussian approximated by
// three box filters in each direction.
#ifndef KOR_SIMCAM_PICTURE_BLUR_H
#define KOR_SIMCAM_PICTURE_BLUR_H

#include <windows.h>

// Box radius that gives the defocus blur for a lens position off the sharp
// one by lensDistance steps (any sign), on a frame height lines high. 0 is sharp.
LONG SimBlurRadius(LONG lensDistance, LONG height);

// Standard deviation in pixels of three box passes of the radius.
float SimBlurSigma(LONG radius);

// Blurs a plane of width x height bytes in place with three passes of a box
// of 2 * radius + 1 in each direction (edges repeated). pScratch must hold
// width * height bytes. Radius 0 leaves the plane unchanged. False when
// memory for the work runs out (the plane is then unusable).
bool SimBlurPlane(BYTE *pPlane, LONG width, LONG height, LONG radius, BYTE *pScratch);

#endif  // KOR_SIMCAM_PICTURE_BLUR_H
