// Scene.h - the test scene the simulated camera films and where its parts
// are, as fractions of the frame's width (x) and height (y):
//
//   colour chart   two rows of six uniform patches. Patch column c spans
//                  x 0.04 + 0.155 c .. + 0.14 (centres 0.11, 0.265, 0.42,
//                  0.575, 0.73, 0.885); row 0 spans y 0.06 .. 0.22, row 1
//                  y 0.24 .. 0.40 (centres 0.14 and 0.32).
//                  Row 0: red, green, blue, cyan, magenta, yellow.
//                  Row 1: white, grey 80 %, 60 %, 40 %, 20 %, black.
//   Siemens star   32 sectors, centre (0.20, 0.64), radius 0.17 of the height.
//   line pairs     x 0.40 .. 0.96: vertical bars in y 0.45 .. 0.56, horizontal
//                  bars in y 0.58 .. 0.69, five groups each with periods of
//                  1/240, 1/160, 1/120, 1/80 and 1/60 of the height.
//   text card      x 0.40 .. 0.96, y 0.71 .. 0.84, two lines of small print.
//   track          x 0.02 .. 0.62, y 0.86 .. 0.98, a black-to-white ramp the
//                  moving ball (radius 0.05 of the height) runs along.
//   counter        frame number and stream time, right-aligned at x 0.98,
//                  centred on y 0.92; drawn after the optics (never blurred).
//   background     neutral grey.
//
// The scene is rendered as reflectances, 0..255 per colour channel, in three
// planes; lighting, optics and the image controls come after it.
#ifndef KOR_SIMCAM_PICTURE_SCENE_H
#define KOR_SIMCAM_PICTURE_SCENE_H

#include <windows.h>

#define SIM_CHART_ROWS    2
#define SIM_CHART_COLUMNS 6

// Nominal colour (red, green, blue) of each chart patch.
inline constexpr BYTE kSimChartColours[SIM_CHART_ROWS][SIM_CHART_COLUMNS][3] = {
    {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 255, 255}, {255, 0, 255}, {255, 255, 0}},
    {{255, 255, 255}, {204, 204, 204}, {153, 153, 153}, {102, 102, 102}, {51, 51, 51}, {0, 0, 0}},
};

// Layout, fractions of the frame.
inline constexpr float kSimChartLeft = 0.04f;
inline constexpr float kSimChartPitchX = 0.155f;
inline constexpr float kSimChartPatchWidth = 0.14f;
inline constexpr float kSimChartTop = 0.06f;
inline constexpr float kSimChartPitchY = 0.18f;
inline constexpr float kSimChartPatchHeight = 0.16f;

inline constexpr float kSimTrackLeft = 0.02f;
inline constexpr float kSimTrackRight = 0.62f;
inline constexpr float kSimTrackTop = 0.86f;
inline constexpr float kSimTrackBottom = 0.98f;
inline constexpr float kSimBallRadius = 0.05f;  // of the height
inline constexpr float kSimBallCentreY = 0.92f;
inline constexpr LONGLONG kSimBallPeriod = 40000000;  // 4 s in 100 ns units, there and back

inline constexpr float kSimCounterRight = 0.98f;
inline constexpr float kSimCounterCentreY = 0.92f;

// Nominal colour of the ball.
inline constexpr BYTE kSimBallColour[3] = {255, 140, 0};

// Renders the scene at width x height into three planes of width * height
// bytes each (rows top to bottom, no padding). False when out of memory.
bool SimRenderScene(LONG width, LONG height, BYTE *pRed, BYTE *pGreen, BYTE *pBlue);

// Pixel coordinate of a fraction of a length, rounded.
inline LONG SimFracToPixel(float fraction, LONG length) { return static_cast<LONG>(fraction * length + 0.5f); }

#endif  // KOR_SIMCAM_PICTURE_SCENE_H
