// The filter-identifier table of Rezive_SetFilterValue / Rezive_GetFilterValue.
#include "camera/camera.h"
#include "device/rezive417dir_sdk.h"

namespace rezive {
namespace {

// The ids are the header's RZ_FILTER_ constants, under the names this file uses.
enum FilterId : int32_t {
    kBrightness = RZ_FILTER_BRIGHTNESS,
    kContrast = RZ_FILTER_CONTRAST,
    kHue = RZ_FILTER_HUE,
    kSaturation = RZ_FILTER_SATURATION,
    kSharpness = RZ_FILTER_SHARPNESS,
    kBayerGainRGB = RZ_FILTER_BAYER_GAIN_RGB,
    kBayerGainRed = RZ_FILTER_BAYER_GAIN_RED,
    kBayerGainGreen = RZ_FILTER_BAYER_GAIN_GREEN,
    kBayerGainBlue = RZ_FILTER_BAYER_GAIN_BLUE,
    kBayerGainAuto = RZ_FILTER_BAYER_GAIN_AUTO,
    kGamma = RZ_FILTER_GAMMA,
    kBayerMode = RZ_FILTER_BAYER_MODE,
    kGlobalGain = RZ_FILTER_GLOBAL_GAIN,
    kColorGainRed = RZ_FILTER_COLOR_GAIN_RED,
    kColorGainGreen1 = RZ_FILTER_COLOR_GAIN_GREEN1,
    kColorGainGreen2 = RZ_FILTER_COLOR_GAIN_GREEN2,
    kColorGainBlue = RZ_FILTER_COLOR_GAIN_BLUE,
    kExposureTime = RZ_FILTER_EXPOSURE_TIME,
    kGrayMode = RZ_FILTER_GRAY_MODE,
    kGrayGainR = RZ_FILTER_GRAY_GAIN_R,
    kGrayGainG1 = RZ_FILTER_GRAY_GAIN_G1,
    kGrayGainG2 = RZ_FILTER_GRAY_GAIN_G2,
    kGrayGainB = RZ_FILTER_GRAY_GAIN_B,
    kGrayOffsetR = RZ_FILTER_GRAY_OFFSET_R,
    kGrayOffsetG1 = RZ_FILTER_GRAY_OFFSET_G1,
    kGrayOffsetG2 = RZ_FILTER_GRAY_OFFSET_G2,
    kGrayOffsetB = RZ_FILTER_GRAY_OFFSET_B,
    kGrayGainAuto = RZ_FILTER_GRAY_GAIN_AUTO,
};

// A plain stored filter setting with its inclusive range.
struct RangedFilter {
    int32_t id;
    Setting FilterSettings::*field;
    int32_t min;
    int32_t max;
};

constexpr RangedFilter kRanged[] = {
    {kBrightness, &FilterSettings::brightness, -255, 255},
    {kContrast, &FilterSettings::contrast, -127, 127},
    {kHue, &FilterSettings::hue, -360, 360},
    {kSaturation, &FilterSettings::saturation, -255, 255},
    {kSharpness, &FilterSettings::sharpness, 0, 30},
    {kBayerGainRed, &FilterSettings::redGain, 0, 400},
    {kBayerGainGreen, &FilterSettings::greenGain, 0, 400},
    {kBayerGainBlue, &FilterSettings::blueGain, 0, 400},
    {kGamma, &FilterSettings::gamma, 0, 200},
    {kBayerMode, &FilterSettings::bayerMode, 0, 3},
    {kGrayMode, &FilterSettings::grayMode, 0, 2},
    {kGrayGainR, &FilterSettings::grayGainR, 0, 255},
    {kGrayGainG1, &FilterSettings::grayGainG1, 0, 255},
    {kGrayGainG2, &FilterSettings::grayGainG2, 0, 255},
    {kGrayGainB, &FilterSettings::grayGainB, 0, 255},
    {kGrayOffsetR, &FilterSettings::grayOffsetR, -255, 255},
    {kGrayOffsetG1, &FilterSettings::grayOffsetG1, -255, 255},
    {kGrayOffsetG2, &FilterSettings::grayOffsetG2, -255, 255},
    {kGrayOffsetB, &FilterSettings::grayOffsetB, -255, 255},
    {kGrayGainAuto, &FilterSettings::grayAutoGain, 0, 1},
};

const RangedFilter* FindRanged(int32_t id) {
    for (const auto& f : kRanged) {
        if (f.id == id) return &f;
    }
    return nullptr;
}

}  // namespace

int32_t CRezive::SetFilterValue(int32_t id, int32_t value) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    auto reject = [this] {
        RecordError(RZ_ERR_ARGUMENT);
        return 0;
    };
    if (const RangedFilter* f = FindRanged(id)) {
        if (value < f->min || value > f->max) return reject();
        filters_.*(f->field) = value;
        return 1;
    }
    switch (id) {
        case kBayerGainRGB:
            filters_.redGain = value & 0xFF;
            filters_.greenGain = (value >> 8) & 0xFF;
            filters_.blueGain = (value >> 16) & 0xFF;
            return 1;
        case kBayerGainAuto:
            filters_.autoWhiteBalance = value != 0 ? 1 : 0;
            return 1;
        case kGlobalGain:
            if (value < model_->GainMin() || value > model_->GainMax()) return reject();
            analog_.globalGain = value;
            analog_.colorGainG1 = analog_.colorGainR = value;
            analog_.colorGainB = analog_.colorGainG2 = value;
            model_->SetGainIndex(value);
            return 1;
        case kColorGainRed:
        case kColorGainGreen1:
        case kColorGainGreen2:
        case kColorGainBlue: {
            if (value != 0) return reject();
            Setting& gain = id == kColorGainRed      ? analog_.colorGainR
                            : id == kColorGainGreen1 ? analog_.colorGainG1
                            : id == kColorGainGreen2 ? analog_.colorGainG2
                                                     : analog_.colorGainB;
            gain = 0;
            return 1;
        }
        case kExposureTime:
            if (value < model_->ExposureMin() || value > model_->ExposureMax()) return reject();
            analog_.exposure = value;
            model_->SetExposure(value);
            return 1;
        default:
            return reject();
    }
}

int32_t CRezive::GetFilterValue(int32_t id, int32_t* ok) {
    platform::MutexLock lock(lock_);
    if (!model_) {
        if (ok) *ok = 0;
        RecordError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    int32_t result = 0;
    if (const RangedFilter* f = FindRanged(id)) {
        result = filters_.*(f->field);
    } else {
        switch (id) {
            case kBayerGainRGB:
                result = ((filters_.blueGain & 0xFF) << 16) | ((filters_.greenGain & 0xFF) << 8) |
                         (filters_.redGain & 0xFF);
                break;
            case kBayerGainAuto: result = filters_.autoWhiteBalance; break;
            case kGlobalGain: result = model_->GetGainIndex(); break;
            case kColorGainRed:
            case kColorGainGreen1:
            case kColorGainGreen2:
            case kColorGainBlue: result = 0; break;
            case kExposureTime: {
                int32_t lines = 0;
                model_->GetExposure(&lines);
                result = lines;
                break;
            }
            default:
                if (ok) *ok = 0;
                RecordError(RZ_ERR_ARGUMENT);
                return 0;
        }
    }
    if (ok) *ok = 1;
    return result;
}

}  // namespace rezive
