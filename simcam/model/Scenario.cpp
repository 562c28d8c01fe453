// Scenario.cpp - the scenario text: which cameras exist and how they behave.
//
// Format (plain ASCII or UTF-8, one setting per line):
//
//   # a comment (also ';'); blank lines are ignored. There are no comments
//   # after a value: device paths contain '#'.
//   [camera]                      one section per camera, at most 16; the
//   name = Tessaline 5MPixel Cam  order of the sections is the camera index
//   firmware = 7
//
// Section names and keys are case-insensitive; spaces around '=' and at the
// ends of a line are dropped. A scenario without any [camera] section has no
// camera at all. A key given twice keeps the last value, except sensor_reg
// and chip_reg, which add up. Numbers are decimal or 0x-hexadecimal; yes/no
// values also accept true/false, on/off and 1/0.
//
// Keys of [camera]. A key not given keeps the default camera's value: those
// are set in one place, OpenSection below (SetCameraDefaults and the sensor
// and chip IDs); the built-in scenario is one
// empty [camera] section, and scenarios/default.txt writes every value out
// (a test holds it equal to the built-in camera).
//   name           friendly name
//   path           device interface path; by default built from vid and pid:
//                  \\?\usb#vid_<vid>&pid_<pid>&mi_00#6&2f3a8c1&0&000<i>#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global
//                  for camera index i
//   vid, pid       USB IDs, 4 hex digits; taken from a given path's vid_/pid_
//   record_prefix  text before the path in the extension-unit device record
//   present        plugged in
//   still_pin      the filter has a still pin
//   video_control  IAMVideoControl on the filter
//   caps_size      VIDEO_STREAM_CONFIG_CAPS size
//   capture        capture pin formats, "SUBTYPE WxH" items separated by
//                  commas, SUBTYPE YUY2 or MJPG; the first is the current one
//   still          still pin formats, same form
//   firmware       firmware version (index 153)
//   firmware_date  YY.M.D (indexes 150..152)
//   flash          a flash is connected
//   sensor_id      sensor registers 0x300A/B
//   chip_id        byte 3 of control 7
//   best_focus     lens position where the scene is sharp, 0..255
//   lens           lens position at power-up and after a reset
//   not_ready_ms   sensor not ready this long after power-up
//   reset_ms       sensor not ready this long after a reset (0xB005)
//   sticky_ack     autofocus acknowledge 0x3023 never clears
//   brightness, contrast, hue, saturation, sharpness, gamma,
//   color_enable, white_balance, exposure
//                  control values within the ranges of include/SimControls.h
//   white_balance_auto, exposure_auto
//   sensor_reg     ADDRESS:VALUE, a sensor register set after power-up (repeatable)
//   chip_reg       ADDRESS:VALUE, a bridge-chip register (repeatable); 0x8107
//                  sets the flash presence (bit 1 = none) and the latch (bit 0)
//
// A bad line rejects the whole text and leaves the state as it was; the
// message names the line: "line 4: unknown key 'firmwre'".
#include <windows.h>
#include <strsafe.h>

#include <string.h>
#include <wctype.h>

#include <new>

#include "Scenario.h"
#include "SensorModel.h"

