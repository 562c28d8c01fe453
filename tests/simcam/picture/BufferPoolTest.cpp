// BufferPoolTest.cpp - large work blocks are handed out again instead of
// fresh memory, only for requests of about their size.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include "BufferPool.h"

TEST(BufferPool, ReturnedBlockServesTheNextRequestOfAboutItsSize) {
    SimPoolDrain();
    void *p = SimPoolAlloc(1 << 20);
    ASSERT_NE(nullptr, p);
    memset(p, 0x5A, 1 << 20);
    SimPoolFree(p);
    void *q = SimPoolAlloc((1 << 20) - 4096);
    EXPECT_EQ(p, q);
    SimPoolFree(q);
    SimPoolDrain();
}

TEST(BufferPool, SmallRequestsDoNotTieUpMuchLargerBlocks) {
    SimPoolDrain();
    void *big = SimPoolAlloc(8 << 20);
    ASSERT_NE(nullptr, big);
    SimPoolFree(big);
    void *small = SimPoolAlloc(1 << 20);
    ASSERT_NE(nullptr, small);
    EXPECT_NE(big, small);
    memset(small, 0, 1 << 20);
    SimPoolFree(small);
    SimPoolDrain();
}

TEST(BufferPool, EveryBlockIsUsableToItsEnd) {
    const size_t sizes[] = {1, 100, 300 * 1024, 5 << 20};
    for (size_t cb : sizes) {
        BYTE *p = static_cast<BYTE *>(SimPoolAlloc(cb));
        ASSERT_NE(nullptr, p);
        memset(p, 0xA5, cb);
        EXPECT_EQ(0xA5, p[cb - 1]);
        SimPoolFree(p);
    }
    SimPoolFree(nullptr);
    SimPoolDrain();
}
