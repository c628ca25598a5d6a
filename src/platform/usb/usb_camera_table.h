// The process's table of USB camera handles: one handle per camera, shared by every device file
// of the process that names the camera. A handle stays open while any file refers to it and a
// moment after the last one closes, so the open-exchange-close pattern of the control
// operations and the probe of every slot cost no USB open and claim each.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/usb/usb_bus.h"
#include "platform/usb/usb_camera.h"

namespace rezive::platform::usb {

// How long an unused handle is kept open.
inline constexpr std::chrono::milliseconds kLinger{1500};

// The shared handles of the process, by port location. Acquire hands out the open handle of
// the device (opening it when there is none, or when the one there belongs to an unplugged
// device); every Acquire is matched by one Release. Idle handles are closed by the bus's idle
// task.
std::shared_ptr<UsbCamera> AcquireCamera(const std::shared_ptr<UsbBus>& bus,
                                         const UsbDeviceRecord& record, int* error);
void ReleaseCamera(const std::shared_ptr<UsbCamera>& camera);
// Closes handles unused for kLinger (all unused ones when `all`). Returns how many stay open.
size_t CloseIdleCameras(bool all);

// The image time-out last set on a plugging (UsbCamera's key), kept for the handles opened on it
// later.
void RememberImageTimeout(const std::string& plugging, uint32_t milliseconds);

}  // namespace rezive::platform::usb
