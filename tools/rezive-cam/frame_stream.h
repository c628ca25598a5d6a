// Counting the frames the library announces on the message window while an acquisition runs.
// Only what the messages say is counted here: frames delivered, frames the library reported as
// failed, and the library's own frame-rate figure. The library's exact counters, skipped and
// dropped frames included, are read with frame_counts.h.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "session.h"

namespace rezive::cli {

struct StreamStats {
    using Clock = std::chrono::steady_clock;

    int64_t frames = 0;
    int64_t failedFrames = 0;      // frame messages carrying a transfer failure (8)
    int32_t cameraRate10 = 0;      // the library's rate of the last frame, in tenths
    int32_t endCode = 0;           // 13 when the library ended the acquisition
    std::vector<int32_t> errors;   // error messages, oldest first
    Clock::time_point started = Clock::now();
    Clock::time_point firstFrame{};
    Clock::time_point lastFrame{};

    // An error that ends the acquisition: the library's end of the loop (13) or any error
    // message other than a single failed frame (8), which the preview survives.
    bool Fatal() const;
    std::vector<int32_t> FatalCodes() const;

    double SecondsSinceStart() const;
    double SecondsSinceFirstFrame() const;
    // Delivered frames per second between the first and the last frame.
    double DeliveredRate() const;
};

// Waits up to timeoutMs for one message and accounts for it; true when it was a frame.
bool PumpMessage(Session& session, int32_t timeoutMs, StreamStats& stats);

}  // namespace rezive::cli
