// What the mosaic and filter steps do to one frame, read from the camera's settings once per
// frame (after the measurements), and the buffers they work on. Two runners take it: the strip
// runner the acquisition uses, and the pass-by-pass runner it is checked and measured against.
#pragma once

#include <cstdint>

#include "imaging/dib_image.h"
#include "imaging/filters.h"
#include "imaging/mosaic.h"

namespace rezive {

struct FrameRecipe {
    int32_t colorMode = 2;  // 0, 1 mono; 2..5 colour (24, 32, 48, 64 bits)
    int32_t grayMode = 0;   // mono modes: 0 as read, 1 gains and offsets, 2 luminance of colour
    WhiteBalanceParams whiteBalance;  // colour modes and gray mode 2
    BayerGainParams grayGain;         // gray mode 1; unity gains skip the step
    int32_t hue = 0, saturation = 0;
    int32_t gamma = 100, contrast = 0, sharpness = 0, brightness = 0;
    int32_t bitDepth = 12;  // significant bits of 16-bit samples
};

struct FrameImages {
    CDibImage* raw = nullptr;     // the mosaic; in the mono modes also the output
    CDibImage* output = nullptr;  // the frame as it is delivered
    CDibImage* color = nullptr;   // gray mode 2: the reconstruction the luminance comes from
    CDibImage* work = nullptr;    // sharpness reads this copy of the output
};

// Kernel of each filter family by the layout of the colour mode.
enum class FrameLayout { kMono8, kMono16, kColor8, kColor16 };
inline FrameLayout LayoutOf(int32_t colorMode) {
    return colorMode == 0   ? FrameLayout::kMono8
           : colorMode == 1 ? FrameLayout::kMono16
           : colorMode <= 3 ? FrameLayout::kColor8
                            : FrameLayout::kColor16;
}

// The member of each filter family for a layout (the order of FrameLayout).
struct LayoutKernels {
    PixelKernel members[4];
    PixelKernel operator[](FrameLayout layout) const { return members[static_cast<int>(layout)]; }
};
inline constexpr LayoutKernels kGammaKernels{{GammaMono8, GammaMono16, GammaColor8, GammaColor16}};
inline constexpr LayoutKernels kContrastKernels{
    {ContrastMono8, ContrastMono16, ContrastColor8, ContrastColor16}};
inline constexpr LayoutKernels kSharpnessKernels{
    {SharpnessMono8, SharpnessMono16, SharpnessColor8, SharpnessColor16}};
inline constexpr LayoutKernels kBrightnessKernels{
    {BrightnessMono8, BrightnessMono16, BrightnessColor8, BrightnessColor16}};
inline constexpr LayoutKernels kToneMapKernels{
    {ToneMapMono8, ToneMapMono16, ToneMapColor8, ToneMapColor16}};

// Every step as one pass over the whole frame, in order: reconstruction or the gray mode,
// hue and saturation, gamma, contrast, sharpness, brightness.
void RunFramePasses(const FrameRecipe& recipe, const FrameImages& images, FilterTables& tables);

}  // namespace rezive
