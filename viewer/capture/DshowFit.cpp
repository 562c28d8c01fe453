// DshowFit.cpp - DShowManager: the preview fills the client area above the
// status bar and keeps its aspect ratio by cropping from the top-left corner.
#include <windows.h>

#include <math.h>

#include "DebugPrint.h"
#include "Dshow.h"

namespace {
const float kRatioTolerance = 0.0001f;

LONG StatusBarHeight(HWND hWndStatus) {
    RECT rc = {0, 0, 0, 0};
    if (!hWndStatus || !GetWindowRect(hWndStatus, &rc)) return 0;
    return rc.bottom - rc.top;
}
}  // namespace

bool EssentiallyEqual(float a, float b, float t) {
    if (a == 0.0f || b == 0.0f) return a == b;
    float fa = fabsf(a), fb = fabsf(b);
    return fabsf(a - b) <= (fa < fb ? fa : fb) * t;
}

bool DefinitelyGreater(float a, float b, float t) {
    float fa = fabsf(a), fb = fabsf(b);
    return (a - b) > (fa > fb ? fa : fb) * t;
}

bool DefinitelyLess(float a, float b, float t) {
    float fa = fabsf(a), fb = fabsf(b);
    return (b - a) > (fa > fb ? fa : fb) * t;
}

void DShowManager::ReSizePreview() {
    if (!m_Initialized || !m_pBasicVideo) return;
    LONG statusHeight = StatusBarHeight(m_hWndStatus);
    RECT rc = {0, 0, 0, 0};
    GetClientRect(m_hWndMain, &rc);
    DShowDebugPrint(L"rcClient l=%d,t=%d,r=%d,b=%d StatusBarHeight=%d\r\n", rc.left, rc.top, rc.right, rc.bottom,
                    statusHeight);

    long srcWidth = 0, srcHeight = 0;
    HRESULT hr = m_pBasicVideo->GetVideoSize(&srcWidth, &srcHeight);
    DShowDebugPrint(L" lSrcVidWidth=%d lSrcVidHeight=%d\r\n", srcWidth, srcHeight);
    if (FAILED(hr)) return;

    LONG clientWidth = rc.right - rc.left;
    LONG clientHeight = rc.bottom - rc.top;
    LONG available = clientHeight - statusHeight;
    if (available <= statusHeight) available = clientHeight;
    if (available <= 0 || srcHeight <= 0) return;

    double srcRatio = static_cast<double>(srcWidth) / static_cast<double>(srcHeight);
    double destRatio = static_cast<double>(clientWidth) / static_cast<double>(available);
    DShowDebugPrint(L"dSrcRatio=%3.4f\r\n", srcRatio);
    DShowDebugPrint(L"dDestRatio=%3.4f\r\n", destRatio);
    if (EssentiallyEqual(static_cast<float>(destRatio), 0.0f, kRatioTolerance)) return;

    bool placed = true;
    if (DefinitelyGreater(static_cast<float>(srcRatio), static_cast<float>(destRatio), kRatioTolerance)) {
        OutputDebugStringW(L"Source ratio is bigger than dest ratio\r\n");
        double modWidth = static_cast<double>(srcHeight) * destRatio;
        if (DefinitelyGreater(static_cast<float>(modWidth), static_cast<float>(srcWidth), kRatioTolerance))
            modWidth = srcWidth;
        DShowDebugPrint(L"lModifdSrcVidWidth=%3.4f\r\n", modWidth);
        hr = m_pBasicVideo->SetSourcePosition(0, 0, static_cast<long>(modWidth), srcHeight);
    } else if (DefinitelyLess(static_cast<float>(srcRatio), static_cast<float>(destRatio), kRatioTolerance)) {
        OutputDebugStringW(L"Source ratio is smaller than dest ratio\r\n");
        long modHeight = static_cast<long>(static_cast<double>(srcWidth) / destRatio);
        if (DefinitelyGreater(static_cast<float>(modHeight), static_cast<float>(srcHeight), kRatioTolerance))
            modHeight = srcHeight;
        DShowDebugPrint(L"lModifdSrcVidHeight=%3.4f\r\n", static_cast<double>(modHeight));
        hr = m_pBasicVideo->SetSourcePosition(0, 0, srcWidth, modHeight);
    } else if (EssentiallyEqual(static_cast<float>(srcRatio), static_cast<float>(destRatio), kRatioTolerance)) {
        OutputDebugStringW(L"source and destination ratio are same\r\n");
        DShowDebugPrint(L"lSrcVidWidth=%d lSrcVidHeight=%d\r\n", srcWidth, srcHeight);
        hr = m_pBasicVideo->SetSourcePosition(0, 0, srcWidth, srcHeight);
    } else {
        placed = false;  // between the tolerances: the source rectangle stays
    }
    if (placed) {
        if (SUCCEEDED(hr))
            OutputDebugStringW(L"SetSourcePosition success\r\n");
        else
            DShowDebugPrint(L"SetSourcePosition failed %x\r\n", hr);
    }

    if (m_pVideoWindow) {
        (void)m_pVideoWindow->SetWindowPosition(0, 0, clientWidth, clientHeight - statusHeight);
        DShowDebugPrint(L"ReSizePreview  = %d , %d ,  %d", clientWidth, clientHeight - statusHeight, statusHeight);
    }
}

void DShowManager::SizeWindowToVideo() {
    LONG statusHeight = StatusBarHeight(m_hWndStatus);
    RECT rc = {0, 0, m_VideoWidth, m_VideoHeight + statusHeight};
    AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, TRUE);
    SetWindowPos(m_hWndMain, HWND_NOTOPMOST, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOMOVE | SWP_SHOWWINDOW);
}
