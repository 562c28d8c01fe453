// TestMain.cpp - the one main of every test program: the crash report, the
// child modes, the test thread's apartment and the common controls.
#include "TestMain.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <string.h>

#include <vector>

#include "TestKit.h"  // ComApartment

namespace {

struct ChildMode {
    const char *pszArg;
    int (*pfnChild)();
};

std::vector<ChildMode> &ChildModes() {
    static std::vector<ChildMode> modes;
    return modes;
}

// A crash on any thread ends the program at once, saying which exception
// and where, instead of waiting for a debugger to take it.
LONG WINAPI EndOnUnhandledException(EXCEPTION_POINTERS *pInfo) {
    const DWORD dwCode = pInfo->ExceptionRecord->ExceptionCode;
    fprintf(stderr, "unhandled exception 0x%08lX at %p\n", dwCode, pInfo->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), dwCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

TestChildMode::TestChildMode(const char *pszArg, int (*pfnChild)()) { ChildModes().push_back({pszArg, pfnChild}); }

int main(int argc, char **argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(EndOnUnhandledException);

    ComApartment com;
    if (!com.Joined()) {
        fprintf(stderr, "the test thread cannot join a single-threaded apartment\n");
        return 3;
    }
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    if (argc == 2) {
        for (const ChildMode &mode : ChildModes()) {
            if (strcmp(argv[1], mode.pszArg) == 0) return mode.pfnChild();
        }
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
