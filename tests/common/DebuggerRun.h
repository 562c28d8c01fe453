// DebuggerRun.h - runs a program under this process as its debugger and
// collects what it writes to the debugger output: the plain way to see
// OutputDebugString text, with no handler inside the program.
#ifndef KOR_TESTS_COMMON_DEBUGGERRUN_H
#define KOR_TESTS_COMMON_DEBUGGERRUN_H

#include <windows.h>

#include <string>
#include <vector>

struct DebuggerRunResult {
    bool bStarted;   // the process was created
    bool bFinished;  // it exited before the timeout
    DWORD dwExitCode;
    std::vector<std::wstring> lines;  // one entry per OutputDebugString call
};

// Starts commandLine with DEBUG_ONLY_THIS_PROCESS and runs the debug loop
// until the process exits or dwTimeoutMs passes (then it is terminated).
DebuggerRunResult RunUnderDebugger(const std::wstring &commandLine, DWORD dwTimeoutMs);

// The full path of this program, for starting it again as a child.
std::wstring CurrentProgramPath();

#endif  // KOR_TESTS_COMMON_DEBUGGERRUN_H
