// CrashReport.cpp - compiled into every test program: a crash on any thread
// ends the program at once with its exception code, saying which, instead
// of waiting for a debugger to take it.
#include <windows.h>

#include <stdio.h>

namespace {

LONG WINAPI EndOnUnhandledException(EXCEPTION_POINTERS *pInfo) {
    const DWORD dwCode = pInfo->ExceptionRecord->ExceptionCode;
    fprintf(stderr, "unhandled exception 0x%08lX at %p\n", dwCode, pInfo->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), dwCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

const struct CrashHandlerInstaller {
    CrashHandlerInstaller() {
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
        SetUnhandledExceptionFilter(EndOnUnhandledException);
    }
} g_CrashHandlerInstaller;

}  // namespace
