// DshowFormats.cpp - DShowManager: the still pin's capabilities, the current
// subtypes of both pins and the capture pin's format page.
#include <windows.h>

#include <olectl.h>
#include <strsafe.h>

#include "DebugPrint.h"
#include "Dshow.h"
#include "DshowShared.h"

namespace {

// The subtype text of a FORMAT_VideoInfo type: "MJPG", "YUY2", or empty.
LPCWSTR SubtypeText(const AM_MEDIA_TYPE &mt) {
    if (IsEqualGUID(mt.subtype, MEDIASUBTYPE_MJPG)) return L"MJPG";
    if (IsEqualGUID(mt.subtype, MEDIASUBTYPE_YUY2)) return L"YUY2";
    return L"";
}

// The four characters of a FOURCC subtype ({XXXX-0000-0010-8000-00AA00389B71}),
// or an empty text.
void FourccText(const GUID &subtype, WCHAR (&szText)[5]) {
    GUID base = MEDIASUBTYPE_YUY2;
    base.Data1 = subtype.Data1;
    szText[0] = L'\0';
    if (!IsEqualGUID(base, subtype)) return;
    for (int i = 0; i < 4; ++i) {
        const BYTE ch = static_cast<BYTE>(subtype.Data1 >> (8 * i));
        szText[i] = ch >= 0x20 && ch < 0x7F ? static_cast<WCHAR>(ch) : L'?';
    }
    szText[4] = L'\0';
}

}  // namespace

void SortFormatsByWidth(StillFormat *pFormats, int count) {
    if (!pFormats) return;
    for (int i = 1; i < count; ++i) {
        StillFormat taken = pFormats[i];
        int j = i - 1;
        while (j >= 0 && pFormats[j].Width < taken.Width) {
            pFormats[j + 1] = pFormats[j];
            --j;
        }
        pFormats[j + 1] = taken;
    }
}

void CopyFormat(StillFormat *pTarget, const StillFormat *pSource) {
    if (!pTarget || !pSource) return;
    pTarget->Width = pSource->Width;
    pTarget->Height = pSource->Height;
    (void)StringCchCopyNW(pTarget->Compression, ARRAYSIZE(pTarget->Compression), pSource->Compression, 4);
}

int DShowManager::EnumStillFormats(StillFormat *pFormats) {
    if (!m_pStillStreamConfig) return -1;
    int count = 0, size = 0;
    if (FAILED(m_pStillStreamConfig->GetNumberOfCapabilities(&count, &size))) return 0;
    DShowDebugPrint(L"iCount=%d,iSize=%d\r\n", count, size);
    if (!pFormats) return count;
    if (size != kVideoCapsSize) return 0;
    // An entry that cannot be read, is not FORMAT_VideoInfo or has a third
    // subtype is left empty (no subtype text, size 0).
    ZeroMemory(pFormats, sizeof(StillFormat) * static_cast<size_t>(count > 0 ? count : 0));
    WalkCapabilities(m_pStillStreamConfig.Get(), count, [&](int i, MediaTypePtr &pmt) {
        const VIDEOINFOHEADER *pvi = VideoInfoOf(pmt.Get());
        LPCWSTR pszText = SubtypeText(*pmt.Get());
        if (pvi && pszText[0]) {
            (void)StringCchCopyW(pFormats[i].Compression, ARRAYSIZE(pFormats[i].Compression), pszText);
            pFormats[i].Width = pvi->bmiHeader.biWidth;
            pFormats[i].Height = pvi->bmiHeader.biHeight;
        }
        return true;
    });
    return count;
}

bool DShowManager::EnumPinFormats(bool bStillPin, std::vector<PinFormat> *pFormats) {
    pFormats->clear();
    IAMStreamConfig *pConfig = bStillPin ? m_pStillStreamConfig.Get() : m_pStreamConfig.Get();
    int count = 0, size = 0;
    if (!pConfig || FAILED(pConfig->GetNumberOfCapabilities(&count, &size))) return false;
    if (size != kVideoCapsSize) return true;
    WalkStreamCaps(pConfig, count, [&](int, MediaTypePtr &pmt, const VIDEO_STREAM_CONFIG_CAPS &caps) {
        const VIDEOINFOHEADER *pvi = VideoInfoOf(pmt.Get());
        if (!pvi) return true;
        PinFormat format;
        FourccText(pmt->subtype, format.Subtype);
        format.Width = pvi->bmiHeader.biWidth;
        format.Height = pvi->bmiHeader.biHeight;
        format.MinFrameInterval = caps.MinFrameInterval;
        pFormats->push_back(format);
        return true;
    });
    return true;
}

