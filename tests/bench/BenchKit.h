// BenchKit.h - what the benchmarks add to the test kit (its clock NowMs,
// PumpUntil, the camera fixture and TempFolder): the median of a set of
// figures.
#ifndef KOR_TESTS_BENCH_BENCHKIT_H
#define KOR_TESTS_BENCH_BENCHKIT_H

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/CameraFixture.h"
#include "common/TempFolder.h"
#include "common/TestKit.h"

// The middle figure (the upper one of an even count); values must not be empty.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

#endif  // KOR_TESTS_BENCH_BENCHKIT_H
