// DshowWindowless.cpp - DShowManager without a window, for stills taken
// from a script (korfw): the viewer's capture filters, start-up formats,
// format choice and branches, less the preview branch, the video window and
// the status timer.
//
// The main window given (a message-only window will do) is only told of a
// still that cannot be saved or is given up (kStillNotSavedMessage); the
// still completes as in the viewer, through TriggeredOnStillCapture, with
// this manager as the target.
#include <windows.h>

#include "DebugPrint.h"
#include "Dshow.h"

namespace {

// How long the camera may take to say it runs.
const DWORD kRunSettleMs = 2000;

}  // namespace

int DShowManager::OpenWindowless(IMoniker *pMoniker) {
    OutputDebugStringW(L"OpenWindowless....\r\n");
    m_Windowless = TRUE;
    m_pMoniker = pMoniker;
    DeInitDShow();
    ReleaseGraphObjects();
    return InitCapFilters();
}

HRESULT DShowManager::RunWindowless() {
    if (!m_Windowless || !m_pGraph || !m_HasStillPin) return E_UNEXPECTED;
    // The build's box says which of its steps failed.
    if (!BuildPreviewGraph()) {
        ReleaseGraphObjects();
        return E_FAIL;
    }
    HRESULT hr = RunCaptureFilter();
    if (FAILED(hr)) {
        DShowDebugPrint(L"RunWindowless: hr = %x\r\n", hr);
        ReleaseGraphObjects();
        return hr;
    }
    m_Previewing = TRUE;
    m_Initialized = TRUE;
    g_pTimerTarget = this;
    return S_OK;
}

// Building has run the graph; running it again gives the system's reason
// when that failed (a camera that another program holds). A graph manager
// that does not pass on a filter's failure (Wine's) still leaves the camera
// short of running, which its own state tells.
HRESULT DShowManager::RunCaptureFilter() {
    ComPtr<IMediaControl> control;
    HRESULT hr = m_pGraph->QueryInterface(IID_IMediaControl, control.OutVoid());
    if (SUCCEEDED(hr)) hr = control->Run();
    FILTER_STATE state = State_Stopped;
    if (SUCCEEDED(hr)) hr = m_pCapFilter->GetState(kRunSettleMs, &state);
    if (SUCCEEDED(hr) && state != State_Running) hr = VFW_E_NOT_RUNNING;
    return hr;
}
