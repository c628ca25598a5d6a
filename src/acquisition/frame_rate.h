// The preview's frame rate in tenths of a frame per second, updated about once a second.
#pragma once

#include <cstdint>

namespace rezive {

class FrameRateMeter {
public:
    explicit FrameRateMeter(uint32_t now) : lastUpdate_(now) {}

    // Counts one frame at time now (milliseconds, wrapping); once more than 1000 ms have passed
    // since the last update the rate becomes frames x 10000 / elapsed and the count restarts.
    // Returns the current rate.
    int32_t Count(uint32_t now) {
        ++frames_;
        const uint32_t elapsed = now - lastUpdate_;
        if (elapsed > 1000) {
            rate10_ = static_cast<int32_t>(static_cast<uint64_t>(frames_) * 10000 / elapsed);
            frames_ = 0;
            lastUpdate_ = now;
        }
        return rate10_;
    }
    int32_t Rate10() const { return rate10_; }

private:
    uint32_t lastUpdate_;
    uint32_t frames_ = 0;
    int32_t rate10_ = 0;
};

}  // namespace rezive
