// SourceFilter.h - the camera's video-input capture filter.
//
// One object per filter: it carries IBaseFilter, IPersistPropertyBag (the
// device moniker hands it the camera's "DevicePath"), IAMFilterMiscFlags and
// ISpecifyPropertyPages itself, and embeds its pins and its image controls
// (IAMVideoProcAmp, IAMCameraControl, and IAMVideoControl when the camera
// has it), which all share its one reference count. The filter graph is held
// without a reference; the reference clock with one.
#ifndef KOR_SIMCAM_FILTER_SOURCEFILTER_H
#define KOR_SIMCAM_FILTER_SOURCEFILTER_H

#include <windows.h>
#include <dshow.h>
#include <ocidl.h>

#include "ComPtr.h"
#include "CritSecLock.h"
#include "filter/CameraControls.h"
#include "filter/OutputPin.h"

// Creates a capture filter bound to the scenario's first camera (a device
// moniker rebinds it through IPersistPropertyBag::Load), queried for riid.
HRESULT SimCreateSourceFilter(REFIID riid, void **ppv);

class SimSourceFilter final : public IBaseFilter,
                              public IPersistPropertyBag,
                              public IAMFilterMiscFlags,
                              public ISpecifyPropertyPages {
public:
    SimSourceFilter();
    SimSourceFilter(const SimSourceFilter &) = delete;
    SimSourceFilter &operator=(const SimSourceFilter &) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPersist (shared by IBaseFilter and IPersistPropertyBag)
    STDMETHODIMP GetClassID(CLSID *pClassID) override;

    // IMediaFilter
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;
    STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE *pState) override;
    STDMETHODIMP SetSyncSource(IReferenceClock *pClock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock **ppClock) override;

    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins **ppEnum) override;
    STDMETHODIMP FindPin(LPCWSTR pszId, IPin **ppPin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO *pInfo) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph *pGraph, LPCWSTR pszName) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR *ppszVendorInfo) override;

    // IPersistPropertyBag
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag *pBag, IErrorLog *pErrorLog) override;
    STDMETHODIMP Save(IPropertyBag *pBag, BOOL fClearDirty, BOOL fSaveAllProperties) override;

    // IAMFilterMiscFlags
    STDMETHODIMP_(ULONG) GetMiscFlags() override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID *pPages) override;

    // For the pins and the control parts.
    int PinCount();
    SimOutputPin *PinAt(int iIndex);             // null past the end; no reference
    SimOutputPin *PinFromInterface(IPin *pPin);  // one of ours, or null
    CritSec &Lock() { return m_csFilter; }
    FILTER_STATE State() const { return m_State; }
    IFilterGraph *Graph() const { return m_pGraph; }
    int CameraIndex() const { return m_iCamera; }

private:
    ~SimSourceFilter();
    HRESULT BindCamera(int iCamera);
    HRESULT PauseLocked();  // Pause's work, with both locks held
    void PublishState();    // the state, for the control API (filter lock held)

    LONG m_lRef;
    // Two locks, as platform filters have: the streaming lock serialises the
    // state changes (Pause, Run, Stop), which start and join the pins'
    // threads; the filter lock guards state, clock, graph, the pins'
    // connections and formats, and is never held while a thread is joined,
    // so a streaming thread inside a downstream callback can still ask the
    // filter and its pins (GetFormat, GetMode) while the graph stops.
    // Order: streaming lock, then filter lock.
    CritSec m_csStreaming;
    CritSec m_csFilter;
    FILTER_STATE m_State;
    REFERENCE_TIME m_tStart;
    ComPtr<IReferenceClock> m_pClock;
    IFilterGraph *m_pGraph;  // no reference: the graph owns the filter
    WCHAR m_szName[MAX_FILTER_NAME];
    int m_iCamera;   // index of the camera in the shared state
    int m_iCounted;  // the camera whose filtersAlive counts this filter, or -1
    bool m_bHasStillPin;
    bool m_bHasVideoControl;
    bool m_bHasProcAmp;
    bool m_bHasCameraControl;
    SimOutputPin m_CapturePin;
    SimOutputPin m_StillPin;
    SimProcAmpPart m_ProcAmp;
    SimCameraControlPart m_CameraControl;
    SimVideoControlPart m_VideoControl;
};

#endif  // KOR_SIMCAM_FILTER_SOURCEFILTER_H
