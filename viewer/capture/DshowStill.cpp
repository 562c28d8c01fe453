// DshowStill.cpp - DShowManager: firing a still and following it to disk.
#include <windows.h>

#include <commctrl.h>
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
    if (!IsStillReady()) {
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

    // The still is awaited from here until it is saved or given up.
    m_StillTriggerTick = GetTickCount();
    m_StillSamplesAtTrigger = g_SampleGrabberCB.SamplesArrived();
    InterlockedExchange(&m_StillStrobeOn, 0);
    SetStillState(kStillCapturing);
    g_SampleGrabberCB.SetReportWindow(m_hWndMain);
    if (g_FlashEnabled) {
        (void)ControlGPO(8, 1);
        InterlockedExchange(&m_StillStrobeOn, 1);
    }
    hr = m_pAMVidControl->SetMode(m_pStillPin.Get(), VideoControlFlag_Trigger);
    if (FAILED(hr)) {
        // No picture will come: the strobe goes off and the status bar stops
        // saying "Capturing image...".
        (void)AbandonStill();
        KorMessageBox(nullptr, L"Error StillTrigger", L"KORViewer", MB_OK);
    }
    return hr;
}

bool DShowManager::IsStillReady() const { return m_HasStillPin && m_pAMVidControl && m_GraphBuilt && m_Previewing; }

bool DShowManager::AbandonStill() {
    if (!MoveStillState(kStillCapturing, kStillIdle)) return false;
    // A sample that reached the callback switched the strobe off itself.
    const bool bSampleCame = g_SampleGrabberCB.SamplesArrived() != m_StillSamplesAtTrigger;
    if (InterlockedExchange(&m_StillStrobeOn, 0) && !bSampleCame && ControlGPO(8, 0) != 1)
        OutputDebugStringW(L"Strobe Disable Failed\n");
    OutputDebugStringW(L"Still given up\r\n");
    // The status timer may not run again (a stopped graph): the status bar
    // stops saying "Capturing image..." now.
    if (m_hWndStatus) SendMessageW(m_hWndStatus, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(L""));
    return true;
}

bool DShowManager::GiveUpLateStill(DWORD dwNow, DWORD dwTimeoutMs) {
    if (m_StillState != kStillCapturing || dwNow - m_StillTriggerTick < dwTimeoutMs) return false;
    // A sample on its way to disk ends as saved or as its own failure report.
    if (g_SampleGrabberCB.SamplesArrived() != m_StillSamplesAtTrigger) return false;
    if (!AbandonStill()) return false;
    if (m_hWndMain) (void)PostMessageW(m_hWndMain, kStillNotSavedMessage, 0, 0);
    return true;
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
            pTarget->SetStillState(kStillCaptured);
        }
    } else if (pTarget) {
        pTarget->SetStillTimeMs(0);
    }
}

void OnStillNotSaved() {
    // The status bar stops saying "Capturing image...": the box says why.
    DShowManager *pTarget = g_pTimerTarget;
    if (pTarget) (void)pTarget->MoveStillState(kStillCapturing, kStillIdle);
    KorMessageBox(nullptr, L"Sorry image cannot be captured", L"Image Capture", MB_OK);
}
