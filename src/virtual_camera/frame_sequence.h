// The frame sequence stamp: the virtual camera writes each frame's sequence number into the
// frame's top-left corner, so that a test that sees only the picture (raw or processed) can count
// dropped and repeated frames.
//
// Layout, in readout order: the first 4 rows by 128 columns hold 32 cells of 4 x 4 samples, one
// cell a bit, most significant bit first; full scale for a one, zero for a zero. Recovery
// compares the mean of each cell's 2 x 2 centre with half scale.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rezive::virtual_camera {

inline constexpr int32_t kStampColumns = 128;
inline constexpr int32_t kStampRows = 4;

// Stamps `sequence` over packed rows of `width` samples (8-bit, or little-endian 16-bit words
// with 12 significant bits when `sixteen`), writing no byte at or past `outBytes`. A window
// smaller than the stamp gets the part of it that fits.
void StampSequence(uint32_t sequence, int32_t width, int32_t height, bool sixteen, uint8_t* out,
                   size_t outBytes);

// Recovers the sequence number stamped into a frame. `pixels` is the frame's top-left corner,
// `bytesPerPixel` 1 or 2 for raw mosaics, 3, 4, 6 or 8 for colour; `sixteen` when samples are
// 16-bit words with 12 significant bits. -1 when the frame is narrower than 128 pixels or lower
// than 4 rows.
int64_t RecoverSequence(const uint8_t* pixels, int32_t width, int32_t height, size_t strideBytes,
                        int32_t bytesPerPixel, bool sixteen);

}  // namespace rezive::virtual_camera
