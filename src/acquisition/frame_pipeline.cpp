#include "acquisition/frame_pipeline.h"

#include <cstring>

#include "acquisition/auto_iris.h"
#include "acquisition/defect_correction.h"
#include "device/rezive417dir_sdk.h"
#include "imaging/filters.h"
#include "imaging/gray16.h"
#include "imaging/mosaic.h"

namespace rezive {
namespace {

// 16-bit samples carry 12 significant bits.
constexpr int32_t kSampleBits = 12;

}  // namespace

void FramePipeline::Process(int32_t colorMode, CDibImage* const* images, CameraSettings& s,
                            CRezive417DIRVUDSdk& model, const DefectList& defects) {
    CDibImage& raw = *images[(colorMode == 1 || colorMode == 4 || colorMode == 5) ? 1 : 0];
    CDibImage& output = *images[colorMode];
    if (s.defectCorrection == 1) {
        CorrectDefects(raw, defects, s.geometry, s.analog.mirrorH != 0, s.analog.mirrorV != 0);
    }
    const std::shared_ptr<DialogObserver> dialog = dialog_.Get();
    AutoIris(raw, model, s.analog, dialog.get());
    if (colorMode <= 1) {
        const int32_t grayMode = s.filters.grayMode;
        if (grayMode == 1) {
            GrayGainOffset(raw, colorMode == 0 ? 8 : kSampleBits, s, dialog.get());
        } else if (grayMode == 2) {
            // Reconstruction then luminance; in the 16-bit mode through the 48-bit buffer, so the
            // result keeps its 12 significant bits.
            CDibImage& color = *images[colorMode == 0 ? 2 : 4];
            if (!color.Empty() && color.Width() == raw.Width() && color.Height() == raw.Height()) {
                Reconstruct(color, raw, s, dialog.get());
                raw.Transfer(colorMode == 0 ? BgrToGray8 : BgrToGray16, &color, nullptr, 0, 0,
                             nullptr);
            }
        }
    } else {
        Reconstruct(output, raw, s, dialog.get());
    }
    Filters(colorMode, output, *images[kSlotWork], s);
}

void FramePipeline::Reconstruct(CDibImage& color, const CDibImage& mosaic, CameraSettings& s,
                                DialogObserver* dialog) {
    WhiteBalanceParams params;
    params.phase = EffectiveBayerPhase(s.filters.bayerMode, s.analog.mirrorV != 0,
                                       s.analog.mirrorH != 0);
    params.redGain = s.filters.redGain;
    params.greenGain = s.filters.greenGain;
    params.blueGain = s.filters.blueGain;
    const bool automatic = s.filters.autoWhiteBalance != 0;
    bool measured = false;
    ReconstructColor(color, mosaic, params, automatic, &measured);
    if (measured) {
        s.filters.redGain = params.redGain;
        s.filters.greenGain = params.greenGain;
        s.filters.blueGain = params.blueGain;
    }
    if (automatic && s.filters.autoWhiteBalanceOnceA != 0 && s.filters.autoWhiteBalanceOnceB != 0) {
        s.filters.autoWhiteBalance = 0;
        s.filters.autoWhiteBalanceOnceA = 0;
        s.filters.autoWhiteBalanceOnceB = 0;
    }
    if (measured && dialog) dialog->Measured();
}

void FramePipeline::GrayGainOffset(CDibImage& raw, int32_t bitDepth, CameraSettings& s,
                                   DialogObserver* dialog) {
    FilterSettings& f = s.filters;
    BayerGainParams p;
    p.phase = EffectiveBayerPhase(f.bayerMode, s.analog.mirrorV != 0, s.analog.mirrorH != 0);
    p.gainR = f.grayGainR;
    p.gainG1 = f.grayGainG1;
    p.gainG2 = f.grayGainG2;
    p.gainB = f.grayGainB;
    p.offsetR = f.grayOffsetR;
    p.offsetG1 = f.grayOffsetG1;
    p.offsetG2 = f.grayOffsetG2;
    p.offsetB = f.grayOffsetB;
    p.bitDepth = bitDepth;
    if (f.grayAutoGain != 0) {
        if (raw.Transfer(MeasureBayerGains, &raw, nullptr, 0, 0, &p) == 1) {
            f.grayGainR = p.gainR;
            f.grayGainG1 = p.gainG1;
            f.grayGainG2 = p.gainG2;
            f.grayGainB = p.gainB;
        }
        f.grayAutoGain.FetchAdd(-1);
        if (dialog) dialog->Measured();
    }
    if (p.gainR == 128 && p.gainG1 == 128 && p.gainG2 == 128 && p.gainB == 128) return;
    raw.Transfer(raw.BitsPerPixel() == 16 ? BayerGainOffsetRaw16 : BayerGainOffsetRaw8, &raw,
                 nullptr, 0, 0, &p);
}

void FramePipeline::Filters(int32_t colorMode, CDibImage& output, CDibImage& work,
                            CameraSettings& s) {
    // Kernel of each family by layout: Mono8, Mono16, Color8 (24/32), Color16 (48/64).
    const int layout = colorMode == 0 ? 0 : colorMode == 1 ? 1 : colorMode <= 3 ? 2 : 3;
    auto run = [&](PixelKernel kernel, void* params, const CDibImage* source) {
        output.Transfer(kernel, source, nullptr, 0, 0, params);
    };
    const FilterSettings& f = s.filters;
    const int32_t hue = f.hue, saturation = f.saturation;
    if (colorMode >= 2 && (hue != 0 || saturation != 0)) {
        HueSaturationParams p{hue, 0, saturation, kSampleBits};
        run(layout == 2 ? HueSaturationColor8 : HueSaturationColor16, &p, &output);
    }
    const int32_t gamma = f.gamma;
    if (gamma != 100) {
        static constexpr PixelKernel kGamma[] = {GammaMono8, GammaMono16, GammaColor8,
                                                 GammaColor16};
        FilterParams p{gamma, kSampleBits, &tables_};
        run(kGamma[layout], &p, &output);
    }
    const int32_t contrast = f.contrast;
    if (contrast != 0) {
        static constexpr PixelKernel kContrast[] = {ContrastMono8, ContrastMono16, ContrastColor8,
                                                    ContrastColor16};
        FilterParams p{contrast, kSampleBits, &tables_};
        run(kContrast[layout], &p, &output);
    }
    const int32_t sharpness = f.sharpness;
    if (sharpness != 0 && work.SizeBytes() == output.SizeBytes() && !work.Empty()) {
        static constexpr PixelKernel kSharpness[] = {SharpnessMono8, SharpnessMono16,
                                                     SharpnessColor8, SharpnessColor16};
        std::memcpy(work.Bits(), output.Bits(), output.SizeBytes());
        FilterParams p{sharpness, kSampleBits, &tables_};
        run(kSharpness[layout], &p, &work);
    }
    const int32_t brightness = f.brightness;
    if (brightness != 0) {
        static constexpr PixelKernel kBrightness[] = {BrightnessMono8, BrightnessMono16,
                                                      BrightnessColor8, BrightnessColor16};
        FilterParams p{brightness, kSampleBits, &tables_};
        run(kBrightness[layout], &p, &output);
    }
}

}  // namespace rezive
