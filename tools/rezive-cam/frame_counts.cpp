#include "frame_counts.h"

#include <cstdio>

namespace rezive::cli {

RzStreamStats ReadFrameCounts(RzHandle handle) {
    RzStreamStats counts{};
    counts.size = sizeof counts;
    if (RzGetStreamStats(handle, &counts) != 1) {
        counts = RzStreamStats{};
    }
    return counts;
}

std::string FrameCountsLine(const RzStreamStats& c, bool recording) {
    char line[320];
    int n = std::snprintf(line, sizeof line,
                          "transferred %llu, delivered %llu, skipped %llu (newest-frame rule), "
                          "failed %llu",
                          static_cast<unsigned long long>(c.transferred),
                          static_cast<unsigned long long>(c.delivered),
                          static_cast<unsigned long long>(c.skipped),
                          static_cast<unsigned long long>(c.failedTransfers + c.failedDecodes));
    if (recording && n > 0 && static_cast<size_t>(n) < sizeof line) {
        std::snprintf(line + n, sizeof line - static_cast<size_t>(n),
                      ", recorded %llu, dropped %llu (recorder queue depth %u)",
                      static_cast<unsigned long long>(c.recorded),
                      static_cast<unsigned long long>(c.recorderDropped), c.recordQueueDepth);
    }
    return line;
}

Json FrameCountsJson(const RzStreamStats& c) {
    auto n = [](uint64_t v) { return Json(static_cast<int64_t>(v)); };
    Json j = Json::MakeObject();
    j.Set("transferred", n(c.transferred));
    j.Set("failed_transfers", n(c.failedTransfers));
    j.Set("short_transfers", n(c.shortTransfers));
    j.Set("skipped", n(c.skipped));
    j.Set("processed", n(c.processed));
    j.Set("delivered", n(c.delivered));
    j.Set("refused_buffer", n(c.refusedBuffer));
    j.Set("failed_decodes", n(c.failedDecodes));
    j.Set("recorded", n(c.recorded));
    j.Set("recorder_dropped", n(c.recorderDropped));
    j.Set("record_queue_depth", c.recordQueueDepth);
    j.Set("last_sequence", n(c.lastSequence));
    return j;
}

}  // namespace rezive::cli
