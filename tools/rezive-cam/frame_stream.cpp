#include "frame_stream.h"

namespace rezive::cli {

bool StreamStats::Fatal() const { return !FatalCodes().empty(); }

std::vector<int32_t> StreamStats::FatalCodes() const {
    std::vector<int32_t> codes;
    for (const int32_t code : errors) {
        if (code != RZ_ERR_TRANSFER) codes.push_back(code);
    }
    if (endCode != 0 && codes.empty()) codes.push_back(endCode);
    return codes;
}

double StreamStats::SecondsSinceStart() const {
    return std::chrono::duration<double>(Clock::now() - started).count();
}

double StreamStats::SecondsSinceFirstFrame() const {
    if (frames == 0) return 0.0;
    return std::chrono::duration<double>(Clock::now() - firstFrame).count();
}

double StreamStats::DeliveredRate() const {
    if (frames < 2) return 0.0;
    const double span = std::chrono::duration<double>(lastFrame - firstFrame).count();
    return span > 0 ? static_cast<double>(frames - 1) / span : 0.0;
}

bool PumpMessage(Session& session, int32_t timeoutMs, StreamStats& stats) {
    RzMessage message;
    if (RzWaitMessage(session.Window(), &message, timeoutMs) != 1) return false;
    if (message.message == RZ_WM_ERROR) {
        stats.errors.push_back(static_cast<int32_t>(message.lParam));
        return false;
    }
    if (message.message != RZ_WM_FRAME) return false;
    if (message.lParam == RZ_FRAME_TRANSFER_FAILED) {
        ++stats.failedFrames;
    } else if (message.lParam == RZ_FRAME_STREAM_ENDED) {
        stats.endCode = RZ_ERR_NO_FRAME;
    } else if (message.lParam == RZ_FRAME_OK && message.wParam != 0) {
        const auto* info = reinterpret_cast<const RzFrameInfo*>(message.wParam);
        stats.cameraRate10 = info->frameRate10;
        const auto now = StreamStats::Clock::now();
        if (stats.frames == 0) stats.firstFrame = now;
        stats.lastFrame = now;
        ++stats.frames;
        return true;
    }
    return false;
}

}  // namespace rezive::cli
