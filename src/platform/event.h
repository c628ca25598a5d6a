// Event: the manual- or auto-reset event the acquisition threads signal each other with.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace rezive::platform {

class Event {
public:
    explicit Event(bool manualReset) : manualReset_(manualReset) {}

    void Set();
    void Reset();
    // Waits until signalled; a negative timeout waits without limit. True when signalled. An
    // auto-reset event is reset by the wait that it releases.
    bool Wait(int32_t timeoutMs);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
    const bool manualReset_;
};

}  // namespace rezive::platform
