// CodecRegistration.h - entering simcam.dll as the installable video
// decompressor for YUY2 and MJPG (HKLM ...\Windows NT\CurrentVersion\Drivers32,
// values "vidc.YUY2" and "vidc.MJPG"), and taking it out again.
#ifndef KOR_SIMCAM_DECODER_CODECREGISTRATION_H
#define KOR_SIMCAM_DECODER_CODECREGISTRATION_H

#include <windows.h>

// Registers pszModulePath for both formats. A format that another driver
// already serves is left to it (the result is then S_FALSE). E_* on failure.
HRESULT SimRegisterVideoCodec(const WCHAR *pszModulePath);

// Removes the values that name pszModulePath; values of other drivers stay.
HRESULT SimUnregisterVideoCodec(const WCHAR *pszModulePath);

#endif  // KOR_SIMCAM_DECODER_CODECREGISTRATION_H
