// LayerCache.cpp - builds the still part of the picture and keeps the last
// few: the scene's reflectances per size, and the finished YUY2 layers per
// size, defocus and image-control setting.
#include "LayerCache.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <new>

#include "Blur.h"
#include "BufferPool.h"
#include "Scene.h"
#include "ToneMap.h"

namespace {

// A capture size and a still size, with and without flash, stay cached.
const int kLayerSlots = 3;
const int kSceneSlots = 2;

struct SceneKey {
    LONG width;
    LONG height;
};

struct LayerKey {
    LONG width;
    LONG height;
    LONG blurRadius;
    SimTone tone;
};

// Shares an object made here. Empty (the object freed) when the shared
// count cannot be allocated.
template <class T>
std::shared_ptr<const T> Share(T *p) {
    if (!p) return nullptr;
    try {
        return std::shared_ptr<const T>(p);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

// Reflectance planes (red, green, blue) of the scene at one size.
class ScenePlanes {
public:
    static std::shared_ptr<const ScenePlanes> Create(LONG width, LONG height) {
        std::unique_ptr<ScenePlanes> p(new (std::nothrow) ScenePlanes);
        if (!p) return nullptr;
        const size_t cbPlane = static_cast<size_t>(width) * height;
        p->m_pPlanes = static_cast<BYTE *>(SimPoolAlloc(3 * cbPlane));
        if (!p->m_pPlanes) return nullptr;
        p->m_cbPlane = cbPlane;
        if (!SimRenderScene(width, height, p->Plane(0), p->Plane(1), p->Plane(2))) return nullptr;
        return Share(p.release());
    }

    ~ScenePlanes() { SimPoolFree(m_pPlanes); }
    ScenePlanes(const ScenePlanes &) = delete;
    ScenePlanes &operator=(const ScenePlanes &) = delete;

    const BYTE *Plane(int channel) const { return m_pPlanes + channel * m_cbPlane; }

private:
    ScenePlanes() = default;
    BYTE *Plane(int channel) { return m_pPlanes + channel * m_cbPlane; }

    BYTE *m_pPlanes = nullptr;
    size_t m_cbPlane = 0;
};

// Most recently used first. Find and Insert hand out a share of their own.
template <class Key, class Item, int kSlots>
class MruCache {
public:
    using ItemPtr = std::shared_ptr<const Item>;

    MruCache() = default;
    MruCache(const MruCache &) = delete;
    MruCache &operator=(const MruCache &) = delete;

    ItemPtr Find(const Key &key) {
        AcquireSRWLockExclusive(&m_lock);
        ItemPtr pItem = FindLocked(key);
        ReleaseSRWLockExclusive(&m_lock);
        return pItem;
    }

    // Stores pItem unless another thread stored one for the key meanwhile;
    // returns the stored one.
    ItemPtr Insert(const Key &key, ItemPtr pItem) {
        ItemPtr pEvicted;
        AcquireSRWLockExclusive(&m_lock);
        ItemPtr pExisting = FindLocked(key);
        if (!pExisting) {
            if (m_count == kSlots) pEvicted = std::move(m_items[--m_count]);
            m_keys[m_count] = key;
            m_items[m_count] = pItem;
            MoveToFront(m_count);
            ++m_count;
        }
        ReleaseSRWLockExclusive(&m_lock);
        // Freeing (the evicted item, or pItem when another was stored) happens
        // outside the lock, as the pointers leave this scope.
        return pExisting ? pExisting : pItem;
    }

private:
    // The item for the key, moved to the front; lock held.
    ItemPtr FindLocked(const Key &key) {
        for (int i = 0; i < m_count; ++i) {
            if (memcmp(&m_keys[i], &key, sizeof(Key)) == 0) {
                MoveToFront(i);
                return m_items[0];
            }
        }
        return nullptr;
    }

    void MoveToFront(int index) {
        std::rotate(m_keys, m_keys + index, m_keys + index + 1);
        std::rotate(m_items, m_items + index, m_items + index + 1);
    }

    SRWLOCK m_lock = SRWLOCK_INIT;
    int m_count = 0;
    Key m_keys[kSlots] = {};
    ItemPtr m_items[kSlots];
};

// Destroyed after the caches below (static objects go in reverse order), so
// the blocks they hand back on unload are freed too.
struct PoolDrainAtExit {
    PoolDrainAtExit() = default;
    PoolDrainAtExit(const PoolDrainAtExit &) = delete;
    PoolDrainAtExit &operator=(const PoolDrainAtExit &) = delete;
    ~PoolDrainAtExit() { SimPoolDrain(); }
};
PoolDrainAtExit g_poolDrain;

MruCache<SceneKey, ScenePlanes, kSceneSlots> g_sceneCache;
MruCache<LayerKey, SimSceneLayer, kLayerSlots> g_layerCache;

std::shared_ptr<const ScenePlanes> AcquireScene(LONG width, LONG height) {
    const SceneKey key = {width, height};
    std::shared_ptr<const ScenePlanes> pScene = g_sceneCache.Find(key);
    if (pScene) return pScene;
    pScene = ScenePlanes::Create(width, height);
    return pScene ? g_sceneCache.Insert(key, pScene) : nullptr;
}

}  // namespace

class SimLayerBuilder {
public:
    // Scene -> lens blur -> image controls -> YUY2.
    static std::shared_ptr<const SimSceneLayer> Build(const LayerKey &key) {
        const std::shared_ptr<const ScenePlanes> pScene = AcquireScene(key.width, key.height);
        if (!pScene) return nullptr;
        std::unique_ptr<SimSceneLayer> pLayer(new (std::nothrow) SimSceneLayer);
        if (!pLayer || !Fill(pLayer.get(), key, *pScene)) return nullptr;
        return Share(pLayer.release());
    }

private:
    static bool Fill(SimSceneLayer *pLayer, const LayerKey &key, const ScenePlanes &scene) {
        const size_t cbPlane = static_cast<size_t>(key.width) * key.height;
        pLayer->m_width = key.width;
        pLayer->m_height = key.height;
        pLayer->m_pYuy2 = static_cast<BYTE *>(SimPoolAlloc(2 * cbPlane));
        BYTE *pScratch = static_cast<BYTE *>(SimPoolAlloc(cbPlane));
        BYTE *pBlurred = key.blurRadius > 0 ? static_cast<BYTE *>(SimPoolAlloc(3 * cbPlane)) : nullptr;
        bool ok = pLayer->m_pYuy2 && pScratch && (key.blurRadius == 0 || pBlurred);

        const BYTE *planes[3] = {scene.Plane(0), scene.Plane(1), scene.Plane(2)};
        for (int c = 0; ok && pBlurred && c < 3; ++c) {
            BYTE *pPlane = pBlurred + c * cbPlane;
            memcpy(pPlane, planes[c], cbPlane);
            ok = SimBlurPlane(pPlane, key.width, key.height, key.blurRadius, pScratch);
            planes[c] = pPlane;
        }
        if (ok) {
            const SimToneMapper mapper(key.tone);
            mapper.MapPlanes(planes[0], planes[1], planes[2], key.width, key.height, pLayer->m_pYuy2, pScratch);
            mapper.MapColour(kSimBallColour, &pLayer->m_ball.y, &pLayer->m_ball.u, &pLayer->m_ball.v);
            pLayer->m_ball.sigma = SimBlurSigma(key.blurRadius);
        }
        SimPoolFree(pBlurred);
        SimPoolFree(pScratch);
        return ok;
    }
};

SimSceneLayer::~SimSceneLayer() { SimPoolFree(m_pYuy2); }

std::shared_ptr<const SimSceneLayer> SimAcquireLayer(const SimPictureInput &input, LONG width, LONG height) {
    LayerKey key;
    memset(&key, 0, sizeof(key));
    key.width = width;
    key.height = height;
    LONG lens = input.lensPosition, best = input.bestPosition;
    lens = lens < 0 ? 0 : (lens > 255 ? 255 : lens);
    best = best < 0 ? 0 : (best > 255 ? 255 : best);
    key.blurRadius = SimBlurRadius(lens - best, height);
    SimToneFromInput(input, &key.tone);

    std::shared_ptr<const SimSceneLayer> pLayer = g_layerCache.Find(key);
    if (pLayer) return pLayer;
    pLayer = SimLayerBuilder::Build(key);
    return pLayer ? g_layerCache.Insert(key, pLayer) : nullptr;
}
