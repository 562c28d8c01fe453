// DialogTemplate.cpp - walks a DLGTEMPLATEEX resource.
#include "DialogTemplate.h"

namespace {

const WORD *SkipSzOrOrd(const WORD *p) {
    if (*p == 0xFFFF) return p + 2;
    while (*p) ++p;
    return p + 1;
}

const WORD *ReadText(const WORD *p, std::wstring *pText) {
    *pText = reinterpret_cast<const WCHAR *>(p);
    return p + pText->size() + 1;
}

}  // namespace

bool ReadDialogTemplate(int id, DialogTemplate *pTemplate) {
    HRSRC hRes = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));  // RT_DIALOG
    if (!hRes) return false;
    const BYTE *b = static_cast<const BYTE *>(LockResource(LoadResource(nullptr, hRes)));
    const WORD *p = reinterpret_cast<const WORD *>(b);
    if (!p || p[0] != 1 || p[1] != 0xFFFF) return false;  // DLGTEMPLATEEX only
    pTemplate->style = *reinterpret_cast<const DWORD *>(b + 12);
    const WORD count = *reinterpret_cast<const WORD *>(b + 16);
    const short *pRect = reinterpret_cast<const short *>(b + 18);
    pTemplate->x = pRect[0];
    pTemplate->y = pRect[1];
    pTemplate->cx = pRect[2];
    pTemplate->cy = pRect[3];
    p = SkipSzOrOrd(SkipSzOrOrd(reinterpret_cast<const WORD *>(b + 26)));  // menu and class
    p = ReadText(p, &pTemplate->caption);
    pTemplate->pointSize = p[0];
    p = ReadText(p + 3, &pTemplate->typeface);  // after point size, weight, italic and charset
    pTemplate->items.clear();
    for (WORD i = 0; i < count; ++i) {
        const BYTE *item =
            reinterpret_cast<const BYTE *>((reinterpret_cast<UINT_PTR>(p) + 3) & ~static_cast<UINT_PTR>(3));
        DialogTemplateItem entry;
        entry.style = *reinterpret_cast<const DWORD *>(item + 8);
        entry.id = static_cast<int>(*reinterpret_cast<const DWORD *>(item + 20));
        pTemplate->items.push_back(entry);
        p = SkipSzOrOrd(SkipSzOrOrd(reinterpret_cast<const WORD *>(item + 24)));  // class and text
        const WORD extra = *p++;
        p = reinterpret_cast<const WORD *>(reinterpret_cast<const BYTE *>(p) + extra);
    }
    return true;
}

DWORD TemplateItemStyle(int dialogId, int controlId) {
    DialogTemplate dialog;
    if (!ReadDialogTemplate(dialogId, &dialog)) return 0;
    for (const DialogTemplateItem &item : dialog.items) {
        if (static_cast<int>(static_cast<short>(item.id)) == controlId || item.id == controlId) return item.style;
    }
    return 0;
}
