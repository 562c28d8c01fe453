// DshowShared.h - small pieces the capture manager's source files share:
// the walk over a stream configuration's capabilities and the modal
// property frame of an object's pages.
#ifndef KOR_VIEWER_CAPTURE_DSHOWSHARED_H
#define KOR_VIEWER_CAPTURE_DSHOWSHARED_H

#include <windows.h>
#include <dshow.h>

#include "MediaType.h"

// The size of a video stream-configuration capability (VIDEO_STREAM_CONFIG_CAPS).
const int kVideoCapsSize = 128;

// Calls visit(index, capability type) for each capability of the
// configuration, in order, skipping those that cannot be read; stops when
// visit returns false. The type is the caller's to keep or change while
// visit runs and is deleted after it.
template <typename Visit>
void WalkCapabilities(IAMStreamConfig *pConfig, int count, Visit visit) {
    for (int i = 0; i < count; ++i) {
        BYTE caps[kVideoCapsSize];
        MediaTypePtr pmt;
        if (FAILED(pConfig->GetStreamCaps(i, &pmt, caps)) || !pmt) continue;
        if (!visit(i, pmt)) return;
    }
}

// Shows the object's property pages in a modal property frame (locale 0).
// False when the object has no pages to show; the frame was not opened.
bool ShowPropertyFrame(IUnknown *pObject, HWND hWndOwner, int x, int y, LPCWSTR pszCaption);

#endif  // KOR_VIEWER_CAPTURE_DSHOWSHARED_H
