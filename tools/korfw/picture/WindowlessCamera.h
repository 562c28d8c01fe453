// WindowlessCamera.h - the chosen camera's graph without a window, through
// the viewer's capture manager, for the picture commands.
//
// The manager's message boxes never show while one exists: each becomes
// part of the reason a command gives when it fails. A still that cannot be
// saved is reported to a message-only window of this object.
#ifndef KOR_TOOLS_KORFW_PICTURE_WINDOWLESSCAMERA_H
#define KOR_TOOLS_KORFW_PICTURE_WINDOWLESSCAMERA_H

#include <windows.h>

#include <string>

#include "ComPtr.h"
#include "Devices.h"
#include "Dshow.h"
#include "Report.h"

class WindowlessCamera {
public:
    WindowlessCamera();
    // Takes the graph down (a still still awaited is given up, its strobe
    // switched off) and lets go of the camera.
    ~WindowlessCamera();
    WindowlessCamera(const WindowlessCamera &) = delete;
    WindowlessCamera &operator=(const WindowlessCamera &) = delete;

    // The camera's capture filter with its stream configurations and the
    // viewer's start-up formats; no branch is connected yet.
    bool Open(const VideoDevice &device, Failure *pFailure);
    // The capture branch into a Null Renderer and the still branch into the
    // Sample Grabber, running, with a still pin that takes a trigger.
    bool Run(Failure *pFailure);

    DShowManager &Manager() { return *m_pManager; }
    // True once when a still could not be saved since the last call.
    bool TakeNotSaved();

    // Fills *pFailure: what failed, the system's text for hr (unless S_OK)
    // and the capture library's message since the last failure; false.
    bool Fail(const std::wstring &what, HRESULT hr, Failure *pFailure);

private:
    DShowManager *m_pManager;
    ComPtr<IMoniker> m_pMoniker;  // the manager borrows it
    HWND m_hWndReport;
};

// The system's text for an HRESULT (DirectShow's own codes included), or
// empty when it has none.
std::wstring SystemText(HRESULT hr);

#endif  // KOR_TOOLS_KORFW_PICTURE_WINDOWLESSCAMERA_H
