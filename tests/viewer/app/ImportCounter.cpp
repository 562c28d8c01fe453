// ImportCounter.cpp - import address table entries pointed at counters.
#include "ImportCounter.h"

#include <string.h>

#include "KORFwSw.h"

namespace {

typedef int(KORFWSW_CALL *PFN_IS_SENSOR_READY)(void);
typedef int(KORFWSW_CALL *PFN_AF_FREEZE_CONTROL)(int);

PFN_IS_SENSOR_READY g_pfnIsSensorReady = nullptr;
PFN_AF_FREEZE_CONTROL g_pfnAFFreezeControl = nullptr;
volatile LONG g_lIsSensorReady = 0;
volatile LONG g_lAFFreezeControl = 0;
volatile LONG g_lLastMode = -1;

int KORFWSW_CALL CountedIsSensorReady(void) {
    InterlockedIncrement(&g_lIsSensorReady);
    return g_pfnIsSensorReady();
}

int KORFWSW_CALL CountedAFFreezeControl(int iMode) {
    InterlockedIncrement(&g_lAFFreezeControl);
    InterlockedExchange(&g_lLastMode, iMode);
    return g_pfnAFFreezeControl(iMode);
}

// The import address table slot of one named import of one DLL.
void **FindImportSlot(HMODULE hModule, const char *pszDll, const char *pszFunction) {
    BYTE *pBase = reinterpret_cast<BYTE *>(hModule);
    const IMAGE_DOS_HEADER *pDos = reinterpret_cast<const IMAGE_DOS_HEADER *>(pBase);
    const IMAGE_NT_HEADERS *pNt = reinterpret_cast<const IMAGE_NT_HEADERS *>(pBase + pDos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return nullptr;
    for (const IMAGE_IMPORT_DESCRIPTOR *pDesc =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(pBase + dir.VirtualAddress);
         pDesc->Name != 0; ++pDesc) {
        if (_stricmp(reinterpret_cast<const char *>(pBase + pDesc->Name), pszDll) != 0) continue;
        const IMAGE_THUNK_DATA *pNames = reinterpret_cast<const IMAGE_THUNK_DATA *>(
            pBase + (pDesc->OriginalFirstThunk ? pDesc->OriginalFirstThunk : pDesc->FirstThunk));
        IMAGE_THUNK_DATA *pSlots = reinterpret_cast<IMAGE_THUNK_DATA *>(pBase + pDesc->FirstThunk);
        for (; pNames->u1.AddressOfData != 0; ++pNames, ++pSlots) {
            if (IMAGE_SNAP_BY_ORDINAL(pNames->u1.Ordinal)) continue;
            const IMAGE_IMPORT_BY_NAME *pName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME *>(pBase + pNames->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char *>(pName->Name), pszFunction) == 0) {
                return reinterpret_cast<void **>(&pSlots->u1.Function);
            }
        }
    }
    return nullptr;
}

bool Redirect(void **ppSlot, void *pNew) {
    DWORD dwOld = 0;
    if (!VirtualProtect(ppSlot, sizeof(void *), PAGE_READWRITE, &dwOld)) return false;
    *ppSlot = pNew;
    DWORD dwIgnored = 0;
    (void)VirtualProtect(ppSlot, sizeof(void *), dwOld, &dwIgnored);
    return true;
}

}  // namespace

bool InstallLibraryCallCounters() {
    if (g_pfnIsSensorReady && g_pfnAFFreezeControl) return true;
    HMODULE hSelf = GetModuleHandleW(nullptr);
    void **ppReady = FindImportSlot(hSelf, "KORFwSw.dll", "IsSensorReady");
    void **ppFreeze = FindImportSlot(hSelf, "KORFwSw.dll", "AFFreezeControl");
    if (!ppReady || !ppFreeze) return false;
    g_pfnIsSensorReady = reinterpret_cast<PFN_IS_SENSOR_READY>(*ppReady);
    g_pfnAFFreezeControl = reinterpret_cast<PFN_AF_FREEZE_CONTROL>(*ppFreeze);
    return Redirect(ppReady, reinterpret_cast<void *>(CountedIsSensorReady)) &&
           Redirect(ppFreeze, reinterpret_cast<void *>(CountedAFFreezeControl));
}

LONG IsSensorReadyCalls() { return g_lIsSensorReady; }
LONG AFFreezeControlCalls() { return g_lAFFreezeControl; }
LONG LastAFFreezeMode() { return g_lLastMode; }
