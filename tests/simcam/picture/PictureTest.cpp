// PictureTest.cpp - the simulated camera's frames: sizes and refusals, the
// chart's colours where the layout puts them, focus, the moving parts, MJPG
// streams, and rendering from several threads at once.
#include <gtest/gtest.h>
#include <windows.h>
#include <strsafe.h>

#include <math.h>

#include <thread>
#include <vector>

#include "PictureTestUtil.h"
#include "Picture.h"

namespace {

// BT.601 studio-range Y'CbCr of the chart's nominal colours (Scene.h).
const Yuv kChartYuv[2][6] = {
    {{81, 90, 240}, {145, 54, 34}, {41, 240, 110}, {170, 166, 16}, {106, 202, 222}, {210, 16, 146}},
    {{235, 128, 128}, {191, 128, 128}, {147, 128, 128}, {104, 128, 128}, {60, 128, 128}, {16, 128, 128}},
};

void ExpectNear(const Yuv &expected, const Yuv &actual, int tolerance, const char *what) {
    EXPECT_NEAR(expected.y, actual.y, tolerance) << what << " Y";
    EXPECT_NEAR(expected.u, actual.u, tolerance) << what << " U";
    EXPECT_NEAR(expected.v, actual.v, tolerance) << what << " V";
}

}  // namespace

TEST(FrameSize, Yuy2IsTwoBytesAPixelAndMjpgHasRoomBeyondThat) {
    EXPECT_EQ(640u * 480 * 2, SimFrameBufferSize(SIM_FOURCC_YUY2, 640, 480));
    EXPECT_EQ(2592u * 1944 * 2, SimFrameBufferSize(SIM_FOURCC_YUY2, 2592, 1944));
    EXPECT_GT(SimFrameBufferSize(SIM_FOURCC_MJPG, 640, 480), 640u * 480 * 2);
    EXPECT_GT(SimFrameBufferSize(SIM_FOURCC_MJPG, 2, 1), 1000u);  // headers of a tiny frame fit
}

TEST(FrameSize, UnknownSubtypesAndImpossibleSizesGiveZero) {
    EXPECT_EQ(0u, SimFrameBufferSize(0x33424752u /* RGB3 */, 640, 480));
    EXPECT_EQ(0u, SimFrameBufferSize(SIM_FOURCC_YUY2, 0, 480));
    EXPECT_EQ(0u, SimFrameBufferSize(SIM_FOURCC_YUY2, 640, -480));
    EXPECT_EQ(0u, SimFrameBufferSize(SIM_FOURCC_YUY2, 641, 480));      // YUY2 pairs pixels
    EXPECT_EQ(0u, SimFrameBufferSize(SIM_FOURCC_MJPG, 65536, 65536));  // would overflow 32 bits
}

TEST(RenderFrame, RefusesWhatItCannotFillAndWritesNothing) {
    const SimPictureInput input = DefaultInput();
    const DWORD subtypes[2] = {SIM_FOURCC_YUY2, SIM_FOURCC_MJPG};
    for (DWORD subtype : subtypes) {
        const DWORD cb = SimFrameBufferSize(subtype, 640, 480);
        std::vector<BYTE> buffer(cb, 0xA5);
        EXPECT_EQ(0u, SimRenderFrame(input, subtype, 640, 480, buffer.data(), cb - 1));
        EXPECT_EQ(0u, SimRenderFrame(input, subtype, 640, 480, nullptr, cb));
        EXPECT_EQ(0u, SimRenderFrame(input, subtype, 641, 480, buffer.data(), cb));
        EXPECT_EQ(0u, SimRenderFrame(input, subtype, 640, 0, buffer.data(), cb));
        for (BYTE b : buffer) ASSERT_EQ(0xA5, b);
    }
    std::vector<BYTE> buffer(640 * 480 * 4);
    EXPECT_EQ(
        0u, SimRenderFrame(input, 0x32315659u /* YV12 */, 640, 480, buffer.data(), static_cast<DWORD>(buffer.size())));
}

