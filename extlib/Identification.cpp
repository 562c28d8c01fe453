// Identification.cpp - sensor ID, firmware date and version, bridge-chip ID.
#include <windows.h>

#include <strsafe.h>

#include "ComponentAccess.h"
#include "KORFwSw.h"
#include "LibTrace.h"
#include "SensorRegister.h"
#include "Session.h"

namespace {

const USHORT kRegSensorIdHigh = 0x300A;
const USHORT kRegSensorIdLow = 0x300B;

// Information indexes: firmware year (two digits), month, day, version.
const USHORT kInfoFirmwareFirst = 150;
const int kInfoFirmwareCount = 4;

// "20YY.M.D Ver N" with 16-bit values is at most 29 characters.
const size_t kFirmwareTextCch = 30;

// Extension-unit control with the bridge chip's identification; byte 3 is
// the chip ID.
const ULONG kXuChipIdSelector = 7;
const ULONG kXuChipIdLength = 4;

}  // namespace

extern "C" int KORFWSW_CALL GetSensorId(int *piSensorId) {
    if (!piSensorId) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!RequireReadySensor()) return -1;

    int iHigh = ReadRegister(kRegSensorIdHigh);
    if (iHigh == -1) return -1;
    *piSensorId = iHigh << 8;
    // A failed low byte leaves the high byte in the out-value.
    int iLow = ReadRegister(kRegSensorIdLow);
    if (iLow == -1) return -1;
    *piSensorId |= iLow;
    LibTrace(L"Sensor ID = 0x%x \n", *piSensorId);
    return 1;
}

extern "C" int KORFWSW_CALL GetFirmwareVersionInfo(WCHAR *pszVersion) {
    if (!pszVersion) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!RequireSession()) return -1;

    USHORT ausInfo[kInfoFirmwareCount];
    for (int i = 0; i < kInfoFirmwareCount; ++i) {
        XuResult result = XuReadInfoValue(static_cast<USHORT>(kInfoFirmwareFirst + i), &ausInfo[i]);
        if (result != XU_OK) {
            SetXuError(result);
            return -1;
        }
    }

    WCHAR szText[kFirmwareTextCch];
    (void)StringCchPrintfW(szText, ARRAYSIZE(szText), L"%ls%02d.%d.%d %ls %d", L"20", static_cast<int>(ausInfo[0]),
                           static_cast<int>(ausInfo[1]), static_cast<int>(ausInfo[2]), L"Ver",
                           static_cast<int>(ausInfo[3]));
    (void)StringCchCopyW(pszVersion, kFirmwareTextCch, szText);
    LibTrace(L"%ls", szText);
    return 1;
}

extern "C" int KORFWSW_CALL GetUVCChipId(USHORT *pusChipId) {
    if (!pusChipId) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!RequireSession()) return -1;

    BYTE abId[kXuChipIdLength];
    XuResult result = XuGetControl(kXuChipIdSelector, kXuChipIdLength, abId);
    if (result != XU_OK) {
        SetXuError(result);
        return -1;
    }
    LibTrace(L"0: 0x%x , 1: 0x%x , 2: 0x%x, 3: 0x%x \r\n", abId[0], abId[1], abId[2], abId[3]);
    *pusChipId = abId[3];
    LibTrace(L"UVCChipId ID = 0x%x \n", *pusChipId);
    return 1;
}
