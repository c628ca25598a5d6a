// Internal result codes of the device layer: what the model object and its transport return to
// the camera object, which turns them into the error codes of the public interface.
#pragma once

#include <cstdint>

namespace rezive {

enum DeviceResult : int32_t {
    kDevOk = 0,
    kDevRingCount = 1,
    kDevWidth = 3,
    kDevHeight = 4,
    kDevNoMemory = 7,
    kDevNotOpened = 10,
    kDevShortTransfer = 12,
    kDevNoOutput = 14,
    kDevTransferFailed = 19,
    kDevStreaming = 21,
    kDevIndexRange = 22,
};

}  // namespace rezive