TEST(RenderFrame, Yuy2FillsExactlyTheFrame) {
    const SimPictureInput input = DefaultInput();
    std::vector<BYTE> buffer(640 * 480 * 2 + 16, 0xA5);
    EXPECT_EQ(640u * 480 * 2,
              SimRenderFrame(input, SIM_FOURCC_YUY2, 640, 480, buffer.data(), static_cast<DWORD>(buffer.size())));
    for (size_t i = 640 * 480 * 2; i < buffer.size(); ++i) EXPECT_EQ(0xA5, buffer[i]);
}

TEST(RenderFrame, TinyAndLopsidedSizesRenderWholeFrames) {
    SimPictureInput input = DefaultInput();
    input.still = TRUE;
    input.lensPosition = input.bestPosition + 200;  // widest blur
    const LONG sizes[][2] = {{2, 1}, {2, 2}, {6, 4}, {34, 10}, {4096, 2}, {2, 600}, {162, 90}};
    for (const auto &size : sizes) {
        const std::vector<BYTE> yuy2 = Render(input, SIM_FOURCC_YUY2, size[0], size[1]);
        EXPECT_EQ(static_cast<size_t>(size[0]) * size[1] * 2, yuy2.size());
        const JpegLayout layout = ParseJpeg(Render(input, SIM_FOURCC_MJPG, size[0], size[1]));
        EXPECT_TRUE(layout.wellFormed) << size[0] << "x" << size[1];
        EXPECT_EQ(size[0], layout.width);
        EXPECT_EQ(size[1], layout.height);
    }
}

TEST(Chart, PatchesHaveTheirColoursWhereTheLayoutPutsThem) {
    const SimPictureInput input = DefaultInput();
    const LONG sizes[][2] = {{640, 480}, {2592, 1944}, {1280, 720}, {160, 120}};
    for (const auto &size : sizes) {
        const Yuy2Frame frame = Yuy2Frame::Of(input, size[0], size[1]);
        for (int row = 0; row < 2; ++row) {
            for (int col = 0; col < 6; ++col) {
                char szWhat[64];
                (void)StringCchPrintfA(szWhat, ARRAYSIZE(szWhat), "%ldx%ld patch %d,%d", size[0], size[1], row, col);
                ExpectNear(kChartYuv[row][col], frame.Patch(row, col), 1, szWhat);
            }
        }
    }
}

TEST(Chart, StaysInPlaceWhenOutOfFocus) {
    SimPictureInput input = DefaultInput();
    input.lensPosition = input.bestPosition + 100;
    const Yuy2Frame frame = Yuy2Frame::Of(input, 640, 480);
    ExpectNear(kChartYuv[0][0], frame.Patch(0, 0), 3, "red");
    ExpectNear(kChartYuv[1][5], frame.Patch(1, 5), 3, "black");
}

TEST(Focus, DetailFallsWithDistanceFromTheBestLensPosition) {
    SimPictureInput input = DefaultInput();
    double previous = 0;
    const LONG offsets[] = {0, 20, 60, 120};
    for (size_t i = 0; i < ARRAYSIZE(offsets); ++i) {
        input.lensPosition = input.bestPosition + offsets[i];
        const double detail = FocusDetail(Yuy2Frame::Of(input, 640, 480));
        if (i > 0) {
            EXPECT_LT(detail, previous * 0.8) << "lens " << offsets[i] << " steps off";
        }
        previous = detail;
    }
}

TEST(Focus, EitherSideOfTheBestPositionBlursAlike) {
    SimPictureInput input = DefaultInput();
    input.lensPosition = input.bestPosition + 60;
    const Yuy2Frame farther = Yuy2Frame::Of(input, 640, 480);
    input.lensPosition = input.bestPosition - 60;
    const Yuy2Frame nearer = Yuy2Frame::Of(input, 640, 480);
    EXPECT_EQ(farther.Bytes(), nearer.Bytes());
}

TEST(Focus, StillSizeBlursAsMuchOfTheSceneAsPreview) {
    // The blur scales with the frame, so a defocused still loses its detail too.
    SimPictureInput input = DefaultInput();
    const double sharp = FocusDetail(Yuy2Frame::Of(input, 2592, 1944));
    input.lensPosition = input.bestPosition + 60;
    const double blurred = FocusDetail(Yuy2Frame::Of(input, 2592, 1944));
    EXPECT_LT(blurred, sharp * 0.5);
}

