// Timing of the virtual camera's sensor. The sensor reads its window line by line at the pixel
// clock of the clock code; each line carries a fixed horizontal blank, each frame the vertical
// blank of register 0x0E, and a frame never takes less than its exposure. The controller then
// moves the frame over a USB bus of about 40 MB/s, so a frame also never takes less than its
// bus time: 16-bit frames need twice as long there as 8-bit ones.
#pragma once

#include <cstdint>

#include "device/protocol.h"

namespace rezive::virtual_camera {

inline constexpr int32_t kLineBlankClocks = 370;
inline constexpr double kBusBytesPerSecond = 40e6;

struct SensorTiming {
    int32_t width = device::kSensorWidth;    // device::kRegWidth
    int32_t height = device::kSensorHeight;  // device::kRegHeight
    int32_t verticalBlank = 124; // device::kRegFrameTiming
    int32_t exposure = 637;      // device::kRegExposure, lines
    int32_t clockCode = 0;       // port 15
    uint32_t frameBytes = 0;     // bytes moved per frame over the bus
};

// 24 MHz, 12 MHz or 100 MHz for clock codes 0, 1, 2; unknown codes run at 24 MHz.
double PixelClockHz(int32_t clockCode);
double LineTimeSeconds(const SensorTiming& t);
double ExposureSeconds(const SensorTiming& t);
// The line-length term that register device::kRegLineLength reads back. The library turns
// exposure lines into milliseconds as lines x (term + 6) x 10 us, so the term is this sensor's
// line time in 10 us units less 6, rounded; it cannot go below 0, so a line shorter than 60 us
// (a narrow window, or the 100 MHz clock) reads as 60 us. The register is read-only: writes (the
// open sequence loads 0x0B80 from its table) are kept in the register file but never change what
// a read reports.
int32_t LineLengthTerm(const SensorTiming& t);
// Period of the free-running sensor: the slowest of readout with blanking, exposure and bus.
double FramePeriodSeconds(const SensorTiming& t);
// From a trigger to the frame being ready: exposure, then readout, and at least the bus time.
double TriggeredLatencySeconds(const SensorTiming& t);

}  // namespace rezive::virtual_camera
