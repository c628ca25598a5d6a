// Whole-buffer colour reconstruction with optional automatic white balance.
#include <algorithm>

#include "imaging/mosaic.h"

namespace rezive {

bool ReconstructionFits(const CDibImage& color, const CDibImage& mosaic) {
    if (color.Empty() || mosaic.Empty() || color.Width() != mosaic.Width() ||
        color.Height() != mosaic.Height())
        return false;
    return color.BytesPerPixel() >= (mosaic.BitsPerPixel() == 16 ? 6 : 3);
}

bool MeasureWhiteBalance(const CDibImage& mosaic, WhiteBalanceParams& params) {
    if (mosaic.Empty()) return false;
    WhiteBalanceMeasurement m;
    m.phase = params.phase;
    const Rect whole{0, 0, mosaic.Width(), mosaic.Height()};
    // Read-only kernel: the destination argument is never written.
    PixelKernel measure =
        mosaic.BitsPerPixel() == 16 ? MeasureWhiteBalanceRaw16 : MeasureWhiteBalanceRaw8;
    if (measure(nullptr, mosaic.Bits(), whole, 0, 0, 0, mosaic.BytesPerPixel(), 0,
                mosaic.Stride(), &m) != 1)
        return false;
    params.redGain = std::min(m.redGain, 400);
    params.greenGain = std::min(m.greenGain, 400);
    params.blueGain = std::min(m.blueGain, 400);
    return true;
}

int32_t ReconstructColor(CDibImage& color, const CDibImage& mosaic, WhiteBalanceParams& params,
                         bool autoWhiteBalance, bool* measured) {
    if (measured != nullptr) *measured = false;
    if (!ReconstructionFits(color, mosaic)) return 0;
    if (autoWhiteBalance && MeasureWhiteBalance(mosaic, params) && measured != nullptr)
        *measured = true;
    const bool wide = mosaic.BitsPerPixel() == 16;
    const int32_t interior = color.Transfer(wide ? DemosaicInteriorRaw16 : DemosaicInteriorRaw8,
                                            &mosaic, nullptr, 0, 0, &params);
    const int32_t border = color.Transfer(wide ? DemosaicBorderRaw16 : DemosaicBorderRaw8, &mosaic,
                                          nullptr, 0, 0, &params);
    return interior == 1 && border == 1 ? 1 : 0;
}

}  // namespace rezive
