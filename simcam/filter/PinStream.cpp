// PinStream.cpp - a pin's streaming thread. It starts when the filter
// pauses, delivers while the filter runs and is joined when the filter
// stops. The capture pin delivers one frame per frame interval, paced to
// absolute deadlines on the graph clock and stamped with them; the still pin
// delivers one frame per trigger, stamped with the stream time it was taken.
#include "filter/OutputPin.h"

#include "SensorModel.h"
#include "SimTrace.h"
#include "filter/MediaTypes.h"
#include "filter/SourceFilter.h"
#include "Picture.h"

namespace {

// Renders one frame into pData: the camera's picture, or for I420 (which the
// picture renderer does not make) a flat grey frame. Returns its bytes, 0 on
// failure.
DWORD RenderInto(const SimPictureInput &input, const SimCapability &cap, BYTE *pData, DWORD cbBuffer) {
    if (cap.subtype != SIM_FOURCC_I420)
        return SimRenderFrame(input, cap.subtype, cap.width, cap.height, pData, cbBuffer);
    DWORD cbFrame = SimFormatBufferSize(cap.subtype, cap.width, cap.height);
    if (cbFrame == 0 || cbFrame > cbBuffer) return 0;
    FillMemory(pData, cbFrame, 0x80);
    return cbFrame;
}

// What a sample's path answers while the graph stops: not failures.
bool IsStopping(HRESULT hr) { return hr == VFW_E_NOT_COMMITTED || hr == VFW_E_WRONG_STATE; }

// Performance-counter time in 100 ns units.
LONGLONG QpcNow() {
    LARGE_INTEGER liNow, liFreq;
    QueryPerformanceCounter(&liNow);
    QueryPerformanceFrequency(&liFreq);
    if (liFreq.QuadPart <= 0) return 0;
    LONGLONG llSeconds = liNow.QuadPart / liFreq.QuadPart;
    LONGLONG llRest = liNow.QuadPart % liFreq.QuadPart;
    return llSeconds * 10000000LL + llRest * 10000000LL / liFreq.QuadPart;
}

}  // namespace

HRESULT SimOutputPin::Activate() {
    if (!m_pPeer || m_hThread) return S_OK;
    if (!m_hWake) return E_OUTOFMEMORY;
    HRESULT hr = m_pAllocator->Commit();
    if (FAILED(hr)) {
        SimTraceFailure(L"IMemAllocator::Commit", hr);
        return hr;
    }
    CritSecLock lock(m_csStream);
    m_bExit = false;
    m_bRunning = false;
    m_lPendingStills = 0;
    m_bFlowStopped = false;
    m_hThread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    if (!m_hThread) {
        hr = HRESULT_FROM_WIN32(GetLastError());
        SimTraceLastError(L"CreateThread (pin streaming thread)");
        (void)m_pAllocator->Decommit();
        return FAILED(hr) ? hr : E_FAIL;
    }
    return S_OK;
}

void SimOutputPin::StartStreaming(REFERENCE_TIME tStart, IReferenceClock *pClock) {
    CritSecLock lock(m_csStream);
    if (!m_hThread) return;
    m_pClock.Assign(pClock);
    m_tStart = tStart;
    m_llQpcStart = QpcNow();
    m_bRunning = true;
    m_bFlowStopped = false;
    m_lFramesSinceRun = 0;
    SetEvent(m_hWake);
}

void SimOutputPin::PauseStreaming() {
    CritSecLock lock(m_csStream);
    if (!m_hThread) return;
    m_bRunning = false;
    SetEvent(m_hWake);
}

void SimOutputPin::Deactivate() {
    HANDLE hThread;
    {
        CritSecLock lock(m_csStream);
        hThread = m_hThread;
        if (!hThread) return;
        m_bExit = true;
        m_bRunning = false;
    }
    SetEvent(m_hWake);
    // Decommitting releases a thread waiting in GetBuffer.
    if (m_pAllocator) (void)m_pAllocator->Decommit();
    WaitForSingleObject(hThread, INFINITE);
    CloseHandle(hThread);
    CritSecLock lock(m_csStream);
    m_hThread = nullptr;
    m_pClock.Clear();
    m_lPendingStills = 0;
}

