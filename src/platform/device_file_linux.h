// The Linux character-device backend of DeviceFile and its system-call seam. The request
// layout is the driver ABI written down in docs/driver-abi.md.
#pragma once

#include <cstdint>

namespace rezive::platform {

// Argument of the three pipe requests (64-bit safe: the buffer travels as a 64-bit address).
struct RzPipeRequest {
    uint32_t pipe;        // 0 command, 1 response, 2 image
    uint32_t length;      // bytes of the data buffer
    uint64_t buffer;      // user address of the data buffer
    uint32_t bytesDone;   // written back by the driver, also when the request fails
    uint32_t reserved;    // 0
};
static_assert(sizeof(RzPipeRequest) == 24);

// Argument of the time-out request: the 44-byte record (word 0 = 1, word 1 = milliseconds).
struct RzTimeoutRecord {
    uint8_t bytes[44];
};

// Linux request numbers ('R' magic, the low byte of the matching Windows function number).
unsigned long LinuxRequestFor(uint32_t code);  // 0 for an unknown code

// The system calls the backend makes; tests swap them for a fake descriptor layer.
struct CharDeviceSyscalls {
    int (*open)(const char* path, int flags);
    int (*ioctl)(int fd, unsigned long request, void* argument);
    int (*close)(int fd);
};
const CharDeviceSyscalls& RealCharDeviceSyscalls();
// Replaces the system calls (null restores the real ones). Not thread-safe: tests only.
void SetCharDeviceSyscallsForTesting(const CharDeviceSyscalls* calls);

}  // namespace rezive::platform
