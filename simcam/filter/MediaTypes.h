// MediaTypes.h - the formats the camera's pins speak: one capability
// (subtype FOURCC, width, height) turned into a FORMAT_VideoInfo media type
// and a VIDEO_STREAM_CONFIG_CAPS, frame intervals, matching a requested type
// against a capability list. Media-type memory is the toolkit's (MediaType.h).
#ifndef KOR_SIMCAM_FILTER_MEDIATYPES_H
#define KOR_SIMCAM_FILTER_MEDIATYPES_H

#include <windows.h>
#include <dshow.h>

#include "SimSharedState.h"
#include "MediaType.h"

// Longest frame interval any capability offers: 1 frame per second.
#define SIM_MAX_FRAME_INTERVAL 10000000LL

// Bytes of one frame of the subtype at that size (0 for what cannot be made):
// the picture renderer's sizes, and I420 (12 bits per pixel, even sizes).
DWORD SimFormatBufferSize(DWORD dwFourcc, LONG lWidth, LONG lHeight);

// The MEDIASUBTYPE GUID of a FOURCC ({fourcc-0000-0010-8000-00AA00389B71}).
GUID SimSubtypeFromFourcc(DWORD dwFourcc);

// Shortest frame interval (100 ns units) the camera offers for a capability:
// what a USB 2.0 camera of this kind manages at that size.
REFERENCE_TIME SimMinFrameInterval(const SimCapability &cap);

// Frame interval actually used for a requested AvgTimePerFrame: 0 means the
// capability's fastest rate; anything outside the offered range is refused
// (returns 0).
REFERENCE_TIME SimPickFrameInterval(const SimCapability &cap, REFERENCE_TIME rtRequested);

// Fills pmt (whose previous contents are ignored) with the FORMAT_VideoInfo
// type of cap at rtInterval. The format block comes from CoTaskMemAlloc.
HRESULT SimBuildMediaType(const SimCapability &cap, REFERENCE_TIME rtInterval, AM_MEDIA_TYPE *pmt);

// The 128-byte capability structure of cap.
void SimFillStreamCaps(const SimCapability &cap, VIDEO_STREAM_CONFIG_CAPS *pCaps);

// Finds the capability a requested type asks for: video major type,
// FORMAT_VideoInfo with a full VIDEOINFOHEADER, the subtype and the bitmap
// size of one entry of caps (the rest of the header is not looked at, so a
// capability's block carrying another subtype still names its size), and a
// frame interval the capability offers. Writes the entry and the interval to
// use, and returns true, on a match.
bool SimMatchCapability(const AM_MEDIA_TYPE *pmt, const SimCapability *pCaps, LONG lCount, SimCapability *pFound,
                        REFERENCE_TIME *prtInterval);

// True when pmt leaves nothing open (major type, subtype and format type set).
bool SimIsFullySpecified(const AM_MEDIA_TYPE *pmt);

// True when the partial type pPartial (null fields match anything) admits pmt.
bool SimPartialMatch(const AM_MEDIA_TYPE *pmt, const AM_MEDIA_TYPE *pPartial);

#endif  // KOR_SIMCAM_FILTER_MEDIATYPES_H
