// DeviceFile: an open camera device file and its I/O control requests. The transport of the
// model object talks to every backend (the in-process virtual camera, the Linux character
// device of a kernel driver) through this one interface.
#pragma once

#include <cstdint>
#include <memory>

namespace rezive::platform {

// The four control codes a camera driver serves.
inline constexpr uint32_t kIoctlPipeTransfer = 0x22204E;     // pipe index in, data buffer out
inline constexpr uint32_t kIoctlPipeTransferIn = 0x222051;   // same layout, "in-direct" method
inline constexpr uint32_t kIoctlLargeTransferIn = 0x2220A9;  // image reads of 3,072,000 bytes or more
inline constexpr uint32_t kIoctlSetTimeout = 0x2220A0;       // 44-byte time-out record in
inline constexpr uint32_t kTimeoutRecordSize = 44;

class DeviceFile {
public:
    virtual ~DeviceFile() = default;
    // One request. For the pipe codes `in` holds the 4-byte little-endian pipe index and `out`
    // the data buffer of `outSize` bytes (written to the device on pipe 0, filled from it on
    // pipes 1 and 2). True when the request succeeded; bytesDone receives the driver's count in
    // both cases.
    virtual bool Control(uint32_t code, const void* in, uint32_t inSize, void* out,
                         uint32_t outSize, uint32_t* bytesDone) = 0;
};

// Opens a kernel driver's character device; null when the path cannot be opened.
std::unique_ptr<DeviceFile> OpenCharDevice(const char* path);

}  // namespace rezive::platform
