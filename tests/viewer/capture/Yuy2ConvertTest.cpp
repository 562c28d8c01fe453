// Yuy2ConvertTest.cpp - the YUY2 still conversion against a reference written
// here from the formula, on every path this processor has: every Y, U, V
// triple, row tails and padding for small sizes, and the still size.
#include <windows.h>
#include <stdio.h>

#include <gtest/gtest.h>

#include <vector>

#include "Yuy2Convert.h"

namespace {

#ifndef PF_SSSE3_INSTRUCTIONS_AVAILABLE
#define PF_SSSE3_INSTRUCTIONS_AVAILABLE 36
#endif
#ifndef PF_AVX2_INSTRUCTIONS_AVAILABLE
#define PF_AVX2_INSTRUCTIONS_AVAILABLE 40
#endif

// floor(value * coefficient / 16384), without leaning on what >> does with
// negative numbers.
int Term(int value, int coefficient) {
    const int product = value * coefficient;
    int quotient = product / 16384;
    if (product % 16384 != 0 && product < 0) --quotient;
    return quotient;
}

BYTE Saturate(int value) { return static_cast<BYTE>(value < 0 ? 0 : (value > 255 ? 255 : value)); }

struct Bgr {
    BYTE b, g, r;
};

Bgr ReferencePixel(int Y, int U, int V) {
    const int y = Term(Y - 16, 19070);
    const Bgr pixel = {Saturate(y + Term(U - 128, 33062)), Saturate(y - Term(V - 128, 13320) - Term(U - 128, 6406)),
                       Saturate(y + Term(V - 128, 26148))};
    return pixel;
}

// Rows of width * 3 bytes padded with zeros to a multiple of four.
std::vector<BYTE> Reference(const std::vector<BYTE> &source, int width, int height) {
    const size_t cbRow = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<BYTE> target(cbRow * height, 0);
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            const BYTE *pGroup = &source[(static_cast<size_t>(row) * width + (x & ~1)) * 2];
            const Bgr pixel = ReferencePixel(pGroup[(x & 1) * 2], pGroup[1], pGroup[3]);
            BYTE *pOut = &target[row * cbRow + x * 3];
            pOut[0] = pixel.b;
            pOut[1] = pixel.g;
            pOut[2] = pixel.r;
        }
    }
    return target;
}

std::vector<BYTE> RandomFrame(int width, int height, UINT seed) {
    std::vector<BYTE> source(static_cast<size_t>(width) * height * 2);
    for (BYTE &value : source) {
        seed = seed * 1664525u + 1013904223u;
        value = static_cast<BYTE>(seed >> 24);
    }
    return source;
}

const char *PathName(Yuy2Path path) {
    switch (path) {
    case YUY2_PATH_SCALAR:
        return "scalar";
    case YUY2_PATH_SSSE3:
        return "SSSE3";
    case YUY2_PATH_AVX2:
        return "AVX2";
    }
    return "?";
}

const BYTE kGarbage = 0xCD;
const size_t kGuardBytes = 64;

// Converts into a target filled with garbage and followed by guard bytes;
// expects the reference's bytes and untouched guard bytes.
void ExpectConversion(Yuy2Path path, const std::vector<BYTE> &source, int width, int height) {
    const std::vector<BYTE> expected = Reference(source, width, height);
    ASSERT_EQ(expected.size(), static_cast<size_t>(PaddedRowBytes(width)) * height);
    std::vector<BYTE> target(expected.size() + kGuardBytes, kGarbage);
    Yuy2ToBgr24With(path, source.data(), target.data(), width, height);

    const size_t cbRow = PaddedRowBytes(width);
    int mismatches = 0;
    for (size_t i = 0; i < expected.size() && mismatches < 5; ++i) {
        if (target[i] != expected[i]) {
            ADD_FAILURE() << PathName(path) << " " << width << "x" << height << ": row " << i / cbRow << " byte "
                          << i % cbRow << " is " << int(target[i]) << ", expected " << int(expected[i]);
            ++mismatches;
        }
    }
    for (size_t i = expected.size(); i < target.size(); ++i) {
        ASSERT_EQ(kGarbage, target[i]) << PathName(path) << " " << width << "x" << height << ": wrote "
                                       << i - expected.size() << " bytes past the end";
    }
}

class Yuy2PathTest : public testing::TestWithParam<Yuy2Path> {
protected:
    void SetUp() override {
        if (!Yuy2PathAvailable(GetParam())) GTEST_SKIP() << PathName(GetParam()) << " is not available here";
    }
};

