// Conversion of the camera's current image into one AVI frame: 24-bit, bottom-up rows.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/dib_image.h"

namespace rezive {

// The work image of one recording, allocated once when it starts: every depth converts straight
// into it.
struct AviFrameBuffers {
    CDibImage frame24;

    // Sizes the image for width x height frames; false (empty) when memory is short.
    bool Prepare(int32_t width, int32_t height);
    void Release();
};

// Converts source into a frame held by work: 8-bit images through their colour table, 16/48/64-bit
// samples reduced to their top eight of twelve bits, 24/32-bit colour keeps three bytes; rows are
// reversed so the frame is bottom-up. Returns the frame's bytes (AviWriter::FrameBytesFor of the
// size), or an empty span when the source is empty, has another size than work was prepared for,
// or has a depth other than 8, 16, 24, 32, 48 or 64. The caller holds the frame lock.
std::span<const uint8_t> ConvertFrameForAvi(const CDibImage& source, AviFrameBuffers& work);

}  // namespace rezive
