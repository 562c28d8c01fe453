// Dshow.cpp - DShowManager (first cut: every operation present, bodies to come).
#include "Dshow.h"

DShowManager *g_pDShowManager = nullptr;
DWORD g_RotCookie = 0;
DShowManager *volatile g_pTimerTarget = nullptr;
LONG g_StillShownTicks = 0;

DShowManager::DShowManager()
    : m_StillState(0),
      m_StillTimeMs(0),
      m_hWndMain(nullptr),
      m_hWndStatus(nullptr),
      m_Initialized(FALSE),
      m_pMoniker(nullptr),
      m_pSampleGrabber(nullptr),
      m_HasStillPin(FALSE),
      m_NativeWidth(0),
      m_NativeHeight(0),
      m_GraphBuilt(FALSE),
      m_Previewing(FALSE),
      m_StillWidth(0),
      m_StillHeight(0),
      m_VideoWidth(0),
      m_VideoHeight(0),
      m_CapFiltersRotCookie(0) {
    m_FriendlyName[0] = L'\0';
    m_MsgBuffer[0] = L'\0';
}

DShowManager::~DShowManager() {
    if (g_pTimerTarget == this) g_pTimerTarget = nullptr;
}

DShowManager *DShowManager::GetInstance() { return new (std::nothrow) DShowManager(); }

int DShowManager::InitCapFilters() { return 0; }
int DShowManager::BuildPreviewGraph() { return 0; }
void DShowManager::ReleaseCapFilters() {}
int DShowManager::CreateGraphBuilder() { return 0; }
int DShowManager::CreateFilterGraph() { return 0; }
HRESULT DShowManager::AttachVideoWindow(int) { return E_NOTIMPL; }
void DShowManager::SetWindowPosition() {}
HRESULT DShowManager::SetupStillPin() { return E_NOTIMPL; }
void DShowManager::GetStillResolution(int *pWidth, int *pHeight) const {
    *pWidth = m_StillWidth;
    *pHeight = m_StillHeight;
}
void DShowManager::SetStillResolution(int width, int height) {
    m_StillWidth = width;
    m_StillHeight = height;
}
int DShowManager::SetStillFormat(int, int, LPCWSTR) { return 1; }
void DShowManager::GetVideoResolution(int *pWidth, int *pHeight) const {
    *pWidth = m_VideoWidth;
    *pHeight = m_VideoHeight;
}
void DShowManager::SetVideoResolution(int width, int height) {
    m_VideoWidth = width;
    m_VideoHeight = height;
}
int DShowManager::InitDShow(IMoniker *pMoniker) {
    m_pMoniker = pMoniker;
    return 1;
}
void DShowManager::DeInitDShow() {}
int DShowManager::StartPreview() { return 0; }
int DShowManager::StopPreview() { return 0; }
void DShowManager::DismantleGraph() {}
int DShowManager::StartFrameRateTimer() { return 0; }
void DShowManager::RemoveDownstream(IBaseFilter *) {}
void DShowManager::UpdateStatusBar() {}
void DShowManager::ReSizePreview() {}
void DShowManager::SizeWindowToVideo() {}
int DShowManager::EnumStillFormats(StillFormat *) { return -1; }
void DShowManager::GetCurrentStillFormat(LPWSTR) {}
void DShowManager::GetCurrentVideoFormat(LPWSTR) {}
void DShowManager::ShowVideoPinPropPage() {}
void DShowManager::GetBrightness(int *) {}
void DShowManager::GetContrast(int *) {}
void DShowManager::GetSaturation(int *) {}
void DShowManager::GetSharpness(int *) {}
void DShowManager::GetGamma(int *) {}
void DShowManager::GetWhiteBalance(PropertyReading *) {}
void DShowManager::GetExposure(PropertyReading *) {}
void DShowManager::ShowRendererPropPage() {}
void DShowManager::ShowCapFilterPropPage() {}
HRESULT DShowManager::StillTrigger() { return 0; }
void DShowManager::SetStillPath(LPCWSTR pszPath) { g_SampleGrabberCB.SetStillPath(pszPath); }
void DShowManager::ForceCaptureFrameSize() {}
void DShowManager::SetStillDefault() {}
void DShowManager::ReleaseGraphObjects() {}
void DShowManager::ReadProcAmp(long, int *, long *, bool *) {}
void DShowManager::ReadReading(bool, long, PropertyReading *) {}

void SortFormatsByWidth(StillFormat *, int) {}
void CopyFormat(StillFormat *, const StillFormat *) {}
bool EssentiallyEqual(float a, float b, float) { return a == b; }
bool DefinitelyGreater(float a, float b, float) { return a > b; }
bool DefinitelyLess(float a, float b, float) { return a < b; }
HRESULT RegisterGraphInRot(IUnknown *, DWORD *) { return E_NOTIMPL; }
void RevokeGraphFromRot(DWORD) {}
void TriggeredOnStillCapture(int *) {}
void CALLBACK StatusTimerProc(HWND, UINT, UINT_PTR, DWORD) {}
void ResetCaptureProcessState() {
    g_SampleGrabberCB.Reset();
    g_StillShownTicks = 0;
    g_RotCookie = 0;
    g_pTimerTarget = nullptr;
    g_FlashEnabled = 1;
}
