// The camera's error history: twenty codes, newest first, popped by Rezive_GetLastError.
#pragma once

#include <array>
#include <cstdint>

#include "platform/mutex.h"

namespace rezive {

class ErrorHistory {
public:
    static constexpr int kEntries = 20;

    // Shifts the history by one (the oldest code is lost) and stores code as the newest.
    void Push(int32_t code) EXCLUDES(mutex_);
    // Returns the newest code and moves every entry one place towards the newest; the oldest
    // place becomes 0. Returns 0 once drained.
    int32_t Pop() EXCLUDES(mutex_);

private:
    // Errors arrive from application threads and the worker thread alike.
    platform::Mutex mutex_;
    std::array<int32_t, kEntries> codes_ GUARDED_BY(mutex_){};
};

}  // namespace rezive
