// Event: the manual- or auto-reset event the acquisition threads signal each other with.
#pragma once

#include <cstdint>

#include "platform/mutex.h"

namespace rezive::platform {

class Event {
public:
    explicit Event(bool manualReset) : manualReset_(manualReset) {}

    void Set() RZ_EXCLUDES(mutex_);
    void Reset() RZ_EXCLUDES(mutex_);
    // Waits until signalled; a negative timeout waits without limit. True when signalled. An
    // auto-reset event is reset by the wait that it releases.
    bool Wait(int32_t timeoutMs) RZ_EXCLUDES(mutex_);

private:
    Mutex mutex_;
    CondVar cv_;
    bool signalled_ RZ_GUARDED_BY(mutex_) = false;
    const bool manualReset_;
};

}  // namespace rezive::platform
