// JpegIdct.cpp - integer 8x8 inverse DCT (see JpegIdct.h).
//
// Each 1-D pass splits the 8-point IDCT into an even half (inputs 0, 2, 4, 6:
// one rotation by 6*pi/16) and an odd half (inputs 1, 3, 5, 7: the four-
// rotation butterfly of Loeffler, Ligtenberg and Moschytz), 12 multiplies in
// all. Constants are scaled by 2^13. The column pass keeps kPass1Bits extra
// bits of precision; the row pass removes them with the 1/8 normalisation.
#include "JpegIdct.h"

namespace {

const int kConstBits = 13;
const int kPass1Bits = 2;

// round(x * 2^13), named after x without its point: kFix0298631336 is 0.298631336.
const int kFix0298631336 = 2446;
const int kFix0390180644 = 3196;
const int kFix0541196100 = 4433;
const int kFix0765366865 = 6270;
const int kFix0899976223 = 7373;
const int kFix1175875602 = 9633;
const int kFix1501321110 = 12299;
const int kFix1847759065 = 15137;
const int kFix1961570560 = 16069;
const int kFix2053119869 = 16819;
const int kFix2562915447 = 20995;
const int kFix3072711026 = 25172;

inline int Descale(int x, int n) { return (x + (1 << (n - 1))) >> n; }

// Limits a level-shifted sample to 0..255; written so the compiler can use
// conditional moves (noisy pictures defeat branch prediction here).
inline BYTE LimitSample(int v) {
    v = v < 0 ? 0 : v;
    return static_cast<BYTE>(v > 255 ? 255 : v);
}

// Rounding and the +128 level shift of the row pass, added to its DC term.
const int kRowBias = (1 << (kConstBits + kPass1Bits + 2)) + (128 << (kConstBits + kPass1Bits + 3));

// One 8-point IDCT on in[0], in[step], ... in[7*step]; out[] keeps the
// results scaled by 2^kConstBits.
inline void Idct1D(const int *in, int step, int out[8]) {
    // Even half.
    int z2 = in[2 * step];
    int z3 = in[6 * step];
    int z1 = (z2 + z3) * kFix0541196100;
    const int tmp2e = z1 - z3 * kFix1847759065;
    const int tmp3e = z1 + z2 * kFix0765366865;
    const int tmp0e = (in[0] + in[4 * step]) * (1 << kConstBits);
    const int tmp1e = (in[0] - in[4 * step]) * (1 << kConstBits);
    const int tmp10 = tmp0e + tmp3e;
    const int tmp13 = tmp0e - tmp3e;
    const int tmp11 = tmp1e + tmp2e;
    const int tmp12 = tmp1e - tmp2e;

    // Odd half.
    int tmp0 = in[7 * step];
    int tmp1 = in[5 * step];
    int tmp2 = in[3 * step];
    int tmp3 = in[1 * step];
    z1 = tmp0 + tmp3;
    z2 = tmp1 + tmp2;
    z3 = tmp0 + tmp2;
    int z4 = tmp1 + tmp3;
    const int z5 = (z3 + z4) * kFix1175875602;
    tmp0 *= kFix0298631336;
    tmp1 *= kFix2053119869;
    tmp2 *= kFix3072711026;
    tmp3 *= kFix1501321110;
    z1 *= -kFix0899976223;
    z2 *= -kFix2562915447;
    z3 = z3 * -kFix1961570560 + z5;
    z4 = z4 * -kFix0390180644 + z5;
    tmp0 += z1 + z3;
    tmp1 += z2 + z4;
    tmp2 += z2 + z3;
    tmp3 += z1 + z4;

    out[0] = tmp10 + tmp3;
    out[7] = tmp10 - tmp3;
    out[1] = tmp11 + tmp2;
    out[6] = tmp11 - tmp2;
    out[2] = tmp12 + tmp1;
    out[5] = tmp12 - tmp1;
    out[3] = tmp13 + tmp0;
    out[4] = tmp13 - tmp0;
}

inline bool AcIsZero(const int *in, int step) {
    return (in[step] | in[2 * step] | in[3 * step] | in[4 * step] | in[5 * step] | in[6 * step] | in[7 * step]) == 0;
}

}  // namespace

void JpegIdct8x8(int coef[64], BYTE *pOut, LONG lStride) {
    int r[8];

    // Columns, in place.
    for (int c = 0; c < 8; ++c) {
        int *col = coef + c;
        if (AcIsZero(col, 8)) {
            const int dc = col[0] * (1 << kPass1Bits);
            for (int k = 0; k < 8; ++k) col[k * 8] = dc;
            continue;
        }
        Idct1D(col, 8, r);
        for (int k = 0; k < 8; ++k) col[k * 8] = Descale(r[k], kConstBits - kPass1Bits);
    }

    // Rows, with the level shift.
    for (int y = 0; y < 8; ++y) {
        int *row = coef + y * 8;
        BYTE *pRow = pOut + y * lStride;
        if (AcIsZero(row, 1)) {
            const BYTE v = LimitSample(Descale(row[0], kPass1Bits + 3) + 128);
            for (int x = 0; x < 8; ++x) pRow[x] = v;
            continue;
        }
        row[0] += kRowBias >> kConstBits;
        Idct1D(row, 1, r);
        for (int x = 0; x < 8; ++x) pRow[x] = LimitSample(r[x] >> (kConstBits + kPass1Bits + 3));
    }
}

void JpegIdctDcOnly(int nDc, BYTE *pOut, LONG lStride) {
    const BYTE v = LimitSample(Descale(nDc, 3) + 128);
    for (int y = 0; y < 8; ++y) {
        BYTE *pRow = pOut + y * lStride;
        for (int x = 0; x < 8; ++x) pRow[x] = v;
    }
}
