#include "acquisition/auto_iris.h"

#include <algorithm>

#include "acquisition/dialog_observer.h"
#include "device/rezive417dir_sdk.h"
#include "imaging/conversions.h"
#include "imaging/pixel_access.h"

namespace rezive {
namespace {

// Mean of (v >> 4) & 0xFF over the rectangle: the 12-bit reduction of 16-bit samples.
int32_t MeanLevelMono12(uint8_t*, const uint8_t* src, const Rect& rect, int32_t, int32_t, int32_t,
                        int32_t, int32_t, int32_t srcStride, void*) {
    const int64_t count = static_cast<int64_t>(rect.Width()) * rect.Height();
    if (count <= 0) return 0;
    uint32_t sum = 0;
    for (int32_t r = rect.top; r < rect.bottom; ++r) {
        const uint8_t* row = pixel::RowAt(src, r, srcStride);
        for (int32_t c = rect.left; c < rect.right; ++c) sum += (pixel::Load16(row + c * 2) >> 4) & 0xFF;
    }
    return static_cast<int32_t>(sum / count);
}

}  // namespace

std::array<Rect, 5> AutoIrisWindows(int32_t w, int32_t h) {
    auto at = [](double f, int32_t v) { return static_cast<int32_t>(f * v); };
    return {Rect{at(0.1, w), at(0.1, h), at(0.2, w), at(0.2, h)},
            Rect{at(0.1, w), at(0.8, h), at(0.2, w), at(0.9, h)},
            Rect{at(0.45, w), at(0.45, h), at(0.55, w), at(0.55, h)},
            Rect{at(0.8, w), at(0.1, h), at(0.9, w), at(0.2, h)},
            Rect{at(0.8, w), at(0.8, h), at(0.9, w), at(0.9, h)}};
}

int32_t AutoIrisMeanLevel(CDibImage& raw, const Rect& window) {
    const PixelKernel kernel = raw.BitsPerPixel() == 16 ? MeanLevelMono12 : MeanLevelMono8;
    return raw.Transfer(kernel, &raw, &window, window.left, window.top, nullptr);
}

double AutoIrisFactor(const std::array<int32_t, 5>& means) {
    double factor = 1.0;
    for (int32_t m : means) {
        if (m > 200) factor -= 0.15;
        else if (m > 160) factor -= 0.1;
        else if (m < 50) factor += 0.1;
        else if (m < 100) factor += 0.05;
    }
    return factor;
}

void AutoIris(CDibImage& raw, CRezive417DIRVUDSdk& model, AnalogSettings& analog,
              DialogObserver* dialog) {
    const int32_t mode = analog.autoIris;
    if ((mode != 1 && mode != 2) || raw.Empty()) return;
    std::array<int32_t, 5> means{};
    const auto windows = AutoIrisWindows(raw.Width(), raw.Height());
    for (size_t i = 0; i < windows.size(); ++i) means[i] = AutoIrisMeanLevel(raw, windows[i]);
    const double factor = AutoIrisFactor(means);
    if (factor > 0.6 && factor < 1.2) return;
    if (mode == 2) {
        const int32_t g = std::max(model.GetGainIndex(), 4);
        const int32_t value =
            std::clamp(static_cast<int32_t>(g * factor), model.GainMin(), model.GainMax());
        model.SetGainIndex(value);
        analog.globalGain = value;
        analog.colorGainG1 = analog.colorGainR = value;
        analog.colorGainB = analog.colorGainG2 = value;
        if (dialog) dialog->AutoIrisGain(value);
    } else {
        int32_t e = 0;
        model.GetExposure(&e);
        int32_t value = static_cast<int32_t>(static_cast<double>(e) * factor) & 0xFFFF;
        value = std::clamp(std::max(value, 1), model.ExposureMin(), model.ExposureMax());
        model.SetExposure(value);
        analog.exposure = value;
        if (dialog) dialog->AutoIrisExposure(value);
    }
}

}  // namespace rezive
