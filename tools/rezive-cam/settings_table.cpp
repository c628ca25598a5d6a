#include "settings_table.h"

#include "parse.h"

namespace rezive::cli {
namespace {

// Getters of the API take an optional success flag; those without one cannot fail on a valid
// handle except through the device, which Check() reports from the error history.
template <int32_t (*Get)(RzHandle, int32_t*)>
bool WithFlag(RzHandle handle, int32_t* value) {
    int32_t ok = 0;
    *value = Get(handle, &ok);
    return ok != 0;
}

template <int32_t (*Get)(RzHandle)>
bool WithoutFlag(RzHandle handle, int32_t* value) {
    *value = Get(handle);
    return *value >= 0;
}

bool GetColor(RzHandle handle, int32_t* value) {
    // The tool speaks in the bits per pixel that --color and the set call take.
    const int32_t reported = Rezive_GetColorMode(handle);
    *value = RZ_BITS_OF_COLOR_MODE(reported);
    return reported > 0;
}

int32_t SetAutoWhiteBalance(RzHandle handle, int32_t value) {
    return Rezive_SetBayerGainAuto(handle, value);
}

const std::vector<const char*> kOnOff = {"off", "on"};

}  // namespace

const std::vector<SettingInfo>& Settings() {
    static const std::vector<SettingInfo> table = {
        {"gain", "sensor gain step (0..11)", {}, true, WithFlag<Rezive_GetGlobalGain>,
         Rezive_SetGlobalGain},
        {"exposure", "exposure in sensor lines (1..32767)", {}, true,
         WithFlag<Rezive_GetExposureTime>, Rezive_SetExposureTime},
        {"exposure-ms", "exposure in milliseconds (converted to lines)", {}, true,
         WithFlag<Rezive_GetRealExposureTime>, Rezive_SetRealExposureTime},
        {"mirror-h", "horizontal mirror", kOnOff, true, WithoutFlag<Rezive_GetMirrorH>,
         Rezive_SetMirrorH},
        {"mirror-v", "vertical mirror", kOnOff, true, WithoutFlag<Rezive_GetMirrorV>,
         Rezive_SetMirrorV},
        {"auto-iris", "automatic exposure or gain", {"off", "exposure", "gain"}, true,
         WithFlag<Rezive_GetAutoIris>, Rezive_SetAutoIris},
        {"brightness", "brightness (-255..255)", {}, true, WithFlag<Rezive_GetBrightness>,
         Rezive_SetBrightness},
        {"contrast", "contrast (-127..127)", {}, true, WithFlag<Rezive_GetContrast>,
         Rezive_SetContrast},
        {"hue", "hue rotation in degrees (-360..360)", {}, true, WithFlag<Rezive_GetHue>,
         Rezive_SetHue},
        {"saturation", "saturation (-255..255)", {}, true, WithFlag<Rezive_GetSaturation>,
         Rezive_SetSaturation},
        {"sharpness", "sharpness (0..30)", {}, true, WithFlag<Rezive_GetSharpness>,
         Rezive_SetSharpness},
        {"gamma", "gamma in hundredths (0..200, 100 is neutral)", {}, true,
         WithFlag<Rezive_GetGamma>, Rezive_SetGamma},
        {"wb-red", "white-balance gain of red (0..400)", {}, true,
         WithFlag<Rezive_GetBayerGainRed>, Rezive_SetBayerGainRed},
        {"wb-green", "white-balance gain of green (0..400)", {}, true,
         WithFlag<Rezive_GetBayerGainGreen>, Rezive_SetBayerGainGreen},
        {"wb-blue", "white-balance gain of blue (0..400)", {}, true,
         WithFlag<Rezive_GetBayerGainBlue>, Rezive_SetBayerGainBlue},
        {"auto-wb", "automatic white balance on every colour frame", kOnOff, false,
         WithFlag<Rezive_GetBayerGainAuto>, SetAutoWhiteBalance},
        {"bayer-mode", "colour-filter phase of the mosaic (0..3)", {}, true,
         WithFlag<Rezive_GetBayerMode>, Rezive_SetBayerMode},
        {"gray-mode", "gray processing of 8/16-bit images", {"off", "gain-offset", "color-to-gray"},
         true, WithFlag<Rezive_GetGrayMode>, Rezive_SetGrayMode},
        {"gray-gain-r", "gray gain of R samples (0..255, 128 is unity)", {}, true,
         WithFlag<Rezive_GetGrayGainR>, Rezive_SetGrayGainR},
        {"gray-gain-g1", "gray gain of G1 samples (0..255)", {}, true,
         WithFlag<Rezive_GetGrayGainG1>, Rezive_SetGrayGainG1},
        {"gray-gain-g2", "gray gain of G2 samples (0..255)", {}, true,
         WithFlag<Rezive_GetGrayGainG2>, Rezive_SetGrayGainG2},
        {"gray-gain-b", "gray gain of B samples (0..255)", {}, true,
         WithFlag<Rezive_GetGrayGainB>, Rezive_SetGrayGainB},
        {"gray-offset-r", "gray offset of R samples (-255..255)", {}, true,
         WithFlag<Rezive_GetGrayOffsetR>, Rezive_SetGrayOffsetR},
        {"gray-offset-g1", "gray offset of G1 samples (-255..255)", {}, true,
         WithFlag<Rezive_GetGrayOffsetG1>, Rezive_SetGrayOffsetG1},
        {"gray-offset-g2", "gray offset of G2 samples (-255..255)", {}, true,
         WithFlag<Rezive_GetGrayOffsetG2>, Rezive_SetGrayOffsetG2},
        {"gray-offset-b", "gray offset of B samples (-255..255)", {}, true,
         WithFlag<Rezive_GetGrayOffsetB>, Rezive_SetGrayOffsetB},
        {"color", "bits per pixel of images (8, 16, 24, 32, 48, 64)", {}, false, GetColor,
         Rezive_SetColorMode},
        {"wait-time", "milliseconds the preview loop waits before each frame", {}, false,
         WithoutFlag<Rezive_GetWaitTime>, Rezive_SetWaitTime},
        {"defect-correction", "defect-pixel correction (needs a defect list)", kOnOff, false,
         WithoutFlag<Rezive_GetConfigFilter>, Rezive_SetConfigFilter},
    };
    return table;
}

const SettingInfo* FindSetting(const std::string& name) {
    for (const auto& setting : Settings()) {
        if (name == setting.name) return &setting;
    }
    return nullptr;
}

std::optional<int32_t> ParseSettingValue(const SettingInfo& setting, const std::string& text) {
    for (size_t k = 0; k < setting.valueNames.size(); ++k) {
        if (text == setting.valueNames[k]) return static_cast<int32_t>(k);
    }
    if (setting.valueNames == kOnOff) {
        if (auto on = ParseSwitch(text)) return on;
    }
    return ParseInt(text);
}

std::string FormatSettingValue(const SettingInfo& setting, int32_t value) {
    if (value >= 0 && static_cast<size_t>(value) < setting.valueNames.size()) {
        return setting.valueNames[static_cast<size_t>(value)];
    }
    return std::to_string(value);
}

Json SettingValueJson(const SettingInfo& setting, int32_t value) {
    if (setting.valueNames == kOnOff && (value == 0 || value == 1)) return Json(value == 1);
    if (value >= 0 && static_cast<size_t>(value) < setting.valueNames.size()) {
        return Json(setting.valueNames[static_cast<size_t>(value)]);
    }
    return Json(value);
}

}  // namespace rezive::cli
