// ComponentAccess.cpp - serialised calls on the register object.
#include "ComponentAccess.h"

#include <string.h>

#include "KORFwSw.h"
#include "LibLock.h"
#include "Session.h"

namespace {

const USHORT kChipSensorAnnounce = 0x8102;  // takes the size of the next packet
const ULONG kInfoBusAddress = 160;

}  // namespace

XuResult XuWriteChipRegister(USHORT usAddress, USHORT usValue) {
    CritSecLock lock(LibraryLock());
    if (!g_pXUControl) return XU_NO_SESSION;
    return g_pXUControl->WriteChipRegister(usAddress, usValue) == 0 ? XU_OK : XU_FAILED;
}

XuResult XuReadChipRegister(USHORT usAddress, USHORT *pusValue) {
    *pusValue = 0;
    CritSecLock lock(LibraryLock());
    if (!g_pXUControl) return XU_NO_SESSION;
    return g_pXUControl->ReadChipRegister(usAddress, pusValue) == 0 ? XU_OK : XU_FAILED;
}

XuResult XuGetControl(ULONG ulSelector, ULONG ulLength, BYTE *pBuffer) {
    memset(pBuffer, 0, ulLength);
    CritSecLock lock(LibraryLock());
    if (!g_pXUControl) return XU_NO_SESSION;
    return g_pXUControl->GetXUControl(ulSelector, ulLength, pBuffer) == 0 ? XU_OK : XU_FAILED;
}

XuResult XuReadInfoValue(USHORT usIndex, USHORT *pusValue) {
    *pusValue = 0;
    CritSecLock lock(LibraryLock());
    if (!g_pXUControl) return XU_NO_SESSION;
    return SUCCEEDED(g_pXUControl->ReadInfoValue(kInfoBusAddress, usIndex, pusValue)) ? XU_OK : XU_FAILED;
}

XuResult XuSensorTransfer(BYTE *pPacket, bool bRead) {
    CritSecLock lock(LibraryLock());
    if (!g_pXUControl) return XU_NO_SESSION;
    if (g_pXUControl->WriteChipRegister(kChipSensorAnnounce, static_cast<USHORT>(kSensorCommandSize)) != 0)
        return XU_FAILED;
    if (g_pXUControl->SetXUControl(kXuSensorSelector, kSensorCommandSize, pPacket) != 0) return XU_FAILED;
    if (bRead && g_pXUControl->GetXUControl(kXuSensorSelector, kSensorCommandSize, pPacket) != 0) return XU_FAILED;
    return XU_OK;
}

void SetXuError(XuResult result) { SetLastError(result == XU_NO_SESSION ? ERR_NOT_INITIALISED : ERR_XU_TRANSFER); }
