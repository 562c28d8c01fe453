// DebugPrint.cpp - the shell's and the capture manager's formatted debug lines.
//
// Each printer has its own buffer. The capture manager's printer is used on
// the window thread and on the still branch's streaming thread, so each
// buffer is filled and written under its own lock: two threads never write
// into one line at the same time.
#include "DebugPrint.h"

#include <strsafe.h>

#include "CritSecLock.h"

namespace {

struct DebugPrinter {
    CritSec lock;
    WCHAR buffer[kDebugPrintBufferChars];
};

// Formats into the printer's buffer (at most kDebugPrintMaxChars
// characters, the rest cut) and writes it to the debugger output.
void PrintTo(DebugPrinter &printer, LPCWSTR pszFormat, va_list args) {
    CritSecLock guard(printer.lock);
    // StringCchVPrintfW stops at the buffer's end (STRSAFE_E_INSUFFICIENT_BUFFER
    // still leaves the cut text); one slot more than the line may fill stays
    // unused, and the last slot keeps the terminator.
    (void)StringCchVPrintfW(printer.buffer, kDebugPrintMaxChars + 1, pszFormat, args);
    printer.buffer[kDebugPrintBufferChars - 1] = L'\0';
    OutputDebugStringW(printer.buffer);
}

DebugPrinter &ShellPrinter() {
    static DebugPrinter s_printer;
    return s_printer;
}

DebugPrinter &CapturePrinter() {
    static DebugPrinter s_printer;
    return s_printer;
}

}  // namespace

void DebugPrint(LPCWSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    PrintTo(ShellPrinter(), pszFormat, args);
    va_end(args);
}

void DShowDebugPrint(LPCWSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    PrintTo(CapturePrinter(), pszFormat, args);
    va_end(args);
}
