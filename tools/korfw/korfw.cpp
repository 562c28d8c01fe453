// korfw.cpp - the camera's extension features from a command line.
//
//   korfw [--json] list
//   korfw [--json] [-d INDEX|PATH] info | af trigger [--wait] [--timeout S] |
//         af status | focus get | focus set N | strobe on|off | gpo 8 0|1 |
//         gpi | reg read ADDR | reset
//
// Exit codes: 0 success; 1 the camera or the library refused (the library's
// error code named on standard error); 2 usage error (with the usage text).
// The command line is checked in full before any camera is touched.
//
// Written on KORFwSw.h and its import library only: this is the library
// kit's example program. The korfw.exe that comes with the viewer is built
// from the same sources and adds the picture commands (picture/).
#include <windows.h>

#include "Program.h"

int wmain(int argc, wchar_t **argv) { return RunKorfw(argc - 1, argv + 1, nullptr); }
