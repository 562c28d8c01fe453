// DialogTemplate.h - a dialog template (DLGTEMPLATEEX) of the running
// program's resources, as the resource holds it.
#ifndef KOR_TESTS_COMMON_DIALOGTEMPLATE_H
#define KOR_TESTS_COMMON_DIALOGTEMPLATE_H

#include <windows.h>

#include <string>
#include <vector>

struct DialogTemplateItem {
    int id;
    DWORD style;
};

struct DialogTemplate {
    DWORD style;
    short x, y, cx, cy;
    std::wstring caption;
    WORD pointSize;
    std::wstring typeface;
    std::vector<DialogTemplateItem> items;
};

// Reads the template of dialog resource id. False when there is none or it
// is not a DLGTEMPLATEEX.
bool ReadDialogTemplate(int id, DialogTemplate *pTemplate);

// The style a control has in the template (controls may change their own
// styles when created: the edit control takes WS_BORDER off and draws the
// border itself). 0 when the control is not in the template.
DWORD TemplateItemStyle(int dialogId, int controlId);

#endif  // KOR_TESTS_COMMON_DIALOGTEMPLATE_H
