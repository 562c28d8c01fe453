// DialogTestSupport.h - what the dialog tests share: recorded message boxes,
// message pumping, the main window's values the dialogs read, and the
// simulated camera as a DirectShow capture manager.
#ifndef KOR_TESTS_VIEWER_DIALOGS_DIALOGTESTSUPPORT_H
#define KOR_TESTS_VIEWER_DIALOGS_DIALOGTESTSUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

#include "common/TestKit.h"

// One message box the viewer asked for.
struct RecordedBox {
    HWND hOwner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};

// While it exists, every KorMessageBox is recorded and answered with
// `answer` instead of being shown.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int answer = IDOK);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder &) = delete;
    MessageBoxRecorder &operator=(const MessageBoxRecorder &) = delete;

    const std::vector<RecordedBox> &Boxes() const;
    void Clear();
};

std::wstring ItemText(HWND hDlg, int id);

// The folder of the test program, with a trailing backslash.
std::wstring ProgramFolder();

// Top-level windows of this process with the caption, owned by hOwner (any
// owner when null).
std::vector<HWND> FindOwnedWindows(HWND hOwner, const std::wstring &caption);

// The argument that makes the test program only run LogFileVersion.
extern const char kChildLogVersionArg[];

#endif  // KOR_TESTS_VIEWER_DIALOGS_DIALOGTESTSUPPORT_H
