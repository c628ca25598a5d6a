// The companion export that tells a user what the USB bus holds and why a device is or is not
// a camera.
#include <algorithm>
#include <cstring>
#include <string>

#include "ReziveSdk.h"
#include "camera/camera.h"
#include "platform/usb/usb_device_file.h"

RZ_API int32_t RzDescribeUsbDevices(char* text, int32_t size, int32_t all) {
    if (text == nullptr && size != 0) return -1;
    try {
        // The slots named in the description are those the cameras get.
        rezive::RegisterDeviceBackends();
        const std::string description = rezive::platform::usb::DescribeUsbDevices(all != 0);
        if (size > 0) {
            const size_t n = std::min(description.size(), static_cast<size_t>(size) - 1);
            std::memcpy(text, description.data(), n);
            text[n] = '\0';
        }
        return static_cast<int32_t>(std::min<size_t>(description.size(), 0x7FFFFFFF));
    } catch (...) {
        if (size > 0) text[0] = '\0';
        return 0;
    }
}