TEST(Focus, LensPositionsOutsideTheRangeAreTakenAsItsEnds) {
    SimPictureInput input = DefaultInput();
    input.bestPosition = 0;
    input.lensPosition = 255;
    const Yuy2Frame end = Yuy2Frame::Of(input, 320, 240);
    input.bestPosition = -40;
    input.lensPosition = 9999;
    EXPECT_EQ(end.Bytes(), Yuy2Frame::Of(input, 320, 240).Bytes());
}

TEST(MovingParts, BallMovesWithTheStreamTimeAndNothingElseDoes) {
    SimPictureInput input = DefaultInput();
    const Yuy2Frame first = Yuy2Frame::Of(input, 640, 480);
    input.timestamp = 10000000;  // 1 s: a quarter of the way there and back
    const Yuy2Frame second = Yuy2Frame::Of(input, 640, 480);
    // Above the track the frames are the same.
    const size_t trackTop = static_cast<size_t>(0.86 * 480) * 640 * 2;
    EXPECT_TRUE(std::equal(first.Bytes().begin(), first.Bytes().begin() + trackTop, second.Bytes().begin()));
    // The ball (orange: V well above neutral) has left the start of the track.
    const float ballY = 0.92f;
    EXPECT_GT(first.AtFraction(0.02f + 0.0667f, ballY).v, 160);
    EXPECT_LT(second.AtFraction(0.02f + 0.0667f, ballY).v, 140);
    EXPECT_GT(second.AtFraction(0.31f, ballY).v, 160);
}

TEST(MovingParts, CounterChangesWithTheFrameNumberAndMarksStills) {
    SimPictureInput input = DefaultInput();
    input.frameNumber = 1;
    const Yuy2Frame first = Yuy2Frame::Of(input, 640, 480);
    input.frameNumber = 2;
    const Yuy2Frame second = Yuy2Frame::Of(input, 640, 480);
    EXPECT_NE(first.Bytes(), second.Bytes());
    EXPECT_GT(fabs(first.MeanLuma(0.66f, 0.88f, 0.98f, 0.96f) - second.MeanLuma(0.66f, 0.88f, 0.98f, 0.96f)),
              kSameMeanTolerance);
    // Everything left of the counter stays.
    EXPECT_NEAR(first.MeanLuma(0.0f, 0.0f, 0.64f, 1.0f), second.MeanLuma(0.0f, 0.0f, 0.64f, 1.0f), kSameMeanTolerance);

    input.still = TRUE;
    const Yuy2Frame still = Yuy2Frame::Of(input, 640, 480);
    int redPixels = 0;
    for (LONG x = static_cast<LONG>(0.62 * 640); x < static_cast<LONG>(0.98 * 640); ++x) {
        if (still.At(x, static_cast<LONG>(0.92 * 480)).v > 200) ++redPixels;
    }
    EXPECT_GT(redPixels, 5);
}

TEST(MovingParts, SameInputGivesTheSameFrame) {
    SimPictureInput input = DefaultInput();
    input.timestamp = 12345678;
    input.frameNumber = 77;
    EXPECT_EQ(Render(input, SIM_FOURCC_MJPG, 640, 480), Render(input, SIM_FOURCC_MJPG, 640, 480));
}

