// JpegEncoderTest.cpp - the baseline JPEG encoder on its own: the segments it
// writes, sizes that are not whole MCUs, bounded output, argument checks.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "PictureTestUtil.h"
#include "JpegEncoder.h"

namespace {

// A YUY2 picture, left part red and the rest blue (studio range), rows
// stride bytes apart; padding bytes are 0xEE.
std::vector<BYTE> RedBlue(LONG width, LONG height, LONG stride, LONG redPixels) {
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * height, 0xEE);
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; x += 2) {
            BYTE *p = &pixels[static_cast<size_t>(y) * stride + x * 2];
            const bool red = x < redPixels;
            p[0] = p[2] = red ? 81 : 41;
            p[1] = red ? 90 : 240;
            p[3] = red ? 240 : 110;
        }
    }
    return pixels;
}

std::vector<BYTE> Encode(const std::vector<BYTE> &pixels, LONG width, LONG height, LONG stride, int quality = 85) {
    // Noise at quality 100 takes more than the raw YUY2 size.
    std::vector<BYTE> out(static_cast<size_t>(width) * height * 8 + 8192);
    const DWORD cb =
        JpegEncodeYuy2(pixels.data(), width, height, stride, TRUE, quality, out.data(), static_cast<DWORD>(out.size()));
    out.resize(cb);
    return out;
}

}  // namespace

TEST(JpegEncoder, WritesJfifWithBothQuantTablesAndTheFourStandardHuffmanTables) {
    const std::vector<BYTE> jpeg = Encode(RedBlue(64, 32, 128, 32), 64, 32, 128);
    const JpegLayout layout = ParseJpeg(jpeg);
    ASSERT_TRUE(layout.wellFormed);
    EXPECT_EQ(static_cast<size_t>(JPEG_HEADER_BYTES), layout.entropyStart);
    EXPECT_EQ(0, memcmp(&jpeg[6], "JFIF", 5));
    EXPECT_EQ(2, layout.quantTableCount);
    const std::vector<BYTE> tables = {0x00, 0x10, 0x01, 0x11};
    const std::vector<int> symbols = {12, 162, 12, 162};
    EXPECT_EQ(tables, layout.huffmanTables);
    EXPECT_EQ(symbols, layout.huffmanSymbols);
    EXPECT_EQ(1, layout.componentIds[0]);
    EXPECT_EQ(0, layout.quantTables[0]);
    EXPECT_EQ(1, layout.quantTables[1]);
    EXPECT_EQ(1, layout.quantTables[2]);
}

TEST(JpegEncoder, QualityFiftySendsTheStandardTablesInZigzagOrder) {
    const std::vector<BYTE> jpeg = Encode(RedBlue(16, 8, 32, 8), 16, 8, 32, 50);
    ASSERT_TRUE(ParseJpeg(jpeg).wellFormed);
    // DQT follows SOI (2) and APP0 (18): marker, length, then table 0.
    ASSERT_EQ(0xDB, jpeg[21]);
    const BYTE lumaStart[8] = {16, 11, 12, 14, 12, 10, 16, 14};
    EXPECT_EQ(0, jpeg[24]);
    EXPECT_EQ(0, memcmp(&jpeg[25], lumaStart, sizeof(lumaStart)));
    const BYTE chromaStart[6] = {17, 18, 18, 24, 21, 24};
    EXPECT_EQ(1, jpeg[25 + 64]);
    EXPECT_EQ(0, memcmp(&jpeg[26 + 64], chromaStart, sizeof(chromaStart)));
}

TEST(JpegEncoder, SizesThatAreNotWholeMcusAreCodedWithTheirOwnSize) {
    const LONG sizes[][2] = {{50, 26}, {2, 1}, {18, 9}, {642, 481}};
    for (const auto &size : sizes) {
        const std::vector<BYTE> jpeg =
            Encode(RedBlue(size[0], size[1], size[0] * 2, size[0] / 2), size[0], size[1], size[0] * 2);
        const JpegLayout layout = ParseJpeg(jpeg);
        EXPECT_TRUE(layout.wellFormed) << size[0] << "x" << size[1];
        EXPECT_EQ(size[0], layout.width);
        EXPECT_EQ(size[1], layout.height);
    }
}

