// TestKit.h - small helpers every kind of test uses: message pumping, a
// window's text, the video-input devices and the scenario files.
#ifndef KOR_TESTS_COMMON_TESTKIT_H
#define KOR_TESTS_COMMON_TESTKIT_H

#include <windows.h>
#include <objbase.h>
#include <objidl.h>

#include <functional>
#include <string>
#include <vector>

#include "ComPtr.h"

// This thread in a single-threaded apartment for the object's lifetime.
class ComApartment {
public:
    ComApartment() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(m_hr)) CoUninitialize();
    }
    // False when the thread is in another kind of apartment already.
    bool Joined() const { return SUCCEEDED(m_hr); }
    ComApartment(const ComApartment &) = delete;
    ComApartment &operator=(const ComApartment &) = delete;

private:
    HRESULT m_hr;
};

// The performance counter in milliseconds: the one clock of the tests and
// the benchmarks.
double NowMs();

// ASCII text of a wide string, for assertion messages and scenario texts.
inline std::string Narrow(const std::wstring &text) { return std::string(text.begin(), text.end()); }

// Dispatches this thread's messages for dwMs milliseconds.
void PumpMessages(DWORD dwMs);
// Dispatches messages until done() is true or dwMs pass; returns done().
bool PumpUntil(const std::function<bool()> &done, DWORD dwMs);

// A window's text through WM_GETTEXT (also another thread's or process's
// window); empty when it does not answer within 5 seconds.
std::wstring WindowText(HWND hWnd);

// A property bag's text value, or empty when it cannot be read.
std::wstring PropertyBagText(IPropertyBag *pBag, const wchar_t *pszName);

// Friendly name and device path of one video-input device.
struct VideoDeviceTexts {
    std::wstring name;
    std::wstring path;
};
// Every video-input device in the order the system device enumerator lists
// them (a text that cannot be read is empty).
std::vector<VideoDeviceTexts> ListVideoDeviceTexts();

// A scenario file of the source tree, as Wine names it (the test's
// SIMCAM_SCENARIO_DIR, set by the function that adds a test).
#ifdef SIMCAM_SCENARIO_DIR
inline std::wstring ScenarioPath(const wchar_t *pszFile) {
    const std::string dir = SIMCAM_SCENARIO_DIR;
    return std::wstring(dir.begin(), dir.end()) + L"/" + pszFile;
}
#endif

#endif  // KOR_TESTS_COMMON_TESTKIT_H
