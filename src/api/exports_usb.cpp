// The companion export that tells a user what the USB bus holds and why a device is or is not
// a camera.
#include <algorithm>
#include <cstring>
#include <string>

#include "ReziveSdk.h"
#include "api/text_out.h"
#include "camera/camera.h"
#include "platform/usb/usb_device_file.h"

RZ_API int32_t RzDescribeUsbDevices(char* text, int32_t size, int32_t all) {
    if (text == nullptr && size != 0) return -1;
    try {
        // The slots named in the description are those the cameras get.
        rezive::RegisterDeviceBackends();
        return rezive::api::CopyTextOut(rezive::platform::usb::DescribeUsbDevices(all != 0), text,
                                        size);
    } catch (...) {
        if (size > 0) text[0] = '\0';
        return 0;
    }
}
