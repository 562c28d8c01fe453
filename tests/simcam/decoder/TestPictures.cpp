// TestPictures.cpp - test pictures and pixel comparisons (see TestPictures.h).
#include "TestPictures.h"

#include <ctype.h>
#include <math.h>
#include <stdlib.h>

std::vector<BYTE> LoadTestData(const WCHAR *pszName) {
    std::vector<BYTE> data;
    HRSRC hRes = FindResourceW(nullptr, pszName, MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!hRes) return data;
    HGLOBAL hGlobal = LoadResource(nullptr, hRes);
    const DWORD cb = SizeofResource(nullptr, hRes);
    const BYTE *p = hGlobal ? static_cast<const BYTE *>(LockResource(hGlobal)) : nullptr;
    if (p) data.assign(p, p + cb);
    return data;
}

namespace {

// Next decimal number of a PNM header, skipping blanks and comments.
bool ReadHeaderNumber(const std::vector<BYTE> &data, size_t *pPos, LONG *pValue) {
    size_t i = *pPos;
    while (i < data.size() && (isspace(data[i]) || data[i] == '#')) {
        if (data[i] == '#')
            while (i < data.size() && data[i] != '\n') ++i;
        else
            ++i;
    }
    LONG v = 0;
    size_t nDigits = 0;
    while (i < data.size() && data[i] >= '0' && data[i] <= '9' && nDigits < 9) {
        v = v * 10 + (data[i] - '0');
        ++i;
        ++nDigits;
    }
    if (nDigits == 0) return false;
    *pPos = i;
    *pValue = v;
    return true;
}

}  // namespace

bool ParsePnm(const std::vector<BYTE> &data, RgbPicture *pPicture) {
    if (data.size() < 3 || data[0] != 'P' || (data[1] != '5' && data[1] != '6')) return false;
    const int nChannels = data[1] == '6' ? 3 : 1;
    size_t pos = 2;
    LONG w = 0, h = 0, maxval = 0;
    if (!ReadHeaderNumber(data, &pos, &w) || !ReadHeaderNumber(data, &pos, &h) ||
        !ReadHeaderNumber(data, &pos, &maxval) || maxval != 255 || w <= 0 || h <= 0)
        return false;
    ++pos;  // the one blank after maxval
    const size_t cbPixels = static_cast<size_t>(w) * h * nChannels;
    if (data.size() - pos < cbPixels) return false;
    pPicture->lWidth = w;
    pPicture->lHeight = h;
    pPicture->rgb.resize(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i)
        for (int c = 0; c < 3; ++c) pPicture->rgb[i * 3 + c] = data[pos + i * nChannels + (nChannels == 3 ? c : 0)];
    return true;
}

RgbPicture FromBgr(const BYTE *pTopRow, LONG lStride, int nBytesPerPixel, LONG lWidth, LONG lHeight) {
    RgbPicture pic;
    pic.lWidth = lWidth;
    pic.lHeight = lHeight;
    pic.rgb.resize(static_cast<size_t>(lWidth) * lHeight * 3);
    for (LONG y = 0; y < lHeight; ++y) {
        const BYTE *pRow = pTopRow + static_cast<LONG_PTR>(y) * lStride;
        for (LONG x = 0; x < lWidth; ++x) {
            BYTE *pOut = &pic.rgb[(static_cast<size_t>(y) * lWidth + x) * 3];
            pOut[0] = pRow[x * nBytesPerPixel + 2];
            pOut[1] = pRow[x * nBytesPerPixel + 1];
            pOut[2] = pRow[x * nBytesPerPixel + 0];
        }
    }
    return pic;
}

int MaxChannelDifference(const RgbPicture &a, const RgbPicture &b) {
    if (a.lWidth != b.lWidth || a.lHeight != b.lHeight || a.rgb.size() != b.rgb.size()) return -1;
    int nMax = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const int d = abs(static_cast<int>(a.rgb[i]) - static_cast<int>(b.rgb[i]));
        if (d > nMax) nMax = d;
    }
    return nMax;
}

double Psnr(const RgbPicture &a, const RgbPicture &b) {
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 0.0;
    double sum = 0.0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = static_cast<double>(a.rgb[i]) - static_cast<double>(b.rgb[i]);
        sum += d * d;
    }
    if (sum == 0.0) return 100.0;
    return 10.0 * log10(255.0 * 255.0 / (sum / static_cast<double>(a.rgb.size())));
}

std::vector<BYTE> WithoutHuffmanTables(const std::vector<BYTE> &jpeg) {
    std::vector<BYTE> out(jpeg.begin(), jpeg.begin() + 2);  // SOI
    size_t pos = 2;
    while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF) {
        const BYTE marker = jpeg[pos + 1];
        const size_t len = (static_cast<size_t>(jpeg[pos + 2]) << 8) | jpeg[pos + 3];
        if (marker == 0xDA) break;  // the scan and everything after it stay
        if (marker != 0xC4) out.insert(out.end(), jpeg.begin() + pos, jpeg.begin() + pos + 2 + len);
        pos += 2 + len;
    }
    out.insert(out.end(), jpeg.begin() + pos, jpeg.end());
    return out;
}

size_t FindMarker(const std::vector<BYTE> &jpeg, BYTE marker, size_t nFrom) {
    for (size_t i = nFrom; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) return i;
    return 0;
}

double ThreadCpuMilliseconds() {
    FILETIME ftCreation, ftExit, ftKernel, ftUser;
    if (!GetThreadTimes(GetCurrentThread(), &ftCreation, &ftExit, &ftKernel, &ftUser)) return 0.0;
    const ULONGLONG ull100ns = ((static_cast<ULONGLONG>(ftUser.dwHighDateTime) << 32) | ftUser.dwLowDateTime) +
                               ((static_cast<ULONGLONG>(ftKernel.dwHighDateTime) << 32) | ftKernel.dwLowDateTime);
    return static_cast<double>(ull100ns) / 10000.0;
}
