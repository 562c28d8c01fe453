// Arguments.cpp - parsing and checking korfw's command line.
#include "Arguments.h"

#include <vector>

#include "Console.h"

namespace {

// A decimal number with at most a few digits; no sign, no spaces.
bool ParseDecimal(const std::wstring &text, int *piValue) {
    if (text.empty() || text.size() > 6) return false;
    int iValue = 0;
    for (WCHAR ch : text) {
        if (ch < L'0' || ch > L'9') return false;
        iValue = iValue * 10 + (ch - L'0');
    }
    *piValue = iValue;
    return true;
}

// A 16-bit register address in hexadecimal, with or without "0x".
bool ParseHexAddress(const std::wstring &text, USHORT *pusAddress) {
    size_t iStart = (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) ? 2 : 0;
    if (text.size() == iStart || text.size() - iStart > 4) return false;
    unsigned uValue = 0;
    for (size_t i = iStart; i < text.size(); ++i) {
        WCHAR ch = text[i];
        unsigned uDigit;
        if (ch >= L'0' && ch <= L'9') {
            uDigit = ch - L'0';
        } else if (ch >= L'a' && ch <= L'f') {
            uDigit = ch - L'a' + 10;
        } else if (ch >= L'A' && ch <= L'F') {
            uDigit = ch - L'A' + 10;
        } else {
            return false;
        }
        uValue = uValue * 16 + uDigit;
    }
    *pusAddress = static_cast<USHORT>(uValue);
    return true;
}

// Commands whose words are fixed.
bool ParseFixedCommand(const std::vector<std::wstring> &words, Request *pRequest) {
    struct Fixed {
        const WCHAR *pszWord;
        const WCHAR *pszSub;
        Command command;
        int iValue;
        const WCHAR *pszName;
    };
    static const Fixed kFixed[] = {
        {L"list", nullptr, Command::List, 0, L"list"},
        {L"info", nullptr, Command::Info, 0, L"info"},
        {L"af", L"trigger", Command::AfTrigger, 0, L"af trigger"},
        {L"af", L"status", Command::AfStatus, 0, L"af status"},
        {L"focus", L"get", Command::FocusGet, 0, L"focus get"},
        {L"strobe", L"on", Command::Strobe, 1, L"strobe on"},
        {L"strobe", L"off", Command::Strobe, 0, L"strobe off"},
        {L"gpi", nullptr, Command::Gpi, 0, L"gpi"},
        {L"reset", nullptr, Command::Reset, 0, L"reset"},
    };
    const size_t cWords = words.size();
    for (const Fixed &fixed : kFixed) {
        if (words[0] != fixed.pszWord) continue;
        size_t cExpected = fixed.pszSub ? 2 : 1;
        if (cWords == cExpected && (!fixed.pszSub || words[1] == fixed.pszSub)) {
            pRequest->command = fixed.command;
            pRequest->iValue = fixed.iValue;
            pRequest->pszName = fixed.pszName;
            return true;
        }
    }
    return false;
}

// "focus set N".
bool ParseFocusSet(const std::wstring &value, Request *pRequest, std::wstring *pError) {
    if (!ParseDecimal(value, &pRequest->iValue) || pRequest->iValue > kFocusMax) {
        *pError = Format(L"focus position '%s' is not a number from %d to %d", value.c_str(), kFocusMin, kFocusMax);
        return false;
    }
    pRequest->command = Command::FocusSet;
    pRequest->pszName = L"focus set";
    return true;
}

// "gpo PIN 0|1".
bool ParseGpo(const std::wstring &pin, const std::wstring &state, Request *pRequest, std::wstring *pError) {
    int iPin = 0;
    if (!ParseDecimal(pin, &iPin) || iPin != kGpoPin) {
        *pError = Format(L"output '%s' is not supported: the camera's only output is %d", pin.c_str(), kGpoPin);
        return false;
    }
    if (state != L"0" && state != L"1") {
        *pError = Format(L"output state '%s' is neither 0 nor 1", state.c_str());
        return false;
    }
    pRequest->command = Command::Gpo;
    pRequest->iValue = state == L"1" ? 1 : 0;
    pRequest->pszName = L"gpo";
    return true;
}

// "reg read ADDR".
bool ParseRegRead(const std::wstring &address, Request *pRequest, std::wstring *pError) {
    if (!ParseHexAddress(address, &pRequest->usAddress)) {
        *pError = Format(L"register address '%s' is not a hexadecimal number from 0 to FFFF", address.c_str());
        return false;
    }
    pRequest->command = Command::RegRead;
    pRequest->pszName = L"reg read";
    return true;
}

// The command and its words, without the options.
bool ParseCommand(const std::vector<std::wstring> &words, Request *pRequest, std::wstring *pError) {
    if (ParseFixedCommand(words, pRequest)) return true;
    const std::wstring &name = words[0];
    const size_t cWords = words.size();
    const std::wstring sub = cWords > 1 ? words[1] : std::wstring();
    if (name == L"focus" && sub == L"set" && cWords == 3) return ParseFocusSet(words[2], pRequest, pError);
    if (name == L"gpo" && cWords == 3) return ParseGpo(words[1], words[2], pRequest, pError);
    if (name == L"reg" && sub == L"read" && cWords == 3) return ParseRegRead(words[2], pRequest, pError);
    *pError = Format(L"unknown command '%s'", name.c_str());
    for (size_t i = 1; i < cWords; ++i) *pError += L" " + words[i];
    return false;
}

}  // namespace

