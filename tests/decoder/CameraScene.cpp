// CameraScene.cpp - the camera's scene for the tests (see CameraScene.h).
#include "CameraScene.h"

#include "SimCamDefaults.h"
#include "picture/Picture.h"

std::vector<BYTE> RenderCameraFrame(DWORD dwSubtype, DWORD dwFrame)
{
    SimPictureInput input;
    ZeroMemory(&input, sizeof(input));
    input.lensPosition = 120;
    input.bestPosition = 120;
    for (int i = 0; i < SIM_PA_COUNT; ++i) {
        input.procAmp[i].value = g_SimProcAmpRanges[i].lDefault;
        input.procAmp[i].flags = g_SimProcAmpRanges[i].lDefaultFlags;
    }
    input.exposure.value = g_SimExposureRange.lDefault;
    input.exposure.flags = g_SimExposureRange.lDefaultFlags;
    input.frameNumber = dwFrame;
    input.timestamp = static_cast<LONGLONG>(dwFrame) * 333333;

    std::vector<BYTE> bytes(SimFrameBufferSize(dwSubtype, 640, 480));
    const DWORD cb = SimRenderFrame(input, dwSubtype, 640, 480, bytes.data(), static_cast<DWORD>(bytes.size()));
    bytes.resize(cb);
    return bytes;
}
