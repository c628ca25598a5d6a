// Every camera setting of the public interface under one short name, with its range, default,
// unit and the export behind it: the table every client shows and checks values by, and the
// by-name access that goes through those same exports.
#include <cstring>
#include <iterator>

#include "ReziveSdk.h"
#include "api/dispatch.h"

namespace {

using Getter = int32_t (*)(RzHandle, int32_t*);  // false: the read failed
using Setter = int32_t (*)(RzHandle, int32_t);

struct Entry {
    const char* name;
    const char* description;
    int32_t kind;
    int32_t minimum, maximum, defaultValue;
    const char* unit;
    int32_t filter;
    int32_t persistence;
    const char* setterName;
    const char* getterName;
    int32_t valueCount;
    const int32_t* values;
    const char* const* valueNames;
    Setter set;
    Getter get;
};

// Getters of the interface take an optional success flag; those without one report a failure
// as a negative value.
template <int32_t (*Get)(RzHandle, int32_t*)>
int32_t WithFlag(RzHandle handle, int32_t* value) {
    int32_t ok = 0;
    *value = Get(handle, &ok);
    return ok;
}

template <int32_t (*Get)(RzHandle)>
int32_t WithoutFlag(RzHandle handle, int32_t* value) {
    *value = Get(handle);
    return *value >= 0 ? 1 : 0;
}

// The colour mode is read as its code; the setting speaks in the bits per pixel it is set by.
int32_t GetColorBits(RzHandle handle, int32_t* value) {
    const int32_t reported = Rezive_GetColorMode(handle);
    *value = RZ_BITS_OF_COLOR_MODE(reported);
    return reported > 0 ? 1 : 0;
}

constexpr const char* kOffOn[] = {"off", "on"};
constexpr const char* kAutoIris[] = {"off", "exposure", "gain"};
constexpr const char* kGrayModes[] = {"off", "gain-offset", "color-to-gray"};
constexpr int32_t kColorBits[] = {RZ_BITS_GRAY8,  RZ_BITS_GRAY16, RZ_BITS_BGR24,
                                  RZ_BITS_BGRX32, RZ_BITS_BGR48,  RZ_BITS_BGRX64};

constexpr int32_t kNumber = RZ_SETTING_NUMBER, kSwitch = RZ_SETTING_SWITCH,
                  kChoice = RZ_SETTING_CHOICE;
constexpr int32_t kKept = RZ_SETTING_KEPT, kNotKept = RZ_SETTING_NOT_KEPT;
constexpr int32_t kNoLimit = 2147483647;

// The export that sets it, the read wrapper and the export that reads it, by name and as code.
#define RZ_BY(set, wrap, get) #set, #get, 0, nullptr, nullptr, set, wrap<get>
#define RZ_NAMED(set, wrap, get, names) \
    #set, #get, static_cast<int32_t>(std::size(names)), nullptr, names, set, wrap<get>

// Defaults are a new camera's values, those of its first run without a settings file.
const Entry kSettings[] = {
    {"gain", "sensor gain step", kNumber, 0, 11, 0, "", RZ_FILTER_GLOBAL_GAIN, kKept,
     RZ_BY(Rezive_SetGlobalGain, WithFlag, Rezive_GetGlobalGain)},
    {"exposure", "exposure in sensor lines", kNumber, 1, 32767, 637, "lines",
     RZ_FILTER_EXPOSURE_TIME, kKept,
     RZ_BY(Rezive_SetExposureTime, WithFlag, Rezive_GetExposureTime)},
    // Kept as the whole lines it converts to; its range and default follow the sensor's line
    // length, so only the line count's range is checked, by the setter.
    {"exposure-ms", "exposure in milliseconds, kept as the whole sensor lines it converts to", kNumber, 0,
     kNoLimit, 0, "ms", 0, kKept,
     RZ_BY(Rezive_SetRealExposureTime, WithFlag, Rezive_GetRealExposureTime)},
    {"mirror-h", "horizontal mirror", kSwitch, 0, 1, 0, "", 0, kKept,
     RZ_NAMED(Rezive_SetMirrorH, WithoutFlag, Rezive_GetMirrorH, kOffOn)},
    {"mirror-v", "vertical mirror", kSwitch, 0, 1, 0, "", 0, kKept,
     RZ_NAMED(Rezive_SetMirrorV, WithoutFlag, Rezive_GetMirrorV, kOffOn)},
    {"auto-iris", "automatic exposure or gain", kChoice, 0, 2, 0, "", 0, kKept,
     RZ_NAMED(Rezive_SetAutoIris, WithFlag, Rezive_GetAutoIris, kAutoIris)},
    {"brightness", "brightness; 0 is off", kNumber, -255, 255, 0, "", RZ_FILTER_BRIGHTNESS, kKept,
     RZ_BY(Rezive_SetBrightness, WithFlag, Rezive_GetBrightness)},
    {"contrast", "contrast; 0 is off", kNumber, -127, 127, 0, "", RZ_FILTER_CONTRAST, kKept,
     RZ_BY(Rezive_SetContrast, WithFlag, Rezive_GetContrast)},
    {"hue", "hue rotation; 0 is off", kNumber, -360, 360, 0, "degrees", RZ_FILTER_HUE, kKept,
     RZ_BY(Rezive_SetHue, WithFlag, Rezive_GetHue)},
    {"saturation", "saturation; 0 is off", kNumber, -255, 255, 0, "", RZ_FILTER_SATURATION, kKept,
     RZ_BY(Rezive_SetSaturation, WithFlag, Rezive_GetSaturation)},
    {"sharpness", "sharpness; 0 is off", kNumber, 0, 30, 0, "", RZ_FILTER_SHARPNESS, kKept,
     RZ_BY(Rezive_SetSharpness, WithFlag, Rezive_GetSharpness)},
    {"gamma", "gamma; 100 is neutral", kNumber, 0, 200, 100, "hundredths", RZ_FILTER_GAMMA,
     kKept, RZ_BY(Rezive_SetGamma, WithFlag, Rezive_GetGamma)},
    {"wb-red", "white-balance gain of red", kNumber, 0, 400, 100, "percent",
     RZ_FILTER_BAYER_GAIN_RED, kKept, RZ_BY(Rezive_SetBayerGainRed, WithFlag, Rezive_GetBayerGainRed)},
    {"wb-green", "white-balance gain of green", kNumber, 0, 400, 100, "percent",
     RZ_FILTER_BAYER_GAIN_GREEN, kKept,
     RZ_BY(Rezive_SetBayerGainGreen, WithFlag, Rezive_GetBayerGainGreen)},
    {"wb-blue", "white-balance gain of blue", kNumber, 0, 400, 100, "percent",
     RZ_FILTER_BAYER_GAIN_BLUE, kKept,
     RZ_BY(Rezive_SetBayerGainBlue, WithFlag, Rezive_GetBayerGainBlue)},
    {"auto-wb", "automatic white balance on every colour frame", kSwitch, 0, 1, 0, "",
     RZ_FILTER_BAYER_GAIN_AUTO, kNotKept,
     RZ_NAMED(Rezive_SetBayerGainAuto, WithFlag, Rezive_GetBayerGainAuto, kOffOn)},
    {"bayer-mode", "colour-filter phase of the mosaic", kNumber, 0, 3, 3, "",
     RZ_FILTER_BAYER_MODE, kKept, RZ_BY(Rezive_SetBayerMode, WithFlag, Rezive_GetBayerMode)},
    {"gray-mode", "gray processing of 8/16-bit images", kChoice, 0, 2, 0, "", RZ_FILTER_GRAY_MODE,
     kKept, RZ_NAMED(Rezive_SetGrayMode, WithFlag, Rezive_GetGrayMode, kGrayModes)},
    {"gray-gain-r", "gray gain of R samples; 128 is unity", kNumber, 0, 255, 128, "",
     RZ_FILTER_GRAY_GAIN_R, kKept, RZ_BY(Rezive_SetGrayGainR, WithFlag, Rezive_GetGrayGainR)},
    {"gray-gain-g1", "gray gain of G1 samples; 128 is unity", kNumber, 0, 255, 128, "",
     RZ_FILTER_GRAY_GAIN_G1, kKept, RZ_BY(Rezive_SetGrayGainG1, WithFlag, Rezive_GetGrayGainG1)},
    {"gray-gain-g2", "gray gain of G2 samples; 128 is unity", kNumber, 0, 255, 128, "",
     RZ_FILTER_GRAY_GAIN_G2, kKept, RZ_BY(Rezive_SetGrayGainG2, WithFlag, Rezive_GetGrayGainG2)},
    {"gray-gain-b", "gray gain of B samples; 128 is unity", kNumber, 0, 255, 128, "",
     RZ_FILTER_GRAY_GAIN_B, kKept, RZ_BY(Rezive_SetGrayGainB, WithFlag, Rezive_GetGrayGainB)},
    {"gray-offset-r", "gray offset of R samples", kNumber, -255, 255, 0, "",
     RZ_FILTER_GRAY_OFFSET_R, kKept,
     RZ_BY(Rezive_SetGrayOffsetR, WithFlag, Rezive_GetGrayOffsetR)},
    {"gray-offset-g1", "gray offset of G1 samples", kNumber, -255, 255, 0, "",
     RZ_FILTER_GRAY_OFFSET_G1, kKept,
     RZ_BY(Rezive_SetGrayOffsetG1, WithFlag, Rezive_GetGrayOffsetG1)},
    {"gray-offset-g2", "gray offset of G2 samples", kNumber, -255, 255, 0, "",
     RZ_FILTER_GRAY_OFFSET_G2, kKept,
     RZ_BY(Rezive_SetGrayOffsetG2, WithFlag, Rezive_GetGrayOffsetG2)},
    {"gray-offset-b", "gray offset of B samples", kNumber, -255, 255, 0, "",
     RZ_FILTER_GRAY_OFFSET_B, kKept,
     RZ_BY(Rezive_SetGrayOffsetB, WithFlag, Rezive_GetGrayOffsetB)},
    {"color", "bits per pixel of images", kNumber, 8, 64, RZ_BITS_BGR24, "bits", 0, kNotKept,
     "Rezive_SetColorMode", "Rezive_GetColorMode", static_cast<int32_t>(std::size(kColorBits)),
     kColorBits, nullptr, Rezive_SetColorMode, GetColorBits},
    {"wait-time", "pause of the preview loop before each frame", kNumber, 0, kNoLimit, 1, "ms", 0,
     kNotKept, RZ_BY(Rezive_SetWaitTime, WithoutFlag, Rezive_GetWaitTime)},
    {"defect-correction", "defect-pixel correction; needs a defect list", kSwitch, 0, 1, 0, "",
     0, kNotKept, RZ_NAMED(Rezive_SetConfigFilter, WithoutFlag, Rezive_GetConfigFilter, kOffOn)},
};

#undef RZ_BY
#undef RZ_NAMED

const Entry* Find(const char* name) {
    if (name == nullptr) return nullptr;
    for (const Entry& e : kSettings) {
        if (std::strcmp(e.name, name) == 0) return &e;
    }
    return nullptr;
}

}  // namespace

