// ImportCounter.h - counts the calls this program makes to functions it
// imports from a DLL, by pointing its import address table entries at
// counting stubs that forward to the real functions. The viewer's shell is
// linked into the test program, so its calls of KORFwSw's IsSensorReady and
// AFFreezeControl go through this program's import table.
#ifndef KOR_TESTS_VIEWER_APP_IMPORTCOUNTER_H
#define KOR_TESTS_VIEWER_APP_IMPORTCOUNTER_H

#include <windows.h>

// Installs the counters for KORFwSw.dll's IsSensorReady and AFFreezeControl
// (once per process). False when the import entries are not found.
bool InstallLibraryCallCounters();
LONG IsSensorReadyCalls();
LONG AFFreezeControlCalls();
// The mode of the last AFFreezeControl call.
LONG LastAFFreezeMode();

#endif  // KOR_TESTS_VIEWER_APP_IMPORTCOUNTER_H