HRESULT SimOutputPin::TriggerStill() {
    if (m_Kind != SIM_PIN_STILL) return E_INVALIDARG;
    bool bLost = false;
    bool bWhileStopped = false;
    {
        SimStateGuard state;
        SimCamera *pCam = state.Get() ? state.Camera(m_pFilter->CameraIndex()) : nullptr;
        bWhileStopped = pCam && pCam->triggerWhileStopped != 0;
    }
    bool bStreaming = m_pPeer && m_pFilter->State() == State_Running;
    if (bStreaming) {
        CritSecLock lock(m_csStream);
        bStreaming = m_hThread && !m_bExit;
    }
    if (!bStreaming && !bWhileStopped) {
        if (!m_pPeer) return VFW_E_NOT_CONNECTED;
        return VFW_E_NOT_RUNNING;
    }
    {
        SimStateGuard state;
        SimCamera *pCam = state.Get() ? state.Camera(m_pFilter->CameraIndex()) : nullptr;
        if (pCam) {
            ++pCam->stillTriggers;
            bLost = pCam->stillsLost != 0;  // accepted, and never delivered
        }
    }
    // A pin that takes the trigger while not streaming has no picture to give.
    if (bLost || !bStreaming) return S_OK;
    CritSecLock lock(m_csStream);
    ++m_lPendingStills;
    SetEvent(m_hWake);
    return S_OK;
}

REFERENCE_TIME SimOutputPin::MeasuredFrameInterval() {
    CritSecLock lock(m_csStream);
    if (m_lFramesSinceRun < 2) return 0;
    return (m_rtLastFrame - m_rtFirstFrame) / (m_lFramesSinceRun - 1);
}

DWORD WINAPI SimOutputPin::ThreadProc(LPVOID pParam) {
    static_cast<SimOutputPin *>(pParam)->StreamLoop();
    return 0;
}

// Stream time now: graph clock minus the run's start time, or the time since
// Run when the graph runs without a clock.
REFERENCE_TIME SimOutputPin::StreamTime() {
    CritSecLock lock(m_csStream);
    if (m_pClock) {
        REFERENCE_TIME rtNow = 0;
        if (SUCCEEDED(m_pClock->GetTime(&rtNow))) return rtNow - m_tStart;
    }
    return QpcNow() - m_llQpcStart;
}

// Sleeps until the stream time reaches rtDeadline or the pin is woken (state
// change, trigger). Returns true when the deadline was reached.
bool SimOutputPin::WaitForStreamTime(REFERENCE_TIME rtDeadline) {
    REFERENCE_TIME rtLeft = rtDeadline - StreamTime();
    if (rtLeft <= 0) return true;
    DWORD dwMs = static_cast<DWORD>((rtLeft + 9999) / 10000);
    return WaitForSingleObject(m_hWake, dwMs) == WAIT_TIMEOUT;
}

// What the next frame shows, copied out of the camera state. False when the
// camera is unplugged. The strobe fires for stills only.
bool SimOutputPin::ReadPictureInput(SimPictureInput *pInput, bool bStill) {
    ZeroMemory(pInput, sizeof(*pInput));
    SimStateGuard state;
    SimCamera *pCam = state.Get() ? state.Camera(m_pFilter->CameraIndex()) : nullptr;
    if (!pCam || !pCam->present) return false;
    pInput->lensPosition = SimCurrentLens(pCam);
    pInput->bestPosition = pCam->bestPosition;
    pInput->strobe = bStill && SimStrobeOn(pCam) ? TRUE : FALSE;
    for (int i = 0; i < SIM_PA_COUNT; ++i) pInput->procAmp[i] = pCam->procAmp[i];
    pInput->exposure = pCam->exposure;
    return true;
}

// The still pin renders one frame of its format into a buffer it then
// drops, while the graph is still pausing: the picture's caches for that size
// are warm when the first trigger comes, so the still leaves at once.
void SimOutputPin::PrimeStill() {
    ComPtr<IMediaSample> pSample;
    HRESULT hr = m_pAllocator->GetBuffer(&pSample, nullptr, nullptr, 0);
    if (FAILED(hr)) {
        if (!IsStopping(hr)) SimTraceFailure(L"IMemAllocator::GetBuffer (still pin)", hr);
        return;
    }
    BYTE *pData = nullptr;
    LONG cbBuffer = pSample->GetSize();
    if (SUCCEEDED(pSample->GetPointer(&pData)) && pData && cbBuffer > 0) {
        SimPictureInput input;
        (void)ReadPictureInput(&input, false);
        input.still = TRUE;
        (void)RenderInto(input, m_ConnectedCap, pData, static_cast<DWORD>(cbBuffer));
    }
}

