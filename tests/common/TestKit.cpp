// TestKit.cpp - the clock, message pumping, window texts and the video-input devices.
#include "TestKit.h"

#include <dshow.h>

#include <algorithm>

#include "PropertyBag.h"
#include "VideoMonikers.h"

double NowMs() {
    static LARGE_INTEGER s_frequency = {};
    if (!s_frequency.QuadPart) QueryPerformanceFrequency(&s_frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(s_frequency.QuadPart);
}

void PumpMessages(DWORD dwMs) {
    PumpUntil([] { return false; }, dwMs);
}

bool PumpUntil(const std::function<bool()> &done, DWORD dwMs) {
    DWORD dwStart = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        DWORD dwElapsed = GetTickCount() - dwStart;
        if (dwElapsed >= dwMs) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(10, dwMs - dwElapsed), QS_ALLINPUT);
    }
}

std::wstring WindowText(HWND hWnd) {
    wchar_t szText[1024] = L"";
    DWORD_PTR dwResult = 0;
    if (!SendMessageTimeoutW(hWnd, WM_GETTEXT, ARRAYSIZE(szText), reinterpret_cast<LPARAM>(szText), SMTO_NORMAL, 5000,
                             &dwResult)) {
        return std::wstring();
    }
    szText[ARRAYSIZE(szText) - 1] = L'\0';
    return szText;
}

std::wstring PropertyBagText(IPropertyBag *pBag, const wchar_t *pszName) {
    WCHAR szText[512] = L"";
    return pBag && ReadPropertyBagString(pBag, pszName, szText, ARRAYSIZE(szText)) ? szText : L"";
}

std::vector<VideoDeviceTexts> ListVideoDeviceTexts() {
    std::vector<VideoDeviceTexts> devices;
    ComPtr<IEnumMoniker> monikers = EnumVideoMonikers();
    ComPtr<IMoniker> moniker;
    while (monikers && monikers->Next(1, &moniker, nullptr) == S_OK) {
        ComPtr<IPropertyBag> bag;
        (void)moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.OutVoid());
        devices.push_back({PropertyBagText(bag.Get(), L"FriendlyName"), PropertyBagText(bag.Get(), L"DevicePath")});
    }
    return devices;
}