// A 4096 x 4096 frame holds every Y, U, V triple once: each group of two
// pixels shares U and V, and its two Y values are a pair 2k, 2k + 1 (in
// either order, alternating with U and V, so both positions see both).
TEST_P(Yuy2PathTest, EveryYuvTriple) {
    const int width = 4096, height = 4096;
    std::vector<BYTE> source(static_cast<size_t>(width) * height * 2);
    for (size_t group = 0; group < source.size() / 4; ++group) {
        const int k = static_cast<int>(group % 128);
        const int V = static_cast<int>(group / 128 % 256);
        const int U = static_cast<int>(group / 32768);
        const int swap = (U ^ V) & 1;
        BYTE *pGroup = &source[group * 4];
        pGroup[0] = static_cast<BYTE>(2 * k + swap);
        pGroup[1] = static_cast<BYTE>(U);
        pGroup[2] = static_cast<BYTE>(2 * k + 1 - swap);
        pGroup[3] = static_cast<BYTE>(V);
    }
    std::vector<BYTE> target(static_cast<size_t>(width) * height * 3, kGarbage);
    ASSERT_EQ(PaddedRowBytes(width), static_cast<UINT>(width * 3));
    Yuy2ToBgr24With(GetParam(), source.data(), target.data(), width, height);

    int mismatches = 0;
    for (size_t pixel = 0; pixel < static_cast<size_t>(width) * height && mismatches < 5; ++pixel) {
        const BYTE *pGroup = &source[(pixel & ~size_t(1)) * 2];
        const int Y = pGroup[(pixel & 1) * 2], U = pGroup[1], V = pGroup[3];
        const Bgr expected = ReferencePixel(Y, U, V);
        const BYTE *pOut = &target[pixel * 3];
        if (pOut[0] != expected.b || pOut[1] != expected.g || pOut[2] != expected.r) {
            ADD_FAILURE() << PathName(GetParam()) << " Y " << Y << " U " << U << " V " << V << ": " << int(pOut[0])
                          << "," << int(pOut[1]) << "," << int(pOut[2]) << " expected " << int(expected.b) << ","
                          << int(expected.g) << "," << int(expected.r);
            ++mismatches;
        }
    }
}

// Widths below, at and just past a vector step (16 and 32 pixels) and rows
// whose padding is 2 bytes (width 2, 6, 30, 34, 62, 66) or none, into targets
// full of garbage: pixels as the reference, padding zero, nothing beyond.
TEST_P(Yuy2PathTest, SmallSizesTailsAndPadding) {
    const int widths[] = {2, 4, 6, 14, 16, 18, 30, 32, 34, 46, 48, 62, 64, 66, 98};
    const int heights[] = {1, 3};
    for (int width : widths) {
        for (int height : heights) {
            ExpectConversion(GetParam(), RandomFrame(width, height, width * 7 + height), width, height);
        }
    }
}

TEST_P(Yuy2PathTest, StillSize) { ExpectConversion(GetParam(), RandomFrame(2592, 1944, 2592), 2592, 1944); }

#if defined(__GNUC__) && defined(__i386__)
struct ConvertCall {
    Yuy2Path path;
    const BYTE *pSource;
    BYTE *pTarget;
    int width, height;
};

void __cdecl CallConvert(ConvertCall *pCall) {
    Yuy2ToBgr24With(pCall->path, pCall->pSource, pCall->pTarget, pCall->width, pCall->height);
}

// Calls CallConvert with the stack pointer `offset` bytes below a 16-byte
// boundary, as a thread of 32-bit Windows may (it promises 4 bytes).
void CallWithStackOffset(ConvertCall *pCall, int offset) {
    __asm__ volatile(
        "movl %%esp, %%ebx\n\t"
        "andl $-32, %%esp\n\t"
        "subl %[offset], %%esp\n\t"
        "pushl %[call]\n\t"
        "call %P[function]\n\t"
        "movl %%ebx, %%esp\n\t"
        :
        : [offset] "r"(offset), [call] "r"(pCall), [function] "i"(CallConvert)
        : "eax", "ebx", "ecx", "edx", "memory", "cc");
}

// The vector paths keep 16- and 32-byte values on the stack; called on a
// stack aligned to only 4 bytes they still convert (rather than fault).
TEST_P(Yuy2PathTest, AnyStackAlignment) {
    const int width = 98, height = 3;
    const std::vector<BYTE> source = RandomFrame(width, height, 13);
    const std::vector<BYTE> expected = Reference(source, width, height);
    for (int offset = 0; offset < 32; offset += 4) {
        std::vector<BYTE> target(expected.size(), kGarbage);
        ConvertCall call = {GetParam(), source.data(), target.data(), width, height};
        CallWithStackOffset(&call, offset);
        EXPECT_EQ(expected, target) << "stack offset " << offset;
    }
}
#endif

INSTANTIATE_TEST_SUITE_P(Paths, Yuy2PathTest, testing::Values(YUY2_PATH_SCALAR, YUY2_PATH_SSSE3, YUY2_PATH_AVX2),
                         [](const testing::TestParamInfo<Yuy2Path> &info) { return PathName(info.param); });

