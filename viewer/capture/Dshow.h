// Dshow.h - DShowManager, the viewer's capture manager and its DirectShow
// graph: a preview branch (capture filter -> Video Renderer in a child
// window of the main window), a capture branch (capture pin -> Null
// Renderer) and a still branch (still pin -> Sample Grabber -> Null
// Renderer, feeding g_SampleGrabberCB).
//
// Everything here runs on the window thread, in its single-threaded COM
// apartment, except TriggeredOnStillCapture, which the still callback calls
// on the still branch's streaming thread.
#ifndef KOR_VIEWER_CAPTURE_DSHOW_H
#define KOR_VIEWER_CAPTURE_DSHOW_H

#include <windows.h>
#include <dshow.h>
#include <qedit.h>

#include <memory>
#include <vector>

#include "ComPtr.h"
#include "MediaType.h"
#include "SampleCaptureGraphBuilder.h"
#include "SampleGrabberCallback.h"

// One capability of the still pin: subtype text "MJPG" or "YUY2" (empty for
// any other subtype or an unreadable capability), width and height.
struct StillFormat {
    WCHAR Compression[5];
    int Width;
    int Height;
};

// Stable insertion sort by Width, largest first.
void SortFormatsByWidth(StillFormat *pFormats, int count);
// Copies Width, Height and up to four characters of Compression.
void CopyFormat(StillFormat *pTarget, const StillFormat *pSource);

// One capability of a pin, as a listing shows it: the subtype's four
// characters ("MJPG", "YUY2", "I420" ...; empty for a subtype that is no
// FOURCC), the size, and the shortest frame interval (100 ns units) the pin
// offers in it.
struct PinFormat {
    WCHAR Subtype[5];
    int Width;
    int Height;
    REFERENCE_TIME MinFrameInterval;
};

// A camera property that can be automatic: Mode 1 automatic, 2 manual.
struct PropertyReading {
    int Mode;
    int Value;
};

// Tolerance tests of the preview fitting (relative tolerance t).
bool EssentiallyEqual(float a, float b, float t);
bool DefinitelyGreater(float a, float b, float t);
bool DefinitelyLess(float a, float b, float t);

// The status timer on the main window.
const UINT_PTR kStatusTimerId = 1027;
const UINT kStatusTimerPeriodMs = 500;
// A still that has not come back this long after its trigger is given up.
const DWORD kStillTimeoutMs = 10000;

// The still state (m_StillState).
const LONG kStillIdle = 0;
const LONG kStillCapturing = 1;
const LONG kStillCaptured = 2;

// A graph's entry in the Running Object Table, "FilterGraph %08x pid %08x".
// Registering again first revokes the entry it holds; the entry is revoked
// when the registration goes.
class RotRegistration {
public:
    RotRegistration() : m_dwCookie(0) {}
    ~RotRegistration() { Revoke(); }
    RotRegistration(const RotRegistration &) = delete;
    RotRegistration &operator=(const RotRegistration &) = delete;
    HRESULT Register(IUnknown *pGraph);
    void Revoke();
    bool IsRegistered() const { return m_dwCookie != 0; }
    DWORD Cookie() const { return m_dwCookie; }

private:
    DWORD m_dwCookie;
};

class DShowManagerTestAccess;

class DShowManager {
public:
    ~DShowManager();
    DShowManager(const DShowManager &) = delete;
    DShowManager &operator=(const DShowManager &) = delete;

    // A new manager in the empty state, or null.
    static DShowManager *GetInstance();

    void SetMainWindow(HWND hWnd) { m_hWndMain = hWnd; }
    void SetStatusBar(HWND hWnd) { m_hWndStatus = hWnd; }

    // Graph construction.
    int InitCapFilters();
    int BuildPreviewGraph();
    void ReleaseCapFilters();
    int CreateGraphBuilder();
    int CreateFilterGraph();
    HRESULT AttachVideoWindow(int visible);
    void SetWindowPosition();
    HRESULT SetupStillPin();

