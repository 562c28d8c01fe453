// Picture.h - the synthetic scene the simulated camera films, rendered from
// a snapshot of the camera state into the bytes a pin delivers.
#ifndef KOR_SIMCAM_PICTURE_PICTURE_H
#define KOR_SIMCAM_PICTURE_PICTURE_H

#include <windows.h>

#include "SimControls.h"

#define SIM_FOURCC_YUY2 0x32595559u  // 'YUY2'
#define SIM_FOURCC_MJPG 0x47504A4Du  // 'MJPG'

// What the picture depends on; copied out of the camera state under the lock,
// rendered without it.
struct SimPictureInput {
    LONG lensPosition;  // 0..255
    LONG bestPosition;  // lens position where the scene is sharp
    BOOL strobe;        // flash fired for this (still) frame
    SimControlValue procAmp[SIM_PA_COUNT];
    SimControlValue exposure;
    DWORD frameNumber;   // drawn as a counter
    LONGLONG timestamp;  // stream time in 100 ns units, drives the moving element
    BOOL still;          // a still frame (may be drawn with a marker)
};

// A picture with every image control at its default, in focus with the lens
// at lensPosition, no flash, frame 0.
SimPictureInput SimDefaultPictureInput(LONG lensPosition);

// Largest number of bytes one frame of this format can take (the buffer size
// a pin must ask of its allocator). 0 for an unknown subtype or size.
DWORD SimFrameBufferSize(DWORD subtype, LONG width, LONG height);

// Renders one frame into pDst: YUY2 as packed top-down 4:2:2, MJPG as one
// baseline JPEG. Returns the number of bytes written, 0 on failure (unknown
// subtype, bad size, buffer too small). Safe to call from several threads.
DWORD SimRenderFrame(const SimPictureInput &input, DWORD subtype, LONG width, LONG height, BYTE *pDst, DWORD cbDst);

#endif  // KOR_SIMCAM_PICTURE_PICTURE_H