TEST(Yuy2Convert, PathsThisProcessorHas) {
    printf("paths: scalar%s%s\n", Yuy2PathAvailable(YUY2_PATH_SSSE3) ? ", SSSE3" : " (no SSSE3)",
           Yuy2PathAvailable(YUY2_PATH_AVX2) ? ", AVX2" : " (no AVX2)");
    EXPECT_TRUE(Yuy2PathAvailable(YUY2_PATH_SCALAR));
    // What the system reports implies the path (an older system may not know
    // these features and report none).
    if (IsProcessorFeaturePresent(PF_SSSE3_INSTRUCTIONS_AVAILABLE)) {
        EXPECT_TRUE(Yuy2PathAvailable(YUY2_PATH_SSSE3));
    }
    if (IsProcessorFeaturePresent(PF_AVX2_INSTRUCTIONS_AVAILABLE)) {
        EXPECT_TRUE(Yuy2PathAvailable(YUY2_PATH_AVX2));
    }
    if (Yuy2PathAvailable(YUY2_PATH_AVX2)) {
        EXPECT_TRUE(Yuy2PathAvailable(YUY2_PATH_SSSE3));
    }
    EXPECT_FALSE(Yuy2PathAvailable(static_cast<Yuy2Path>(3)));
}

// The default entry point takes one of the paths: the reference's bytes.
TEST(Yuy2Convert, DefaultPath) {
    const int width = 66, height = 3;
    const std::vector<BYTE> source = RandomFrame(width, height, 5);
    const std::vector<BYTE> expected = Reference(source, width, height);
    std::vector<BYTE> target(expected.size(), kGarbage);
    Yuy2ToBgr24(source.data(), target.data(), width, height);
    EXPECT_EQ(expected, target);
}

TEST(Yuy2Convert, PaddedRowBytes) {
    EXPECT_EQ(8u, PaddedRowBytes(2));
    EXPECT_EQ(12u, PaddedRowBytes(4));
    EXPECT_EQ(20u, PaddedRowBytes(6));
    EXPECT_EQ(7776u, PaddedRowBytes(2592));
    EXPECT_EQ(0u, PaddedRowBytes(0));
}

// Nothing to convert, or nowhere to: the target stays as it was. A path the
// processor lacks converts all the same (the exact scalar way).
TEST(Yuy2Convert, DegenerateCallsAndMissingPath) {
    const std::vector<BYTE> source = RandomFrame(4, 2, 9);
    std::vector<BYTE> target(64, kGarbage);
    Yuy2ToBgr24(source.data(), target.data(), 0, 2);
    Yuy2ToBgr24(source.data(), target.data(), 4, 0);
    Yuy2ToBgr24(source.data(), target.data(), -4, 2);
    Yuy2ToBgr24(nullptr, target.data(), 4, 2);
    Yuy2ToBgr24(source.data(), nullptr, 4, 2);
    EXPECT_EQ(std::vector<BYTE>(64, kGarbage), target);

    const std::vector<BYTE> expected = Reference(source, 4, 2);
    std::vector<BYTE> converted(expected.size(), kGarbage);
    Yuy2ToBgr24With(static_cast<Yuy2Path>(3), source.data(), converted.data(), 4, 2);
    EXPECT_EQ(expected, converted);
}

// An odd width has no pair for its last pixel: that pixel comes out black
// (zero bytes) rather than whatever the target held; the others convert.
TEST(Yuy2Convert, OddWidthLeavesNoGarbage) {
    const int width = 35, height = 2;
    const std::vector<BYTE> source = RandomFrame(width, height, 11);
    const size_t cbRow = PaddedRowBytes(width);
    ASSERT_EQ(108u, cbRow);
    for (int path = YUY2_PATH_SCALAR; path <= YUY2_PATH_AVX2; ++path) {
        std::vector<BYTE> target(cbRow * height, kGarbage);
        Yuy2ToBgr24With(static_cast<Yuy2Path>(path), source.data(), target.data(), width, height);
        for (int row = 0; row < height; ++row) {
            const BYTE *pRow = &target[row * cbRow];
            const BYTE *pSource = &source[row * width * 2];
            for (int x = 0; x < width - 1; ++x) {
                const Bgr pixel = ReferencePixel(pSource[x * 2], pSource[(x & ~1) * 2 + 1], pSource[(x & ~1) * 2 + 3]);
                ASSERT_EQ(pixel.b, pRow[x * 3])
                    << PathName(static_cast<Yuy2Path>(path)) << " row " << row << " x " << x;
                ASSERT_EQ(pixel.g, pRow[x * 3 + 1]);
                ASSERT_EQ(pixel.r, pRow[x * 3 + 2]);
            }
            for (size_t i = (width - 1) * 3; i < cbRow; ++i) EXPECT_EQ(0, pRow[i]) << "row " << row << " byte " << i;
        }
    }
}

}  // namespace
