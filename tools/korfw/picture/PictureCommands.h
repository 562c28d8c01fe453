// PictureCommands.h - the commands korfw.exe adds to its own as it comes
// with the viewer: "formats" and "still", on the viewer's capture library.
#ifndef KOR_TOOLS_KORFW_PICTURE_PICTURECOMMANDS_H
#define KOR_TOOLS_KORFW_PICTURE_PICTURECOMMANDS_H

#include <windows.h>

#include <string>
#include <vector>

#include "CommandSet.h"

// What "still" was asked for.
struct StillOptions {
    std::wstring output;  // -o: a folder or a file; empty: the current folder
    bool bOutputFolder = true;
    std::wstring subtype = L"MJPG";  // --format: "MJPG" or "YUY2"
    bool bSubtypeGiven = false;
    int iWidth = 0;  // --size; 0: the viewer's start-up size
    int iHeight = 0;
    bool bAutofocus = false;  // --af
    bool bFlash = true;       // not --no-flash
};

class PictureCommands : public CommandSet {
public:
    ParseResult Parse(const std::vector<std::wstring> &words, Request *pRequest, std::wstring *pError) override;
    bool NeedsSession(const Request &request) const override;
    bool Run(const Request &request, const VideoDevice &device, Report *pReport, Failure *pFailure) override;
    const WCHAR *Usage() const override;

private:
    bool m_bStill = false;
    StillOptions m_still;
};

// The commands, each on the chosen camera (the still in the open session).
bool RunFormats(const VideoDevice &device, Report *pReport, Failure *pFailure);
bool RunStill(const StillOptions &options, DWORD dwTimeoutMs, const VideoDevice &device, Report *pReport,
              Failure *pFailure);

#endif  // KOR_TOOLS_KORFW_PICTURE_PICTURECOMMANDS_H
