// Pages.h - class-factory entry points of the two property pages.
//
// Image page (CLSID_SimCamImagePage): the capture filter's image properties
// through its IAMVideoProcAmp and IAMCameraControl.
// Format page (CLSID_SimCamFormatPage): a pin's stream format through its
// IAMStreamConfig.
#ifndef KOR_SIMCAM_PAGES_PAGES_H
#define KOR_SIMCAM_PAGES_PAGES_H

#include <windows.h>

HRESULT SimCreateImagePage(REFIID riid, void **ppv);
HRESULT SimCreateFormatPage(REFIID riid, void **ppv);

#endif  // KOR_SIMCAM_PAGES_PAGES_H
