#include "acquisition/frame_pipeline.h"

#include "acquisition/auto_iris.h"
#include "acquisition/defect_correction.h"
#include "device/rezive417dir_sdk.h"
#include "imaging/mosaic.h"

namespace rezive {
namespace {

// 16-bit samples carry 12 significant bits.
constexpr int32_t kSampleBits = 12;

}  // namespace

void FramePipeline::Process(int32_t colorMode, CDibImage* const* images, CameraSettings& s,
                            CRezive417DIRVUDSdk& model, const DefectList& defects) {
    CDibImage& raw = *images[(colorMode == 1 || colorMode == 4 || colorMode == 5) ? 1 : 0];
    if (s.defectCorrection == 1) {
        CorrectDefects(raw, defects, s.geometry, s.analog.mirrorH != 0, s.analog.mirrorV != 0);
    }
    const std::shared_ptr<DialogObserver> dialog = dialog_.Get();
    AutoIris(raw, model, s.analog, dialog.get());

    const FilterSettings& f = s.filters;
    FrameRecipe recipe;
    recipe.colorMode = colorMode;
    recipe.bitDepth = kSampleBits;
    recipe.whiteBalance.phase =
        EffectiveBayerPhase(f.bayerMode, s.analog.mirrorV != 0, s.analog.mirrorH != 0);
    recipe.whiteBalance.redGain = f.redGain;
    recipe.whiteBalance.greenGain = f.greenGain;
    recipe.whiteBalance.blueGain = f.blueGain;
    FrameImages frame{&raw, images[colorMode], nullptr, images[kSlotWork]};
    if (colorMode <= 1) {
        recipe.grayMode = f.grayMode;
        if (recipe.grayMode == 1) {
            MeasureGrayGains(raw, colorMode == 0 ? 8 : kSampleBits, s, recipe, dialog.get());
        } else if (recipe.grayMode == 2) {
            // Reconstruction then luminance; in the 16-bit mode through the 48-bit buffer, so the
            // result keeps its 12 significant bits.
            CDibImage& color = *images[colorMode == 0 ? 2 : 4];
            if (!color.Empty() && color.Width() == raw.Width() && color.Height() == raw.Height()) {
                frame.color = &color;
                MeasureWhiteBalance(raw, color, s, recipe, dialog.get());
            }
        }
    } else {
        MeasureWhiteBalance(raw, *frame.output, s, recipe, dialog.get());
    }
    recipe.hue = f.hue;
    recipe.saturation = f.saturation;
    recipe.gamma = f.gamma;
    recipe.contrast = f.contrast;
    recipe.sharpness = f.sharpness;
    recipe.brightness = f.brightness;
    Run(recipe, frame);
}

void FramePipeline::Run(const FrameRecipe& recipe, const FrameImages& images) {
    if (!strips_.Prepare(recipe, images, tables_)) {
        RunFramePasses(recipe, images, tables_);
        return;
    }
    for (int32_t phase = 0; phase < strips_.Phases(); ++phase) {
        auto band = [this, phase](int32_t i) { strips_.Run(phase, i); };
        pool_.Run(strips_.Bands(), band);
    }
}

// The automatic white balance, measured on the mosaic when the reconstruction can run. A
// one-shot measurement ends with this frame either way.
void FramePipeline::MeasureWhiteBalance(const CDibImage& mosaic, const CDibImage& color,
                                        CameraSettings& s, FrameRecipe& recipe,
                                        DialogObserver* dialog) {
    const bool automatic = s.filters.autoWhiteBalance != 0;
    const bool measured = automatic && ReconstructionFits(color, mosaic) &&
                          rezive::MeasureWhiteBalance(mosaic, recipe.whiteBalance);
    if (measured) {
        s.filters.redGain = recipe.whiteBalance.redGain;
        s.filters.greenGain = recipe.whiteBalance.greenGain;
        s.filters.blueGain = recipe.whiteBalance.blueGain;
    }
    if (automatic && s.filters.autoWhiteBalanceOnceA != 0 && s.filters.autoWhiteBalanceOnceB != 0) {
        s.filters.autoWhiteBalance = 0;
        s.filters.autoWhiteBalanceOnceA = 0;
        s.filters.autoWhiteBalanceOnceB = 0;
    }
    if (measured && dialog) dialog->Measured();
}

void FramePipeline::MeasureGrayGains(CDibImage& raw, int32_t bitDepth, CameraSettings& s,
                                     FrameRecipe& recipe, DialogObserver* dialog) {
    FilterSettings& f = s.filters;
    BayerGainParams& p = recipe.grayGain;
    p.phase = recipe.whiteBalance.phase;
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
}

}  // namespace rezive
