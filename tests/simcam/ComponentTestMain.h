// ComponentTestMain.h - the second role of the component test program: run
// with kCrossProcessChildArg it checks and changes one sensor register of
// the shared state and exits, so a test can see the state from two processes.
#ifndef TESTS_SIMCAM_COMPONENTTESTMAIN_H
#define TESTS_SIMCAM_COMPONENTTESTMAIN_H

#include <windows.h>

const char kCrossProcessChildArg[] = "--cross-process-child";
const WORD kCrossProcessProbe = 0x6000;
const int kCrossProcessParentValue = 0xA5;
const int kCrossProcessChildValue = 0x5A;

#endif  // TESTS_SIMCAM_COMPONENTTESTMAIN_H
