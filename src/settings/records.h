// The settings records of a camera object: what the setters store, the worker reads and the
// settings store moves to and from the settings file.
#pragma once

#include <atomic>
#include <cstdint>

#include "device/protocol.h"

namespace rezive {

// A 32-bit setting written by API threads and read by the acquisition threads without a lock:
// a reader sees the old or the new value, never a torn one.
class Setting {
public:
    constexpr Setting(int32_t v = 0) : value_(v) {}
    Setting(const Setting& other) : value_(other.Get()) {}
    Setting& operator=(const Setting& other) { Set(other.Get()); return *this; }
    Setting& operator=(int32_t v) { Set(v); return *this; }
    operator int32_t() const { return Get(); }
    int32_t Get() const { return value_.load(std::memory_order_relaxed); }
    void Set(int32_t v) { value_.store(v, std::memory_order_relaxed); }
    int32_t FetchAdd(int32_t d) { return value_.fetch_add(d, std::memory_order_relaxed); }

private:
    std::atomic<int32_t> value_;
};

// Sensor settings mirrored in the camera object ("Gain" group).
struct AnalogSettings {
    Setting globalGain;
    Setting colorGainG1;
    Setting colorGainR;
    Setting colorGainB;
    Setting colorGainG2;
    Setting exposure;  // sensor lines
    Setting mirrorV;
    Setting mirrorH;
    Setting autoIris;  // 0 off, 1 by exposure, 2 by gain
};

// Software filter settings ("Filter" and "Gray" groups, then run-time fields not stored).
struct FilterSettings {
    Setting brightness;
    Setting contrast;
    Setting hue;
    Setting saturation;
    Setting sharpness;
    Setting redGain;
    Setting greenGain;
    Setting blueGain;
    Setting gamma;
    Setting bayerMode;
    // gray group
    Setting grayMode;
    Setting grayGainR;
    Setting grayGainG1;
    Setting grayGainG2;
    Setting grayGainB;
    Setting grayOffsetR;
    Setting grayOffsetG1;
    Setting grayOffsetG2;
    Setting grayOffsetB;
    // run-time state
    Setting autoWhiteBalance;
    Setting autoWhiteBalanceOnceA;  // the two one-shot flags of the image-filter dialog
    Setting autoWhiteBalanceOnceB;
    Setting grayAutoGain;  // measurements still to run; negative: every frame
};

// A size preset and the capture window ("Size_%02d").
struct CaptureGeometry {
    int32_t totalWidth = device::kSensorWidth;    // TH
    int32_t totalHeight = device::kSensorHeight;  // TV
    int32_t width = device::kSensorWidth;         // EH
    int32_t height = device::kSensorHeight;       // EV
    int32_t xOffset = 0;         // EHS
    int32_t yOffset = 0;         // EVS
    int32_t bufferCount = 4;     // Buf
};

// The capture-window rule: inside the sensor, and a sub-sampling code this model
// cannot read out (1, 2, 3, 17, 18, 19) is refused. Totals are reported only, never checked.
inline bool IsCaptureWindowValid(const CaptureGeometry& g, int32_t subSample) {
    if (g.width < 0 || g.height < 0 || g.xOffset < 0 || g.yOffset < 0) return false;
    constexpr int32_t kW = device::kSensorWidth, kH = device::kSensorHeight;
    if (g.width > kW || g.xOffset > kW || g.height > kH || g.yOffset > kH) return false;
    if (g.xOffset + g.width > kW || g.yOffset + g.height > kH) return false;
    switch (subSample) {
        case 1: case 2: case 3: case 17: case 18: case 19: return false;
        default: return true;
    }
}

// Format values of "Camera_%02d".
struct FormatSettings {
    Setting colorMode;
    Setting subSample;
    Setting waitTime{10};
    Setting clock;
};

}  // namespace rezive
