// Pixel conversions, row spreading, nearest-neighbour scaling and mean-level measurement.
//
// Every function here is a PixelKernel or ScaleKernel (imaging/kernel.h) run through
// CDibImage::Transfer / TransferScaled. Only the table conversions take a parameter block (a
// ColorTable24); the others ignore param. None allocates. 16-bit samples are little-endian words; the camera's data has 12 significant
// bits. A reduction to 8 bits keeps the low 8 bits of the shifted value, so the 10-bit
// reductions wrap for 12-bit samples above 1023. "Flipped" kernels write destination row i from
// source memory row (rect.bottom - 1 - i); all others keep row order. A conversion given pixels
// smaller than what it reads or writes returns 0 and touches nothing.
#pragma once

#include <cstdint>

#include "imaging/kernel.h"

namespace rezive {

struct PaletteEntry;

// --- Measurement (source = destination; returns the mean, 0 for an empty rectangle) ---------
// Mean sample value of an 8-bit buffer over rect.
int32_t MeanLevelMono8(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,
                       int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride,
                       void* param);
// Mean of (v >> 2) & 0xFF (bits 2..9 of each sample) of a 16-bit buffer over rect.
int32_t MeanLevelMono16(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,
                        int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride,
                        void* param);

// --- Row spreading: rows packed back to back at the start of src (rect.Width() samples each)
// are moved to their stride in dst. Runs in place (dst == src): rows are moved last first.
int32_t SpreadRowsMono8(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,
                        int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride,
                        void* param);
int32_t SpreadRowsMono16(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,
                         int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride,
                         void* param);

// --- Nearest-neighbour scaling. The source is read bottom-up (the result is flipped
// vertically), which is how the preview shows a top-row-first frame through a bottom-up
// bitmap. Coordinates follow single-precision trunc(float(Hs) / float(Hd) * float(i)).
int32_t ScaleNearestMono8(uint8_t* dst, const uint8_t* src, const Rect& dstRect,
                          const Rect& srcRect, int32_t dstWidth, int32_t dstHeight,
                          int32_t srcWidth, int32_t srcHeight, int32_t dstBpp, int32_t srcBpp,
                          int32_t dstStride, int32_t srcStride, void* param);
int32_t ScaleNearestBgr24(uint8_t* dst, const uint8_t* src, const Rect& dstRect,
                          const Rect& srcRect, int32_t dstWidth, int32_t dstHeight,
                          int32_t srcWidth, int32_t srcHeight, int32_t dstBpp, int32_t srcBpp,
                          int32_t dstStride, int32_t srcStride, void* param);

// --- Conversions -------------------------------------------------------------------------
#define REZIVE_CONVERSION_KERNEL(name)                                                     \
    int32_t name(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y, \
                 int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride,     \
                 void* param)

REZIVE_CONVERSION_KERNEL(Mono12To8);             // 16 -> 8 bpp: (v >> 4) & 0xFF
REZIVE_CONVERSION_KERNEL(Mono12To8Flipped);      // same, rows flipped
REZIVE_CONVERSION_KERNEL(Mono10To8Flipped);      // 16 -> 8 bpp: (v >> 2) & 0xFF, rows flipped
REZIVE_CONVERSION_KERNEL(Mono12To16);            // 16 -> 16 bpp: (v << 4) & 0xFFFF
REZIVE_CONVERSION_KERNEL(Bgr32ToBgr24);          // 8-bit channels: three colour bytes copied
REZIVE_CONVERSION_KERNEL(Color8To24Flipped);     // same, rows flipped
REZIVE_CONVERSION_KERNEL(SwapRedBlue8);          // bytes 0,1,2 = source 2,1,0; byte 3 untouched
REZIVE_CONVERSION_KERNEL(Bgr32InvertAlpha);      // 32 -> 32: bytes 0-2 copied, byte 3 = 255 - b3
REZIVE_CONVERSION_KERNEL(CopyRowsFlipped);       // same layout, whole rows, rows flipped
REZIVE_CONVERSION_KERNEL(Color12To8);            // 48/64 -> 24/32: each channel (v >> 4) & 0xFF
REZIVE_CONVERSION_KERNEL(Color12To8Flipped);     // same, rows flipped
REZIVE_CONVERSION_KERNEL(Color10To8Flipped);     // 48/64 -> 24/32: (v >> 2) & 0xFF, flipped
REZIVE_CONVERSION_KERNEL(Color12To16);           // 48 -> 48: each channel (v << 4) & 0xFFFF
REZIVE_CONVERSION_KERNEL(Color12To16Swap);       // channels 0,1,2 = source 2,1,0, each << 4
REZIVE_CONVERSION_KERNEL(Color12To16Alpha);      // 64 -> 64: channels 0-2 << 4, channel 3 0xFFFF
REZIVE_CONVERSION_KERNEL(Color12To16AlphaSwap);  // swapped channels << 4, channel 3 = 0xFFFF

// --- Table conversions: param is a ColorTable24, 0 (nothing touched) when it is null ------
// The blue, green, red bytes of each of 256 indices, in the first three bytes of an entry (the
// fourth is 0), ready to be stored as one word. gray says that entry v is (v, v, v) for every v,
// which lets the kernels write the index itself; a table filled by hand leaves it false.
struct ColorTable24 {
    uint32_t entries[256] = {};
    bool gray = false;
};
// The table of a bitmap's 256-entry colour table (CDibImage::Info().colors).
ColorTable24 MakeColorTable24(const PaletteEntry* colors);
// The gray ramp that a new 8-bit image carries: entry v is (v, v, v).
const ColorTable24& GrayColorTable24();

REZIVE_CONVERSION_KERNEL(Index8To24Flipped);   // 8 -> 24 bpp: table[index], rows flipped
REZIVE_CONVERSION_KERNEL(Mono12To24Flipped);   // 16 -> 24 bpp: table[(v >> 4) & 0xFF], flipped

#undef REZIVE_CONVERSION_KERNEL

}  // namespace rezive
