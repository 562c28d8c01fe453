// Arguments.cpp - parsing and checking korfw's command line.
#include "Arguments.h"

#include <vector>

#include "CommandSet.h"
#include "Console.h"

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

namespace {

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

// "af trigger [--wait] [--timeout SECONDS]".
bool ParseAfTrigger(const std::vector<std::wstring> &words, Request *pRequest, std::wstring *pError) {
    bool bTimeout = false;
    for (size_t i = 2; i < words.size(); ++i) {
        if (words[i] == L"--wait") {
            pRequest->bWait = true;
        } else if (words[i] == L"--timeout") {
            if (!ParseTimeoutOption(words, &i, &pRequest->dwTimeoutMs, pError)) return false;
            bTimeout = true;
        } else {
            *pError = UnexpectedWord(words[i]);
            return false;
        }
    }
    if (bTimeout && !pRequest->bWait) {
        *pError = L"--timeout applies to af trigger --wait";
        return false;
    }
    pRequest->command = Command::AfTrigger;
    pRequest->pszName = L"af trigger";
    return true;
}

bool IsOptionWord(const std::wstring &word) {
    return word.size() > 1 && word[0] == L'-' && (word[1] < L'0' || word[1] > L'9');
}

// The command and its words, the global options taken out.
bool ParseCommand(const std::vector<std::wstring> &words, CommandSet *pAdded, Request *pRequest, std::wstring *pError) {
    const std::wstring &name = words[0];
    if (IsOptionWord(name)) {
        *pError = UnexpectedWord(name);
        return false;
    }
    if (ParseFixedCommand(words, pRequest)) return true;
    const size_t cWords = words.size();
    const std::wstring sub = cWords > 1 ? words[1] : std::wstring();
    if (name == L"af" && sub == L"trigger") return ParseAfTrigger(words, pRequest, pError);
    if (name == L"focus" && sub == L"set" && cWords == 3) return ParseFocusSet(words[2], pRequest, pError);
    if (name == L"gpo" && cWords == 3) return ParseGpo(words[1], words[2], pRequest, pError);
    if (name == L"reg" && sub == L"read" && cWords == 3) return ParseRegRead(words[2], pRequest, pError);
    ParseResult added = pAdded ? pAdded->Parse(words, pRequest, pError) : ParseResult::NotMine;
    if (added != ParseResult::NotMine) return added == ParseResult::Parsed;
    for (size_t i = 1; i < cWords; ++i) {
        if (IsOptionWord(words[i])) {
            *pError = UnexpectedWord(words[i]);
            return false;
        }
    }
    *pError = Format(L"unknown command '%s'", name.c_str());
    for (size_t i = 1; i < cWords; ++i) *pError += L" " + words[i];
    return false;
}

}  // namespace

bool ParseTimeoutOption(const std::vector<std::wstring> &words, size_t *pi, DWORD *pdwMs, std::wstring *pError) {
    if (*pi + 1 >= words.size()) {
        *pError = L"--timeout needs a number of seconds";
        return false;
    }
    const std::wstring &text = words[++*pi];
    size_t iPoint = text.find(L'.');
    std::wstring whole = text.substr(0, iPoint);
    std::wstring fraction = iPoint == std::wstring::npos ? std::wstring() : text.substr(iPoint + 1);
    int iSeconds = 0, iFraction = 0;
    bool bOk = ParseDecimal(whole, &iSeconds) && fraction.size() <= 3 &&
               (iPoint == std::wstring::npos || ParseDecimal(fraction, &iFraction));
    for (size_t i = fraction.size(); i < 3; ++i) iFraction *= 10;
    ULONGLONG ullMs = static_cast<ULONGLONG>(iSeconds) * 1000u + static_cast<ULONGLONG>(iFraction);
    if (!bOk || ullMs == 0 || ullMs > kMaxTimeoutMs) {
        *pError = Format(L"timeout '%s' is not a number of seconds above 0 and up to %lu", text.c_str(),
                         kMaxTimeoutMs / 1000);
        return false;
    }
    *pdwMs = static_cast<DWORD>(ullMs);
    return true;
}

std::wstring UnexpectedWord(const std::wstring &word) {
    return Format(IsOptionWord(word) ? L"unknown option '%s'" : L"unexpected '%s'", word.c_str());
}

bool ParseArguments(int argc, WCHAR **argv, CommandSet *pAdded, Request *pRequest, std::wstring *pError) {
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
        } else {
            words.push_back(arg);  // the command, its values and its own options
        }
    }
    if (words.empty()) {
        *pError = L"no command given";
        return false;
    }
    if (!ParseCommand(words, pAdded, pRequest, pError)) return false;
    if (pRequest->command == Command::List && bDeviceGiven) {
        *pError = L"list takes no device";
        return false;
    }
    return true;
}

std::wstring UsageText(const CommandSet *pAdded) {
    std::wstring text =
        L"usage: korfw [--json] list\n"
        L"       korfw [--json] [-d INDEX|PATH] COMMAND\n"
        L"commands:\n"
        L"  info               sensor ID, bridge chip ID and firmware version\n"
        L"  af trigger [--wait] [--timeout SECONDS]\n"
        L"                     start one autofocus run; --wait returns once the camera\n"
        L"                     reports focused (10 s at most unless --timeout says)\n"
        L"  af status          the focus state: manual, focusing or focused\n"
        L"  focus get          the lens position (0..255)\n"
        L"  focus set N        move the lens to N (0..255)\n"
        L"  strobe on|off      enable or disable the LED strobe\n"
        L"  gpo 8 0|1          switch general-purpose output 8 (the only output) off or on\n"
        L"  gpi                the input bits (bit 0 set while no flash is connected)\n"
        L"  reg read ADDR      read a sensor register (ADDR hexadecimal, 0..FFFF)\n"
        L"  reset              reset the camera's USB connection\n";
    if (pAdded) text += pAdded->Usage();
    return text +
           L"-d INDEX|PATH chooses the camera by its index in 'korfw list' or its device\n"
           L"path; without it korfw takes the first camera the library accepts.\n"
           L"--json prints one JSON object per command.\n"
           L"exit codes: 0 success, 1 the camera or the library refused, 2 usage error\n";
}
