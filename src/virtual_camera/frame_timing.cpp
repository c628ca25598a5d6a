#include "virtual_camera/frame_timing.h"

#include <algorithm>

namespace rezive::virtual_camera {

double PixelClockHz(int32_t clockCode) {
    switch (clockCode) {
        case 1: return 12e6;
        case 2: return 100e6;
        default: return 24e6;
    }
}

double LineTimeSeconds(const SensorTiming& t) {
    return (std::max(t.width, 0) + kLineBlankClocks) / PixelClockHz(t.clockCode);
}

int32_t LineLengthTerm(const SensorTiming& t) {
    const double units = LineTimeSeconds(t) / 10e-6;
    return std::clamp(static_cast<int32_t>(units + 0.5) - 6, 0, 0xFFFF);
}

double ExposureSeconds(const SensorTiming& t) {
    return std::max(t.exposure, 1) * LineTimeSeconds(t);
}

double FramePeriodSeconds(const SensorTiming& t) {
    const int64_t lines = std::max<int64_t>(int64_t{std::max(t.height, 1)} + std::max(t.verticalBlank, 0),
                                            int64_t{t.exposure} + 1);
    const double readout = static_cast<double>(lines) * LineTimeSeconds(t);
    const double bus = t.frameBytes / kBusBytesPerSecond;
    return std::max(readout, bus);
}

double TriggeredLatencySeconds(const SensorTiming& t) {
    const double sensor = ExposureSeconds(t) + std::max(t.height, 1) * LineTimeSeconds(t);
    return std::max(sensor, t.frameBytes / kBusBytesPerSecond);
}

}  // namespace rezive::virtual_camera