void SimOutputPin::StreamLoop() {
    if (m_Kind == SIM_PIN_STILL) PrimeStill();
    REFERENCE_TIME rtNext = -1;  // deadline of the next capture frame; -1 before the first
    for (;;) {
        bool bDeliver;
        LONG lPending;
        {
            CritSecLock lock(m_csStream);
            if (m_bExit) break;
            bDeliver = m_bRunning && !m_bFlowStopped;
            lPending = m_lPendingStills;
        }
        if (!bDeliver || (m_Kind == SIM_PIN_STILL && lPending == 0)) {
            if (!bDeliver) rtNext = -1;
            WaitForSingleObject(m_hWake, INFINITE);
            continue;
        }

        HRESULT hr;
        if (m_Kind == SIM_PIN_STILL) {
            REFERENCE_TIME rtNow = StreamTime();
            hr = DeliverFrame(rtNow, rtNow + m_rtInterval, true);
            CritSecLock lock(m_csStream);
            if (m_lPendingStills > 0) --m_lPendingStills;
        } else {
            REFERENCE_TIME rtNow = StreamTime();
            if (rtNext < 0) rtNext = rtNow > 0 ? rtNow : 0;
            if (rtNow < rtNext) {
                (void)WaitForStreamTime(rtNext);
                continue;  // look at the state again before delivering
            }
            hr = DeliverFrame(rtNext, rtNext + m_rtInterval, false);
            // Deadlines stay on the grid; frames the camera could not make in
            // time are dropped rather than delivered late in a burst.
            rtNext += m_rtInterval;
            if (rtNow - rtNext >= m_rtInterval) rtNext += (rtNow - rtNext) / m_rtInterval * m_rtInterval;
        }
        // Downstream refused (or stopped): stay quiet until the next Run. A
        // still pin only gives up on a failure: each still is asked for anew.
        if (m_Kind == SIM_PIN_STILL ? FAILED(hr) : hr != S_OK) {
            CritSecLock lock(m_csStream);
            m_bFlowStopped = true;
        }
    }
}

HRESULT SimOutputPin::DeliverFrame(REFERENCE_TIME rtStart, REFERENCE_TIME rtStop, bool bStill) {
    ComPtr<IMediaSample> pSample;
    HRESULT hr = m_pAllocator->GetBuffer(&pSample, nullptr, nullptr, 0);
    if (FAILED(hr)) {
        if (!IsStopping(hr)) SimTraceFailure(L"IMemAllocator::GetBuffer", hr);
        return hr;
    }
    BYTE *pData = nullptr;
    hr = pSample->GetPointer(&pData);
    LONG cbBuffer = pSample->GetSize();
    if (FAILED(hr) || !pData || cbBuffer <= 0) {
        if (FAILED(hr)) SimTraceFailure(L"IMediaSample::GetPointer", hr);
        return FAILED(hr) ? hr : E_UNEXPECTED;
    }

    SimPictureInput input;
    if (!ReadPictureInput(&input, bStill)) return S_OK;  // an unplugged camera sends nothing
    input.frameNumber = m_dwFrameNumber++;
    input.timestamp = rtStart;
    input.still = bStill ? TRUE : FALSE;

    DWORD cbFrame = RenderInto(input, m_ConnectedCap, pData, static_cast<DWORD>(cbBuffer));
    if (cbFrame == 0) {
        SimTraceFailure(L"SimRenderFrame", E_FAIL);
        return E_FAIL;
    }
    (void)pSample->SetActualDataLength(static_cast<LONG>(cbFrame));
    (void)pSample->SetTime(&rtStart, &rtStop);
    (void)pSample->SetSyncPoint(TRUE);
    (void)pSample->SetPreroll(FALSE);
    bool bFirst;
    {
        CritSecLock lock(m_csStream);
        bFirst = m_lFramesSinceRun == 0;
    }
    (void)pSample->SetDiscontinuity(bFirst ? TRUE : FALSE);

    hr = m_pInputPin->Receive(pSample.Get());
    pSample.Clear();  // the buffer goes back to the allocator
    if (FAILED(hr)) {
        if (!IsStopping(hr)) SimTraceFailure(L"IMemInputPin::Receive", hr);
        return hr;
    }

    CountDelivered(rtStart, bStill, input.strobe != FALSE);
    return hr;
}

void SimOutputPin::CountDelivered(REFERENCE_TIME rtStart, bool bStill, bool bStrobe) {
    {
        CritSecLock lock(m_csStream);
        if (m_lFramesSinceRun == 0) m_rtFirstFrame = rtStart;
        m_rtLastFrame = rtStart;
        ++m_lFramesSinceRun;
    }
    SimStateGuard state;
    SimCamera *pCam = state.Get() ? state.Camera(m_pFilter->CameraIndex()) : nullptr;
    if (!pCam) return;
    if (bStill) {
        ++pCam->stillsDelivered;
        if (bStrobe) ++pCam->stillsWithStrobe;
        SimLatchGpi(pCam);
    } else {
        ++pCam->framesDelivered;
    }
}
