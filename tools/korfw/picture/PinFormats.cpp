// PinFormats.cpp - a pin's formats in words and in JSON.
#include "PinFormats.h"

#include "Console.h"

std::wstring PinFormatText(const PinFormat &format) {
    return Format(L"%s %dx%d", format.Subtype[0] ? format.Subtype : L"?", format.Width, format.Height);
}

std::wstring PinFormatJson(const PinFormat &format) {
    return L"{\"subtype\":" + JsonString(format.Subtype) +
           Format(L",\"width\":%d,\"height\":%d}", format.Width, format.Height);
}

std::wstring PinFormatsText(const std::vector<PinFormat> &formats) {
    std::wstring text;
    for (const PinFormat &format : formats) text += (text.empty() ? L"" : L", ") + PinFormatText(format);
    return text.empty() ? L"none" : text;
}

bool OffersFormat(const std::vector<PinFormat> &formats, const std::wstring &subtype, int iWidth, int iHeight) {
    for (const PinFormat &format : formats) {
        if (subtype == format.Subtype && format.Width == iWidth && format.Height == iHeight) return true;
    }
    return false;
}

bool LargestSize(const std::vector<PinFormat> &formats, const std::wstring &subtype, int *piWidth, int *piHeight) {
    LONGLONG llLargest = 0;
    for (const PinFormat &format : formats) {
        LONGLONG llPixels = static_cast<LONGLONG>(format.Width) * format.Height;
        if (subtype != format.Subtype || llPixels <= llLargest) continue;
        llLargest = llPixels;
        *piWidth = format.Width;
        *piHeight = format.Height;
    }
    return llLargest > 0;
}
