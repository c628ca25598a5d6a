#include "platform/event.h"

#include <chrono>

namespace rezive::platform {

void Event::Set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    if (manualReset_) cv_.notify_all(); else cv_.notify_one();
}

void Event::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool Event::Wait(int32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0) {
        cv_.wait(lock, [this] { return signalled_; });
    } else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return signalled_; })) {
        return false;
    }
    if (!manualReset_) signalled_ = false;
    return true;
}

}  // namespace rezive::platform
