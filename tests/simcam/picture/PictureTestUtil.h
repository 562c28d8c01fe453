// PictureTestUtil.h - inputs and measurements shared by the picture tests.
#ifndef KOR_TESTS_SIMCAM_PICTURE_PICTURETESTUTIL_H
#define KOR_TESTS_SIMCAM_PICTURE_PICTURETESTUTIL_H

#include <windows.h>

#include <vector>

#include "Picture.h"

// Every control at its default and flags, lens sharp, frame 0 at time 0.
SimPictureInput DefaultInput();

// Renders a frame; fails the test (and returns an empty vector) on 0.
std::vector<BYTE> Render(const SimPictureInput &input, DWORD subtype, LONG width, LONG height);

// Means of whole luma levels over a region of some thousand pixels move by
// at least 1e-4 when one pixel changes by one level: two means closer than
// this tolerance come from the same pixels. Computed means are compared with
// it, never exactly (the last bits of a float result may differ between
// builds).
const double kSameMeanTolerance = 1e-6;

struct Yuv {
    int y, u, v;
};

// One YUY2 frame with pixel access by fractions of the frame.
class Yuy2Frame {
public:
    Yuy2Frame(std::vector<BYTE> bytes, LONG width, LONG height)
        : m_bytes(std::move(bytes)), m_width(width), m_height(height) {}
    static Yuy2Frame Of(const SimPictureInput &input, LONG width, LONG height);

    Yuv At(LONG x, LONG y) const;
    Yuv AtFraction(float fx, float fy) const;
    // Chart patch row / column (layout in Scene.h), read at its centre.
    Yuv Patch(int row, int col) const;
    // Mean luma over a rectangle given in fractions.
    double MeanLuma(float left, float top, float right, float bottom) const;
    // Sum of absolute luma differences between neighbours (right and below)
    // over a rectangle given in fractions: how much fine detail survives.
    double Detail(float left, float top, float right, float bottom) const;

    const std::vector<BYTE> &Bytes() const { return m_bytes; }
    LONG Width() const { return m_width; }
    LONG Height() const { return m_height; }

private:
    std::vector<BYTE> m_bytes;
    LONG m_width;
    LONG m_height;
};

// Detail over the focus targets (Siemens star and line pairs).
double FocusDetail(const Yuy2Frame &frame);

// Writes bytes to a file (in the working directory when the name has no path).
bool WriteBytes(const wchar_t *pszName, const std::vector<BYTE> &bytes);

// What a JPEG stream's markers say, read the way a decoder walks them.
struct JpegLayout {
    bool wellFormed = false;    // SOI, segments, SOS, clean entropy data, EOI last
    std::vector<BYTE> markers;  // in order, SOI to EOI (second byte)
    int width = 0, height = 0, precision = 0;
    int componentCount = 0;
    BYTE componentIds[3] = {};
    BYTE sampling[3] = {};  // 0xHV
    BYTE quantTables[3] = {};
    int quantTableCount = 0;
    std::vector<BYTE> huffmanTables;  // class << 4 | id, in order
    std::vector<int> huffmanSymbols;  // symbol count of each
    size_t entropyStart = 0;          // first byte after SOS
};

JpegLayout ParseJpeg(const std::vector<BYTE> &stream);

#endif  // KOR_TESTS_SIMCAM_PICTURE_PICTURETESTUTIL_H
