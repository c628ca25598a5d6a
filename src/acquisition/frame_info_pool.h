// Frame-information records that outlive their camera. A frame message carries the address of
// its camera's record, and a message may still wait in a queue, or be in a handler, when the
// camera is released: so the records live in a pool of the process that never frees them, and a
// released camera's record goes back to the pool for the next camera. A late reader then reads
// a valid record (of the old or the new camera), never freed memory.
#pragma once

#include <cstdint>

namespace rezive {

// The frame-information record a frame message points to. The application reads it as the
// public interface's frame-information record, so the layout is that record's, field for field;
// the camera layer holds the two layouts equal.
struct FrameInfoRecord {
    int32_t size;          // sizeof the record
    int32_t width;         // frame width in pixels
    int32_t height;        // frame height in pixels
    int32_t bitsPerPixel;  // of the running acquisition
    int32_t frameRate10;   // frames per second x 10, measured each second; 0 in trigger mode
    void* buffer;          // the callback buffer the frame was copied into, or null
};

// What a frame message tells beyond the record: the frame's place in its run, its capture time
// (monotonic microseconds), the frames the newest-frame rule passed over just before it, and the
// exposure and gain it was processed under.
struct FrameMeta {
    uint64_t sequence = 0;
    uint64_t captureUs = 0;
    uint32_t skippedBefore = 0;
    int32_t exposureLines = 0;
    int32_t gain = 0;
    uint32_t exposureUs = 0;  // 0 when the line time is unknown
};

// A record set to its size and zeros otherwise.
FrameInfoRecord* AcquireFrameInfo();
void ReleaseFrameInfo(FrameInfoRecord* record);
// The meta of the frame a record describes now. Kept beside the record in the pool, so a handler
// that holds only the record's address can ask for it.
void SetFrameMeta(FrameInfoRecord* record, const FrameMeta& meta);
// False when record is not a record of the pool (any address is safe to pass).
bool ReadFrameMeta(const void* record, FrameMeta* meta);

}  // namespace rezive
