// The camera's frame accounting: the stream statistics of the companion API, the meta of the
// frames in the caller's buffers, and the recorder's queue depth.
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

int32_t CRezive::GetBufferMeta(const void* buffer, RzFrameMeta* meta) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    if (meta == nullptr || meta->size < 8) {
        RecordError(RZ_ERR_ARGUMENT);
        return 0;
    }
    FrameMeta m;
    if (!acquisition_.BufferMeta(buffer, &m)) return 0;
    CopyFrameMeta(m, meta);
    return 1;
}

void CopyFrameMeta(const FrameMeta& m, RzFrameMeta* meta) {
    RzFrameMeta full{};
    full.size = meta->size;
    full.skippedBefore = m.skippedBefore;
    full.sequence = m.sequence;
    full.captureUs = m.captureUs;
    full.exposureLines = m.exposureLines;
    full.gain = m.gain;
    full.exposureUs = m.exposureUs;
    // A caller built against an older, shorter record gets what fits.
    std::memcpy(meta, &full, std::min<size_t>(meta->size, sizeof full));
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
