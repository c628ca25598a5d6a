// The camera's USB protocol: pipes, command codes, packet layout, controller ports and the sensor
// registers and size both sides name. The library's device layer speaks it and the virtual camera
// answers it, so both take their numbers from here.
#pragma once

#include <cstdint>

namespace rezive::device {

inline constexpr uint32_t kPipeCommand = 0;
inline constexpr uint32_t kPipeResponse = 1;
inline constexpr uint32_t kPipeImage = 2;

inline constexpr uint32_t kPacketSize = 64;

enum Command : uint8_t {
    kCmdPrepareStream = 0x01,
    kCmdStartFrame = 0x02,
    kCmdWriteRegister = 0x04,
    kCmdDeviceSetup = 0x06,
    kCmdSetTransferSize = 0x09,
    kCmdSetSampleWidth = 0x0A,
    kCmdReadRegister = 0x0C,
    kCmdWritePort = 0x25,
    kCmdReadPort = 0x26,
    kCmdSromWrite = 0x40,
    kCmdSromRead = 0x41,
};

// Serial-ROM transaction bytes: device address, then the count of bytes that follow it.
inline constexpr uint8_t kSromDeviceAddress = 0x51;
inline constexpr uint8_t kSromWritablePage = 0x18;
inline constexpr int32_t kSromFirstReadable = 0x1800;
inline constexpr int32_t kSromConfigurationByte = 0x1EB0;

// Image requests of this many bytes or more use the large-transfer code.
inline constexpr int32_t kLargeTransferBytes = 3072000;

// Controller ports.
inline constexpr int32_t kPortUserIo = 7;
inline constexpr int32_t kPortTrigger = 11;
inline constexpr int32_t kPortSampleWidth = 14;
inline constexpr int32_t kPortClock = 15;

// The sensor's active array.
inline constexpr int32_t kSensorWidth = 1280;
inline constexpr int32_t kSensorHeight = 720;

// Sensor registers that the library writes by name and the camera's sensor acts on.
enum SensorRegister : int32_t {
    kRegTrigger = 0x01,
    kRegMirror = 0x02,        // bit 0 vertical, bit 1 horizontal, both active low
    kRegRowStart = 0x04,      // first row, counted from kRowOrigin
    kRegHeight = 0x05,
    kRegColumnStart = 0x06,   // first column, counted from kColumnOrigin
    kRegWidth = 0x07,
    kRegFrameTiming = 0x0E,   // vertical blank, in lines
    kRegExposure = 0x0F,      // in lines
    kRegGainA = 0x23,
    kRegGainB = 0x24,
    kRegLineLength = 0x2E,    // the line-length term that exposure in lines converts to time with
    kRegTableEnable = 0x3E,
    kRegVariant = 0x50,
};

// The active array's first row and column in the sensor's own coordinates: window registers
// hold a window start plus these.
inline constexpr int32_t kRowOrigin = 64;
inline constexpr int32_t kColumnOrigin = 132;

// Device naming: 36 suffixes with "N" before "M"; the first 32 are probed.
inline constexpr char kDeviceSuffixes[] = "0123456789ABCDEFGHIJKLNMOPQRSTUVWXYZ";
inline constexpr int32_t kProbedSlots = 32;
inline constexpr const char* kDeviceBaseName = "Daro417DIRVUD";
inline constexpr const char* kDevicePathFormat = "/dev/%s-%s";

}  // namespace rezive::device
