// BufferPool.cpp - large blocks for the picture's work, kept for reuse.
//
// The pool is plain data (no constructor or destructor), so it can be used
// from other objects' static destructors in any order.
#include "BufferPool.h"

#include <windows.h>
#include <stdlib.h>

namespace {

const size_t kPooledMinimum = 256 * 1024;    // smaller blocks: the heap reuses them well
const size_t kPoolLimit = 48 * 1024 * 1024;  // bytes kept at most
const int kPoolSlots = 8;

// Every block starts with its usable size; the caller's pointer follows.
struct BlockHeader {
    size_t cb;
    size_t reserved;  // keeps the caller's pointer 16-byte aligned on 64-bit
};

struct Pool {
    SRWLOCK lock;
    BlockHeader *blocks[kPoolSlots];  // most recently returned last
    int count;
    size_t total;
};

Pool g_pool = {SRWLOCK_INIT, {}, 0, 0};

void RemoveAt(int index) {
    g_pool.total -= g_pool.blocks[index]->cb;
    for (int i = index; i + 1 < g_pool.count; ++i) g_pool.blocks[i] = g_pool.blocks[i + 1];
    --g_pool.count;
}

}  // namespace

void *SimPoolAlloc(size_t cb) {
    if (cb >= kPooledMinimum) {
        // The smallest kept block that fits and wastes at most half of itself.
        AcquireSRWLockExclusive(&g_pool.lock);
        int best = -1;
        for (int i = 0; i < g_pool.count; ++i) {
            const size_t have = g_pool.blocks[i]->cb;
            if (have >= cb && have / 2 <= cb && (best < 0 || have < g_pool.blocks[best]->cb)) best = i;
        }
        BlockHeader *pBlock = nullptr;
        if (best >= 0) {
            pBlock = g_pool.blocks[best];
            RemoveAt(best);
        }
        ReleaseSRWLockExclusive(&g_pool.lock);
        if (pBlock) return pBlock + 1;
    }
    if (cb > static_cast<size_t>(-1) - sizeof(BlockHeader)) return nullptr;
    BlockHeader *pBlock = static_cast<BlockHeader *>(malloc(sizeof(BlockHeader) + cb));
    if (!pBlock) return nullptr;
    pBlock->cb = cb;
    return pBlock + 1;
}

void SimPoolFree(void *p) {
    if (!p) return;
    BlockHeader *pBlock = static_cast<BlockHeader *>(p) - 1;
    if (pBlock->cb < kPooledMinimum || pBlock->cb > kPoolLimit) {
        free(pBlock);
        return;
    }
    // Make room by letting the oldest blocks go.
    BlockHeader *released[kPoolSlots];
    int releasedCount = 0;
    AcquireSRWLockExclusive(&g_pool.lock);
    while (g_pool.count > 0 && (g_pool.count == kPoolSlots || g_pool.total + pBlock->cb > kPoolLimit)) {
        released[releasedCount++] = g_pool.blocks[0];
        RemoveAt(0);
    }
    g_pool.blocks[g_pool.count++] = pBlock;
    g_pool.total += pBlock->cb;
    ReleaseSRWLockExclusive(&g_pool.lock);
    for (int i = 0; i < releasedCount; ++i) free(released[i]);
}

void SimPoolDrain() {
    BlockHeader *released[kPoolSlots];
    AcquireSRWLockExclusive(&g_pool.lock);
    const int count = g_pool.count;
    for (int i = 0; i < count; ++i) released[i] = g_pool.blocks[i];
    g_pool.count = 0;
    g_pool.total = 0;
    ReleaseSRWLockExclusive(&g_pool.lock);
    for (int i = 0; i < count; ++i) free(released[i]);
}
