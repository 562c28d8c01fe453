#include <windows.h>
#include <gtest/gtest.h>
#include <thread>

TEST(Smoke, ThreadsAndWin32) {
    DWORD id = 0;
    std::thread t([&] { id = GetCurrentThreadId(); });
    t.join();
    EXPECT_NE(id, GetCurrentThreadId());
}
