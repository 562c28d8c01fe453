// ComponentAccess.h - every call the library makes on the session's register
// object, each made whole under LibLock.
//
// Each function takes the lock, finds the session's register object (none:
// XU_NO_SESSION) and makes its component calls. The sensor transfer keeps
// its announce, packet and reply together, so no other thread's access can
// come between them.
#ifndef KOR_EXTLIB_COMPONENTACCESS_H
#define KOR_EXTLIB_COMPONENTACCESS_H

#include <windows.h>

enum XuResult {
    XU_OK,          // the component reported success
    XU_NO_SESSION,  // no register object (the session is closed)
    XU_FAILED       // the component reported failure
};

// Extension-unit control carrying sensor command packets, and the packet size.
const ULONG kXuSensorSelector = 16;
const ULONG kSensorCommandSize = 9;

XuResult XuWriteChipRegister(USHORT usAddress, USHORT usValue);
// *pusValue is zeroed before the read.
XuResult XuReadChipRegister(USHORT usAddress, USHORT *pusValue);
// pBuffer is zeroed before the read.
XuResult XuGetControl(ULONG ulSelector, ULONG ulLength, BYTE *pBuffer);
// Reads one value of the camera's information block (bus address 160).
XuResult XuReadInfoValue(USHORT usIndex, USHORT *pusValue);
// Sends one sensor command packet: announces it in chip register 0x8102,
// writes it to the sensor control and, for a read, reads the reply back into
// the same 9 bytes.
XuResult XuSensorTransfer(BYTE *pPacket, bool bRead);

// Leaves the code for a failed access: ERR_NOT_INITIALISED or ERR_XU_TRANSFER.
void SetXuError(XuResult result);

#endif  // KOR_EXTLIB_COMPONENTACCESS_H
