// One camera's USB handle, shared by every device file of the process that names the camera:
// one libusb_device_handle and one claimed interface 0 (a kernel driver bound to it is
// detached while we hold it). The handle stays open while any file refers to it and a moment
// after the last one closes, so the open-exchange-close pattern of the control operations and
// the probe of every slot cost no USB open and claim each.
#pragma once

#include <libusb-1.0/libusb.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/usb/usb_bus.h"

namespace rezive::platform::usb {

// How long an unused handle is kept open.
inline constexpr std::chrono::milliseconds kLinger{1500};
// Command and answer packets: the camera answers at once or not at all.
inline constexpr unsigned kPacketTimeoutMs = 1000;
// Image transfers until the time-out request sets another.
inline constexpr uint32_t kDefaultImageTimeoutMs = 3000;

class UsbCamera {
public:
    ~UsbCamera();
    UsbCamera(const UsbCamera&) = delete;
    UsbCamera& operator=(const UsbCamera&) = delete;

    // Opens and claims the device; null with *error set to the libusb error otherwise.
    static std::shared_ptr<UsbCamera> Open(std::shared_ptr<UsbBus> bus, const UsbDeviceRecord& record,
                                           int* error);

    // One transfer of exactly `length` bytes on a pipe (0 out, 1 and 2 in). True when libusb
    // completed it (a short packet ends an IN transfer early: true with the smaller count).
    // `result` (when given) receives libusb's code.
    bool Transfer(uint32_t pipe, uint8_t* data, uint32_t length, uint32_t* done,
                  int* result = nullptr);
    // The image time-out holds for every file of this camera, and for later handles on it until
    // it is unplugged: a time-out set through a file that is closed at once still counts.
    void SetImageTimeout(uint32_t milliseconds);
    bool Gone() const { return gone_.load(); }
    libusb_device* Device() const { return libusb_get_device(handle_); }

    // The camera has one answer endpoint: the file that sent a command owns the answers until
    // it reads an image or closes, so interleaved exchanges of other files never take its
    // answers. Waits a bounded time for another owner, then goes on (a stuck owner never
    // blocks the camera for good).
    void TakeAnswers(const void* file);
    void ReleaseAnswers(const void* file);

private:
    friend std::shared_ptr<UsbCamera> AcquireCamera(const std::shared_ptr<UsbBus>&,
                                                    const UsbDeviceRecord&, int*);
    UsbCamera(std::shared_ptr<UsbBus> bus, libusb_device_handle* handle, const PipeMap& pipes,
              std::string key);

    std::shared_ptr<UsbBus> bus_;
    libusb_device_handle* handle_;
    const std::string key_;  // port location and address: one plugging of one camera
    uint8_t endpoint_[kPipeCount];
    std::atomic<uint32_t> imageTimeoutMs_{kDefaultImageTimeoutMs};
    std::atomic<bool> gone_{false};

    std::mutex answerMutex_;
    std::condition_variable answerFree_;
    const void* answerOwner_ = nullptr;
};

// The shared handles of the process, by port location. Acquire hands out the open handle of
// the device (opening it when there is none, or when the one there belongs to an unplugged
// device); every Acquire is matched by one Release. Idle handles are closed by the bus's idle
// task.
std::shared_ptr<UsbCamera> AcquireCamera(const std::shared_ptr<UsbBus>& bus,
                                         const UsbDeviceRecord& record, int* error);
void ReleaseCamera(const std::shared_ptr<UsbCamera>& camera);
// Closes handles unused for kLinger (all unused ones when `all`). Returns how many stay open.
size_t CloseIdleCameras(bool all);

// Tests: while not LIBUSB_SUCCESS, opening a device fails with this error before the device is
// asked. The system's refusal for want of permission cannot be brought about on an emulated
// bus, and not at all for a test that runs as root.
void SetOpenFaultForTesting(int error);

}  // namespace rezive::platform::usb
