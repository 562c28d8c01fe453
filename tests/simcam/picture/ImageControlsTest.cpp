// ImageControlsTest.cpp - the image controls move the picture the way their
// names say, flash and exposure change the light, and values outside the
// ranges are taken as the ends of the ranges.
#include <gtest/gtest.h>

#include "PictureTestUtil.h"
#include "SimControls.h"

namespace {

const LONG kWidth = 320;
const LONG kHeight = 240;

// Chart patches (row, column) used below.
const int kRed[2] = {0, 0};
const int kWhite[2] = {1, 0};
const int kGrey60[2] = {1, 2};
const int kBlack[2] = {1, 5};

Yuv PatchWith(const SimPictureInput &input, const int patch[2]) {
    return Yuy2Frame::Of(input, kWidth, kHeight).Patch(patch[0], patch[1]);
}

SimPictureInput WithProcAmp(int index, LONG value, LONG flags = 2) {
    SimPictureInput input = DefaultInput();
    input.procAmp[index].value = value;
    input.procAmp[index].flags = flags;
    return input;
}

double MeanLuma(const SimPictureInput &input) {
    return Yuy2Frame::Of(input, kWidth, kHeight).MeanLuma(0.0f, 0.0f, 1.0f, 1.0f);
}

}  // namespace

TEST(Light, FlashBrightensTheStill) {
    SimPictureInput input = DefaultInput();
    input.still = TRUE;
    const double without = MeanLuma(input);
    input.strobe = TRUE;
    const double with = MeanLuma(input);
    EXPECT_GT(with, without + 15);
    input.strobe = FALSE;
    SimPictureInput flash = input;
    flash.strobe = TRUE;
    EXPECT_GT(PatchWith(flash, kGrey60).y, PatchWith(input, kGrey60).y + 30);
}

TEST(Light, ManualExposureBrightensWithLongerTimesAndAutoKeepsTheLevel) {
    SimPictureInput input = DefaultInput();
    const double automatic = MeanLuma(input);
    input.exposure.flags = 2;
    input.exposure.value = -8;
    const double shorter = MeanLuma(input);
    input.exposure.value = kSimExposureRange.lDefault;
    const double nominal = MeanLuma(input);
    input.exposure.value = -2;
    const double longer = MeanLuma(input);
    EXPECT_LT(shorter, nominal - 10);
    EXPECT_GT(longer, nominal + 10);
    EXPECT_NEAR(automatic, nominal, kSameMeanTolerance);
    // In automatic mode the value is not applied.
    input.exposure.flags = 1;
    EXPECT_NEAR(automatic, MeanLuma(input), kSameMeanTolerance);
}

TEST(ProcAmp, BrightnessLiftsAndLowersEverything) {
    const LONG def = kSimProcAmpRanges[SIM_PA_BRIGHTNESS].lDefault;
    const int grey = PatchWith(DefaultInput(), kGrey60).y;
    EXPECT_GT(PatchWith(WithProcAmp(SIM_PA_BRIGHTNESS, def + 60), kGrey60).y, grey + 40);
    EXPECT_LT(PatchWith(WithProcAmp(SIM_PA_BRIGHTNESS, def - 60), kGrey60).y, grey - 40);
    EXPECT_GT(MeanLuma(WithProcAmp(SIM_PA_BRIGHTNESS, def + 60)), MeanLuma(DefaultInput()) + 20);
}

TEST(ProcAmp, ContrastSpreadsWhiteAndBlack) {
    const LONG def = kSimProcAmpRanges[SIM_PA_CONTRAST].lDefault;
    auto spread = [](const SimPictureInput &input) {
        const Yuy2Frame frame = Yuy2Frame::Of(input, kWidth, kHeight);
        return frame.Patch(kGrey60[0], kGrey60[1]).y - frame.Patch(1, 4).y;  // 60 % against 20 %
    };
    const int normal = spread(DefaultInput());
    EXPECT_GT(spread(WithProcAmp(SIM_PA_CONTRAST, def * 2)), normal + 30);
    EXPECT_LT(spread(WithProcAmp(SIM_PA_CONTRAST, def / 2)), normal - 30);
}

TEST(ProcAmp, SaturationScalesColourAndZeroGivesGrey) {
    const LONG def = kSimProcAmpRanges[SIM_PA_SATURATION].lDefault;
    const Yuv normal = PatchWith(DefaultInput(), kRed);
    const Yuv vivid = PatchWith(WithProcAmp(SIM_PA_SATURATION, def * 3 / 2), kRed);
    const Yuv dull = PatchWith(WithProcAmp(SIM_PA_SATURATION, def / 2), kRed);
    const Yuv grey = PatchWith(WithProcAmp(SIM_PA_SATURATION, 0), kRed);
    EXPECT_LT(vivid.u, normal.u - 15);  // red's V is at the top of the range already
    EXPECT_LT(dull.v, normal.v - 40);
    EXPECT_GT(dull.u, normal.u + 15);
    EXPECT_NEAR(128, grey.u, 1);
    EXPECT_NEAR(128, grey.v, 1);
    EXPECT_NEAR(normal.y, grey.y, 1);  // luma untouched
}

