// The companion exports that tell what is attached: the USB bus's devices and why each is or is
// not a camera, and the attached cameras with why one cannot be used.
#include <algorithm>
#include <cstring>
#include <string>

#include "ReziveSdk.h"
#include "api/text_out.h"
#include "camera/camera.h"
#include "platform/device_file.h"
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

namespace {

void CopyField(const std::string& text, char* field, size_t size) {
    const size_t n = std::min(text.size(), size - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

}  // namespace

RZ_API int32_t RzListAttachedCameras(RzAttachedCamera* cameras, int32_t count) {
    if (count < 0 || (cameras == nullptr && count != 0)) return -1;
    for (int32_t k = 0; k < count; ++k) {
        if (cameras[k].size < sizeof(RzAttachedCamera)) return -1;
    }
    try {
        rezive::RegisterDeviceBackends();
        const auto devices = rezive::platform::ListAttachedDevices();
        for (size_t k = 0; k < devices.size() && k < static_cast<size_t>(count); ++k) {
            const auto& device = devices[k];
            RzAttachedCamera& out = cameras[k];
            out.slot = device.slot;
            out.cause = static_cast<int32_t>(device.cause);
            out.error = device.cause == rezive::platform::DeviceCause::kNone
                            ? 0
                            : RZ_ERR_DEVICE_UNAVAILABLE;
            CopyField(device.location, out.location, sizeof out.location);
            CopyField(device.reason, out.reason, sizeof out.reason);
        }
        return static_cast<int32_t>(devices.size());
    } catch (...) {
        return -1;
    }
}
