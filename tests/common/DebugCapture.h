// DebugCapture.h - catches the debugger output of this process in a test.
//
// OutputDebugString raises DBG_PRINTEXCEPTION_C (Wine 8 also for the wide
// call; newer Windows raise DBG_PRINTEXCEPTION_WIDE_C first). While a
// DebugCapture exists, a vectored exception handler takes both, stores the
// text of each call as one line (line ends kept) and lets the program go on,
// so the text reaches no debugger. Lines from every thread are caught.
// Only one DebugCapture may exist at a time.
#ifndef KOR_TESTS_COMMON_DEBUGCAPTURE_H
#define KOR_TESTS_COMMON_DEBUGCAPTURE_H

#include <windows.h>

#include <string>
#include <vector>

class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    // True when the handler is installed.
    bool IsActive() const { return m_hHandler != NULL; }

    // Every line caught so far, in order.
    std::vector<std::wstring> Lines() const;
    // How many caught lines are exactly this text.
    size_t Count(const std::wstring &line) const;
    bool Contains(const std::wstring &line) const { return Count(line) > 0; }
    void Clear();

private:
    PVOID m_hHandler;
};

#endif  // KOR_TESTS_COMMON_DEBUGCAPTURE_H
