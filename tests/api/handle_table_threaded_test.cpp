// The handle table under concurrency: creation, use and release from many threads at once.
#include <gtest/gtest.h>

#include <ReziveSdk.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(HandleTableThreaded, ManyThreadsCreateUseAndReleaseTheirOwnCameras) {
    constexpr int kThreads = 6, kRounds = 20;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                const auto h = static_cast<RzHandle>(Rezive_Initialize(0));
                if (h == 0) { ++failures; continue; }
                if (Rezive_SetWaitTime(h, t * 100 + i) != 1) ++failures;
                if (Rezive_GetWaitTime(h) != t * 100 + i) ++failures;
                if (Rezive_Release(h) != 1) ++failures;
                if (Rezive_GetWaitTime(h) != -1) ++failures;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(HandleTableThreaded, ReleaseWhileOtherThreadsCallIsSafe) {
    for (int round = 0; round < 10; ++round) {
        const auto h = static_cast<RzHandle>(Rezive_Initialize(0));
        ASSERT_NE(h, 0u);
        const int32_t initial = Rezive_GetWaitTime(h);
        std::atomic<bool> go{false};
        std::vector<std::thread> callers;
        for (int t = 0; t < 4; ++t) {
            callers.emplace_back([&] {
                while (!go) std::this_thread::yield();
                for (int i = 0; i < 200; ++i) {
                    const int32_t v = Rezive_GetWaitTime(h);
                    // Either the camera's value or the invalid-handle value, never anything else.
                    if (v != initial && v != -1) ADD_FAILURE() << v;
                    Rezive_GetColorMode(h);
                    int32_t tw;
                    Rezive_GetCaptureWindowEx(h, &tw, nullptr, nullptr, nullptr, nullptr, nullptr);
                }
            });
        }
        go = true;
        EXPECT_EQ(Rezive_Release(h), 1);
        for (auto& c : callers) c.join();
        EXPECT_EQ(Rezive_Release(h), 0);
    }
}

}  // namespace
