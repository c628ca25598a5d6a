// Bands of rows through the frame's steps.
//
// A band of the reconstruction reads the mosaic rows around it, and sharpness reads the rows
// around its band before they are sharpened, so each of those starts a new phase: phase one
// ends with the band's pre-sharpness rows copied to the work buffer, phase two sharpens from it.
// Gray mode 2 writes its luminance into the mosaic buffer, so its reconstruction is a phase of
// its own. Gamma, contrast and (when nothing lies between) brightness are one composed table.
#include "imaging/frame_strips.h"

#include <algorithm>
#include <cstring>

#include "imaging/gray16.h"

namespace rezive {

bool FrameStrips::Prepare(const FrameRecipe& r, const FrameImages& images, FilterTables& tables) {
    recipe_ = r;
    images_ = images;
    layout_ = LayoutOf(r.colorMode);
    phaseCount_ = 0;
    CDibImage& output = *images.output;
    const CDibImage& raw = *images.raw;
    if (output.Empty() || raw.Empty()) return false;
    const bool colour = r.colorMode >= 2;
    // A frame the reconstruction cannot fill, or a mono output that is not the mosaic buffer,
    // keeps the passes (whose steps then skip what does not fit).
    if (colour ? !ReconstructionFits(output, raw) : &output != &raw) return false;
    rows_ = output.Height();
    bandRows_ = std::clamp(bandBytes_ / std::max(output.Stride(), 1), 1, std::max(rows_, 1));

    reconstruct_ = colour || (r.grayMode == 2 && images.color != nullptr &&
                              ReconstructionFits(*images.color, raw));
    grayLuminance_ = !colour && reconstruct_;
    grayGain_ = !colour && r.grayMode == 1 &&
                !(r.grayGain.gainR == 128 && r.grayGain.gainG1 == 128 &&
                  r.grayGain.gainG2 == 128 && r.grayGain.gainB == 128);
    hue_ = colour && (r.hue != 0 || r.saturation != 0);
    const CDibImage* work = images.work;
    sharpen_ = r.sharpness != 0 && work != nullptr && !work->Empty() &&
               work->SizeBytes() == output.SizeBytes();
    // The band copy is row by row: a work buffer of another shape keeps the passes.
    if (sharpen_ && (work->Stride() != output.Stride() || work->Height() != output.Height()))
        return false;

    const bool sixteen = layout_ == FrameLayout::kMono16 || layout_ == FrameLayout::kColor16;
    toneMap_ = r.gamma != 100 || r.contrast != 0;
    const int32_t tabledBrightness = toneMap_ && !sharpen_ ? r.brightness : 0;
    brightnessAlone_ = r.brightness != 0 && tabledBrightness == 0;
    tone_ = ToneMapParams{};
    tone_.bitDepth = r.bitDepth;
    if (toneMap_) {
        if (sixteen)
            tone_.table16 = tables.Curve16(r.gamma, r.contrast, tabledBrightness, r.bitDepth);
        else
            tone_.table8 =
                tables.Curve8(r.gamma, r.contrast, tabledBrightness, layout_ == FrameLayout::kColor8);
        // Without the memory for its table the frame keeps the passes, which build their own.
        if (tone_.table8 == nullptr && tone_.table16 == nullptr) return false;
    }

    // The reconstruction's two-pixel frame depends on the whole height, so it is made here;
    // the bands fill the interior.
    if (reconstruct_) {
        CDibImage& color = grayLuminance_ ? *images.color : output;
        WhiteBalanceParams wb = r.whiteBalance;
        color.Transfer(raw.BitsPerPixel() == 16 ? DemosaicBorderRaw16 : DemosaicBorderRaw8, &raw,
                       nullptr, 0, 0, &wb);
    }
    if (grayLuminance_) phases_[phaseCount_++] = Phase::kMosaic;
    phases_[phaseCount_++] = Phase::kPoint;
    if (sharpen_) phases_[phaseCount_++] = Phase::kSharpen;
    return true;
}

void FrameStrips::Run(int32_t phase, int32_t band) const {
    if (phase < 0 || phase >= phaseCount_ || band < 0) return;
    const int32_t top = band * bandRows_;
    if (top >= rows_) return;
    const int32_t bottom = std::min(rows_, top + bandRows_);
    switch (phases_[phase]) {
        case Phase::kMosaic: Mosaic(*images_.color, top, bottom); break;
        case Phase::kPoint: Point(top, bottom); break;
        case Phase::kSharpen: Sharpen(top, bottom); break;
    }
}

void FrameStrips::RunAll() const {
    for (int32_t p = 0; p < phaseCount_; ++p)
        for (int32_t b = 0; b < Bands(); ++b) Run(p, b);
}

void FrameStrips::Apply(PixelKernel kernel, CDibImage& dst, const CDibImage& src, int32_t top,
                        int32_t bottom, const void* params) const {
    const Rect rows{0, top, dst.Width(), bottom};
    kernel(dst.Bits(), src.Bits(), rows, 0, top, dst.BytesPerPixel(), src.BytesPerPixel(),
           dst.Stride(), src.Stride(), const_cast<void*>(params));
}

// The interior rows of the band. The kernel fills rows 2 .. height - 3 of the rectangle it is
// given, so it gets the band with two rows above and below, and the phase of the rectangle's
// first row.
void FrameStrips::Mosaic(CDibImage& color, int32_t top, int32_t bottom) const {
    const CDibImage& raw = *images_.raw;
    const int32_t first = std::max(top, 2), last = std::min(bottom, rows_ - 2);
    if (first >= last) return;
    WhiteBalanceParams wb = recipe_.whiteBalance;
    wb.phase = (wb.phase & ~1) | ((wb.phase + first) & 1);
    const Rect around{0, first - 2, raw.Width(), last + 2};
    (raw.BitsPerPixel() == 16 ? DemosaicInteriorRaw16 : DemosaicInteriorRaw8)(
        color.Bits(), raw.Bits(), around, 0, first - 2, color.BytesPerPixel(), raw.BytesPerPixel(),
        color.Stride(), raw.Stride(), &wb);
}

void FrameStrips::Point(int32_t top, int32_t bottom) const {
    CDibImage& output = *images_.output;
    CDibImage& raw = *images_.raw;
    if (layout_ == FrameLayout::kColor8 || layout_ == FrameLayout::kColor16) {
        Mosaic(output, top, bottom);
        if (hue_) {
            // The tone table goes into the same pass.
            HueSaturationParams p{recipe_.hue, 0, recipe_.saturation, recipe_.bitDepth,
                                  tone_.table8, tone_.table16};
            Apply(layout_ == FrameLayout::kColor8 ? HueSaturationColor8 : HueSaturationColor16,
                  output, output, top, bottom, &p);
        }
    } else if (grayGain_) {
        // The gains follow the mosaic's rows: the band's first row sets the phase.
        BayerGainParams p = recipe_.grayGain;
        p.phase = (p.phase & ~1) | ((p.phase + top) & 1);
        Apply(raw.BitsPerPixel() == 16 ? BayerGainOffsetRaw16 : BayerGainOffsetRaw8, raw, raw, top,
              bottom, &p);
    } else if (grayLuminance_) {
        Apply(layout_ == FrameLayout::kMono8 ? BgrToGray8 : BgrToGray16, raw, *images_.color, top,
              bottom, nullptr);
    }
    if (toneMap_ && !hue_) {
        Apply(kToneMapKernels[layout_], output, output, top, bottom, &tone_);
    }
    if (sharpen_) {
        const size_t stride = static_cast<size_t>(output.Stride());
        std::memcpy(images_.work->Row(top), output.Row(top), stride * (bottom - top));
    } else {
        Brighten(top, bottom);
    }
}

// Sharpens the band's rows that are not in the two-row frame, from the work copy. Like the
// reconstruction, the kernel gets the band with two rows above and below.
void FrameStrips::Sharpen(int32_t top, int32_t bottom) const {
    CDibImage& output = *images_.output;
    const CDibImage& work = *images_.work;
    const int32_t first = std::max(top, 2), last = std::min(bottom, rows_ - 2);
    if (first < last) {
        FilterParams p{recipe_.sharpness, recipe_.bitDepth, nullptr};
        const Rect around{0, first - 2, work.Width(), last + 2};
        kSharpnessKernels[layout_](output.Bits(), work.Bits(), around, 0, first - 2,
                           output.BytesPerPixel(), work.BytesPerPixel(), output.Stride(),
                           work.Stride(), &p);
    }
    Brighten(top, bottom);
}

// Brightness as its own step, where it is not in the tone table.
void FrameStrips::Brighten(int32_t top, int32_t bottom) const {
    if (!brightnessAlone_) return;
    CDibImage& output = *images_.output;
    FilterParams p{recipe_.brightness, recipe_.bitDepth, nullptr};
    Apply(kBrightnessKernels[layout_], output, output, top, bottom, &p);
}

}  // namespace rezive