    BOOL IsInitialized() const { return m_Initialized; }
    // The graph's branches are connected (StopPreview and DismantleGraph
    // take it apart, BuildPreviewGraph connects it).
    bool IsGraphBuilt() const { return m_GraphBuilt != FALSE; }
    // Changes whenever InitDShow or DeInitDShow replaces or drops the graph,
    // so a caller that took the graph apart can tell whether it is still
    // the same graph.
    ULONG GraphEpoch() const { return m_GraphEpoch; }
    bool HasStillPin() const { return m_HasStillPin != 0; }
    void GetStillResolution(int *pWidth, int *pHeight) const;
    void SetStillResolution(int width, int height);
    int SetStillFormat(int width, int height, LPCWSTR pszSubType);
    void GetVideoResolution(int *pWidth, int *pHeight) const;
    void SetVideoResolution(int width, int height);

    // Preview lifecycle and status bar.
    int InitDShow(IMoniker *pMoniker);
    void DeInitDShow();
    int StartPreview();
    int StopPreview();
    void DismantleGraph();
    int StartFrameRateTimer();
    void RemoveDownstream(IBaseFilter *pFilter);
    void UpdateStatusBar();

    // Preview fitting.
    void ReSizePreview();
    void SizeWindowToVideo();

    // Stream formats.
    int EnumStillFormats(StillFormat *pFormats);
    void GetCurrentStillFormat(LPWSTR pszSubType);
    void GetCurrentVideoFormat(LPWSTR pszSubType);
    void ShowVideoPinPropPage();

    // Camera image properties and property pages.
    void GetBrightness(int *pValue);
    void GetContrast(int *pValue);
    void GetSaturation(int *pValue);
    void GetSharpness(int *pValue);
    void GetGamma(int *pValue);
    void GetWhiteBalance(PropertyReading *pReading);
    void GetExposure(PropertyReading *pReading);
    void ShowRendererPropPage();
    void ShowCapFilterPropPage();

    // Still trigger.
    HRESULT StillTrigger();
    // A still can be fired now: a still pin with its trigger, in a graph
    // that is built and running.
    bool IsStillReady() const;
    // Gives up a still that was fired and has not come back: the strobe this
    // still switched on goes off and the state goes back to idle. False when
    // no still was awaited. Every stop of the graph gives its still up.
    bool AbandonStill();
    // The status timer's check: a still awaited longer than kStillTimeoutMs
    // with no sample on its way is given up and the main window is told
    // (kStillNotSavedMessage). True when it gave the still up.
    bool GiveUpLateStill(DWORD dwNow, DWORD dwTimeoutMs = kStillTimeoutMs);
    void SetStillPath(LPCWSTR pszPath);
    LONG GetStillState() const { return m_StillState; }
    void SetStillState(LONG state) { InterlockedExchange(&m_StillState, state); }
    // Moves the still state from one value to another, atomically; false
    // when it held another value.
    bool MoveStillState(LONG from, LONG to) { return InterlockedCompareExchange(&m_StillState, to, from) == from; }
    ULONG GetStillTimeMs() const { return m_StillTimeMs; }
    void SetStillTimeMs(ULONG ms) {
        InterlockedExchange(reinterpret_cast<volatile LONG *>(&m_StillTimeMs), static_cast<LONG>(ms));
    }

    LPCWSTR GetFriendlyName() const { return m_FriendlyName; }

    // Without a window (DshowWindowless.cpp): the same capture filters,
    // formats and still branch, the capture pin into its Null Renderer, no
    // preview branch, no video window, no status timer. The main window
    // (a message-only window will do) only hears of stills not saved.
    // OpenWindowless: the capture filters with the start-up formats, no
    // branch connected; 1 or 0 (its box says why).
    int OpenWindowless(IMoniker *pMoniker);
    // The branches connected and running: S_OK; E_FAIL when a step of the
    // build failed (its box says which), else the failure of running.
    HRESULT RunWindowless();
    // The FORMAT_VideoInfo capabilities of the capture pin, or of the still
    // pin, in the pin's order. False without that pin's configuration.
    bool EnumPinFormats(bool bStillPin, std::vector<PinFormat> *pFormats);

private:
    friend class DShowManagerTestAccess;
    DShowManager();

