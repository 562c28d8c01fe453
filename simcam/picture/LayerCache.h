// LayerCache.h - the still part of the picture, rendered once per size,
// defocus and image-control setting and shared between frames and threads.
//
// A layer is the scene after the lens and the image controls, as YUY2; a
// frame is a copy of it with the overlays drawn on. Layers are immutable
// once built and shared (std::shared_ptr), so a thread can go on using one
// while another replaces it in the cache. The caches' locks are held only to look
// up and insert, never while rendering.
#ifndef KOR_SIMCAM_PICTURE_LAYERCACHE_H
#define KOR_SIMCAM_PICTURE_LAYERCACHE_H

#include <windows.h>

#include <memory>

#include "Overlay.h"
#include "Picture.h"

class SimSceneLayer {
public:
    LONG Width() const { return m_width; }
    LONG Height() const { return m_height; }
    const BYTE *Yuy2() const { return m_pYuy2; }
    const SimBallLook &Ball() const { return m_ball; }

    ~SimSceneLayer();
    SimSceneLayer(const SimSceneLayer &) = delete;
    SimSceneLayer &operator=(const SimSceneLayer &) = delete;

private:
    friend class SimLayerBuilder;
    SimSceneLayer() = default;

    LONG m_width = 0;
    LONG m_height = 0;
    BYTE *m_pYuy2 = nullptr;
    SimBallLook m_ball = {};
};

// The layer for this input at width x height (width even, both positive);
// empty when memory runs out.
std::shared_ptr<const SimSceneLayer> SimAcquireLayer(const SimPictureInput &input, LONG width, LONG height);

#endif  // KOR_SIMCAM_PICTURE_LAYERCACHE_H
