// Tone and detail filters: brightness, contrast, gamma, sharpness, hue and saturation.
//
// Each filter is a family of PixelKernels, one per layout: Mono8 (8 bpp), Mono16 (16 bpp,
// 12 significant bits), Color8 (24/32 bpp: blue, green, red bytes) and Color16 (48/64 bpp:
// three 16-bit channels). A fourth byte or channel is never changed. 16-bit members use
// n = bit depth clamped to 8..16 and the sample limit V = 2^n - 1; samples above V are
// treated as V by the table-driven filters (brightness scales the sample as it is). Results
// are clamped, never wrapped. All but sharpness run in place (source = destination); they also
// accept a distinct source of the same layout. A kernel without its parameter block, or given
// pixels too small for its layout, returns 0 and leaves the image as it was.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/kernel.h"

namespace rezive {

class FilterTables;

struct FilterParams {
    int32_t value = 0;      // the filter's setting
    int32_t bitDepth = 12;  // of 16-bit layouts; 8-bit members ignore it
    // Optional per-camera cache of the lookup tables. Without one, 16-bit contrast and gamma
    // build their table for the call (and leave the image unchanged, returning 0, when that
    // memory cannot be had); 8-bit tables always live on the stack.
    FilterTables* tables = nullptr;
};

// A prebuilt per-sample table (param of the ToneMap kernels): 256 entries for the 8-bit
// layouts, 2^n (n = bit depth clamped to 8..16) for the 16-bit ones, whose samples above the
// limit read the last entry.
struct ToneMapParams {
    const uint8_t* table8 = nullptr;
    const uint16_t* table16 = nullptr;
    int32_t bitDepth = 12;
};

struct HueSaturationParams {
    int32_t hue = 0;         // degrees, -360..360
    int32_t lightness = 0;   // always 0: the lightness is left as it is
    int32_t saturation = 0;  // -255..255 (clamped into that range)
    int32_t bitDepth = 12;   // of Color16 samples
    // Optional tone table the written samples go through (the ToneMap step that follows,
    // done in the same pass): 256 entries for Color8, 2^n for Color16.
    const uint8_t* tone8 = nullptr;
    const uint16_t* tone16 = nullptr;
};

// Lookup tables that depend only on a setting, rebuilt only when the setting changes. One per
// camera object, used under that camera's frame lock; never shared between cameras.
class FilterTables {
public:
    FilterTables();
    ~FilterTables();
    FilterTables(const FilterTables&) = delete;
    FilterTables& operator=(const FilterTables&) = delete;

    // Tables of 2^n entries for the 16-bit members; null when the memory cannot be had.
    const uint16_t* Contrast16(int32_t contrast, int32_t n);
    const uint16_t* Gamma16(int32_t gamma, int32_t n);

    // The per-sample steps of a frame as one table: gamma (100: none), then contrast (0: none),
    // then brightness (0: none), each exactly as its own kernel maps a sample. Only valid where
    // gamma or contrast runs: their output never exceeds the limit, which is what lets a
    // following brightness be tabled. Null when the memory cannot be had.
    const uint8_t* Curve8(int32_t gamma, int32_t contrast, int32_t brightness, bool colour);
    const uint16_t* Curve16(int32_t gamma, int32_t contrast, int32_t brightness, int32_t n);

private:
    struct Cache;
    struct Curve;
    std::unique_ptr<Cache> contrast_;
    std::unique_ptr<Cache> gamma_;
    std::unique_ptr<Curve> curve8_;
    std::unique_ptr<Curve> curve16_;
};

// Table builders, shared by the kernels and the cache (also the contract the tests check).
// table must hold 256 (8-bit) or 2^n (16-bit) entries.
void BuildContrastTable8(int32_t contrast, uint8_t* table);
void BuildGammaTable8(int32_t gamma, bool colour, uint8_t* table);
void BuildContrastTable16(int32_t contrast, int32_t n, uint16_t* table);
void BuildGammaTable16(int32_t gamma, int32_t n, uint16_t* table);
// Brightness factor: computed in double precision, rounded to single precision.
float BrightnessFactor(int32_t brightness);

#define REZIVE_FILTER_KERNEL(name)                                                         \
    int32_t name(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y, \
                 int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride,     \
                 void* param)
#define REZIVE_FILTER_FAMILY(op)      \
    REZIVE_FILTER_KERNEL(op##Mono8);  \
    REZIVE_FILTER_KERNEL(op##Mono16); \
    REZIVE_FILTER_KERNEL(op##Color8); \
    REZIVE_FILTER_KERNEL(op##Color16)

// sample -> trunc(float(sample) * BrightnessFactor(value)), clamped.
REZIVE_FILTER_FAMILY(Brightness);
// sample -> contrast table[sample].
REZIVE_FILTER_FAMILY(Contrast);
// sample -> table[sample] of a prebuilt table (param: ToneMapParams); 0 without its table.
REZIVE_FILTER_FAMILY(ToneMap);
// sample -> gamma table[sample].
REZIVE_FILTER_FAMILY(Gamma);
// Unsharp masking against the 4 x 4 box mean (rows r-2..r+1, columns c-2..c+1):
// out = src + trunc(value * (src - mean) / 10), clamped. Reads the source (the camera's work
// copy) and writes the destination, which must be a different buffer (0 and nothing written
// otherwise). The two-pixel frame of the destination is left as it was.
REZIVE_FILTER_FAMILY(Sharpness);

// Hue rotation and saturation on packed colours (param: HueSaturationParams). Color16 works on
// the top 8 of the bit depth's bits and writes them back shifted up.
REZIVE_FILTER_KERNEL(HueSaturationColor8);
REZIVE_FILTER_KERNEL(HueSaturationColor16);

#undef REZIVE_FILTER_FAMILY
#undef REZIVE_FILTER_KERNEL

}  // namespace rezive
