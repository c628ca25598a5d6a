// Which USB devices are cameras by shape: the camera's three pipes are the endpoints of
// interface 0, alternate setting 0, in descriptor order: pipe 0 bulk OUT (command packets),
// pipe 1 bulk IN (answers), pipe 2 bulk IN (image data).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rezive::platform::usb {

inline constexpr int kPipeCount = 3;

struct EndpointShape {
    uint8_t address = 0;     // bEndpointAddress: bit 7 set for IN
    uint8_t attributes = 0;  // bmAttributes: the low two bits are the transfer type (2 = bulk)
};

struct InterfaceShape {
    uint8_t number = 0;
    uint8_t alternate = 0;
    uint8_t interfaceClass = 0;
    std::vector<EndpointShape> endpoints;
};

struct PipeMap {
    bool ok = false;
    uint8_t endpoint[kPipeCount] = {};  // endpoint address of each pipe when ok
    std::string why;                    // when not ok: what the device lacks
};

// The pipes of a device whose configuration has these interface settings.
PipeMap MapCameraPipes(const std::vector<InterfaceShape>& settings);

// True when the device or its interface 0 declares the vendor-specific class (0xFF), the class
// a camera without a standard class driver has.
bool IsVendorClass(uint8_t deviceClass, const std::vector<InterfaceShape>& settings);

}  // namespace rezive::platform::usb
