// The kernel contract: plain functions over raw pixel memory, strides and a parameter block.
#pragma once

#include <cstdint>

namespace rezive {

// Rectangle with exclusive right and bottom edges.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
};

// Processes (rect.right - rect.left) columns and (rect.bottom - rect.top) rows: source pixel
// (rect.left + c, rect.top + r) maps to destination pixel (x + c, y + r) unless the kernel flips
// rows. rect, x and y are in memory coordinates (row 0 = first memory row). Bytes per pixel are
// bitsPerPixel / 8 of each buffer. Returns 1, or the measured value of a measurement kernel.
using PixelKernel = int32_t (*)(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x,
                                int32_t y, int32_t dstBytesPerPixel, int32_t srcBytesPerPixel,
                                int32_t dstStride, int32_t srcStride, void* param);

// Scales srcRect of a srcWidth x srcHeight buffer into dstRect of a dstWidth x dstHeight buffer.
using ScaleKernel = int32_t (*)(uint8_t* dst, const uint8_t* src, const Rect& dstRect,
                                const Rect& srcRect, int32_t dstWidth, int32_t dstHeight,
                                int32_t srcWidth, int32_t srcHeight, int32_t dstBytesPerPixel,
                                int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                                void* param);

}  // namespace rezive
