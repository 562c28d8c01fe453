// ToolRunner.h - runs simctl.exe (the copy beside the test program) as a
// child process that shares the test's camera state (SIMCAM_INSTANCE is
// inherited), collecting what it prints. While it runs, the calling thread
// keeps handling its window messages, so notifications the tool sends to
// the test's windows are delivered.
#ifndef KOR_TESTS_COMMON_TOOLRUNNER_H
#define KOR_TESTS_COMMON_TOOLRUNNER_H

#include <windows.h>

#include <string>

struct ToolResult {
    bool bStarted;
    DWORD dwExitCode;
    std::string output;  // stdout and stderr together (RunSimctl); stdout alone (RunTool)
    std::string errors;  // stderr (RunTool only)
};

// arguments: the command line after "simctl", e.g. L"unplug 0".
ToolResult RunSimctl(const std::wstring &arguments);

// Any program beside the test (ToolPath), its stdout and stderr kept apart.
ToolResult RunTool(const wchar_t *pszProgram, const std::wstring &arguments);

// Full path of simctl.exe beside the running test program.
std::wstring SimctlPath();
// Full path of a program beside the running test program.
std::wstring ToolPath(const wchar_t *pszProgram);

#endif  // KOR_TESTS_COMMON_TOOLRUNNER_H
