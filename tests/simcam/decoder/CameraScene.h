// CameraScene.h - the simulated camera's scene rendered in the test itself
// (the picture code the camera uses), with default image settings.
#ifndef KOR_TESTS_SIMCAM_DECODER_CAMERASCENE_H
#define KOR_TESTS_SIMCAM_DECODER_CAMERASCENE_H

#include <windows.h>

#include <vector>

// One 640x480 frame (dwSubtype 'YUY2' or 'MJPG') as the camera would send it
// as frame dwFrame, lens at best focus.
std::vector<BYTE> RenderCameraFrame(DWORD dwSubtype, DWORD dwFrame);

#endif  // KOR_TESTS_SIMCAM_DECODER_CAMERASCENE_H
