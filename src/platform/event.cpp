#include "platform/event.h"

#include <chrono>

namespace rezive::platform {

void Event::Set() {
    {
        MutexLock lock(mutex_);
        signalled_ = true;
    }
    if (manualReset_) cv_.NotifyAll(); else cv_.NotifyOne();
}

void Event::Reset() {
    MutexLock lock(mutex_);
    signalled_ = false;
}

bool Event::Wait(int32_t timeoutMs) {
    MutexLock lock(mutex_);
    // The predicate runs with the mutex held, inside the wait.
    auto signalled = [this]() RZ_NO_THREAD_SAFETY_ANALYSIS { return signalled_; };
    if (timeoutMs < 0) {
        cv_.Wait(mutex_, signalled);
    } else if (!cv_.WaitFor(mutex_, std::chrono::milliseconds(timeoutMs), signalled)) {
        return false;
    }
    if (!manualReset_) signalled_ = false;
    return true;
}

}  // namespace rezive::platform
