// Program.h - korfw from its command line to its exit code.
#ifndef KOR_TOOLS_KORFW_PROGRAM_H
#define KOR_TOOLS_KORFW_PROGRAM_H

#include <windows.h>

class CommandSet;

// Exit codes: 0 success; 1 the camera or the library refused (the reason on
// standard error); 2 usage error (with the usage text). A command that
// Ctrl+C stopped ends with the system's own code for that.
const int kExitSuccess = 0;
const int kExitRefused = 1;
const int kExitUsage = 2;
const int kExitStopped = static_cast<int>(STATUS_CONTROL_C_EXIT);

// Runs korfw with the arguments after the program name. pAdded (may be
// null) is the set of commands this build adds to korfw's own.
int RunKorfw(int argc, WCHAR **argv, CommandSet *pAdded);

#endif  // KOR_TOOLS_KORFW_PROGRAM_H