// For the host-side decode: 50x26, red up to x = 24, blue beyond.
TEST(JpegEncoder, WritesAnOddSizedPictureForTheHostDecoder) {
    const std::vector<BYTE> jpeg = Encode(RedBlue(50, 26, 100, 24), 50, 26, 100);
    ASSERT_FALSE(jpeg.empty());
    EXPECT_TRUE(WriteBytes(L"picture_odd_50x26.jpg", jpeg));
}

TEST(JpegEncoder, RowPaddingIsSkipped) {
    EXPECT_EQ(Encode(RedBlue(40, 16, 80, 20), 40, 16, 80), Encode(RedBlue(40, 16, 96, 20), 40, 16, 96));
}

TEST(JpegEncoder, RowsMayComeFromSeparateBuffers) {
    const std::vector<BYTE> whole = RedBlue(48, 20, 96, 20);
    std::vector<std::vector<BYTE>> pieces;
    std::vector<const BYTE *> rows;
    for (LONG y = 0; y < 20; ++y) {
        pieces.emplace_back(whole.begin() + y * 96, whole.begin() + (y + 1) * 96);
    }
    for (const auto &piece : pieces) rows.push_back(piece.data());
    std::vector<BYTE> out(65536);
    const DWORD cb = JpegEncodeYuy2Rows(rows.data(), 48, 20, TRUE, 85, out.data(), static_cast<DWORD>(out.size()));
    out.resize(cb);
    EXPECT_EQ(Encode(whole, 48, 20, 96), out);
}

TEST(JpegEncoder, NeverWritesBeyondTheBufferAndFailsWhenTheStreamDoesNotFit) {
    const LONG width = 320, height = 240;
    // Noise-like content that codes large.
    std::vector<BYTE> pixels(width * height * 2);
    DWORD seed = 12345;
    for (BYTE &b : pixels) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<BYTE>(16 + (seed >> 16) % 220);
    }
    const std::vector<BYTE> full = Encode(pixels, width, height, width * 2, 100);
    ASSERT_FALSE(full.empty());
    const DWORD limits[] = {0,
                            100,
                            JPEG_HEADER_BYTES,
                            JPEG_HEADER_BYTES + 2000,
                            static_cast<DWORD>(full.size() / 2),
                            static_cast<DWORD>(full.size() - 1)};
    for (DWORD limit : limits) {
        std::vector<BYTE> out(full.size() + 4096, 0xA5);
        EXPECT_EQ(0u, JpegEncodeYuy2(pixels.data(), width, height, width * 2, TRUE, 100, out.data(), limit))
            << "limit " << limit;
        for (size_t i = limit; i < out.size(); ++i) ASSERT_EQ(0xA5, out[i]) << "limit " << limit << " byte " << i;
    }
    // Lower quality makes the same picture smaller.
    EXPECT_LT(Encode(pixels, width, height, width * 2, 30).size(), full.size());
}

TEST(JpegEncoder, QualityOutsideOneToHundredIsClamped) {
    const std::vector<BYTE> pixels = RedBlue(32, 16, 64, 10);
    EXPECT_EQ(Encode(pixels, 32, 16, 64, 1), Encode(pixels, 32, 16, 64, -5));
    EXPECT_EQ(Encode(pixels, 32, 16, 64, 100), Encode(pixels, 32, 16, 64, 1000));
}

TEST(JpegEncoder, RefusesBadArguments) {
    const std::vector<BYTE> pixels = RedBlue(32, 16, 64, 10);
    std::vector<BYTE> out(65536);
    const DWORD cb = static_cast<DWORD>(out.size());
    EXPECT_EQ(0u, JpegEncodeYuy2(nullptr, 32, 16, 64, TRUE, 85, out.data(), cb));
    EXPECT_EQ(0u, JpegEncodeYuy2(pixels.data(), 32, 16, 64, TRUE, 85, nullptr, cb));
    EXPECT_EQ(0u, JpegEncodeYuy2(pixels.data(), 31, 16, 64, TRUE, 85, out.data(), cb));
    EXPECT_EQ(0u, JpegEncodeYuy2(pixels.data(), 0, 16, 64, TRUE, 85, out.data(), cb));
    EXPECT_EQ(0u, JpegEncodeYuy2(pixels.data(), 32, 0, 64, TRUE, 85, out.data(), cb));
    EXPECT_EQ(0u, JpegEncodeYuy2(pixels.data(), 32, 16, 62, TRUE, 85, out.data(), cb));  // stride too short
    EXPECT_EQ(0u, JpegEncodeYuy2(pixels.data(), 65536, 1, 131072, TRUE, 85, out.data(), cb));
}
