// PictureCommands.cpp - parsing "formats" and "still" and running them.
#include "PictureCommands.h"

#include "Console.h"

namespace {

const int kMaxSide = 16384;

// "WxH" (or "WXH"): two whole numbers from 1 to kMaxSide.
bool ParseSize(const std::wstring &text, StillOptions *pOptions, std::wstring *pError) {
    size_t iX = text.find_first_of(L"xX");
    int iWidth = 0, iHeight = 0;
    if (iX == std::wstring::npos || !ParseDecimal(text.substr(0, iX), &iWidth) ||
        !ParseDecimal(text.substr(iX + 1), &iHeight) || iWidth < 1 || iHeight < 1 || iWidth > kMaxSide ||
        iHeight > kMaxSide) {
        *pError = Format(L"size '%s' is not WIDTHxHEIGHT", text.c_str());
        return false;
    }
    pOptions->iWidth = iWidth;
    pOptions->iHeight = iHeight;
    return true;
}

bool ParseSubtype(const std::wstring &text, StillOptions *pOptions, std::wstring *pError) {
    for (const WCHAR *pszSubtype : {L"MJPG", L"YUY2"}) {
        if (lstrcmpiW(text.c_str(), pszSubtype) == 0) {
            pOptions->subtype = pszSubtype;
            pOptions->bSubtypeGiven = true;
            return true;
        }
    }
    *pError = Format(L"format '%s' is neither MJPG nor YUY2", text.c_str());
    return false;
}

// -o: an existing folder gets the viewer's file names; anything else is the
// file itself, with the extension of the format.
bool CheckOutput(StillOptions *pOptions, std::wstring *pError) {
    if (pOptions->output.empty()) return true;
    DWORD dwAttributes = GetFileAttributesW(pOptions->output.c_str());
    pOptions->bOutputFolder = dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (pOptions->bOutputFolder) return true;
    const WCHAR *pszExtension = pOptions->subtype == L"YUY2" ? L".bmp" : L".jpg";
    const std::wstring &file = pOptions->output;
    if (file.size() <= 4 || lstrcmpiW(file.c_str() + file.size() - 4, pszExtension) != 0) {
        *pError = Format(L"'%s' is no folder, and as a %s file its name must end in %s", file.c_str(),
                         pOptions->subtype.c_str(), pszExtension);
        return false;
    }
    return true;
}

// The option at words[*pi] and its value, if it takes one.
bool ParseStillOption(const std::vector<std::wstring> &words, size_t *pi, StillOptions *pOptions, Request *pRequest,
                      std::wstring *pError) {
    const std::wstring &option = words[*pi];
    if (option == L"--af") {
        pOptions->bAutofocus = true;
        return true;
    }
    if (option == L"--no-flash") {
        pOptions->bFlash = false;
        return true;
    }
    if (option == L"--timeout") return ParseTimeoutOption(words, pi, &pRequest->dwTimeoutMs, pError);
    if (option != L"-o" && option != L"--format" && option != L"--size") {
        *pError = UnexpectedWord(option);
        return false;
    }
    if (++*pi >= words.size()) {
        *pError = option + L" needs a value";
        return false;
    }
    const std::wstring &value = words[*pi];
    if (option == L"--format") return ParseSubtype(value, pOptions, pError);
    if (option == L"--size") return ParseSize(value, pOptions, pError);
    pOptions->output = value;
    return true;
}

}  // namespace

ParseResult PictureCommands::Parse(const std::vector<std::wstring> &words, Request *pRequest, std::wstring *pError) {
    if (words[0] == L"formats" && words.size() == 1) {
        m_bStill = false;
    } else if (words[0] == L"still") {
        m_bStill = true;
        m_still = StillOptions();
        for (size_t i = 1; i < words.size(); ++i) {
            if (!ParseStillOption(words, &i, &m_still, pRequest, pError)) return ParseResult::Refused;
        }
        if (!CheckOutput(&m_still, pError)) return ParseResult::Refused;
    } else {
        return ParseResult::NotMine;
    }
    pRequest->command = Command::External;
    pRequest->pszName = m_bStill ? L"still" : L"formats";
    return ParseResult::Parsed;
}

// The still needs the library for the flash and the autofocus.
bool PictureCommands::NeedsSession(const Request &) const { return m_bStill; }

bool PictureCommands::Run(const Request &request, const VideoDevice &device, Report *pReport, Failure *pFailure) {
    if (!m_bStill) return RunFormats(device, pReport, pFailure);
    return RunStill(m_still, request.dwTimeoutMs, device, pReport, pFailure);
}

const WCHAR *PictureCommands::Usage() const {
    return L"  formats            the capture pin's formats (subtype, size, highest frame rate)\n"
           L"                     and the still pin's (subtype, size)\n"
           L"  still [-o FILE|FOLDER] [--format MJPG|YUY2] [--size WxH] [--af] [--no-flash]\n"
           L"        [--timeout SECONDS]\n"
           L"                     take one picture through the still pin, with the flash when\n"
           L"                     one is connected; -o names the file (.jpg for MJPG, .bmp for\n"
           L"                     YUY2, never replaced) or the folder (the current one by\n"
           L"                     default) where it gets the viewer's name, yyyyMMddHHmmss;\n"
           L"                     --af focuses first; each wait lasts 10 s unless --timeout says\n";
}
