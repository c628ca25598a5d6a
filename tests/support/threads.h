// Thread accounting for tests that check every thread a run started has ended.
//
// A thread that has just been joined can still be listed in /proc/self/task for a while: the
// join returns on the thread's exit wake-up, before its task is gone (about 1 read in 2000
// natively, 1 in 8 under qemu-user, where the task outlives the guest thread far longer). So a
// count read right after a join is taken through the waits below, never as it is read.
#pragma once

#include <dirent.h>

#include <chrono>
#include <thread>

#include "support/wait.h"

namespace rezive::test {

// Threads of this process listed now.
inline int ThreadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

// The count once it has settled, for a baseline taken after joins: polls until it has read the
// same for `quiet` in a row (the joined threads' tasks are gone) or `limit` has passed.
inline int SettledThreadCount(std::chrono::milliseconds quiet = std::chrono::milliseconds(200),
                              std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int count = ThreadCount();
    auto since = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - since < quiet &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const int now = ThreadCount();
        if (now != count) {
            count = now;
            since = std::chrono::steady_clock::now();
        }
    }
    return count;
}

// Waits, bounded, until at most `expected` threads are listed (every thread a run started has
// ended and left the list); true when that happened in time. *last gets the count last read.
inline bool WaitForThreadCount(int expected, int* last = nullptr,
                               std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    int count = 0;
    const bool settled = WaitUntil(
        [&] {
            count = ThreadCount();
            return count <= expected;
        },
        limit);
    if (last) *last = count;
    return settled;
}

}  // namespace rezive::test
