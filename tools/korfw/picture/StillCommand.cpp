// StillCommand.cpp - "still": one picture through the still pin, as the
// viewer's Enter key takes it, from a script.
//
// The order: the file or folder checked, the input bits read (a flash
// connected?), the graph built and run in the format asked for, the
// autofocus run when asked for, then the trigger (with the strobe on when a
// flash is wanted and connected) and the wait for the file. Every wait ends
// at the timeout or at Ctrl+C; the still is then given up (strobe off, no
// file) and the graph taken down before the session closes.
#include <windows.h>

#include "Commands.h"
#include "Console.h"
#include "KORFwSw.h"
#include "PictureCommands.h"
#include "PinFormats.h"
#include "SampleGrabberCallback.h"
#include "Session.h"
#include "WindowlessCamera.h"

namespace {

// How often the wait for the still looks at the still's state.
const DWORD kStillPollMs = 10;

// Ctrl+C waits for the camera to be let go while this exists.
class CleanupOnStop {
public:
    CleanupOnStop() { BeginCleanupOnStop(); }
    ~CleanupOnStop() { EndCleanupOnStop(); }
    CleanupOnStop(const CleanupOnStop &) = delete;
    CleanupOnStop &operator=(const CleanupOnStop &) = delete;
};

bool Refuse(const std::wstring &reason, Failure *pFailure) {
    *pFailure = Failure{nullptr, 0, reason};
    return false;
}

// The full path of a file or folder korfw was given.
bool FullPath(const std::wstring &path, WCHAR (&szFull)[MAX_PATH], Failure *pFailure) {
    DWORD cch = GetFullPathNameW(path.c_str(), MAX_PATH, szFull, nullptr);
    if (cch == 0 || cch >= MAX_PATH) return Refuse(L"the path '" + path + L"' is too long or not valid", pFailure);
    return true;
}

// Aims the still writer: into a folder under the viewer's name, or into
// exactly the file named, which must not exist yet.
bool AimStill(const StillOptions &options, Failure *pFailure) {
    WCHAR szFull[MAX_PATH] = L"";
    if (!FullPath(options.output.empty() ? std::wstring(L".") : options.output, szFull, pFailure)) return false;
    if (options.bOutputFolder) {
        g_SampleGrabberCB.SetStillPath(szFull);
        return true;
    }
    if (GetFileAttributesW(szFull) != INVALID_FILE_ATTRIBUTES)
        return Refuse(Format(L"'%s' exists: korfw never replaces a file", szFull), pFailure);
    std::wstring folder(szFull);
    folder.erase(folder.find_last_of(L'\\') + 1);
    DWORD dwAttributes = GetFileAttributesW(folder.c_str());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES || !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return Refuse(Format(L"the folder '%s' does not exist", folder.c_str()), pFailure);
    g_SampleGrabberCB.SetStillFile(szFull);
    return true;
}

// Bit 0 of the inputs is set while no flash is connected.
bool ReadFlashConnected(bool *pbConnected, Failure *pFailure) {
    int iBits = 0;
    SetLastError(ERROR_SUCCESS);
    if (GetGPIStatus(&iBits) != 1) {
        *pFailure = Failure{L"GetGPIStatus", GetLastError(), std::wstring()};
        return false;
    }
    *pbConnected = (iBits & 1) == 0;
    return true;
}

// The still format asked for, chosen as the viewer chooses it; one the pin
// does not offer is refused with the list of those it does. Without
// --format and --size the viewer's start-up choice stands.
bool ChooseFormat(const StillOptions &options, DShowManager &manager, Failure *pFailure) {
    if (!options.bSubtypeGiven && options.iWidth == 0) return true;
    std::vector<PinFormat> offered;
    (void)manager.EnumPinFormats(true, &offered);
    int iWidth = options.iWidth, iHeight = options.iHeight;
    if (iWidth == 0) (void)LargestSize(offered, options.subtype, &iWidth, &iHeight);
    if (!OffersFormat(offered, options.subtype, iWidth, iHeight)) {
        std::wstring asked = iWidth ? Format(L"%s %dx%d", options.subtype.c_str(), iWidth, iHeight) : options.subtype;
        return Refuse(L"the still pin does not offer " + asked + L"; it offers " + PinFormatsText(offered), pFailure);
    }
    const int iResult = manager.SetStillFormat(iWidth, iHeight, options.subtype.c_str());
    if (iResult != 0) {
        const HRESULT hr = iResult == 1 ? VFW_E_NO_ACCEPTABLE_TYPES : static_cast<HRESULT>(iResult);
        std::wstring reason = Format(L"the still pin refused %s %dx%d (0x%08lX", options.subtype.c_str(), iWidth,
                                     iHeight, static_cast<unsigned long>(hr));
        return Refuse(reason + L": " + SystemText(hr) + L")", pFailure);
    }
    return true;
}

// The pin's format must be one the writer can write, and the file's
// extension its own.
bool CheckDelivered(const StillOptions &options, DShowManager &manager, Failure *pFailure) {
    WCHAR szSubtype[5] = L"";
    manager.GetCurrentStillFormat(szSubtype);
    if (!szSubtype[0]) return Refuse(L"the still pin delivers neither MJPG nor YUY2", pFailure);
    if (!options.bOutputFolder && options.subtype != szSubtype)
        return Refuse(
            Format(L"the still pin delivers %s, which the name '%s' does not suit", szSubtype, options.output.c_str()),
            pFailure);
    return true;
}

// Fires the still and waits until it is saved, cannot be saved, is late or
// Ctrl+C comes; the last three give it up.
bool TakeStill(WindowlessCamera &camera, DWORD dwTimeoutMs, Failure *pFailure) {
    DShowManager &manager = camera.Manager();
    if (!SleepUnlessStopped(0)) return Stopped(pFailure);
    HRESULT hr = manager.StillTrigger();
    if (FAILED(hr)) return camera.Fail(L"the still could not be fired", hr, pFailure);
    HANDLE hStop = StopEvent();
    for (;;) {
        if (MsgWaitForMultipleObjects(1, &hStop, FALSE, kStillPollMs, QS_ALLINPUT) == WAIT_OBJECT_0) {
            (void)manager.AbandonStill();
            return Stopped(pFailure);
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (manager.GetStillState() == kStillCaptured) return true;
        if (camera.TakeNotSaved()) {
            (void)manager.AbandonStill();
            return camera.Fail(L"the still arrived but could not be saved", S_OK, pFailure);
        }
        if (manager.GiveUpLateStill(GetTickCount(), dwTimeoutMs))
            return Refuse(L"the still did not arrive within " + DecimalText(dwTimeoutMs, 3) + L" s", pFailure);
    }
}

// What the still became, for people and for JSON.
void ReportStill(bool bFlash, SHORT sPosition, DShowManager &manager, Report *pReport) {
    const std::wstring path = g_SampleGrabberCB.GetSavedPath();
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ULONGLONG ullBytes = 0;
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        ullBytes = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const int iWidth = g_SampleGrabberCB.GetWidth(), iHeight = g_SampleGrabberCB.GetHeight();
    pReport->AddText(L"path", L"path", path);
    pReport->AddText(L"format", L"format", g_SampleGrabberCB.IsConvertingToBitmap() ? L"YUY2" : L"MJPG");
    pReport->AddRaw(L"size", Format(L"%dx%d", iWidth, iHeight), Format(L"\"width\":%d,\"height\":%d", iWidth, iHeight));
    pReport->AddRaw(L"bytes", Format(L"%I64u", ullBytes), Format(L"\"bytes\":%I64u", ullBytes));
    pReport->AddBool(L"flash", L"flash", bFlash);
    pReport->AddRaw(L"autofocus", sPosition < 0 ? L"not run" : Format(L"focused, lens at %d", sPosition),
                    sPosition < 0 ? L"\"autofocus\":null"
                                  : Format(L"\"autofocus\":{\"state\":\"focused\",\"position\":%d}", sPosition));
    const ULONG ulMs = manager.GetStillTimeMs();
    pReport->AddRaw(L"time", Format(L"%lu ms", ulMs), Format(L"\"ms\":%lu", ulMs));
}

}  // namespace

bool RunStill(const StillOptions &options, DWORD dwTimeoutMs, const VideoDevice &device, Report *pReport,
              Failure *pFailure) {
    bool bFlash = false;
    if (!AimStill(options, pFailure)) return false;
    if (options.bFlash && !ReadFlashConnected(&bFlash, pFailure)) return false;
    CleanupOnStop cleanup;  // outlives the camera: let go of first
    WindowlessCamera camera;
    if (!camera.Open(device, pFailure) || !ChooseFormat(options, camera.Manager(), pFailure) || !camera.Run(pFailure) ||
        !CheckDelivered(options, camera.Manager(), pFailure))
        return false;
    SHORT sPosition = -1;
    if (!SleepUnlessStopped(0)) return Stopped(pFailure);
    if (options.bAutofocus && !FocusAndWait(dwTimeoutMs, &sPosition, pFailure)) return false;
    SetFlashEnabled(bFlash);
    if (!TakeStill(camera, dwTimeoutMs, pFailure)) return false;
    ReportStill(bFlash, sPosition, camera.Manager(), pReport);
    return true;
}
