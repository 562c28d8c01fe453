// DshowStill.cpp - DShowManager: firing a still and following it to disk.
#include <windows.h>

#include <strsafe.h>

#include "DebugPrint.h"
#include "Dshow.h"
#include "KORFwSw.h"
#include "MessageBoxSeam.h"

HRESULT DShowManager::StillTrigger() {
    OutputDebugStringW(L"DShow Still Trigger\r\n");
    if (!m_HasStillPin) {
        KorMessageBox(nullptr, L"Still Pin is not available", L"KORViewer", MB_OK);
        return 0;
    }
    if (!m_pAMVidControl) return 0;
    // A still is fired only into a graph that is built and running: a pin
    // that took the trigger while stopped would leave the flash lit with no
    // picture ever coming.
    if (!m_GraphBuilt || !m_Previewing) {
        OutputDebugStringW(L"StillTrigger: the graph is not running\r\n");
        KorMessageBox(nullptr, L"Error StillTrigger", L"KORViewer", MB_OK);
        return VFW_E_NOT_RUNNING;
    }

    OutputDebugStringW(L"m_pAMVidControl is not NULL\r\n");
    // The type read on the previous trigger is freed before it is read again.
    m_StillMediaType.Clear();
    HRESULT hr = m_pSampleGrabber ? m_pSampleGrabber->GetConnectedMediaType(m_StillMediaType.Get()) : E_POINTER;
    if (hr == S_OK) {
        // The picture's size comes from the still branch's connected type,
        // which is what the pin delivers; the stored still size is kept even
        // when setting it failed.
        int width = m_StillWidth, height = m_StillHeight;
        const AM_MEDIA_TYPE &mt = *m_StillMediaType;
        if (const VIDEOINFOHEADER *pvi = VideoInfoOf(&mt)) {
            width = pvi->bmiHeader.biWidth;
            height = pvi->bmiHeader.biHeight < 0 ? -pvi->bmiHeader.biHeight : pvi->bmiHeader.biHeight;
        }
        if (IsEqualGUID(mt.subtype, MEDIASUBTYPE_MJPG))
            g_SampleGrabberCB.ConfigureStill(0, GetTickCount(), width, height, TriggeredOnStillCapture);
        else if (IsEqualGUID(mt.subtype, MEDIASUBTYPE_YUY2))
            g_SampleGrabberCB.ConfigureStill(1, GetTickCount(), width, height, TriggeredOnStillCapture);
        OutputDebugStringW(L"m_StillMediaType is set\r\n");
    } else {
        m_StillMediaType.Clear();
    }

    SetStillState(1);
    g_SampleGrabberCB.SetReportWindow(m_hWndMain);
    bool strobeOn = g_FlashEnabled != 0;
    if (strobeOn) (void)ControlGPO(8, 1);
    hr = m_pAMVidControl->SetMode(m_pStillPin.Get(), VideoControlFlag_Trigger);
    if (FAILED(hr)) {
        // No picture will come to switch the strobe off again.
        if (strobeOn) (void)ControlGPO(8, 0);
        KorMessageBox(nullptr, L"Error StillTrigger", L"KORViewer", MB_OK);
    }
    return hr;
}

void DShowManager::SetStillPath(LPCWSTR pszPath) {
    DShowDebugPrint(L"The path in dshow is %s\r\n", pszPath ? pszPath : L"");
    g_SampleGrabberCB.SetStillPath(pszPath);
}

void TriggeredOnStillCapture(int *pElapsedMs) {
    OutputDebugStringW(L"TriggeredOnStillCapture \r\n");
    DShowManager *pTarget = g_pTimerTarget;
    if (pElapsedMs) {
        DShowDebugPrint(L"%d", *pElapsedMs);
        if (pTarget) {
            pTarget->SetStillTimeMs(static_cast<ULONG>(*pElapsedMs));
            OutputDebugStringW(L"printing time taken 1\r\n");
            pTarget->SetStillState(2);
        }
    } else if (pTarget) {
        pTarget->SetStillTimeMs(0);
    }
}

void OnStillNotSaved() {
    // The status bar stops saying "Capturing image...": the box says why.
    DShowManager *pTarget = g_pTimerTarget;
    if (pTarget && pTarget->GetStillState() == 1) pTarget->SetStillState(0);
    KorMessageBox(nullptr, L"Sorry image cannot be captured", L"Image Capture", MB_OK);
}
