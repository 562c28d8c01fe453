// FormatsCommand.cpp - "formats": the capture pin's formats with their
// highest frame rate, and the still pin's.
#include <windows.h>

#include "Console.h"
#include "PictureCommands.h"
#include "PinFormats.h"
#include "WindowlessCamera.h"

namespace {

// The highest frame rate of a capability in hundredths of a frame per
// second, from its shortest frame interval (100 ns units); 0 when unknown.
ULONG CentiFps(REFERENCE_TIME rtMinInterval) {
    if (rtMinInterval <= 0) return 0;
    return static_cast<ULONG>((1000000000LL + rtMinInterval / 2) / rtMinInterval);
}

// One list, for people (a line each) and as the JSON member "key":[...].
void AddFormats(const WCHAR *pszKey, const std::vector<PinFormat> &formats, bool bRates, Report *pReport) {
    std::wstring human, json = JsonString(pszKey) + L":[";
    for (size_t i = 0; i < formats.size(); ++i) {
        const PinFormat &format = formats[i];
        const ULONG ulCentiFps = CentiFps(format.MinFrameInterval);
        const std::wstring fps = ulCentiFps ? DecimalText(ulCentiFps, 2) : std::wstring(L"null");
        human += (i ? L"\n" : L"") + PinFormatText(format);
        json += (i ? L"," : L"") + PinFormatJson(format);
        if (bRates) {
            human += L" at " + (ulCentiFps ? fps + L" fps" : std::wstring(L"an unknown rate"));
            json.insert(json.size() - 1, L",\"fps\":" + fps);
        }
    }
    pReport->AddRaw(pszKey, formats.empty() ? L"(none)" : human, json + L"]");
}

}  // namespace

bool RunFormats(const VideoDevice &device, Report *pReport, Failure *pFailure) {
    WindowlessCamera camera;
    if (!camera.Open(device, pFailure)) return false;
    std::vector<PinFormat> capture, still;
    (void)camera.Manager().EnumPinFormats(false, &capture);
    (void)camera.Manager().EnumPinFormats(true, &still);  // none without a still pin
    AddFormats(L"capture", capture, true, pReport);
    AddFormats(L"still", still, false, pReport);
    return true;
}
