// A stand-in for KORLensView.exe: does nothing; only its version resource
// matters.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return 0; }
