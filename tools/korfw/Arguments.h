// Arguments.h - korfw's command line: the command, its values and the
// options, checked before any camera is touched.
#ifndef KOR_TOOLS_KORFW_ARGUMENTS_H
#define KOR_TOOLS_KORFW_ARGUMENTS_H

#include <windows.h>

#include <string>

enum class Command { Help, List, Info, AfTrigger, AfStatus, FocusGet, FocusSet, Strobe, Gpo, Gpi, RegRead, Reset };

// The values korfw accepts.
const int kFocusMin = 0;
const int kFocusMax = 255;
// The library drives general-purpose output 8 only; korfw accepts no other.
const int kGpoPin = 8;

enum class DeviceChoice { FirstAccepted, Index, Path };

struct Request {
    Command command = Command::Help;
    bool bJson = false;
    DeviceChoice device = DeviceChoice::FirstAccepted;
    int iDeviceIndex = 0;
    std::wstring devicePath;
    int iValue = 0;  // focus position, strobe (1 on, 0 off), output state
    USHORT usAddress = 0;
    const WCHAR *pszName = L"help";  // the command as JSON names it
};

// Parses the arguments after the program name. False with the reason in
// *pError for anything korfw does not accept.
bool ParseArguments(int argc, WCHAR **argv, Request *pRequest, std::wstring *pError);

// The usage text, one line per command.
const WCHAR *UsageText();

#endif  // KOR_TOOLS_KORFW_ARGUMENTS_H