    bool CreateCaptureFilters();
    bool AddCaptureFilter();
    void FindStreamConfigs();
    // The capture pin's stream configuration (interleaved, else video), or null.
    ComPtr<IAMStreamConfig> FindCaptureStreamConfig();
    bool AddBranchFilters();
    bool RenderBranches();
    bool ConnectStillCallback();
    void ForceCaptureFrameSize();
    void ShowVideoWindow(bool bShow);
    void SetStillDefault();
    void ReleaseGraphObjects();
    // Releases what a build queried and made below the video window: the
    // basic video, the capture filters and the still and renderer branches.
    void ReleaseBuiltInterfaces();
    HRESULT RunCaptureFilter();
    HRESULT ReadProperty(bool cameraControl, long property, long *pValue, long *pFlags);
    void ReadValue(long property, int *pValue);
    void ReadReading(bool cameraControl, long property, PropertyReading *pReading);

    volatile LONG m_StillState;
    volatile ULONG m_StillTimeMs;
    // The awaited still: when it was fired, whether it switched the strobe
    // on, and the callback's sample count at its trigger.
    DWORD m_StillTriggerTick;
    volatile LONG m_StillStrobeOn;
    LONG m_StillSamplesAtTrigger;
    HWND m_hWndMain;
    HWND m_hWndStatus;
    BOOL m_Initialized;
    IMoniker *m_pMoniker;  // borrowed from device discovery, no reference
    ComPtr<IBasicVideo> m_pBasicVideo;
    ComPtr<IVideoWindow> m_pVideoWindow;
    std::unique_ptr<ISampleCaptureGraphBuilder> m_pBuilder;
    ComPtr<IAMStreamConfig> m_pStreamConfig;
    ComPtr<IAMStreamConfig> m_pStillStreamConfig;
    ComPtr<IBaseFilter> m_pVideoRender;
    ComPtr<IBaseFilter> m_pCapFilter;
    ComPtr<IGraphBuilder> m_pGraph;
    MediaTypeHolder m_StillMediaType;
    ComPtr<IPin> m_pStillPin;
    ComPtr<IAMVideoControl> m_pAMVidControl;
    ComPtr<IBaseFilter> m_pGrabberFilter;
    ComPtr<IBaseFilter> m_pNullRenderer;
    ComPtr<IBaseFilter> m_pNullRenderer2;
    ISampleGrabber *m_pSampleGrabber;  // no reference: valid while m_pGrabberFilter is held
    BOOL m_HasStillPin;
    WCHAR m_FriendlyName[120];
    WCHAR m_MsgBuffer[250];
    LONG m_NativeWidth;
    LONG m_NativeHeight;
    BOOL m_GraphBuilt;
    BOOL m_Previewing;
    int m_StillWidth;
    int m_StillHeight;
    int m_VideoWidth;
    int m_VideoHeight;
    // The Running Object Table registration that InitCapFilters made.
    RotRegistration m_CapFiltersRot;
    ULONG m_GraphEpoch;
    BOOL m_Windowless = FALSE;
};

// Running Object Table: "FilterGraph %08x pid %08x".
HRESULT RegisterGraphInRot(IUnknown *pGraph, DWORD *pCookie);
void RevokeGraphFromRot(DWORD cookie);

// Completion function of a still: stores the elapsed milliseconds in the
// timer target and marks its still as captured (streaming thread).
void TriggeredOnStillCapture(int *pElapsedMs);

// The window thread's answer to kStillNotSavedMessage: the still state goes
// back to idle and the person is told ("Sorry image cannot be captured").
void OnStillNotSaved();

// The status timer's procedure (timer 1027 on the main window).
void CALLBACK StatusTimerProc(HWND hWnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime);

// The one capture manager of the viewer.
extern DShowManager *g_pDShowManager;
// The registration of the built graph in the Running Object Table.
extern RotRegistration g_RotRegistration;
// The manager whose status bar the status timer refreshes.
extern DShowManager *volatile g_pTimerTarget;
// Status updates that have shown the last still's time.
extern LONG g_StillShownTicks;

// Puts the capture subsystem's process-wide values back to their start-up
// state (the still callback's configuration and folder, g_StillShownTicks,
// g_RotRegistration, g_pTimerTarget, g_FlashEnabled = 1). For tests that run
// several managers in one process.
void ResetCaptureProcessState();

#endif  // KOR_VIEWER_CAPTURE_DSHOW_H