TEST(ProcAmp, ColourEnableOffGivesGreyAndHueTurnsColours) {
    const Yuv off = PatchWith(WithProcAmp(SIM_PA_COLORENABLE, 0), kRed);
    EXPECT_NEAR(128, off.u, 1);
    EXPECT_NEAR(128, off.v, 1);
    // Half a turn of hue swaps red's colour difference to the cyan side.
    const Yuv turned = PatchWith(WithProcAmp(SIM_PA_HUE, 180), kRed);
    EXPECT_LT(turned.v, 40);
    EXPECT_GT(turned.u, 150);
}

TEST(ProcAmp, GammaAboveTheDefaultBrightensMidTonesOnly) {
    const Yuy2Frame normal = Yuy2Frame::Of(DefaultInput(), kWidth, kHeight);
    const Yuy2Frame high = Yuy2Frame::Of(WithProcAmp(SIM_PA_GAMMA, 200), kWidth, kHeight);
    EXPECT_GT(high.Patch(kGrey60[0], kGrey60[1]).y, normal.Patch(kGrey60[0], kGrey60[1]).y + 20);
    EXPECT_NEAR(normal.Patch(kWhite[0], kWhite[1]).y, high.Patch(kWhite[0], kWhite[1]).y, 1);
    EXPECT_NEAR(normal.Patch(kBlack[0], kBlack[1]).y, high.Patch(kBlack[0], kBlack[1]).y, 1);
}

TEST(ProcAmp, ManualWhiteBalanceTintsGreysAndAutoKeepsThemNeutral) {
    const Yuv cool = PatchWith(WithProcAmp(SIM_PA_WHITEBALANCE, 2800), kGrey60);
    const Yuv warm = PatchWith(WithProcAmp(SIM_PA_WHITEBALANCE, 6500), kGrey60);
    EXPECT_GT(cool.u, 135);  // bluer
    EXPECT_LT(cool.v, 121);
    EXPECT_GT(warm.v, 135);  // redder
    EXPECT_LT(warm.u, 121);
    const Yuv automatic = PatchWith(WithProcAmp(SIM_PA_WHITEBALANCE, 2800, 1), kGrey60);
    EXPECT_NEAR(128, automatic.u, 1);
    EXPECT_NEAR(128, automatic.v, 1);
}

TEST(ProcAmp, SharpnessRaisesEdgeDetailAndZeroTurnsEnhancementOff) {
    const double none = FocusDetail(Yuy2Frame::Of(WithProcAmp(SIM_PA_SHARPNESS, 0), kWidth, kHeight));
    const double normal = FocusDetail(Yuy2Frame::Of(DefaultInput(), kWidth, kHeight));
    const double most = FocusDetail(Yuy2Frame::Of(WithProcAmp(SIM_PA_SHARPNESS, 255), kWidth, kHeight));
    EXPECT_LT(none, normal);
    EXPECT_GT(most, normal * 1.1);
}

TEST(ProcAmp, ValuesBeyondTheRangesAreTakenAsItsEnds) {
    for (int index = 0; index < SIM_PA_COUNT; ++index) {
        const SimControlRange &range = kSimProcAmpRanges[index];
        EXPECT_EQ(Yuy2Frame::Of(WithProcAmp(index, range.lMax), kWidth, kHeight).Bytes(),
                  Yuy2Frame::Of(WithProcAmp(index, range.lMax + 100000), kWidth, kHeight).Bytes())
            << "control " << index;
        EXPECT_EQ(Yuy2Frame::Of(WithProcAmp(index, range.lMin), kWidth, kHeight).Bytes(),
                  Yuy2Frame::Of(WithProcAmp(index, range.lMin - 100000), kWidth, kHeight).Bytes())
            << "control " << index;
    }
    SimPictureInput input = DefaultInput();
    input.exposure.flags = 2;
    input.exposure.value = kSimExposureRange.lMax;
    const std::vector<BYTE> brightest = Yuy2Frame::Of(input, kWidth, kHeight).Bytes();
    input.exposure.value = 1000;
    EXPECT_EQ(brightest, Yuy2Frame::Of(input, kWidth, kHeight).Bytes());
}
