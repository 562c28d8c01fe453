// OutputPin.h - one output pin of the camera's capture filter: the capture
// pin (PIN_CATEGORY_CAPTURE) or the still pin (PIN_CATEGORY_STILL).
//
// The pin lives inside its filter and forwards AddRef and Release to it. Its
// formats come from the camera's capability list for that pin: one indexed
// media-type callback (GetMediaType) feeds enumeration, connection and
// GetStreamCaps. While the filter is paused or running the pin owns a
// streaming thread: the capture pin pushes frames paced to the graph clock,
// the still pin pushes one frame per trigger.
#ifndef KOR_SIMCAM_FILTER_OUTPUTPIN_H
#define KOR_SIMCAM_FILTER_OUTPUTPIN_H

#include <windows.h>
#include <dshow.h>
#include <ocidl.h>

#include "SimSharedState.h"
#include "ComPtr.h"
#include "CritSecLock.h"
#include "MediaType.h"
#include "Picture.h"

class SimSourceFilter;

enum SimPinKind { SIM_PIN_CAPTURE = 0, SIM_PIN_STILL = 1 };

// What the camera offers on one pin, copied out of the camera state.
struct SimPinFormats {
    LONG lCapsSize;        // size GetNumberOfCapabilities reports
    DWORD dwCapsFailMask;  // bit i: GetStreamCaps(i) fails
    LONG lCount;
    SimCapability caps[SIM_MAX_CAPS];
    SimCapability current;  // what the pin delivers on its next connection
};

class SimOutputPin : public IPin, public IAMStreamConfig, public IKsPropertySet, public ISpecifyPropertyPages {
public:
    SimOutputPin(SimSourceFilter *pFilter, SimPinKind kind);
    ~SimOutputPin();
    SimOutputPin(const SimOutputPin &) = delete;
    SimOutputPin &operator=(const SimOutputPin &) = delete;

    // IUnknown: one reference count, the filter's.
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPin
    STDMETHODIMP Connect(IPin *pReceivePin, const AM_MEDIA_TYPE *pmt) override;
    STDMETHODIMP ReceiveConnection(IPin *pConnector, const AM_MEDIA_TYPE *pmt) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin **ppPin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE *pmt) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO *pInfo) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION *pPinDir) override;
    STDMETHODIMP QueryId(LPWSTR *ppszId) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE *pmt) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes **ppEnum) override;
    STDMETHODIMP QueryInternalConnections(IPin **apPin, ULONG *pnPin) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

    // IAMStreamConfig
    STDMETHODIMP SetFormat(AM_MEDIA_TYPE *pmt) override;
    STDMETHODIMP GetFormat(AM_MEDIA_TYPE **ppmt) override;
    STDMETHODIMP GetNumberOfCapabilities(int *piCount, int *piSize) override;
    STDMETHODIMP GetStreamCaps(int iIndex, AM_MEDIA_TYPE **ppmt, BYTE *pSCC) override;

    // IKsPropertySet: the pin category, read-only.
    STDMETHODIMP Set(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData, DWORD cbInstanceData, LPVOID pPropData,
                     DWORD cbPropData) override;
    STDMETHODIMP Get(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData, DWORD cbInstanceData, LPVOID pPropData,
                     DWORD cbPropData, DWORD *pcbReturned) override;
    STDMETHODIMP QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD *pTypeSupport) override;

    // ISpecifyPropertyPages (answered by the capture pin only)
    STDMETHODIMP GetPages(CAUUID *pPages) override;

    // The media-type callback: index 0 is the pin's current format, 1..n the
    // capabilities in order. VFW_S_NO_MORE_ITEMS past the end.
    HRESULT GetMediaType(int iIndex, AM_MEDIA_TYPE *pmt);
    int MediaTypeCount();

    SimPinKind Kind() const { return m_Kind; }
    bool IsConnected() const { return static_cast<bool>(m_pPeer); }

    // Filter state changes, called by the filter under its streaming lock.
    // Activate, StartStreaming and PauseStreaming run under the filter lock
    // too; Deactivate runs without it (the thread it joins may be inside a
    // downstream callback that asks this filter something).
    HRESULT Activate();  // stopped -> paused: allocator committed, thread started
    void StartStreaming(REFERENCE_TIME tStart, IReferenceClock *pClock);  // -> running
    void PauseStreaming();                                                // running -> paused
    void Deactivate();  // -> stopped: thread joined, allocator decommitted

    // Still pin: queue one still for the streaming thread (filter running).
    HRESULT TriggerStill();
    // Capture pin: average interval of the frames delivered since Run, or 0.
    REFERENCE_TIME MeasuredFrameInterval();

private:
    // Connection (OutputPin.cpp).
    HRESULT ReadFormats(SimPinFormats *pFormats);
    HRESULT TryConnection(IPin *pReceivePin, const AM_MEDIA_TYPE *pmt, const SimPinFormats &formats);
    HRESULT DecideAllocator(IMemInputPin *pInput, LONG cbFrame, ComPtr<IMemAllocator> &pAllocator);
    void ClearConnection();
    HRESULT ReconnectWith(const AM_MEDIA_TYPE *pmt);
    LONG BufferCount() const;

    // Streaming (PinStream.cpp).
    static DWORD WINAPI ThreadProc(LPVOID pParam);
    void StreamLoop();
    void PrimeStill();
    bool ReadPictureInput(SimPictureInput *pInput, bool bStill);
    REFERENCE_TIME StreamTime();
    bool WaitForStreamTime(REFERENCE_TIME rtDeadline);
    HRESULT DeliverFrame(REFERENCE_TIME rtStart, REFERENCE_TIME rtStop, bool bStill);
    // Counts a frame downstream took: the pin's run figures, the camera's
    // delivered frames or stills (a still also sets the input latch).
    void CountDelivered(REFERENCE_TIME rtStart, bool bStill, bool bStrobe);

    SimSourceFilter *m_pFilter;  // owner; not AddRef'd (the pin is part of it)
    SimPinKind m_Kind;

    // Connection, guarded by the filter's lock; stable while not stopped.
    ComPtr<IPin> m_pPeer;  // the connected input pin, one reference
    ComPtr<IMemInputPin> m_pInputPin;
    ComPtr<IMemAllocator> m_pAllocator;
    MediaTypeHolder m_mtConnected;
    SimCapability m_ConnectedCap;  // the capability the connection delivers
    REFERENCE_TIME m_rtInterval;   // frame interval for the current format

    // Streaming thread and what it is told, guarded by m_csStream.
    CritSec m_csStream;
    HANDLE m_hThread;  // written under m_csStream by the filter's state changes
    HANDLE m_hWake;    // auto-reset: state change or trigger
    bool m_bExit;
    bool m_bRunning;
    REFERENCE_TIME m_tStart;           // stream time 0 on the graph clock
    ComPtr<IReferenceClock> m_pClock;  // while streaming
    LONGLONG m_llQpcStart;             // stream time 0 when the graph has no clock
    LONG m_lPendingStills;
    bool m_bFlowStopped;  // downstream refused a sample; wait for the next Run
    DWORD m_dwFrameNumber;
    LONG m_lFramesSinceRun;
    REFERENCE_TIME m_rtFirstFrame;
    REFERENCE_TIME m_rtLastFrame;
};

#endif  // KOR_SIMCAM_FILTER_OUTPUTPIN_H
