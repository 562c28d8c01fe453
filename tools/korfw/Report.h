// Report.h - what a command found, printed for people or as one JSON object.
#ifndef KOR_TOOLS_KORFW_REPORT_H
#define KOR_TOOLS_KORFW_REPORT_H

#include <windows.h>

#include <string>
#include <vector>

#include "Devices.h"

// The values a command reports, in order. Each has a JSON key and a label
// for the human-readable form.
class Report {
public:
    void AddNumber(const WCHAR *pszKey, const WCHAR *pszLabel, long lValue);
    // Shown as 0x... with at least cDigits digits; a number in JSON.
    void AddHex(const WCHAR *pszKey, const WCHAR *pszLabel, unsigned long ulValue, int cDigits);
    void AddText(const WCHAR *pszKey, const WCHAR *pszLabel, const std::wstring &text);
    void AddBool(const WCHAR *pszKey, const WCHAR *pszLabel, bool bValue);
    // A value of another shape: human is shown as it stands (lines after
    // the first indented), jsonMembers goes into the object as it stands
    // ("key":value, or several separated by commas).
    void AddRaw(const WCHAR *pszLabel, const std::wstring &human, const std::wstring &jsonMembers);

    // The camera the command worked on.
    void SetDevice(size_t iIndex, const VideoDevice &device);

    // "label: value" lines, or {"command":...,"ok":true,...}.
    std::wstring Human() const;
    std::wstring Json(const WCHAR *pszCommand) const;

private:
    struct Field {
        std::wstring label;
        std::wstring human;
        std::wstring jsonMembers;
    };
    std::vector<Field> m_fields;
    bool m_bDevice = false;
    size_t m_iDeviceIndex = 0;
    VideoDevice m_device = {};
};

// Why a command failed: the library call that refused and the code it left,
// or (pszCall null) korfw's own reason; bStopped when Ctrl+C stopped it.
struct Failure {
    const WCHAR *pszCall;
    DWORD dwError;
    std::wstring reason;
    bool bStopped = false;
};

// "korfw: <call> failed: <NAME> (0x...): <meaning>" for standard error.
std::wstring FailureText(const Failure &failure);
// {"command":...,"ok":false,"error":{...}}
std::wstring FailureJson(const WCHAR *pszCommand, const Failure &failure);

// korfw list, for people or as JSON.
std::wstring DeviceListHuman(const std::vector<VideoDevice> &devices);
std::wstring DeviceListJson(const std::vector<VideoDevice> &devices);

#endif  // KOR_TOOLS_KORFW_REPORT_H
