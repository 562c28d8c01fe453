// Arguments.h - korfw's command line: the command, its values and the
// options, checked before any camera is touched.
#ifndef KOR_TOOLS_KORFW_ARGUMENTS_H
#define KOR_TOOLS_KORFW_ARGUMENTS_H

#include <windows.h>

#include <string>
#include <vector>

// External: a command of the set the build adds (CommandSet.h).
enum class Command {
    Help,
    List,
    Info,
    AfTrigger,
    AfStatus,
    FocusGet,
    FocusSet,
    Strobe,
    Gpo,
    Gpi,
    RegRead,
    Reset,
    External
};

// The values korfw accepts.
const int kFocusMin = 0;
const int kFocusMax = 255;
// The library drives general-purpose output 8 only; korfw accepts no other.
const int kGpoPin = 8;
// Each wait of a command (--timeout SECONDS): the default and the longest.
const DWORD kDefaultTimeoutMs = 10000;
const DWORD kMaxTimeoutMs = 3600000;

enum class DeviceChoice { FirstAccepted, Index, Path };

struct Request {
    Command command = Command::Help;
    bool bJson = false;
    DeviceChoice device = DeviceChoice::FirstAccepted;
    int iDeviceIndex = 0;
    std::wstring devicePath;
    int iValue = 0;  // focus position, strobe (1 on, 0 off), output state
    USHORT usAddress = 0;
    bool bWait = false;  // af trigger --wait
    DWORD dwTimeoutMs = kDefaultTimeoutMs;
    const WCHAR *pszName = L"help";  // the command as JSON names it
};

class CommandSet;

// Parses the arguments after the program name; pAdded (may be null) is the
// set of commands the build adds. False with the reason in *pError for
// anything korfw does not accept.
bool ParseArguments(int argc, WCHAR **argv, CommandSet *pAdded, Request *pRequest, std::wstring *pError);

// A decimal number of at most six digits; no sign, no spaces.
bool ParseDecimal(const std::wstring &text, int *piValue);

// "--timeout SECONDS" at words[*pi]: the seconds (a decimal number, up to
// three places after the point, more than 0 and at most an hour) in
// milliseconds; *pi is left on the value.
bool ParseTimeoutOption(const std::vector<std::wstring> &words, size_t *pi, DWORD *pdwMs, std::wstring *pError);

// "unknown option 'X'" for an option word, else "unexpected 'X'".
std::wstring UnexpectedWord(const std::wstring &word);

// The usage text, one line per command (the added set's lines included).
std::wstring UsageText(const CommandSet *pAdded);

#endif  // KOR_TOOLS_KORFW_ARGUMENTS_H
