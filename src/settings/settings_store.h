// The settings store: moves whole groups of 32-bit values between the camera object's records
// and the per-user settings tree, keyed by device number ("Camera_%02d").
#pragma once

#include <cstdint>

#include "settings/records.h"

namespace rezive::settings {

// First run (no root key): writes the first-run tree and returns 0 without reading. Otherwise
// reads the current size preset of the device into geometry (missing values keep their field).
int32_t LoadFormatAtStart(CaptureGeometry& geometry, int32_t deviceNumber);
// Reads "Color", "SubSample", "WaitTime", "Clock"; 0 when the root or camera key is missing.
int32_t LoadFormatValues(FormatSettings& format, int32_t deviceNumber);

// Missing keys give the defaults; the mirror defaults are the sensor's current mirror flags.
int32_t LoadAnalogGroup(AnalogSettings& analog, int32_t deviceNumber, int32_t sensorMirrorV,
                        int32_t sensorMirrorH);
int32_t SaveAnalogGroup(const AnalogSettings& analog, int32_t deviceNumber);
int32_t LoadFilterGroup(FilterSettings& filters, int32_t deviceNumber);
int32_t SaveFilterGroup(const FilterSettings& filters, int32_t deviceNumber);
int32_t LoadGrayGroup(FilterSettings& filters, int32_t deviceNumber);
int32_t SaveGrayGroup(const FilterSettings& filters, int32_t deviceNumber);

enum class PresetResult { kFound, kNoRoot, kNoMatch };
// The first preset (lowest index) whose effective size is width x height.
PresetResult FindSizePreset(int32_t width, int32_t height, int32_t deviceNumber,
                            CaptureGeometry* preset);

// Defaults of the groups when their key is missing.
void DefaultAnalog(AnalogSettings& analog, int32_t sensorMirrorV, int32_t sensorMirrorH);
void DefaultFilter(FilterSettings& filters);
void DefaultGray(FilterSettings& filters);

}  // namespace rezive::settings
