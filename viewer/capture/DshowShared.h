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

static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == kVideoCapsSize, "a video capability is 128 bytes");

// Calls visit(index, capability type, capability) for each capability of a
// configuration whose capabilities are kVideoCapsSize bytes, in order,
// skipping those that cannot be read; stops when visit returns false. The
// type is the caller's to keep or change while visit runs and is deleted
// after it.
template <typename Visit>
void WalkStreamCaps(IAMStreamConfig *pConfig, int count, Visit visit) {
    for (int i = 0; i < count; ++i) {
        VIDEO_STREAM_CONFIG_CAPS caps;
        MediaTypePtr pmt;
        if (FAILED(pConfig->GetStreamCaps(i, &pmt, reinterpret_cast<BYTE *>(&caps))) || !pmt) continue;
        if (!visit(i, pmt, caps)) return;
    }
}

// The same for a visit(index, capability type) that needs the type only.
template <typename Visit>
void WalkCapabilities(IAMStreamConfig *pConfig, int count, Visit visit) {
    WalkStreamCaps(pConfig, count,
                   [&](int i, MediaTypePtr &pmt, const VIDEO_STREAM_CONFIG_CAPS &) { return visit(i, pmt); });
}

// Shows the object's property pages in a modal property frame (locale 0).
// False when the object has no pages to show; the frame was not opened.
bool ShowPropertyFrame(IUnknown *pObject, HWND hWndOwner, int x, int y, LPCWSTR pszCaption);

#endif  // KOR_VIEWER_CAPTURE_DSHOWSHARED_H
