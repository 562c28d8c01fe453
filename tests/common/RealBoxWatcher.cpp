// RealBoxWatcher.cpp - presses OK on a real message box from a thread of
// its own.
#include "RealBoxWatcher.h"

RealBoxWatcher::RealBoxWatcher(const WCHAR *pszCaption) : m_caption(pszCaption) {
    m_thread = std::thread([this] {
        for (int i = 0; i < 200; ++i) {
            HWND hBox = FindWindowW(L"#32770", m_caption.c_str());
            if (hBox) {
                WCHAR sz[256] = L"";
                GetDlgItemTextW(hBox, 0xFFFF, sz, 256);
                m_text = sz;
                PostMessageW(hBox, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(50);
        }
    });
}

RealBoxWatcher::~RealBoxWatcher() {
    if (m_thread.joinable()) m_thread.join();
}

std::wstring RealBoxWatcher::Text() {
    if (m_thread.joinable()) m_thread.join();
    return m_text;
}