namespace {

const size_t kMaxLine = 1024;
const int kMaxRegOverrides = 64;

const char kDefaultCapture[] =
    "YUY2 640x480, YUY2 320x240, YUY2 1280x960, YUY2 2592x1944, "
    "MJPG 640x480, MJPG 320x240, MJPG 1280x960, MJPG 1920x1080, MJPG 2592x1944";
const char kDefaultStill[] = "MJPG 2592x1944, MJPG 1280x960, MJPG 640x480, YUY2 2592x1944, YUY2 1280x960, YUY2 640x480";

struct RegOverride {
    bool bChip;
    WORD address;
    WORD value;
};

// What one [camera] section said, beyond the fields it sets directly.
struct SectionState {
    bool bHasPath;
    bool bHasVid;
    bool bHasPid;
    LONG sensorId;
    LONG chipId;
    int regCount;
    RegOverride regs[kMaxRegOverrides];
};

struct ParseContext {
    SimCamera *pCameras;  // SIMCAM_MAX_CAMERAS scratch cameras
    int cameraCount;
    SimCamera *pCurrent;  // the open section's camera, or null
    SectionState section;
    int line;
    char szError[256];
};

// ---------------------------------------------------------------------------
// Small text helpers.

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(const char *a, const char *b) {
    while (*a && *b) {
        if (LowerAscii(*a) != LowerAscii(*b)) return false;
        ++a;
        ++b;
    }
    return *a == *b;
}

// Cuts spaces from both ends in place; returns the new start.
char *Trim(char *psz) {
    while (IsSpace(*psz)) ++psz;
    size_t cch = strlen(psz);
    while (cch > 0 && IsSpace(psz[cch - 1])) psz[--cch] = '\0';
    return psz;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Decimal or 0x-hexadecimal, optionally negative, the whole text.
bool ParseNumber(const char *psz, LONG lMin, LONG lMax, LONG *pValue) {
    bool bNegative = false;
    if (*psz == '-') {
        bNegative = true;
        ++psz;
    }
    unsigned uBase = 10;
    if (psz[0] == '0' && (psz[1] == 'x' || psz[1] == 'X')) {
        uBase = 16;
        psz += 2;
    }
    if (*psz == '\0') return false;
    LONGLONG llValue = 0;
    for (; *psz; ++psz) {
        int iDigit = HexDigit(*psz);
        if (iDigit < 0 || static_cast<unsigned>(iDigit) >= uBase) return false;
        llValue = llValue * uBase + iDigit;
        if (llValue > 0x7FFFFFFFLL) return false;
    }
    if (bNegative) llValue = -llValue;
    if (llValue < lMin || llValue > lMax) return false;
    *pValue = static_cast<LONG>(llValue);
    return true;
}

// Exactly four hexadecimal digits, as USB IDs are written.
bool ParseUsbId(const char *psz, WORD *pId) {
    if (strlen(psz) != 4) return false;
    WORD id = 0;
    for (int i = 0; i < 4; ++i) {
        int iDigit = HexDigit(psz[i]);
        if (iDigit < 0) return false;
        id = static_cast<WORD>((id << 4) | iDigit);
    }
    *pId = id;
    return true;
}

bool ParseBool(const char *psz, LONG *pValue) {
    static const char *const kYes[] = {"yes", "true", "on", "1"};
    static const char *const kNo[] = {"no", "false", "off", "0"};
    for (const char *pszYes : kYes) {
        if (EqualNoCase(psz, pszYes)) {
            *pValue = 1;
            return true;
        }
    }
    for (const char *pszNo : kNo) {
        if (EqualNoCase(psz, pszNo)) {
            *pValue = 0;
            return true;
        }
    }
    return false;
}

bool Utf8ToWide(const char *psz, WCHAR *pszOut, int cchOut) {
    if (*psz == '\0') {
        pszOut[0] = L'\0';
        return true;
    }
    int cch = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, psz, -1, pszOut, cchOut);
    if (cch == 0) {
        pszOut[0] = L'\0';
        return false;
    }
    return true;
}

// "SUBTYPE WxH": YUY2 (even width), MJPG or I420 (even sizes), sizes 2..8192.
bool ParseCapability(char *pszItem, SimCapability *pCap) {
    char *pszText = Trim(pszItem);
    if (strlen(pszText) < 5 || !IsSpace(pszText[4])) return false;
    pszText[4] = '\0';
    DWORD subtype = 0;
    if (EqualNoCase(pszText, "YUY2")) {
        subtype = SIM_FOURCC_YUY2;
    } else if (EqualNoCase(pszText, "MJPG")) {
        subtype = SIM_FOURCC_MJPG;
    } else if (EqualNoCase(pszText, "I420")) {
        subtype = SIM_FOURCC_I420;
    } else {
        return false;
    }
    char *pszSize = Trim(pszText + 5);
    char *pszX = pszSize;
    while (*pszX && *pszX != 'x' && *pszX != 'X') ++pszX;
    if (*pszX == '\0') return false;
    *pszX = '\0';
    LONG lWidth = 0;
    LONG lHeight = 0;
    if (!ParseNumber(Trim(pszSize), 2, 8192, &lWidth) || !ParseNumber(Trim(pszX + 1), 2, 8192, &lHeight)) {
        return false;
    }
    if (subtype == SIM_FOURCC_YUY2 && (lWidth % 2) != 0) return false;
    if (subtype == SIM_FOURCC_I420 && ((lWidth % 2) != 0 || (lHeight % 2) != 0)) return false;
    pCap->subtype = subtype;
    pCap->width = lWidth;
    pCap->height = lHeight;
    return true;
}

// A comma-separated list of capabilities; an empty text is an empty list.
bool ParseCapabilityList(const char *pszList, SimCapability *pCaps, LONG *pCount, char *pszError, size_t cchError) {
    char szList[kMaxLine];
    if (FAILED(StringCchCopyA(szList, ARRAYSIZE(szList), pszList))) return false;
    LONG lCount = 0;
    char *pszItem = Trim(szList);
    while (*pszItem != '\0') {
        char *pszComma = strchr(pszItem, ',');
        if (pszComma) *pszComma = '\0';
        if (lCount >= SIM_MAX_CAPS) {
            (void)StringCchPrintfA(pszError, cchError, "more than %d formats", SIM_MAX_CAPS);
            return false;
        }
        char szItem[64];
        (void)StringCchCopyA(szItem, ARRAYSIZE(szItem), Trim(pszItem));
        if (!ParseCapability(pszItem, &pCaps[lCount])) {
            (void)StringCchPrintfA(pszError, cchError, "bad format '%s' (expected YUY2 or MJPG and WIDTHxHEIGHT)",
                                   szItem);
            return false;
        }
        ++lCount;
        if (!pszComma) break;
        pszItem = pszComma + 1;
    }
    *pCount = lCount;
    return true;
}

// "ADDRESS:VALUE".
bool ParseRegister(char *pszValue, LONG lMaxValue, RegOverride *pReg) {
    char *pszColon = strchr(pszValue, ':');
    if (!pszColon) return false;
    *pszColon = '\0';
    LONG lAddress = 0;
    LONG lValue = 0;
    if (!ParseNumber(Trim(pszValue), 0, 0xFFFF, &lAddress) || !ParseNumber(Trim(pszColon + 1), 0, lMaxValue, &lValue)) {
        return false;
    }
    pReg->address = static_cast<WORD>(lAddress);
    pReg->value = static_cast<WORD>(lValue);
    return true;
}

// "YY.M.D", each part 0..65535.
bool ParseDate(char *pszValue, WORD parts[3]) {
    char *pszPart = pszValue;
    for (int i = 0; i < 3; ++i) {
        char *pszDot = strchr(pszPart, '.');
        if ((i < 2) != (pszDot != nullptr)) return false;
        if (pszDot) *pszDot = '\0';
        LONG lPart = 0;
        if (!ParseNumber(Trim(pszPart), 0, 0xFFFF, &lPart)) return false;
        parts[i] = static_cast<WORD>(lPart);
        if (pszDot) pszPart = pszDot + 1;
    }
    return true;
}

// The value of "vid_" or "pid_" in a device path (case-insensitive).
bool FindIdInPath(const WCHAR *pszPath, const WCHAR *pszMarker, WORD *pId) {
    for (const WCHAR *p = pszPath; *p; ++p) {
        int i = 0;
        while (pszMarker[i] && p[i] && towlower(p[i]) == pszMarker[i]) ++i;
        if (pszMarker[i] != L'\0') continue;
        WORD id = 0;
        for (int d = 0; d < 4; ++d) {
            WCHAR c = p[i + d];
            if (c > 0x7F || HexDigit(static_cast<char>(c)) < 0) return false;
            id = static_cast<WORD>((id << 4) | HexDigit(static_cast<char>(c)));
        }
        *pId = id;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Sections.

void SetCameraDefaults(SimCamera *pCam) {
    ZeroMemory(pCam, sizeof(*pCam));
    pCam->present = 1;
    (void)StringCchCopyW(pCam->name, ARRAYSIZE(pCam->name), L"Tessaline 5MPixel Cam");
    (void)StringCchCopyW(pCam->recordPrefix, ARRAYSIZE(pCam->recordPrefix), L"@device:pnp:");
    pCam->vendorId = 0x2C7A;
    pCam->productId = 0x04E1;
    pCam->hasStillPin = 1;
    pCam->hasVideoControl = 1;
    pCam->capsSize = 128;
    char szError[8];
    (void)ParseCapabilityList(kDefaultCapture, pCam->captureCaps, &pCam->captureCapCount, szError, ARRAYSIZE(szError));
    (void)ParseCapabilityList(kDefaultStill, pCam->stillCaps, &pCam->stillCapCount, szError, ARRAYSIZE(szError));
    for (int i = 0; i < SIM_PA_COUNT; ++i) {
        pCam->procAmp[i].value = kSimProcAmpRanges[i].lDefault;
        pCam->procAmp[i].flags = kSimProcAmpRanges[i].lDefaultFlags;
    }
    pCam->exposure.value = kSimExposureRange.lDefault;
    pCam->exposure.flags = kSimExposureRange.lDefaultFlags;
    pCam->firmwareVersion = 7;
    pCam->info[0] = 13;
    pCam->info[1] = 5;
    pCam->info[2] = 21;
    pCam->flashConnected = 1;
    pCam->holdSensorState = -1;
    pCam->holdFocusState = -1;
    pCam->bestPosition = 160;
    pCam->initialLens = 40;
    pCam->notReadyMs = 0;
    pCam->resetNotReadyMs = SIM_RESET_NOT_READY_MS;
}

void OpenSection(ParseContext *pCtx) {
    pCtx->pCurrent = &pCtx->pCameras[pCtx->cameraCount];
    ++pCtx->cameraCount;
    SetCameraDefaults(pCtx->pCurrent);
    ZeroMemory(&pCtx->section, sizeof(pCtx->section));
    pCtx->section.sensorId = 0x5640;
    pCtx->section.chipId = 0x17;
}

// Fills in what depends on several keys and brings the camera to power-up.
void CloseSection(ParseContext *pCtx) {
    SimCamera *pCam = pCtx->pCurrent;
    if (!pCam) return;
    const SectionState &sec = pCtx->section;
    int index = static_cast<int>(pCam - pCtx->pCameras);
    if (!sec.bHasPath) {
        (void)StringCchPrintfW(pCam->devicePath, ARRAYSIZE(pCam->devicePath),
                               L"\\\\?\\usb#vid_%04x&pid_%04x&mi_00#6&2f3a8c1&0&%04d"
                               L"#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global",
                               pCam->vendorId, pCam->productId, index);
    } else {
        if (!sec.bHasVid) (void)FindIdInPath(pCam->devicePath, L"vid_", &pCam->vendorId);
        if (!sec.bHasPid) (void)FindIdInPath(pCam->devicePath, L"pid_", &pCam->productId);
    }
    if (pCam->captureCapCount > 0) pCam->captureFormat = pCam->captureCaps[0];
    if (pCam->stillCapCount > 0) pCam->stillFormat = pCam->stillCaps[0];
    pCam->info[3] = static_cast<WORD>(pCam->firmwareVersion);
    pCam->chipIdBytes[0] = 0x01;
    pCam->chipIdBytes[3] = static_cast<BYTE>(sec.chipId);
    pCam->sensor[SIM_REG_SENSOR_ID_HIGH] = static_cast<BYTE>(sec.sensorId >> 8);
    pCam->sensor[SIM_REG_SENSOR_ID_LOW] = static_cast<BYTE>(sec.sensorId & 0xFF);
    pCam->lensPosition = pCam->initialLens;
    SimCameraPowerUp(pCam);
    for (int i = 0; i < sec.regCount; ++i) {
        if (sec.regs[i].bChip) {
            SimChipPoke(pCam, sec.regs[i].address, sec.regs[i].value);
        } else {
            SimSensorPoke(pCam, sec.regs[i].address, static_cast<BYTE>(sec.regs[i].value));
        }
    }
    pCtx->pCurrent = nullptr;
}

bool Fail(ParseContext *pCtx, const char *pszWhat, const char *pszDetail) {
    (void)StringCchPrintfA(pCtx->szError, ARRAYSIZE(pCtx->szError), "line %d: %s '%s'", pCtx->line, pszWhat, pszDetail);
    return false;
}

bool SetText(ParseContext *pCtx, const char *pszValue, WCHAR *pszField, int cchField) {
    if (!Utf8ToWide(pszValue, pszField, cchField)) return Fail(pCtx, "text too long or not UTF-8", pszValue);
    return true;
}

bool SetNumber(ParseContext *pCtx, const char *pszValue, LONG lMin, LONG lMax, LONG *pField) {
    if (!ParseNumber(pszValue, lMin, lMax, pField)) return Fail(pCtx, "bad number", pszValue);
    return true;
}

bool SetBool(ParseContext *pCtx, const char *pszValue, LONG *pField) {
    if (!ParseBool(pszValue, pField)) return Fail(pCtx, "expected yes or no, not", pszValue);
    return true;
}

bool SetCaps(ParseContext *pCtx, const char *pszValue, SimCapability *pCaps, LONG *pCount) {
    char szDetail[192];
    if (!ParseCapabilityList(pszValue, pCaps, pCount, szDetail, ARRAYSIZE(szDetail))) {
        (void)StringCchPrintfA(pCtx->szError, ARRAYSIZE(pCtx->szError), "line %d: %s", pCtx->line, szDetail);
        return false;
    }
    return true;
}

bool AddRegister(ParseContext *pCtx, char *pszValue, bool bChip) {
    SectionState &sec = pCtx->section;
    if (sec.regCount >= kMaxRegOverrides) return Fail(pCtx, "too many register settings at", pszValue);
    char szCopy[64];
    (void)StringCchCopyA(szCopy, ARRAYSIZE(szCopy), pszValue);
    RegOverride &reg = sec.regs[sec.regCount];
    if (!ParseRegister(pszValue, bChip ? 0xFFFF : 0xFF, &reg)) {
        return Fail(pCtx, "expected ADDRESS:VALUE, not", szCopy);
    }
    reg.bChip = bChip;
    ++sec.regCount;
    return true;
}

// "I, J, ...": capability indexes 0..SIM_MAX_CAPS-1 as a bit mask; empty is none.
bool SetIndexMask(ParseContext *pCtx, const char *pszValue, DWORD *pMask) {
    char szList[kMaxLine];
    if (FAILED(StringCchCopyA(szList, ARRAYSIZE(szList), pszValue))) return Fail(pCtx, "bad index list", "...");
    DWORD dwMask = 0;
    char *pszItem = Trim(szList);
    while (*pszItem) {
        char *pszComma = strchr(pszItem, ',');
        if (pszComma) *pszComma = '\0';
        LONG lIndex = 0;
        if (!ParseNumber(Trim(pszItem), 0, SIM_MAX_CAPS - 1, &lIndex))
            return Fail(pCtx, "bad capability index", pszItem);
        dwMask |= 1u << lIndex;
        if (!pszComma) break;
        pszItem = pszComma + 1;
    }
    *pMask = dwMask;
    return true;
}

// The value of a control; SIM_PA_COUNT is exposure.
SimControlValue &ControlOf(SimCamera *pCam, LONG iControl) {
    return iControl == SIM_PA_COUNT ? pCam->exposure : pCam->procAmp[iControl];
}

// "MIN, MAX, STEP, DEFAULT, CAPS": a control's own range (signed values,
// STEP >= 1, MIN <= DEFAULT <= MAX, CAPS 1 auto, 2 manual or 3 both). A
// value outside the new range becomes its default.
bool SetControlRange(ParseContext *pCtx, const char *pszValue, SimCamera *pCam, int iControl) {
    char szList[kMaxLine];
    if (FAILED(StringCchCopyA(szList, ARRAYSIZE(szList), pszValue))) return Fail(pCtx, "bad range", "...");
    LONG alPart[5] = {0, 0, 0, 0, 0};
    int cParts = 0;
    char *pszItem = szList;
    for (;;) {
        char *pszComma = strchr(pszItem, ',');
        if (pszComma) *pszComma = '\0';
        if (cParts == 5 || !ParseNumber(Trim(pszItem), -0x7FFFFFFF, 0x7FFFFFFF, &alPart[cParts])) {
            return Fail(pCtx, "expected MIN, MAX, STEP, DEFAULT, CAPS, not", pszValue);
        }
        ++cParts;
        if (!pszComma) break;
        pszItem = pszComma + 1;
    }
    SimControlRange range = {alPart[0], alPart[1], alPart[2], alPart[3], alPart[4], 0};
    if (cParts != 5 || range.lMin > range.lMax || range.lStep < 1 || range.lDefault < range.lMin ||
        range.lDefault > range.lMax || range.lCapsFlags < 1 || range.lCapsFlags > 3) {
        return Fail(pCtx, "expected MIN, MAX, STEP, DEFAULT, CAPS, not", pszValue);
    }
    SimControlValue *pValue = &ControlOf(pCam, iControl);
    range.lDefaultFlags = pValue->flags;
    if (iControl == SIM_PA_COUNT)
        pCam->exposureRange = range;
    else
        pCam->procAmpRange[iControl] = range;
    pCam->rangeSetMask |= 1L << iControl;
    if (pValue->value < range.lMin || pValue->value > range.lMax) pValue->value = range.lDefault;
    return true;
}

// ---------------------------------------------------------------------------
// Keys: one parser per kind of value, one table row per key.

struct KeyRow;
using KeyParser = bool (*)(ParseContext *pCtx, const KeyRow &row, char *pszValue);

struct KeyRow {
    const char *pszName;
    KeyParser pfnParse;
    LONG SimCamera::*pField;  // the field a yes/no or number key sets, else null
    LONG lArg;                // a number's maximum, a SimProcAmp index (SIM_PA_COUNT: exposure), a bit
};

bool SetUsbId(ParseContext *pCtx, const char *pszValue, WORD *pId) {
    if (!ParseUsbId(pszValue, pId)) return Fail(pCtx, "expected 4 hex digits, not", pszValue);
    return true;
}

bool SetMs(ParseContext *pCtx, const char *pszValue, DWORD *pField) {
    LONG lValue = 0;
    if (!SetNumber(pCtx, pszValue, 0, 600000, &lValue)) return false;
    *pField = static_cast<DWORD>(lValue);
    return true;
}

bool ParseYesNo(ParseContext *pCtx, const KeyRow &row, char *pszValue) {
    return SetBool(pCtx, pszValue, &(pCtx->pCurrent->*row.pField));
}

// "procamp = no" sets noProcAmp: the field holds the opposite of the value.
bool ParseYesNoAbsent(ParseContext *pCtx, const KeyRow &row, char *pszValue) {
    LONG lValue = 0;
    if (!SetBool(pCtx, pszValue, &lValue)) return false;
    pCtx->pCurrent->*row.pField = lValue ? 0 : 1;
    return true;
}

bool ParseCount(ParseContext *pCtx, const KeyRow &row, char *pszValue) {
    return SetNumber(pCtx, pszValue, 0, row.lArg, &(pCtx->pCurrent->*row.pField));
}

// A pin's own capability size; lArg is its bit in pinCapsSizeSet.
bool ParsePinCapsSize(ParseContext *pCtx, const KeyRow &row, char *pszValue) {
    pCtx->pCurrent->pinCapsSizeSet |= row.lArg;
    return SetNumber(pCtx, pszValue, 0, 4096, &(pCtx->pCurrent->*row.pField));
}

bool ParseName(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    return SetText(pCtx, pszValue, pCtx->pCurrent->name, ARRAYSIZE(pCtx->pCurrent->name));
}

bool ParsePath(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    pCtx->section.bHasPath = true;
    return SetText(pCtx, pszValue, pCtx->pCurrent->devicePath, ARRAYSIZE(pCtx->pCurrent->devicePath));
}

bool ParseRecordPrefix(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    return SetText(pCtx, pszValue, pCtx->pCurrent->recordPrefix, ARRAYSIZE(pCtx->pCurrent->recordPrefix));
}

bool ParseVid(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    pCtx->section.bHasVid = true;
    return SetUsbId(pCtx, pszValue, &pCtx->pCurrent->vendorId);
}

bool ParsePid(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    pCtx->section.bHasPid = true;
    return SetUsbId(pCtx, pszValue, &pCtx->pCurrent->productId);
}

bool ParseCaptureFormats(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    return SetCaps(pCtx, pszValue, pCtx->pCurrent->captureCaps, &pCtx->pCurrent->captureCapCount);
}

bool ParseStillFormats(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    return SetCaps(pCtx, pszValue, pCtx->pCurrent->stillCaps, &pCtx->pCurrent->stillCapCount);
}

bool ParseFirmwareDate(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    char szCopy[64];
    (void)StringCchCopyA(szCopy, ARRAYSIZE(szCopy), pszValue);
    if (!ParseDate(pszValue, pCtx->pCurrent->info)) return Fail(pCtx, "expected YY.M.D, not", szCopy);
    return true;
}

bool ParseSensorId(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    return SetNumber(pCtx, pszValue, 0, 0xFFFF, &pCtx->section.sensorId);
}

bool ParseChipId(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    return SetNumber(pCtx, pszValue, 0, 0xFF, &pCtx->section.chipId);
}

bool ParseNotReadyMs(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    return SetMs(pCtx, pszValue, &pCtx->pCurrent->notReadyMs);
}

bool ParseResetMs(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    return SetMs(pCtx, pszValue, &pCtx->pCurrent->resetNotReadyMs);
}

// A control's value, within its effective range.
bool ParseControlValue(ParseContext *pCtx, const KeyRow &row, char *pszValue) {
    const SimControlRange &range = SimRangeOf(pCtx->pCurrent, row.lArg);
    return SetNumber(pCtx, pszValue, range.lMin, range.lMax, &ControlOf(pCtx->pCurrent, row.lArg).value);
}

// yes: the control is automatic (flags 1), no: manual (flags 2).
bool ParseControlAuto(ParseContext *pCtx, const KeyRow &row, char *pszValue) {
    LONG lValue = 0;
    if (!SetBool(pCtx, pszValue, &lValue)) return false;
    ControlOf(pCtx->pCurrent, row.lArg).flags = lValue ? 1 : 2;
    return true;
}

bool ParseControlFlags(ParseContext *pCtx, const KeyRow &row, char *pszValue) {
    return SetNumber(pCtx, pszValue, 0, 3, &ControlOf(pCtx->pCurrent, row.lArg).flags);
}

bool ParseControlRange(ParseContext *pCtx, const KeyRow &row, char *pszValue) {
    return SetControlRange(pCtx, pszValue, pCtx->pCurrent, static_cast<int>(row.lArg));
}

bool ParseSensorReg(ParseContext *pCtx, const KeyRow &, char *pszValue) { return AddRegister(pCtx, pszValue, false); }

bool ParseChipReg(ParseContext *pCtx, const KeyRow &, char *pszValue) { return AddRegister(pCtx, pszValue, true); }

bool ParseCaptureCapsFail(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    return SetIndexMask(pCtx, pszValue, &pCtx->pCurrent->captureCapsFailMask);
}

bool ParseStillCapsFail(ParseContext *pCtx, const KeyRow &, char *pszValue) {
    return SetIndexMask(pCtx, pszValue, &pCtx->pCurrent->stillCapsFailMask);
}

const KeyRow kKeys[] = {
    {"name", ParseName, nullptr, 0},
    {"path", ParsePath, nullptr, 0},
    {"vid", ParseVid, nullptr, 0},
    {"pid", ParsePid, nullptr, 0},
    {"record_prefix", ParseRecordPrefix, nullptr, 0},
    {"present", ParseYesNo, &SimCamera::present, 0},
    {"still_pin", ParseYesNo, &SimCamera::hasStillPin, 0},
    {"video_control", ParseYesNo, &SimCamera::hasVideoControl, 0},
    {"caps_size", ParseCount, &SimCamera::capsSize, 4096},
    {"capture", ParseCaptureFormats, nullptr, 0},
    {"still", ParseStillFormats, nullptr, 0},
    {"firmware", ParseCount, &SimCamera::firmwareVersion, 0xFFFF},
    {"firmware_date", ParseFirmwareDate, nullptr, 0},
    {"flash", ParseYesNo, &SimCamera::flashConnected, 0},
    {"sensor_id", ParseSensorId, nullptr, 0},
    {"chip_id", ParseChipId, nullptr, 0},
    {"best_focus", ParseCount, &SimCamera::bestPosition, 255},
    {"lens", ParseCount, &SimCamera::initialLens, 255},
    {"not_ready_ms", ParseNotReadyMs, nullptr, 0},
    {"reset_ms", ParseResetMs, nullptr, 0},
    {"sticky_ack", ParseYesNo, &SimCamera::stickyAck, 0},
    {"brightness", ParseControlValue, nullptr, SIM_PA_BRIGHTNESS},
    {"contrast", ParseControlValue, nullptr, SIM_PA_CONTRAST},
    {"hue", ParseControlValue, nullptr, SIM_PA_HUE},
    {"saturation", ParseControlValue, nullptr, SIM_PA_SATURATION},
    {"sharpness", ParseControlValue, nullptr, SIM_PA_SHARPNESS},
    {"gamma", ParseControlValue, nullptr, SIM_PA_GAMMA},
    {"color_enable", ParseControlValue, nullptr, SIM_PA_COLORENABLE},
    {"white_balance", ParseControlValue, nullptr, SIM_PA_WHITEBALANCE},
    {"white_balance_auto", ParseControlAuto, nullptr, SIM_PA_WHITEBALANCE},
    {"exposure", ParseControlValue, nullptr, SIM_PA_COUNT},
    {"exposure_auto", ParseControlAuto, nullptr, SIM_PA_COUNT},
    {"sensor_reg", ParseSensorReg, nullptr, 0},
    {"chip_reg", ParseChipReg, nullptr, 0},
    {"capture_caps_size", ParsePinCapsSize, &SimCamera::captureCapsSize, 1},
    {"still_caps_size", ParsePinCapsSize, &SimCamera::stillCapsSize, 2},
    {"capture_caps_fail", ParseCaptureCapsFail, nullptr, 0},
    {"still_caps_fail", ParseStillCapsFail, nullptr, 0},
    {"procamp", ParseYesNoAbsent, &SimCamera::noProcAmp, 0},
    {"camera_control", ParseYesNoAbsent, &SimCamera::noCameraControl, 0},
    {"still_lost", ParseYesNo, &SimCamera::stillsLost, 0},
    {"decoder_refuses", ParseYesNo, &SimCamera::decoderRefuses, 0},
    {"trigger_while_stopped", ParseYesNo, &SimCamera::triggerWhileStopped, 0},
    {"brightness_flags", ParseControlFlags, nullptr, SIM_PA_BRIGHTNESS},
    {"contrast_flags", ParseControlFlags, nullptr, SIM_PA_CONTRAST},
    {"hue_flags", ParseControlFlags, nullptr, SIM_PA_HUE},
    {"saturation_flags", ParseControlFlags, nullptr, SIM_PA_SATURATION},
    {"sharpness_flags", ParseControlFlags, nullptr, SIM_PA_SHARPNESS},
    {"gamma_flags", ParseControlFlags, nullptr, SIM_PA_GAMMA},
    {"color_enable_flags", ParseControlFlags, nullptr, SIM_PA_COLORENABLE},
    {"white_balance_flags", ParseControlFlags, nullptr, SIM_PA_WHITEBALANCE},
    {"exposure_flags", ParseControlFlags, nullptr, SIM_PA_COUNT},
    {"brightness_range", ParseControlRange, nullptr, SIM_PA_BRIGHTNESS},
    {"contrast_range", ParseControlRange, nullptr, SIM_PA_CONTRAST},
    {"hue_range", ParseControlRange, nullptr, SIM_PA_HUE},
    {"saturation_range", ParseControlRange, nullptr, SIM_PA_SATURATION},
    {"sharpness_range", ParseControlRange, nullptr, SIM_PA_SHARPNESS},
    {"gamma_range", ParseControlRange, nullptr, SIM_PA_GAMMA},
    {"color_enable_range", ParseControlRange, nullptr, SIM_PA_COLORENABLE},
    {"white_balance_range", ParseControlRange, nullptr, SIM_PA_WHITEBALANCE},
    {"exposure_range", ParseControlRange, nullptr, SIM_PA_COUNT},
};

bool ParseLine(ParseContext *pCtx, char *pszLine) {
    char *pszText = Trim(pszLine);
    if (*pszText == '\0' || *pszText == '#' || *pszText == ';') return true;
    if (*pszText == '[') {
        size_t cch = strlen(pszText);
        if (pszText[cch - 1] != ']') return Fail(pCtx, "bad section header", pszText);
        pszText[cch - 1] = '\0';
        char *pszSection = Trim(pszText + 1);
        if (!EqualNoCase(pszSection, "camera")) return Fail(pCtx, "unknown section", pszSection);
        CloseSection(pCtx);
        if (pCtx->cameraCount >= SIMCAM_MAX_CAMERAS) return Fail(pCtx, "more than 16 cameras at", "[camera]");
        OpenSection(pCtx);
        return true;
    }
    char *pszEquals = strchr(pszText, '=');
    if (!pszEquals) return Fail(pCtx, "expected KEY = VALUE, not", pszText);
    *pszEquals = '\0';
    char *pszKey = Trim(pszText);
    char *pszValue = Trim(pszEquals + 1);
    if (!pCtx->pCurrent) return Fail(pCtx, "key outside a [camera] section", pszKey);
    for (const KeyRow &row : kKeys) {
        if (EqualNoCase(pszKey, row.pszName)) return row.pfnParse(pCtx, row, pszValue);
    }
    return Fail(pCtx, "unknown key", pszKey);
}

bool ParseText(ParseContext *pCtx, const char *pszText) {
    // A UTF-8 byte-order mark is no part of the first line.
    if (static_cast<BYTE>(pszText[0]) == 0xEF && static_cast<BYTE>(pszText[1]) == 0xBB &&
        static_cast<BYTE>(pszText[2]) == 0xBF) {
        pszText += 3;
    }
    const char *pszPos = pszText;
    while (*pszPos) {
        ++pCtx->line;
        const char *pszEnd = pszPos;
        while (*pszEnd && *pszEnd != '\n') ++pszEnd;
        size_t cch = static_cast<size_t>(pszEnd - pszPos);
        if (cch >= kMaxLine) return Fail(pCtx, "line too long", "...");
        char szLine[kMaxLine];
        CopyMemory(szLine, pszPos, cch);
        szLine[cch] = '\0';
        if (!ParseLine(pCtx, szLine)) return false;
        pszPos = *pszEnd ? pszEnd + 1 : pszEnd;
    }
    CloseSection(pCtx);
    return true;
}

// The default camera: one section that keeps every default.
const char kDefaultScenario[] = "[camera]\n";

}  // namespace

const char *SimDefaultScenarioText() { return kDefaultScenario; }

bool SimParseScenario(SimShared *pState, const char *text) {
    if (!text) {
        (void)StringCchCopyA(pState->lastError, ARRAYSIZE(pState->lastError), "no scenario text");
        return false;
    }
    ParseContext *pCtx = new (std::nothrow) ParseContext();
    SimCamera *pCameras = new (std::nothrow) SimCamera[SIMCAM_MAX_CAMERAS];
    bool bOk = false;
    if (!pCtx || !pCameras) {
        (void)StringCchCopyA(pState->lastError, ARRAYSIZE(pState->lastError), "out of memory");
    } else {
        pCtx->pCameras = pCameras;
        bOk = ParseText(pCtx, text);
        if (bOk) {
            for (int i = 0; i < SIMCAM_MAX_CAMERAS; ++i) {
                if (i < pCtx->cameraCount) {
                    pState->cameras[i] = pCameras[i];
                } else {
                    ZeroMemory(&pState->cameras[i], sizeof(pState->cameras[i]));
                }
            }
            pState->cameraCount = pCtx->cameraCount;
            ++pState->generation;
            pState->lastError[0] = '\0';
        } else {
            (void)StringCchCopyA(pState->lastError, ARRAYSIZE(pState->lastError), pCtx->szError);
        }
    }
    delete[] pCameras;
    delete pCtx;
    return bOk;
}
