// CommandSet.h - commands a build of korfw adds to its own.
//
// korfw's own commands need KORFwSw only, and that is all the library kit's
// example is built from. The tool as shipped adds the picture commands
// (picture/), which work through the viewer's capture library; they come in
// through this interface.
#ifndef KOR_TOOLS_KORFW_COMMANDSET_H
#define KOR_TOOLS_KORFW_COMMANDSET_H

#include <windows.h>

#include <string>
#include <vector>

#include "Arguments.h"
#include "Devices.h"
#include "Report.h"

enum class ParseResult { NotMine, Parsed, Refused };

class CommandSet {
public:
    virtual ~CommandSet() = default;

    // words: the command and its own options, the global ones taken out.
    // Parsed: *pRequest names it (Command::External); Refused: the reason is
    // in *pError.
    virtual ParseResult Parse(const std::vector<std::wstring> &words, Request *pRequest, std::wstring *pError) = 0;
    // Whether the command needs the library's session (opened before Run).
    virtual bool NeedsSession(const Request &request) const = 0;
    // Runs the parsed command on the camera: true with its values in
    // *pReport, false with the reason in *pFailure.
    virtual bool Run(const Request &request, const VideoDevice &device, Report *pReport, Failure *pFailure) = 0;
    // Lines of the usage text, each ending in a line break.
    virtual const WCHAR *Usage() const = 0;
};

#endif  // KOR_TOOLS_KORFW_COMMANDSET_H
