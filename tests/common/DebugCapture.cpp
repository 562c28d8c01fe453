// DebugCapture.cpp - the vectored handler behind DebugCapture.
#include "DebugCapture.h"

#include "CritSecLock.h"

#ifndef DBG_PRINTEXCEPTION_C
#define DBG_PRINTEXCEPTION_C ((DWORD)0x40010006L)
#endif
#ifndef DBG_PRINTEXCEPTION_WIDE_C
#define DBG_PRINTEXCEPTION_WIDE_C ((DWORD)0x4001000AL)
#endif

namespace {

CritSec g_csLines;
std::vector<std::wstring> g_Lines;

std::wstring WideFromNarrow(const char *psz, size_t cch) {
    if (cch == 0) return std::wstring();
    int cchWide = MultiByteToWideChar(CP_ACP, 0, psz, (int)cch, NULL, 0);
    std::wstring text(cchWide > 0 ? (size_t)cchWide : 0, L'\0');
    if (cchWide > 0) MultiByteToWideChar(CP_ACP, 0, psz, (int)cch, &text[0], cchWide);
    return text;
}

// Parameter 0 is the length including the terminator, parameter 1 the text.
LONG CALLBACK OnDebugPrint(EXCEPTION_POINTERS *pInfo) {
    const EXCEPTION_RECORD *pRecord = pInfo->ExceptionRecord;
    bool bWide = pRecord->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C;
    if (!bWide && pRecord->ExceptionCode != DBG_PRINTEXCEPTION_C) return EXCEPTION_CONTINUE_SEARCH;
    if (pRecord->NumberParameters < 2 || pRecord->ExceptionInformation[1] == 0) return EXCEPTION_CONTINUE_EXECUTION;

    size_t cchMax = (size_t)pRecord->ExceptionInformation[0];
    std::wstring line;
    if (bWide) {
        const WCHAR *psz = reinterpret_cast<const WCHAR *>(pRecord->ExceptionInformation[1]);
        line.assign(psz, wcsnlen(psz, cchMax));
    } else {
        const char *psz = reinterpret_cast<const char *>(pRecord->ExceptionInformation[1]);
        line = WideFromNarrow(psz, strnlen(psz, cchMax));
    }
    CritSecLock lock(g_csLines);
    g_Lines.push_back(line);
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

DebugCapture::DebugCapture() : m_hHandler(NULL) {
    Clear();
    m_hHandler = AddVectoredExceptionHandler(1, OnDebugPrint);
}

DebugCapture::~DebugCapture() {
    if (m_hHandler) RemoveVectoredExceptionHandler(m_hHandler);
}

std::vector<std::wstring> DebugCapture::Lines() const {
    CritSecLock lock(g_csLines);
    return g_Lines;
}

size_t DebugCapture::Count(const std::wstring &line) const {
    CritSecLock lock(g_csLines);
    size_t cMatches = 0;
    for (const std::wstring &caught : g_Lines) {
        if (caught == line) ++cMatches;
    }
    return cMatches;
}

void DebugCapture::Clear() {
    CritSecLock lock(g_csLines);
    g_Lines.clear();
}
