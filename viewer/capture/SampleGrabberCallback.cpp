// SampleGrabberCallback.cpp - one still frame to one file.
//
// BufferCB runs on the still branch's streaming thread. It switches the
// flash strobe off, names the file after the local time (yyyyMMddHHmmss,
// with "_2", "_3" ... before the extension when that name is taken), writes
// the JPEG bytes as delivered or a converted 24-bit top-down bitmap, and
// reports the elapsed time through the completion function.
#include "SampleGrabberCallback.h"

#include <shlobj.h>
#include <strsafe.h>

#include <memory>
#include <new>

#include "DebugPrint.h"
#include "KORFwSw.h"
#include "Yuy2Convert.h"

SampleGrabberCallback g_SampleGrabberCB;
volatile LONG g_FlashEnabled = 1;
PFN_STILL_WRITE_FILE g_pfnStillWriteFile = WriteFile;

namespace {

const int kMaxNameSuffix = 999;  // "_2" ... "_999"
// The band of bitmap rows converted and written at a time.
const UINT kBitmapBandBytes = 256 * 1024;

// A file made for writing only when no file has its name.
HANDLE CreateNewFile(LPCWSTR pszPath) {
    return CreateFileW(pszPath, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

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
    ZeroMemory(m_StillFile, sizeof(m_StillFile));
    ZeroMemory(m_SavedPath, sizeof(m_SavedPath));
    ZeroMemory(&m_FileHeader, sizeof(m_FileHeader));
    ZeroMemory(&m_InfoHeader, sizeof(m_InfoHeader));
    m_pfnStillDone = nullptr;
    m_hWndReport = nullptr;
    m_SamplesArrived = 0;
}

STDMETHODIMP SampleGrabberCallback::QueryInterface(REFIID riid, void **ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ISampleGrabberCB)) {
        *ppv = static_cast<ISampleGrabberCB *>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOTIMPL;
}

// The object is static and never counted.
STDMETHODIMP_(ULONG) SampleGrabberCallback::AddRef() { return 1; }
STDMETHODIMP_(ULONG) SampleGrabberCallback::Release() { return 2; }

STDMETHODIMP SampleGrabberCallback::SampleCB(double, IMediaSample *) {
    OutputDebugStringW(L"SampleCB...\r\n");
    return E_NOTIMPL;
}

void SampleGrabberCallback::ConfigureStill(int convertToBitmap, DWORD triggerTick, int width, int height,
                                           PFN_STILL_DONE pfnDone) {
    m_ConvertToBitmap = convertToBitmap;
    m_TriggerTick = triggerTick;
    m_Width = width;
    m_Height = height;
    m_pfnStillDone = pfnDone;
}

void SampleGrabberCallback::SetReportWindow(HWND hWnd) { m_hWndReport = hWnd; }

void SampleGrabberCallback::SetStillPath(LPCWSTR pszPath) {
    ZeroMemory(m_StillPath, sizeof(m_StillPath));
    if (pszPath) (void)StringCchCopyW(m_StillPath, MAX_PATH, pszPath);
    OutputDebugStringW(L"\r\n");
    OutputDebugStringW(L"new path \r\n");
    OutputDebugStringW(m_StillPath);
}

void SampleGrabberCallback::SetStillFile(LPCWSTR pszFile) {
    ZeroMemory(m_StillFile, sizeof(m_StillFile));
    if (pszFile) (void)StringCchCopyW(m_StillFile, MAX_PATH, pszFile);
}

void SampleGrabberCallback::NotifyStillDone() {
    OutputDebugStringW(L"Triggering function in Dshow using funcptr 3\r\n");
    if (m_pfnStillDone) {
        int elapsed = static_cast<int>(m_DoneTick - m_TriggerTick);
        m_pfnStillDone(&elapsed);
    }
    OutputDebugStringW(L"Triggering function in Dshow using funcptr 4\r\n");
}

void SampleGrabberCallback::FillBitmapHeaders(int width, int height) {
    DWORD pixelBytes = PaddedRowBytes(width) * static_cast<DWORD>(height);
    ZeroMemory(&m_FileHeader, sizeof(m_FileHeader));
    m_FileHeader.bfType = 0x4D42;  // "BM"
    m_FileHeader.bfSize = static_cast<DWORD>(sizeof(KorBitmapFileHeader) + sizeof(BITMAPINFOHEADER)) + pixelBytes;
    m_FileHeader.bfOffBits = static_cast<DWORD>(sizeof(KorBitmapFileHeader) + sizeof(BITMAPINFOHEADER));
    ZeroMemory(&m_InfoHeader, sizeof(m_InfoHeader));
    m_InfoHeader.biSize = sizeof(BITMAPINFOHEADER);
    m_InfoHeader.biWidth = width;
    m_InfoHeader.biHeight = -height;  // top row first
    m_InfoHeader.biPlanes = 1;
    m_InfoHeader.biBitCount = 24;
    m_InfoHeader.biCompression = BI_RGB;
    m_InfoHeader.biSizeImage = pixelBytes;
}

void SampleGrabberCallback::ConvertYUY2ToBGR24(const BYTE *pSource, BYTE *pTarget, int width, int height) {
    Yuy2ToBgr24(pSource, pTarget, width, height);
}

// The folder (still folder or desktop) and the time-stamped name, without
// the extension. False when the folder cannot be read or the path does not fit.
bool SampleGrabberCallback::BuildStillFilePath(WCHAR *pszPath, size_t cchPath) {
    WCHAR szName[32];
    if (FAILED(StringCchPrintfW(szName, 32, L"%d%02d%02d%02d%02d%02d", m_CaptureTime.wYear, m_CaptureTime.wMonth,
                                m_CaptureTime.wDay, m_CaptureTime.wHour, m_CaptureTime.wMinute, m_CaptureTime.wSecond)))
        return false;
    WCHAR szFolder[MAX_PATH];
    if (m_StillPath[0] != L'\0') {
        if (FAILED(StringCchCopyW(szFolder, MAX_PATH, m_StillPath))) return false;
    } else {
        szFolder[0] = L'\0';
        if (!SHGetSpecialFolderPathW(nullptr, szFolder, CSIDL_DESKTOPDIRECTORY, FALSE)) szFolder[0] = L'\0';
        OutputDebugStringW(L"Get the current desktop path\r\n");
        OutputDebugStringW(szFolder);
    }
    return SUCCEEDED(StringCchPrintfW(pszPath, cchPath, L"%s\\%s", szFolder, szName));
}

// Creates the still's file, never replacing one: the file named by
// SetStillFile, or else a name after the local time in the folder, where a
// name already taken gets "_2", "_3" ... before the extension. pszPath
// receives the full path.
HANDLE SampleGrabberCallback::CreateStillFile(WCHAR *pszPath, size_t cchPath) {
    if (m_StillFile[0] != L'\0') {
        if (FAILED(StringCchCopyW(pszPath, cchPath, m_StillFile))) return INVALID_HANDLE_VALUE;
        DShowDebugPrint(L"FilePath = %s", pszPath);
        return CreateNewFile(pszPath);
    }
    WCHAR szBase[MAX_PATH];
    LPCWSTR pszExt = m_ConvertToBitmap ? L".bmp" : L".jpg";
    if (!BuildStillFilePath(szBase, MAX_PATH)) return INVALID_HANDLE_VALUE;
    for (int suffix = 1; suffix <= kMaxNameSuffix; ++suffix) {
        HRESULT hr = suffix == 1 ? StringCchPrintfW(pszPath, cchPath, L"%s%s", szBase, pszExt)
                                 : StringCchPrintfW(pszPath, cchPath, L"%s_%d%s", szBase, suffix, pszExt);
        if (FAILED(hr)) return INVALID_HANDLE_VALUE;  // the path does not fit
        if (suffix == 1) DShowDebugPrint(L"FilePath = %s", pszPath);
        HANDLE hFile = CreateNewFile(pszPath);
        if (hFile != INVALID_HANDLE_VALUE) {
            if (suffix > 1) DShowDebugPrint(L"FilePath = %s", pszPath);
            return hFile;
        }
        DWORD dwError = GetLastError();
        if (dwError != ERROR_FILE_EXISTS && dwError != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

void SampleGrabberCallback::FinishStill(LPCWSTR pszPath) {
    (void)StringCchCopyW(m_SavedPath, MAX_PATH, pszPath);
    m_DoneTick = GetTickCount();
    NotifyStillDone();
    DShowDebugPrint(L"Still Captured in %d seconds \r\n", (m_DoneTick - m_TriggerTick) / 1000u);
}

// The still was not saved. The person is told by the window thread: this
// thread must never wait on a message box, since every Stop of the graph
// waits for it. Without a window to tell there is only the debug line.
void SampleGrabberCallback::ReportStillNotSaved() {
    OutputDebugStringW(L"Sorry image cannot be captured\r\n");
    HWND hWnd = m_hWndReport;
    if (hWnd) (void)PostMessageW(hWnd, kStillNotSavedMessage, 0, 0);
}

namespace {

// One write of cb bytes that must all be written.
bool WriteWhole(HANDLE hFile, const void *pData, DWORD cb, DWORD *pdwWritten) {
    *pdwWritten = 0;
    return g_pfnStillWriteFile(hFile, pData, cb, pdwWritten, nullptr) && *pdwWritten == cb;
}

}  // namespace

bool SampleGrabberCallback::WriteJpeg(HANDLE hFile, const BYTE *pBuffer, LONG length) {
    OutputDebugStringW(L"WriteFile...\r\n");
    DWORD dwWritten = 0;
    if (!WriteWhole(hFile, pBuffer, static_cast<DWORD>(length), &dwWritten)) return false;
    DShowDebugPrint(L"WriteFile =  %d \r\n", dwWritten);
    return true;
}

// The headers, then the pixels converted a band of rows at a time into one
// small buffer and written as each band fills: the same bytes as converting
// the whole picture first, without touching a picture-sized buffer.
bool SampleGrabberCallback::WriteBitmap(HANDLE hFile, const BYTE *pBuffer) {
    DShowDebugPrint(L"m_Width = %d, m_Height= %d \r\n", m_Width, m_Height);
    FillBitmapHeaders(m_Width, m_Height);
    const UINT cbRow = PaddedRowBytes(m_Width);
    const int bandRows = cbRow >= kBitmapBandBytes ? 1 : static_cast<int>(kBitmapBandBytes / cbRow);
    std::unique_ptr<BYTE[]> pBand(new (std::nothrow) BYTE[static_cast<size_t>(cbRow) * bandRows]);
    if (!pBand) return false;

    DWORD dwWritten = 0;
    bool ok = WriteWhole(hFile, &m_FileHeader, sizeof(m_FileHeader), &dwWritten);
    DShowDebugPrint(L"dwWritten = %d \r\n", dwWritten);
    if (!ok) return false;
    ok = WriteWhole(hFile, &m_InfoHeader, sizeof(m_InfoHeader), &dwWritten);
    DShowDebugPrint(L"dwWritten = %d \r\n", dwWritten);
    if (!ok) return false;

    const size_t cbSourceRow = static_cast<size_t>(m_Width) * 2u;
    DWORD dwPixelsWritten = 0;
    for (int y = 0; y < m_Height && ok; y += bandRows) {
        const int rows = (m_Height - y) < bandRows ? (m_Height - y) : bandRows;
        Yuy2ToBgr24(pBuffer + cbSourceRow * static_cast<size_t>(y), pBand.get(), m_Width, rows);
        ok = WriteWhole(hFile, pBand.get(), cbRow * static_cast<DWORD>(rows), &dwWritten);
        dwPixelsWritten += dwWritten;
    }
    DShowDebugPrint(L"dwWritten = %d \r\n", dwPixelsWritten);
    return ok;
}

// A bitmap needs width x height x 2 bytes of YUY2, an even width and a
// picture that a file can hold.
bool SampleGrabberCallback::IsUsableBitmapSample(const BYTE *pBuffer, LONG length) const {
    return m_Width > 0 && m_Height > 0 && (m_Width % 2) == 0 && pBuffer &&
           static_cast<ULONGLONG>(m_Width) * static_cast<ULONGLONG>(m_Height) * 2u <= static_cast<ULONGLONG>(length) &&
           static_cast<ULONGLONG>(PaddedRowBytes(m_Width)) * static_cast<ULONGLONG>(m_Height) < 0x7FFFFFFFu;
}

STDMETHODIMP SampleGrabberCallback::BufferCB(double, BYTE *pBuffer, LONG BufferLen) {
    OutputDebugStringW(L"BufferCB...\r\n");
    InterlockedIncrement(&m_SamplesArrived);
    DShowDebugPrint(L"Still Graph started %d\r\n", GetTickCount());
    if (g_FlashEnabled && ControlGPO(8, 0) != 1) OutputDebugStringW(L"Strobe Disable Failed\n");

    GetLocalTime(&m_CaptureTime);

    // A sample that cannot make the picture is a failed write, found before
    // any file is made: an empty one would leave an empty file under a
    // still's name.
    if (BufferLen <= 0 || !pBuffer || (m_ConvertToBitmap && !IsUsableBitmapSample(pBuffer, BufferLen))) {
        ReportStillNotSaved();
        return S_FALSE;
    }

    WCHAR szPath[MAX_PATH];
    HANDLE hFile = CreateStillFile(szPath, MAX_PATH);
    if (hFile == INVALID_HANDLE_VALUE) {
        OutputDebugStringW(L"File Creation Failed\r\n");
        ReportStillNotSaved();
        return E_FAIL;
    }

    const bool ok = m_ConvertToBitmap ? WriteBitmap(hFile, pBuffer) : WriteJpeg(hFile, pBuffer, BufferLen);
    CloseHandle(hFile);
    if (!ok) {
        // A truncated picture under a still's name would pass for one.
        (void)DeleteFileW(szPath);
        ReportStillNotSaved();
        return S_FALSE;
    }
    FinishStill(szPath);
    if (!m_ConvertToBitmap) OutputDebugStringW(L"CloseHandle...\r\n");
    DShowDebugPrint(L"Preview Started %d\r\n", GetTickCount());
    return S_OK;
}