// The still pin's current subtype; an empty text for a format that is not
// FORMAT_VideoInfo, a third subtype or a failed GetFormat.
void DShowManager::GetCurrentStillFormat(LPWSTR pszSubType) {
    if (!m_pStillStreamConfig || !pszSubType) return;
    pszSubType[0] = L'\0';
    MediaTypePtr pmt;
    if (FAILED(m_pStillStreamConfig->GetFormat(&pmt)) || !VideoInfoOf(pmt.Get())) return;
    if (IsEqualGUID(pmt->subtype, MEDIASUBTYPE_YUY2)) {
        (void)StringCchCopyW(pszSubType, 5, L"YUY2");
        OutputDebugStringW(L"MEDIASUBTYPE_YUY2 \r\n");
    } else if (IsEqualGUID(pmt->subtype, MEDIASUBTYPE_MJPG)) {
        (void)StringCchCopyW(pszSubType, 5, L"MJPG");
        OutputDebugStringW(L"MEDIASUBTYPE_MJPG \r\n");
    }
}

// The capture pin's current subtype: "YUY2", every other subtype "MJPG";
// an empty text for a format that is not FORMAT_VideoInfo or a failed GetFormat.
void DShowManager::GetCurrentVideoFormat(LPWSTR pszSubType) {
    if (!m_pStreamConfig || !pszSubType) return;
    pszSubType[0] = L'\0';
    MediaTypePtr pmt;
    if (FAILED(m_pStreamConfig->GetFormat(&pmt)) || !pmt) return;
    if (!VideoInfoOf(pmt.Get())) {
        OutputDebugStringW(L"GET CURRENT VIDEO FAILED\r\n");
        return;
    }
    if (IsEqualGUID(pmt->subtype, MEDIASUBTYPE_YUY2)) {
        (void)StringCchCopyW(pszSubType, 5, L"YUY2");
        OutputDebugStringW(L"MEDIASUBTYPE_YUY2 for video format succeded \r\n");
    } else {
        (void)StringCchCopyW(pszSubType, 5, L"MJPG");
        OutputDebugStringW(L"MEDIASUBTYPE_MJPG for video format succeded\r\n");
    }
}

void DShowManager::ShowVideoPinPropPage() {
    if (!m_pBuilder) return;
    BOOL wasReady = m_Initialized;
    StopPreview();
    DismantleGraph();

    ComPtr<IAMStreamConfig> config = FindCaptureStreamConfig();
    if (config && ShowPropertyFrame(config.Get(), m_hWndMain, 30, 30, nullptr)) {
        // Read back from the configuration found here: the frame's modal
        // loop may have run a device removal that released the manager's
        // own fields.
        MediaTypePtr pmt;
        const VIDEOINFOHEADER *pvi = SUCCEEDED(config->GetFormat(&pmt)) ? VideoInfoOf(pmt.Get()) : nullptr;
        if (pvi) {
            OutputDebugStringW(L"pmt->formattype FORMAT_VideoInfo\r\n");
            if (IsEqualGUID(pmt->subtype, MEDIASUBTYPE_YUY2))
                OutputDebugStringW(L"MEDIASUBTYPE_YUY2 \r\n");
            else if (IsEqualGUID(pmt->subtype, MEDIASUBTYPE_MJPG))
                OutputDebugStringW(L"MEDIASUBTYPE_MJPG \r\n");
            OutputDebugStringW(L"pmt->formattype == FORMAT_VideoInfo\r\n");
            DShowDebugPrint(L"vih->bmiHeader.biWidth=%d height=%d\r\n", pvi->bmiHeader.biWidth,
                            pvi->bmiHeader.biHeight);
            SetVideoResolution(pvi->bmiHeader.biWidth, pvi->bmiHeader.biHeight);
        }
    }
    config.Clear();

    // Nothing to rebuild when the manager was taken down meanwhile.
    if (!m_pGraph || !m_pCapFilter || (wasReady && !m_Initialized)) return;
    if (BuildPreviewGraph() && StartPreview()) {
        m_Initialized = TRUE;
        SizeWindowToVideo();
        ReSizePreview();
        StartFrameRateTimer();
    }
}
