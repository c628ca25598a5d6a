// Bayer mosaic processing: white balance, colour reconstruction and the gray modes.
//
// The mosaic's 2 x 2 pattern is located by a phase 0..3: bit 0 is the row phase, bit 1 the
// column phase. A sample in row r, column c (counted from the first row and column a kernel
// processes) has row parity (r + bit 0) & 1 and column parity (c + bit 1) & 1. Colour
// reconstruction and white balance read parities (0,0) and (1,1) as green, (0,1) as blue and
// (1,0) as red; gray mode 1 reads them as G1, R, B and G2.
#pragma once

#include <cstdint>

#include "imaging/dib_image.h"
#include "imaging/kernel.h"

namespace rezive {

// Gains in percent (100 = unity, accepted 0..400; the kernels clamp into that range).
// Green is carried for the settings; green samples are never scaled.
struct WhiteBalanceParams {
    int32_t phase = 0;
    int32_t redGain = 100;
    int32_t greenGain = 100;
    int32_t blueGain = 100;
};

// Result block of the white-balance measurement: the gains that make the blue and red means
// equal to the green mean (green is always 100), then the phase the mosaic is read with, which
// the caller fills in before the measurement.
struct WhiteBalanceMeasurement {
    int32_t blueGain = 100;
    int32_t greenGain = 100;
    int32_t redGain = 100;
    int32_t phase = 0;
};

// Gray mode 1: value = offset + gain * sample / 128, clamped to the sample limit of bitDepth.
struct BayerGainParams {
    int32_t phase = 0;
    int32_t gainR = 128, gainG1 = 128, gainG2 = 128, gainB = 128;
    int32_t offsetR = 0, offsetG1 = 0, offsetG2 = 0, offsetB = 0;
    int32_t bitDepth = 12;
};

// Phase of the mosaic as read out: the Bayer mode with the row phase inverted by a vertical
// mirror and the column phase by a horizontal one.
int32_t EffectiveBayerPhase(int32_t bayerMode, bool mirrorVertical, bool mirrorHorizontal);

// Largest sample value for a gray-mode bit depth: 255, 1023, 4095, 16383, else 65535.
int32_t GrayFullScale(int32_t bitDepth);

#define REZIVE_MOSAIC_KERNEL(name)                                                         \
    int32_t name(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y, \
                 int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride,     \
                 void* param)

// Measure over the rectangle of the source (param: WhiteBalanceMeasurement). Return 1 with the
// gains written, or 0 with the block untouched when a colour has no samples or a zero mean (a
// black or empty frame), so that the previous gains stay in force.
REZIVE_MOSAIC_KERNEL(MeasureWhiteBalanceRaw8);
REZIVE_MOSAIC_KERNEL(MeasureWhiteBalanceRaw16);

// Colour reconstruction (param: WhiteBalanceParams). Each output pixel is the bilinear colour
// at the corner half a pixel up and left of it. The interior kernel fills rows and columns
// 2 .. size - 3, the border kernel the two-pixel frame around them; a neighbour outside the
// image is taken four samples further inside (same filter colour), clamped into images
// narrower or lower than four pixels. 8-bit mosaics fill 24/32-bit colour, 16-bit mosaics
// 48/64-bit colour (clamped to 4095); a fourth channel is never written.
REZIVE_MOSAIC_KERNEL(DemosaicInteriorRaw8);
REZIVE_MOSAIC_KERNEL(DemosaicBorderRaw8);
REZIVE_MOSAIC_KERNEL(DemosaicInteriorRaw16);
REZIVE_MOSAIC_KERNEL(DemosaicBorderRaw16);

// Gray mode 1, in place (param: BayerGainParams).
REZIVE_MOSAIC_KERNEL(BayerGainOffsetRaw8);
REZIVE_MOSAIC_KERNEL(BayerGainOffsetRaw16);

// Automatic gray gains over an 8- or 16-bit mosaic (by source bytes per pixel; param:
// BayerGainParams, whose four gains it writes). Samples at 0 or full scale are ignored.
// Returns 1 with the gains written, 0 with them unchanged when a position has no usable sample.
REZIVE_MOSAIC_KERNEL(MeasureBayerGains);

// 24/32-bit colour -> 8-bit luminance: (59 G + 30 R + 11 B) / 100.
REZIVE_MOSAIC_KERNEL(BgrToGray8);

#undef REZIVE_MOSAIC_KERNEL

// True when color can take the reconstruction of mosaic: both hold pixels, of one size, and
// color has room for three samples of the mosaic's width per pixel.
bool ReconstructionFits(const CDibImage& color, const CDibImage& mosaic);

// The automatic white balance: on success params' gains become the measured ones (each
// limited to 400) and true is returned; a frame with a colour of zero mean keeps them.
bool MeasureWhiteBalance(const CDibImage& mosaic, WhiteBalanceParams& params);

// Colour reconstruction of a whole mosaic buffer (8 or 16 bits per pixel) into a colour buffer
// of the same size, with the gains and phase of params. When autoWhiteBalance is set the gains
// are first measured from the mosaic: on success params' red, green and blue gains become the
// measured ones (each limited to 400) and *measured (if given) is set, so the caller can store
// them in its settings; a frame with a colour of zero mean keeps params unchanged and leaves
// *measured false. Returns 1 when the colour buffer was filled, 0 when the buffers do not fit.
int32_t ReconstructColor(CDibImage& color, const CDibImage& mosaic, WhiteBalanceParams& params,
                         bool autoWhiteBalance, bool* measured = nullptr);

}  // namespace rezive
