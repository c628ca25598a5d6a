// The shared worker pool under callers from several threads while leases come and go: every
// index of every job runs exactly once, Run never returns before its last index has, nothing
// hangs, and the helpers are gone once the last lease is.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "platform/worker_pool.h"
#include "support/threads.h"

namespace rezive::platform {
namespace {

TEST(WorkerPoolTest, EveryIndexRunsOnceWhileCallersAndLeasesRace) {
    // A first thread lets the runtime start any thread of its own (ThreadSanitizer does)
    // before the baseline is read.
    std::thread([] {}).join();
    const int baseline = test::SettledThreadCount();
    WorkerPool pool(3);
    std::atomic<bool> done{false};
    // Leases taken and dropped at random, so helpers start and are joined under running jobs.
    std::thread leases([&] {
        std::mt19937 rng(7);
        while (!done) {
            WorkerPool::Lease lease(pool);
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 2000));
        }
    });
    std::atomic<int> failures{0};
    std::vector<std::thread> callers;
    for (int c = 0; c < 4; ++c) {
        callers.emplace_back([&, c] {
            std::mt19937 rng(100 + c);
            for (int job = 0; job < 300; ++job) {
                const int count = static_cast<int>(rng() % 40);
                std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
                std::atomic<int> finished{0};
                auto work = [&](int32_t i) {
                    if (i % 7 == 0) std::this_thread::yield();
                    runs[static_cast<size_t>(i)].fetch_add(1);
                    finished.fetch_add(1);
                };
                pool.Run(count, work);
                // Run has returned: every index has run, once, and nothing runs any more.
                if (finished.load() != count) failures.fetch_add(1);
                for (auto& r : runs)
                    if (r.load() != 1) failures.fetch_add(1);
            }
        });
    }
    for (auto& t : callers) t.join();
    done = true;
    leases.join();
    EXPECT_EQ(failures.load(), 0);
    int left = 0;
    EXPECT_TRUE(test::WaitForThreadCount(baseline, &left))
        << left << " threads, " << baseline << " before: the helpers outlived their leases";
}

TEST(WorkerPoolTest, SizesAndWhoRuns) {
    struct Case {
        const char* variable;  // REZIVE_PIPELINE_THREADS, or null for unset
        int32_t expected;      // 0: the number of cores
    };
    const Case cases[] = {{nullptr, 0}, {"1", 1}, {"3", 3}, {"64", 64}, {"0", 0},
                          {"65", 0},    {"-2", 0}, {"two", 0}, {"2x", 0}, {"", 0}};
    const auto cores = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    for (const Case& c : cases) {
        if (c.variable != nullptr)
            setenv("REZIVE_PIPELINE_THREADS", c.variable, 1);
        else
            unsetenv("REZIVE_PIPELINE_THREADS");
        EXPECT_EQ(WorkerPool::ThreadsFromEnvironment(), c.expected != 0 ? c.expected : cores)
            << (c.variable ? c.variable : "(unset)");
    }
    unsetenv("REZIVE_PIPELINE_THREADS");

    // Without a lease, and with a pool of one, the caller runs every index itself.
    for (int32_t threads : {1, 4}) {
        WorkerPool pool(threads);
        std::atomic<int> foreign{0};
        const auto self = std::this_thread::get_id();
        auto work = [&](int32_t) { foreign += std::this_thread::get_id() != self; };
        pool.Run(64, work);
        EXPECT_EQ(foreign.load(), 0) << threads << " threads, no lease";
    }
}

}  // namespace
}  // namespace rezive::platform
