// The process's one libusb context, its event thread and the scan of the bus. The event thread
// delivers hot-plug events (where libusb has them) and runs the idle task of the camera handles;
// it stops when the bus is stopped, at the latest when the library is unloaded.
#pragma once

#include <libusb-1.0/libusb.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/mutex.h"
#include "platform/usb/usb_ids.h"
#include "platform/usb/usb_pipes.h"

namespace rezive::platform::usb {

// One device found on the bus, holding a reference on its libusb device.
struct UsbDeviceRecord {
    std::shared_ptr<libusb_device> device;
    uint8_t bus = 0;
    uint8_t address = 0;
    std::vector<uint8_t> ports;  // port path from the root hub
    UsbId id;
    bool vendorClass = false;
    PipeMap pipes;

    std::string Location() const;  // "1-2.3", as the kernel names the port
    std::string Node() const;      // "/dev/bus/usb/001/007"
};

class UsbBus {
public:
    // The bus of the process, started on first use; null when libusb cannot start here.
    static std::shared_ptr<UsbBus> Get();
    // Stops the event thread of the process's bus, if it was started (library unload, tests).
    static void StopProcessBus();

    ~UsbBus();
    UsbBus(const UsbBus&) = delete;
    UsbBus& operator=(const UsbBus&) = delete;

    libusb_context* Context() const { return context_; }
    // Every device, in a stable order: bus number, then port path.
    std::vector<UsbDeviceRecord> Scan();
    // Changes with every hot-plug event.
    uint64_t Generation() const { return generation_.load(); }
    bool HasHotplug() const { return hotplug_; }
    // Run by the event thread a few times a second (and once more while it stops).
    void SetIdleTask(std::function<void()> task) RZ_EXCLUDES(taskMutex_);

private:
    explicit UsbBus(libusb_context* context);
    void Run();
    void Stop();
    static int OnHotplug(libusb_context*, libusb_device*, libusb_hotplug_event, void* self);

    libusb_context* context_;
    bool hotplug_ = false;
    libusb_hotplug_callback_handle hotplugHandle_ = 0;
    std::atomic<uint64_t> generation_{0};
    std::atomic<int> stop_{0};
    Mutex taskMutex_;
    std::function<void()> idleTask_ RZ_GUARDED_BY(taskMutex_);
    std::thread thread_;
};

}  // namespace rezive::platform::usb
