#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <time.h>

#include "platform/mutex.h"

namespace rezive::platform {
namespace {

Mutex g_sourceMutex;
std::function<uint32_t()> g_source RZ_GUARDED_BY(g_sourceMutex);
std::atomic<void (*)(int32_t)> g_sleep{nullptr};

}  // namespace

uint32_t TickMs() {
    {
        MutexLock lock(g_sourceMutex);
        if (g_source) return g_source();
    }
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

uint64_t MonotonicMicros() {
    // CLOCK_MONOTONIC by name: frame capture times are compared with other programs' clocks
    // (GStreamer's system clock, Python's time.monotonic), not only with each other.
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint64_t>(t.tv_sec) * 1000000u + static_cast<uint64_t>(t.tv_nsec) / 1000u;
}

void SetTickSourceForTesting(std::function<uint32_t()> source) {
    MutexLock lock(g_sourceMutex);
    g_source = std::move(source);
}

void SetSleepForTesting(void (*sleep)(int32_t)) { g_sleep.store(sleep); }

void SleepMs(int32_t milliseconds) {
    if (milliseconds <= 0) return;
    if (auto* sleep = g_sleep.load()) {
        sleep(milliseconds);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace rezive::platform
