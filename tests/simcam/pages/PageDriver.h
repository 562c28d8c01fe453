// PageDriver.h - finding a property page's controls and driving a modal
// property frame from a second thread.
#ifndef KOR_TESTS_SIMCAM_PAGES_PAGEDRIVER_H
#define KOR_TESTS_SIMCAM_PAGES_PAGEDRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

#include "common/TestKit.h"

// The window below hRoot (any depth) with control identifier id, or null.
HWND FindControl(HWND hRoot, int id);
// The page dialog below hRoot: the parent of the control with identifier id.
HWND FindPage(HWND hRoot, int id);

// Simulated user input on a page: what the controls send their dialog.
void MoveTrackbar(HWND hPage, int idTrack, long lPos);
void ClickCheckBox(HWND hPage, int idBox);
void ClickButton(HWND hPage, int idButton);
void SelectComboItem(HWND hPage, int idCombo, const wchar_t *pszItem);

// Waits (on its own thread) for a visible top-level window of the calling
// thread that holds a control with identifier idPageControl, runs the action
// on it, then presses idButton of the frame (0: none). If no frame shows up
// within the time-out, it cancels every window of the thread, so the modal
// call returns and the test can fail.
class FrameDriver {
public:
    using Action = std::function<void(HWND hFrame, HWND hPage)>;
    FrameDriver(int idPageControl, Action action, int idButton);
    ~FrameDriver();
    FrameDriver(const FrameDriver &) = delete;
    FrameDriver &operator=(const FrameDriver &) = delete;

    void Join();
    bool FoundFrame() const { return m_bFound; }

private:
    void Run();

    DWORD m_dwThreadId;
    int m_idPageControl;
    Action m_action;
    int m_idButton;
    bool m_bFound;
    std::thread m_thread;
};

// Presses a button of a frame (posted: the frame's modal loop handles it).
void PressFrameButton(HWND hFrame, int idButton);

#endif  // KOR_TESTS_SIMCAM_PAGES_PAGEDRIVER_H
