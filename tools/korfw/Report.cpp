// Report.cpp - the human-readable and the JSON form of korfw's results.
#include "Report.h"

#include "Console.h"
#include "ErrorText.h"

namespace {

std::wstring DeviceJson(size_t iIndex, const VideoDevice &device) {
    return Format(L"{\"index\":%u,\"name\":", static_cast<unsigned>(iIndex)) + JsonString(device.name) + L",\"path\":" +
           JsonString(device.path) + L",\"accepted\":" + (device.bAccepted ? L"true" : L"false") + L"}";
}

}  // namespace

void Report::AddNumber(const WCHAR *pszKey, const WCHAR *pszLabel, long lValue) {
    std::wstring text = Format(L"%ld", lValue);
    AddRaw(pszLabel, text, JsonString(pszKey) + L":" + text);
}

void Report::AddHex(const WCHAR *pszKey, const WCHAR *pszLabel, unsigned long ulValue, int cDigits) {
    AddRaw(pszLabel, Format(L"0x%0*lX", cDigits, ulValue), JsonString(pszKey) + Format(L":%lu", ulValue));
}

void Report::AddText(const WCHAR *pszKey, const WCHAR *pszLabel, const std::wstring &text) {
    AddRaw(pszLabel, text, JsonString(pszKey) + L":" + JsonString(text));
}

void Report::AddBool(const WCHAR *pszKey, const WCHAR *pszLabel, bool bValue) {
    AddRaw(pszLabel, bValue ? L"yes" : L"no", JsonString(pszKey) + (bValue ? L":true" : L":false"));
}

void Report::AddRaw(const WCHAR *pszLabel, const std::wstring &human, const std::wstring &jsonMembers) {
    m_fields.push_back(Field{pszLabel, human, jsonMembers});
}

void Report::SetDevice(size_t iIndex, const VideoDevice &device) {
    m_bDevice = true;
    m_iDeviceIndex = iIndex;
    m_device = device;
}

std::wstring Report::Human() const {
    std::wstring text;
    if (m_bDevice)
        text += Format(L"%-12s#%u %s\n", L"camera:", static_cast<unsigned>(m_iDeviceIndex), m_device.name.c_str());
    for (const Field &field : m_fields) {
        std::wstring human = field.human;
        for (size_t i = human.find(L'\n'); i != std::wstring::npos; i = human.find(L'\n', i + 1))
            human.insert(i + 1, 12, L' ');
        text += Format(L"%-12s", (field.label + L":").c_str()) + human + L"\n";
    }
    return text;
}

std::wstring Report::Json(const WCHAR *pszCommand) const {
    std::wstring json = L"{\"command\":" + JsonString(pszCommand) + L",\"ok\":true";
    if (m_bDevice) json += L",\"device\":" + DeviceJson(m_iDeviceIndex, m_device);
    for (const Field &field : m_fields) json += L"," + field.jsonMembers;
    return json + L"}\n";
}

std::wstring FailureText(const Failure &failure) {
    if (!failure.pszCall) return L"korfw: " + failure.reason + L"\n";
    ErrorText error = DescribeError(failure.dwError);
    return Format(L"korfw: %s failed: %s (0x%08lX): %s\n", failure.pszCall, error.pszName ? error.pszName : L"unknown",
                  failure.dwError, error.pszMeaning);
}

std::wstring FailureJson(const WCHAR *pszCommand, const Failure &failure) {
    std::wstring json = L"{\"command\":" + JsonString(pszCommand) + L",\"ok\":false,\"error\":{";
    if (!failure.pszCall) return json + L"\"message\":" + JsonString(failure.reason) + L"}}\n";
    ErrorText error = DescribeError(failure.dwError);
    json += L"\"call\":" + JsonString(failure.pszCall) + Format(L",\"code\":%lu,\"name\":", failure.dwError);
    json += (error.pszName ? JsonString(error.pszName) : std::wstring(L"null")) + L",\"message\":";
    return json + JsonString(error.pszMeaning) + L"}}\n";
}

std::wstring DeviceListHuman(const std::vector<VideoDevice> &devices) {
    if (devices.empty()) return L"no video-input device\n";
    std::wstring text;
    for (size_t i = 0; i < devices.size(); ++i) {
        const VideoDevice &device = devices[i];
        text += Format(L"#%u %s\n", static_cast<unsigned>(i), device.name.c_str());
        text += Format(L"    path:     %s\n", device.path.empty() ? L"(none)" : device.path.c_str());
        text += Format(L"    accepted: %s\n", device.bAccepted ? L"yes (a KOR camera)" : L"no");
    }
    return text;
}

std::wstring DeviceListJson(const std::vector<VideoDevice> &devices) {
    std::wstring json = L"{\"command\":\"list\",\"ok\":true,\"devices\":[";
    for (size_t i = 0; i < devices.size(); ++i) json += (i ? L"," : L"") + DeviceJson(i, devices[i]);
    return json + L"]}\n";
}
