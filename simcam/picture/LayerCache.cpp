// LayerCache.cpp - builds the still part of the picture and keeps the last
// few: the scene's reflectances per size, and the finished YUY2 layers per
// size, defocus and image-control setting.
#include "LayerCache.h"

#include <stdlib.h>
#include <string.h>

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

// Reflectance planes (red, green, blue) of the scene at one size.
class ScenePlanes {
public:
    static const ScenePlanes *Create(LONG width, LONG height) {
        ScenePlanes *p = new (std::nothrow) ScenePlanes;
        if (!p) return nullptr;
        const size_t cbPlane = static_cast<size_t>(width) * height;
        p->m_pPlanes = static_cast<BYTE *>(SimPoolAlloc(3 * cbPlane));
        if (!p->m_pPlanes) {
            p->Release();
            return nullptr;
        }
        p->m_cbPlane = cbPlane;
        if (!SimRenderScene(width, height, p->Plane(0), p->Plane(1), p->Plane(2))) {
            p->Release();
            return nullptr;
        }
        return p;
    }

    const BYTE *Plane(int channel) const { return m_pPlanes + channel * m_cbPlane; }
    void AddRef() const { InterlockedIncrement(&m_cRef); }
    void Release() const {
        if (InterlockedDecrement(&m_cRef) == 0) delete this;
    }

private:
    ScenePlanes() = default;
    ~ScenePlanes() { SimPoolFree(m_pPlanes); }
    BYTE *Plane(int channel) { return m_pPlanes + channel * m_cbPlane; }

    mutable LONG m_cRef = 1;
    BYTE *m_pPlanes = nullptr;
    size_t m_cbPlane = 0;
};

// Most recently used first. Find and Insert hand out a reference of their own.
template <class Key, class Item, int kSlots>
class MruCache {
public:
    MruCache() = default;
    MruCache(const MruCache &) = delete;
    MruCache &operator=(const MruCache &) = delete;
    ~MruCache() {
        for (int i = 0; i < m_count; ++i) m_items[i]->Release();
    }

    const Item *Find(const Key &key) {
        AcquireSRWLockExclusive(&m_lock);
        const Item *pItem = FindLocked(key);
        ReleaseSRWLockExclusive(&m_lock);
        return pItem;
    }

    // Stores pItem (taking over the caller's reference) unless another
    // thread stored one for the key meanwhile; returns the stored one with
    // a reference for the caller.
    const Item *Insert(const Key &key, const Item *pItem) {
        const Item *pEvicted = nullptr;
        AcquireSRWLockExclusive(&m_lock);
        const Item *pExisting = FindLocked(key);
        if (!pExisting) {
            if (m_count == kSlots) pEvicted = m_items[--m_count];
            memmove(&m_keys[1], &m_keys[0], m_count * sizeof(Key));
            memmove(&m_items[1], &m_items[0], m_count * sizeof(m_items[0]));
            m_keys[0] = key;
            m_items[0] = pItem;
            ++m_count;
            pItem->AddRef();
        }
        ReleaseSRWLockExclusive(&m_lock);
        // Freeing happens outside the lock.
        if (pEvicted) pEvicted->Release();
        if (pExisting) {
            pItem->Release();
            return pExisting;
        }
        return pItem;
    }

private:
    // The item for the key, moved to the front, with a reference; lock held.
    const Item *FindLocked(const Key &key) {
        for (int i = 0; i < m_count; ++i) {
            if (memcmp(&m_keys[i], &key, sizeof(Key)) == 0) {
                const Item *pItem = m_items[i];
                MoveToFront(i);
                pItem->AddRef();
                return pItem;
            }
        }
        return nullptr;
    }

    void MoveToFront(int index) {
        const Key key = m_keys[index];
        const Item *pItem = m_items[index];
        memmove(&m_keys[1], &m_keys[0], index * sizeof(Key));
        memmove(&m_items[1], &m_items[0], index * sizeof(m_items[0]));
        m_keys[0] = key;
        m_items[0] = pItem;
    }

    SRWLOCK m_lock = SRWLOCK_INIT;
    int m_count = 0;
    Key m_keys[kSlots] = {};
    const Item *m_items[kSlots] = {};
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

const ScenePlanes *AcquireScene(LONG width, LONG height) {
    const SceneKey key = {width, height};
    const ScenePlanes *pScene = g_sceneCache.Find(key);
    if (pScene) return pScene;
    pScene = ScenePlanes::Create(width, height);
    return pScene ? g_sceneCache.Insert(key, pScene) : nullptr;
}

}  // namespace

class SimLayerBuilder {
public:
    // Scene -> lens blur -> image controls -> YUY2.
    static const SimSceneLayer *Build(const LayerKey &key) {
        const ScenePlanes *pScene = AcquireScene(key.width, key.height);
        if (!pScene) return nullptr;
        SimSceneLayer *pLayer = new (std::nothrow) SimSceneLayer;
        if (pLayer && !Fill(pLayer, key, *pScene)) {
            pLayer->Release();
            pLayer = nullptr;
        }
        pScene->Release();
        return pLayer;
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
            mapper.MapColour(g_simBallColour, &pLayer->m_ball.y, &pLayer->m_ball.u, &pLayer->m_ball.v);
            pLayer->m_ball.sigma = SimBlurSigma(key.blurRadius);
        }
        SimPoolFree(pBlurred);
        SimPoolFree(pScratch);
        return ok;
    }
};

void SimSceneLayer::AddRef() const { InterlockedIncrement(&m_cRef); }

void SimSceneLayer::Release() const {
    if (InterlockedDecrement(&m_cRef) == 0) delete this;
}

SimSceneLayer::~SimSceneLayer() { SimPoolFree(m_pYuy2); }

const SimSceneLayer *SimAcquireLayer(const SimPictureInput &input, LONG width, LONG height) {
    LayerKey key;
    memset(&key, 0, sizeof(key));
    key.width = width;
    key.height = height;
    LONG lens = input.lensPosition, best = input.bestPosition;
    lens = lens < 0 ? 0 : (lens > 255 ? 255 : lens);
    best = best < 0 ? 0 : (best > 255 ? 255 : best);
    key.blurRadius = SimBlurRadius(lens - best, height);
    SimToneFromInput(input, &key.tone);

    const SimSceneLayer *pLayer = g_layerCache.Find(key);
    if (pLayer) return pLayer;
    pLayer = SimLayerBuilder::Build(key);
    return pLayer ? g_layerCache.Insert(key, pLayer) : nullptr;
}
