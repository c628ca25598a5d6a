// The camera's error history: twenty codes, newest first, popped by Rezive_GetLastError, and
// the system's reason of the newest failure that has one (RzGetErrorDetail).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/mutex.h"

namespace rezive {

class ErrorHistory {
public:
    static constexpr int kEntries = 20;

    // Shifts the history by one (the oldest code is lost) and stores code as the newest.
    void Push(int32_t code) RZ_EXCLUDES(mutex_);
    // Returns the newest code and moves every entry one place towards the newest; the oldest
    // place becomes 0. Returns 0 once drained.
    int32_t Pop() RZ_EXCLUDES(mutex_);

    // The system's account of the newest failure that has one (what failed, where, why);
    // kept until another replaces it, as the codes do not carry it.
    void SetDetail(std::string detail) RZ_EXCLUDES(mutex_);
    std::string Detail() const RZ_EXCLUDES(mutex_);

private:
    // Errors arrive from application threads and the worker thread alike.
    mutable platform::Mutex mutex_;
    std::array<int32_t, kEntries> codes_ RZ_GUARDED_BY(mutex_){};
    std::string detail_ RZ_GUARDED_BY(mutex_);
};

}  // namespace rezive
