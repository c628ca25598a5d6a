#include "settings/settings_store.h"

// Until the settings file exists, every group behaves as if its key were missing: loads give
// the defaults and saves keep nothing.

namespace rezive::settings {

void DefaultAnalog(AnalogSettings& analog, int32_t sensorMirrorV, int32_t sensorMirrorH) {
    analog.globalGain = 0;
    analog.colorGainG1 = 0;
    analog.colorGainR = 0;
    analog.colorGainB = 0;
    analog.colorGainG2 = 0;
    analog.exposure = 637;
    analog.mirrorV = sensorMirrorV;
    analog.mirrorH = sensorMirrorH;
    analog.autoIris = 0;
}

void DefaultFilter(FilterSettings& f) {
    f.brightness = 0;
    f.contrast = 0;
    f.hue = 0;
    f.saturation = 0;
    f.sharpness = 0;
    f.redGain = 100;
    f.greenGain = 100;
    f.blueGain = 100;
    f.gamma = 100;
    f.bayerMode = 3;
    f.autoWhiteBalance = 0;
    f.autoWhiteBalanceOnceA = 0;
    f.autoWhiteBalanceOnceB = 0;
    f.grayAutoGain = 0;
}

void DefaultGray(FilterSettings& f) {
    f.grayMode = 0;
    f.grayGainR = 128;
    f.grayGainG1 = 128;
    f.grayGainG2 = 128;
    f.grayGainB = 128;
    f.grayOffsetR = 0;
    f.grayOffsetG1 = 0;
    f.grayOffsetG2 = 0;
    f.grayOffsetB = 0;
}

int32_t LoadFormatAtStart(CaptureGeometry&, int32_t) { return 0; }
int32_t LoadFormatValues(FormatSettings&, int32_t) { return 0; }

int32_t LoadAnalogGroup(AnalogSettings& analog, int32_t, int32_t sensorMirrorV,
                        int32_t sensorMirrorH) {
    DefaultAnalog(analog, sensorMirrorV, sensorMirrorH);
    return 1;
}
int32_t SaveAnalogGroup(const AnalogSettings&, int32_t) { return 0; }
int32_t LoadFilterGroup(FilterSettings& filters, int32_t) {
    DefaultFilter(filters);
    return 0;
}
int32_t SaveFilterGroup(const FilterSettings&, int32_t) { return 0; }
int32_t LoadGrayGroup(FilterSettings& filters, int32_t) {
    DefaultGray(filters);
    return 0;
}
int32_t SaveGrayGroup(const FilterSettings&, int32_t) { return 0; }

PresetResult FindSizePreset(int32_t, int32_t, int32_t, CaptureGeometry*) {
    return PresetResult::kNoRoot;
}

}  // namespace rezive::settings
