// An emulated USB bus for the USB backend's tests: umockdev publishes USB devices with the
// camera's descriptors in sysfs and /dev/bus/usb, and answers their usbfs requests (URBs) from
// a virtual camera's protocol engine, so the real libusb path carries real command packets
// and frames. The test program runs under umockdev's preload library (ctest sees to it).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "virtual_camera/virtual_camera.h"

namespace rezive::test {

inline constexpr uint16_t kTestVendor = 0x1234;
inline constexpr uint16_t kTestProduct = 0x5678;

// What the emulated device's interface 0 looks like.
enum class UsbShape {
    kCamera,      // vendor class, bulk OUT 0x01, bulk IN 0x82, bulk IN 0x83
    kTwoPipes,    // vendor class, only bulk OUT 0x01 and bulk IN 0x82
    kInFirst,     // vendor class, the three pipes with IN 0x81 before OUT 0x02
};

class EmulatedUsbDevice;

// No kernel driver here. umockdev's preload library keeps a table entry for every failed open
// of a /dev path and aborts the program after 50, so while `on` the character-device backend's
// opens are answered "no such device" without asking the system.
void UseNoCharDevices(bool on);

class UsbTestbed {
public:
    // The process's bus: made on first use, before libusb starts.
    static UsbTestbed& Get();

    // Plugs a device into root port `port` (1..15) of bus 1, answered by `camera` (null for a
    // device that answers nothing). A port holds one device; plugging again replaces it.
    void Plug(int port, virtual_camera::VirtualCamera* camera, uint16_t vendor = kTestVendor,
              uint16_t product = kTestProduct, UsbShape shape = UsbShape::kCamera);
    // Pulls the device out: transfers in flight and later ones fail with ENODEV.
    void Unplug(int port);
    void UnplugAll();

    // Faults of the bus side of a device.
    void SetClaimErrno(int port, int error);  // the next interface claims fail with `error`
    // While on, the device answers no request at all (each fails as it reaches the device).
    void SetSilent(int port, bool silent);
    // URBs submitted to the device at `port` so far.
    uint64_t SubmittedUrbs(int port) const;
    // Interface claims the device at `port` accepted so far.
    uint64_t Claims(int port) const;

private:
    UsbTestbed();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace rezive::test
