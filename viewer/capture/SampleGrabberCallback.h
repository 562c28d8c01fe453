// SampleGrabberCallback.h - the still-sample callback and the still files.
//
// One static object, g_SampleGrabberCB, receives every still frame from
// the Sample Grabber (BufferCB, on the still branch's streaming thread) and
// writes it as a JPEG file (MJPG, bytes as delivered) or a 24-bit top-down
// bitmap (YUY2, converted). It is not reference counted.
#ifndef KOR_VIEWER_CAPTURE_SAMPLEGRABBERCALLBACK_H
#define KOR_VIEWER_CAPTURE_SAMPLEGRABBERCALLBACK_H

#include <windows.h>
#include <dshow.h>
#include <qedit.h>

// Completion function: receives a pointer to the elapsed milliseconds.
typedef void (*PFN_STILL_DONE)(int *pElapsedMs);

// Posted to the report window when a still could not be saved; the window
// thread tells the person (OnStillNotSaved, Dshow.h).
const UINT kStillNotSavedMessage = WM_APP + 0x5A1;

#pragma pack(push, 1)
struct KorBitmapFileHeader {  // 14 bytes
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
#pragma pack(pop)

class SampleGrabberCallback : public ISampleGrabberCB {
public:
    SampleGrabberCallback();
    virtual ~SampleGrabberCallback() {}

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP SampleCB(double SampleTime, IMediaSample *pSample) override;
    STDMETHODIMP BufferCB(double SampleTime, BYTE *pBuffer, LONG BufferLen) override;

    // Arms the next still (UI thread, before the pin fires).
    void ConfigureStill(int convertToBitmap, DWORD triggerTick, int width, int height, PFN_STILL_DONE pfnDone);
    // The window told when a still cannot be saved (UI thread, before the
    // pin fires); null tells nobody.
    void SetReportWindow(HWND hWnd);
    // The still folder; an empty path selects the desktop directory.
    void SetStillPath(LPCWSTR pszPath);
    // The file the next stills go to instead, named by a caller (korfw):
    // made only when no file has that name, never replaced. Null or empty
    // goes back to the folder and the names after the local time (UI
    // thread, before the pin fires).
    void SetStillFile(LPCWSTR pszFile);
    // The file of the last still saved (complete once its completion
    // function has run).
    LPCWSTR GetSavedPath() const { return m_SavedPath; }
    void NotifyStillDone();
    void FillBitmapHeaders(int width, int height);
    void ConvertYUY2ToBGR24(const BYTE *pSource, BYTE *pTarget, int width, int height);

    // Back to the start-up state (no conversion, size 0, no folder, no
    // completion function); for tests that run several viewers in turn.
    void Reset();

    // Samples that reached BufferCB so far: a still whose sample arrived is
    // on its way to disk (or to its failure report).
    LONG SamplesArrived() const { return m_SamplesArrived; }

    // Read-only views for the shell's settings and for tests.
    LPCWSTR GetStillPath() const { return m_StillPath; }
    int IsConvertingToBitmap() const { return m_ConvertToBitmap; }
    int GetWidth() const { return m_Width; }
    int GetHeight() const { return m_Height; }
    const KorBitmapFileHeader &GetFileHeader() const { return m_FileHeader; }
    const BITMAPINFOHEADER &GetInfoHeader() const { return m_InfoHeader; }

private:
    bool WriteJpeg(HANDLE hFile, const BYTE *pBuffer, LONG length);
    bool WriteBitmap(HANDLE hFile, const BYTE *pBuffer);
    bool IsUsableBitmapSample(const BYTE *pBuffer, LONG length) const;
    bool BuildStillFilePath(WCHAR *pszPath, size_t cchPath);
    HANDLE CreateStillFile(WCHAR *pszPath, size_t cchPath);
    void FinishStill(LPCWSTR pszPath);
    void ReportStillNotSaved();

    int m_ConvertToBitmap;
    int m_Width;
    int m_Height;
    DWORD m_TriggerTick;
    DWORD m_DoneTick;
    SYSTEMTIME m_CaptureTime;
    WCHAR m_TextBuffer[255];
    WCHAR m_StillPath[MAX_PATH];
    WCHAR m_StillFile[MAX_PATH];
    WCHAR m_SavedPath[MAX_PATH];
    KorBitmapFileHeader m_FileHeader;
    BITMAPINFOHEADER m_InfoHeader;
    PFN_STILL_DONE m_pfnStillDone;
    HWND volatile m_hWndReport;
    volatile LONG m_SamplesArrived;
};

// The one still callback of the process.
extern SampleGrabberCallback g_SampleGrabberCB;
// Nonzero when the flash strobe is wanted; 1 at start-up. Read on the
// still branch's streaming thread too, as one whole 32-bit value; written
// only through SetFlashEnabled.
extern volatile LONG g_FlashEnabled;
inline void SetFlashEnabled(bool bEnabled) { InterlockedExchange(&g_FlashEnabled, bEnabled ? 1 : 0); }

// The still files' writes; tests make them fail.
typedef BOOL(WINAPI *PFN_STILL_WRITE_FILE)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
extern PFN_STILL_WRITE_FILE g_pfnStillWriteFile;

#endif  // KOR_VIEWER_CAPTURE_SAMPLEGRABBERCALLBACK_H