bool ParseArguments(int argc, WCHAR **argv, Request *pRequest, std::wstring *pError) {
    std::vector<std::wstring> words;
    bool bDeviceGiven = false;
    for (int i = 0; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--json") {
            pRequest->bJson = true;
        } else if (arg == L"-h" || arg == L"--help" || arg == L"/?") {
            pRequest->command = Command::Help;
            return true;
        } else if (arg == L"-d") {
            if (i + 1 >= argc || bDeviceGiven) {
                *pError = bDeviceGiven ? L"-d given twice" : L"-d needs a device index or path";
                return false;
            }
            bDeviceGiven = true;
            std::wstring device = argv[++i];
            if (ParseDecimal(device, &pRequest->iDeviceIndex)) {
                pRequest->device = DeviceChoice::Index;
            } else if (!device.empty() && device[0] != L'-') {
                pRequest->device = DeviceChoice::Path;
                pRequest->devicePath = device;
            } else {
                *pError = Format(L"'%s' is neither a device index nor a device path", device.c_str());
                return false;
            }
        } else if (arg.size() > 1 && arg[0] == L'-' && (arg[1] < L'0' || arg[1] > L'9')) {
            *pError = Format(L"unknown option '%s'", arg.c_str());
            return false;
        } else {
            words.push_back(arg);
        }
    }
    if (words.empty()) {
        *pError = L"no command given";
        return false;
    }
    if (!ParseCommand(words, pRequest, pError)) return false;
    if (pRequest->command == Command::List && bDeviceGiven) {
        *pError = L"list takes no device";
        return false;
    }
    return true;
}

const WCHAR *UsageText() {
    return L"usage: korfw [--json] list\n"
           L"       korfw [--json] [-d INDEX|PATH] COMMAND\n"
           L"commands:\n"
           L"  info               sensor ID, bridge chip ID and firmware version\n"
           L"  af trigger         start one autofocus run\n"
           L"  af status          the focus state: manual, focusing or focused\n"
           L"  focus get          the lens position (0..255)\n"
           L"  focus set N        move the lens to N (0..255)\n"
           L"  strobe on|off      enable or disable the LED strobe\n"
           L"  gpo 8 0|1          switch general-purpose output 8 (the only output) off or on\n"
           L"  gpi                the input bits (bit 0 set while no flash is connected)\n"
           L"  reg read ADDR      read a sensor register (ADDR hexadecimal, 0..FFFF)\n"
           L"  reset              reset the camera's USB connection\n"
           L"-d INDEX|PATH chooses the camera by its index in 'korfw list' or its device\n"
           L"path; without it korfw takes the first camera the library accepts.\n"
           L"--json prints one JSON object per command.\n"
           L"exit codes: 0 success, 1 the camera or the library refused, 2 usage error\n";
}
