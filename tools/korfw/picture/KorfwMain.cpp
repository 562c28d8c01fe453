// KorfwMain.cpp - korfw.exe as it comes with the viewer: korfw's own
// commands (korfw.cpp is the library kit's build of them alone) and the
// picture commands.
//
//   korfw [--json] [-d INDEX|PATH] formats
//   korfw [--json] [-d INDEX|PATH] still [-o FILE|FOLDER] [--format MJPG|YUY2]
//         [--size WxH] [--af] [--no-flash] [--timeout SECONDS]
#include <windows.h>

#include "PictureCommands.h"
#include "Program.h"

int wmain(int argc, wchar_t **argv) {
    PictureCommands pictures;
    return RunKorfw(argc - 1, argv + 1, &pictures);
}
