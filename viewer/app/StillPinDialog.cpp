// StillPinDialog.cpp - the Still Pin Properties dialog: the still pin's
// subtype and size, chosen from its capability list while the graph is
// stopped and dismantled.
#include <windows.h>
#include <limits.h>
#include <new>
#include <strsafe.h>

#include "AppGlobals.h"
#include "Dialogs.h"
#include "Dshow.h"
#include "ShellBusy.h"
#include "resource.h"

namespace {

const int kSectionLabels[] = {IDC_LBL_STILL_CAPTURE};
const int kComboTextCch = 256;  // texts read from the boxes: 255 characters
const int kSizeTextCch = 20;    // "%dx%d": at most 19 characters

// The format arrays of the open dialog (there is at most one).
struct StillPinDialogData {
    StillFormat *pFormats;  // every capability; the usable ones sorted at the front
    int count;              // capabilities
    int usable;             // MJPG and YUY2 entries at the front of pFormats
    StillFormat *pMjpg;     // MJPG entries, widest first
    int mjpgCount;
    StillFormat *pYuy2;  // YUY2 entries, widest first
    int yuy2Count;
    WCHAR unique[STILL_UNIQUE_SUBTYPES][5];
    int uniqueCount;
};
StillPinDialogData g_StillPin = {};

// The graph the open dialog took apart, and whether closing it may put that
// graph back together (not when the camera is being changed or removed, or
// the viewer is shutting down).
ULONG g_StillPinGraphEpoch = 0;
bool g_bStillPinRebuildOnClose = true;

bool IsSubtype(const StillFormat &format, LPCWSTR pszSubType) {
    return wcsncmp(format.Compression, pszSubType, 5) == 0;
}

bool IsUsable(const StillFormat &format) { return IsSubtype(format, L"MJPG") || IsSubtype(format, L"YUY2"); }

void FreeFormatArrays() {
    delete[] g_StillPin.pFormats;
    delete[] g_StillPin.pMjpg;
    delete[] g_StillPin.pYuy2;
    g_StillPin = StillPinDialogData{};
}

// Copies the entries of one subtype, in array order, into a new array.
StillFormat *CopySubtype(const StillFormat *pFormats, int count, LPCWSTR pszSubType, int *pCount) {
    int n = 0;
    for (int i = 0; i < count; ++i)
        if (IsSubtype(pFormats[i], pszSubType)) ++n;
    *pCount = 0;
    if (n == 0) return nullptr;
    StillFormat *pList = new (std::nothrow) StillFormat[n]();
    if (!pList) return nullptr;
    for (int i = 0; i < count; ++i)
        if (IsSubtype(pFormats[i], pszSubType)) CopyFormat(&pList[(*pCount)++], &pFormats[i]);
    return pList;
}

void FormatSize(const StillFormat &format, WCHAR *pszText) {
    (void)StringCchPrintfW(pszText, kSizeTextCch, L"%dx%d", format.Width, format.Height);
}

// Reads a box's text, at most 255 characters.
void GetBoxText(HWND hDlg, int id, WCHAR *pszText) {
    pszText[0] = L'\0';
    GetDlgItemTextW(hDlg, id, pszText, kComboTextCch);
}

void LoadFormats(HWND hDlg) {
    const int count = g_pDShowManager->EnumStillFormats(nullptr);
    if (count <= 0) return;  // empty boxes
    StillFormat *pFormats = new (std::nothrow) StillFormat[count]();
    if (!pFormats) return;
    g_StillPin.pFormats = pFormats;
    g_StillPin.count = count;
    (void)g_pDShowManager->EnumStillFormats(pFormats);

    OutputDebugStringW(L"Printing retrreived data\r\n");
    for (int i = 0; i < count; ++i) {
        pFormats[i].Compression[4] = L'\0';
        if (IsUsable(pFormats[i]))
            DebugPrint(L"%d %ls %dx%d\r\n", i, pFormats[i].Compression, pFormats[i].Width, pFormats[i].Height);
    }

    g_StillPin.pMjpg = CopySubtype(pFormats, count, L"MJPG", &g_StillPin.mjpgCount);
    g_StillPin.pYuy2 = CopySubtype(pFormats, count, L"YUY2", &g_StillPin.yuy2Count);
    SortFormatsByWidth(g_StillPin.pMjpg, g_StillPin.mjpgCount);
    OutputDebugStringW(L"Print yuv formats in descending order\r\n");
    SortFormatsByWidth(g_StillPin.pYuy2, g_StillPin.yuy2Count);
    for (int i = 0; i < g_StillPin.mjpgCount; ++i) CopyFormat(&pFormats[i], &g_StillPin.pMjpg[i]);
    for (int i = 0; i < g_StillPin.yuy2Count; ++i)
        CopyFormat(&pFormats[g_StillPin.mjpgCount + i], &g_StillPin.pYuy2[i]);
    g_StillPin.usable = g_StillPin.mjpgCount + g_StillPin.yuy2Count;

    g_StillPin.uniqueCount = BuildUniqueSubtypes(pFormats, g_StillPin.usable, g_StillPin.unique, STILL_UNIQUE_SUBTYPES);
    HWND hCompression = GetDlgItem(hDlg, IDC_CBO_COMPRESSION);
    SendMessageW(hCompression, CB_RESETCONTENT, 0, 0);
    for (int k = 0; k < g_StillPin.uniqueCount; ++k)
        SendMessageW(hCompression, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(g_StillPin.unique[k]));

    WCHAR szCurrent[8] = L"";
    g_pDShowManager->GetCurrentStillFormat(szCurrent);
    szCurrent[ARRAYSIZE(szCurrent) - 1] = L'\0';
    DebugPrint(L"Printing from GetCurrentStillFormat%ls\r\n", szCurrent);
    if (szCurrent[0] != L'\0')
        SendMessageW(hCompression, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(szCurrent));
}

// Any notification of the compression box refills the size box.
void FillOutputSizes(HWND hDlg, int notification) {
    OutputDebugStringW(L"IDC_CBO_COMPRESSION\r\n");
    HWND hSizes = GetDlgItem(hDlg, IDC_CBO_OUTPUT_SIZE);
    SendMessageW(hSizes, CB_RESETCONTENT, 0, 0);

    WCHAR szSubType[kComboTextCch];
    HWND hCompression = GetDlgItem(hDlg, IDC_CBO_COMPRESSION);
    const LRESULT selected = SendMessageW(hCompression, CB_GETCURSEL, 0, 0);
    // A new selection reaches the edit field only after this notification.
    if (notification == CBN_SELCHANGE && selected != CB_ERR &&
        SendMessageW(hCompression, CB_GETLBTEXTLEN, selected, 0) < kComboTextCch) {
        szSubType[0] = L'\0';
        SendMessageW(hCompression, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(szSubType));
    } else {
        GetBoxText(hDlg, IDC_CBO_COMPRESSION, szSubType);
    }
    DebugPrint(L"string selctd data=%ls\r\n", szSubType);

    const StillFormat *pList = nullptr;
    int listCount = 0;
    if (wcscmp(szSubType, L"MJPG") == 0) {
        pList = g_StillPin.pMjpg;
        listCount = g_StillPin.mjpgCount;
    } else if (wcscmp(szSubType, L"YUY2") == 0) {
        pList = g_StillPin.pYuy2;
        listCount = g_StillPin.yuy2Count;
    }
    WCHAR szSize[kSizeTextCch];
    for (int i = 0; i < listCount; ++i) {
        FormatSize(pList[i], szSize);
        SendMessageW(hSizes, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(szSize));
    }

    int width = 0;
    int height = 0;
    if (g_pDShowManager) g_pDShowManager->GetStillResolution(&width, &height);
    (void)StringCchPrintfW(szSize, ARRAYSIZE(szSize), L"%dx%d", width, height);
    SendMessageW(hSizes, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(szSize));
}

// Applies the shown selection. False, with a box naming the format, when the
// pin refused it: the pin keeps the format it had.
bool OnApply(HWND hDlg) {
    WCHAR szSubType[kComboTextCch];
    WCHAR szSize[kComboTextCch];
    GetBoxText(hDlg, IDC_CBO_COMPRESSION, szSubType);
    GetBoxText(hDlg, IDC_CBO_OUTPUT_SIZE, szSize);
    DebugPrint(L"string selctd data subtype =%ls\r\n", szSubType);
    DebugPrint(L"string selctd data resolution=%ls\r\n", szSize);
    OutputDebugStringW(L"checking upto null and print\r\n");
    for (const WCHAR *p = szSize; *p; ++p) DebugPrint(L"%lc", *p);

    int width = 0;
    int height = 0;
    ParseStillSizeText(szSize, &width, &height);
    DebugPrint(L"After parsing width=%d and height=%d\r\n", width, height);
    // SetStillFormat answers 1 when the pin has no such size (nothing is
    // set), else the pin's own result.
    const int iResult = g_pDShowManager ? g_pDShowManager->SetStillFormat(width, height, szSubType) : 1;
    if (FAILED(static_cast<HRESULT>(iResult))) {
        WCHAR szText[kComboTextCch * 2 + 64];
        (void)StringCchPrintfW(szText, ARRAYSIZE(szText), L"The still pin refused the format %ls %ls.\r\n", szSubType,
                               szSize);
        (void)KorMessageBox(hDlg, szText, L"Still pin property", MB_OK);
        return false;
    }
    EnableWindow(GetDlgItem(hDlg, IDC_STILL_PIN_APPLY), FALSE);
    return true;
}

void CloseStillPinDialog(HWND hDlg) {
    DestroyWindow(hDlg);
    g_StillPinDlgClosed = 1;
}

// OK applies the shown selection unless Apply already ran; a refused
// format keeps the dialog open.
void OnOk(HWND hDlg) {
    HWND hApply = GetDlgItem(hDlg, IDC_STILL_PIN_APPLY);
    if (IsWindowEnabled(hApply)) {
        OutputDebugStringW(L"Apply was not pressed so press it programatically\r\n");
        if (!OnApply(hDlg)) return;
    } else {
        OutputDebugStringW(L"Apply was pressed alredy\r\n");
    }
    CloseStillPinDialog(hDlg);
}

INT_PTR OnCommand(HWND hDlg, int id, int notification) {
    switch (id) {
    case IDC_CBO_COMPRESSION:
        FillOutputSizes(hDlg, notification);
        return FALSE;
    case IDC_STILL_PIN_APPLY:
        (void)OnApply(hDlg);
        return FALSE;
    case IDC_STILL_PIN_OK:
        OnOk(hDlg);
        return FALSE;
    case IDOK:
        CloseStillPinDialog(hDlg);
        return FALSE;
    case IDC_STILL_PIN_CANCEL:
        DestroyWindow(hDlg);
        return FALSE;
    default:
        // IDCANCEL (Escape, the close box) is not handled: the dialog stays.
        return FALSE;
    }
}

void OnInitDialog(HWND hDlg) {
    FreeFormatArrays();
    g_hWndStillPinDialog = hDlg;
    g_bStillPinRebuildOnClose = true;
    if (!g_pDShowManager) return;
    (void)g_pDShowManager->StopPreview();
    g_pDShowManager->DismantleGraph();
    g_StillPinGraphEpoch = g_pDShowManager->GraphEpoch();
    LoadFormats(hDlg);
}

// Closing rebuilds the graph and restarts the preview, but only the graph
// the dialog took apart, and only while it is still apart: the graph
// changes only while stopped, and a graph that someone else replaced or
// rebuilt is not touched.
void OnDestroy(HWND hDlg) {
    FreeFormatArrays();
    if (g_hWndStillPinDialog == hDlg) g_hWndStillPinDialog = nullptr;
    DShowManager *pManager = g_pDShowManager;
    if (g_bStillPinRebuildOnClose && pManager && pManager->GraphEpoch() == g_StillPinGraphEpoch &&
        !pManager->IsGraphBuilt() && pManager->BuildPreviewGraph()) {
        (void)pManager->StartPreview();
        pManager->ReSizePreview();
    }
    g_bStillPinRebuildOnClose = true;
    g_StillPinDlgClosed = 1;
}

}  // namespace

