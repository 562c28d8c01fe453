// SampleGrabberCallback.cpp - first cut.
#include "SampleGrabberCallback.h"

#include "Yuy2Convert.h"

SampleGrabberCallback g_SampleGrabberCB;
volatile LONG g_FlashEnabled = 1;

SampleGrabberCallback::SampleGrabberCallback() { Reset(); }

void SampleGrabberCallback::Reset() {
    m_ConvertToBitmap = 0;
    m_Width = 0;
    m_Height = 0;
    m_TriggerTick = 0;
    m_DoneTick = 0;
    ZeroMemory(&m_CaptureTime, sizeof(m_CaptureTime));
    ZeroMemory(m_TextBuffer, sizeof(m_TextBuffer));
    ZeroMemory(m_StillPath, sizeof(m_StillPath));
    ZeroMemory(&m_FileHeader, sizeof(m_FileHeader));
    ZeroMemory(&m_InfoHeader, sizeof(m_InfoHeader));
    m_pfnStillDone = nullptr;
}

STDMETHODIMP SampleGrabberCallback::QueryInterface(REFIID, void **) { return E_NOTIMPL; }
STDMETHODIMP_(ULONG) SampleGrabberCallback::AddRef() { return 1; }
STDMETHODIMP_(ULONG) SampleGrabberCallback::Release() { return 2; }
STDMETHODIMP SampleGrabberCallback::SampleCB(double, IMediaSample *) { return E_NOTIMPL; }
STDMETHODIMP SampleGrabberCallback::BufferCB(double, BYTE *, LONG) { return S_OK; }
void SampleGrabberCallback::ConfigureStill(int, DWORD, int, int, PFN_STILL_DONE) {}
void SampleGrabberCallback::SetStillPath(LPCWSTR) {}
void SampleGrabberCallback::NotifyStillDone() {}
void SampleGrabberCallback::FillBitmapHeaders(int, int) {}
void SampleGrabberCallback::ConvertYUY2ToBGR24(const BYTE *pSource, BYTE *pTarget, int width, int height) {
    Yuy2ToBgr24(pSource, pTarget, width, height);
}
HRESULT SampleGrabberCallback::WriteJpeg(HANDLE, const BYTE *, LONG) { return E_NOTIMPL; }
HRESULT SampleGrabberCallback::WriteBitmap(HANDLE, const BYTE *, LONG) { return E_NOTIMPL; }
bool SampleGrabberCallback::BuildStillFilePath(WCHAR *, size_t) { return false; }
HANDLE SampleGrabberCallback::CreateStillFile(WCHAR *, size_t) { return INVALID_HANDLE_VALUE; }
void SampleGrabberCallback::FinishStill() {}
void SampleGrabberCallback::ReportWriteFailure(HANDLE, BYTE *) {}
