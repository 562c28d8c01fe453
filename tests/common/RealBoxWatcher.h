// RealBoxWatcher.h - a real message box answered the way a person would.
#ifndef KOR_TESTS_COMMON_REALBOXWATCHER_H
#define KOR_TESTS_COMMON_REALBOXWATCHER_H

#include <windows.h>

#include <string>
#include <thread>

// Watches for a real message box with this caption on a thread of its own,
// reads its text and presses OK. Text() waits for the watcher (10 s at most)
// and returns what the box said, or "" when none appeared.
class RealBoxWatcher {
public:
    explicit RealBoxWatcher(const WCHAR *pszCaption);
    ~RealBoxWatcher();
    RealBoxWatcher(const RealBoxWatcher &) = delete;
    RealBoxWatcher &operator=(const RealBoxWatcher &) = delete;
    std::wstring Text();

private:
    std::wstring m_caption;
    std::wstring m_text;
    std::thread m_thread;
};

#endif  // KOR_TESTS_COMMON_REALBOXWATCHER_H