void CloseStillPinDialogKeepingGraph() {
    if (!g_hWndStillPinDialog) return;
    g_bStillPinRebuildOnClose = false;
    DestroyWindow(g_hWndStillPinDialog);
}

int ArrangeStillFormats(StillFormat *pFormats, int count, int *pMjpgCount) {
    int mjpgCount = 0;
    int yuy2Count = 0;
    StillFormat *pMjpg = CopySubtype(pFormats, count, L"MJPG", &mjpgCount);
    StillFormat *pYuy2 = CopySubtype(pFormats, count, L"YUY2", &yuy2Count);
    SortFormatsByWidth(pMjpg, mjpgCount);
    SortFormatsByWidth(pYuy2, yuy2Count);
    for (int i = 0; i < mjpgCount; ++i) CopyFormat(&pFormats[i], &pMjpg[i]);
    for (int i = 0; i < yuy2Count; ++i) CopyFormat(&pFormats[mjpgCount + i], &pYuy2[i]);
    delete[] pMjpg;
    delete[] pYuy2;
    if (pMjpgCount) *pMjpgCount = mjpgCount;
    return mjpgCount + yuy2Count;
}

int BuildUniqueSubtypes(const StillFormat *pFormats, int count, WCHAR (*pUnique)[5], int maxUnique) {
    int k = 0;
    for (int i = 0; i < count && maxUnique > 0; ++i) {
        if (!IsUsable(pFormats[i])) continue;
        if (k > 0 && wcsncmp(pUnique[k - 1], pFormats[i].Compression, 5) == 0) continue;
        if (k == maxUnique) break;
        (void)StringCchCopyNW(pUnique[k], 5, pFormats[i].Compression, 4);
        if (k > 0)
            DebugPrint(L"uniquesubtype[%d]=%ls stillFormats[%d].Compression=%ls\r\n", k, pUnique[k], i,
                       pFormats[i].Compression);
        ++k;
    }
    return k;
}

