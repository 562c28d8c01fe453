// Yuy2ToRgbTest.cpp - YUY2 to RGB conversion: BT.601 studio-range colours,
// chroma shared by a pixel pair, row order and pixel sizes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include <vector>

#include "Yuy2ToRgb.h"

namespace {

struct Yuv {
    BYTE y, u, v;
};
struct Rgb {
    int r, g, b;
};

// One pixel pair of the same colour, converted to BGR.
Rgb ConvertPair(const Yuv &c) {
    const BYTE src[4] = {c.y, c.u, c.y, c.v};
    BYTE dst[6] = {};
    Yuy2ToRgb(src, 4, 2, 1, dst, 6, 3);
    EXPECT_EQ(dst[0], dst[3]);
    return Rgb{dst[2], dst[1], dst[0]};
}

TEST(Yuy2ToRgb, StudioRangeColourBars) {
    const struct {
        Yuv in;
        Rgb out;
    } bars[] = {
        {{16, 128, 128}, {0, 0, 0}},         // black
        {{235, 128, 128}, {255, 255, 255}},  // white
        {{126, 128, 128}, {128, 128, 128}},  // mid grey
        {{81, 90, 240}, {255, 0, 0}},        // red
        {{145, 54, 34}, {0, 255, 0}},        // green
        {{41, 240, 110}, {0, 0, 255}},       // blue
        {{210, 16, 146}, {255, 255, 0}},     // yellow
        {{170, 166, 16}, {0, 255, 255}},     // cyan
        {{106, 202, 222}, {255, 0, 255}},    // magenta
    };
    for (const auto &bar : bars) {
        SCOPED_TRACE(testing::Message() << "Y " << int(bar.in.y) << " U " << int(bar.in.u) << " V " << int(bar.in.v));
        const Rgb rgb = ConvertPair(bar.in);
        EXPECT_NEAR(bar.out.r, rgb.r, 2);
        EXPECT_NEAR(bar.out.g, rgb.g, 2);
        EXPECT_NEAR(bar.out.b, rgb.b, 2);
    }
}

TEST(Yuy2ToRgb, OutOfRangeSamplesClampInsteadOfWrapping) {
    const Rgb below = ConvertPair({0, 128, 128});
    EXPECT_EQ(0, below.r);
    EXPECT_EQ(0, below.g);
    const Rgb above = ConvertPair({255, 255, 255});
    EXPECT_EQ(255, above.r);
    EXPECT_EQ(255, above.b);
    const Rgb strongRed = ConvertPair({81, 0, 255});
    EXPECT_EQ(255, strongRed.r);
    EXPECT_EQ(0, strongRed.b);
}

TEST(Yuy2ToRgb, PairSharesChromaButKeepsItsOwnLuma) {
    const BYTE src[4] = {16, 128, 235, 128};  // black and white, no colour
    BYTE dst[8] = {};
    Yuy2ToRgb(src, 4, 2, 1, dst, 8, 4);
    const BYTE expected[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    EXPECT_EQ(0, memcmp(expected, dst, sizeof(dst)));
}

TEST(Yuy2ToRgb, BottomUpTargetGetsTheTopRowLast) {
    // Two rows: red over blue; a 24-bit bottom-up DIB of width 2 has 8-byte rows.
    const BYTE src[2 * 4] = {81, 90, 81, 240, 41, 240, 41, 110};
    std::vector<BYTE> dib(2 * 8, 0xEE);
    Yuy2ToRgb(src, 4, 2, 2, dib.data() + 8, -8, 3);
    EXPECT_NEAR(255, dib[8 + 2], 2) << "top row (red) is the second row in memory";
    EXPECT_NEAR(255, dib[0], 2) << "bottom row (blue) is the first";
    EXPECT_EQ(0xEE, dib[6]) << "row padding stays untouched";
    EXPECT_EQ(0xEE, dib[14]);
}

}  // namespace
