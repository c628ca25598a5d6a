// The settings store: moves whole groups of 32-bit values between the camera object's records
// and the per-user settings tree, keyed by device number ("Camera_%02d").
#pragma once

#include <array>
#include <cstdint>

#include "settings/records.h"

namespace rezive::settings {

// First run (no root key): writes the first-run tree and returns 0 without reading. Otherwise
// reads the current size preset of the device into geometry (missing values keep their field).
int32_t LoadFormatAtStart(CaptureGeometry& geometry, int32_t deviceNumber);
// Reads "Color", "SubSample", "WaitTime", "Clock" (missing values keep their field); 0 when the
// root or camera key is missing.
int32_t LoadFormatValues(FormatSettings& format, int32_t deviceNumber);

// A missing key, or a missing value in it, gives the default of that value; the mirror
// defaults are the sensor's current mirror flags. Always 1.
int32_t LoadAnalogGroup(AnalogSettings& analog, int32_t deviceNumber, int32_t sensorMirrorV,
                        int32_t sensorMirrorH);
int32_t SaveAnalogGroup(const AnalogSettings& analog, int32_t deviceNumber);
// Filter and gray: values present are read, missing values leave their field; a missing key
// gives the group's defaults (and, for the filter group, resets the run-time fields) and 0.
int32_t LoadFilterGroup(FilterSettings& filters, int32_t deviceNumber);
int32_t SaveFilterGroup(const FilterSettings& filters, int32_t deviceNumber);
int32_t LoadGrayGroup(FilterSettings& filters, int32_t deviceNumber);
// Writes nothing and returns 0 when the camera key does not exist yet.
int32_t SaveGrayGroup(const FilterSettings& filters, int32_t deviceNumber);

enum class PresetResult { kFound, kNoRoot, kNoMatch };
// The first preset (lowest index) under "Camera_%02d" whose effective size is width x height;
// the search stops at the first missing "Size_%02d". The settings file is not changed.
PresetResult FindSizePreset(int32_t width, int32_t height, int32_t deviceNumber,
                            CaptureGeometry* preset);

// The video-format dialog's copy of the format group and the size presets of one device.
struct FormatDialogState {
    static constexpr int32_t kMaxPresets = 100;
    std::array<CaptureGeometry, kMaxPresets> presets{};  // unread entries: the full sensor, 4 buffers
    int32_t presetCount = 0;
    int32_t sizeIndex = 0;
    int32_t colorMode = 2;
    int32_t subSample = 0;
    int32_t waitTime = 1;
    int32_t clock = 2;
};
// Reads "Size_00".. up to the first missing one, then the format values; a missing key or
// value keeps what the state holds.
void ReadFormatDialogState(FormatDialogState& state, int32_t deviceNumber);
// Writes the presets below the count and the format values ("SubSample" always 0) in one
// locked, atomic replacement of the file; false when nothing could be written.
bool WriteFormatDialogState(const FormatDialogState& state, int32_t deviceNumber);

// Defaults of the groups when their key is missing.
void DefaultAnalog(AnalogSettings& analog, int32_t sensorMirrorV, int32_t sensorMirrorH);
void DefaultFilter(FilterSettings& filters);
void DefaultGray(FilterSettings& filters);

}  // namespace rezive::settings
