// Waiting on a condition with a deadline, for tests that must pass on a loaded machine: poll
// often, give up late.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace rezive::test {

// Polls condition until it holds or limit has passed; true when it held in time.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace rezive::test
