// The frame counters of one acquisition, written by the worker thread and read by any thread.
// Together with the transfer counters of the model they account for every frame: after a stop,
// transferred = processed + skipped + failedDecodes.
#pragma once

#include <atomic>
#include <cstdint>

namespace rezive {

struct StreamCounts {
    uint64_t singleTransferred = 0;  // single-frame transfers of the trigger loop
    uint64_t singleFailed = 0;
    uint64_t skipped = 0;        // ring frames passed over by the newest-frame rule
    uint64_t processed = 0;
    uint64_t delivered = 0;      // handed to the application (buffer filled or message posted)
    uint64_t refusedBuffer = 0;  // the callback buffer was too small
    uint64_t failedDecodes = 0;
    uint64_t lastSequence = 0;
    uint64_t lastCaptureUs = 0;
};

class StreamCounters {
public:
    void Reset() {
        for (std::atomic<uint64_t>* c : {&singleTransferred, &singleFailed, &skipped, &processed,
                                         &delivered, &refusedBuffer, &failedDecodes,
                                         &lastSequence, &lastCaptureUs})
            c->store(0);
    }
    StreamCounts Snapshot() const {
        StreamCounts s;
        s.singleTransferred = singleTransferred.load();
        s.singleFailed = singleFailed.load();
        s.skipped = skipped.load();
        s.processed = processed.load();
        s.delivered = delivered.load();
        s.refusedBuffer = refusedBuffer.load();
        s.failedDecodes = failedDecodes.load();
        s.lastSequence = lastSequence.load();
        s.lastCaptureUs = lastCaptureUs.load();
        return s;
    }

    std::atomic<uint64_t> singleTransferred{0}, singleFailed{0}, skipped{0}, processed{0},
        delivered{0}, refusedBuffer{0}, failedDecodes{0}, lastSequence{0}, lastCaptureUs{0};

};

}  // namespace rezive
