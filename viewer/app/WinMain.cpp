// WinMain.cpp - KORViewer.exe's entry point. The shell itself lives in the
// korapp library (MainWindow.cpp), so tests can host the same entry point
// and message loop in-process.
#include <windows.h>

#include "MainWindow.h"

int APIENTRY wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR pszCmdLine, int nCmdShow) {
    return KorViewerMain(hInstance, hPrevInstance, pszCmdLine, nCmdShow);
}
