// VideoCodec.h - the Video Compression Manager decompressor for the camera's
// YUY2 and MJPG formats. simcam.dll exports DriverProc and is registered as
// the installable drivers "vidc.YUY2" and "vidc.MJPG", so ICLocate finds it
// and the AVI Decompressor, which the filter graph's intelligent connect
// inserts between a video source and a renderer that wants RGB, uses it.
//
// Decompresses to 24- or 32-bit BI_RGB, bottom-up for a positive biHeight
// and top-down for a negative one; only at the input's own size.
#ifndef KOR_SIMCAM_DECODER_VIDEOCODEC_H
#define KOR_SIMCAM_DECODER_VIDEOCODEC_H

#include <windows.h>
#include <mmsystem.h>

// FOURCC of the handlers this codec answers to.
#define SIM_CODEC_YUY2 mmioFOURCC('Y', 'U', 'Y', '2')
#define SIM_CODEC_MJPG mmioFOURCC('M', 'J', 'P', 'G')

// Registration step of simcam.dll (see server/Module.h): enters or removes the
// module as the driver of both formats.
HRESULT SimRegisterVideoCodecStep(BOOL bRegister);

extern "C" LRESULT WINAPI DriverProc(DWORD_PTR dwDriverId, HDRVR hDriver, UINT uMsg, LPARAM lParam1, LPARAM lParam2);

#endif  // KOR_SIMCAM_DECODER_VIDEOCODEC_H
