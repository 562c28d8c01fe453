// SimGuids.h - class identifiers of the simulated camera's own objects.
// (The extension-unit component keeps the vendor's identifiers.)
#ifndef KOR_SIMCAM_SERVER_SIMGUIDS_H
#define KOR_SIMCAM_SERVER_SIMGUIDS_H

#include <windows.h>

// The video-input capture source filter.
// {5E1C0A10-7B3D-4C21-9A55-3C0D2A7E6B01}
static const CLSID CLSID_SimCamSource = {0x5e1c0a10, 0x7b3d, 0x4c21, {0x9a, 0x55, 0x3c, 0x0d, 0x2a, 0x7e, 0x6b, 0x01}};

// The YUY2/MJPG decoder used by intelligent connect for the preview.
// {5E1C0A11-7B3D-4C21-9A55-3C0D2A7E6B01}
static const CLSID CLSID_SimCamDecoder = {0x5e1c0a11, 0x7b3d, 0x4c21, {0x9a, 0x55, 0x3c, 0x0d, 0x2a, 0x7e, 0x6b, 0x01}};

// Property page: image properties (proc amp and camera control) of the filter.
// {5E1C0A12-7B3D-4C21-9A55-3C0D2A7E6B01}
static const CLSID CLSID_SimCamImagePage = {
    0x5e1c0a12, 0x7b3d, 0x4c21, {0x9a, 0x55, 0x3c, 0x0d, 0x2a, 0x7e, 0x6b, 0x01}};

// Property page: stream format of a pin's IAMStreamConfig.
// {5E1C0A13-7B3D-4C21-9A55-3C0D2A7E6B01}
static const CLSID CLSID_SimCamFormatPage = {
    0x5e1c0a13, 0x7b3d, 0x4c21, {0x9a, 0x55, 0x3c, 0x0d, 0x2a, 0x7e, 0x6b, 0x01}};

#endif  // KOR_SIMCAM_SERVER_SIMGUIDS_H
