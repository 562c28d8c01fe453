// ErrorText.cpp - names and meanings of the codes KORFwSw.h defines.
#include "ErrorText.h"

#include "KORFwSw.h"

namespace {

struct KnownError {
    DWORD dwCode;
    ErrorText text;
};

const KnownError kKnownErrors[] = {
    {ERROR_SUCCESS, {L"ERROR_SUCCESS", L"the library gave no reason"}},
    {ERROR_INVALID_PARAMETER, {L"ERROR_INVALID_PARAMETER", L"a pointer argument was null"}},
    {ERR_VMDEVICE_CREATE,
     {L"ERR_VMDEVICE_CREATE", L"the extension-unit component's device lister could not be created"}},
    {ERR_XUCONTROL_CREATE,
     {L"ERR_XUCONTROL_CREATE", L"the extension-unit component's register object could not be created"}},
    {ERR_NO_CAPTURE_DEVICES, {L"ERR_NO_CAPTURE_DEVICES", L"the extension-unit component listed no device"}},
    {ERR_NOT_KOR_CAMERA, {L"ERR_NOT_KOR_CAMERA", L"the device is not the requested camera or not a KOR camera"}},
    {ERR_STROBE_UPDATE, {L"ERR_STROBE_UPDATE", L"a strobe register write failed"}},
    {ERR_XU_TRANSFER, {L"ERR_XU_TRANSFER", L"an extension-unit transfer with the camera failed"}},
    {ERR_NOT_INITIALISED, {L"ERR_NOT_INITIALISED", L"there is no session with the camera"}},
    {ERR_FOCUS_RANGE, {L"ERR_FOCUS_RANGE", L"the focus position is outside 0..255"}},
    {ERR_GPO_NUMBER, {L"ERR_GPO_NUMBER", L"the camera has no such general-purpose output"}},
    {ERR_SENSOR_NOT_READY, {L"ERR_SENSOR_NOT_READY", L"the sensor is not ready for register traffic"}},
};

}  // namespace

ErrorText DescribeError(DWORD dwCode) {
    for (const KnownError &known : kKnownErrors) {
        if (known.dwCode == dwCode) return known.text;
    }
    return ErrorText{nullptr, L"a code the library does not define"};
}
