// Luminance of 16-bit colour: gray mode 2 of the 16-bit colour mode.
#pragma once

#include <cstdint>

#include "imaging/kernel.h"

namespace rezive {

// 48/64-bit colour -> 16-bit gray: (59 G + 30 R + 11 B) / 100 per pixel, the weights of the
// 8-bit luminance applied to the 12-bit samples, so the result keeps 12 significant bits.
int32_t BgrToGray16(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,
                    int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride,
                    void* param);

}  // namespace rezive
