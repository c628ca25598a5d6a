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

// A record set to its size and zeros otherwise.
FrameInfoRecord* AcquireFrameInfo();
void ReleaseFrameInfo(FrameInfoRecord* record);

}  // namespace rezive
