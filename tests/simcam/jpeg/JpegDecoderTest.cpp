// JpegDecoderTest.cpp - the baseline JPEG decoder against reference
// decodings, on damaged data, and for speed.
#include <gtest/gtest.h>

#include <windows.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "TestPictures.h"
#include "JpegDecoder.h"
#include "JpegIdct.h"

namespace {

const double kPi = 3.14159265358979323846;
const BYTE kGuard = 0xA5;
const size_t kGuardBytes = 64;

// A DIB-like pixel buffer with guard bytes on both sides, top-down or
// bottom-up, rows padded to whole DWORDs.
class GuardedTarget {
public:
    GuardedTarget(LONG lWidth, LONG lHeight, int nBytesPerPixel, bool bBottomUp)
        : m_lStride(((lWidth * nBytesPerPixel) + 3) & ~3),
          m_mem(kGuardBytes * 2 + static_cast<size_t>(m_lStride) * lHeight, kGuard) {
        BYTE *pBits = m_mem.data() + kGuardBytes;
        target.pTopRow = bBottomUp ? pBits + static_cast<size_t>(m_lStride) * (lHeight - 1) : pBits;
        target.lStride = bBottomUp ? -m_lStride : m_lStride;
        target.nBytesPerPixel = nBytesPerPixel;
        target.lWidth = lWidth;
        target.lHeight = lHeight;
        // Rows start as guard bytes too, so untouched padding shows.
    }

    bool GuardsIntact() const {
        for (size_t i = 0; i < kGuardBytes; ++i)
            if (m_mem[i] != kGuard || m_mem[m_mem.size() - 1 - i] != kGuard) return false;
        return true;
    }

    RgbPicture Picture() const {
        return FromBgr(target.pTopRow, target.lStride, target.nBytesPerPixel, target.lWidth, target.lHeight);
    }

