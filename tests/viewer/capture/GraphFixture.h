// GraphFixture.h - the fixture of the graph tests on the simulated camera:
// a scenario, the first video-input device, a main window with a status bar
// and a capture manager for it; helpers to take a still and rebuild.
#ifndef KOR_TESTS_CAPTURE_GRAPHFIXTURE_H
#define KOR_TESTS_CAPTURE_GRAPHFIXTURE_H

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CaptureTestSupport.h"
#include "Dshow.h"
#include "SimCamControl.h"
#include "common/CameraFixture.h"

inline const char kDefaultScenario[] =
    "[camera]\n"
    "name = Tessaline 5MPixel Cam\n"
    "brightness = 140\ncontrast = 40\nsaturation = 70\nsharpness = 30\ngamma = 120\n"
    "white_balance = 5000\nwhite_balance_auto = no\nexposure = -6\nexposure_auto = yes\n";

// The visible dialog window of the window thread that is not the main window.
struct FrameSearch {
    HWND hMain;
    HWND hFound;
};

inline BOOL CALLBACK MatchFrame(HWND hWnd, LPARAM lParam) {
    FrameSearch *pSearch = reinterpret_cast<FrameSearch *>(lParam);
    WCHAR szClass[16] = L"";
    GetClassNameW(hWnd, szClass, 16);
    if (hWnd == pSearch->hMain || !IsWindowVisible(hWnd) || lstrcmpW(szClass, L"#32770") != 0) return TRUE;
    pSearch->hFound = hWnd;
    return FALSE;
}

inline HWND FindFrameOf(DWORD threadId, HWND hMain) {
    FrameSearch search = {hMain, nullptr};
    EnumThreadWindows(threadId, MatchFrame, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

inline BOOL CALLBACK CancelThreadWindow(HWND hWnd, LPARAM) {
    PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return TRUE;
}

// Opens a modal property frame on this thread (open) while a second thread
// plays the person: it waits for the frame, acts in it (inFrame) and cancels
// it. True when the frame was seen; an unseen frame is cancelled anyway.
inline bool DriveFrame(HWND hMain, const std::function<void()> &open, const std::function<void(HWND)> &inFrame) {
    const DWORD uiThread = GetCurrentThreadId();
    bool sawFrame = false;
    std::thread user([&] {
        for (int i = 0; i < 200 && !sawFrame; ++i) {
            Sleep(50);
            HWND hFrame = FindFrameOf(uiThread, hMain);
            if (!hFrame) continue;
            sawFrame = true;
            inFrame(hFrame);
            PostMessageW(hFrame, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hFrame, IDCANCEL)));
        }
        if (!sawFrame) EnumThreadWindows(uiThread, CancelThreadWindow, 0);
    });
    open();
    user.join();
    return sawFrame;
}

inline size_t CountOf(const std::vector<std::wstring> &names, const std::wstring &name) {
    return static_cast<size_t>(std::count(names.begin(), names.end(), name));
}

// Every test has a capture manager for a main window of its own; it loads
// the camera it wants through m_camera.
class CaptureGraph : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCaptureProcessState();
        NewManager();
    }
    void TearDown() override {
        DropManager();
        ResetCaptureProcessState();
    }

    // A new manager and main window in place of the present ones.
    void NewManager() {
        DropManager();
        m_pWindow.reset(new TestMainWindow(640, 500));
        m_pManager = DShowManager::GetInstance();
        ASSERT_NE(nullptr, m_pManager);
        m_pManager->SetMainWindow(m_pWindow->Window());
        m_pManager->SetStatusBar(m_pWindow->StatusBar());
    }
    void DropManager() {
        if (m_pManager) {
            m_pManager->DeInitDShow();
            delete m_pManager;
            m_pManager = nullptr;
        }
        m_pWindow.reset();
    }

    // The camera's moniker (the test fails when it is not listed).
    IMoniker *Camera() {
        IMoniker *pMoniker = m_camera.Moniker();
        EXPECT_NE(nullptr, pMoniker) << "the camera is not listed";
        return pMoniker;
    }

    IGraphBuilder *Graph() { return DShowManagerTestAccess::Graph(*m_pManager); }

    size_t RotEntriesOfGraph() { return CountOf(GraphRotEntries(), RotNameFor(Graph())); }

    // Fires a still and waits until its file is written.
    bool TakeStill() {
        LONG before = StillsDelivered();
        if (FAILED(m_pManager->StillTrigger())) return false;
        return PumpUntil([&] { return m_pManager->GetStillState() == 2 && StillsDelivered() > before; }, 10000);
    }

    LONG StillsDelivered() { return CameraState(0).stillsDelivered; }

    // The rebuild cycle of a format change.
    void Rebuild(const std::function<void()> &change) {
        EXPECT_EQ(1, m_pManager->StopPreview());
        m_pManager->DismantleGraph();
        change();
        ASSERT_EQ(1, m_pManager->BuildPreviewGraph());
        ASSERT_EQ(1, m_pManager->StartPreview());
    }

    CameraFixture m_camera;
    std::unique_ptr<TestMainWindow> m_pWindow;
    DShowManager *m_pManager = nullptr;
};

#endif  // KOR_TESTS_CAPTURE_GRAPHFIXTURE_H
