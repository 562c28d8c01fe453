// Identification.cpp - sensor ID, firmware date and version, bridge-chip ID.
#include <windows.h>

#include <strsafe.h>

#include "ComponentAccess.h"
#include "KORFwSw.h"
#include "LibTrace.h"
#include "SensorRegister.h"
#include "Session.h"

namespace {

const USHORT REG_SENSOR_ID_HIGH = 0x300A;
const USHORT REG_SENSOR_ID_LOW = 0x300B;

// Information indexes: firmware year (two digits), month, day, version.
const USHORT INFO_FIRMWARE_FIRST = 150;
const int INFO_FIRMWARE_COUNT = 4;

// "20YY.M.D Ver N" with 16-bit values is at most 29 characters.
const size_t FIRMWARE_TEXT_CCH = 30;

// Extension-unit control with the bridge chip's identification; byte 3 is
// the chip ID.
const ULONG XU_CHIP_ID_SELECTOR = 7;
const ULONG XU_CHIP_ID_LENGTH = 4;

}  // namespace

extern "C" int KORFWSW_CALL GetSensorId(int *piSensorId) {
    if (!piSensorId) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!RequireReadySensor()) return -1;

    int iHigh = ReadRegister(REG_SENSOR_ID_HIGH);
    if (iHigh == -1) return -1;
    *piSensorId = iHigh << 8;
    // A failed low byte leaves the high byte in the out-value.
    int iLow = ReadRegister(REG_SENSOR_ID_LOW);
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

    USHORT ausInfo[INFO_FIRMWARE_COUNT];
    for (int i = 0; i < INFO_FIRMWARE_COUNT; ++i) {
        XuResult result = XuReadInfoValue((USHORT)(INFO_FIRMWARE_FIRST + i), &ausInfo[i]);
        if (result != XU_OK) {
            SetXuError(result);
            return -1;
        }
    }

    WCHAR szText[FIRMWARE_TEXT_CCH];
    (void)StringCchPrintfW(szText, ARRAYSIZE(szText), L"%ls%02d.%d.%d %ls %d", L"20", (int)ausInfo[0], (int)ausInfo[1],
                           (int)ausInfo[2], L"Ver", (int)ausInfo[3]);
    (void)StringCchCopyW(pszVersion, FIRMWARE_TEXT_CCH, szText);
    LibTrace(L"%ls", szText);
    return 1;
}

extern "C" int KORFWSW_CALL GetUVCChipId(USHORT *pusChipId) {
    if (!pusChipId) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!RequireSession()) return -1;

    BYTE abId[XU_CHIP_ID_LENGTH];
    XuResult result = XuGetControl(XU_CHIP_ID_SELECTOR, XU_CHIP_ID_LENGTH, abId);
    if (result != XU_OK) {
        SetXuError(result);
        return -1;
    }
    LibTrace(L"0: 0x%x , 1: 0x%x , 2: 0x%x, 3: 0x%x \r\n", abId[0], abId[1], abId[2], abId[3]);
    *pusChipId = abId[3];
    LibTrace(L"UVCChipId ID = 0x%x \n", *pusChipId);
    return 1;
}
