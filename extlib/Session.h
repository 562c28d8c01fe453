// Session.h - the library's session with the extension-unit component.
//
// Process-wide, one session at a time. Read and change these only while
// holding LibLock.
#ifndef KOR_EXTLIB_SESSION_H
#define KOR_EXTLIB_SESSION_H

#include <windows.h>

#include "XUComponent.h"

extern IVMDevice *g_pVMDevice;      // device lister, one reference, or null
extern IXUVMControl *g_pXUControl;  // register object, one reference; non-null = session
extern ULONG g_ulNumber;            // devices listed by the last InitLibrary
extern int g_bDeviceFound;          // the last InitLibrary accepted a device
extern int g_bAttached;             // register object bound to a device
extern USHORT g_usFirmwareVersion;  // information index 153 of the session's camera

// The library's own version text.
#define KORFWSW_VERSION_TEXT L"1.1"

// True when a session is open; otherwise sets ERR_NOT_INITIALISED.
bool RequireSession();

#endif  // KOR_EXTLIB_SESSION_H
