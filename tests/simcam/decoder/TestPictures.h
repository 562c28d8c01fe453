// TestPictures.h - pictures for the decoder tests: the JPEG files and their
// reference decodings built into the test program, and helpers that compare
// decoded pixels.
#ifndef KOR_TESTS_SIMCAM_DECODER_TESTPICTURES_H
#define KOR_TESTS_SIMCAM_DECODER_TESTPICTURES_H

#include <windows.h>

#include <vector>

// Bytes of an RCDATA resource of this program ("SCENE_422_JPG" ...); empty
// when there is none.
std::vector<BYTE> LoadTestData(const WCHAR *pszName);

// A picture as R, G, B bytes per pixel, top row first.
struct RgbPicture {
    LONG lWidth = 0;
    LONG lHeight = 0;
    std::vector<BYTE> rgb;

    const BYTE *At(LONG x, LONG y) const { return &rgb[(static_cast<size_t>(y) * lWidth + x) * 3]; }
};

// Reads a binary PPM (P6) or PGM (P5, expanded to grey RGB).
bool ParsePnm(const std::vector<BYTE> &data, RgbPicture *pPicture);

// Reads BGR/BGRX rows (top row at pTopRow, lStride apart) into a picture.
RgbPicture FromBgr(const BYTE *pTopRow, LONG lStride, int nBytesPerPixel, LONG lWidth, LONG lHeight);

// Largest difference of any channel of any pixel; -1 when the sizes differ.
int MaxChannelDifference(const RgbPicture &a, const RgbPicture &b);

// Peak signal-to-noise ratio in dB over all channels (100 for identical).
double Psnr(const RgbPicture &a, const RgbPicture &b);

// The segments of a JPEG file without any DHT segment.
std::vector<BYTE> WithoutHuffmanTables(const std::vector<BYTE> &jpeg);

// Offset of the first marker FF xx at or after nFrom, or 0 when none.
size_t FindMarker(const std::vector<BYTE> &jpeg, BYTE marker, size_t nFrom = 2);

// CPU time the calling thread has used, in milliseconds. Speed checks use it
// rather than the wall clock, which a loaded build machine stretches.
double ThreadCpuMilliseconds();

#endif  // KOR_TESTS_SIMCAM_DECODER_TESTPICTURES_H
