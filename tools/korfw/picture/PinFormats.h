// PinFormats.h - a pin's formats in words and in JSON, and whether the
// still pin offers one.
#ifndef KOR_TOOLS_KORFW_PICTURE_PINFORMATS_H
#define KOR_TOOLS_KORFW_PICTURE_PINFORMATS_H

#include <windows.h>

#include <string>
#include <vector>

#include "Dshow.h"

// "MJPG 2592x1944" ("?" for a subtype without four characters).
std::wstring PinFormatText(const PinFormat &format);
// {"subtype":"MJPG","width":2592,"height":1944}
std::wstring PinFormatJson(const PinFormat &format);
// The texts of all, separated by commas; "none" for an empty list.
std::wstring PinFormatsText(const std::vector<PinFormat> &formats);

// Whether the list holds this subtype in this size.
bool OffersFormat(const std::vector<PinFormat> &formats, const std::wstring &subtype, int iWidth, int iHeight);
// The largest size (in pixels; the first of equal ones) the list holds in
// this subtype; false when it holds none.
bool LargestSize(const std::vector<PinFormat> &formats, const std::wstring &subtype, int *piWidth, int *piHeight);

#endif  // KOR_TOOLS_KORFW_PICTURE_PINFORMATS_H
