// The user-space USB driver as a backend of the device-file seam. USB cameras (devices whose
// ids are in the id table and whose interface has the camera's three pipes) take the device
// slots left free by the backends before it and by character devices, in bus and port order,
// so that a slot names the same physical camera across runs.
#pragma once

#include <cstdint>
#include <string>

namespace rezive::platform::usb {

// Makes the USB cameras a backend of the device files. `reservedSlots` tells how many slots,
// from 0 up, a backend asked before this one serves (the virtual cameras); null for none.
// Later calls do nothing.
void RegisterUsbBackend(int32_t (*reservedSlots)());

// One line per USB device for a user looking for the camera: location, ids, device node and
// what the library makes of it (camera in slot N, not in the id table, no permission, in use
// by another program). Only vendor-class devices with the camera's shape and devices of the id
// table, unless `all`: then every device, with the reason it is not a camera.
std::string DescribeUsbDevices(bool all);

// For tests: closes every unused shared handle now and forgets the slot map. Returns the
// number of handles that stay open (in use).
size_t ResetUsbBackendForTesting();

}  // namespace rezive::platform::usb
