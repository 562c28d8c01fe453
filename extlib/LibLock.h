// LibLock.h - the one process-wide lock of the library.
//
// Every use of the component objects and of the session globals happens
// inside it, so a component access or a session change made on one thread
// never interleaves with one made on another. The lock is recursive. Never
// sleep while holding it. Hold it for a scope with the toolkit's guard:
//
//     CritSecLock lock(LibraryLock());
#ifndef KOR_EXTLIB_LIBLOCK_H
#define KOR_EXTLIB_LIBLOCK_H

#include <windows.h>

#include "CritSecLock.h"

// The lock's critical section, made on first use and kept for the life of
// the process.
CRITICAL_SECTION *LibraryLock();

#endif  // KOR_EXTLIB_LIBLOCK_H