    JpegPixelTarget target;

private:
    LONG m_lStride;
    std::vector<BYTE> m_mem;
};

std::vector<BYTE> LoadJpeg(const std::wstring &name) {
    std::vector<BYTE> data = LoadTestData((name + L"_JPG").c_str());
    EXPECT_FALSE(data.empty()) << "missing test picture";
    return data;
}

RgbPicture LoadReference(const std::wstring &name) {
    RgbPicture pic;
    EXPECT_TRUE(ParsePnm(LoadTestData((name + L"_PPM").c_str()), &pic)) << "missing reference";
    return pic;
}

HRESULT DecodeInto(const std::vector<BYTE> &jpeg, GuardedTarget *pTarget) {
    JpegDecoder decoder;
    return decoder.Decode(jpeg.data(), jpeg.size(), pTarget->target);
}

// --- Reference pictures ------------------------------------------------------

struct ReferenceCase {
    const WCHAR *pszName;
    int nComponents;
    int nLumaH, nLumaV;
    UINT uRestart;
};

class JpegReferenceTest : public ::testing::TestWithParam<ReferenceCase> {};

// The reference decodings use the integer IDCT and repeated chroma samples,
// as this decoder does: results must agree to rounding.
TEST_P(JpegReferenceTest, MatchesReferenceDecoding) {
    const ReferenceCase &c = GetParam();
    const std::vector<BYTE> jpeg = LoadJpeg(c.pszName);
    const RgbPicture reference = LoadReference(c.pszName);

    JpegDecoder decoder;
    JpegFrameInfo info = {};
    ASSERT_EQ(S_OK, decoder.ReadInfo(jpeg.data(), jpeg.size(), &info));
    EXPECT_EQ(reference.lWidth, info.lWidth);
    EXPECT_EQ(reference.lHeight, info.lHeight);
    EXPECT_EQ(c.nComponents, info.nComponents);
    EXPECT_EQ(c.nLumaH, info.nLumaH);
    EXPECT_EQ(c.nLumaV, info.nLumaV);
    EXPECT_EQ(c.uRestart, info.uRestartInterval);

    for (int nBpp : {3, 4}) {
        for (bool bBottomUp : {false, true}) {
            SCOPED_TRACE(testing::Message() << nBpp << " bytes per pixel, bottom-up " << bBottomUp);
            GuardedTarget out(info.lWidth, info.lHeight, nBpp, bBottomUp);
            ASSERT_EQ(S_OK, decoder.Decode(jpeg.data(), jpeg.size(), out.target));
            EXPECT_LE(MaxChannelDifference(out.Picture(), reference), 1);
            EXPECT_TRUE(out.GuardsIntact());
            if (nBpp == 4) {
                EXPECT_EQ(0, out.target.pTopRow[3]) << "the X byte of BGRX";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, JpegReferenceTest,
    ::testing::Values(ReferenceCase{L"SCENE_444", 3, 1, 1, 0}, ReferenceCase{L"SCENE_422", 3, 2, 1, 0},
                      ReferenceCase{L"SCENE_420", 3, 2, 2, 0}, ReferenceCase{L"SCENE_422_RST", 3, 2, 1, 3},
                      ReferenceCase{L"SCENE_420_OPT", 3, 2, 2, 0}, ReferenceCase{L"SCENE_GREY", 1, 1, 1, 0}));

TEST(JpegDecoder, SolidSquaresKeepTheirColours) {
    // The scene's top-left corner has four 16x16 squares, each a whole MCU.
    const struct {
        LONG x, y;
        BYTE r, g, b;
    } squares[] = {{4, 4, 255, 0, 0}, {20, 4, 0, 255, 0}, {4, 20, 0, 0, 255}, {20, 20, 255, 255, 255}};
    for (const WCHAR *pszName : {L"SCENE_444", L"SCENE_422", L"SCENE_420"}) {
        SCOPED_TRACE(testing::Message() << "picture " << static_cast<int>(pszName[7]));
        const std::vector<BYTE> jpeg = LoadJpeg(pszName);
        GuardedTarget out(67, 45, 3, true);
        ASSERT_EQ(S_OK, DecodeInto(jpeg, &out));
        const RgbPicture pic = out.Picture();
        for (const auto &sq : squares) {
            for (LONG dy = 0; dy < 8; ++dy) {
                for (LONG dx = 0; dx < 8; ++dx) {
                    const BYTE *p = pic.At(sq.x + dx, sq.y + dy);
                    EXPECT_NEAR(sq.r, p[0], 8);
                    EXPECT_NEAR(sq.g, p[1], 8);
                    EXPECT_NEAR(sq.b, p[2], 8);
                }
            }
        }
    }
}

TEST(JpegDecoder, FrameWithoutHuffmanTablesUsesTheStandardOnes) {
    // Encoded with the standard tables; motion-JPEG frames leave them out.
    const std::vector<BYTE> full = LoadJpeg(L"SCENE_422");
    const std::vector<BYTE> stripped = WithoutHuffmanTables(full);
    ASSERT_LT(stripped.size(), full.size());
    ASSERT_EQ(0u, FindMarker(stripped, 0xC4));

    GuardedTarget a(67, 45, 3, false), b(67, 45, 3, false);
    ASSERT_EQ(S_OK, DecodeInto(full, &a));
    ASSERT_EQ(S_OK, DecodeInto(stripped, &b));
    EXPECT_EQ(0, MaxChannelDifference(a.Picture(), b.Picture()));
}

TEST(JpegDecoder, TablesOfOneFrameDoNotLeakIntoTheNext) {
    // A frame with its own (optimised) tables, then one relying on defaults.
    JpegDecoder decoder;
    const std::vector<BYTE> custom = LoadJpeg(L"SCENE_420_OPT");
    const std::vector<BYTE> stripped = WithoutHuffmanTables(LoadJpeg(L"SCENE_422"));
    GuardedTarget out(67, 45, 3, false);
    ASSERT_EQ(S_OK, decoder.Decode(custom.data(), custom.size(), out.target));
    ASSERT_EQ(S_OK, decoder.Decode(stripped.data(), stripped.size(), out.target));
    EXPECT_LE(MaxChannelDifference(out.Picture(), LoadReference(L"SCENE_422")), 1);
}

TEST(JpegDecoder, TargetSmallerOrLargerThanTheFrame) {
    const std::vector<BYTE> jpeg = LoadJpeg(L"SCENE_420");
    const RgbPicture reference = LoadReference(L"SCENE_420");

    GuardedTarget small(20, 10, 4, true);
    ASSERT_EQ(S_OK, DecodeInto(jpeg, &small));
    EXPECT_TRUE(small.GuardsIntact());
    const RgbPicture pic = small.Picture();
    for (LONG y = 0; y < 10; ++y)
        for (LONG x = 0; x < 20; ++x)
            for (int c = 0; c < 3; ++c) ASSERT_NEAR(reference.At(x, y)[c], pic.At(x, y)[c], 1);

    GuardedTarget large(80, 50, 3, false);
    ASSERT_EQ(S_OK, DecodeInto(jpeg, &large));
    EXPECT_TRUE(large.GuardsIntact());
    const RgbPicture big = large.Picture();
    EXPECT_EQ(kGuard, big.At(79, 49)[0]) << "pixels outside the frame are left alone";
    EXPECT_NEAR(reference.At(66, 44)[1], big.At(66, 44)[1], 1);
}

// --- Damaged and unsupported data --------------------------------------------

TEST(JpegDecoder, TruncatedDataFailsAndKeepsTheRowsDecodedSoFar) {
    const std::vector<BYTE> jpeg = LoadJpeg(L"SCENE_422");
    const RgbPicture reference = LoadReference(L"SCENE_422");
    const size_t nScan = FindMarker(jpeg, 0xDA);
    ASSERT_NE(0u, nScan);

    // Every cut inside the headers and the entropy-coded data, up to the EOI.
    for (size_t cb = 0; cb + 2 < jpeg.size(); ++cb) {
        std::vector<BYTE> cut(jpeg.begin(), jpeg.begin() + cb);
        GuardedTarget out(67, 45, 3, true);
        JpegDecoder decoder;
        const HRESULT hr = decoder.Decode(cut.data(), cut.size(), out.target);
        ASSERT_TRUE(FAILED(hr)) << "cut at " << cb;
        if (cb > nScan + 20) {
            ASSERT_EQ(JPEG_E_TRUNCATED, hr) << "cut at " << cb;
        }
        ASSERT_TRUE(out.GuardsIntact()) << "cut at " << cb;
    }

    // Cut in the last third: the first MCU row (8 pixel rows) is complete.
    std::vector<BYTE> cut(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3);
    GuardedTarget out(67, 45, 3, false);
    ASSERT_EQ(JPEG_E_TRUNCATED, DecodeInto(cut, &out));
    const RgbPicture pic = out.Picture();
    for (LONG y = 0; y < 8; ++y)
        for (LONG x = 0; x < 67; ++x) ASSERT_NEAR(reference.At(x, y)[0], pic.At(x, y)[0], 1);
}

TEST(JpegDecoder, CorruptedBytesNeverWriteOutsideTheTarget) {
    const std::vector<BYTE> jpeg = LoadJpeg(L"SCENE_422_RST");
    UINT uSeed = 12345;
    int nFailures = 0;
    for (int i = 0; i < 1500; ++i) {
        std::vector<BYTE> bad = jpeg;
        const int nFlips = 1 + i % 4;
        for (int k = 0; k < nFlips; ++k) {
            uSeed = uSeed * 1103515245u + 12345u;
            const size_t pos = (uSeed >> 8) % bad.size();
            bad[pos] = static_cast<BYTE>(bad[pos] ^ (1u << ((uSeed >> 4) & 7)));
        }
        GuardedTarget out(67, 45, i % 2 ? 4 : 3, i % 3 == 0);
        JpegDecoder decoder;
        if (FAILED(decoder.Decode(bad.data(), bad.size(), out.target))) ++nFailures;
        ASSERT_TRUE(out.GuardsIntact()) << "iteration " << i;
    }
    // Many flips hit coefficients and still decode; some must be detected.
    EXPECT_GT(nFailures, 0);
}

TEST(JpegDecoder, MalformedStreamsAreReported) {
    const std::vector<BYTE> good = LoadJpeg(L"SCENE_422_RST");
    GuardedTarget out(67, 45, 3, false);
    JpegDecoder decoder;

    // Nothing, or no SOI.
    EXPECT_EQ(E_INVALIDARG, decoder.Decode(good.data(), good.size(), JpegPixelTarget{}));
    EXPECT_EQ(JPEG_E_TRUNCATED, decoder.Decode(nullptr, 0, out.target));
    std::vector<BYTE> bad = good;
    bad[1] = 0xD9;
    EXPECT_EQ(JPEG_E_CORRUPT, decoder.Decode(bad.data(), bad.size(), out.target));

    // A restart marker out of sequence.
    const size_t nRst0 = FindMarker(good, 0xD0, FindMarker(good, 0xDA));
    ASSERT_NE(0u, nRst0);
    bad = good;
    bad[nRst0 + 1] = 0xD3;
    EXPECT_EQ(JPEG_E_CORRUPT, decoder.Decode(bad.data(), bad.size(), out.target));

    // Huffman counts that describe no prefix code (two codes of length 1
    // plus more).
    const std::vector<BYTE> withDht = LoadJpeg(L"SCENE_420_OPT");
    const size_t nDht = FindMarker(withDht, 0xC4);
    ASSERT_NE(0u, nDht);
    bad = withDht;
    bad[nDht + 5] = 2;
    bad[nDht + 6] = 2;
    EXPECT_EQ(JPEG_E_CORRUPT, decoder.Decode(bad.data(), bad.size(), out.target));

    // A segment length running past the end of the data.
    const size_t nSof = FindMarker(good, 0xC0);
    ASSERT_NE(0u, nSof);
    bad = good;
    bad[nSof + 2] = 0xFF;
    EXPECT_EQ(JPEG_E_TRUNCATED, decoder.Decode(bad.data(), bad.size(), out.target));

    // No quantisation table for the frame.
    bad = good;
    const size_t nDqt = FindMarker(bad, 0xDB);
    ASSERT_NE(0u, nDqt);
    bad[nDqt + 1] = 0xFE;  // now a COM segment
    EXPECT_EQ(JPEG_E_CORRUPT, decoder.Decode(bad.data(), bad.size(), out.target));

    // The decoder works normally afterwards.
    EXPECT_EQ(S_OK, decoder.Decode(good.data(), good.size(), out.target));
}

TEST(JpegDecoder, NonBaselineStreamsAreUnsupported) {
    GuardedTarget out(67, 45, 3, false);
    JpegDecoder decoder;
    const std::vector<BYTE> progressive = LoadJpeg(L"SCENE_PROGRESSIVE");
    EXPECT_EQ(JPEG_E_UNSUPPORTED, decoder.Decode(progressive.data(), progressive.size(), out.target));

    std::vector<BYTE> twelveBit = LoadJpeg(L"SCENE_444");
    const size_t nSof = FindMarker(twelveBit, 0xC0);
    ASSERT_NE(0u, nSof);
    twelveBit[nSof + 4] = 12;
    EXPECT_EQ(JPEG_E_UNSUPPORTED, decoder.Decode(twelveBit.data(), twelveBit.size(), out.target));

    std::vector<BYTE> arithmetic = LoadJpeg(L"SCENE_444");
    arithmetic[nSof + 1] = 0xC9;
    EXPECT_EQ(JPEG_E_UNSUPPORTED, decoder.Decode(arithmetic.data(), arithmetic.size(), out.target));
}

// --- IDCT --------------------------------------------------------------------

TEST(JpegIdct, AgreesWithTheDefinitionWithinOneLevel) {
    UINT uSeed = 99;
    for (int n = 0; n < 2000; ++n) {
        int coef[64] = {};
        double ref[64];
        // Sparse blocks like real data, plus some dense ones, within the
        // range valid 8-bit data reaches.
        const int nCount = n % 10 == 0 ? 64 : 1 + n % 12;
        for (int k = 0; k < nCount; ++k) {
            uSeed = uSeed * 1103515245u + 12345u;
            const int pos = static_cast<int>((uSeed >> 8) % 64);
            const int range = pos == 0 ? 1024 : 300;
            coef[pos] = static_cast<int>((uSeed >> 12) % (2 * range)) - range;
        }
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                double s = 0.0;
                for (int v = 0; v < 8; ++v) {
                    for (int u = 0; u < 8; ++u) {
                        const double cu = u ? 1.0 : sqrt(0.5);
                        const double cv = v ? 1.0 : sqrt(0.5);
                        s +=
                            cu * cv * coef[v * 8 + u] * cos((2 * x + 1) * u * kPi / 16) * cos((2 * y + 1) * v * kPi / 16);
                    }
                }
                const double value = s / 4.0 + 128.0;
                ref[y * 8 + x] = value < 0 ? 0 : (value > 255 ? 255 : value);
            }
        }
        BYTE out[8 * 8];
        JpegIdct8x8(coef, out, 8);
        for (int i = 0; i < 64; ++i) ASSERT_LE(fabs(out[i] - ref[i]), 1.01) << "block " << n << " sample " << i;
    }
}

TEST(JpegIdct, DcOnlyShortcutMatchesTheFullTransform) {
    for (int dc = -1100; dc <= 1100; dc += 7) {
        int coef[64] = {};
        coef[0] = dc;
        BYTE full[64], fast[64];
        JpegIdct8x8(coef, full, 8);
        JpegIdctDcOnly(dc, fast, 8);
        ASSERT_EQ(0, memcmp(full, fast, sizeof(full))) << "dc " << dc;
    }
}

// --- Speed -------------------------------------------------------------------

TEST(JpegDecoder, DecodesVgaFramesFastEnoughForThirtyPerSecond) {
    for (const WCHAR *pszName : {L"VGA_422", L"VGA_420"}) {
        const std::vector<BYTE> jpeg = LoadJpeg(pszName);
        GuardedTarget out(640, 480, 4, true);
        JpegDecoder decoder;
        ASSERT_EQ(S_OK, decoder.Decode(jpeg.data(), jpeg.size(), out.target));  // warm-up

        const int nFrames = 60;
        const double msStart = ThreadCpuMilliseconds();
        for (int i = 0; i < nFrames; ++i) ASSERT_EQ(S_OK, decoder.Decode(jpeg.data(), jpeg.size(), out.target));
        const double ms = (ThreadCpuMilliseconds() - msStart) / nFrames;
        printf("640x480 %ls (%u bytes, noisy): %.2f ms CPU per frame\n", pszName + 4,
               static_cast<unsigned>(jpeg.size()), ms);
        // One frame time is 33 ms; a decode must leave most of it to the rest.
        EXPECT_LT(ms, 10.0);
    }
}

}  // namespace
