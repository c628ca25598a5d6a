// The property dialog open on a camera, as the frame processing sees it: automatic exposure
// shows its new gain or exposure there, and the automatic white-balance and gray-gain
// measurements have the dialog refresh its pages. The dialog layer implements it; each call
// waits a bounded time for the dialog's thread and returns at once when the dialog is ending.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/mutex.h"

namespace rezive {

class DialogObserver {
public:
    virtual ~DialogObserver() = default;
    virtual void AutoIrisGain(int32_t /*gain*/) {}
    virtual void AutoIrisExposure(int32_t /*lines*/) {}
    virtual void Measured() {}
};

// The slot the camera object publishes its open dialog in. The worker takes a reference for
// one frame, so clearing the slot never waits for a frame and the dialog outlives the call.
class DialogObserverSlot {
public:
    void Set(std::shared_ptr<DialogObserver> observer) {
        platform::MutexLock lock(mutex_);
        observer_ = std::move(observer);
    }
    std::shared_ptr<DialogObserver> Get() const {
        platform::MutexLock lock(mutex_);
        return observer_;
    }

private:
    mutable platform::Mutex mutex_;
    std::shared_ptr<DialogObserver> observer_ RZ_GUARDED_BY(mutex_);
};

}  // namespace rezive
