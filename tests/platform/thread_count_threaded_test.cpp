// The thread accounting of the tests: a count taken right after joins must not keep a joined
// thread that is still listed, and a thread still running must never be waited away.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "support/threads.h"

namespace rezive::test {
namespace {

using std::chrono::milliseconds;

struct Case {
    const char* name;
    int started;      // threads started after the baseline
    int keptRunning;  // of those, still running when the count is checked
};

TEST(ThreadCountTest, CountsSettleOnTheThreadsStillRunning) {
    const Case cases[] = {
        {"none", 0, 0},
        {"one joined", 1, 0},
        {"many joined", 16, 0},
        {"one of two kept", 2, 1},
        {"all kept", 4, 4},
    };
    std::thread([] {}).join();  // a sanitizer's own helper thread starts with the first thread
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int baseline = SettledThreadCount();
        std::atomic<bool> release{false};
        std::vector<std::thread> threads;
        for (int i = 0; i < c.started; ++i) {
            const bool keep = i < c.keptRunning;
            threads.emplace_back([&release, keep] {
                while (keep && !release.load()) std::this_thread::sleep_for(milliseconds(1));
            });
        }
        for (int i = c.keptRunning; i < c.started; ++i) threads[static_cast<size_t>(i)].join();

        // Read straight after the joins: the joined threads may still be listed, never counted.
        EXPECT_EQ(SettledThreadCount(), baseline + c.keptRunning);
        int last = 0;
        EXPECT_TRUE(WaitForThreadCount(baseline + c.keptRunning, &last)) << last;
        if (c.keptRunning > 0) {
            // A running thread is not waited away: the bounded wait gives up and says so.
            EXPECT_FALSE(WaitForThreadCount(baseline + c.keptRunning - 1, &last, milliseconds(50)));
            EXPECT_EQ(last, baseline + c.keptRunning);
        }
        release = true;
        for (int i = 0; i < c.keptRunning; ++i) threads[static_cast<size_t>(i)].join();
        EXPECT_TRUE(WaitForThreadCount(baseline, &last)) << last;
    }
}

}  // namespace
}  // namespace rezive::test
