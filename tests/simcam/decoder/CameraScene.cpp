// CameraScene.cpp - the camera's scene for the tests (see CameraScene.h).
#include "CameraScene.h"

#include "Picture.h"

std::vector<BYTE> RenderCameraFrame(DWORD dwSubtype, DWORD dwFrame) {
    SimPictureInput input = SimDefaultPictureInput(120);
    input.frameNumber = dwFrame;
    input.timestamp = static_cast<LONGLONG>(dwFrame) * 333333;

    std::vector<BYTE> bytes(SimFrameBufferSize(dwSubtype, 640, 480));
    const DWORD cb = SimRenderFrame(input, dwSubtype, 640, 480, bytes.data(), static_cast<DWORD>(bytes.size()));
    bytes.resize(cb);
    return bytes;
}
