// The camera's frame accounting: the stream statistics of the companion API and the recorder's
// queue depth.
#include <algorithm>
#include <cstring>

#include "camera/camera.h"

namespace rezive {

int32_t CRezive::GetStreamStats(RzStreamStats* stats) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    if (stats == nullptr || stats->size < 8) {
        RecordError(RZ_ERR_ARGUMENT);
        return 0;
    }
    const AcquisitionCounts a = acquisition_.Counts();
    const RecorderCounts r = recorder_.Counts();
    RzStreamStats full{};
    full.size = stats->size;
    full.recording = r.recording ? 1 : 0;
    full.transferred = a.transferred;
    full.failedTransfers = a.failedTransfers;
    full.shortTransfers = a.shortTransfers;
    full.skipped = a.frames.skipped;
    full.processed = a.frames.processed;
    full.delivered = a.frames.delivered;
    full.refusedBuffer = a.frames.refusedBuffer;
    full.recorded = r.recorded;
    full.recorderDropped = r.dropped;
    full.lastSequence = a.frames.lastSequence;
    full.lastCaptureUs = a.frames.lastCaptureUs;
    full.failedDecodes = a.frames.failedDecodes;
    full.recordQueueDepth = r.queueDepth;
    // A caller built against an older, shorter record gets what fits.
    std::memcpy(stats, &full, std::min<size_t>(stats->size, sizeof full));
    return 1;
}

int32_t CRezive::SetRecordQueueDepth(int32_t depth) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    if (depth < 0 || depth > RZ_RECORD_QUEUE_MAX) {
        RecordError(RZ_ERR_ARGUMENT);
        return 0;
    }
    recorder_.SetQueueDepth(static_cast<uint32_t>(depth));
    return 1;
}

}  // namespace rezive
