// One camera's USB handle: one libusb_device_handle and one claimed interface 0 (a kernel driver
// bound to it is detached while we hold it), its transfers, and which file owns the answers.
// The process shares one such handle among its device files (usb_camera_table.h).
#pragma once

#include <libusb-1.0/libusb.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/mutex.h"
#include "platform/usb/usb_bus.h"

namespace rezive::platform::usb {

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
    void TakeAnswers(const void* file) RZ_EXCLUDES(answerMutex_);
    void ReleaseAnswers(const void* file) RZ_EXCLUDES(answerMutex_);

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

    Mutex answerMutex_;
    CondVar answerFree_;
    const void* answerOwner_ RZ_GUARDED_BY(answerMutex_) = nullptr;
};

// Tests: while not LIBUSB_SUCCESS, opening a device fails with this error before the device is
// asked. The system's refusal for want of permission cannot be brought about on an emulated
// bus, and not at all for a test that runs as root.
void SetOpenFaultForTesting(int error);

}  // namespace rezive::platform::usb

