#include "platform/usb/usb_pipes.h"

#include <cstdio>

namespace rezive::platform::usb {
namespace {

constexpr uint8_t kEndpointIn = 0x80;
constexpr uint8_t kTransferTypeMask = 0x03;
constexpr uint8_t kTransferBulk = 0x02;
constexpr uint8_t kVendorClass = 0xFF;

const InterfaceShape* FirstSetting(const std::vector<InterfaceShape>& settings) {
    for (const InterfaceShape& s : settings) {
        if (s.number == 0 && s.alternate == 0) return &s;
    }
    return nullptr;
}

}  // namespace

PipeMap MapCameraPipes(const std::vector<InterfaceShape>& settings) {
    PipeMap map;
    const InterfaceShape* setting = FirstSetting(settings);
    if (setting == nullptr) {
        map.why = "no interface 0 with alternate setting 0";
        return map;
    }
    if (setting->endpoints.size() < kPipeCount) {
        map.why = "interface 0 has " + std::to_string(setting->endpoints.size()) +
                  " endpoints, a camera has 3 (bulk OUT, bulk IN, bulk IN)";
        return map;
    }
    static const bool kWantIn[kPipeCount] = {false, true, true};
    for (int pipe = 0; pipe < kPipeCount; ++pipe) {
        const EndpointShape& e = setting->endpoints[static_cast<size_t>(pipe)];
        const bool in = (e.address & kEndpointIn) != 0;
        if ((e.attributes & kTransferTypeMask) != kTransferBulk || in != kWantIn[pipe]) {
            char why[128];
            std::snprintf(why, sizeof why, "endpoint %d (0x%02X) is not bulk %s", pipe + 1,
                          e.address, kWantIn[pipe] ? "IN" : "OUT");
            map.why = why;
            return map;
        }
        map.endpoint[pipe] = e.address;
    }
    map.ok = true;
    return map;
}

bool IsVendorClass(uint8_t deviceClass, const std::vector<InterfaceShape>& settings) {
    if (deviceClass == kVendorClass) return true;
    const InterfaceShape* setting = FirstSetting(settings);
    return setting != nullptr && setting->interfaceClass == kVendorClass;
}

}  // namespace rezive::platform::usb
