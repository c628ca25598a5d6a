// The pass-by-pass frame runner: each step a full pass over the frame. The strip runner gives
// the same bits; this one stays as the reference it is tested and measured against.
#include <cstring>

#include "imaging/frame_recipe.h"
#include "imaging/gray16.h"

namespace rezive {
namespace {

bool UnityGains(const BayerGainParams& p) {
    return p.gainR == 128 && p.gainG1 == 128 && p.gainG2 == 128 && p.gainB == 128;
}

void Filters(const FrameRecipe& r, CDibImage& output, CDibImage& work, FilterTables& tables) {
    const FrameLayout layout = LayoutOf(r.colorMode);
    auto run = [&](PixelKernel kernel, void* params, const CDibImage* source) {
        output.Transfer(kernel, source, nullptr, 0, 0, params);
    };
    if (r.colorMode >= 2 && (r.hue != 0 || r.saturation != 0)) {
        HueSaturationParams p{r.hue, 0, r.saturation, r.bitDepth};
        run(layout == FrameLayout::kColor8 ? HueSaturationColor8 : HueSaturationColor16, &p,
            &output);
    }
    if (r.gamma != 100) {
        FilterParams p{r.gamma, r.bitDepth, &tables};
        run(kGammaKernels[layout], &p, &output);
    }
    if (r.contrast != 0) {
        FilterParams p{r.contrast, r.bitDepth, &tables};
        run(kContrastKernels[layout], &p, &output);
    }
    if (r.sharpness != 0 && work.SizeBytes() == output.SizeBytes() && !work.Empty()) {
        std::memcpy(work.Bits(), output.Bits(), output.SizeBytes());
        FilterParams p{r.sharpness, r.bitDepth, &tables};
        run(kSharpnessKernels[layout], &p, &work);
    }
    if (r.brightness != 0) {
        FilterParams p{r.brightness, r.bitDepth, &tables};
        run(kBrightnessKernels[layout], &p, &output);
    }
}

}  // namespace

void RunFramePasses(const FrameRecipe& r, const FrameImages& images, FilterTables& tables) {
    CDibImage& raw = *images.raw;
    WhiteBalanceParams wb = r.whiteBalance;
    if (r.colorMode <= 1) {
        if (r.grayMode == 1 && !UnityGains(r.grayGain)) {
            BayerGainParams p = r.grayGain;
            raw.Transfer(raw.BitsPerPixel() == 16 ? BayerGainOffsetRaw16 : BayerGainOffsetRaw8,
                         &raw, nullptr, 0, 0, &p);
        } else if (r.grayMode == 2 && images.color != nullptr &&
                   ReconstructionFits(*images.color, raw)) {
            ReconstructColor(*images.color, raw, wb, false);
            raw.Transfer(r.colorMode == 0 ? BgrToGray8 : BgrToGray16, images.color, nullptr, 0, 0,
                         nullptr);
        }
    } else {
        ReconstructColor(*images.output, raw, wb, false);
    }
    Filters(r, *images.output, *images.work, tables);
}

}  // namespace rezive