void ParseStillSizeText(LPCWSTR pszText, int *pWidth, int *pHeight) {
    int width = 0;
    int height = 0;
    bool bHeight = false;
    for (const WCHAR *p = pszText; p && *p; ++p) {
        if (*p >= L'0' && *p <= L'9') {
            int &number = bHeight ? height : width;
            const int digit = *p - L'0';
            number = (number > (INT_MAX - digit) / 10) ? INT_MAX : number * 10 + digit;
        } else if (*p == L'x' && !bHeight) {
            bHeight = true;
        }
    }
    *pWidth = width;
    *pHeight = height;
}

INT_PTR CALLBACK StillPinPropDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_INITDIALOG:
        OnInitDialog(hDlg);
        // The compression box takes the focus, which fills the size box.
        return TRUE;
    case WM_COMMAND: {
        // Its boxes and the rebuild on closing run message loops.
        ShellBusyScope busy;
        return OnCommand(hDlg, LOWORD(wParam), HIWORD(wParam));
    }
    case WM_DESTROY: {
        ShellBusyScope busy;
        OnDestroy(hDlg);
        return FALSE;
    }
    default:
        return SectionDialogDrawing(hDlg, uMsg, wParam, lParam, kSectionLabels, ARRAYSIZE(kSectionLabels));
    }
}