RZ_API int32_t RzGetSettingCount(void) { return static_cast<int32_t>(std::size(kSettings)); }

RZ_API int32_t RzGetSettingInfo(int32_t index, const char* name, RzSettingInfo* info) {
    if (info == nullptr || info->size < sizeof(RzSettingInfo)) return 0;
    const Entry* e = index == -1 ? Find(name)
                     : index >= 0 && index < RzGetSettingCount() ? &kSettings[index]
                                                                  : nullptr;
    if (e == nullptr) return 0;
    info->name = e->name;
    info->description = e->description;
    info->kind = e->kind;
    info->minimum = e->minimum;
    info->maximum = e->maximum;
    info->defaultValue = e->defaultValue;
    info->unit = e->unit;
    info->filter = e->filter;
    info->setter = e->setterName;
    info->getter = e->getterName;
    info->persistence = e->persistence;
    info->valueCount = e->valueCount;
    info->values = e->values;
    info->valueNames = e->valueNames;
    return 1;
}

// Both run on a known handle only: the getters without a success flag answer an unknown handle
// with 0, which would read as a stored 0. An unknown name, or no place for the value, is the
// caller's mistake on that camera, recorded there as a bad argument of the export would be.
RZ_API int32_t RzGetSettingValue(RzHandle handle, const char* name, int32_t* value) {
    return rezive::Dispatch(handle, 0, [&](rezive::CRezive& camera) {
        const Entry* e = Find(name);
        if (e == nullptr || value == nullptr) {
            camera.RecordError(RZ_ERR_ARGUMENT);
            return 0;
        }
        return e->get(handle, value) != 0 ? 1 : 0;
    });
}

RZ_API int32_t RzSetSettingValue(RzHandle handle, const char* name, int32_t value) {
    return rezive::Dispatch(handle, 0, [&](rezive::CRezive& camera) {
        const Entry* e = Find(name);
        if (e == nullptr) {
            camera.RecordError(RZ_ERR_ARGUMENT);
            return 0;
        }
        return e->set(handle, value);
    });
}
