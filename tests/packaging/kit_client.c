/* kit_client.c - a plain C89 program built against the unpacked library kit
   (include/ and lib/ or bin/ only): identifies the camera at the device
   path given, and shows the library's error codes reaching C code.
   Exit code 0 when every step gave what the header promises. */
#include <windows.h>
#include <stdio.h>

#include "KORFwSw.h"

static int Check(int bOk, const char *pszWhat) {
    if (!bOk) fprintf(stderr, "kit_client: %s (last error 0x%08lX)\n", pszWhat, (unsigned long)GetLastError());
    return bOk;
}

int main(int argc, char **argv) {
    WCHAR szPath[512];
    WCHAR szCopy[512];
    WCHAR szFirmware[64];
    char szFirmwareText[64];
    int iSensorId = 0;
    USHORT usChipId = 0;
    int bOk = 1;

    if (argc != 2 || !MultiByteToWideChar(CP_ACP, 0, argv[1], -1, szPath, 512)) {
        fprintf(stderr, "usage: kit_client DEVICEPATH\n");
        return 2;
    }
    lstrcpynW(szCopy, szPath, 512);
    bOk &= Check(IsKORCamera(szCopy) == 1, "IsKORCamera refused the camera");
    bOk &= Check(ReadRegister(0x300A) == -1 && GetLastError() == ERR_NOT_INITIALISED,
                 "ReadRegister without a session did not fail with ERR_NOT_INITIALISED");
    bOk &= Check(InitLibrary(L"\\\\?\\usb#vid_0000&pid_0000") == -1 && GetLastError() == ERR_NOT_KOR_CAMERA,
                 "InitLibrary on another device did not fail with ERR_NOT_KOR_CAMERA");
    DeInitLibrary();
    if (!Check(InitLibrary(szPath) == 1, "InitLibrary failed")) {
        DeInitLibrary();
        return 1;
    }
    bOk &= Check(GetSensorId(&iSensorId) == 1, "GetSensorId failed");
    bOk &= Check(GetUVCChipId(&usChipId) == 1, "GetUVCChipId failed");
    bOk &= Check(GetFirmwareVersionInfo(szFirmware) == 1, "GetFirmwareVersionInfo failed");
    DeInitLibrary();
    if (!bOk) return 1;
    WideCharToMultiByte(CP_UTF8, 0, szFirmware, -1, szFirmwareText, sizeof(szFirmwareText), NULL, NULL);
    printf("sensor 0x%04X chip 0x%02X firmware %s\n", (unsigned)iSensorId, (unsigned)usChipId, szFirmwareText);
    return 0;
}
