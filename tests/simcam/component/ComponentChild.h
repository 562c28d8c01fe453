// ComponentChild.h - the child roles of the component test program (TestMain runs them). Run
// with kCrossProcessChildArg it checks and changes one sensor register of
// the shared state and exits, so a test can see the state from two processes.
#ifndef KOR_TESTS_SIMCAM_COMPONENT_COMPONENTCHILD_H
#define KOR_TESTS_SIMCAM_COMPONENT_COMPONENTCHILD_H

#include <windows.h>

const char kCrossProcessChildArg[] = "--cross-process-child";
const WORD kCrossProcessProbe = 0x6000;
const int kCrossProcessParentValue = 0xA5;
const int kCrossProcessChildValue = 0x5A;

// The third role: run with kStateUnavailableChildArg in an instance whose
// camera state cannot be mapped, it checks that every call needing the state
// fails (exit code 0 when they all did).
const char kStateUnavailableChildArg[] = "--state-unavailable-child";

#endif  // KOR_TESTS_SIMCAM_COMPONENT_COMPONENTCHILD_H