TEST(Mjpg, FramesAreBaselineJpegWithTheFrameSizeAnd422Sampling) {
    SimPictureInput input = DefaultInput();
    const LONG sizes[][2] = {{640, 480}, {2592, 1944}};
    for (const auto &size : sizes) {
        const std::vector<BYTE> jpeg = Render(input, SIM_FOURCC_MJPG, size[0], size[1]);
        ASSERT_FALSE(jpeg.empty());
        EXPECT_LE(jpeg.size(), SimFrameBufferSize(SIM_FOURCC_MJPG, size[0], size[1]));
        const JpegLayout layout = ParseJpeg(jpeg);
        EXPECT_TRUE(layout.wellFormed);
        const std::vector<BYTE> markers = {0xD8, 0xE0, 0xDB, 0xC0, 0xC4, 0xDA, 0xD9};
        EXPECT_EQ(markers, layout.markers);
        EXPECT_EQ(size[0], layout.width);
        EXPECT_EQ(size[1], layout.height);
        EXPECT_EQ(8, layout.precision);
        ASSERT_EQ(3, layout.componentCount);
        EXPECT_EQ(0x21, layout.sampling[0]);
        EXPECT_EQ(0x11, layout.sampling[1]);
        EXPECT_EQ(0x11, layout.sampling[2]);
        // A picture, not a flat field: well above the headers, well below raw.
        EXPECT_GT(jpeg.size(), layout.entropyStart + 10000);
        EXPECT_LT(jpeg.size(), static_cast<size_t>(size[0]) * size[1] / 2);
    }
}

// Stills for the host-side decode (picture_jpeg_host): a sharp 2592x1944
// still and a 640x480 capture frame, in the working directory.
TEST(Mjpg, WritesStillsForTheHostDecoder) {
    SimPictureInput input = DefaultInput();
    input.still = TRUE;
    EXPECT_TRUE(WriteBytes(L"picture_still_2592x1944.jpg", Render(input, SIM_FOURCC_MJPG, 2592, 1944)));
    input.still = FALSE;
    input.frameNumber = 42;
    input.timestamp = 14000000;
    EXPECT_TRUE(WriteBytes(L"picture_capture_640x480.jpg", Render(input, SIM_FOURCC_MJPG, 640, 480)));
}

TEST(Threads, ConcurrentRendersMatchRendersOneAtATime) {
    // Different sizes and settings at once, so the cache is filled, hit and
    // evicted from several threads.
    struct Job {
        DWORD subtype;
        LONG width, height;
        LONG lensOffset;
        LONG brightness;
    };
    const Job jobs[] = {
        {SIM_FOURCC_YUY2, 640, 480, 0, 128},  {SIM_FOURCC_MJPG, 640, 480, 40, 128}, {SIM_FOURCC_MJPG, 1280, 960, 0, 90},
        {SIM_FOURCC_YUY2, 320, 240, 80, 160}, {SIM_FOURCC_YUY2, 800, 600, 10, 128}, {SIM_FOURCC_MJPG, 640, 480, 0, 200},
    };
    const int kJobs = ARRAYSIZE(jobs);
    auto inputFor = [](const Job &job, int frame) {
        SimPictureInput input = DefaultInput();
        input.lensPosition = input.bestPosition + job.lensOffset;
        input.procAmp[SIM_PA_BRIGHTNESS].value = job.brightness;
        input.frameNumber = frame;
        input.timestamp = frame * 333333LL;
        return input;
    };
    std::vector<std::vector<BYTE>> expected;
    for (const Job &job : jobs) expected.push_back(Render(inputFor(job, 5), job.subtype, job.width, job.height));

    std::vector<int> mismatches(kJobs, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kJobs; ++t) {
        threads.emplace_back([&, t]() {
            const Job &job = jobs[t];
            std::vector<BYTE> buffer(SimFrameBufferSize(job.subtype, job.width, job.height));
            for (int round = 0; round < 6; ++round) {
                const Job &other = jobs[(t + round) % kJobs];  // stir the cache
                std::vector<BYTE> scratch(SimFrameBufferSize(other.subtype, other.width, other.height));
                SimRenderFrame(inputFor(other, round), other.subtype, other.width, other.height, scratch.data(),
                               static_cast<DWORD>(scratch.size()));
                const DWORD cb = SimRenderFrame(inputFor(job, 5), job.subtype, job.width, job.height, buffer.data(),
                                                static_cast<DWORD>(buffer.size()));
                if (cb != expected[t].size() || !std::equal(expected[t].begin(), expected[t].end(), buffer.begin())) {
                    ++mismatches[t];
                }
            }
        });
    }
    for (std::thread &thread : threads) thread.join();
    for (int t = 0; t < kJobs; ++t) EXPECT_EQ(0, mismatches[t]) << "job " << t;
}
