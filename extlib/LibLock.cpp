// LibLock.cpp - a critical section made on first use and kept for the
// life of the process (loading and unloading the library run no code of
// their own, so it is not a constructed global).
#include "LibLock.h"

namespace {

INIT_ONCE g_LockInitOnce = INIT_ONCE_STATIC_INIT;
CRITICAL_SECTION g_csLibrary;

BOOL CALLBACK InitLibraryLock(PINIT_ONCE, PVOID, PVOID *) {
    InitializeCriticalSection(&g_csLibrary);
    return TRUE;
}

}  // namespace

CRITICAL_SECTION *LibraryLock() {
    (void)InitOnceExecuteOnce(&g_LockInitOnce, InitLibraryLock, nullptr, nullptr);
    return &g_csLibrary;
}
